#include "workbook/WorkbookError.h"

#include <expat.h>

#include <pugixml.hpp>

namespace tabrova::workbook {

namespace {

struct Wording {
    ReadProblem problem;
    const char* english;
    const char* japanese;
};

// {0}..{3} stand for the reason's parts; {@} for where the reader stopped, which otherwise
// follows the reason.
constexpr Wording kWordings[kReadProblemCount] = {
    // The file itself.
    {ReadProblem::fileError, "{0}", "{0}"},
    {ReadProblem::cannotOpenFile, "the file cannot be opened", "ファイルを開けません"},
    {ReadProblem::cannotReadFile, "the file cannot be read", "ファイルを読み込めません"},
    {ReadProblem::notRegularFile, "not a regular file", "通常のファイルではありません"},
    {ReadProblem::emptyFile, "the file is empty", "ファイルが空です"},
    {ReadProblem::tooLargeForMemory, "the workbook is too large to read into memory",
     "ブックが大きすぎてメモリに読み込めません"},
    {ReadProblem::fileChanged, "the file changed", "読み込み中にファイルが変更されました"},
    // The zip package.
    {ReadProblem::oldBinaryOrEncrypted,
     "the workbook is password-protected (encrypted) or in the old binary format (.xls); save it "
     "as an unprotected .xlsx workbook",
     "ブックがパスワードで保護 (暗号化) されているか、古いバイナリ形式 (.xls) です。"
     "保護のない .xlsx 形式で保存し直してください"},
    {ReadProblem::emptyNotWorkbook, "the file is empty, not a workbook",
     "ファイルが空です (ブックではありません)"},
    {ReadProblem::notZip, "not a workbook (the file is not a zip archive)",
     "ブックではありません (zip 形式のファイルではありません)"},
    {ReadProblem::zipInconsistent, "the workbook is damaged (inconsistent zip archive)",
     "ブックが壊れています (zip の内容に矛盾があります)"},
    {ReadProblem::zipUnreadable, "the workbook is damaged (unreadable zip archive)",
     "ブックが壊れています (zip を読み取れません)"},
    {ReadProblem::partUnreadable, "the workbook is damaged (part {0} cannot be read)",
     "ブックが壊れています (パーツ {0} を読み取れません)"},
    {ReadProblem::partEncrypted, "part {0} is encrypted", "パーツ {0} が暗号化されています"},
    {ReadProblem::partOutOfProportion,
     "part {0} inflates to {1} bytes from {2}, out of proportion (refused as a possible zip "
     "bomb)",
     "パーツ {0} は {2} バイトから {1} バイトに展開され、圧縮率が異常です "
     "(zip 爆弾の疑いがあるため読み込みません)"},
    {ReadProblem::partTooLarge,
     "part {0} is too large to read ({1} MiB; the limit is {2} MiB a part, {3} MiB in all)",
     "パーツ {0} が大きすぎて読み込めません ({1} MiB。上限はパーツごとに {2} MiB、合計 {3} "
     "MiB です)"},
    {ReadProblem::partCannotOpen, "the workbook is damaged (part {0} cannot be opened)",
     "ブックが壊れています (パーツ {0} を開けません)"},
    {ReadProblem::partInflatesWrongly,
     "the workbook is damaged (part {0} does not inflate as stated)",
     "ブックが壊れています (パーツ {0} の展開結果が記録された大きさと合いません)"},
    {ReadProblem::partMissing, "not a workbook (part {0} is missing)",
     "ブックではありません (パーツ {0} がありません)"},
    {ReadProblem::partNotWellFormed, "part {0} is not well-formed XML ({1} at byte {2})",
     "パーツ {0} が正しい XML ではありません ({2} バイト目: {1})"},
    {ReadProblem::partNestsTooDeep, "part {0}: elements nest more than 64 deep",
     "パーツ {0} の要素の入れ子が 64 段を超えています"},
    {ReadProblem::packageHoldsNoSpreadsheet, "not a workbook (the package holds no spreadsheet)",
     "ブックではありません (スプレッドシートを含まないパッケージです)"},
    {ReadProblem::archiveHoldsNoWorkbook, "not a workbook (the zip archive holds no {0})",
     "ブックではありません (zip の中に {0} がありません)"},
    {ReadProblem::partHoldsNoWorkbook, "not a workbook (part {0} holds no workbook)",
     "ブックではありません (パーツ {0} にブックの記述がありません)"},
    {ReadProblem::listsNoSheets, "not a workbook (it lists no sheets)",
     "ブックではありません (シートがひとつもありません)"},
    {ReadProblem::sheetHasNoPart, "the workbook is damaged (sheet {0} has no part)",
     "ブックが壊れています (シート {0} のパーツがありません)"},
    {ReadProblem::sheetHoldsNoWorksheet, "the workbook is damaged (sheet {0} holds no worksheet)",
     "ブックが壊れています (シート {0} にワークシートの記述がありません)"},
    // The cells of a sheet.
    {ReadProblem::mergesTooMany, "sheet {0}: its merged cells overlap or are too many to index",
     "シート {0}: 結合セルが重なっているか、多すぎて扱えません"},
    {ReadProblem::referenceOutsideLimits,
     "sheet {0}: reference \"{1}\" lies outside the sheet's limits ({2} rows, {3} columns)",
     "シート {0}: 参照 \"{1}\" がシートの範囲 ({2} 行、{3} 列) の外にあります"},
    {ReadProblem::cellOutsideLimits,
     "sheet {0}: cell {1} lies outside the sheet's limits ({2} rows, {3} columns)",
     "シート {0}: セル {1} がシートの範囲 ({2} 行、{3} 列) の外にあります"},
    {ReadProblem::columnRangeOutsideLimits,
     "sheet {0}: column range {1} lies outside the sheet's limits ({2} rows, {3} columns)",
     "シート {0}: 列の範囲 {1} がシートの範囲 ({2} 行、{3} 列) の外にあります"},
    {ReadProblem::rowOutsideLimits,
     "sheet {0}: row {1} lies outside the sheet's limits ({2} rows, {3} columns)",
     "シート {0}: 行 {1} がシートの範囲 ({2} 行、{3} 列) の外にあります"},
    {ReadProblem::cellOfRowOutsideLimits,
     "sheet {0}: a cell of row {1} lies outside the sheet's limits ({2} rows, {3} columns)",
     "シート {0}: {1} 行目のセルがシートの範囲 ({2} 行、{3} 列) の外にあります"},
    {ReadProblem::malformedRowNumber, "sheet {0}: malformed row number \"{1}\"",
     "シート {0}: 行番号 \"{1}\" が正しくありません"},
    {ReadProblem::malformedCellReference, "sheet {0}: malformed cell reference \"{1}\"",
     "シート {0}: セル参照 \"{1}\" が正しくありません"},
    {ReadProblem::cellInWrongRow, "sheet {0}: cell {1} is listed in row {2}",
     "シート {0}: セル {1} が {2} 行目に記録されています"},
    {ReadProblem::missingSharedString,
     "sheet {0}: cell {1} refers to a shared string that does not exist",
     "シート {0}: セル {1} が存在しない共有文字列を参照しています"},
    {ReadProblem::malformedDate, "sheet {0}: cell {1} holds a malformed date",
     "シート {0}: セル {1} の日付が正しくありません"},
    {ReadProblem::malformedNumber, "sheet {0}: cell {1} holds a malformed number",
     "シート {0}: セル {1} の数値が正しくありません"},
    // What the user chose.
    {ReadProblem::notAWorksheet, "sheet {0} is not a worksheet",
     "シート {0} はワークシートではありません"},
    {ReadProblem::noSuchSheet, "no such sheet", "そのシートはありません"},
    {ReadProblem::noSheetNamed, "no sheet named {0}", "シート {0} がありません"},
    {ReadProblem::noCellRange, "no cell range {0}", "セル範囲 {0} は正しい範囲ではありません"},
    {ReadProblem::rangeOutsideSheet, "the range lies outside the sheet",
     "範囲がシートの外にあります"},
    // An XML Spreadsheet 2003 document.
    {ReadProblem::attributeTooLong, "an attribute value ({0}) is longer than 64 KiB",
     "属性 {0} の値が 64 KiB を超えています"},
    {ReadProblem::firstCellOutsideSheet, "the document's first cell lies outside the sheet",
     "文書の最初のセルがシートの外にあります"},
    {ReadProblem::nestsTooDeep, "elements nest more than 64 deep",
     "要素の入れ子が 64 段を超えています"},
    {ReadProblem::notSpreadsheetMlRoot,
     "not an XML Spreadsheet 2003 document: its root element is <{0}>",
     "XML スプレッドシート 2003 の文書ではありません (ルート要素が <{0}> です)"},
    {ReadProblem::noWorksheetInDocument, "the document holds no worksheet",
     "文書にワークシートがありません"},
    {ReadProblem::pastSheetEdge, "{0} lies past the sheet's edge", "{0}がシートの端を越えています"},
    {ReadProblem::indexOutsideSheet, "{0}'s ss:{1} {2} lies outside the sheet (1 to {3})",
     "{0}の ss:{1} {2} がシートの範囲 (1 から {3}) の外にあります"},
    {ReadProblem::extentPastSheetEdge, "{0}'s ss:{1} {2} reaches past the sheet's edge ({3})",
     "{0}の ss:{1} {2} がシートの端 ({3}) を越えています"},
    {ReadProblem::undefinedStyle, "{0} names the style {1}, which the document does not define",
     "{0}が文書に定義されていないスタイル {1} を指定しています"},
    {ReadProblem::notFiniteAttribute, "ss:{0} {1} is not a finite number",
     "ss:{0} {1} が有限の数値ではありません"},
    {ReadProblem::styleWithoutId, "a style has no ss:ID", "ss:ID のないスタイルがあります"},
    {ReadProblem::undefinedParentStyle,
     "the style {0} names the parent style {1}, which the document does not define",
     "スタイル {0} の親スタイル {1} が文書に定義されていません"},
    {ReadProblem::styleOwnAncestor, "the style {0} is its own ancestor through ss:Parent",
     "スタイル {0} が ss:Parent をたどると自分自身の親になっています"},
    {ReadProblem::cellNotDateTime, "{0} holds {1}, which is not a date and time",
     "{0}の値 {1} が日付時刻ではありません"},
    {ReadProblem::cellNotFiniteNumber, "{0} holds {1}, which is not a finite number",
     "{0}の値 {1} が有限の数値ではありません"},
    {ReadProblem::documentEndsEarly, "the document ends before it is complete",
     "文書が途中で終わっています"},
    {ReadProblem::encodingMismatch, "the XML declaration names an encoding the bytes are not in",
     "XML 宣言の文字コードと実際の文字コードが違います"},
    {ReadProblem::unknownEncoding, "the document is in an encoding the reader does not know",
     "文書の文字コードに対応していません"},
    {ReadProblem::undefinedEntity, "the document refers to an entity it does not define",
     "文書が定義されていない実体を参照しています"},
    {ReadProblem::documentNotWellFormed, "the document is not well-formed XML: {0}",
     "文書が正しい XML ではありません: {0}"},
    {ReadProblem::notXml, "not an XML Spreadsheet 2003 document: not XML ({0}{@})",
     "XML スプレッドシート 2003 の文書ではありません: XML ではありません ({0}{@})"},
    {ReadProblem::documentHasDtd,
     "the document has a document type declaration (DTD), which the format never holds",
     "文書に文書型宣言 (DTD) があります (この形式の文書にはないものです)"},
    {ReadProblem::documentDeclaresEntity,
     "the document declares an entity, which the format never holds",
     "文書が実体を宣言しています (この形式の文書にはないものです)"},
    {ReadProblem::packageTooLarge, "the package is too large to read",
     "パッケージが大きすぎて読み込めません"},
    {ReadProblem::zipNotSpreadsheet,
     "not a spreadsheet (a zip archive that is neither an .xlsx workbook nor an OpenDocument "
     "spreadsheet)",
     "スプレッドシートではありません (.xlsx ブックでも OpenDocument スプレッドシートでもない zip "
     "ファイルです)"},
    {ReadProblem::packageNotOdsSpreadsheet,
     "not an OpenDocument spreadsheet (the package holds {0})",
     "OpenDocument スプレッドシートではありません (パッケージの種類は {0} です)"},
    {ReadProblem::odsEncrypted,
     "the spreadsheet is password-protected (encrypted); save it without a password",
     "スプレッドシートがパスワードで保護 (暗号化) "
     "されています。パスワードなしで保存し直してください"},
    {ReadProblem::odsNoContent, "the package has no content.xml, not a spreadsheet",
     "パッケージに content.xml がありません (スプレッドシートではありません)"},
    {ReadProblem::odsNoSheet, "the spreadsheet holds no sheet",
     "スプレッドシートにシートがありません"},
    {ReadProblem::partEmpty, "the part {0} is empty", "パーツ {0} が空です"},
    {ReadProblem::documentEmpty, "the document is empty", "文書が空です"},
    {ReadProblem::odsNotXml, "not an OpenDocument spreadsheet: not XML ({0}{@})",
     "OpenDocument スプレッドシートではありません: XML ではありません ({0}{@})"},
    {ReadProblem::odsRootNotSpreadsheet,
     "not an OpenDocument spreadsheet: its root element is <{0}>",
     "OpenDocument スプレッドシートではありません (ルート要素が <{0}> です)"},
    {ReadProblem::odsDocumentNotSpreadsheet, "not an OpenDocument spreadsheet: the document is {0}",
     "OpenDocument スプレッドシートではありません (文書の種類は {0} です)"},
    {ReadProblem::notACount, "{0} is not a count: {1}", "{0}が個数ではありません: {1}"},
    {ReadProblem::notFiniteLength, "{0} is not a finite length: {1}",
     "{0} が有限の長さではありません: {1}"},
    {ReadProblem::odsCellNotFinite, "a cell's value is not a finite number: {0}",
     "セルの値が有限の数値ではありません: {0}"},
    {ReadProblem::mergePastSheetEdge,
     "a merged area runs past the sheet's edge ({0} rows by {1} columns)",
     "結合セルがシートの端を越えています ({0} 行 x {1} 列)"},
    {ReadProblem::cellStyleOwnAncestor,
     "the cell style {0} is its own ancestor through style:parent-style-name",
     "セルスタイル {0} が style:parent-style-name をたどると自分自身の親になっています"},
    // The clipboard.
    {ReadProblem::clipboardEmpty,
     "the clipboard is empty: copy a cell range in LibreOffice Calc or Excel and take it again",
     "クリップボードは空です。LibreOffice Calc か Excel "
     "でセル範囲をコピーしてから、もう一度取得してください"},
    {ReadProblem::clipboardHoldsText,
     "the clipboard holds plain text only, without the cells' sizes and lines: copy a cell range "
     "in LibreOffice Calc or Excel and take it again",
     "クリップボードにはテキストしかなく、セルの幅や罫線がありません。LibreOffice Calc か Excel "
     "でセル範囲をコピーしてから、もう一度取得してください"},
    {ReadProblem::clipboardHoldsHtml,
     "the clipboard holds HTML (from a web page or a document), not spreadsheet cells: copy a cell "
     "range in LibreOffice Calc or Excel and take it again",
     "クリップボードにあるのは HTML (Web ページや文書からのコピー) で、表計算のセルではありません。"
     "LibreOffice Calc か Excel でセル範囲をコピーしてから、もう一度取得してください"},
    {ReadProblem::clipboardHoldsPicture,
     "the clipboard holds a picture, not spreadsheet cells: copy a cell range in LibreOffice Calc "
     "or Excel and take it again",
     "クリップボードにあるのは画像で、表計算のセルではありません。LibreOffice Calc か Excel "
     "でセル範囲をコピーしてから、もう一度取得してください"},
    {ReadProblem::clipboardHoldsOther,
     "the clipboard holds no spreadsheet cells (its formats: {0}): copy a cell range in "
     "LibreOffice Calc or Excel and take it again",
     "クリップボードに表計算のセルがありません (形式: {0})。LibreOffice Calc か Excel "
     "でセル範囲をコピーしてから、もう一度取得してください"},
    {ReadProblem::clipboardNoCopiedArea,
     "the spreadsheet's copy does not say which cells were copied (its settings give no visible "
     "area)",
     "コピーされた表にコピー元のセル範囲が記録されていません (設定に表示範囲がありません)"},
    {ReadProblem::clipboardUnreadable, "the clipboard's {0} cannot be read",
     "クリップボードの {0} を読み取れません"},
    {ReadProblem::formatCodesNotUsed,
     "{0} (id {1}{2}) longer than Excel's {3} characters not used: their cells show as General",
     "Excel の上限 {3} 文字を超える{0} (ID {1}{2}) は使わず、そのセルは「標準」で表示します"},
    {ReadProblem::formatCodesLeftOut,
     "{0} longer than Excel's 255 characters left out (shown as General)",
     "Excel の上限 255 文字を超える{0}は除きました (「標準」で表示します)"},
    {ReadProblem::textsCut, "{0} longer than Excel's 32,767 characters cut to that length",
     "Excel の上限 32,767 文字を超える{0}をその長さで切りました"},
    {ReadProblem::clipboardShapesDiffer,
     "the copied text has {0} by {1} cells, the copied XML Spreadsheet {2} by {3}: the table "
     "takes the XML's size, and the cells the text lacks show the XML's values",
     "コピーされたテキストは {0} 行 x {1} 列、XML Spreadsheet は {2} 行 x {3} 列で、形が"
     "違います。表は XML の大きさで取得し、テキストにないセルには XML の値を表示します"},
    {ReadProblem::clipboardWithoutText,
     "the clipboard holds no text of the copied cells: their texts are the XML Spreadsheet's "
     "values as its number formats show them",
     "クリップボードにコピーしたセルのテキストがないため、XML Spreadsheet の値を表示形式に従って"
     "表示します"},
};

constexpr bool inProblemOrder() {
    for (std::size_t i = 0; i < kReadProblemCount; ++i)
        if (static_cast<std::size_t>(kWordings[i].problem) != i) return false;
    return true;
}
static_assert(inProblemOrder(), "one wording per problem, in the enumeration's order");

std::string positionText(const std::optional<TextPosition>& at, bool japanese) {
    if (!at) return {};
    const std::string line = std::to_string(at->line), column = std::to_string(at->column);
    const std::string part = at->part.empty() ? std::string() : at->part + ", ";
    return japanese ? " (" + part + line + " 行 " + column + " 桁目)"
                    : " (" + part + "line " + line + ", column " + column + ")";
}

std::string fill(const char* wording, const ReadReason& reason, bool japanese) {
    std::string out;
    bool placedPosition = false;
    for (const char* p = wording; *p; ++p) {
        if (p[0] == '{' && p[1] == '@' && p[2] == '}') {
            out += positionText(reason.position, japanese);
            placedPosition = true;
            p += 2;
        } else if (p[0] == '{' && p[1] >= '0' && p[1] <= '9' && p[2] == '}') {
            const auto i = static_cast<std::size_t>(p[1] - '0');
            if (i < reason.parts.size())
                out += japanese ? reason.parts[i].japanese : reason.parts[i].english;
            p += 2;
        } else {
            out += *p;
        }
    }
    if (!placedPosition) out += positionText(reason.position, japanese);
    return out;
}

}  // namespace

const char* englishTemplate(ReadProblem problem) {
    return kWordings[static_cast<std::size_t>(problem)].english;
}

const char* japaneseTemplate(ReadProblem problem) {
    return kWordings[static_cast<std::size_t>(problem)].japanese;
}

std::string ReadReason::english() const { return fill(englishTemplate(problem), *this, false); }

std::string ReadReason::japanese() const { return fill(japaneseTemplate(problem), *this, true); }

ReasonPart countedPart(std::size_t count, const char* englishNoun, const char* japaneseNoun) {
    const std::string n = std::to_string(count);
    return {n + " " + englishNoun + (count == 1 ? "" : "s"),
            japaneseNoun + std::string(" ") + n + " 個"};
}

ReasonPart expatErrorPart(int expatCode) {
    const auto code = static_cast<XML_Error>(expatCode);
    const char* english = XML_ErrorString(code);
    const char* japanese = nullptr;
    switch (code) {
        case XML_ERROR_SYNTAX:
        case XML_ERROR_INVALID_TOKEN:
            japanese = "構文の誤り";
            break;
        case XML_ERROR_NO_ELEMENTS:
            japanese = "要素がありません";
            break;
        case XML_ERROR_UNCLOSED_TOKEN:
        case XML_ERROR_PARTIAL_CHAR:
            japanese = "途中で終わっています";
            break;
        case XML_ERROR_TAG_MISMATCH:
            japanese = "開始タグと終了タグが対応していません";
            break;
        case XML_ERROR_DUPLICATE_ATTRIBUTE:
            japanese = "同じ属性が重複しています";
            break;
        case XML_ERROR_JUNK_AFTER_DOC_ELEMENT:
            japanese = "文書要素の後に余分なデータがあります";
            break;
        case XML_ERROR_UNDEFINED_ENTITY:
            japanese = "定義されていない実体があります";
            break;
        case XML_ERROR_BAD_CHAR_REF:
            japanese = "文字参照が正しくありません";
            break;
        case XML_ERROR_UNKNOWN_ENCODING:
        case XML_ERROR_INCORRECT_ENCODING:
            japanese = "文字コードが正しくありません";
            break;
        case XML_ERROR_MISPLACED_XML_PI:
            japanese = "XML 宣言の位置が正しくありません";
            break;
        case XML_ERROR_UNBOUND_PREFIX:
            japanese = "宣言されていない名前空間接頭辞があります";
            break;
        default:
            japanese = "XML の誤り";
            break;
    }
    return ReasonPart(english ? english : "XML error",
                      std::string(japanese) + " (" + (english ? english : "") + ")");
}

ReasonPart pugixmlErrorPart(int pugixmlStatus, const char* description) {
    const char* japanese = nullptr;
    switch (static_cast<pugi::xml_parse_status>(pugixmlStatus)) {
        case pugi::status_end_element_mismatch:
            japanese = "開始タグと終了タグが対応していません";
            break;
        case pugi::status_unrecognized_tag:
        case pugi::status_bad_start_element:
        case pugi::status_bad_end_element:
        case pugi::status_bad_attribute:
            japanese = "タグが正しくありません";
            break;
        case pugi::status_no_document_element:
            japanese = "文書要素がありません";
            break;
        case pugi::status_bad_pcdata:
        case pugi::status_bad_cdata:
        case pugi::status_bad_comment:
        case pugi::status_bad_pi:
        case pugi::status_bad_doctype:
            japanese = "構文の誤り";
            break;
        case pugi::status_out_of_memory:
            japanese = "メモリが足りません";
            break;
        default:
            japanese = "XML の誤り";
            break;
    }
    return ReasonPart(description, std::string(japanese) + " (" + description + ")");
}

WorkbookError::WorkbookError(std::filesystem::path path, ReadReason reason)
    : std::runtime_error(reinterpret_cast<const char*>(path.u8string().c_str()) +
                         std::string(": ") + reason.english()),
      path_(std::move(path)),
      reason_(std::move(reason)),
      english_(reason_.english()) {}

WorkbookError::WorkbookError(std::filesystem::path path, ReadProblem problem,
                             std::vector<ReasonPart> parts)
    : WorkbookError(std::move(path), ReadReason{problem, std::move(parts), std::nullopt}) {}

}  // namespace tabrova::workbook
