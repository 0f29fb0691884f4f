#include "settings/IniFile.h"

#include "platform/AtomicFile.h"
#include "platform/Utf8.h"

namespace tabrova {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trim(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The name of a "[name]" line, or nullopt for any other line. A header without its closing
// bracket runs to the end of the line.
std::optional<std::u16string_view> sectionName(std::u16string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != u'[') return std::nullopt;
    line.remove_prefix(1);
    return trim(line.substr(0, line.find(u']')));
}

struct KeyLine {
    std::u16string_view key;
    std::u16string_view value;
};

// The key and raw value of a "key=value" line; nullopt for blank lines, comments and lines
// without '='.
std::optional<KeyLine> keyLine(std::u16string_view line) {
    line = trim(line);
    if (line.empty() || line.front() == u';' || line.front() == u'#' || line.front() == u'[') {
        return std::nullopt;
    }
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) return std::nullopt;
    return KeyLine{trim(line.substr(0, eq)), trim(line.substr(eq + 1))};
}

}  // namespace

IniFile::IniFile(unsigned codePage) : codePage_(codePage) {}

IniFile IniFile::parse(std::string_view bytes, unsigned codePage) {
    IniFile file(codePage);
    file.text_ = decodeTextLines(bytes, codePage);
    return file;
}

IniFile IniFile::load(const std::filesystem::path& path, unsigned codePage) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec) return IniFile(codePage);
    return parse(platform::readWholeFile(path), codePage);
}

std::optional<IniFile::SectionRange> IniFile::findSection(std::u16string_view name,
                                                          std::size_t from) const {
    const auto& lines = text_.lines;
    for (std::size_t i = from; i < lines.size(); ++i) {
        const auto found = sectionName(lines[i].text);
        if (!found || !sameAsciiNoCase(*found, name)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !sectionName(lines[end].text)) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniFile::findKey(const SectionRange& range,
                                            std::u16string_view key) const {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const auto line = keyLine(text_.lines[i].text);
        if (line && sameAsciiNoCase(line->key, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::u16string> IniFile::value(std::u16string_view section,
                                             std::u16string_view key) const {
    for (auto range = findSection(section, 0); range; range = findSection(section, range->end)) {
        const auto index = findKey(*range, key);
        if (!index) continue;
        std::u16string_view v = keyLine(text_.lines[*index].text)->value;
        if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
            v = v.substr(1, v.size() - 2);
        }
        if (v.size() > kMaxValueLength) {
            std::size_t n = kMaxValueLength;
            // Do not keep half of a surrogate pair.
            if (v[n - 1] >= 0xD800 && v[n - 1] <= 0xDBFF) --n;
            v = v.substr(0, n);
        }
        return std::u16string(v);
    }
    return std::nullopt;
}

void IniFile::setValue(std::u16string_view section, std::u16string_view key,
                       std::u16string_view value) {
    std::u16string cleanValue(value);
    for (char16_t& c : cleanValue) {
        if (c == u'\r' || c == u'\n') c = u' ';
    }
    auto& lines = text_.lines;

    std::optional<SectionRange> first;
    for (auto range = findSection(section, 0); range; range = findSection(section, range->end)) {
        if (!first) first = range;
        if (const auto index = findKey(*range, key)) {
            const std::u16string keepKey(keyLine(lines[*index].text)->key);
            lines[*index] = {keepKey + u"=" + cleanValue, std::nullopt};
            return;
        }
    }
    TextLine newLine{std::u16string(key) + u"=" + cleanValue, std::nullopt};
    if (first) {
        std::size_t at = first->header + 1;
        for (std::size_t i = first->header + 1; i < first->end; ++i) {
            if (keyLine(lines[i].text)) at = i + 1;
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(newLine));
        return;
    }
    if (!lines.empty() && !trim(lines.back().text).empty()) lines.push_back({});
    lines.push_back({u"[" + std::u16string(section) + u"]", std::nullopt});
    lines.push_back(std::move(newLine));
}

std::string IniFile::serialize() { return encodeTextLines(text_.lines, text_.encoding, codePage_); }

void IniFile::save(const std::filesystem::path& path) {
    TextEncoding encoding = text_.encoding;
    const std::string bytes = encodeTextLines(text_.lines, encoding, codePage_);
    platform::saveFileAtomically(path, bytes);
    text_.encoding = encoding;
}

}  // namespace tabrova
