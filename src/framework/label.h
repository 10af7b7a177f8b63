// A static text control: single line, left or centred, in its own text colour on a
// transparent background.
#pragma once

#include <QLabel>

namespace framework {

class Label final : public QLabel {
public:
    Label(const QString& text, bool centred, QWidget* parent);

    void SetTextColour(const QColor& colour);
    // Sizes the control to its text in its current font.
    void FitToText();
};

} // namespace framework
