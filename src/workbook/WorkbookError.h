// Why a workbook cannot be read, as one of a fixed list of problems with their particulars, so
// that the command-line tool can say it in English and the desktop program in Japanese, and no
// reason exists in one language only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tabrova::workbook {

enum class ReadProblem : std::uint8_t {
    // The file itself.
    fileError,  // the file layer's reason, as given
    cannotOpenFile,
    cannotReadFile,
    notRegularFile,
    emptyFile,
    tooLargeForMemory,
    fileChanged,
    // The zip package of an .xlsx workbook.
    oldBinaryOrEncrypted,
    emptyNotWorkbook,
    notZip,
    zipInconsistent,
    zipUnreadable,
    partUnreadable,
    partEncrypted,
    partOutOfProportion,
    partTooLarge,
    partCannotOpen,
    partInflatesWrongly,
    partMissing,
    partNotWellFormed,
    partNestsTooDeep,
    packageHoldsNoSpreadsheet,
    archiveHoldsNoWorkbook,
    partHoldsNoWorkbook,
    listsNoSheets,
    sheetHasNoPart,
    sheetHoldsNoWorksheet,
    // The cells of an .xlsx sheet.
    mergesTooMany,
    referenceOutsideLimits,
    cellOutsideLimits,
    columnRangeOutsideLimits,
    rowOutsideLimits,
    cellOfRowOutsideLimits,
    malformedRowNumber,
    malformedCellReference,
    cellInWrongRow,
    missingSharedString,
    malformedDate,
    malformedNumber,
    // What the user chose.
    notAWorksheet,
    noSuchSheet,
    noSheetNamed,
    noCellRange,
    rangeOutsideSheet,
    // An XML Spreadsheet 2003 document.
    attributeTooLong,
    firstCellOutsideSheet,
    nestsTooDeep,
    notSpreadsheetMlRoot,
    noWorksheetInDocument,
    pastSheetEdge,
    indexOutsideSheet,
    extentPastSheetEdge,
    undefinedStyle,
    notFiniteAttribute,
    styleWithoutId,
    undefinedParentStyle,
    styleOwnAncestor,
    cellNotDateTime,
    cellNotFiniteNumber,
    documentEndsEarly,
    encodingMismatch,
    unknownEncoding,
    undefinedEntity,
    documentNotWellFormed,
    notXml,
    documentHasDtd,
    documentDeclaresEntity,
    // An OpenDocument spreadsheet.
    packageTooLarge,
    zipNotSpreadsheet,
    packageNotOdsSpreadsheet,
    odsEncrypted,
    odsNoContent,
    odsNoSheet,
    partEmpty,
    documentEmpty,
    odsNotXml,
    odsRootNotSpreadsheet,
    odsDocumentNotSpreadsheet,
    notACount,
    notFiniteLength,
    odsCellNotFinite,
    mergePastSheetEdge,
    cellStyleOwnAncestor,
    // The clipboard.
    clipboardEmpty,
    clipboardHoldsText,
    clipboardHoldsHtml,
    clipboardHoldsPicture,
    clipboardHoldsOther,
    clipboardNoCopiedArea,
    clipboardUnreadable,
    // What a reader cut or left out and says so without refusing the file.
    formatCodesNotUsed,
    formatCodesLeftOut,
    textsCut,
    clipboardShapesDiffer,
    clipboardWithoutText,
};
inline constexpr std::size_t kReadProblemCount =
    static_cast<std::size_t>(ReadProblem::clipboardWithoutText) + 1;

// A particular of a reason: a name, number or quoted text that reads the same in both languages,
// or a phrase given in each.
struct ReasonPart {
    std::string english;
    std::string japanese;

    ReasonPart(std::string text) : english(text), japanese(std::move(text)) {}
    ReasonPart(const char* text) : ReasonPart(std::string(text)) {}
    ReasonPart(std::string en, std::string ja) : english(std::move(en)), japanese(std::move(ja)) {}
};

// "3 number formats" and the like: a count with its noun, in each language.
ReasonPart countedPart(std::size_t count, const char* englishNoun, const char* japaneseNoun);

// Where in an XML document a reader stopped.
struct TextPosition {
    std::uint64_t line = 0;
    std::uint64_t column = 0;
    std::string part;  // the package part, when the file has several
};

struct ReadReason {
    ReadProblem problem;
    std::vector<ReasonPart> parts;
    std::optional<TextPosition> position;

    std::string english() const;
    std::string japanese() const;  // UTF-8
};

// The reason's wording in each language; the tests walk every problem through these.
const char* englishTemplate(ReadProblem problem);
const char* japaneseTemplate(ReadProblem problem);

// An XML parser's description of a syntax error, with its Japanese wording.
ReasonPart expatErrorPart(int expatCode);
ReasonPart pugixmlErrorPart(int pugixmlStatus, const char* description);

// A workbook that cannot be read: names the file and the reason.
class WorkbookError : public std::runtime_error {
public:
    WorkbookError(std::filesystem::path path, ReadReason reason);
    WorkbookError(std::filesystem::path path, ReadProblem problem,
                  std::vector<ReasonPart> parts = {});
    const std::filesystem::path& path() const { return path_; }
    // The reason in English (UTF-8).
    const std::string& reason() const { return english_; }
    // The reason in Japanese (UTF-8), for the desktop program.
    std::string japaneseReason() const { return reason_.japanese(); }
    const ReadReason& readReason() const { return reason_; }

private:
    std::filesystem::path path_;
    ReadReason reason_;
    std::string english_;
};

}  // namespace tabrova::workbook
