#include "framework/elided_text.h"

namespace framework {

QString NameEnd(const QString& name) {
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) {
        dot = name.size();
    }
    for (qsizetype i = dot - 1; i >= 0; --i) {
        const QChar c = name[i];
        if (c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char(' ')) {
            return name.mid(i + 1);
        }
    }
    return name.mid(dot);
}

QString ElideKeepingEnd(const QFontMetrics& metrics, const QString& name, int width) {
    if (metrics.horizontalAdvance(name) <= width) {
        return name;
    }
    const QString end = NameEnd(name);
    const QString ellipsis(QChar(0x2026));
    const QString first = name.left(1) + ellipsis;
    const int startWidth = width - metrics.horizontalAdvance(end);
    if (!end.isEmpty() && end.size() < name.size() &&
        startWidth >= metrics.horizontalAdvance(first)) {
        return metrics.elidedText(name.chopped(end.size()), Qt::ElideRight, startWidth) + end;
    }
    // The end alone is too wide: the first character, and as much of the end as fits.
    const QString tail =
        metrics.elidedText(name.mid(1), Qt::ElideLeft, width - metrics.horizontalAdvance(first));
    return first + (tail.startsWith(ellipsis) ? tail.mid(1) : tail);
}

} // namespace framework
