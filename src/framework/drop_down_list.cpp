#include "framework/drop_down_list.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <algorithm>

namespace framework {

DropDownList::DropDownList(QWidget* parent) : QComboBox(parent) {
    view()->setTextElideMode(Qt::ElideMiddle);
}

// The style draws the chosen entry one pixel inside each side of the edit field.
int DropDownList::TextWidth() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()
               ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
               .width() -
           2;
}

void DropDownList::FitFontToEntries() {
    const int width = TextWidth();
    QFont font = this->font();
    for (int pixels = font.pixelSize(); pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        int widest = 0;
        for (int entry = 0; entry < count(); ++entry) {
            widest = std::max(widest, metrics.horizontalAdvance(itemText(entry)));
        }
        if (widest <= width) {
            break;
        }
    }
    setFont(font);
}

QString DropDownList::ShownText() const {
    return fontMetrics().elidedText(currentText(), Qt::ElideMiddle, TextWidth());
}

void DropDownList::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = ShownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace framework
