#include "support/WorkbookObjects.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "platform/ProgramPaths.h"
#include "platform/Utf8.h"
#include "support/SpreadsheetMlWriter.h"
#include "table/CellAddress.h"
#include "table/ExcelConstants.h"
#include "workbook/NumberFormat.h"
#include "workbook/SheetMetrics.h"

namespace tabrova::workbook {

using automation::AutomationError;
using automation::ErrorValue;
using automation::Missing;
using automation::Null;
using automation::Object;
using automation::ObjectPtr;
using automation::Variant;

namespace {

// Failure codes as the automation layer reports them.
constexpr std::int32_t kUnknownName = static_cast<std::int32_t>(0x80020006u);
constexpr std::int32_t kBadParamCount = static_cast<std::int32_t>(0x8002000Eu);
constexpr std::int32_t kObjectDefined = static_cast<std::int32_t>(0x800A03ECu);

// Member names compare without regard to ASCII case, as the dispatch interface does.
bool sameName(std::u16string_view a, std::u16string_view b) { return sameAsciiNoCase(a, b); }

// With the literal's length known at compile time, most names are rejected by their length.
template <std::size_t N>
bool is(std::u16string_view a, const char16_t (&b)[N]) {
    return a.size() == N - 1 && sameName(a, std::u16string_view(b, N - 1));
}

[[noreturn]] void unknownMember(std::u16string_view member) {
    throw AutomationError(u"Unknown name: " + std::u16string(member), kUnknownName);
}

std::span<const Variant> given(std::span<const Variant> args) {
    // Trailing omitted arguments count as not given.
    while (!args.empty() && args.back().is<Missing>()) args = args.first(args.size() - 1);
    return args;
}

void expectArgs(std::u16string_view member, std::span<const Variant> args, std::size_t min,
                std::size_t max) {
    const std::size_t n = given(args).size();
    if (n < min || n > max) {
        throw AutomationError(u"Wrong number of arguments for " + std::u16string(member),
                              kBadParamCount);
    }
}

// Error values as the spreadsheet stores them: CVErr codes.
std::int32_t errorCode(std::u16string_view text) {
    static const std::pair<std::u16string_view, std::uint32_t> kErrors[] = {
        {u"#NULL!", 2000},  {u"#DIV/0!", 2007}, {u"#VALUE!", 2015}, {u"#REF!", 2023},
        {u"#NAME?", 2029},  {u"#NUM!", 2036},   {u"#N/A", 2042},    {u"#GETTING_DATA", 2043},
        {u"#SPILL!", 2045}, {u"#CALC!", 2050},  {u"#FIELD!", 2049}, {u"#BLOCKED!", 2047},
    };
    std::uint32_t code = 2015;
    for (const auto& [name, value] : kErrors)
        if (name == text) code = value;
    return static_cast<std::int32_t>(0x800A0000u | code);
}

template <class T, class... Args>
ObjectPtr object(Args&&... args) {
    return std::make_shared<T>(std::forward<Args>(args)...);
}

struct Session {
    std::shared_ptr<XlsxWorkbook> workbook;
    std::size_t activeSheet = 0;
    std::vector<CellRange> selections;
    std::uint64_t reads = 0;  // counts the reads of cells, which replace what a sheet held
};
using SessionPtr = std::shared_ptr<Session>;

void readCells(Session& session, std::size_t sheet, const CellRange& range) {
    ++session.reads;
    session.workbook->readCells(sheet, range);
}

// What a member of a range needs of its sheet: the range's top-left cell, all its cells, or only
// the sizes of the rows.
enum class Need { topLeft, allCells, rowSizes };

// The sheet, holding what the members of range need. Cells it does not hold are read: the
// selection's when they lie in it, else the range's.
const Sheet& sheetFor(Session& session, std::size_t index, const CellRange& range, Need need) {
    const Sheet& sheet = session.workbook->sheets()[index];
    const auto holds = [&](std::uint32_t row, std::uint32_t col) {
        return XlsxWorkbook::holdsCell(sheet, row, col);
    };
    bool held = sheet.cellsRead.has_value();
    if (need != Need::rowSizes) held = holds(range.firstRow, range.firstCol);
    if (need == Need::allCells) held = held && holds(range.lastRow, range.lastCol);
    if (held) return sheet;
    const CellRange& selection = session.selections[index];
    const bool inSelection =
        selection.contains(range.firstRow, range.firstCol) &&
        (need != Need::allCells || selection.contains(range.lastRow, range.lastCol));
    try {
        readCells(session, index, inSelection ? selection : range);
    } catch (const WorkbookError& e) {
        throw AutomationError(utf8ToUtf16(e.reason()), kObjectDefined);
    }
    return sheet;
}

ObjectPtr makeWorksheet(const SessionPtr& session, std::size_t sheet);
ObjectPtr makeRange(const SessionPtr& session, std::size_t sheet, CellRange range);

class ValueObject : public Object {
public:
    // An object with one property (Font.Size, a workbook's Name).
    ValueObject(std::u16string_view name, Variant value) : name_(name), value_(std::move(value)) {}
    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        if (sameName(member, name_)) {
            expectArgs(member, args, 0, 0);
            return value_;
        }
        unknownMember(member);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return get(member, args);
    }

private:
    std::u16string_view name_;
    Variant value_;
};

ObjectPtr fontObject(Variant size) { return object<ValueObject>(u"Size", std::move(size)); }

// Borders(i): the edge's LineStyle and Weight.
class BorderObject : public Object {
public:
    explicit BorderObject(BorderEdge edge) : edge_(edge) {}
    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        expectArgs(member, args, 0, 0);
        if (is(member, u"LineStyle")) return edge_.style;
        if (is(member, u"Weight")) return edge_.weight;
        unknownMember(member);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return get(member, args);
    }

private:
    BorderEdge edge_;
};

