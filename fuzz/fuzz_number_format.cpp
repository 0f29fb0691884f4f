// The number-format engine: a format code (UTF-8 after the first nine bytes) applied to a value
// (the first eight bytes as a double), a text and General shortened to a column width.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Utf8.h"
#include "workbook/NumberFormat.h"

using namespace tabrova::workbook;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const std::uint8_t flags = data[8];
    const std::u16string code =
        tabrova::utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data + 9), size - 9));
    const bool date1904 = flags & 1;

    const std::u16string shown = formatNumber(value, code, date1904);
    if (shown.size() > 4096) std::abort();  // no format makes a text longer than this
    formatText(code, code);
    const int width = flags >> 1;
    const std::u16string general = formatGeneral(value, width);
    if (static_cast<int>(general.size()) > std::max(width, 0) && std::isfinite(value))
        std::abort();  // General shortened to a column never exceeds the column
    isGeneralFormat(code);
    if (code.size() < 8) {
        // Small integers keep builtin ids reachable.
        builtinNumberFormat(static_cast<int>(flags));
        formatNumber(value, builtinNumberFormat(static_cast<int>(flags)), date1904);
    }
    return 0;
}
