// Text crossing the edge between the system's UTF-16 strings and Qt's.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace framework {

inline QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16(const QString& text) {
    return text.toStdU16String();
}

} // namespace framework