class CharactersObject : public Object {
public:
    explicit CharactersObject(Variant size) : size_(std::move(size)) {}
    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        if (is(member, u"Font")) {
            expectArgs(member, args, 0, 0);
            return fontObject(size_);
        }
        unknownMember(member);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return get(member, args);
    }

private:
    Variant size_;
};

class RangeObject : public Object {
public:
    enum class Kind { cells, rows, columns };
    RangeObject(SessionPtr session, std::size_t sheet, CellRange range, Kind kind = Kind::cells)
        : session_(std::move(session)), sheetIndex_(sheet), range_(range), kind_(kind) {}

    Variant get(std::u16string_view member, std::span<const Variant> args) override;
    Variant call(std::u16string_view member, std::span<const Variant> args) override;

private:
    const XlsxWorkbook& wb() const { return *session_->workbook; }
    const Sheet& sheet() const { return wb().sheets()[sheetIndex_]; }
    const Sheet& cellSheet() const {
        return sheetFor(*session_, sheetIndex_, range_, Need::topLeft);
    }
    const Sheet& rangeSheet() const {
        return sheetFor(*session_, sheetIndex_, range_, Need::allCells);
    }
    const Sheet& sizedSheet() const {
        return sheetFor(*session_, sheetIndex_, range_, Need::rowSizes);
    }
    bool oneCell() const {
        return range_.firstRow == range_.lastRow && range_.firstCol == range_.lastCol;
    }
    std::uint32_t row() const { return range_.firstRow; }
    std::uint32_t col() const { return range_.firstCol; }
    Variant count() const;
    Variant fontSize(std::span<const Variant> charArgs) const;
    BorderEdge edge(std::int32_t index) const;
    Variant value2() const;
    Variant values() const;
    Variant mergeCells() const;

    // The top-left cell's record, style and merged area, looked up once per object (the reader
    // asks one cell object for many members) and again after a read of other cells.
    struct Resolved {
        const Cell* cell;
        std::uint32_t style;
        const CellRange* merge;
        std::uint64_t reads;
    };
    const Resolved& resolved() const {
        if (!resolved_ || resolved_->reads != session_->reads) {
            const Sheet& sh = cellSheet();
            const Cell* cell = wb().findCell(sh, row(), col());
            resolved_ = Resolved{cell, cell ? cell->style : wb().styleAt(sh, row(), col()),
                                 wb().mergeAt(sh, row(), col()), session_->reads};
        }
        return *resolved_;
    }

