// Workbooks for the tests: built with libxlsxwriter, or assembled part by part for damaged input.
#pragma once

#include <gtest/gtest.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace tabrova::workbook::testing {

// A folder that lives as long as the test.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("tabrova-wb-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// When TABROVA_TEST_WORKBOOK_COPIES names a folder, every workbook a test writes is also copied
// there (numbered in the order written), so that other builds of the tool can be run on the same
// files and their drawings compared.
inline void keepCopy(const std::filesystem::path& workbook) {
    const char* folder = std::getenv("TABROVA_TEST_WORKBOOK_COPIES");
    if (folder == nullptr || *folder == '\0') return;
    static const unsigned run = std::random_device{}();  // test programs share the folder
    static int serial = 0;
    const std::string name =
        std::to_string(run) + "-" + std::to_string(++serial) + workbook.extension().string();
    std::error_code ignored;
    std::filesystem::copy_file(workbook, std::filesystem::path(folder) / name,
                               std::filesystem::copy_options::overwrite_existing, ignored);
}

// Builds a workbook with libxlsxwriter: build(workbook) adds sheets and cells.
inline std::filesystem::path buildXlsx(const std::filesystem::path& path,
                                       const std::function<void(lxw_workbook*)>& build) {
    lxw_workbook* wb = workbook_new(path.string().c_str());
    if (!wb) throw std::runtime_error("workbook_new failed");
    build(wb);
    if (workbook_close(wb) != LXW_NO_ERROR) throw std::runtime_error("workbook_close failed");
    keepCopy(path);
    return path;
}

// Writes a zip archive of the given parts (name, content), compressed.
inline std::filesystem::path writeZip(
    const std::filesystem::path& path,
    const std::vector<std::pair<std::string, std::string>>& parts) {
    int err = 0;
    zip_t* z = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) throw std::runtime_error("zip_open failed");
    for (const auto& [name, content] : parts) {
        zip_source_t* src = zip_source_buffer(z, content.data(), content.size(), 0);
        if (!src || zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE) < 0) {
            throw std::runtime_error("zip_file_add failed");
        }
    }
    if (zip_close(z) != 0) throw std::runtime_error("zip_close failed");
    keepCopy(path);
    return path;
}

// The parts of a minimal workbook with one sheet whose XML is given, plus parts that the
// workbook refers to: (relationship type, part name under xl/, content).
struct ExtraPart {
    std::string type;
    std::string name;
    std::string content;
};
inline std::vector<std::pair<std::string, std::string>> minimalParts(
    const std::string& sheetXml, const std::vector<ExtraPart>& extra = {}) {
    std::string rels;
    int id = 2;
    for (const auto& e : extra) {
        rels += "<Relationship Id=\"rId" + std::to_string(id++) +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
                e.type + "\" Target=\"" + e.name + "\"/>";
    }
    std::vector<std::pair<std::string, std::string>> parts = {
        {"[Content_Types].xml",
         R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>)"},
        {"_rels/.rels",
         R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {"xl/workbook.xml",
         R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)" +
             rels + "</Relationships>"},
        {"xl/worksheets/sheet1.xml", sheetXml},
    };
    for (const auto& e : extra) parts.emplace_back("xl/" + e.name, e.content);
    return parts;
}

inline std::string sheetXml(const std::string& body) {
    return R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" +
           body + "</worksheet>";
}

}  // namespace tabrova::workbook::testing
