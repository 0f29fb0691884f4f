// The DXF number formatter against a reference built on printf's %.15g: both round to 15
// significant digits, so they name the same number; the formatter's text reads back to the
// value rounded to 15 digits, has no trailing zeros and uses "." whatever the locale.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dxf/MakeR12Dxf_V.h"

namespace {

double reference(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return std::strtod(buf, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(double)) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const std::string text = tabrova::formatDxfReal(value);
    if (text.empty() || text.size() > 32) std::abort();
    if (!std::isfinite(value)) return 0;
    if (text.find(',') != std::string::npos) std::abort();
    char* end = nullptr;
    const double back = std::strtod(text.c_str(), &end);
    if (*end != '\0') std::abort();
    const double expected = reference(value) == 0 ? 0 : reference(value);
    if (back != expected) {
        std::fprintf(stderr, "value %.17g: formatted %s, reference %.15g\n", value, text.c_str(),
                     expected);
        std::abort();
    }
    if (text == "-0") std::abort();
    const auto dot = text.find('.');
    const auto exp = text.find('E');
    if (dot != std::string::npos) {
        const auto digitsEnd = exp == std::string::npos ? text.size() : exp;
        if (text[digitsEnd - 1] == '0' || text[digitsEnd - 1] == '.') std::abort();
    }
    return 0;
}