    SessionPtr session_;
    std::size_t sheetIndex_;
    CellRange range_;
    Kind kind_;
    mutable std::optional<Resolved> resolved_;
    mutable std::optional<std::u16string> text_;
};

Variant RangeObject::count() const {
    const std::int64_t rows = range_.lastRow - range_.firstRow + 1;
    const std::int64_t cols = range_.lastCol - range_.firstCol + 1;
    const std::int64_t n = kind_ == Kind::rows ? rows : kind_ == Kind::columns ? cols : rows * cols;
    if (n > std::numeric_limits<std::int32_t>::max()) return static_cast<double>(n);
    return static_cast<std::int32_t>(n);
}

// Font.Size of the top-left cell, or of characters [start, start + length) of its text when
// charArgs holds those two numbers. Null when the characters have different sizes.
Variant RangeObject::fontSize(std::span<const Variant> charArgs) const {
    const double cellSize = wb().fontOf(resolved().style).size;
    const Cell* cell = resolved().cell;
    if (!cell || cell->type != CellType::string) return cellSize;
    const RichString& s = wb().textOf(sheet(), *cell);
    if (s.runs.empty()) return cellSize;

    // Characters [first, last], 1-based; the whole text without arguments.
    std::int64_t first = 1;
    std::int64_t last = std::numeric_limits<std::int64_t>::max();
    if (!charArgs.empty()) {
        first = std::max<std::int64_t>(1, charArgs[0].toInt());
        if (charArgs.size() > 1) last = first + std::max<std::int64_t>(1, charArgs[1].toInt()) - 1;
    }
    std::optional<double> size;
    std::int64_t start = 1;
    for (const TextRun& run : s.runs) {
        const std::int64_t end = start + run.length - 1;
        if (end >= first && start <= last) {
            const double sz = std::isnan(run.size) ? cellSize : run.size;
            if (size && *size != sz) return Null{};
            size = sz;
        }
        start = end + 1;
    }
    // Characters beyond the text take the last run's font, as typing there would.
    if (!size) size = std::isnan(s.runs.back().size) ? cellSize : s.runs.back().size;
    return *size;
}

BorderEdge RangeObject::edge(std::int32_t index) const {
    const XlsxWorkbook& w = wb();
    const Sheet& sh = sheet();
    const std::uint32_t r = row(), c = col();
    const BorderInfo& own = w.borderOf(resolved().style);
    auto neighbour = [&](std::uint32_t nr, std::uint32_t nc) -> const BorderInfo& {
        return w.borderOf(w.styleAt(sh, nr, nc));
    };
    // An edge the cell does not draw itself shows its neighbour's facing edge.
    auto ownOr = [](const BorderEdge& mine, bool hasNeighbour, auto facing) {
        if (mine.style != excel::xlLineStyleNone || !hasNeighbour) return mine;
        return facing();
    };
    switch (index) {
        case 5:  // diagonal down
            return own.diagonalDown ? own.diagonal : BorderEdge{};
        case 6:  // diagonal up
            return own.diagonalUp ? own.diagonal : BorderEdge{};
        case 7:  // left
            return ownOr(own.left, c > 1, [&] { return neighbour(r, c - 1).right; });
        case 8:  // top
            return ownOr(own.top, r > 1, [&] { return neighbour(r - 1, c).bottom; });
        case 9:  // bottom
            return ownOr(own.bottom, r < kMaxRows, [&] { return neighbour(r + 1, c).top; });
        case 10:  // right
            return ownOr(own.right, c < kMaxCols, [&] { return neighbour(r, c + 1).left; });
        case 11:  // inside vertical, inside horizontal: a single cell has none
        case 12:
            return {};
        default:
            throw AutomationError(u"Unable to get the Item property of the Borders class",
                                  kObjectDefined);
    }
}

