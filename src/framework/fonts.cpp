#include "framework/fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>

namespace framework {
namespace {

constexpr int kLogicalDpi = 96;
constexpr int kPointsPerInch = 72;

int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

} // namespace

// The handset's dialog faces have Arial's proportions; Liberation Sans shares its metrics, so
// the templates' dialog units give the widths they were drawn for. DejaVu Sans, much wider,
// stands in where Liberation Sans is not installed.
QString HostFace(std::u16string_view face) {
    const QString name = QString::fromUtf16(face.data(), static_cast<qsizetype>(face.size()));
    if (name.isEmpty() || name == u"MS Sans Serif" || name == u"Microsoft Sans Serif" ||
        name == u"MS Shell Dlg" || name == u"Tahoma") {
        static const QString host = QFontDatabase::hasFamily(QStringLiteral("Liberation Sans"))
                                        ? QStringLiteral("Liberation Sans")
                                        : QStringLiteral("DejaVu Sans");
        return host;
    }
    return name;
}

QFont MakeFont(std::u16string_view face, int pixelHeight, bool bold, bool italic) {
    QFont font(HostFace(face));
    font.setPixelSize(std::max(1, pixelHeight));
    font.setBold(bold);
    font.setItalic(italic);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int TemplateFontPixels(int points, int displayScale) {
    return MulDiv(points, kLogicalDpi * displayScale, kPointsPerInch);
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int average = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    return DialogBaseUnits{std::max(1, average), std::max(1, metrics.height())};
}

QRect MapDialogRect(const QRect& units, DialogBaseUnits base) {
    return QRect(MulDiv(units.x(), base.width, 4), MulDiv(units.y(), base.height, 8),
                 MulDiv(units.width(), base.width, 4), MulDiv(units.height(), base.height, 8));
}

QSize TextExtent(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

} // namespace framework
