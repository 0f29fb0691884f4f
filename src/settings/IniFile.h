// A private-profile (INI) file of our own, the same on every system: "[Section]" lines and
// "key=value" lines. Section and key names match without regard to ASCII letter case, as the
// Windows profile functions match them. Lines the program does not know (other sections, other
// keys, comments, blank lines) are kept as they are, in their order, and the file keeps the
// encoding it was read in.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "settings/TextFile.h"

namespace tabrova {

class IniFile {
public:
    // Longest value that value() returns, in UTF-16 units (the profile functions' buffer of 2048
    // with its terminating zero).
    static constexpr std::size_t kMaxValueLength = 2047;

    // An empty file, to be written in the code page without byte-order mark.
    explicit IniFile(unsigned codePage);

    // Parses a file's bytes: UTF-8 or UTF-16 with byte-order mark, else the code page.
    static IniFile parse(std::string_view bytes, unsigned codePage);

    // Reads a file; a file that does not exist gives an empty one. Throws platform::FileError when
    // the file exists but cannot be read.
    static IniFile load(const std::filesystem::path& path, unsigned codePage);

    // The value of the first line "key=value" of the section (the first section of that name
    // holding the key): the text after the first '=', blanks around it removed, one pair of
    // matching quotes around the whole value removed, at most kMaxValueLength units. nullopt when
    // the section or key is absent; a key with nothing after '=' gives the empty text.
    std::optional<std::u16string> value(std::u16string_view section, std::u16string_view key) const;

    // Sets the value of the key, keeping the key's line in its place (and its spelling); a new key
    // goes after the section's last key (right after the header when it has none), a new section
    // at the end of the file, after a blank line. Line breaks in the value become spaces, so a
    // value cannot add lines to the file.
    void setValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);

    // The file's bytes, each line ended by CR LF. A file in the code page that now holds a
    // character the code page cannot represent is written as UTF-8 with BOM (see encoding()).
    std::string serialize();

    // Replaces the file atomically with serialize(). Throws platform::FileError (path and reason)
    // and leaves the old file as it was when that fails.
    void save(const std::filesystem::path& path);

    TextEncoding encoding() const { return text_.encoding; }

private:
    // Index of the section's header line and of the line that ends the section (the next header
    // or the end of the file).
    struct SectionRange {
        std::size_t header;
        std::size_t end;
    };
    std::optional<SectionRange> findSection(std::u16string_view name, std::size_t from) const;
    std::optional<std::size_t> findKey(const SectionRange& range, std::u16string_view key) const;

    unsigned codePage_;
    TextLines text_;
};

}  // namespace tabrova
