// The selection reader and the CAD link attached through real COM to test servers in this
// process: ProgID -> CLSID from the registry, the instance from the running object table, every
// call through IDispatch.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cad/BlockInsertion.h"
#include "cad/FakeCad.h"
#include "cad/win/ComServer.h"
#include "table/FakeSpreadsheet.h"
#include "table/SelectionReader.h"

namespace tabrova {
namespace {

using automation::ErrorValue;
using automation::Null;
using testing::DispatchServer;
using testing::RunningServer;
using testing::ServerCounts;

std::string utf8(const std::u16string& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(text.data()),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(text.data()),
                        static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

constexpr wchar_t kSheetProgId[] = L"Tabrova.TestSheet";
constexpr wchar_t kSheetClsid[] = L"{5E0B7C3A-2F41-4D8E-9A61-3C7D2B8E4F10}";
constexpr wchar_t kCadProgId[] = L"Tabrova.TestAutoCAD";
constexpr wchar_t kCadClsid[] = L"{5E0B7C3A-2F41-4D8E-9A61-3C7D2B8E4F11}";

class ComRoundTrip : public ::testing::Test {
protected:
    void SetUp() override { automation::initializeAutomation(); }

    // Serves the object as the running instance of the class until the returned registration
    // ends.
    std::unique_ptr<RunningServer> serve(const wchar_t* progId, const wchar_t* clsid,
                                         automation::ObjectPtr object,
                                         std::set<std::u16string> methods = {}) {
        auto* server = new DispatchServer(
            std::move(object), counts,
            std::make_shared<const std::set<std::u16string>>(std::move(methods)));
        server->AddRef();
        auto running = std::make_unique<RunningServer>(progId, clsid, server);
        server->Release();
        return running;
    }

    std::shared_ptr<ServerCounts> counts = std::make_shared<ServerCounts>();
};

TEST_F(ComRoundTrip, ProgIdLeadsToTheRunningInstance) {
    auto sheet = std::make_shared<fake::Sheet>();
    const auto running =
        serve(kSheetProgId, kSheetClsid, std::make_shared<fake::Application>(sheet));
    ASSERT_TRUE(running->registered())
        << "RegisterActiveObject: 0x" << std::hex << running->result();
    const automation::ClassId id = automation::classIdFromProgId(u"Tabrova.TestSheet");
    EXPECT_EQ(id.text, u"{5E0B7C3A-2F41-4D8E-9A61-3C7D2B8E4F10}");
    const automation::ObjectPtr app = automation::activeObject(id);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->get(u"StandardFontSize").toDouble(), 11.0);
    try {
        automation::classIdFromProgId(u"Tabrova.NotRegistered");
        ADD_FAILURE() << "no error";
    } catch (const automation::AutomationError& e) {
        EXPECT_EQ(e.message(), u"クラス文字列が無効です.");
    }
}

TEST_F(ComRoundTrip, ReaderReadsTextsNullsAndErrorsThroughIDispatch) {
    auto sheet = std::make_shared<fake::Sheet>();
    sheet->bookName = u"見積書.xlsx";
    sheet->sheetName = u"集計";
    sheet->selection = fake::Rect{2, 2, 3, 3};
    sheet->cell(2, 2).text = u"日本語のテキスト ｶﾞ";
    sheet->cell(2, 2).value2 = u"日本語のテキスト ｶﾞ";
    sheet->cell(3, 2).text = u"#N/A";
    sheet->cell(3, 2).value2 = ErrorValue{static_cast<std::int32_t>(0x800A07FA)};
    sheet->cell(2, 3).text = u"12.5";
    sheet->cell(2, 3).value2 = 12.5;
    sheet->cell(2, 3).fontSize = Null{};  // mixed sizes: the first character's size counts
    sheet->cell(2, 3).firstCharSize = 9.0;
    const auto running =
        serve(kSheetProgId, kSheetClsid, std::make_shared<fake::Application>(sheet));
    ASSERT_TRUE(running->registered())
        << "RegisterActiveObject: 0x" << std::hex << running->result();

    // The scales do not matter here: the texts and font sizes are checked.
    const SelectionReadSettings settings =
        selectionReadSettings(WorkingSettings{}, u"Tabrova.TestSheet", u'.');
    CellTable table;
    GridContents grid;
    const SelectionReadResult result = readSelection(settings, table, grid);
    ASSERT_EQ(result.status, SelectionReadStatus::complete) << utf8(result.message);
    EXPECT_EQ(grid.caption, u"見積書.xlsx [集計]");
    EXPECT_EQ(grid.firstAddress, u"B2");
    EXPECT_EQ(grid.lastAddress, u"C3");
    ASSERT_EQ(table.cells.size(), 4u);
    EXPECT_EQ(table.cells[0].str, u"日本語のテキスト ｶﾞ");
    EXPECT_EQ(table.cells[1].str, u"#N/A");
    EXPECT_EQ(table.cells[2].str, u"12.5");
    EXPECT_EQ(table.cells[2].txtSize, 9);
    EXPECT_EQ(grid.text(1, 1), u"日本語のテキスト ｶﾞ");

    // Range is asked with its optional second argument omitted.
    bool sawRangeWithMissing = false;
    for (const std::wstring& call : counts->calls) {
        if (call == L"Range(BSTR,missing)") sawRangeWithMissing = true;
    }
    EXPECT_TRUE(sawRangeWithMissing);

    // A Null arrives as Null: where a text is needed, the read stops at that cell.
    sheet->cell(3, 3).value2 = Null{};
    const SelectionReadResult stopped = readSelection(settings, table, grid);
    EXPECT_EQ(stopped.status, SelectionReadStatus::stopped);
    EXPECT_EQ(stopped.stopCell, u"C3");
    EXPECT_EQ(stopped.stopMember, u"Value2");
}

TEST_F(ComRoundTrip, ServerExceptionTextReachesTheMessage) {
    auto sheet = std::make_shared<fake::Sheet>();
    sheet->selection = fake::Rect{2, 2, 2, 3};
    sheet->faults.push_back({u"HorizontalAlignment", u"B3", u"セルの書式を取得できません."});
    const auto running =
        serve(kSheetProgId, kSheetClsid, std::make_shared<fake::Application>(sheet));
    ASSERT_TRUE(running->registered())
        << "RegisterActiveObject: 0x" << std::hex << running->result();

    SelectionReadSettings settings;
    settings.progId = u"Tabrova.TestSheet";
    CellTable table;
    GridContents grid;
    const SelectionReadResult result = readSelection(settings, table, grid);
    EXPECT_EQ(result.status, SelectionReadStatus::stopped);
    EXPECT_EQ(result.errorText, u"セルの書式を取得できません.");
    EXPECT_EQ(result.stopCell, u"B3");
    EXPECT_NE(result.message.find(u"セルの書式を取得できません."), std::u16string::npos);
}

// Answers Values with a range's values, rows by columns, and Echo with its argument.
struct ArrayServer : automation::Object {
    automation::Variant get(std::u16string_view member,
                            std::span<const automation::Variant> args) override {
        if (member == u"Echo") return args.empty() ? automation::Variant() : args[0];
        automation::VariantArray values(2, 3);
        values.at(1, 1) = u"品名";
        values.at(1, 2) = 12.5;
        values.at(1, 3) = true;
        values.at(2, 1) = ErrorValue{static_cast<std::int32_t>(0x800A07D7)};
        values.at(2, 3) = Null{};
        return values;  // (2, 2) stays Empty
    }
    automation::Variant call(std::u16string_view member,
                             std::span<const automation::Variant> args) override {
        return get(member, args);
    }
};

TEST_F(ComRoundTrip, TwoDimensionalArraysCrossBothWays) {
    const auto running = serve(kSheetProgId, kSheetClsid, std::make_shared<ArrayServer>());
    ASSERT_TRUE(running->registered())
        << "RegisterActiveObject: 0x" << std::hex << running->result();
    const automation::ObjectPtr app =
        automation::activeObject(automation::classIdFromProgId(u"Tabrova.TestSheet"));
    ASSERT_TRUE(app);
    const automation::Variant values = app->get(u"Values");
    // Back to the server as an argument and returned again: the client's conversion both ways.
    const automation::Variant echoed = app->get(u"Echo", {values});
    for (const automation::Variant* v : {&values, &echoed}) {
        const automation::VariantArray* a = v->array();
        ASSERT_NE(a, nullptr);
        ASSERT_EQ(a->rows(), 2u);
        ASSERT_EQ(a->columns(), 3u);
        EXPECT_EQ(a->at(1, 1).toText(), u"品名");
        EXPECT_EQ(a->at(1, 2).toDouble(), 12.5);
        EXPECT_TRUE(a->at(1, 3).toBool());
        ASSERT_TRUE(a->at(2, 1).is<ErrorValue>());
        EXPECT_EQ(a->at(2, 1).get_if<ErrorValue>()->code, static_cast<std::int32_t>(0x800A07D7));
        EXPECT_TRUE(a->at(2, 2).isEmpty());
        EXPECT_TRUE(a->at(2, 3).isNull());
    }
    EXPECT_EQ(counts->calls.back(), L"Echo(VARIANT[,])");
}

TEST_F(ComRoundTrip, CadLinkInsertsThroughIDispatch) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / u"tabrova-com-図面";
    std::filesystem::create_directories(dir);
    const std::filesystem::path dxf = dir / u"表.dxf";
    std::ofstream(dxf) << "0\nEOF\n";

