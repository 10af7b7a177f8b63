// An owner-drawn button that shows one bitmap, scaled to the button, for every state.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace framework {

class BitmapButton final : public QAbstractButton {
public:
    explicit BitmapButton(QWidget* parent);

    // The normal image; the pressed and disabled looks are drawn from it.
    void LoadBitmaps(unsigned normalId);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap bitmap_;
};

} // namespace framework
