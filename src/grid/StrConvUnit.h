// Text tests and half-width/full-width conversions of the cell texts.
//
// StrToFullWidth and StrToHalfWidth use the platform's width mapping. The other four conversions
// work on the code page 932 (Shift_JIS) bytes of the text with the tables below; characters that
// code page 932 cannot represent pass them unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tabrova {

// True when every character is a digit 0-9, a full stop, a comma or a minus sign (also for an
// empty text; callers check emptiness themselves where it matters).
bool IsNumStr(std::u16string_view text);

// True when every character is an ASCII letter, a full stop, a comma or a minus sign (also for
// an empty text).
bool IsAlphaStr(std::u16string_view text);

// The platform's full-width / half-width mapping of the whole text. Should the platform fail,
// the text comes back unchanged rather than empty.
std::u16string StrToFullWidth(std::u16string_view text);
std::u16string StrToHalfWidth(std::u16string_view text);

// The full-width form, except that a text made only of IsNumStr's or only of IsAlphaStr's
// characters is left as it is.
std::u16string StrToFullWidthUnlessNumOrAlpha(std::u16string_view text);

// Full-width digits ０-９ to 0-9.
std::u16string FullNumToHalf(std::u16string_view text);
// Full-width letters Ａ-Ｚ, ａ-ｚ to A-Z, a-z.
std::u16string FullAlphaToHalf(std::u16string_view text);
// The full-width symbols of ForbiddenTable to their one-byte replacements.
std::u16string ForbiddenToHalf(std::u16string_view text);
// Half-width katakana and punctuation to full width; a base followed by its sound mark becomes
// the voiced or semi-voiced katakana.
std::u16string HalfKanaToFull(std::u16string_view text);

// Code page 932 two-byte character (lead byte << 8 | trail byte) for each single byte
// 0xA0-0xDF, indexed by the byte minus 0xA0.
// clang-format off
inline constexpr std::array<std::uint16_t, 64> HalfKanaTable = {
    // 　 。 「 」 、 ・ ヲ ァ ィ ゥ ェ ォ ャ ュ ョ ッ
    0x8140, 0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340,
    0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362,
    // ー ア イ ウ エ オ カ キ ク ケ コ サ シ ス セ ソ
    0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C,
    0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C,
    // タ チ ツ テ ト ナ ニ ヌ ネ ノ ハ ヒ フ ヘ ホ マ
    0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D,
    // ミ ム メ モ ヤ ユ ヨ ラ リ ル レ ロ ワ ン ゛ ゜
    0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389,
    0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};
// clang-format on

// Code page 932 string of triples: a half-width base byte and the two-byte katakana it becomes
// with the voiced sound mark 0xDE:
// ｶガｷギｸグｹゲｺゴｻザｼジｽズｾゼｿゾﾀダﾁヂﾂヅﾃデﾄドﾊバﾋビﾌブﾍベﾎボｳヴ
inline constexpr std::string_view VoicedPairs =
    "\xB6\x83\x4B\xB7\x83\x4D\xB8\x83\x4F\xB9\x83\x51\xBA\x83\x53"  // ｶガ ｷギ ｸグ ｹゲ ｺゴ
    "\xBB\x83\x55\xBC\x83\x57\xBD\x83\x59\xBE\x83\x5B\xBF\x83\x5D"  // ｻザ ｼジ ｽズ ｾゼ ｿゾ
    "\xC0\x83\x5F\xC1\x83\x61\xC2\x83\x64\xC3\x83\x66\xC4\x83\x68"  // ﾀダ ﾁヂ ﾂヅ ﾃデ ﾄド
    "\xCA\x83\x6F\xCB\x83\x72\xCC\x83\x75\xCD\x83\x78\xCE\x83\x7B"  // ﾊバ ﾋビ ﾌブ ﾍベ ﾎボ
    "\xB3\x83\x94";                                                 // ｳヴ

// The same for the semi-voiced sound mark 0xDF: ﾊパﾋピﾌプﾍペﾎポ
inline constexpr std::string_view SemiVoicedPairs =
    "\xCA\x83\x70\xCB\x83\x73\xCC\x83\x76\xCD\x83\x79\xCE\x83\x7C";  // ﾊパ ﾋピ ﾌプ ﾍペ ﾎポ

struct ForbiddenEntry {
    std::uint16_t code;  // code page 932 two-byte character
    char result;         // its one-byte replacement
};

// The full-width symbols that ForbiddenToHalf replaces. ｜ becomes the letter l (not the vertical
// bar) and ￥ the byte 0x5C; ＼ ・ ～ ‘ ’ “ ” are not in the table and stay.
inline constexpr std::array<ForbiddenEntry, 29> ForbiddenTable = {{
    {0x8143, ','},   // ，
    {0x8144, '.'},   // ．
    {0x8146, ':'},   // ：
    {0x8147, ';'},   // ；
    {0x8148, '?'},   // ？
    {0x8149, '!'},   // ！
    {0x814D, '`'},   // ｀
    {0x814F, '^'},   // ＾
    {0x8151, '_'},   // ＿
    {0x815E, '/'},   // ／
    {0x8162, 'l'},   // ｜
    {0x8169, '('},   // （
    {0x816A, ')'},   // ）
    {0x816D, '['},   // ［
    {0x816E, ']'},   // ］
    {0x816F, '{'},   // ｛
    {0x8170, '}'},   // ｝
    {0x817B, '+'},   // ＋
    {0x817C, '-'},   // －
    {0x8181, '='},   // ＝
    {0x8183, '<'},   // ＜
    {0x8184, '>'},   // ＞
    {0x818F, '\\'},  // ￥
    {0x8190, '$'},   // ＄
    {0x8193, '%'},   // ％
    {0x8194, '#'},   // ＃
    {0x8195, '&'},   // ＆
    {0x8196, '*'},   // ＊
    {0x8197, '@'},   // ＠
}};

}  // namespace tabrova
