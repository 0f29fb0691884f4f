// The working settings and the settings file they are kept in between runs.
//
// The file is a private-profile file (see IniFile.h) with the sections "Varnekto", "Target",
// "Options", "MainWindow" and "RecentBooks".
// It is read once at start-up and written once when the program closes; every key is written on
// every save, and whatever else the file holds is kept.
//
// Typical use (the desktop program and the command-line tool alike):
//
//     const ProgramFiles files = locateProgramFiles();          // ProgramFiles.h
//     WorkingSettings settings = loadSettings(files.settingsFile, decimalSeparator);
//     ... work on `settings` ...
//     saveSettings(files.settingsFile, settings, decimalSeparator);  // may throw FileError
//
// `decimalSeparator` is the user's locale's, platform::userDecimalSeparator() (UserLocale.h), so
// that both programs read each other's files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "settings/OptionFacts.h"
#include "settings/WindowPlacement.h"

namespace tabrova {

struct WorkingSettings {
    // Section Varnekto.
    double colXsc = 20;    // grid column width in pixels per unit of spreadsheet column width
    double rowYsc = 3;     // grid row height in pixels per point of row height
    double cadXsc = 3;     // drawing units per unit of column width
    double cadYsc = 0.43;  // drawing units per point of row height
    double cadTsc = 0.27;  // text height in drawing units per point of font size
    double cadTof = 0.8;   // text base-point X offset as a multiple of the text height
    std::int32_t cellLineColor = 252;  // colour number of the cell separator lines, 256 = by layer
    bool cellLineDraw = true;          // whether the cell separator lines are drawn
    std::int32_t xlsVerNum = 16;       // carried through unchanged
    // Section Target.
    std::u16string targetProgID = u"BricscadApp.AcadApplication";  // key ProgID
    std::u16string excelPID = u"Excel.Application";                // key ExcelPID (Edit15)
    // Section Options: how closely the drawing follows the sheet. All off draws every border as
    // a thin continuous line and every text in one line, centred vertically.
    OptionFacts options;
    // The running spreadsheet application is read cell by cell, as a fallback for one whose bulk
    // read misbehaves.
    bool readPerCell = false;
    // Section MainWindow (keys left, top, width, height, maximized): the main window's last
    // normal (not maximised) client geometry in desktop pixels, and whether it was maximised.
    // Without a geometry (never saved, or a key missing or damaged) the window takes its design
    // size, centred.
    std::optional<ScreenRect> windowGeometry;
    bool windowMaximized = false;
    // Section RecentBooks (keys book1 to book8): the workbook files opened last, the latest
    // first (RecentBooks.h).
    std::vector<std::u16string> recentBooks;

    bool operator==(const WorkingSettings&) const = default;
};

// Reads the settings file. A missing file, a missing key or a value that does not parse gives
// that key's default. Throws platform::FileError when the file exists but cannot be read; the
// caller may then go on with WorkingSettings{} (and should expect the save to fail as well).
WorkingSettings loadSettings(const std::filesystem::path& file, char16_t decimalSeparator,
                             unsigned codePage = platform::systemAnsiCodePage());

// Writes every key, in the order Varnekto colXsc, rowYsc, cadXsc, cadYsc, cadTsc, cadTof,
// cellLineColor, cellLineDraw, xlsVerNum, then Target ProgID, ExcelPID, then Options
// borderStyles, verticalAlign, wrapText, fitText, readPerCell, then MainWindow left, top, width,
// height (only with a geometry), maximized, then RecentBooks book1 to book8 (empty past the
// list's end, so that a shorter list leaves no stale entry behind). Other sections, keys and
// comments already in the file are kept, as is the file's encoding (a new file is in the code
// page; one that must hold a character the code page lacks becomes UTF-8 with BOM). The file is
// replaced atomically. Throws platform::FileError naming the path and the system's reason when
// the existing file cannot be read or the new one cannot be written; the old file then stays as
// it was.
void saveSettings(const std::filesystem::path& file, const WorkingSettings& settings,
                  char16_t decimalSeparator, unsigned codePage = platform::systemAnsiCodePage());

// A double as the settings file and the scale boxes show it: general form, at most 15
// significant digits, no trailing zeros ("20", "0.43"); exponent form ("1E-6", "1.5E20") below
// 0.00001 in magnitude or with more than 15 integer digits. Not-a-number and infinities give
// "NAN", "INF" and "-INF".
std::u16string formatSettingsDouble(double value, char16_t decimalSeparator);

// Reads a double in the forms above, with either the given separator or "." (blanks around it
// allowed, an exponent "E"/"e" optional). nullopt for anything else, including an empty text,
// a thousands separator and a value that is not finite.
std::optional<double> parseSettingsDouble(std::u16string_view text, char16_t decimalSeparator);

// Reads a 32-bit integer: decimal with an optional sign, or hexadecimal with the prefix "0x" or
// "$" (up to 8 digits, 0xFFFFFFFF being -1). nullopt for anything else or out of range.
std::optional<std::int32_t> parseSettingsInteger(std::u16string_view text);

}  // namespace tabrova
