// tabrova-dxf.exe --clipboard on the Windows clipboard: both of Excel's forms of a copied range
// ("XML Spreadsheet" and the Unicode text) put there as Excel puts them, read by the tool in a
// process of its own; and a clipboard of text alone refused in one line.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "workbook/TestWorkbooks.h"

namespace tabrova {
namespace {

using workbook::testing::TempDir;

// Replaces the clipboard's contents: each entry a format and its bytes (given to the system).
bool putOnClipboard(const std::vector<std::pair<UINT, std::string>>& entries) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    bool ok = true;
    for (const auto& [format, bytes] : entries) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        if (!memory) {
            ok = false;
            continue;
        }
        std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
        GlobalUnlock(memory);
        if (!SetClipboardData(format, memory)) {
            GlobalFree(memory);
            ok = false;
        }
    }
    CloseClipboard();
    return ok;
}

std::string unicodeText(const std::wstring& text) {
    std::string bytes(reinterpret_cast<const char*>(text.c_str()),
                      (text.size() + 1) * sizeof(wchar_t));
    return bytes;
}

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the tool; its exit status, standard error in err.
int runTool(const TempDir& dir, const std::string& args, std::string& err) {
    const std::filesystem::path errFile = dir / "err.txt";
    const std::string command =
        "\"\"" TABROVA_DXF_EXE "\" " + args + " 2>\"" + errFile.string() + "\"\"";
    const int status = std::system(command.c_str());
    err = readAll(errFile);
    return status;
}

const char* const kExcelXml = R"(<?xml version="1.0"?>
<?mso-application progid="Excel.Sheet"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:o="urn:schemas-microsoft-com:office:office" xmlns:x="urn:schemas-microsoft-com:office:excel"
 xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet" xmlns:html="http://www.w3.org/TR/REC-html40">
 <Styles>
  <Style ss:ID="Default" ss:Name="Normal"><Font ss:FontName="Calibri" ss:Size="11"/></Style>
  <Style ss:ID="s63"><Alignment ss:Horizontal="Right"/><Borders><Border ss:Position="Bottom" ss:LineStyle="Continuous" ss:Weight="2"/></Borders><NumberFormat ss:Format="#,##0"/></Style>
 </Styles>
 <Worksheet ss:Name="Estimate">
  <Table ss:ExpandedColumnCount="3" ss:ExpandedRowCount="2" x:FullColumns="1" x:FullRows="1">
   <Column ss:Width="120"/>
   <Row ss:Height="30"><Cell ss:MergeAcross="1"><Data ss:Type="String">Parts</Data></Cell></Row>
   <Row><Cell><Data ss:Type="String">Bolt</Data></Cell><Cell ss:StyleID="s63"><Data ss:Type="Number">86500</Data></Cell><Cell><Data ss:Type="String">M8</Data></Cell></Row>
  </Table>
 </Worksheet>
</Workbook>)";

TEST(ClipboardWine, ExcelsTwoFormsAreReadByTheTool) {
    TempDir dir;
    const UINT xmlFormat = RegisterClipboardFormatW(L"XML Spreadsheet");
    ASSERT_NE(xmlFormat, 0u);
    // The text as Excel shows it: the number with its thousands separator and a yen sign.
    ASSERT_TRUE(putOnClipboard(
        {{xmlFormat, std::string(kExcelXml) + '\0'},
         {CF_UNICODETEXT, unicodeText(L"Parts\t\t\r\nBolt\t\u00a586,500\tM8\r\n")}}));
    std::string err;
    const int status = runTool(dir,
                               "--clipboard -q -o \"" + (dir / "c.dxf").string() +
                                   "\" --dump-table \"" + (dir / "c.json").string() + "\"",
                               err);
    EXPECT_EQ(status, 0) << err;
    const std::string json = readAll(dir / "c.json");
    EXPECT_NE(json.find("\"workbook\": \"clipboard\", \"sheet\": \"Estimate\", \"first\": "
                        "\"A1\", \"last\": \"C2\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"str\": \"\xC2\xA5"
                        "86,500\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"cellMerge\": true"), std::string::npos) << json;
    EXPECT_NE(json.find("\"rowH\": 30"), std::string::npos) << json;
    EXPECT_TRUE(std::filesystem::exists(dir / "c.dxf"));
}

TEST(ClipboardWine, TextAloneIsRefusedInOneLine) {
    TempDir dir;
    ASSERT_TRUE(putOnClipboard({{CF_UNICODETEXT, unicodeText(L"just words")}}));
    std::string err;
    const int status = runTool(dir, "--clipboard -o \"" + (dir / "c.dxf").string() + "\"", err);
    EXPECT_EQ(status, 1) << err;
    EXPECT_NE(err.find("tabrova-dxf: clipboard: the clipboard holds plain text only"),
              std::string::npos)
        << err;
    EXPECT_FALSE(std::filesystem::exists(dir / "c.dxf"));
}

}  // namespace
}  // namespace tabrova
