// The target CAD list parser: a file's bytes split into lines, sorted as the dialog sorts them
// (the order must be consistent), looked up, and written back (reading what was written gives
// the same lines).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "settings/TargetCadList.h"
#include "settings/TextFile.h"

using namespace tabrova;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TextLines file = decodeTextLines(bytes, 932);
    std::vector<std::u16string> lines;
    for (const TextLine& line : file.lines) lines.push_back(line.text);

    for (std::size_t i = 0; i < lines.size() && i < 16; ++i) {
        const TargetCadEntry entry = splitTargetCadLine(lines[i]);
        if (joinTargetCadLine(entry.name, entry.progId) != lines[i] &&
            lines[i].find(u'\t') != std::u16string::npos) {
            std::abort();
        }
        if (compareTargetCadLines(lines[i], lines[i]) != 0) std::abort();
        for (std::size_t j = 0; j < lines.size() && j < 16; ++j) {
            const int ab = compareTargetCadLines(lines[i], lines[j]);
            const int ba = compareTargetCadLines(lines[j], lines[i]);
            if ((ab < 0) != (ba > 0) || (ab == 0) != (ba == 0)) std::abort();
        }
    }
    std::vector<std::u16string> sorted = lines;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return compareTargetCadLines(a, b) < 0; });
    if (!lines.empty()) {
        const TargetCadEntry first = splitTargetCadLine(lines.front());
        findTargetCadName(lines, first.progId);
    }

    TextEncoding encoding = file.encoding;
    const std::string out = encodeTextLines(file.lines, encoding, 932);
    const TextLines back = decodeTextLines(out, 932);
    if (back.lines.size() != file.lines.size()) std::abort();
    for (std::size_t i = 0; i < back.lines.size(); ++i) {
        // Lines holding a line break character cannot come from a file; the rest read back.
        if (back.lines[i].text != file.lines[i].text) std::abort();
    }
    return 0;
}
