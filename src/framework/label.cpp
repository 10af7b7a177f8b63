#include "framework/label.h"

#include "framework/fonts.h"

namespace framework {

Label::Label(const QString& text, bool centred, QWidget* parent) : QLabel(text, parent) {
    setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    setContentsMargins(0, 0, 0, 0);
    setMargin(0);
    setIndent(0);
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_TranslucentBackground);
    SetTextColour(Qt::black);
}

void Label::SetTextColour(const QColor& colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colour);
    setPalette(colours);
}

void Label::FitToText() {
    resize(TextExtent(font(), text()));
}

} // namespace framework
