// A scripted stand-in for a running spreadsheet application: serves the members the selection
// reader uses from a small in-memory sheet, and can be told to fail at a member, to answer Null
// for a font size (Cell::fontSize), or to run without an open workbook.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Automation.h"
#include "table/ExcelConstants.h"

namespace tabrova::fake {

using namespace std::string_view_literals;

using automation::AutomationError;
using automation::ObjectPtr;
using automation::Variant;

inline constexpr std::int32_t xlGeneral = excel::xlHAlignGeneral;
inline constexpr std::int32_t xlLeft = excel::xlHAlignLeft;
inline constexpr std::int32_t xlCenter = excel::xlHAlignCenter;
inline constexpr std::int32_t xlRight = excel::xlHAlignRight;
inline constexpr std::int32_t xlFill = excel::xlHAlignFill;
using excel::xlContinuous;
using excel::xlDouble;
using excel::xlLineStyleNone;

struct Cell {
    std::u16string text;
    Variant value2;
    std::int32_t alignment = xlGeneral;
    Variant fontSize = 11.0;
    Variant firstCharSize = 11.0;  // Characters(1, 1).Font.Size
    std::int32_t borders[4] = {xlLineStyleNone, xlLineStyleNone, xlLineStyleNone,
                               xlLineStyleNone};  // Borders(7) to Borders(10)
    std::int32_t weights[4] = {2, 2, 2, 2};       // their Weight, xlThin
    std::int32_t verticalAlignment = -4107;       // xlBottom
    bool wrapText = false;
    bool shrinkToFit = false;
};

struct Rect {
    std::int64_t col1 = 1, row1 = 1, col2 = 1, row2 = 1;
    bool contains(std::int64_t c, std::int64_t r) const {
        return c >= col1 && c <= col2 && r >= row1 && r <= row2;
    }
};

// A member that fails when asked of an object that belongs to the cell at address (of any object
// when address is empty).
struct Fault {
    std::u16string member;
    std::u16string address;
    std::u16string message = u"アプリケーション定義またはオブジェクト定義のエラーです.";
};

struct Sheet {
    std::u16string bookName = u"Book1.xlsx";
    std::u16string sheetName = u"Sheet1";
    bool workbookOpen = true;
    Rect selection;
    double defaultColumnWidth = 8.43;
    double defaultRowHeight = 13.5;
    std::unordered_map<std::int64_t, double> columnWidths;
    std::unordered_map<std::int64_t, double> rowHeights;
    std::unordered_map<std::int64_t, Cell> cells;  // by key(col, row)
    std::vector<Rect> merges;
    Variant standardFontSize = 11.0;
    std::vector<Fault> faults;
    bool logCalls = false;
    std::vector<std::u16string> log;  // "member" per call, when logCalls
    std::int64_t calls = 0;

    static std::int64_t key(std::int64_t col, std::int64_t row) { return (row << 16) | col; }
    Cell& cell(std::int64_t col, std::int64_t row) { return cells[key(col, row)]; }
    const Cell* find(std::int64_t col, std::int64_t row) const {
        const auto it = cells.find(key(col, row));
        return it == cells.end() ? nullptr : &it->second;
    }
    double columnWidth(std::int64_t col) const {
        const auto it = columnWidths.find(col);
        return it == columnWidths.end() ? defaultColumnWidth : it->second;
    }
    double rowHeight(std::int64_t row) const {
        const auto it = rowHeights.find(row);
        return it == rowHeights.end() ? defaultRowHeight : it->second;
    }
    // Positions in points; a column-width unit counts as 6 points here.
    double left(std::int64_t col) const {
        double x = static_cast<double>(col - 1) * defaultColumnWidth * 6;
        for (const auto& [c, w] : columnWidths) {
            if (c < col) x += (w - defaultColumnWidth) * 6;
        }
        return x;
    }
    double top(std::int64_t row) const {
        double y = static_cast<double>(row - 1) * defaultRowHeight;
        for (const auto& [r, h] : rowHeights) {
            if (r < row) y += h - defaultRowHeight;
        }
        return y;
    }
    Rect mergeAreaOf(std::int64_t col, std::int64_t row) const {
        for (const Rect& m : merges) {
            if (m.contains(col, row)) return m;
        }
        return Rect{col, row, col, row};
    }
    void merge(Rect area) { merges.push_back(area); }

