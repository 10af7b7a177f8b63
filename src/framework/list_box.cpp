#include "framework/list_box.h"

#include "framework/elided_text.h"

#include <QApplication>
#include <QStyledItemDelegate>

namespace framework {
namespace {

// Entries ask for no width of their own, so the list lays each one out at its own width, and
// each is shortened to that width keeping its end.
class FittedEntries final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(0, QStyledItemDelegate::sizeHint(option, index).height());
    }

    QString Shown(QStyleOptionViewItem option, const QModelIndex& index) const {
        initStyleOption(&option, index);
        return option.text;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->rect.isEmpty()) {
            return; // asked for a size, not drawn
        }
        const QWidget* list = option->widget;
        const QStyle* style = list != nullptr ? list->style() : QApplication::style();
        // The style draws the text inside its text rectangle less a focus margin on each side.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
        const int width =
            style->subElementRect(QStyle::SE_ItemViewItemText, option, list).width() - 2 * margin;
        option->text = ElideKeepingEnd(option->fontMetrics, option->text, width);
    }
};

} // namespace

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new FittedEntries(this)); // owned by the list
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QString ListBox::ShownText(int row) const {
    const QListWidgetItem* entry = item(row);
    if (entry == nullptr) {
        return {};
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualItemRect(entry);
    const QModelIndex index = indexFromItem(entry);
    const auto* entries = dynamic_cast<const FittedEntries*>(itemDelegate());
    return entries != nullptr ? entries->Shown(option, index) : entry->text();
}

} // namespace framework
