// What the test automation server process (tabrova-test-comserver.exe) and the tests that start
// it share: the command line, the sheet it serves, the class that starts and ends it, and a block
// of named shared memory in which the server leaves its counts when it ends, so that counting
// never adds calls of its own.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>

#include "table/FakeSpreadsheet.h"

namespace tabrova::testing {

// The server's command line: <kind> <ProgID> <CLSID> <name> <refuse> <busy>, kind "sheet" or "cad",
// or the same with kind "book" followed by <workbook path> <sheet> <range> (the tests' imitation of
// the spreadsheet application answered from that workbook file, the sheet active and the range, in
// A1 form, selected).
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

// The sheet the server serves: B2:D4 with Japanese texts, a number at general alignment, an error
// value, a cell of mixed font sizes, a merged title row and a framed row.
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
    // A continuous frame around the second row.
    for (std::int64_t col = 2; col <= 4; ++col) {
        for (std::int32_t& edge : sheet->cell(col, 3).borders) edge = 1;  // xlContinuous
    }
    return sheet;
}

inline std::filesystem::path ownFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, n)).parent_path();
}

inline bool underWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// A workbook file for a "book" server, the sheet it shows and the range selected there.
struct ServedBook {
    std::filesystem::path path;
    std::wstring sheet;
    std::wstring range;
};

// One run of the server process (found beside the running executable); ends it, and collects its
// report, on finish() or destruction.
class ServerProcess {
public:
    ServerProcess(const std::wstring& kind, const std::wstring& progId, const std::wstring& clsid,
                  long refuse, long busyMs = 0) {
        start(kind, progId, clsid, refuse, busyMs, L"");
    }
    // misbehaviour: of the book's Value(11), by name (support/XmlRewritingObject.h), or none.
    ServerProcess(const ServedBook& book, const std::wstring& progId, const std::wstring& clsid,
                  long refuse = 0, long busyMs = 0, const std::wstring& misbehaviour = L"") {
        start(L"book", progId, clsid, refuse, busyMs,
              L" " + quoted(book.path.wstring()) + L" " + quoted(book.sheet) + L" " +
                  quoted(book.range) + (misbehaviour.empty() ? L"" : L" " + misbehaviour));
    }
    ~ServerProcess() {
        if (process_) finish();
        CloseHandle(ready_);
        CloseHandle(quit_);
        CloseHandle(mapping_);
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Empty when the server is serving.
    const std::string& failure() const { return failure_; }

    // Tells the server to end and returns what it counted; exitCode is -1 when it had to be
    // stopped.
    ServerReport finish() {
        ServerReport report{};
        SetEvent(quit_);
        if (WaitForSingleObject(process_, 30000) != WAIT_OBJECT_0) {
            TerminateProcess(process_, 99);
            exitCode = -1;
        } else {
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            exitCode = static_cast<long>(code);
        }
        CloseHandle(process_);
        process_ = nullptr;
        if (const void* view = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, sizeof report)) {
            report = *static_cast<const ServerReport*>(view);
            UnmapViewOfFile(view);
        }
        return report;
    }

    long exitCode = 0;

private:
    // An argument in quotes, so that paths and names with spaces stay one argument (they hold no
    // quotes and, being a file's path or a sheet's name, end in no backslash).
    static std::wstring quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

    void start(const std::wstring& kind, const std::wstring& progId, const std::wstring& clsid,
               long refuse, long busyMs, const std::wstring& moreArguments) {
        static int serial = 0;
        name_ = L"TabrovaTestServer." + std::to_wstring(GetCurrentProcessId()) + L"." +
                std::to_wstring(++serial);
        ready_ = CreateEventW(nullptr, TRUE, FALSE, (name_ + L".ready").c_str());
        quit_ = CreateEventW(nullptr, TRUE, FALSE, (name_ + L".quit").c_str());
        mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(ServerReport), name_.c_str());
        std::wstring commandLine = L"\"" + (ownFolder() / kServerExecutable).wstring() + L"\" " +
                                   kind + L" " + progId + L" " + clsid + L" " + name_ + L" " +
                                   std::to_wstring(refuse) + L" " + std::to_wstring(busyMs) +
                                   moreArguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &info)) {
            failure_ = "cannot start " + std::to_string(GetLastError());
            return;
        }
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        const HANDLE either[] = {ready_, process_};
        const DWORD woke = WaitForMultipleObjects(2, either, FALSE, 30000);
        if (woke == WAIT_OBJECT_0 + 1) {
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            failure_ = "the server ended with " + std::to_string(code);
        } else if (woke != WAIT_OBJECT_0) {
            failure_ = "the server did not get ready";
        }
    }

    std::wstring name_;
    std::string failure_;
    HANDLE ready_ = nullptr;
    HANDLE quit_ = nullptr;
    HANDLE mapping_ = nullptr;
    HANDLE process_ = nullptr;
};

}  // namespace tabrova::testing
