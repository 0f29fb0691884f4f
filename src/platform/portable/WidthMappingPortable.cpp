// Width mapping without the system's locale tables: a table of our own that follows what
// LCMapStringW does under a Japanese locale with LCMAP_FULLWIDTH / LCMAP_HALFWIDTH. Every
// character pair is a row of data below, so a difference from the system's mapping is corrected
// by editing one row.
#include <array>
#include <cstdint>
#include <memory>

#include "platform/WidthMapping.h"

namespace tabrova::platform {
namespace {

// `count` consecutive characters from `half` and `count` consecutive characters from `full`
// are each other's half-width and full-width forms.
struct WidthRun {
    char16_t half;
    char16_t full;
    char16_t count;
};

constexpr WidthRun kWidthRuns[] = {
    {0x0020, 0x3000, 1},   // space, ideographic space
    {0x0021, 0xFF01, 94},  // printable ASCII ! through ~, ！ through ～

    // Half-width katakana and Japanese punctuation.
    {0xFF61, 0x3002, 1},  // ｡ 。
    {0xFF62, 0x300C, 1},  // ｢ 「
    {0xFF63, 0x300D, 1},  // ｣ 」
    {0xFF64, 0x3001, 1},  // ､ 、
    {0xFF65, 0x30FB, 1},  // ･ ・
    {0xFF66, 0x30F2, 1},  // ｦ ヲ
    {0xFF67, 0x30A1, 1},  // ｧ ァ
    {0xFF68, 0x30A3, 1},  // ｨ ィ
    {0xFF69, 0x30A5, 1},  // ｩ ゥ
    {0xFF6A, 0x30A7, 1},  // ｪ ェ
    {0xFF6B, 0x30A9, 1},  // ｫ ォ
    {0xFF6C, 0x30E3, 1},  // ｬ ャ
    {0xFF6D, 0x30E5, 1},  // ｭ ュ
    {0xFF6E, 0x30E7, 1},  // ｮ ョ
    {0xFF6F, 0x30C3, 1},  // ｯ ッ
    {0xFF70, 0x30FC, 1},  // ｰ ー
    {0xFF71, 0x30A2, 1},  // ｱ ア
    {0xFF72, 0x30A4, 1},  // ｲ イ
    {0xFF73, 0x30A6, 1},  // ｳ ウ
    {0xFF74, 0x30A8, 1},  // ｴ エ
    {0xFF75, 0x30AA, 1},  // ｵ オ
    {0xFF76, 0x30AB, 1},  // ｶ カ
    {0xFF77, 0x30AD, 1},  // ｷ キ
    {0xFF78, 0x30AF, 1},  // ｸ ク
    {0xFF79, 0x30B1, 1},  // ｹ ケ
    {0xFF7A, 0x30B3, 1},  // ｺ コ
    {0xFF7B, 0x30B5, 1},  // ｻ サ
    {0xFF7C, 0x30B7, 1},  // ｼ シ
    {0xFF7D, 0x30B9, 1},  // ｽ ス
    {0xFF7E, 0x30BB, 1},  // ｾ セ
    {0xFF7F, 0x30BD, 1},  // ｿ ソ
    {0xFF80, 0x30BF, 1},  // ﾀ タ
    {0xFF81, 0x30C1, 1},  // ﾁ チ
    {0xFF82, 0x30C4, 1},  // ﾂ ツ
    {0xFF83, 0x30C6, 1},  // ﾃ テ
    {0xFF84, 0x30C8, 1},  // ﾄ ト
    {0xFF85, 0x30CA, 1},  // ﾅ ナ
    {0xFF86, 0x30CB, 1},  // ﾆ ニ
    {0xFF87, 0x30CC, 1},  // ﾇ ヌ
    {0xFF88, 0x30CD, 1},  // ﾈ ネ
    {0xFF89, 0x30CE, 1},  // ﾉ ノ
    {0xFF8A, 0x30CF, 1},  // ﾊ ハ
    {0xFF8B, 0x30D2, 1},  // ﾋ ヒ
    {0xFF8C, 0x30D5, 1},  // ﾌ フ
    {0xFF8D, 0x30D8, 1},  // ﾍ ヘ
    {0xFF8E, 0x30DB, 1},  // ﾎ ホ
    {0xFF8F, 0x30DE, 1},  // ﾏ マ
    {0xFF90, 0x30DF, 1},  // ﾐ ミ
    {0xFF91, 0x30E0, 1},  // ﾑ ム
    {0xFF92, 0x30E1, 1},  // ﾒ メ
    {0xFF93, 0x30E2, 1},  // ﾓ モ
    {0xFF94, 0x30E4, 1},  // ﾔ ヤ
    {0xFF95, 0x30E6, 1},  // ﾕ ユ
    {0xFF96, 0x30E8, 1},  // ﾖ ヨ
    {0xFF97, 0x30E9, 1},  // ﾗ ラ
    {0xFF98, 0x30EA, 1},  // ﾘ リ
    {0xFF99, 0x30EB, 1},  // ﾙ ル
    {0xFF9A, 0x30EC, 1},  // ﾚ レ
    {0xFF9B, 0x30ED, 1},  // ﾛ ロ
    {0xFF9C, 0x30EF, 1},  // ﾜ ワ
    {0xFF9D, 0x30F3, 1},  // ﾝ ン
    // The sound marks map to the spacing marks, not to the combining U+3099 / U+309A.
    {0xFF9E, 0x309B, 1},  // ﾞ ゛
    {0xFF9F, 0x309C, 1},  // ﾟ ゜

    // Signs whose full-width forms sit in the half-width and full-width forms block.
    {0x00A2, 0xFFE0, 1},  // ¢ ￠
    {0x00A3, 0xFFE1, 1},  // £ ￡
    {0x00AC, 0xFFE2, 1},  // ¬ ￢
    {0x00AF, 0xFFE3, 1},  // ¯ ￣
    {0x00A6, 0xFFE4, 1},  // ¦ ￤
    {0x00A5, 0xFFE5, 1},  // ¥ ￥
    {0x20A9, 0xFFE6, 1},  // ₩ ￦

    // Half-width hangul and the hangul compatibility jamo.
    {0xFFA0, 0x3164, 1},   // filler
    {0xFFA1, 0x3131, 30},  // consonants ㄱ ... ㅎ
    {0xFFC2, 0x314F, 6},   // vowels ㅏ ... ㅔ
    {0xFFCA, 0x3155, 6},   // ㅕ ... ㅚ
    {0xFFD2, 0x315B, 6},   // ㅛ ... ㅠ
    {0xFFDA, 0x3161, 3},   // ㅡ ㅢ ㅣ

    // Half-width forms of arrows and geometric shapes, and the white parentheses.
    {0xFFE8, 0x2502, 1},  // ￨ │
    {0xFFE9, 0x2190, 4},  // ￩ ￪ ￫ ￬, ← ↑ → ↓
    {0xFFED, 0x25A0, 1},  // ￭ ■
    {0xFFEE, 0x25CB, 1},  // ￮ ○
    {0x2985, 0xFF5F, 2},  // ⦅ ⦆, ｟ ｠
};

// Characters that LCMAP_HALFWIDTH narrows although they are not what the full-width mapping of
// their half-width form gives: the combining sound marks, and the quotation marks that stand for
// the apostrophe and the quotation mark in Japanese text.
struct OneWayHalf {
    char16_t full;
    char16_t half;
};

constexpr OneWayHalf kOneWayHalves[] = {
    {0x3099, 0xFF9E},  // combining voiced sound mark, ﾞ
    {0x309A, 0xFF9F},  // combining semi-voiced sound mark, ﾟ
    {0x2018, 0x0027},  // ‘ '
    {0x2019, 0x0027},  // ’ '
    {0x201C, 0x0022},  // “ "
    {0x201D, 0x0022},  // ” "
};

// A half-width base followed by a half-width sound mark that become one full-width voiced
// katakana (and that one character splits back into the two). Only the pairs that also exist
// as single characters in code page 932.
struct SoundMarkPair {
    char16_t base;
    char16_t mark;
    char16_t full;
};

constexpr SoundMarkPair kSoundMarkPairs[] = {
    {0xFF76, 0xFF9E, 0x30AC},  // ｶﾞ ガ
    {0xFF77, 0xFF9E, 0x30AE},  // ｷﾞ ギ
    {0xFF78, 0xFF9E, 0x30B0},  // ｸﾞ グ
    {0xFF79, 0xFF9E, 0x30B2},  // ｹﾞ ゲ
    {0xFF7A, 0xFF9E, 0x30B4},  // ｺﾞ ゴ
    {0xFF7B, 0xFF9E, 0x30B6},  // ｻﾞ ザ
    {0xFF7C, 0xFF9E, 0x30B8},  // ｼﾞ ジ
    {0xFF7D, 0xFF9E, 0x30BA},  // ｽﾞ ズ
    {0xFF7E, 0xFF9E, 0x30BC},  // ｾﾞ ゼ
    {0xFF7F, 0xFF9E, 0x30BE},  // ｿﾞ ゾ
    {0xFF80, 0xFF9E, 0x30C0},  // ﾀﾞ ダ
    {0xFF81, 0xFF9E, 0x30C2},  // ﾁﾞ ヂ
    {0xFF82, 0xFF9E, 0x30C5},  // ﾂﾞ ヅ
    {0xFF83, 0xFF9E, 0x30C7},  // ﾃﾞ デ
    {0xFF84, 0xFF9E, 0x30C9},  // ﾄﾞ ド
    {0xFF8A, 0xFF9E, 0x30D0},  // ﾊﾞ バ
    {0xFF8B, 0xFF9E, 0x30D3},  // ﾋﾞ ビ
    {0xFF8C, 0xFF9E, 0x30D6},  // ﾌﾞ ブ
    {0xFF8D, 0xFF9E, 0x30D9},  // ﾍﾞ ベ
    {0xFF8E, 0xFF9E, 0x30DC},  // ﾎﾞ ボ
    {0xFF73, 0xFF9E, 0x30F4},  // ｳﾞ ヴ
    {0xFF8A, 0xFF9F, 0x30D1},  // ﾊﾟ パ
    {0xFF8B, 0xFF9F, 0x30D4},  // ﾋﾟ ピ
    {0xFF8C, 0xFF9F, 0x30D7},  // ﾌﾟ プ
    {0xFF8D, 0xFF9F, 0x30DA},  // ﾍﾟ ペ
    {0xFF8E, 0xFF9F, 0x30DD},  // ﾎﾟ ポ
};

struct Lookup {
    std::array<char16_t, 0x10000> toFull{};             // 0: no full-width form
    std::array<char16_t, 0x10000> toHalf{};             // 0: no half-width form
    std::array<const SoundMarkPair*, 0x10000> split{};  // by the full-width character
};

const Lookup& lookup() {
    static const std::unique_ptr<Lookup> table = [] {
        auto t = std::make_unique<Lookup>();
        for (const WidthRun& run : kWidthRuns) {
            for (char16_t i = 0; i < run.count; ++i) {
                const auto half = static_cast<char16_t>(run.half + i);
                const auto full = static_cast<char16_t>(run.full + i);
                t->toFull[half] = full;
                t->toHalf[full] = half;
            }
        }
        for (const OneWayHalf& oneWay : kOneWayHalves) t->toHalf[oneWay.full] = oneWay.half;
        for (const SoundMarkPair& pair : kSoundMarkPairs) t->split[pair.full] = &pair;
        return t;
    }();
    return *table;
}

const SoundMarkPair* joinedPair(char16_t base, char16_t mark) {
    if (mark != 0xFF9E && mark != 0xFF9F) return nullptr;
    for (const SoundMarkPair& pair : kSoundMarkPairs) {
        if (pair.base == base && pair.mark == mark) return &pair;
    }
    return nullptr;
}

}  // namespace

std::optional<std::u16string> mapToFullWidth(std::u16string_view text) {
    const Lookup& t = lookup();
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (i + 1 < text.size()) {
            if (const SoundMarkPair* pair = joinedPair(c, text[i + 1])) {
                out.push_back(pair->full);
                ++i;
                continue;
            }
        }
        out.push_back(t.toFull[c] ? t.toFull[c] : c);
    }
    return out;
}

std::optional<std::u16string> mapToHalfWidth(std::u16string_view text) {
    const Lookup& t = lookup();
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (const SoundMarkPair* pair = t.split[c]) {
            out.push_back(pair->base);
            out.push_back(pair->mark);
        } else {
            out.push_back(t.toHalf[c] ? t.toHalf[c] : c);
        }
    }
    return out;
}

}  // namespace tabrova::platform
