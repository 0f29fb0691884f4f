// The list of target CADs, "TargetCAD_APIVersion.txt": one target per line, the name (a free
// description), a tab, the ProgID. A line without a tab has an empty name and the whole line as
// ProgID; blank lines are entries like any other. Lines end with CR LF (the last one too).
//
// Encoding: a byte-order mark selects UTF-8 or UTF-16 (little or big endian); without one the file
// is in the system's ANSI code page. The file is written back in the encoding it was read in, and
// a new file in the code page without byte-order mark. A file in the code page that must hold a
// character the code page cannot represent is written as UTF-8 with BOM instead, so that nothing
// typed is lost.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "settings/TextFile.h"

namespace tabrova {

// The texts of the dialog's two boxes: the name (Edit1) and the ProgID (Edit2).
struct TargetCadEntry {
    std::u16string name;
    std::u16string progId;
    bool operator==(const TargetCadEntry&) const = default;
};

// Name = the text before the first tab, ProgID = the text after it (the whole line without tab).
TargetCadEntry splitTargetCadLine(std::u16string_view line);
// name + tab + ProgID.
std::u16string joinTargetCadLine(std::u16string_view name, std::u16string_view progId);

// The order of the list: the whole lines compared character by character by Unicode code point,
// with the letters A-Z and their full-width forms compared as lower case. So case never decides
// ("autocad" and "AutoCAD" are equal, "bricscad" sorts before "Civil"), a tab sorts before any
// visible character ("Auto<tab>..." before "AutoCAD<tab>..."), and Japanese names follow Latin
// ones: hiragana, then katakana, then kanji, then full-width Latin, then half-width katakana.
// Returns <0, 0 or >0.
int compareTargetCadLines(std::u16string_view a, std::u16string_view b);

// The start-up lookup of the target's name: the first line, in the given (file) order, that
// contains a tab immediately followed by `targetProgID` (a case-sensitive substring search, so a
// versioned ProgID such as "BricscadApp.AcadApplication.23" also matches). The name is the text
// before that tab. nullopt when no line matches.
std::optional<std::u16string> findTargetCadName(const std::vector<std::u16string>& lines,
                                                std::u16string_view targetProgID);

// The same lookup on the file. nullopt also when the file does not exist; throws
// platform::FileError when it exists but cannot be read.
std::optional<std::u16string> findTargetCadName(const std::filesystem::path& listFile,
                                                std::u16string_view targetProgID,
                                                unsigned codePage = platform::systemAnsiCodePage());

// The lines of the file, in file order (missing file: none). Throws platform::FileError when the
// file exists but cannot be read.
std::vector<std::u16string> readTargetCadLines(const std::filesystem::path& listFile,
                                               unsigned codePage = platform::systemAnsiCodePage());

// The model behind the target CAD dialog: the sorted list of entries and its selection, kept in
// step with the file. Every edit saves the whole list at once, in the order shown, replacing the
// file atomically. When the file cannot be read or written the method throws platform::FileError
// (naming the path and the reason) and the list, its selection and the file stay as they were.
//
// The methods return what the dialog's two boxes should show afterwards: nullopt means "leave the
// boxes as they are".
//
//     FormShow          -> reload(targetProgID)
//     ListBox1Click     -> select(index)
//     SpeedButton1Click -> add(Edit1, Edit2)
//     SpeedButton2Click -> remove()     (button enabled only while hasSelection())
//     SpeedButton3Click -> change(Edit1, Edit2)   (likewise)
class TargetCadList {
public:
    explicit TargetCadList(std::filesystem::path file,
                           unsigned codePage = platform::systemAnsiCodePage());

    const std::filesystem::path& file() const { return file_; }
    std::size_t size() const { return entries_.size(); }
    // The entry's whole line, as the list shows it.
    const std::u16string& line(std::size_t index) const { return entries_.at(index).text; }
    std::vector<std::u16string> lines() const;
    std::optional<std::size_t> selected() const { return selected_; }
    bool hasSelection() const { return selected_.has_value(); }
    // The encoding the file is (or will be) written in.
    TextEncoding encoding() const { return encoding_; }

    // Replaces the entries by the file's lines, sorted, and selects the first entry containing a
    // tab immediately followed by `targetProgID` (case-sensitive). Returns that entry for the
    // boxes; nullopt when nothing matches (nothing is then selected). When the file does not
    // exist nothing changes at all (the list keeps what it showed) and nullopt is returned.
    std::optional<TargetCadEntry> reload(std::u16string_view targetProgID);

    // Selects the entry at `index` (nullopt or an index past the end: no selection) and returns it
    // for the boxes; nullopt when nothing is selected.
    std::optional<TargetCadEntry> select(std::optional<std::size_t> index);

    // Adds name + tab + ProgID at its sorted place (after entries equal to it), selects the first
    // entry equal to it with case ignored, saves, and returns the selected entry for the boxes.
    // Nothing is validated: empty texts and duplicates are accepted.
    TargetCadEntry add(std::u16string_view name, std::u16string_view progId);

    // Deletes the selected entry and selects the entry now at its index, or else the new last
    // entry; saves. Returns the boxes' new texts (empty when the list is now empty). Without a
    // selection it does nothing and returns nullopt.
    std::optional<TargetCadEntry> remove();

    // Replaces the selected entry by name + tab + ProgID. The entry keeps its place and its
    // selection until the next reload, even when it would now sort elsewhere; saves. The boxes
    // keep their texts. Returns false, doing nothing, without a selection.
    bool change(std::u16string_view name, std::u16string_view progId);

private:
    // Writes `entries` in `encoding` (updated when the file must become UTF-8 with BOM).
    void save(const std::vector<TextLine>& entries, TextEncoding& encoding) const;
    std::optional<TargetCadEntry> selectedEntry() const;

    std::filesystem::path file_;
    unsigned codePage_;
    TextEncoding encoding_ = TextEncoding::CodePage;
    std::vector<TextLine> entries_;
    std::optional<std::size_t> selected_;
};

}  // namespace tabrova
