// The clipboard as a source: the input is a clipboard's contents. Its first byte chooses the
// formats it offers (LibreOffice's copy, Excel's XML with or without its text, or only other
// formats); the rest holds their bytes split by kSeparator. The copy is read through the
// selection reader into a cell table and drawn in memory. Refusals are WorkbookErrors; anything
// else is a fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ReadSheet.h"
#include "workbook/ClipboardSource.h"

using namespace tabrova;

namespace {

constexpr std::string_view kSeparator = "\n=====\n";

class FuzzClipboard final : public workbook::ClipboardFormats {
public:
    std::vector<std::pair<std::string, std::string>> contents;
    std::vector<std::string> formats() const override {
        std::vector<std::string> names;
        for (const auto& entry : contents) names.push_back(entry.first);
        return names;
    }
    std::optional<std::string> bytes(const std::string& format) const override {
        for (const auto& entry : contents)
            if (entry.first == format) return entry.second;
        return std::nullopt;
    }
};

std::vector<std::string> pieces(std::string_view bytes) {
    std::vector<std::string> out;
    for (std::size_t from = 0; out.size() < 2;) {
        const std::size_t at = bytes.find(kSeparator, from);
        out.emplace_back(bytes.substr(from, at == std::string_view::npos ? at : at - from));
        if (at == std::string_view::npos) break;
        from = at + kSeparator.size();
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::vector<std::string> parts =
        pieces(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    const std::string& first = parts[0];
    const std::string second = parts.size() > 1 ? parts[1] : std::string();
    FuzzClipboard clipboard;
    switch (data[0] % 4) {
        case 0:
            clipboard.contents = {{"application/x-openoffice-embed-source-xml;windows_formatname="
                                   "\"Star Embed Source (XML)\"",
                                   first},
                                  {"text/plain", second}};
            break;
        case 1:
            clipboard.contents = {
                {"application/x-qt-windows-mime;value=\"XML Spreadsheet\"", first},
                {"text/plain;charset=utf-8", second}};
            break;
        case 2:
            clipboard.contents = {{"XML Spreadsheet", first}};
            break;
        default:
            clipboard.contents = {{first, second}, {"text/html", first}};
            break;
    }
    try {
        fuzz::readAndDraw(*workbook::ownedSource(workbook::readClipboard(clipboard, "clipboard")));
    } catch (const workbook::WorkbookError&) {
    } catch (const SourceError&) {
    }
    return 0;
}
