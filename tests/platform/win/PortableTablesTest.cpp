// The portable stand-ins checked against Windows itself: the file that dump-portable-tables wrote
// (named by TABROVA_PORTABLE_TABLES; scripts/windows-tests writes it) holds what our code page
// 932 conversion and width mapping give for every input, and each line is compared with what the
// system gives for the same input.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tabrova::platform {
namespace {

using Units = std::vector<unsigned>;

Units parseUnits(const std::string& text) {
    Units units;
    if (text == "-") return units;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, '.')) units.push_back(std::stoul(part, nullptr, 16));
    return units;
}

std::string hex(const Units& units) {
    if (units.empty()) return "-";
    std::string out;
    char part[8];
    for (const unsigned unit : units) {
        std::snprintf(part, sizeof part, "%s%X", out.empty() ? "" : ".", unit);
        out += part;
    }
    return out;
}

std::wstring wide(const Units& units) { return std::wstring(units.begin(), units.end()); }

Units unitsOf(const wchar_t* text, int length) {
    Units out;
    for (int i = 0; i < length; ++i) out.push_back(static_cast<unsigned>(text[i]));
    return out;
}

Units systemDecode(const Units& bytes) {
    const std::string in(bytes.begin(), bytes.end());
    wchar_t out[8];
    const int n = MultiByteToWideChar(932, 0, in.data(), static_cast<int>(in.size()), out, 8);
    return unitsOf(out, n);
}

// No bytes when the system has only a substitute (the default character) for the character.
Units systemEncode(const Units& text) {
    const std::wstring in = wide(text);
    char out[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, in.data(),
                                      static_cast<int>(in.size()), out, 8, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return {};
    Units bytes;
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<unsigned char>(out[i]));
    return bytes;
}

Units systemMapWidth(const Units& text, DWORD flag) {
    const std::wstring in = wide(text);
    wchar_t out[8];
    const int n = LCMapStringW(MAKELCID(0x0411, SORT_DEFAULT), flag, in.data(),
                               static_cast<int>(in.size()), out, 8);
    return unitsOf(out, n);
}

bool runsUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Where Wine's reimplementation differs from Windows and our tables follow Windows: the result
// Wine gives, by kind and input. Applied only under Wine; any other difference fails, and so does
// a listed input for which Wine gives anything else.
const std::map<std::string, std::string>& knownWineDeviations() {
    static const std::map<std::string, std::string> deviations = {
        // Windows widens the half-width sound marks to the spacing marks ゛ ゜, the double-byte
        // characters code page 932 pairs them with (0xDE/0xDF and 0x814A/0x814B); Wine widens
        // them to the combining U+3099 / U+309A of their compatibility decomposition, which code
        // page 932 cannot write, and even turns the full-width spacing marks into them.
        {"F FF9E", "3099"},
        {"F FF9F", "309A"},
        {"F 309B", "3099"},
        {"F 309C", "309A"},
        {"F FF9E.FF9E", "3099.3099"},
        {"F FF9E.FF9F", "3099.309A"},
        {"F FF9F.FF9E", "309A.3099"},
        {"F FF9F.FF9F", "309A.309A"},
        // Wine joins ﾜﾞ and ｦﾞ into ヷ and ヺ, and splits ヷ ヸ ヹ ヺ ヾ (ヸ, ヹ and ヾ into a
        // full-width base and a half-width mark). Windows joins and splits only the voiced
        // katakana that code page 932 has as one character; these it has not.
        {"F FF9C.FF9E", "30F7"},
        {"F FF66.FF9E", "30FA"},
        {"H 30F7", "FF9C.FF9E"},
        {"H 30F8", "30F0.FF9E"},
        {"H 30F9", "30F1.FF9E"},
        {"H 30FA", "FF66.FF9E"},
        {"H 30FE", "30FD.FF9E"},
        // Wine leaves the backslash and the full-width reverse solidus as they are; they are a
        // width pair in Unicode's data (U+FF3C <wide> U+005C) as every other ASCII character.
        {"F 5C", "5C"},
        {"H FF3C", "FF3C"},
    };
    return deviations;
}

// The same deviation for a sound mark after any other half-width character: where ours ends in
// the spacing mark, Wine gives the combining one after the same character.
bool isWineSoundMarkAfterBase(char kind, const std::string& ours, const std::string& got) {
    if (kind != 'F' || ours.size() < 5 || got.size() != ours.size()) return false;
    const std::string head = ours.substr(0, ours.size() - 4);
    const std::string mark = ours.substr(ours.size() - 4);
    return (mark == "309B" && got == head + "3099") || (mark == "309C" && got == head + "309A");
}

TEST(PortableTables, MatchTheSystemForEveryInput) {
    const char* path = std::getenv("TABROVA_PORTABLE_TABLES");
    if (!path || !*path) GTEST_SKIP() << "TABROVA_PORTABLE_TABLES is not set";
    std::ifstream file(path);
    ASSERT_TRUE(file) << "cannot open " << path;

    const bool wine = runsUnderWine();
    const auto& deviations = knownWineDeviations();
    std::map<char, int> compared;
    int known = 0;
    std::vector<std::string> differences;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        char kind = 0;
        std::string in;
        std::string ours;
        fields >> kind >> in >> ours;
        const Units input = parseUnits(in);
        Units system;
        switch (kind) {
            case 'D':
                system = systemDecode(input);
                break;
            case 'E':
                system = systemEncode(input);
                break;
            case 'F':
                system = systemMapWidth(input, LCMAP_FULLWIDTH);
                break;
            case 'H':
                system = systemMapWidth(input, LCMAP_HALFWIDTH);
                break;
            default:
                FAIL() << "unknown line: " << line;
        }
        ++compared[kind];
        const std::string got = hex(system);
        if (got == ours) continue;
        const auto deviation = deviations.find(std::string(1, kind) + " " + in);
        const bool pair = in.find('.') != std::string::npos;
        if (wine && ((deviation != deviations.end() && deviation->second == got) ||
                     (pair && deviation == deviations.end() &&
                      isWineSoundMarkAfterBase(kind, ours, got)))) {
            ++known;
            continue;
        }
        differences.push_back(line + " system " + got);
    }
    std::printf(
        "compared: %d decodings, %d encodings, %d full-width and %d half-width mappings;"
        " %d known Wine deviations\n",
        compared['D'], compared['E'], compared['F'], compared['H'], known);
    EXPECT_GT(compared['E'], 0xFFFF);
    for (const std::string& difference : differences) std::printf("%s\n", difference.c_str());
    EXPECT_EQ(differences.size(), 0u) << "differences listed above as: kind input ours system";
}

}  // namespace
}  // namespace tabrova::platform
