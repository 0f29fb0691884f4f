// The OpenDocument reader's XML: the input holds styles.xml, settings.xml and content.xml split
// by kSeparator (one piece alone is read as a flat document). The parts are read once for the
// sheets and cursors, then for a small range of the first sheet (at the origin or at the
// sheet's far corner, as the first byte chooses), and every cell of that range asked for its
// facts. Refusals are WorkbookErrors; anything else is a fault.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "workbook/OdsContent.h"
#include "workbook/SpreadsheetMlFacts.h"

using namespace tabrova::workbook;

namespace {

constexpr std::string_view kSeparator = "\n=====\n";

spreadsheetml::Document readParts(const std::vector<std::string_view>& pieces,
                                  const spreadsheetml::Reading& reading) {
    static constexpr std::array<const char*, 3> kParts = {"styles.xml", "settings.xml",
                                                          "content.xml"};
    ods::ContentReader reader(reading, "fuzz");
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        reader.begin(pieces.size() == 1 ? std::string() : kParts[i]);
        // Fed in two pieces, as a stream would be.
        const std::string_view bytes = pieces[i];
        const std::size_t half = bytes.size() / 2;
        if (reader.feed(bytes.substr(0, half))) reader.feed(bytes.substr(half));
        reader.end();
    }
    return reader.finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> pieces;
    for (std::size_t from = 0; pieces.size() < 3;) {
        const std::size_t at = bytes.find(kSeparator, from);
        pieces.push_back(bytes.substr(from, at == std::string_view::npos ? at : at - from));
        if (at == std::string_view::npos) break;
        from = at + kSeparator.size();
    }
    try {
        spreadsheetml::Reading reading;
        reading.keepCells = false;
        readParts(pieces, reading);
        reading = spreadsheetml::Reading{};
        reading.sheet = 0;
        reading.range = CellRange{1, 1, 6, 6};
        if (size > 0 && (data[0] & 1))
            reading.range = CellRange{kMaxRows - 3, kMaxCols - 3, kMaxRows, kMaxCols};
        const spreadsheetml::Document doc = readParts(pieces, reading);
        if (doc.sheets.empty()) return 0;
        const spreadsheetml::SheetFacts facts(doc, doc.sheets.front());
        const CellRange& r = *reading.range;
        for (std::uint32_t row = r.firstRow; row <= r.lastRow; ++row)
            for (std::uint32_t col = r.firstCol; col <= r.lastCol; ++col) facts.cell(row, col);
    } catch (const WorkbookError&) {
    }
    return 0;
}
