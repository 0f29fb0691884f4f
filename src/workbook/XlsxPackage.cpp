#include "workbook/XlsxPackage.h"

#include <zip.h>

#include <cstring>

#include "platform/AtomicFile.h"
#include "workbook/WorkbookError.h"

namespace tabrova::workbook {

struct XlsxPackage::Impl {
    std::filesystem::path path;
    std::string bytes;  // the archive; libzip reads from this buffer
    zip_t* archive = nullptr;
    std::uint64_t inflated = 0;

    [[noreturn]] void fail(ReadProblem problem, std::vector<ReasonPart> parts = {}) const {
        throw WorkbookError(path, problem, std::move(parts));
    }
};

XlsxPackage::XlsxPackage(const std::filesystem::path& path) : impl_(std::make_unique<Impl>()) {
    impl_->path = path;
    try {
        impl_->bytes = platform::readWholeFile(path, kMaxFileSize);
    } catch (const platform::FileError& e) {
        throw WorkbookError(path, ReadProblem::fileError,
                            {ReasonPart(e.reason(), e.japaneseReason())});
    }
    openArchive();
}

XlsxPackage::XlsxPackage(std::string bytes, const std::filesystem::path& label)
    : impl_(std::make_unique<Impl>()) {
    impl_->path = label;
    if (bytes.size() > kMaxFileSize) impl_->fail(ReadProblem::packageTooLarge);
    impl_->bytes = std::move(bytes);
    openArchive();
}

void XlsxPackage::openArchive() {
    const std::string& b = impl_->bytes;
    static constexpr char kCompoundFile[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (b.size() >= 8 && std::memcmp(b.data(), kCompoundFile, 8) == 0) {
        impl_->fail(ReadProblem::oldBinaryOrEncrypted);
    }
    if (b.empty()) impl_->fail(ReadProblem::emptyNotWorkbook);

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(b.data(), b.size(), 0, &error);
    if (source) {
        impl_->archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!impl_->archive) zip_source_free(source);
    }
    if (!impl_->archive) {
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        if (code == ZIP_ER_NOZIP) impl_->fail(ReadProblem::notZip);
        impl_->fail(code == ZIP_ER_INCONS ? ReadProblem::zipInconsistent
                                          : ReadProblem::zipUnreadable);
    }
    zip_error_fini(&error);
}

XlsxPackage::~XlsxPackage() {
    if (impl_->archive) zip_discard(impl_->archive);
}

namespace {
std::string partName(const std::string& part) {
    return !part.empty() && part.front() == '/' ? part.substr(1) : part;
}
}  // namespace

bool XlsxPackage::has(const std::string& part) const {
    return zip_name_locate(impl_->archive, partName(part).c_str(), ZIP_FL_NOCASE) >= 0;
}

struct XlsxPackage::Opened {
    std::string name;
    zip_file_t* file = nullptr;
    std::uint64_t size = 0;
};

std::optional<XlsxPackage::Opened> XlsxPackage::openPart(const std::string& part,
                                                         bool countTowardsTotal, bool open) {
    const std::string name = partName(part);
    const zip_int64_t index = zip_name_locate(impl_->archive, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) return std::nullopt;
    const auto i = static_cast<zip_uint64_t>(index);
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(impl_->archive, i, 0, &st) != 0) {
        impl_->fail(ReadProblem::partUnreadable, {name});
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
        impl_->fail(ReadProblem::partEncrypted, {name});
    }
    const std::uint64_t size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
    const std::uint64_t packed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
    if (size > kRatioFloor && size > packed * kMaxRatio) {
        impl_->fail(ReadProblem::partOutOfProportion,
                    {name, std::to_string(size), std::to_string(packed)});
    }
    const std::uint64_t total = countTowardsTotal ? impl_->inflated + size : size;
    if (size > kMaxPartSize || total > kMaxTotalSize) {
        impl_->fail(ReadProblem::partTooLarge,
                    {name, std::to_string(size >> 20), std::to_string(kMaxPartSize >> 20),
                     std::to_string(kMaxTotalSize >> 20)});
    }
    if (countTowardsTotal) impl_->inflated += size;
    if (!open) return Opened{name, nullptr, size};

    zip_file_t* file = zip_fopen_index(impl_->archive, i, 0);
    if (!file) impl_->fail(ReadProblem::partCannotOpen, {name});
    return Opened{name, file, size};
}

void XlsxPackage::check(const std::string& part) { openPart(part, false, false); }

std::optional<std::string> XlsxPackage::read(const std::string& part) {
    std::optional<Opened> opened = openPart(part, true, true);
    if (!opened) return std::nullopt;
    zip_file_t* file = opened->file;
    const std::uint64_t size = opened->size;
    std::string data(static_cast<std::size_t>(size), '\0');
    std::uint64_t got = 0;
    bool bad = false;
    while (got < size) {
        const zip_int64_t n = zip_fread(file, data.data() + got, size - got);
        if (n <= 0) {
            bad = true;
            break;
        }
        got += static_cast<std::uint64_t>(n);
    }
    // The directory's size is not trusted: a stream that goes on beyond it is refused too.
    char extra = 0;
    if (!bad && zip_fread(file, &extra, 1) != 0) bad = true;
    zip_fclose(file);
    if (bad) {
        impl_->fail(ReadProblem::partInflatesWrongly, {opened->name});
    }
    return data;
}

bool XlsxPackage::stream(const std::string& part,
                         const std::function<bool(std::string_view)>& sink) {
    std::optional<Opened> opened = openPart(part, false, true);
    if (!opened) return false;
    struct Closer {
        zip_file_t* file;
        ~Closer() { zip_fclose(file); }
    } closer{opened->file};
    constexpr std::size_t kPiece = 256 << 10;
    const auto buffer = std::make_unique<char[]>(kPiece);
    std::uint64_t got = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(opened->file, buffer.get(), kPiece);
        // A stream that ends early, fails its checksum or goes on beyond the directory's size.
        if (n < 0 || (n == 0 && got != opened->size) ||
            got + static_cast<std::uint64_t>(n) > opened->size) {
            impl_->fail(ReadProblem::partInflatesWrongly, {opened->name});
        }
        if (n == 0) return true;
        got += static_cast<std::uint64_t>(n);
        if (!sink(std::string_view(buffer.get(), static_cast<std::size_t>(n)))) return true;
    }
}

}  // namespace tabrova::workbook
