#include "app/windows/main_view.h"

#include "framework/bitmap_button.h"
#include "framework/fonts.h"
#include "framework/label.h"
#include "framework/screen.h"
#include "resources/resource_ids.h"

using namespace resources;

namespace {

constexpr std::u16string_view kFace = u"MS Sans Serif";
constexpr int kButtonSize = 72;

struct TextStyle {
    int id;
    int height;
    bool bold;
    bool italic;
};

constexpr TextStyle kTexts[] = {
    {kIdcMainTitle, 15, true, true},       {kIdcBackupCaption, 14, true, false},
    {kIdcBackupDetail, 13, false, false},  {kIdcRestoreCaption, 14, true, false},
    {kIdcRestoreDetail, 13, false, false}, {kIdcMainFooter, 12, false, false},
};

int Right(const QWidget* widget) {
    return widget->x() + widget->width();
}
int Bottom(const QWidget* widget) {
    return widget->y() + widget->height();
}

// Moves a caption and its detail line together so that the pair is centred on the button.
void CentrePairOn(QWidget* caption, QWidget* detail, const QWidget* button) {
    const int pairHeight = Bottom(detail) - caption->y();
    const int top = button->y() + (button->height() - pairHeight) / 2;
    const int shift = top - caption->y();
    caption->move(caption->x(), caption->y() + shift);
    detail->move(detail->x(), detail->y() + shift);
}

} // namespace

MainView::MainView(framework::CommandTarget& frame) : Dialog(kIddMainView), frame_(frame) {}

bool MainView::OnInitDialog() {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    DlgItem<framework::BitmapButton>(kIdcBackupButton)->LoadBitmaps(kIdbBackup);
    DlgItem<framework::BitmapButton>(kIdcRestoreButton)->LoadBitmaps(kIdbRestore);
    SetFonts();
    LayOut(width());
    return true;
}

void MainView::OnCommand(UINT id, UINT code) {
    if (code != framework::BN_CLICKED) {
        return;
    }
    if (id == kIdcBackupButton) {
        frame_.SendCommand(kCmdBackupUnicode, 0);
    } else if (id == kIdcRestoreButton) {
        frame_.SendCommand(kCmdRestoreUnicode, 0);
    }
}

void MainView::OnSize(int width, int /*height*/) {
    LayOut(width);
}

void MainView::SetFonts() {
    const int s = framework::DisplayScale();
    for (const TextStyle& text : kTexts) {
        GetDlgItem(text.id)->setFont(
            framework::MakeFont(kFace, text.height * s, text.bold, text.italic));
    }
}

void MainView::LayOut(int clientWidth) {
    const int s = framework::DisplayScale();
    auto* title = DlgItem<framework::Label>(kIdcMainTitle);
    QWidget* backup = GetDlgItem(kIdcBackupButton);
    auto* backupCaption = DlgItem<framework::Label>(kIdcBackupCaption);
    auto* backupDetail = DlgItem<framework::Label>(kIdcBackupDetail);
    QWidget* restore = GetDlgItem(kIdcRestoreButton);
    auto* restoreCaption = DlgItem<framework::Label>(kIdcRestoreCaption);
    auto* restoreDetail = DlgItem<framework::Label>(kIdcRestoreDetail);
    auto* footer = DlgItem<framework::Label>(kIdcMainFooter);

    // 1. Fonts are set; fit the texts and size the buttons.
    for (const TextStyle& text : kTexts) {
        DlgItem<framework::Label>(text.id)->FitToText();
    }
    backup->resize(kButtonSize * s, kButtonSize * s);
    restore->resize(kButtonSize * s, kButtonSize * s);

    // 2. The title, centred at the top.
    title->move((clientWidth - title->width()) / 2, 15 * s);

    // 3. to 4. The Backup button at the left with its captions to its right.
    backup->move(0, Bottom(title) + 20 * s);
    backupCaption->move(Right(backup) + 5 * s, backup->y());
    backupDetail->move(backupCaption->x(), Bottom(backupCaption) + 5 * s);
    CentrePairOn(backupCaption, backupDetail, backup);

    // 5. to 6. The Restore button lower right with its captions to its left.
    restore->move(Right(backup) + 70 * s, Bottom(backup) + 25 * s);
    restoreCaption->move(restore->x() - 5 * s - restoreCaption->width(), restore->y());
    restoreDetail->move(restore->x() - 5 * s - restoreDetail->width(),
                        Bottom(restoreCaption) + 5 * s);
    CentrePairOn(restoreCaption, restoreDetail, restore);

    // 7. The block of buttons and captions, centred as a whole.
    QWidget* const block[] = {backup,  backupCaption,  backupDetail,
                              restore, restoreCaption, restoreDetail};
    QRect bounds;
    for (const QWidget* widget : block) {
        bounds = bounds.united(widget->geometry());
    }
    const int shift = (clientWidth - bounds.width()) / 2 - bounds.x();
    for (QWidget* widget : block) {
        widget->move(widget->x() + shift, widget->y());
    }

    // 8. The footer, centred below the Restore button.
    footer->move((clientWidth - footer->width()) / 2, Bottom(restore) + 15 * s);
}
