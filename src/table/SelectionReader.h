// Reading a selected cell range into the cell table and the grid: the work behind "Excel から取得".
// The cells come from a selection source (the running spreadsheet application, a workbook file);
// the reader converts their facts into the table's records and writes the grid.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/Settings.h"
#include "table/CellTable.h"
#include "table/SelectionSource.h"

namespace tabrova {

// The largest selection a read accepts, in cells. A whole column (1,048,576 cells) or the whole
// sheet is refused before anything is resized: neither the table nor the grid could hold it, and
// 28 calls per cell into another process would take hours.
inline constexpr std::int64_t kMaxSelectionCells = 1'000'000;

struct SelectionReadSettings {
    std::u16string progId = u"Excel.Application";  // ExcelPID, as typed in Edit15
    double colXsc = 0;                             // grid pixels per column-width unit
    double rowYsc = 0;                             // grid pixels per point of row height
    double cadXsc = 0;                             // drawing scales for calcCellDrawSizes
    double cadYsc = 0;
    double cadTsc = 0;
    char16_t decimalSeparator = u'.';  // of the user's locale, for the text of Value2
    std::int64_t maxCells = kMaxSelectionCells;
    // For the running application read cell by cell: the members read besides the 28 of every
    // cell, each only for the drawing option that uses it (Borders(i).Weight of every edge that
    // has a line, VerticalAlignment, WrapText, ShrinkToFit). Every other source reads them all.
    OptionFacts cellByCellOptions;
    // The running application is read cell by cell instead of in bulk.
    bool readPerCell = false;
};

// The read's settings from the working settings' scales and drawing options, with the ProgID to
// attach to.
SelectionReadSettings selectionReadSettings(const WorkingSettings& settings, std::u16string progId,
                                            char16_t decimalSeparator);

// What the read writes besides the table: the grid (texts and sizes, in grid coordinates where
// column 0 and row 0 are the fixed header column and row), the window caption, the two range
// boxes, the row counter and the progress bar. The desktop program's main window serves this;
// GridContents below serves it in memory.
class SelectionReadView {
public:
    virtual ~SelectionReadView() = default;

    virtual void showCaption(const std::u16string& caption) = 0;  // "book [sheet]"
    virtual void showRange(const std::u16string& first, const std::u16string& last) = 0;

    // Grid drawing off, and on again with one repaint. Always called as a pair.
    virtual void beginGridUpdate() = 0;
    virtual void endGridUpdate() = 0;
    // Grid shape including the fixed column and row. Cells that stay inside the new shape keep
    // their texts until they are written.
    virtual void setGridSize(std::int32_t colCount, std::int32_t rowCount) = 0;
    virtual void setColWidth(std::int32_t col, std::int32_t pixels) = 0;
    virtual void setRowHeight(std::int32_t row, std::int32_t pixels) = 0;
    virtual void setCellText(std::int32_t col, std::int32_t row, const std::u16string& text) = 0;
    virtual void setCurrentCell(std::int32_t col, std::int32_t row) = 0;

    // Progress bar: maximum and position 0 at the start, advanced once per sheet row, back to 0
    // at the end.
    virtual void startProgress(std::int32_t maximum) = 0;
    virtual void advanceProgress() = 0;
    virtual void resetProgress() = 0;
    // The row counter (Label4), "row / rows".
    virtual void showRowCounter(const std::u16string& text) = 0;
    // Once per sheet row: lets the message loop process the pending messages once. Returning
    // false ends the read at this row (for example when the window is being closed).
    virtual bool pumpMessages() = 0;
};

enum class SelectionReadStatus {
    complete,      // every cell read, drawing sizes computed
    attachFailed,  // ProgID not registered or no instance running; nothing changed
    noWorkbook,    // the application runs without an open workbook; nothing changed
    tooLarge,      // the selection was refused before anything was resized
    stopped,       // an automation call failed; what was read stays (see SelectionReadResult)
    cancelled,     // the view asked to end the read
};

struct SelectionReadResult {
    SelectionReadStatus status = SelectionReadStatus::complete;
    // The text of the message box to show (caption kMessageCaption); empty for a complete read.
    std::u16string message;
    // True when the table was resized for the new selection and calcCellDrawSizes ran on it, so
    // that the totals label is to be refreshed (ShowWHSize). Cells that a stopped read did not
    // reach are empty records with empty grid texts.
    bool tableReplaced = false;
    // Whether the insert button is to be enabled afterwards.
    bool enableInsert = false;
    std::int64_t cellsRead = 0;
    // Where a stopped read stopped: the cell address (empty before the cells), the member being
    // read and the automation error's text.
    std::u16string stopCell;
    std::u16string stopMember;
    std::u16string errorText;
};

inline constexpr std::u16string_view kMessageCaption = u"メッセージ";
// The message of a failure of the steps after the read (enabling the insert button, selecting
// the first cell, loading the edit boxes from it).
inline constexpr std::u16string_view kReadFailedMessage = u"取得に失敗しました.";

// "ProgId : " + ProgID + " は無効です."
std::u16string attachFailedMessage(std::u16string_view progId);

// Reads the source's selection. Never throws a SourceError; other exceptions (out of memory)
// pass, with the grid update ended.
SelectionReadResult readSelection(const SelectionReadSettings& settings, SelectionSource& source,
                                  CellTable& table, SelectionReadView& view);
// Reads the running application's selection cell by cell.
SelectionReadResult readSelection(const SelectionReadSettings& settings, CellTable& table,
                                  SelectionReadView& view);

// The grid and boxes in memory, as the command-line tool and the tests use them.
class GridContents : public SelectionReadView {
public:
    std::u16string caption;
    std::u16string firstAddress;
    std::u16string lastAddress;
    std::u16string rowCounter;
    std::int32_t colCount = 0;
    std::int32_t rowCount = 0;
    std::vector<std::u16string> texts;  // texts[col + row * colCount]
    std::vector<std::int32_t> colWidths;
    std::vector<std::int32_t> rowHeights;
    std::int32_t currentCol = 0;
    std::int32_t currentRow = 0;
    std::int32_t progressMax = 0;
    std::int32_t progress = 0;
    int updateDepth = 0;
    int repaints = 0;

    const std::u16string& text(std::int32_t col, std::int32_t row) const;

    void showCaption(const std::u16string& text) override { caption = text; }
    void showRange(const std::u16string& first, const std::u16string& last) override {
        firstAddress = first;
        lastAddress = last;
    }
    void beginGridUpdate() override { ++updateDepth; }
    void endGridUpdate() override {
        --updateDepth;
        ++repaints;
    }
    void setGridSize(std::int32_t cols, std::int32_t rows) override;
    void setColWidth(std::int32_t col, std::int32_t pixels) override;
    void setRowHeight(std::int32_t row, std::int32_t pixels) override;
    void setCellText(std::int32_t col, std::int32_t row, const std::u16string& text) override;
    void setCurrentCell(std::int32_t col, std::int32_t row) override {
        currentCol = col;
        currentRow = row;
    }
    void startProgress(std::int32_t maximum) override {
        progressMax = maximum;
        progress = 0;
    }
    void advanceProgress() override { ++progress; }
    void resetProgress() override { progress = 0; }
    void showRowCounter(const std::u16string& text) override { rowCounter = text; }
    bool pumpMessages() override { return true; }
};

}  // namespace tabrova
