// A list box without a horizontal scroll bar: every entry takes the width of the list and a
// text wider than that is elided in the middle, so that a file name keeps its extension.
#pragma once

#include <QListWidget>

namespace framework {

class ListBox final : public QListWidget {
public:
    explicit ListBox(QWidget* parent);
};

} // namespace framework
