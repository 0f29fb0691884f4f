// tabrova-dxf --running against a spreadsheet served by another process through COM: the
// selection read across the process boundary, drawn and dumped as the workbook-file path does.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cad/win/ServerProcess.h"
#include "cli/DxfTool.h"
#include "platform/Automation.h"

namespace tabrova::cli {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};

ToolRun runTool(const std::vector<std::u16string>& args) {
    std::ostringstream out, err;
    ToolIo io{out, err, false, u'.'};
    ToolRun run;
    run.status = runDxfTool(args, {}, io);
    run.out = out.str();
    run.err = err.str();
    return run;
}

TEST(RunningSheet, SelectionOfAnotherProcessIsDrawnAndDumped) {
    automation::initializeAutomation();
    testing::ServerProcess server(L"sheet", L"Tabrova.TestSheetForTool",
                                  L"{5E0B7C3A-2F41-4D8E-9A61-3C7D2B8E4F30}", 0);
    ASSERT_EQ(server.failure(), "");
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / u"tabrova-dxf-実行中";
    std::filesystem::create_directories(dir);
    const std::filesystem::path dxf = dir / u"部品表.dxf";

    const ToolRun run = runTool({u"--running", u"--progid", u"Tabrova.TestSheetForTool", u"-o",
                                 dxf.u16string(), u"--dump-table", u"-"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* expected :
         {R"("workbook": "部品表.xlsx")", R"("sheet": "一覧")", R"("first": "B2")",
          R"("last": "D4")", R"("str": "部品表　（第２版）")", R"("str": "ﾎﾞﾙﾄ M8")",
          R"("str": "#DIV/0!")", R"("txtSize": 9,)", R"("str": "8")"}) {
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    }
    // The drawing holds the texts in code page 932: "ナット" is 83 69 83 62 83 67.
    EXPECT_NE(readFile(dxf).find("\x83\x69\x83\x62\x83\x67"), std::string::npos);
    server.finish();
    EXPECT_EQ(server.exitCode, 0);

    // Once the spreadsheet has gone, the tool names it and writes nothing.
    std::filesystem::remove(dxf);
    const ToolRun gone =
        runTool({u"--running", u"--progid", u"Tabrova.TestSheetForTool", u"-o", dxf.u16string()});
    EXPECT_EQ(gone.status, kExitFailed);
    EXPECT_EQ(gone.err.rfind("tabrova-dxf: Tabrova.TestSheetForTool: ", 0), 0u) << gone.err;
    EXPECT_FALSE(std::filesystem::exists(dxf));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tabrova::cli
