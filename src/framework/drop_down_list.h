// A drop-down list whose shut face shows the chosen entry whole, or elided in the middle when
// it is wider than the box, so that an entry's end (a file type's pattern) stays visible. A list
// of fixed entries may instead take the font size at which every entry shows whole.
#pragma once

#include <QComboBox>

namespace framework {

class DropDownList final : public QComboBox {
public:
    explicit DropDownList(QWidget* parent);

    // The text that the shut face shows for the chosen entry.
    QString ShownText() const;
    // The width that the shut face has for the chosen entry's text.
    int TextWidth() const;
    // Draws the list, shut and open, in the largest font size up to its own at which its
    // longest entry fits the shut face.
    void FitFontToEntries();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace framework
