// The desktop program against a spreadsheet and a CAD served by other processes, through real COM:
// "Excel から取得" reads the served selection, "CAD へ挿入" writes the drawing and hands it to the
// CAD. The window is the program's own, started in the program's order (COM, then the
// application object, then the window with its message filter).
#include <QLabel>
#include <QTest>
#include <fstream>
#include <iostream>
#include <sstream>

#include "AppFixture.h"
#include "cad/BlockInsertion.h"
#include "cad/win/ServerProcess.h"

namespace tabrova::app::testing {
namespace {

using tabrova::testing::ServerProcess;
using tabrova::testing::ServerReport;

constexpr wchar_t kSheetProgId[] = L"Tabrova.TestSheetForApp";
constexpr wchar_t kCadProgId[] = L"Tabrova.TestAutoCADForApp";  // "AUTO": explode and purge

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ComEndToEnd : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form_->close();
        form_.reset();
        std::ofstream(folder_ / "tabrova.ini", std::ios::binary)
            << "[Target]\r\nProgID=Tabrova.TestAutoCADForApp\r\nExcelPID=Tabrova."
               "TestSheetForApp\r\n";
        // "テスト用 CAD" in code page 932, the list's encoding on this system.
        std::ofstream(folder_ / "TargetCAD_APIVersion.txt", std::ios::binary)
            << "AutoCAD\tAutoCAD.Application\r\n"
               "\x83\x65\x83\x58\x83\x67\x97\x70 CAD\tTabrova.TestAutoCADForApp\r\n";
        // The test CAD inserts every drawing as the block "表" and explodes only that one.
        form_ = std::make_unique<TForm1>(programFiles());
        form_->show();
        QApplication::processEvents();
    }
    ProgramFiles programFiles() const {
        ProgramFiles files = MainWindowTest::files();
        files.dxfFile = folder_ / u"表.dxf";
        return files;
    }
};

TEST_F(ComEndToEnd, ReadsTheServedSelectionAndInsertsIntoTheServedCad) {
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("Tabrova [ テスト用 CAD ]"));
    EXPECT_EQ(form_->Edit16->text(), QStringLiteral("テスト用 CAD"));

    ServerProcess sheet(L"sheet", kSheetProgId, L"{5E0B7C3A-2F41-4D8E-9A61-3C7D2B8E4F40}", 0);
    ASSERT_EQ(sheet.failure(), "");
    form_->Button3->click();
    const ServerReport read = sheet.finish();
    ASSERT_EQ(sheet.exitCode, 0);
    ASSERT_TRUE(form_->Button4->isEnabled()) << form_->StatusLabel->text().toStdString();
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("部品表.xlsx [一覧]"));
    EXPECT_EQ(form_->Edit2->text(), "B2");
    EXPECT_EQ(form_->Edit3->text(), "D4");
    StringGrid* grid = form_->StringGrid1;
    EXPECT_EQ(grid->cell(1, 1), QStringLiteral("部品表　（第２版）"));
    EXPECT_EQ(grid->cell(1, 2), QStringLiteral("ﾎﾞﾙﾄ M8"));
    EXPECT_EQ(grid->cell(2, 2), QStringLiteral("12.50"));
    EXPECT_EQ(grid->cell(3, 3), QStringLiteral("在庫なし"));
    // The calls that reached the spreadsheet's server, per cell of the 3 x 3 selection.
    constexpr int cells = 9;
    std::cout << "calls reaching the spreadsheet per cell: "
              << double(read.invokes + read.getIdsOfNames) / cells << " (Invoke "
              << double(read.invokes) / cells << ", GetIDsOfNames "
              << double(read.getIdsOfNames) / cells << ")\n";
    EXPECT_LE(read.invokes, 30 * cells);

    ServerProcess cadServer(L"cad", kCadProgId, L"{5E0B7C3A-2F41-4D8E-9A61-3C7D2B8E4F41}", 0);
    ASSERT_EQ(cadServer.failure(), "");
    form_->Button4->click();
    const ServerReport cad = cadServer.finish();
    EXPECT_EQ(cadServer.exitCode, 0);
    const std::filesystem::path dxf = programFiles().dxfFile;
    EXPECT_TRUE(form_->StatusLabel->text().startsWith(QStringLiteral("CAD へ挿入しました")))
        << form_->StatusLabel->text().toStdString();
    EXPECT_EQ(cad.commandCount, 1);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(cad.lastCommand)),
              cad::insertCommandLine(u"Tabrova.TestAutoCADForApp", dxf));
    EXPECT_TRUE(cad.exploded);
    EXPECT_TRUE(cad.deleted);

    // The drawing, in code page 932: "ﾎﾞﾙﾄ" is CE DE D9 C4, "ナット" 83 69 83 62 83 67; the number
    // at general alignment is right-aligned (72 = 2).
    const std::string bytes = readBytes(dxf);
    EXPECT_NE(bytes.find("ANSI_932"), std::string::npos);
    EXPECT_NE(bytes.find("\xCE\xDE\xD9\xC4 M8"), std::string::npos);
    EXPECT_NE(bytes.find("\x83\x69\x83\x62\x83\x67"), std::string::npos);
    const std::size_t number = bytes.find("\r\n12.50\r\n");
    ASSERT_NE(number, std::string::npos);
    EXPECT_NE(bytes.find(" 72\r\n2\r\n", number), std::string::npos);
    EXPECT_NE(bytes.find("XLSBordLine"), std::string::npos) << "the served borders";
}

}  // namespace
}  // namespace tabrova::app::testing
