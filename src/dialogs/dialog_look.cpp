#include "dialogs/dialog_look.h"

#include "framework/bitmaps.h"

#include <QPalette>

#include <algorithm>
#include <vector>

namespace file_dialogs {

void ShowTitle(framework::Dialog& dialog, int labelId, std::u16string_view title) {
    dialog.SetDlgItemText(labelId, title);
    if (QWidget* label = dialog.GetDlgItem(labelId)) {
        QFont italic = label->font();
        italic.setItalic(true);
        label->setFont(italic);
    }
}

void AlignLeftEdges(framework::Dialog& dialog, std::initializer_list<int> labelIds) {
    std::vector<QWidget*> labels;
    for (const int id : labelIds) {
        if (QWidget* label = dialog.GetDlgItem(id)) {
            labels.push_back(label);
        }
    }
    const auto leftmost = std::ranges::min_element(labels, {}, &QWidget::x);
    if (leftmost == labels.end()) {
        return;
    }
    const int left = (*leftmost)->x();
    for (QWidget* label : labels) {
        label->move(left, label->y());
    }
}

void StretchBackground(framework::Dialog& dialog, int bitmap, int width, int height) {
    if (bitmap == -1) {
        return;
    }
    QPalette colours = dialog.palette();
    colours.setBrush(QPalette::Window,
                     framework::LoadBitmap(static_cast<unsigned>(bitmap)).scaled(width, height));
    dialog.setPalette(colours);
    dialog.setAutoFillBackground(true);
}

} // namespace file_dialogs
