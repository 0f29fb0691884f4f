// A workbook file (.xlsx, Office Open XML) read into memory: sheets, cells, styles and the sheet
// geometry that the spreadsheet's object model answers from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "workbook/NumberFormat.h"
#include "workbook/SheetModel.h"
#include "workbook/WorkbookError.h"

namespace tabrova::workbook {

class XlsxPackage;
struct SheetSource;

class XlsxWorkbook {
public:
    // Opens the workbook: its sheets, styles and each worksheet's settings, without their cells.
    // Throws WorkbookError (file and reason) for a file that is not a workbook, is encrypted or
    // damaged, holds XML that is not well formed, a part whose size is out of proportion, or
    // references outside the sheet's limits.
    static std::shared_ptr<XlsxWorkbook> open(const std::filesystem::path& path);
    // Opens the workbook and reads every cell of every worksheet.
    static std::shared_ptr<XlsxWorkbook> load(const std::filesystem::path& path);
    ~XlsxWorkbook();

    // Reads what the cells of range on that worksheet need (see Sheet), in place of what the
    // sheet held; the cost grows with the range, not with the sheet. Throws WorkbookError as
    // open() does.
    void readCells(std::size_t sheet, const CellRange& range);
    // Whether the sheet holds what the cell at row, col needs.
    static bool holdsCell(const Sheet& sheet, std::uint32_t row, std::uint32_t col) {
        return sheet.cellsRead && sheet.cellsRead->contains(row, col);
    }

    const std::filesystem::path& path() const { return path_; }
    std::u16string fileName() const;
    bool date1904() const { return date1904_; }
    std::size_t activeSheet() const { return activeSheet_; }
    const std::vector<Sheet>& sheets() const { return sheets_; }
    // The index of the sheet of that name (compared without regard to ASCII case), if any.
    std::optional<std::size_t> findSheet(std::u16string_view name) const;

    const std::vector<FontInfo>& fonts() const { return fonts_; }
    const std::vector<BorderInfo>& borders() const { return borders_; }
    const std::vector<CellFormat>& cellFormats() const { return cellFormats_; }
    // What the reader cut or left out of what the file holds because it exceeds Excel's limits,
    // one sentence each (UTF-8), for the user to be told: of the styles once opened, of the
    // cells' texts once read.
    std::vector<ReadReason> notes() const;
    // The format code of a number format id: the workbook's own, else the built-in one.
    std::u16string numberFormatCode(std::uint32_t numFmtId) const;
    // The format code of a cell style, and whether it is General (looked up once at load).
    const std::u16string& formatCodeOf(std::uint32_t style) const;
    bool isGeneralStyle(std::uint32_t style) const;

    // The standard font (font 0) and its maximum digit width in pixels.
    const FontInfo& standardFont() const { return fonts_.front(); }
    int maxDigitWidth() const { return mdw_; }

    // Cells and geometry of one sheet.
    const Cell* findCell(const Sheet& sheet, std::uint32_t row, std::uint32_t col) const;
    // The style that applies at a cell: its own when the file lists it, else its row's, else its
    // column's, else the default.
    std::uint32_t styleAt(const Sheet& sheet, std::uint32_t row, std::uint32_t col) const;
    const CellFormat& format(std::uint32_t style) const;
    const FontInfo& fontOf(std::uint32_t style) const;
    const BorderInfo& borderOf(std::uint32_t style) const;
    const RichString& textOf(const Sheet& sheet, const Cell& cell) const;
    // The merged range through the cell, if any.
    const CellRange* mergeAt(const Sheet& sheet, std::uint32_t row, std::uint32_t col) const;

    int columnPixels(const Sheet& sheet, std::uint32_t col) const;
    // The pixels of a column without an entry of its own.
    int defaultColumnPixels(const Sheet& sheet) const;
    // The column width in characters of the standard font, as the object model gives it.
    double columnWidth(const Sheet& sheet, std::uint32_t col) const;
    // Row height in points.
    double rowHeight(const Sheet& sheet, std::uint32_t row) const;
    // Pixels of the columns left of col; points of the rows above row.
    std::int64_t pixelsLeftOf(const Sheet& sheet, std::uint32_t col) const;
    double pointsAbove(const Sheet& sheet, std::uint32_t row) const;

private:
    XlsxWorkbook() = default;
    double defaultRowHeight(const Sheet& sheet) const;
    SheetSource sheetSource() const;
    void indexSheet(Sheet& sheet) const;

    std::filesystem::path path_;
    bool date1904_ = false;
    std::size_t activeSheet_ = 0;
    std::vector<Sheet> sheets_;
    std::vector<FontInfo> fonts_;
    std::vector<BorderInfo> borders_;
    std::vector<CellFormat> cellFormats_;
    std::unordered_map<std::uint32_t, std::u16string> numberFormats_;
    std::shared_ptr<XlsxPackage> package_;  // the file as opened, for the reads of cells
    std::string sharedStringsPart_;
    // The format codes the cell formats use, each once, and per cellXfs entry its index there.
    std::vector<std::u16string> formatCodes_;
    std::vector<std::uint32_t> styleFormatCode_;
    std::vector<bool> styleIsGeneral_;
    int mdw_ = 7;
    std::vector<ReadReason> notes_;

    friend class WorkbookLoader;
};

}  // namespace tabrova::workbook
