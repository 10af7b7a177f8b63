// Bitmap resources by number and the application's icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace framework {

// The bitmap of that resource number; a null pixmap when there is none.
QPixmap LoadBitmap(unsigned id);

QIcon ApplicationIcon();

} // namespace framework
