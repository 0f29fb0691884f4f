#include "settings/TargetCadList.h"

#include <algorithm>

#include "platform/AtomicFile.h"

namespace tabrova {
namespace {

// Reads one code point, joining a surrogate pair; an unpaired surrogate stands for itself.
char32_t nextCodePoint(std::u16string_view s, std::size_t& i) {
    const char32_t c = s[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
        return 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
    }
    return c;
}

char32_t foldCase(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + (U'a' - U'A');
    if (c >= U'\uFF21' && c <= U'\uFF3A') return c + (U'\uFF41' - U'\uFF21');
    return c;
}

std::optional<TextLines> readLines(const std::filesystem::path& file, unsigned codePage) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec) && !ec) return std::nullopt;
    return decodeTextLines(platform::readWholeFile(file), codePage);
}

}  // namespace

TargetCadEntry splitTargetCadLine(std::u16string_view line) {
    const std::size_t tab = line.find(u'\t');
    if (tab == std::u16string_view::npos) return {u"", std::u16string(line)};
    return {std::u16string(line.substr(0, tab)), std::u16string(line.substr(tab + 1))};
}

std::u16string joinTargetCadLine(std::u16string_view name, std::u16string_view progId) {
    std::u16string line(name);
    line += u'\t';
    line += progId;
    return line;
}

int compareTargetCadLines(std::u16string_view a, std::u16string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = foldCase(nextCodePoint(a, i));
        const char32_t cb = foldCase(nextCodePoint(b, j));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

std::optional<std::u16string> findTargetCadName(const std::vector<std::u16string>& lines,
                                                std::u16string_view targetProgID) {
    const std::u16string needle = u"\t" + std::u16string(targetProgID);
    for (const std::u16string& line : lines) {
        const std::size_t at = line.find(needle);
        if (at != std::u16string::npos) return line.substr(0, at);
    }
    return std::nullopt;
}

std::vector<std::u16string> readTargetCadLines(const std::filesystem::path& listFile,
                                               unsigned codePage) {
    std::vector<std::u16string> result;
    if (auto text = readLines(listFile, codePage)) {
        for (TextLine& line : text->lines) result.push_back(std::move(line.text));
    }
    return result;
}

std::optional<std::u16string> findTargetCadName(const std::filesystem::path& listFile,
                                                std::u16string_view targetProgID,
                                                unsigned codePage) {
    return findTargetCadName(readTargetCadLines(listFile, codePage), targetProgID);
}

TargetCadList::TargetCadList(std::filesystem::path file, unsigned codePage)
    : file_(std::move(file)), codePage_(codePage) {}

std::vector<std::u16string> TargetCadList::lines() const {
    std::vector<std::u16string> result;
    result.reserve(entries_.size());
    for (const TextLine& entry : entries_) result.push_back(entry.text);
    return result;
}

std::optional<TargetCadEntry> TargetCadList::selectedEntry() const {
    if (!selected_) return std::nullopt;
    return splitTargetCadLine(entries_[*selected_].text);
}

std::optional<TargetCadEntry> TargetCadList::select(std::optional<std::size_t> index) {
    selected_ = (index && *index < entries_.size()) ? index : std::nullopt;
    return selectedEntry();
}

std::optional<TargetCadEntry> TargetCadList::reload(std::u16string_view targetProgID) {
    std::optional<TextLines> text = readLines(file_, codePage_);
    if (!text) return std::nullopt;
    std::stable_sort(text->lines.begin(), text->lines.end(),
                     [](const TextLine& a, const TextLine& b) {
                         return compareTargetCadLines(a.text, b.text) < 0;
                     });
    entries_ = std::move(text->lines);
    encoding_ = text->encoding;
    selected_.reset();
    const std::u16string needle = u"\t" + std::u16string(targetProgID);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].text.find(needle) != std::u16string::npos) {
            selected_ = i;
            break;
        }
    }
    return selectedEntry();
}

TargetCadEntry TargetCadList::add(std::u16string_view name, std::u16string_view progId) {
    std::vector<TextLine> entries = entries_;
    TextLine added{joinTargetCadLine(name, progId), std::nullopt};
    const auto at = std::upper_bound(entries.begin(), entries.end(), added,
                                     [](const TextLine& a, const TextLine& b) {
                                         return compareTargetCadLines(a.text, b.text) < 0;
                                     });
    entries.insert(at, added);
    TextEncoding encoding = encoding_;
    save(entries, encoding);

    entries_ = std::move(entries);
    encoding_ = encoding;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (compareTargetCadLines(entries_[i].text, added.text) == 0) {
            selected_ = i;
            break;
        }
    }
    return *selectedEntry();
}

std::optional<TargetCadEntry> TargetCadList::remove() {
    if (!selected_) return std::nullopt;
    const std::size_t index = *selected_;
    std::vector<TextLine> entries = entries_;
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index));
    TextEncoding encoding = encoding_;
    save(entries, encoding);

    entries_ = std::move(entries);
    encoding_ = encoding;
    if (index < entries_.size()) {
        selected_ = index;
    } else if (index > 0) {
        selected_ = index - 1;
    } else {
        selected_.reset();
    }
    return selectedEntry().value_or(TargetCadEntry{});
}

bool TargetCadList::change(std::u16string_view name, std::u16string_view progId) {
    if (!selected_) return false;
    std::vector<TextLine> entries = entries_;
    entries[*selected_] = {joinTargetCadLine(name, progId), std::nullopt};
    TextEncoding encoding = encoding_;
    save(entries, encoding);

    entries_ = std::move(entries);
    encoding_ = encoding;
    return true;
}

void TargetCadList::save(const std::vector<TextLine>& entries, TextEncoding& encoding) const {
    platform::saveFileAtomically(file_, encodeTextLines(entries, encoding, codePage_));
}

}  // namespace tabrova
