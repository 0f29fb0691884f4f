// The zip container of a workbook: opens it, refuses what is not a plain zip archive and reads
// parts under size limits that keep a crafted archive from exhausting memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tabrova::workbook {

class XlsxPackage {
public:
    // The largest workbook file read (it is read into memory whole).
    static constexpr std::uint64_t kMaxFileSize = 512ull << 20;
    // Limits on what one workbook may inflate to.
    static constexpr std::uint64_t kMaxPartSize = 256ull << 20;
    static constexpr std::uint64_t kMaxTotalSize = 1024ull << 20;
    // A part this much larger than its compressed form is taken for a zip bomb (XML of real
    // workbooks compresses well below this), once it is larger than kRatioFloor.
    static constexpr std::uint64_t kMaxRatio = 400;
    static constexpr std::uint64_t kRatioFloor = 8ull << 20;

    // Throws WorkbookError when the file cannot be opened, is an encrypted (or old binary)
    // workbook, or is not a zip archive.
    explicit XlsxPackage(const std::filesystem::path& path);
    // The same for an archive in memory (a package from the clipboard); label names it in the
    // errors.
    XlsxPackage(std::string bytes, const std::filesystem::path& label);
    ~XlsxPackage();
    XlsxPackage(const XlsxPackage&) = delete;
    XlsxPackage& operator=(const XlsxPackage&) = delete;

    bool has(const std::string& part) const;
    // The part's bytes; nothing when the package has no such part. Throws WorkbookError when the
    // part is damaged, encrypted or too large.
    std::optional<std::string> read(const std::string& part);
    // Inflates the part in pieces and hands each to sink, under the same checks as read(), until
    // the part ends or sink returns false. False when the package has no such part. Streamed
    // parts do not count towards the total limit: they are never held whole.
    bool stream(const std::string& part, const std::function<bool(std::string_view)>& sink);
    // The checks of read() that need no inflating, for a part that is streamed later.
    void check(const std::string& part);

private:
    void openArchive();
    struct Opened;
    std::optional<Opened> openPart(const std::string& part, bool countTowardsTotal, bool open);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tabrova::workbook
