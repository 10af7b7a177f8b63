// A drop-down list whose shut face shows the chosen entry whole, or elided in the middle when
// it is wider than the box, so that an entry's end (a file type's pattern) stays visible.
#pragma once

#include <QComboBox>

namespace framework {

class DropDownList final : public QComboBox {
public:
    explicit DropDownList(QWidget* parent);

    // The text that the shut face shows for the chosen entry.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int TextWidth() const;
};

} // namespace framework