// A cell's Value2: Empty for a cell the sheet does not list.
Variant cellValue(const XlsxWorkbook& wb, const Sheet& sheet, const Cell* cell) {
    if (!cell) return automation::Empty{};
    switch (cell->type) {
        case CellType::blank:
            return automation::Empty{};
        case CellType::number:
            return cell->number;
        case CellType::boolean:
            return cell->number != 0;
        case CellType::string:
            return wb.textOf(sheet, *cell).text;
        case CellType::error:
            return ErrorValue{errorCode(wb.textOf(sheet, *cell).text)};
    }
    return automation::Empty{};
}

Variant RangeObject::value2() const { return cellValue(wb(), sheet(), resolved().cell); }

// Value2 of the range: the one cell's value, or the values of several cells as an array of rows.
Variant RangeObject::values() const {
    if (oneCell()) return value2();
    const Sheet& sh = rangeSheet();
    automation::VariantArray out(range_.lastRow - range_.firstRow + 1,
                                 range_.lastCol - range_.firstCol + 1);
    for (std::uint32_t r = range_.firstRow; r <= range_.lastRow; ++r) {
        for (std::uint32_t c = range_.firstCol; c <= range_.lastCol; ++c) {
            out.at(r - range_.firstRow + 1, c - range_.firstCol + 1) =
                cellValue(wb(), sh, wb().findCell(sh, r, c));
        }
    }
    return out;
}

// True when every cell of the range lies in a merged area, false when none does, Null when some
// do. The merged areas do not overlap, so the cells they cover add up.
Variant RangeObject::mergeCells() const {
    if (oneCell()) return resolved().merge != nullptr;
    std::uint64_t covered = 0;
    for (const CellRange& m : rangeSheet().merges) {
        const std::uint32_t top = std::max(m.firstRow, range_.firstRow);
        const std::uint32_t bottom = std::min(m.lastRow, range_.lastRow);
        const std::uint32_t left = std::max(m.firstCol, range_.firstCol);
        const std::uint32_t right = std::min(m.lastCol, range_.lastCol);
        if (top <= bottom && left <= right)
            covered += std::uint64_t{bottom - top + 1} * (right - left + 1);
    }
    const std::uint64_t cells = std::uint64_t{range_.lastRow - range_.firstRow + 1} *
                                (range_.lastCol - range_.firstCol + 1);
    if (covered == 0) return false;
    if (covered == cells) return true;
    return Null{};
}

