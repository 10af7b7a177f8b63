// A dialog built from a dialog template: its controls found by identifier, their notifications
// and the soft keys' commands dispatched to OnCommand, window timers, and the two ways to run
// it: modal over an owner window until EndDialog, or modeless as a child window.
#pragma once

#include "framework/command_target.h"
#include "framework/fonts.h"
#include "framework/resource_types.h"

#include <QDialog>

#include <map>
#include <string>
#include <string_view>

namespace framework {

class SoftKeyBar;

inline constexpr UINT BST_UNCHECKED = 0;
inline constexpr UINT BST_CHECKED = 1;
inline constexpr int CB_ERR = -1;
inline constexpr int LB_ERR = -1;

class Dialog : public QDialog, public CommandTarget {
public:
    explicit Dialog(unsigned templateId);
    ~Dialog() override;

    // Builds the dialog as a window owned by owner and runs it until EndDialog; returns the
    // result given there, or -1 when the template cannot be built.
    int DoModal(QWidget* owner);
    // Builds the dialog as a child of parent and shows it; false without its template.
    [[nodiscard]] bool Create(QWidget* parent);
    void EndDialog(int result);

    // Controls by identifier; nullptr when the dialog has no such control.
    QWidget* GetDlgItem(int id) const;
    template <typename Control> Control* DlgItem(int id) const {
        return dynamic_cast<Control*>(GetDlgItem(id));
    }

    std::u16string GetDlgItemText(int id) const;
    void SetDlgItemText(int id, std::u16string_view text);
    UINT IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, UINT check);

    // Drop-down lists; an entry may carry a text of its own, kept by the list.
    int ComboAddString(int id, std::u16string_view text);
    void ComboResetContent(int id);
    int ComboGetCount(int id) const;
    int ComboGetCurSel(int id) const;
    int ComboSetCurSel(int id, int index);
    std::u16string ComboGetLBText(int id, int index) const;
    void ComboSetItemData(int id, int index, std::u16string_view data);
    std::u16string ComboGetItemData(int id, int index) const;

    // List boxes; a sorted list places entries in order.
    int ListAddString(int id, std::u16string_view text);
    void ListResetContent(int id);
    int ListGetCount(int id) const;
    int ListGetCurSel(int id) const;
    int ListSetCurSel(int id, int index);
    std::u16string ListGetText(int id, int index) const;

    // Progress bars: PBM_SETPOS.
    void SetProgressPos(int id, int position);

    // Moves and sizes the dialog to the window rectangle of its parent (its owner when modal).
    void MoveOverParent();
    // SHCreateMenuBar with this dialog as parent; nullptr when the resource is missing.
    SoftKeyBar* CreateMenuBar(unsigned resourceId);
    SoftKeyBar* MenuBar() const { return menuBar_; }

    QRect MapDialogRect(const QRect& units) const;

    // Window timers: OnTimer(id) every period until KillTimer.
    void SetTimer(UINT id, UINT milliseconds);
    void KillTimer(UINT id);
    [[nodiscard]] bool HasTimer(UINT id) const { return timers_.contains(id); }
    // Delivers a timer message at once, as the system does when a timer falls due.
    void SendTimerMessage(UINT id) { OnTimer(id); }

protected:
    // Called once the controls exist, before the dialog shows; the result is not looked at.
    virtual bool OnInitDialog() { return true; }
    // Controls, soft keys and Escape (IDCANCEL) arrive here; the default does nothing.
    void OnCommand(UINT /*id*/, UINT /*code*/) override {}
    virtual void OnSize(int /*width*/, int /*height*/) {}
    virtual void OnTimer(UINT /*id*/) {}

    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    [[nodiscard]] bool Build();
    QWidget* Owner() const;

    unsigned templateId_;
    const DialogTemplate* template_ = nullptr;
    QFont templateFont_;
    DialogBaseUnits baseUnits_{1, 1};
    std::map<int, QWidget*> controls_; // owned by the dialog as Qt children
    std::map<UINT, int> timers_;       // window timer id -> Qt timer id
    SoftKeyBar* menuBar_ = nullptr;
    bool ending_ = false;
};

} // namespace framework
