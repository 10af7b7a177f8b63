// A list box without a horizontal scroll bar: every entry takes the width of the list, and a
// text wider than that keeps its end whole (a file name's date and extension) and as much of
// its start as fits.
#pragma once

#include <QListWidget>

namespace framework {

class ListBox final : public QListWidget {
public:
    explicit ListBox(QWidget* parent);

    // The text that the row shows where it stands now.
    QString ShownText(int row) const;
};

} // namespace framework
