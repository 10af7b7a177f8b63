#include "framework/list_box.h"

#include <QStyledItemDelegate>

namespace framework {
namespace {

// Entries ask for no width of their own, so the list lays each one out at its own width.
class FittedEntries final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(0, QStyledItemDelegate::sizeHint(option, index).height());
    }
};

} // namespace

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new FittedEntries(this)); // owned by the list
    setTextElideMode(Qt::ElideMiddle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

} // namespace framework