Variant RangeObject::get(std::u16string_view member, std::span<const Variant> args) {
    const XlsxWorkbook& w = wb();
    const Sheet& sh = sheet();
    if (is(member, u"Borders")) {
        expectArgs(member, args, 1, 1);
        return object<BorderObject>(edge(args[0].toInt()));
    }
    if (is(member, u"Characters")) {
        expectArgs(member, args, 0, 2);
        const auto a = given(args);
        // Characters() without arguments stands for the whole text.
        return object<CharactersObject>(a.empty() ? fontSize({}) : fontSize(a));
    }
    if (is(member, u"Item") || is(member, u"Cells")) {
        expectArgs(member, args, 1, 2);
        const auto a = given(args);
        std::int64_t r = 0, c = 0;
        if (a.size() == 2) {
            r = a[0].toInt() - 1;
            c = a[1].toInt() - 1;
        } else {
            const std::int64_t i = a[0].toInt() - 1;
            const std::int64_t width = range_.lastCol - range_.firstCol + 1;
            r = kind_ == Kind::columns ? 0 : (kind_ == Kind::rows ? i : i / width);
            c = kind_ == Kind::columns ? i : (kind_ == Kind::rows ? 0 : i % width);
        }
        const std::int64_t rr = range_.firstRow + r, cc = range_.firstCol + c;
        if (rr < 1 || rr > kMaxRows || cc < 1 || cc > kMaxCols) {
            throw AutomationError(u"The cell lies outside the sheet", kObjectDefined);
        }
        CellRange cell{static_cast<std::uint32_t>(rr), static_cast<std::uint32_t>(cc),
                       static_cast<std::uint32_t>(rr), static_cast<std::uint32_t>(cc)};
        if (kind_ == Kind::rows) cell.lastCol = range_.lastCol;
        if (kind_ == Kind::columns) cell.lastRow = range_.lastRow;
        return makeRange(session_, sheetIndex_, cell);
    }
    if (is(member, u"Value") && !given(args).empty()) {
        expectArgs(member, args, 1, 1);
        const std::int32_t type = args[0].toInt();
        if (type == excel::xlRangeValueXMLSpreadsheet)
            return utf8ToUtf16(spreadsheetMlOfRange(w, rangeSheet(), range_));
        if (type != excel::xlRangeValueDefault)
            throw AutomationError(u"Unable to get the Value property of the Range class",
                                  kObjectDefined);
        return values();
    }
    expectArgs(member, args, 0, 0);
    if (is(member, u"Row")) return static_cast<std::int32_t>(row());
    if (is(member, u"Column")) return static_cast<std::int32_t>(col());
    if (is(member, u"Rows")) return object<RangeObject>(session_, sheetIndex_, range_, Kind::rows);
    if (is(member, u"Columns")) {
        return object<RangeObject>(session_, sheetIndex_, range_, Kind::columns);
    }
    if (is(member, u"Count")) return count();
    if (is(member, u"ColumnWidth")) {
        const double first = w.columnWidth(sh, range_.firstCol);
        for (std::uint32_t c = range_.firstCol + 1; c <= range_.lastCol; ++c)
            if (w.columnWidth(sh, c) != first) return Null{};
        return first;
    }
    if (is(member, u"RowHeight")) {
        sizedSheet();
        const double first = w.rowHeight(sh, range_.firstRow);
        for (std::uint32_t r = range_.firstRow + 1; r <= range_.lastRow; ++r)
            if (w.rowHeight(sh, r) != first) return Null{};
        return first;
    }
    if (is(member, u"HorizontalAlignment")) return w.format(resolved().style).horizontal;
    if (is(member, u"VerticalAlignment")) return w.format(resolved().style).vertical;
    if (is(member, u"WrapText")) return w.format(resolved().style).wrapText;
    if (is(member, u"ShrinkToFit")) return w.format(resolved().style).shrinkToFit;
    if (is(member, u"Font")) return fontObject(fontSize({}));
    if (is(member, u"Text")) {
        if (!text_) text_ = displayText(w, cellSheet(), row(), col());
        return *text_;
    }
    if (is(member, u"Value2") || is(member, u"Value")) return values();
    if (is(member, u"MergeCells")) return mergeCells();
    if (is(member, u"MergeArea")) {
        const CellRange* m = resolved().merge;
        return makeRange(session_, sheetIndex_, m ? *m : CellRange{row(), col(), row(), col()});
    }
    if (is(member, u"Left")) return static_cast<double>(w.pixelsLeftOf(sh, range_.firstCol)) * 0.75;
    if (is(member, u"Top")) return w.pointsAbove(sizedSheet(), range_.firstRow);
    if (is(member, u"Width")) {
        return static_cast<double>(w.pixelsLeftOf(sh, range_.lastCol + 1) -
                                   w.pixelsLeftOf(sh, range_.firstCol)) *
               0.75;
    }
    if (is(member, u"Height")) {
        sizedSheet();
        return w.pointsAbove(sh, range_.lastRow) + w.rowHeight(sh, range_.lastRow) -
               w.pointsAbove(sh, range_.firstRow);
    }
    if (is(member, u"Address")) {
        std::u16string a =
            u"$" + ColNumToLetters(range_.firstCol) + u"$" + CellAddress(0, range_.firstRow);
        if (!(range_.firstRow == range_.lastRow && range_.firstCol == range_.lastCol)) {
            a += u":$" + ColNumToLetters(range_.lastCol) + u"$" + CellAddress(0, range_.lastRow);
        }
        return a;
    }
    if (is(member, u"Worksheet") || is(member, u"Parent"))
        return makeWorksheet(session_, sheetIndex_);
    unknownMember(member);
}

