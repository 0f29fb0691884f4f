#include "table/StatusText.h"

namespace tabrova {

namespace {

std::u16string shownPath(std::filesystem::path path) { return path.make_preferred().u16string(); }

}  // namespace

std::u16string sourceStatusText(const std::optional<WorkbookSource>& source,
                                bool applicationsReachable, std::u16string_view excelProgId) {
    if (source) {
        return u"取得元: " + source->path.filename().u16string() + u" [" + source->sheet + u"] " +
               source->range;
    }
    if (applicationsReachable) {
        return u"取得元: 起動中の Excel (" + std::u16string(excelProgId) + u")";
    }
    return u"取得元: なし (" + std::u16string(kNoWorkbookHint) + u")";
}

std::u16string sourceToolTip(const std::optional<WorkbookSource>& source) {
    return source ? shownPath(source->path) : std::u16string();
}

std::u16string insertStatusText(InsertOutcome outcome, const std::filesystem::path& dxfFile,
                                std::size_t replacedCharacters) {
    const char16_t* prefix = u"DXF を保存しました: ";
    if (outcome == InsertOutcome::inserted) prefix = u"CAD へ挿入しました: ";
    if (outcome == InsertOutcome::savedWithoutCad) prefix = u"CAD が起動していないため保存のみ: ";
    std::u16string text = prefix + shownPath(dxfFile);
    if (replacedCharacters > 0) {
        const std::string n = std::to_string(replacedCharacters);
        text += u" (DXF で表せない文字 " + std::u16string(n.begin(), n.end()) +
                u" 個を「〓」に置き換えました)";
    }
    return text;
}

std::u16string unreadOptionsText(const OptionFacts& unread, const OptionFacts& on) {
    const std::pair<bool, std::u16string_view> options[] = {
        {unread.borderStyles && on.borderStyles, u"罫線の線種と太さ"},
        {unread.verticalAlign && on.verticalAlign, u"文字の縦位置"},
        {unread.wrapText && on.wrapText, u"折り返して全体を表示"},
    };
    std::u16string names;
    for (const auto& [missing, name] : options) {
        if (!missing) continue;
        if (!names.empty()) names += u"、";
        names += u"「" + std::u16string(name) + u"」";
    }
    if (names.empty()) return {};
    return names +
           u" はセルごとの取得で読んでいないため、まだ図に反映されません. "
           u"「Excel から取得」で読み直してください.";
}

}  // namespace tabrova
