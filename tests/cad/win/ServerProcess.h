// What the test automation server process (tabrova-test-comserver.exe) and the tests that start
// it share: the command line, the sheet it serves, and a block of named shared memory in which the
// server leaves its counts when it ends, so that counting never adds calls of its own.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "table/FakeSpreadsheet.h"

namespace tabrova::testing {

// The server's command line: <kind> <ProgID> <CLSID> <name> <refuse> <busy>, kind "sheet" or "cad".
// <name> names the shared block and, with ".ready" and ".quit" appended, the event the server sets
// once its object is in the running object table and the event that tells it to end. It then takes
// no calls for <busy> milliseconds, and its message filter answers "retry later" to the first
// <refuse> incoming calls.
inline constexpr wchar_t kServerExecutable[] = L"tabrova-test-comserver.exe";

struct ServerReport {
    LONG getIdsOfNames;
    LONG invokes;
    LONG incomingCalls;  // calls the server's message filter was asked about
    LONG refusedCalls;   // of those, answered with SERVERCALL_RETRYLATER
    // The CAD's state when the server ended.
    LONG commandCount;
    LONG exploded;
    LONG deleted;
    LONG blockCount;
    wchar_t lastCommand[512];
};

// The sheet the server serves: B2:D4 with Japanese texts, a number, an error value, a cell of
// mixed font sizes and a merged title row.
inline std::shared_ptr<fake::Sheet> servedSheet() {
    auto sheet = std::make_shared<fake::Sheet>();
    auto put = [&sheet](std::int64_t col, std::int64_t row, const std::u16string& text) {
        sheet->cell(col, row).text = text;
        sheet->cell(col, row).value2 = text;
    };
    sheet->bookName = u"部品表.xlsx";
    sheet->sheetName = u"一覧";
    sheet->selection = fake::Rect{2, 2, 4, 4};
    sheet->merge(fake::Rect{2, 2, 4, 2});
    put(2, 2, u"部品表　（第２版）");
    put(2, 3, u"ﾎﾞﾙﾄ M8");
    sheet->cell(3, 3).text = u"12.50";
    sheet->cell(3, 3).value2 = 12.5;
    sheet->cell(4, 3).text = u"#DIV/0!";
    sheet->cell(4, 3).value2 = automation::ErrorValue{static_cast<std::int32_t>(0x800A07D7)};
    put(2, 4, u"ナット");
    sheet->cell(3, 4).text = u"8";
    sheet->cell(3, 4).value2 = 8.0;
    sheet->cell(3, 4).fontSize = automation::Null{};
    sheet->cell(3, 4).firstCharSize = 9.0;
    put(4, 4, u"在庫なし");
    return sheet;
}

}  // namespace tabrova::testing