Variant RangeObject::call(std::u16string_view member, std::span<const Variant> args) {
    if (is(member, u"Select")) {
        expectArgs(member, args, 0, 0);
        if (session_->activeSheet != sheetIndex_) {
            throw AutomationError(u"Select method of Range class failed", kObjectDefined);
        }
        session_->selections[sheetIndex_] = range_;
        return true;
    }
    return get(member, args);
}

class WorksheetObject : public Object {
public:
    WorksheetObject(SessionPtr session, std::size_t sheet)
        : session_(std::move(session)), sheetIndex_(sheet) {}

    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        const Sheet& sh = session_->workbook->sheets()[sheetIndex_];
        if (is(member, u"Range")) {
            expectArgs(member, args, 1, 2);
            const auto a = given(args);
            std::u16string ref = a[0].toText();
            if (a.size() == 2) ref += u":" + a[1].toText();
            std::optional<CellRange> range;
            if (sh.isWorksheet) range = parseRangeRef(ref);
            if (!range) {
                throw AutomationError(u"Method 'Range' of object '_Worksheet' failed: " + ref,
                                      kObjectDefined);
            }
            return makeRange(session_, sheetIndex_, *range);
        }
        if (is(member, u"Cells")) {
            expectArgs(member, args, 2, 2);
            const std::int32_t r = args[0].toInt(), c = args[1].toInt();
            if (!sh.isWorksheet || r < 1 || static_cast<std::uint32_t>(r) > kMaxRows || c < 1 ||
                static_cast<std::uint32_t>(c) > kMaxCols) {
                throw AutomationError(u"The cell lies outside the sheet", kObjectDefined);
            }
            const auto ur = static_cast<std::uint32_t>(r), uc = static_cast<std::uint32_t>(c);
            return makeRange(session_, sheetIndex_, CellRange{ur, uc, ur, uc});
        }
        expectArgs(member, args, 0, 0);
        if (is(member, u"Name")) return sh.name;
        if (is(member, u"Index")) return static_cast<std::int32_t>(sheetIndex_ + 1);
        unknownMember(member);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        if (is(member, u"Activate") || is(member, u"Select")) {
            expectArgs(member, args, 0, 1);
            session_->activeSheet = sheetIndex_;
            return true;
        }
        return get(member, args);
    }

private:
    SessionPtr session_;
    std::size_t sheetIndex_;
};

// The workbook's sheets; Worksheets(name or index) and Worksheets.Count.
Variant sheetItem(const SessionPtr& session, const Variant& which) {
    const XlsxWorkbook& wb = *session->workbook;
    if (const auto* name = which.get_if<std::u16string>()) {
        if (const auto i = wb.findSheet(*name)) return makeWorksheet(session, *i);
        throw AutomationError(u"Subscript out of range: " + *name,
                              static_cast<std::int32_t>(0x8002000Bu));
    }
    const std::int32_t i = which.toInt();
    if (i < 1 || static_cast<std::size_t>(i) > wb.sheets().size()) {
        throw AutomationError(u"Subscript out of range", static_cast<std::int32_t>(0x8002000Bu));
    }
    return makeWorksheet(session, static_cast<std::size_t>(i - 1));
}

class SheetsObject : public Object {
public:
    explicit SheetsObject(SessionPtr session) : session_(std::move(session)) {}
    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        if (is(member, u"Item")) {
            expectArgs(member, args, 1, 1);
            return sheetItem(session_, args[0]);
        }
        expectArgs(member, args, 0, 0);
        if (is(member, u"Count")) {
            return static_cast<std::int32_t>(session_->workbook->sheets().size());
        }
        unknownMember(member);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return get(member, args);
    }

private:
    SessionPtr session_;
};

Variant sheets(const SessionPtr& session, std::u16string_view member,
               std::span<const Variant> args) {
    expectArgs(member, args, 0, 1);
    if (given(args).empty()) return object<SheetsObject>(session);
    return sheetItem(session, args[0]);
}

