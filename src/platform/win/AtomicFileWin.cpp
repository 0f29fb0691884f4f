#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/AtomicFile.h"

namespace tabrova::platform {
namespace {

std::string systemText(DWORD err) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, err, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : L"error " + std::to_wstring(err);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    const int len = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), len,
                        nullptr, nullptr);
    return utf8;
}

// The system's own text is in the user's language already; a Japanese wording of the common
// codes keeps the desktop program Japanese where the system is not.
FileReason systemReason(DWORD err) {
    const char* japanese = nullptr;
    switch (err) {
        case ERROR_FILE_NOT_FOUND:
            japanese = "ファイルが見つかりません";
            break;
        case ERROR_PATH_NOT_FOUND:
            japanese = "パスが見つかりません";
            break;
        case ERROR_ACCESS_DENIED:
            japanese = "アクセスが拒否されました";
            break;
        case ERROR_SHARING_VIOLATION:
            japanese = "ほかのプログラムがファイルを使用中です";
            break;
        case ERROR_LOCK_VIOLATION:
            japanese = "ほかのプログラムがファイルの一部をロックしています";
            break;
        case ERROR_WRITE_PROTECT:
            japanese = "書き込み禁止のメディアです";
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            japanese = "ディスクの空き容量が足りません";
            break;
        case ERROR_FILENAME_EXCED_RANGE:
            japanese = "ファイル名が長すぎます";
            break;
        case ERROR_INVALID_NAME:
            japanese = "ファイル名、フォルダー名、またはボリューム ラベルの構文が間違っています";
            break;
        default:
            break;
    }
    std::string text = systemText(err);
    return {text, japanese ? std::string(japanese) : text};
}

// The temporaries that exist, removed when the console's Ctrl+C, Ctrl+Break or close ends the
// process (the handler runs on a thread of its own).
std::mutex g_pendingMutex;
std::vector<std::wstring> g_pending;

BOOL WINAPI removePending(DWORD) {
    std::lock_guard lock(g_pendingMutex);
    for (const std::wstring& name : g_pending) DeleteFileW(name.c_str());
    g_pending.clear();
    return FALSE;  // the default handling then ends the process
}

HANDLE createTemporary(const std::wstring& name) {
    static std::once_flag installed;
    std::call_once(installed, [] { SetConsoleCtrlHandler(removePending, TRUE); });
    std::lock_guard lock(g_pendingMutex);
    HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) g_pending.push_back(name);
    return h;
}

void forgetTemporary(const std::wstring& name) {
    std::lock_guard lock(g_pendingMutex);
    std::erase(g_pending, name);
}

}  // namespace

struct FileReplacements::Staged {
    std::filesystem::path shown;
    std::wstring temporary;
    bool committed = false;
};

FileReplacements::FileReplacements() = default;

FileReplacements::~FileReplacements() {
    for (const auto& s : staged_) {
        if (s->committed) continue;
        DeleteFileW(s->temporary.c_str());
        forgetTemporary(s->temporary);
    }
}

void FileReplacements::stage(const std::filesystem::path& path, const ByteProducer& produce) {
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw FileError(path, systemReason(ERROR_ACCESS_DENIED));
    detail::refuseSpecialFile(path);
    // Windows refuses to replace a read-only file; say so before writing anything, on every
    // Windows-like system alike.
    const DWORD attributes = GetFileAttributesW(path.wstring().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        throw FileError(path,
                        systemReason(ERROR_ACCESS_DENIED)
                            .withNote(" (the file is read-only)", " (読み取り専用のファイルです)"));
    }

    const std::wstring tmp = path.wstring() + L".tmp-" + std::to_wstring(GetCurrentProcessId()) +
                             L"-" + std::to_wstring(counter++);
    HANDLE h = createTemporary(tmp);
    if (h == INVALID_HANDLE_VALUE) throw FileError(path, systemReason(GetLastError()));
    try {
        const std::optional<std::size_t> diskFullAfter = detail::diskFullAfter();
        std::size_t total = 0;
        produce([&](std::string_view bytes) {
            std::size_t done = 0;
            while (done < bytes.size()) {
                DWORD written = 0;
                std::size_t limit = bytes.size() - done;
                if (diskFullAfter) {
                    if (total >= *diskFullAfter)
                        throw FileError(path, systemReason(ERROR_DISK_FULL));
                    limit = std::min(limit, *diskFullAfter - total);
                }
                const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(limit, 1 << 20));
                if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr))
                    throw FileError(path, systemReason(GetLastError()));
                done += written;
                total += written;
            }
        });
        if (!FlushFileBuffers(h)) throw FileError(path, systemReason(GetLastError()));
    } catch (...) {
        CloseHandle(h);
        DeleteFileW(tmp.c_str());
        forgetTemporary(tmp);
        throw;
    }
    CloseHandle(h);
    staged_.push_back(std::make_unique<Staged>(Staged{path, tmp}));
}

void FileReplacements::commit() {
    for (const auto& s : staged_) {
        if (s->committed) continue;
        if (!MoveFileExW(s->temporary.c_str(), s->shown.wstring().c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            throw FileError(s->shown, systemReason(GetLastError()));
        }
        s->committed = true;
        forgetTemporary(s->temporary);
    }
}

}  // namespace tabrova::platform
