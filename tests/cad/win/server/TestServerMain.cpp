// A test automation server in a process of its own, so that calls from the tests cross a process
// boundary: it serves the sheet of ServerProcess.h, the tests' imitation of the spreadsheet
// application answered from a workbook file, or a scripted CAD through IDispatch from the
// running object table, in a single-threaded apartment that can be busy at first (takes no calls
// for a while, then answers "retry later" to the first ones through its message filter), and
// leaves its counts in the shared block when told to end.
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <set>
#include <string>

#include "cad/FakeCad.h"
#include "cad/win/ComServer.h"
#include "cad/win/ServerProcess.h"
#include "support/WorkbookObjects.h"
#include "support/XmlRewritingObject.h"

namespace {

using tabrova::testing::DispatchServer;
using tabrova::testing::RunningServer;
using tabrova::testing::ServerCounts;
using tabrova::testing::ServerReport;

// Busy for the first calls: answers SERVERCALL_RETRYLATER to `refuse` incoming calls, then takes
// every call.
class BusyFilter final : public IMessageFilter {
public:
    explicit BusyFilter(LONG refuse) : refuse_(refuse) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
            *out = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives as long as the process.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        ++incoming;
        if (refused < refuse_) {
            ++refused;
            return SERVERCALL_RETRYLATER;
        }
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override {
        return static_cast<DWORD>(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return PENDINGMSG_WAITDEFPROCESS;
    }

    LONG incoming = 0;
    LONG refused = 0;

private:
    LONG refuse_;
};

// The imitation's application of the workbook file with the sheet active and the range selected;
// nullptr when the file, the sheet or the range cannot be had.
tabrova::automation::ObjectPtr bookApplication(const std::wstring& path, const std::wstring& sheet,
                                               const std::wstring& range) {
    using tabrova::automation::Variant;
    const auto text = [](const std::wstring& w) { return std::u16string(w.begin(), w.end()); };
    try {
        auto app = tabrova::workbook::makeWorkbookApplication(
            tabrova::workbook::XlsxWorkbook::open(std::filesystem::path(path)));
        const auto worksheet = app->getObject(u"Worksheets", {Variant(text(sheet))});
        worksheet->call(u"Activate");
        worksheet->getObject(u"Range", {Variant(text(range)), tabrova::automation::Missing{}})
            ->call(u"Select");
        return app;
    } catch (const tabrova::workbook::WorkbookError&) {
        return nullptr;
    } catch (const tabrova::automation::AutomationError&) {
        return nullptr;
    }
}

HANDLE openEvent(const std::wstring& name) {
    return OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, name.c_str());
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) return 2;
    const std::wstring kind = argv[1];
    // A book may be followed by a misbehaviour of its Value(11) (support/XmlRewritingObject.h).
    if (kind == L"book" ? argc != 10 && argc != 11 : argc != 7) return 2;
    const std::wstring progId = argv[2];
    const std::wstring clsid = argv[3];
    const std::wstring name = argv[4];
    const LONG refuse = static_cast<LONG>(std::wcstol(argv[5], nullptr, 10));
    const DWORD busyMs = static_cast<DWORD>(std::wcstoul(argv[6], nullptr, 10));

    const HANDLE ready = openEvent(name + L".ready");
    const HANDLE quit = openEvent(name + L".quit");
    const HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name.c_str());
    if (!ready || !quit || !mapping) return 3;
    auto* report = static_cast<ServerReport*>(
        MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(ServerReport)));
    if (!report) return 3;

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 4;
    BusyFilter filter(refuse);
    IMessageFilter* previous = nullptr;
    if (CoRegisterMessageFilter(&filter, &previous) != S_OK) return 5;

    tabrova::cad::fake::Trace trace;
    tabrova::cad::fake::FakeCad cad(trace);
    cad.lastEntity = tabrova::cad::fake::Entity{u"AcDbBlockReference", u"表"};
    cad.blocks = {{u"*Model_Space"}, {u"表"}};

    auto counts = std::make_shared<ServerCounts>();
    tabrova::automation::ObjectPtr object;
    std::set<std::u16string> methods;
    if (kind == L"sheet") {
        object = std::make_shared<tabrova::fake::Application>(tabrova::testing::servedSheet());
    } else if (kind == L"book") {
        object = bookApplication(argv[7], argv[8], argv[9]);
        if (!object) return 8;
        if (argc == 11) {
            const std::wstring name = argv[10];
            auto rewrite = tabrova::testing::misbehaviour(std::u16string(name.begin(), name.end()));
            if (!rewrite) return 2;
            object =
                std::make_shared<tabrova::testing::XmlRewritingObject>(object, std::move(rewrite));
        }
        methods = {u"Activate", u"Select"};
    } else if (kind == L"cad") {
        object = cad.application();
        methods = {u"GetAcadState", u"SendCommand", u"Item",    u"Add",
                   u"Clear",        u"Select",      u"Explode", u"Delete"};
    } else {
        return 2;
    }
    auto* server = new DispatchServer(
        object, counts, std::make_shared<const std::set<std::u16string>>(std::move(methods)));
    server->AddRef();
    int exitCode = 0;
    {
        RunningServer running(progId.c_str(), clsid.c_str(), server);
        server->Release();
        if (!running.registered()) return 6;
        SetEvent(ready);
        // Busy with something else: calls wait until the server takes messages again.
        Sleep(busyMs);

        // A single-threaded apartment takes its calls as window messages.
        for (;;) {
            const DWORD woke = MsgWaitForMultipleObjects(1, &quit, FALSE, 30000, QS_ALLINPUT);
            if (woke == WAIT_OBJECT_0) break;
            if (woke == WAIT_TIMEOUT) {
                exitCode = 7;  // nobody told it to end
                break;
            }
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }

    report->getIdsOfNames = counts->getIdsOfNames;
    report->invokes = counts->invokes;
    report->incomingCalls = filter.incoming;
    report->refusedCalls = filter.refused;
    report->commandCount = static_cast<LONG>(cad.commands.size());
    report->exploded = cad.lastEntity && cad.lastEntity->exploded;
    report->deleted = cad.lastEntity && cad.lastEntity->deleted;
    report->blockCount = static_cast<LONG>(cad.blocks.size());
    if (!cad.commands.empty()) {
        const std::u16string& last = cad.commands.back();
        const std::size_t n =
            std::min<std::size_t>(last.size(), std::size(report->lastCommand) - 1);
        std::copy_n(last.begin(), n, report->lastCommand);
        report->lastCommand[n] = L'\0';
    }
    UnmapViewOfFile(report);
    CoRegisterMessageFilter(previous, nullptr);
    CoUninitialize();
    return exitCode;
}