    cad::fake::Trace trace;
    cad::fake::FakeCad cad(trace);
    cad.lastEntity = cad::fake::Entity{u"AcDbBlockReference", u"表"};
    cad.blocks = {{u"*Model_Space"}, {u"表"}};
    cad::fake::FakeWindow window(trace);
    const auto running = serve(kCadProgId, kCadClsid, cad.application(),
                               {u"GetAcadState", u"SendCommand", u"Item", u"Add", u"Clear",
                                u"Select", u"Explode", u"Delete"});
    ASSERT_TRUE(running->registered())
        << "RegisterActiveObject: 0x" << std::hex << running->result();

    EXPECT_TRUE(cad::handOffToCad(dxf, u"Tabrova.TestAutoCAD", window));
    ASSERT_EQ(cad.commands.size(), 1u);
    EXPECT_EQ(cad.commands[0], cad::insertCommandLine(u"Tabrova.TestAutoCAD", dxf));
    EXPECT_NE(cad.commands[0].find(u"表"), std::u16string::npos);
    EXPECT_TRUE(cad.lastEntity->exploded);
    EXPECT_TRUE(cad.lastEntity->deleted);
    ASSERT_EQ(cad.blocks.size(), 1u);  // the block definition purged
    bool sawSelectWithMissing = false;
    for (const std::wstring& call : counts->calls) {
        if (call == L"Select(I4,R8[],R8[],missing,missing)") sawSelectWithMissing = true;
    }
    EXPECT_TRUE(sawSelectWithMissing);

    // A server exception's text is what the caller gets.
    cad.sendCommandFails = true;
    try {
        cad::handOffToCad(dxf, u"Tabrova.TestAutoCAD", window);
        ADD_FAILURE() << "no error";
    } catch (const automation::AutomationError& e) {
        EXPECT_EQ(e.message(), u"コマンドを受け付けません.");
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tabrova