class WorkbookObject : public Object {
public:
    explicit WorkbookObject(SessionPtr session) : session_(std::move(session)) {}
    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        if (is(member, u"Worksheets") || is(member, u"Sheets"))
            return sheets(session_, member, args);
        expectArgs(member, args, 0, 0);
        if (is(member, u"Name")) return session_->workbook->fileName();
        if (is(member, u"FullName")) return platform::pathToUtf16(session_->workbook->path());
        if (is(member, u"ActiveSheet")) return makeWorksheet(session_, session_->activeSheet);
        unknownMember(member);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return get(member, args);
    }

private:
    SessionPtr session_;
};

class ApplicationObject : public Object {
public:
    explicit ApplicationObject(SessionPtr session) : session_(std::move(session)) {}
    const SessionPtr& session() const { return session_; }
    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        if (is(member, u"Worksheets") || is(member, u"Sheets"))
            return sheets(session_, member, args);
        expectArgs(member, args, 0, 0);
        const XlsxWorkbook& wb = *session_->workbook;
        if (is(member, u"ActiveWorkbook")) return object<WorkbookObject>(session_);
        if (is(member, u"ActiveSheet")) return makeWorksheet(session_, session_->activeSheet);
        if (is(member, u"Selection") || is(member, u"ActiveCell")) {
            const std::size_t s = session_->activeSheet;
            if (!wb.sheets()[s].isWorksheet) {
                throw AutomationError(u"The active sheet holds no cells", kObjectDefined);
            }
            CellRange r = session_->selections[s];
            if (is(member, u"ActiveCell"))
                r = CellRange{r.firstRow, r.firstCol, r.firstRow, r.firstCol};
            return makeRange(session_, s, r);
        }
        if (is(member, u"StandardFontSize")) return wb.standardFont().size;
        if (is(member, u"StandardFont")) return wb.standardFont().name;
        if (is(member, u"Name")) return u"Microsoft Excel";
        unknownMember(member);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return get(member, args);
    }

private:
    SessionPtr session_;
};

ObjectPtr makeWorksheet(const SessionPtr& session, std::size_t sheet) {
    return object<WorksheetObject>(session, sheet);
}

ObjectPtr makeRange(const SessionPtr& session, std::size_t sheet, CellRange range) {
    return object<RangeObject>(session, sheet, range);
}

}  // namespace

automation::ObjectPtr makeWorkbookApplication(std::shared_ptr<XlsxWorkbook> workbook) {
    auto session = std::make_shared<Session>();
    session->activeSheet = workbook->activeSheet();
    for (const Sheet& s : workbook->sheets()) session->selections.push_back(s.selection);
    session->workbook = std::move(workbook);
    return object<ApplicationObject>(std::move(session));
}

OpenWorkbook::OpenWorkbook(const std::filesystem::path& path, std::u16string progId)
    : workbook_(XlsxWorkbook::open(path)),
      application_(makeWorkbookApplication(workbook_)),
      progId_(std::move(progId)) {
    automation::registerStandIn(progId_, application_);
    registered_ = true;
}

OpenWorkbook::~OpenWorkbook() { close(); }

void OpenWorkbook::readSelection() {
    Session& session = *std::static_pointer_cast<ApplicationObject>(application_)->session();
    const std::size_t sheet = session.activeSheet;
    if (!workbook_->sheets()[sheet].isWorksheet) return;
    const CellRange& selection = session.selections[sheet];
    const Sheet& held = workbook_->sheets()[sheet];
    if (!XlsxWorkbook::holdsCell(held, selection.firstRow, selection.firstCol) ||
        !XlsxWorkbook::holdsCell(held, selection.lastRow, selection.lastCol)) {
        readCells(session, sheet, selection);
    }
}

void OpenWorkbook::close() {
    if (!registered_) return;
    registered_ = false;
    // Only while the ProgID still answers this workbook: a workbook opened after it under the
    // same ProgID has taken its place and stays.
    try {
        if (automation::activeObject(automation::classIdFromProgId(progId_)) != application_)
            return;
    } catch (const automation::AutomationError&) {
        return;
    }
    automation::unregisterStandIn(progId_);
}

}  // namespace tabrova::workbook
