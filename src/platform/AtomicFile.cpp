#include "platform/AtomicFile.h"

#include <cerrno>
#include <fstream>
#include <system_error>
#include <utility>

namespace tabrova::platform {

FileError::FileError(std::filesystem::path path, FileReason reason)
    : std::runtime_error(reinterpret_cast<const char*>(path.u8string().c_str()) +
                         std::string(": ") + reason.english),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

FileReason FileReason::withNote(std::string_view en, std::string_view ja) const {
    return {english + std::string(en), japanese + std::string(ja)};
}

FileReason errnoReason(int err) {
    const char* japanese = nullptr;
    switch (err) {
        case ENOENT:
            japanese = "ファイルまたはフォルダーがありません";
            break;
        case EACCES:
        case EPERM:
            japanese = "アクセスが拒否されました";
            break;
        case EROFS:
            japanese = "読み取り専用のドライブです";
            break;
        case ENOSPC:
            japanese = "ディスクの空き容量が足りません";
            break;
#ifdef EDQUOT
        case EDQUOT:
            japanese = "ディスクの使用量の上限を超えています";
            break;
#endif
        case EISDIR:
            japanese = "フォルダーです";
            break;
        case ENOTDIR:
            japanese = "パスの途中にフォルダーでないものがあります";
            break;
        case ELOOP:
            japanese = "シンボリックリンクが循環しているか、多すぎます";
            break;
        case ENAMETOOLONG:
            japanese = "ファイル名が長すぎます";
            break;
        case EIO:
            japanese = "入出力エラーが発生しました";
            break;
        case EBUSY:
        case ETXTBSY:
            japanese = "使用中です";
            break;
        case EMFILE:
        case ENFILE:
            japanese = "開いているファイルが多すぎます";
            break;
        default:
            break;
    }
    const std::string english = std::error_code(err, std::generic_category()).message();
    return {english, japanese ? std::string(japanese) : "システムエラー (" + english + ")"};
}

namespace {
std::optional<std::size_t> g_diskFullAfter;

std::pair<std::string, std::string> typeName(std::filesystem::file_type type) {
    switch (type) {
        case std::filesystem::file_type::character:
            return {"a character device", "キャラクターデバイス"};
        case std::filesystem::file_type::block:
            return {"a block device", "ブロックデバイス"};
        case std::filesystem::file_type::fifo:
            return {"a named pipe", "名前付きパイプ"};
        case std::filesystem::file_type::socket:
            return {"a socket", "ソケット"};
        default:
            return {"of an unknown kind", "種類が不明です"};
    }
}

std::string mebibytes(std::uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20); }
}  // namespace

ScopedDiskFull::ScopedDiskFull(std::size_t afterBytes) { g_diskFullAfter = afterBytes; }
ScopedDiskFull::~ScopedDiskFull() { g_diskFullAfter.reset(); }
std::optional<std::size_t> detail::diskFullAfter() { return g_diskFullAfter; }

void detail::refuseSpecialFile(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) return;
    if (std::filesystem::is_directory(status)) throw FileError(path, errnoReason(EISDIR));
    const auto [english, japanese] = typeName(status.type());
    throw FileError(path, {"not a regular file (" + english + ")",
                           "通常のファイルではありません (" + japanese + ")"});
}

void saveFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    FileReplacements replacement;
    replacement.stage(path, bytes);
    replacement.commit();
}

void saveFileAtomically(const std::filesystem::path& path, const ByteProducer& produce) {
    FileReplacements replacement;
    replacement.stage(path, produce);
    replacement.commit();
}

void FileReplacements::stage(const std::filesystem::path& path, std::string_view bytes) {
    stage(path, [bytes](const ByteWriter& write) { write(bytes); });
}

std::string readWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes) {
    detail::refuseSpecialFile(path);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    auto tooLarge = [&](std::uint64_t bytes) {
        return FileError(path, {"too large (" + mebibytes(bytes) + " MiB; the limit is " +
                                    mebibytes(maxBytes) + " MiB)",
                                "大きすぎます (" + mebibytes(bytes) + " MiB。上限は " +
                                    mebibytes(maxBytes) + " MiB です)"});
    };
    if (!ec && size > maxBytes) throw tooLarge(size);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const std::error_code why(errno, std::generic_category());
        throw FileError(path, why.value() ? errnoReason(why.value())
                                          : FileReason{"cannot be opened", "開けません"});
    }
    // Read to the end, not to the size seen before opening: the file may have grown since.
    std::string bytes(ec ? 0 : static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    char buffer[1 << 16];
    while (in) {
        in.read(buffer, sizeof buffer);
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > maxBytes) throw tooLarge(bytes.size());
    }
    if (in.bad()) throw FileError(path, {"read error", "読み込み中にエラーが発生しました"});
    return bytes;
}

}  // namespace tabrova::platform
