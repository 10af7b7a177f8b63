// Shortening a name to a width so that what tells it apart stays: its end (a file name's date
// and extension) is kept whole, and as much of its start as fits before the ellipsis.
#pragma once

#include <QFontMetrics>
#include <QString>

namespace framework {

// The name's end: its last word (after the last '_', '-' or blank) with the extension, or the
// extension alone when the name has no such break.
QString NameEnd(const QString& name);
// The name whole when it fits; else as much of its start as fits, an ellipsis and its end;
// when even the end does not fit, the first character, an ellipsis and as much of the end as
// fits.
QString ElideKeepingEnd(const QFontMetrics& metrics, const QString& name, int width);

} // namespace framework
