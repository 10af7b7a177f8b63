#include "framework/bitmaps.h"

#include <QString>

namespace framework {

QPixmap LoadBitmap(unsigned id) {
    return QPixmap(QStringLiteral(":/msgkeeper/bitmap_%1.png").arg(id));
}

QIcon ApplicationIcon() {
    return QIcon(QStringLiteral(":/msgkeeper/icon.png"));
}

} // namespace framework