    // Called by every member of every fake object; (col, row) is the cell the object belongs
    // to, (0, 0) for objects above the cells.
    void enter(std::u16string_view member, std::int64_t col, std::int64_t row);
};

std::u16string addressOf(std::int64_t col, std::int64_t row);
bool parseAddress(std::u16string_view text, Rect& rect);

class Base : public automation::Object {
public:
    Base(std::shared_ptr<Sheet> sheet, std::int64_t col, std::int64_t row)
        : sheet_(std::move(sheet)), col_(col), row_(row) {}
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return get(member, args);
    }

protected:
    [[noreturn]] void unknown(std::u16string_view member) {
        throw AutomationError(u"不明な名前です. (" + std::u16string(member) + u")",
                              automation::errors::unknownName);
    }
    void enter(std::u16string_view member) { sheet_->enter(member, col_, row_); }

    std::shared_ptr<Sheet> sheet_;
    std::int64_t col_;
    std::int64_t row_;
};

// An object with one value member (a font's Size, a border's LineStyle, a workbook's Name), or
// with a Font that has it (Characters(1, 1)).
class Value : public Base {
public:
    Value(std::shared_ptr<Sheet> sheet, std::int64_t col, std::int64_t row,
          std::u16string_view member, Variant v)
        : Base(std::move(sheet), col, row), member_(member), v_(std::move(v)) {}
    Variant get(std::u16string_view member, std::span<const Variant>) override {
        enter(member);
        if (member == member_) return v_;
        if (member == u"Font"sv) {
            return ObjectPtr(std::make_shared<Value>(sheet_, col_, row_, u"Size", v_));
        }
        unknown(member);
    }

private:
    std::u16string_view member_;
    Variant v_;
};

// Borders(i): its LineStyle and Weight.
class Border : public Base {
public:
    Border(std::shared_ptr<Sheet> sheet, std::int64_t col, std::int64_t row, std::int32_t style,
           std::int32_t weight)
        : Base(std::move(sheet), col, row), style_(style), weight_(weight) {}
    Variant get(std::u16string_view member, std::span<const Variant>) override {
        enter(member);
        if (member == u"LineStyle"sv) return style_;
        if (member == u"Weight"sv) return weight_;
        unknown(member);
    }

private:
    std::int32_t style_;
    std::int32_t weight_;
};

enum class RangeForm { cells, rows, columns };

class Range : public Base {
public:
    Range(std::shared_ptr<Sheet> sheet, Rect rect, RangeForm form = RangeForm::cells)
        : Base(std::move(sheet), rect.col1, rect.row1), rect_(rect), form_(form) {}

    Variant get(std::u16string_view m, std::span<const Variant> args) override {
        enter(m);
        const Sheet& s = *sheet_;
        const std::int64_t cols = rect_.col2 - rect_.col1 + 1;
        const std::int64_t rows = rect_.row2 - rect_.row1 + 1;
        if (m == u"Row"sv) return static_cast<std::int32_t>(rect_.row1);
        if (m == u"Column"sv) return static_cast<std::int32_t>(rect_.col1);
        if (m == u"Rows"sv) return child(RangeForm::rows);
        if (m == u"Columns"sv) return child(RangeForm::columns);
        if (m == u"Count"sv) {
            const std::int64_t n = form_ == RangeForm::rows      ? rows
                                   : form_ == RangeForm::columns ? cols
                                                                 : rows * cols;
            if (n > 2147483647) throw AutomationError(u"オーバーフローしました.", 6);
            return static_cast<std::int32_t>(n);
        }
        if (m == u"ColumnWidth"sv) return s.columnWidth(rect_.col1);
        if (m == u"RowHeight"sv) return s.rowHeight(rect_.row1);
        if (m == u"HorizontalAlignment"sv) return cell().alignment;
        if (m == u"Font"sv) return value(u"Size", cell().fontSize);
        if (m == u"Characters"sv) return value(u"", cell().firstCharSize);  // .Font.Size
        if (m == u"Text"sv) return cell().text;
        if (m == u"Value2"sv) return cell().value2;
        if (m == u"Borders"sv) {
            const std::int32_t index = args.empty() ? 0 : args[0].toInt();
            if (index < 7 || index > 10) throw AutomationError(u"インデックスが範囲外です.", 9);
            return ObjectPtr(std::make_shared<Border>(sheet_, col_, row_, cell().borders[index - 7],
                                                      cell().weights[index - 7]));
        }
        if (m == u"VerticalAlignment"sv) return cell().verticalAlignment;
        if (m == u"WrapText"sv) return cell().wrapText;
        if (m == u"ShrinkToFit"sv) return cell().shrinkToFit;
        if (m == u"MergeCells"sv) {
            const Rect area = s.mergeAreaOf(rect_.col1, rect_.row1);
            return area.col1 != area.col2 || area.row1 != area.row2;
        }
        if (m == u"MergeArea"sv) {
            return ObjectPtr(
                std::make_shared<Range>(sheet_, s.mergeAreaOf(rect_.col1, rect_.row1)));
        }
        if (m == u"Left"sv) return s.left(rect_.col1);
        if (m == u"Top"sv) return s.top(rect_.row1);
        unknown(m);
    }

private:
    const Cell& cell() const {
        static const Cell blank;
        const Cell* found = sheet_->find(rect_.col1, rect_.row1);
        return found ? *found : blank;
    }
    Variant child(RangeForm form) {
        return ObjectPtr(std::make_shared<Range>(sheet_, rect_, form));
    }
    Variant value(std::u16string_view member, const Variant& v) {
        return ObjectPtr(std::make_shared<Value>(sheet_, col_, row_, member, v));
    }

