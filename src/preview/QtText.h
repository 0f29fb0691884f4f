// The core's UTF-16 texts as Qt's strings and back, for the Qt layers (the preview painter and
// the desktop program).
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tabrova {

inline QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string u16(const QString& text) { return text.toStdU16String(); }

}  // namespace tabrova
