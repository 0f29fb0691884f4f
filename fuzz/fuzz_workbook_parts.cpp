// The workbook-file reader behind the package: the input holds the XML of a sheet, the styles,
// the shared strings and the workbook part, split by kSeparator; they are zipped into a workbook
// (so that mutations reach the XML instead of failing the archive's checksums) and read as
// fuzz_workbook reads a file, through the stand-in and the selection reader to a cell table.
#include <unistd.h>
#include <zip.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ReadSheet.h"
#include "workbook/WorkbookFile.h"

namespace {

using namespace tabrova;

constexpr std::string_view kSeparator = "\n=====\n";

const std::filesystem::path& inputFile() {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("tabrova-fuzz-parts-" + std::to_string(getpid()) + ".xlsx");
    return path;
}

constexpr const char* kContentTypes =
    R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)";
constexpr const char* kRootRels =
    R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
constexpr const char* kWorkbookRels =
    R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/><Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)";
constexpr const char* kWorkbook =
    R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)";

bool writeWorkbook(const std::array<std::string_view, 4>& xml) {
    int err = 0;
    zip_t* z = zip_open(inputFile().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) return false;
    const std::vector<std::pair<const char*, std::string_view>> parts = {
        {"[Content_Types].xml", kContentTypes},
        {"_rels/.rels", kRootRels},
        {"xl/_rels/workbook.xml.rels", kWorkbookRels},
        {"xl/worksheets/sheet1.xml", xml[0]},
        {"xl/styles.xml", xml[1]},
        {"xl/sharedStrings.xml", xml[2]},
        {"xl/workbook.xml", xml[3].empty() ? std::string_view(kWorkbook) : xml[3]},
    };
    for (const auto& [name, content] : parts) {
        zip_source_t* src = zip_source_buffer(z, content.data(), content.size(), 0);
        if (!src || zip_file_add(z, name, src, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::array<std::string_view, 4> xml;
    for (std::size_t i = 0; i < xml.size(); ++i) {
        const auto cut = i + 1 < xml.size() ? rest.find(kSeparator) : std::string_view::npos;
        xml[i] = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view()
                                             : rest.substr(cut + kSeparator.size());
    }
    if (!writeWorkbook(xml)) return 0;
    try {
        const auto book = workbook::WorkbookFile::open(inputFile());
        for (std::size_t i = 0; i < book->sheets().size() && i < 4; ++i) fuzz::readSheet(*book, i);
    } catch (const workbook::WorkbookError&) {
    }
    return 0;
}