    Rect rect_;
    RangeForm form_;
};

class Worksheet : public Base {
public:
    using Base::Base;
    Variant get(std::u16string_view m, std::span<const Variant> args) override {
        enter(m);
        if (m == u"Name"sv) return sheet_->sheetName;
        if (m == u"Range"sv) {
            Rect rect;
            if (args.empty() || !parseAddress(args[0].toText(), rect)) {
                throw AutomationError(u"'Range' メソッドは失敗しました.",
                                      automation::errors::exception);
            }
            return ObjectPtr(std::make_shared<Range>(sheet_, rect));
        }
        unknown(m);
    }
};

class Application : public Base {
public:
    explicit Application(std::shared_ptr<Sheet> sheet) : Base(std::move(sheet), 0, 0) {}
    Variant get(std::u16string_view m, std::span<const Variant>) override {
        enter(m);
        const bool open = sheet_->workbookOpen;
        if (m == u"ActiveSheet"sv) {
            return open ? ObjectPtr(std::make_shared<Worksheet>(sheet_, 0, 0)) : ObjectPtr();
        }
        if (m == u"ActiveWorkbook"sv) {
            return open
                       ? ObjectPtr(std::make_shared<Value>(sheet_, 0, 0, u"Name", sheet_->bookName))
                       : ObjectPtr();
        }
        if (m == u"Selection"sv)
            return ObjectPtr(std::make_shared<Range>(sheet_, sheet_->selection));
        if (m == u"StandardFontSize"sv) return sheet_->standardFontSize;
        unknown(m);
    }
};

// Registers a fake application under a ProgID for the life of this object.
class Registration {
public:
    explicit Registration(std::shared_ptr<Sheet> sheet,
                          std::u16string progId = u"Excel.Application")
        : progId_(std::move(progId)) {
        automation::registerStandIn(progId_, std::make_shared<Application>(std::move(sheet)));
    }
    ~Registration() { automation::unregisterStandIn(progId_); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    std::u16string progId_;
};

inline std::u16string addressOf(std::int64_t col, std::int64_t row) {
    std::u16string letters;
    for (std::int64_t n = col; n > 0; n = (n - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char16_t>(u'A' + (n - 1) % 26));
    }
    for (char c : std::to_string(row)) letters.push_back(static_cast<char16_t>(c));
    return letters;
}

inline void Sheet::enter(std::u16string_view member, std::int64_t col, std::int64_t row) {
    ++calls;
    if (logCalls) log.emplace_back(member);
    for (const Fault& f : faults) {
        if (f.member == member && (f.address.empty() || f.address == addressOf(col, row))) {
            throw AutomationError(f.message, automation::errors::exception);
        }
    }
}

// "C5" or "B2:C3".
inline bool parseAddress(std::u16string_view text, Rect& rect) {
    auto parseOne = [](std::u16string_view part, std::int64_t& col, std::int64_t& row) {
        std::size_t i = 0;
        col = 0;
        row = 0;
        while (i < part.size() && part[i] >= u'A' && part[i] <= u'Z')
            col = col * 26 + (part[i++] - u'A' + 1);
        const std::size_t digits = i;
        while (i < part.size() && part[i] >= u'0' && part[i] <= u'9')
            row = row * 10 + (part[i++] - u'0');
        return col > 0 && row > 0 && digits > 0 && digits < part.size() && i == part.size();
    };
    const std::size_t colon = text.find(u':');
    if (colon == std::u16string_view::npos) {
        if (!parseOne(text, rect.col1, rect.row1)) return false;
        rect.col2 = rect.col1;
        rect.row2 = rect.row1;
        return true;
    }
    return parseOne(text.substr(0, colon), rect.col1, rect.row1) &&
           parseOne(text.substr(colon + 1), rect.col2, rect.row2);
}

}  // namespace tabrova::fake
