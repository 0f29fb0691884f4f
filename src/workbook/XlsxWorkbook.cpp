#include "workbook/XlsxWorkbook.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <pugixml.hpp>
#include <unordered_map>

#include "platform/ProgramPaths.h"
#include "platform/Utf8.h"
#include "workbook/NumberFormat.h"
#include "workbook/SheetMetrics.h"
#include "workbook/SheetStream.h"
#include "workbook/XlsxPackage.h"
#include "workbook/XmlStream.h"
#include "workbook/XmlValues.h"

namespace tabrova::workbook {

// ---------------------------------------------------------------------------------------------
// References

namespace {

template <class Char>
std::optional<CellRange> parseRangeRefT(std::basic_string_view<Char> text) {
    std::size_t pos = 0;
    std::uint64_t r1, c1, r2, c2;
    if (!parseCellRef(text, pos, r1, c1)) return std::nullopt;
    r2 = r1;
    c2 = c1;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!parseCellRef(text, pos, r2, c2)) return std::nullopt;
    }
    if (pos != text.size()) return std::nullopt;
    for (auto r : {r1, r2})
        if (r < 1 || r > kMaxRows) return std::nullopt;
    for (auto c : {c1, c2})
        if (c < 1 || c > kMaxCols) return std::nullopt;
    CellRange range;
    range.firstRow = static_cast<std::uint32_t>(std::min(r1, r2));
    range.lastRow = static_cast<std::uint32_t>(std::max(r1, r2));
    range.firstCol = static_cast<std::uint32_t>(std::min(c1, c2));
    range.lastCol = static_cast<std::uint32_t>(std::max(c1, c2));
    return range;
}

}  // namespace

std::optional<CellRange> parseRangeRef(std::u16string_view text) { return parseRangeRefT(text); }
std::optional<CellRange> parseRangeRef(std::string_view text) { return parseRangeRefT(text); }

bool limitCellText(RichString& s) {
    if (s.text.size() <= kMaxCellTextChars) return false;
    std::size_t keep = kMaxCellTextChars;
    if (s.text[keep - 1] >= 0xD800 && s.text[keep - 1] <= 0xDBFF) --keep;
    s.text.resize(keep);
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.runs.size(); ++i) {
        if (start + s.runs[i].length >= keep) {
            s.runs[i].length = static_cast<std::uint32_t>(keep - start);
            s.runs.resize(i + 1);
            break;
        }
        start += s.runs[i].length;
    }
    return true;
}

std::optional<double> acceptedFontSize(std::optional<double> size) {
    if (!size || !(*size > 0) || std::isinf(*size)) return std::nullopt;
    return std::clamp(*size, kMinFontSize, kMaxFontSize);
}

// ---------------------------------------------------------------------------------------------
// Loading

namespace {

// Merged ranges higher than this are indexed by column, and those also wider by neither.
constexpr std::uint32_t kTallMerge = 4096;
// The most index entries the merged ranges of a sheet may take (about 64 MB); valid sheets stay
// far below, only overlapping ranges of a crafted file reach it.
constexpr std::uint64_t kMaxMergeEntries = 16u << 20;
constexpr std::size_t kMaxHugeMerges = 4096;

// The element's name without a namespace prefix.
const char* localName(const pugi::xml_node& node) {
    // The local part ends where the name does, so it keeps the name's terminator.
    return xml::localPart(node.name()).data();
}

bool named(const pugi::xml_node& node, const char* local) {
    return std::strcmp(localName(node), local) == 0;
}

pugi::xml_node child(const pugi::xml_node& node, const char* local) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && named(c, local)) return c;
    return {};
}

template <class F>
void forEachChild(const pugi::xml_node& node, const char* local, F&& f) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && named(c, local)) f(c);
}

// The relationship id attribute (r:id under whatever prefix the file uses).
const char* relationshipId(const pugi::xml_node& node) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        const char* name = a.name();
        const char* colon = std::strchr(name, ':');
        if (colon && std::strcmp(colon + 1, "id") == 0) return a.value();
    }
    return "";
}

bool truthy(const pugi::xml_attribute& a) { return isTrue(a.value()); }

std::optional<double> attrDouble(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute a = node.attribute(name);
    if (!a) return std::nullopt;
    return parseDouble(a.value());
}

// The LineStyle and Weight the object model gives for a border style of the file.
BorderEdge borderEdgeOf(const char* name) {
    static const std::pair<const char*, BorderEdge> kStyles[] = {
        {"thin", {excel::xlContinuous, excel::xlThin}},
        {"medium", {excel::xlContinuous, excel::xlMedium}},
        {"thick", {excel::xlContinuous, excel::xlThick}},
        {"hair", {excel::xlContinuous, excel::xlHairline}},
        {"dashed", {excel::xlDash, excel::xlThin}},
        {"mediumDashed", {excel::xlDash, excel::xlMedium}},
        {"dotted", {excel::xlDot, excel::xlThin}},
        {"double", {excel::xlDouble, excel::xlThick}},
        {"dashDot", {excel::xlDashDot, excel::xlThin}},
        {"mediumDashDot", {excel::xlDashDot, excel::xlMedium}},
        {"dashDotDot", {excel::xlDashDotDot, excel::xlThin}},
        {"mediumDashDotDot", {excel::xlDashDotDot, excel::xlMedium}},
        {"slantDashDot", {excel::xlSlantDashDot, excel::xlMedium}},
    };
    for (const auto& [n, v] : kStyles)
        if (std::strcmp(n, name) == 0) return v;
    return {};
}

std::int32_t verticalOf(const char* name) {
    static const std::pair<const char*, std::int32_t> kAligns[] = {
        {"top", excel::xlVAlignTop},
        {"center", excel::xlVAlignCenter},
        {"bottom", excel::xlVAlignBottom},
        {"justify", excel::xlVAlignJustify},
        {"distributed", excel::xlVAlignDistributed},
    };
    for (const auto& [n, v] : kAligns)
        if (std::strcmp(n, name) == 0) return v;
    return excel::xlVAlignBottom;
}

std::int32_t horizontalOf(const char* name) {
    static const std::pair<const char*, std::int32_t> kAligns[] = {
        {"general", excel::xlHAlignGeneral},
        {"left", excel::xlHAlignLeft},
        {"center", excel::xlHAlignCenter},
        {"right", excel::xlHAlignRight},
        {"fill", excel::xlHAlignFill},
        {"justify", excel::xlHAlignJustify},
        {"centerContinuous", excel::xlHAlignCenterAcrossSelection},
        {"distributed", excel::xlHAlignDistributed},
    };
    for (const auto& [n, v] : kAligns)
        if (std::strcmp(n, name) == 0) return v;
    return excel::xlHAlignGeneral;
}

}  // namespace

class WorkbookLoader {
public:
    WorkbookLoader(XlsxWorkbook& wb, const std::filesystem::path& path)
        : wb_(wb), path_(path), package_(std::make_shared<XlsxPackage>(path)) {}

    void load();

private:
    [[noreturn]] void fail(ReadProblem problem, std::vector<ReasonPart> parts = {}) const {
        throw WorkbookError(path_, problem, std::move(parts));
    }

    pugi::xml_document parse(const std::string& part, bool required);
    std::vector<std::pair<std::string, std::string>> relationships(const std::string& part);
    std::string relationshipTarget(const std::string& part, const std::string& id);
    static std::string resolve(const std::string& part, const std::string& target);

    void loadStyles(const std::string& part);

    XlsxWorkbook& wb_;
    std::filesystem::path path_;
    std::shared_ptr<XlsxPackage> package_;
    std::string workbookPart_;
    std::vector<std::pair<std::string, std::string>> workbookRels_;      // id -> target part
    std::vector<std::pair<std::string, std::string>> workbookRelTypes_;  // type suffix -> part
};

pugi::xml_document WorkbookLoader::parse(const std::string& part, bool required) {
    pugi::xml_document doc;
    const std::optional<std::string> bytes = package_->read(part);
    if (!bytes) {
        if (required) fail(ReadProblem::partMissing, {part});
        return doc;
    }
    const pugi::xml_parse_result result = doc.load_buffer(
        bytes->data(), bytes->size(),
        pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata,
        pugi::encoding_auto);
    if (!result) {
        fail(ReadProblem::partNotWellFormed,
             {part, pugixmlErrorPart(result.status, result.description()),
              std::to_string(result.offset)});
    }
    return doc;
}

std::string WorkbookLoader::resolve(const std::string& part, const std::string& target) {
    std::string path;
    if (!target.empty() && target.front() == '/') {
        path = target.substr(1);
    } else {
        const std::size_t slash = part.rfind('/');
        path = (slash == std::string::npos ? std::string() : part.substr(0, slash + 1)) + target;
    }
    // Collapse "." and ".." segments.
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string seg = path.substr(start, end - start);
        if (seg == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segments.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}

std::vector<std::pair<std::string, std::string>> WorkbookLoader::relationships(
    const std::string& part) {
    const std::size_t slash = part.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    const pugi::xml_document doc = parse(dir + "_rels/" + file + ".rels", false);
    std::vector<std::pair<std::string, std::string>> rels;
    const pugi::xml_node root = child(doc, "Relationships");
    forEachChild(root, "Relationship", [&](const pugi::xml_node& r) {
        if (std::strcmp(r.attribute("TargetMode").value(), "External") == 0) return;
        rels.emplace_back(r.attribute("Id").value(), r.attribute("Type").value());
        rels.back().second += '\n' + resolve(part, r.attribute("Target").value());
    });
    return rels;
}

void WorkbookLoader::load() {
    // The package's main part.
    workbookPart_ = "xl/workbook.xml";
    for (const auto& [id, typeAndTarget] : relationships("")) {
        const std::size_t nl = typeAndTarget.find('\n');
        const std::string type = typeAndTarget.substr(0, nl);
        if (type.ends_with("/officeDocument")) workbookPart_ = typeAndTarget.substr(nl + 1);
    }
    if (!package_->has(workbookPart_)) {
        if (package_->has("[Content_Types].xml")) fail(ReadProblem::packageHoldsNoSpreadsheet);
        fail(ReadProblem::archiveHoldsNoWorkbook, {workbookPart_});
    }
    for (const auto& [id, typeAndTarget] : relationships(workbookPart_)) {
        const std::size_t nl = typeAndTarget.find('\n');
        const std::string type = typeAndTarget.substr(0, nl);
        const std::string target = typeAndTarget.substr(nl + 1);
        workbookRels_.emplace_back(id, target);
        const std::size_t lastSlash = type.rfind('/');
        workbookRelTypes_.emplace_back(
            lastSlash == std::string::npos ? type : type.substr(lastSlash + 1), target);
    }
    std::string stylesPart, sharedStringsPart;
    for (const auto& [type, target] : workbookRelTypes_) {
        if (type == "styles") stylesPart = target;
        if (type == "sharedStrings") sharedStringsPart = target;
    }

    const pugi::xml_document doc = parse(workbookPart_, true);
    const pugi::xml_node workbook = child(doc, "workbook");
    if (!workbook) fail(ReadProblem::partHoldsNoWorkbook, {workbookPart_});
    wb_.date1904_ = truthy(child(workbook, "workbookPr").attribute("date1904"));

    const pugi::xml_node view = child(child(workbook, "bookViews"), "workbookView");
    const std::uint64_t activeTab = parseUnsigned(view.attribute("activeTab").value()).value_or(0);

    forEachChild(child(workbook, "sheets"), "sheet", [&](const pugi::xml_node& s) {
        Sheet sheet;
        sheet.name = utf8ToUtf16(s.attribute("name").value());
        const std::string id = relationshipId(s);
        for (const auto& [rid, target] : workbookRels_)
            if (rid == id) sheet.part = target;
        sheet.isWorksheet = false;
        for (std::size_t i = 0; i < workbookRels_.size(); ++i) {
            if (workbookRels_[i].first == id) {
                sheet.isWorksheet = workbookRelTypes_[i].first == "worksheet";
            }
        }
        wb_.sheets_.push_back(std::move(sheet));
    });
    if (wb_.sheets_.empty()) fail(ReadProblem::listsNoSheets);
    wb_.activeSheet_ = activeTab < wb_.sheets_.size() ? static_cast<std::size_t>(activeTab) : 0;

    loadStyles(stylesPart);
    wb_.sharedStringsPart_ = sharedStringsPart;
    if (!sharedStringsPart.empty()) package_->check(sharedStringsPart);
    wb_.package_ = package_;
    for (Sheet& sheet : wb_.sheets_) {
        if (!sheet.isWorksheet) continue;
        if (sheet.part.empty() || !package_->has(sheet.part)) {
            fail(ReadProblem::sheetHasNoPart, {sheetLabel(sheet)});
        }
        readSheetSettings(wb_.sheetSource(), sheet);
    }
}

void WorkbookLoader::loadStyles(const std::string& part) {
    if (!part.empty()) {
        const pugi::xml_document doc = parse(part, false);
        const pugi::xml_node ss = child(doc, "styleSheet");
        std::vector<std::uint64_t> overlong;  // ids of codes too long to use
        forEachChild(child(ss, "numFmts"), "numFmt", [&](const pugi::xml_node& n) {
            if (auto id = parseUnsigned(n.attribute("numFmtId").value()); id && *id < 0x10000) {
                std::u16string code = utf8ToUtf16(n.attribute("formatCode").value());
                if (code.size() > kMaxFormatCodeChars) {
                    overlong.push_back(*id);
                    return;
                }
                wb_.numberFormats_[static_cast<std::uint32_t>(*id)] = std::move(code);
            }
        });
        if (!overlong.empty()) {
            wb_.notes_.push_back(
                {ReadProblem::formatCodesNotUsed,
                 {countedPart(overlong.size(), "number format", "表示形式"),
                  std::to_string(overlong.front()),
                  overlong.size() == 1 ? ReasonPart("") : ReasonPart(" and others", " ほか"),
                  std::to_string(kMaxFormatCodeChars)},
                 std::nullopt});
        }
        forEachChild(child(ss, "fonts"), "font", [&](const pugi::xml_node& f) {
            FontInfo font;
            font.name = utf8ToUtf16(child(f, "name").attribute("val").value());
            if (auto v = acceptedFontSize(attrDouble(child(f, "sz"), "val"))) font.size = *v;
            wb_.fonts_.push_back(std::move(font));
        });
        forEachChild(child(ss, "borders"), "border", [&](const pugi::xml_node& b) {
            BorderInfo border;
            auto edge = [&](const char* a, const char* b2) {
                pugi::xml_node e = child(b, a);
                if (!e && b2) e = child(b, b2);
                return e ? borderEdgeOf(e.attribute("style").value()) : BorderEdge{};
            };
            border.left = edge("left", "start");
            border.right = edge("right", "end");
            border.top = edge("top", nullptr);
            border.bottom = edge("bottom", nullptr);
            border.diagonal = edge("diagonal", nullptr);
            border.diagonalUp = truthy(b.attribute("diagonalUp"));
            border.diagonalDown = truthy(b.attribute("diagonalDown"));
            wb_.borders_.push_back(border);
        });
        forEachChild(child(ss, "cellXfs"), "xf", [&](const pugi::xml_node& x) {
            CellFormat format;
            auto index = [&](const char* name) {
                return static_cast<std::uint32_t>(
                    clampStyle(parseUnsigned(x.attribute(name).value()).value_or(0)));
            };
            format.fontId = index("fontId");
            format.borderId = index("borderId");
            format.numFmtId = index("numFmtId");
            if (const pugi::xml_node al = child(x, "alignment")) {
                format.horizontal = horizontalOf(al.attribute("horizontal").value());
                format.vertical = verticalOf(al.attribute("vertical").value());
                format.wrapText = truthy(al.attribute("wrapText"));
                format.shrinkToFit = truthy(al.attribute("shrinkToFit"));
            }
            wb_.cellFormats_.push_back(format);
        });
    }
    // What a workbook without styles (or with empty lists) implies.
    if (wb_.fonts_.empty()) wb_.fonts_.push_back(FontInfo{u"Calibri", 11});
    if (wb_.borders_.empty()) wb_.borders_.emplace_back();
    if (wb_.cellFormats_.empty()) wb_.cellFormats_.emplace_back();
    wb_.mdw_ = maxDigitWidth(wb_.fonts_.front().name, wb_.fonts_.front().size);
    // Cell formats share their codes: a styles part may list many formats of one long code.
    std::unordered_map<std::uint32_t, std::uint32_t> codeIndex;  // numFmtId -> formatCodes_
    for (const CellFormat& f : wb_.cellFormats_) {
        auto [it, added] =
            codeIndex.emplace(f.numFmtId, static_cast<std::uint32_t>(wb_.formatCodes_.size()));
        if (added) wb_.formatCodes_.push_back(wb_.numberFormatCode(f.numFmtId));
        wb_.styleFormatCode_.push_back(it->second);
        wb_.styleIsGeneral_.push_back(isGeneralFormat(wb_.formatCodes_[it->second]));
    }
}

void XlsxWorkbook::indexSheet(Sheet& sheet) const {
    sheet.mergesByRow.clear();
    sheet.mergesByColumn.clear();
    sheet.hugeMerges.clear();
    const double def = defaultRowHeight(sheet);
    const double unlisted = sheet.rowsHiddenByDefault ? 0 : def;
    sheet.rowHeightPrefix.assign(sheet.rows.size() + 1, 0);
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        const RowInfo& r = sheet.rows[i];
        const double h = r.hidden ? 0 : r.height.value_or(def);
        sheet.rowHeightPrefix[i + 1] = sheet.rowHeightPrefix[i] + (h - unlisted);
    }
    const std::int64_t defPx = defaultColumnPixels(sheet);
    sheet.colPixelPrefix.assign(sheet.cols.size() + 1, 0);
    for (std::size_t i = 0; i < sheet.cols.size(); ++i) {
        const ColumnInfo& c = sheet.cols[i];
        const std::int64_t px =
            c.hidden ? 0 : (c.width ? columnPixelsFromWidth(*c.width, mdw_) : defPx);
        sheet.colPixelPrefix[i + 1] =
            sheet.colPixelPrefix[i] + (px - defPx) * (static_cast<std::int64_t>(c.max) - c.min + 1);
    }
    std::uint64_t entries = 0;
    for (std::uint32_t i = 0; i < sheet.merges.size(); ++i) {
        const CellRange& m = sheet.merges[i];
        const std::uint32_t height = m.lastRow - m.firstRow + 1;
        const std::uint32_t width = m.lastCol - m.firstCol + 1;
        if (height > kTallMerge && width > kTallMerge) {
            sheet.hugeMerges.push_back(i);
            entries += 1;
        } else if (height > kTallMerge) {
            for (std::uint32_t c = m.firstCol; c <= m.lastCol; ++c)
                sheet.mergesByColumn[c].push_back(i);
            entries += width;
        } else {
            for (std::uint32_t r = m.firstRow; r <= m.lastRow; ++r)
                sheet.mergesByRow[r].push_back(i);
            entries += height;
        }
        if (entries > kMaxMergeEntries || sheet.hugeMerges.size() > kMaxHugeMerges) {
            throw WorkbookError(path_, ReadProblem::mergesTooMany, {sheetLabel(sheet)});
        }
    }
    const auto& merges = sheet.merges;
    for (auto& [row, list] : sheet.mergesByRow) {
        std::sort(list.begin(), list.end(), [&](std::uint32_t a, std::uint32_t b) {
            return merges[a].firstCol < merges[b].firstCol;
        });
    }
    for (auto& [col, list] : sheet.mergesByColumn) {
        std::sort(list.begin(), list.end(), [&](std::uint32_t a, std::uint32_t b) {
            return merges[a].firstRow < merges[b].firstRow;
        });
    }
}

std::shared_ptr<XlsxWorkbook> XlsxWorkbook::open(const std::filesystem::path& path) {
    std::shared_ptr<XlsxWorkbook> wb(new XlsxWorkbook());
    wb->path_ = path;
    try {
        WorkbookLoader(*wb, path).load();
    } catch (const std::bad_alloc&) {
        throw WorkbookError(path, ReadProblem::tooLargeForMemory);
    }
    return wb;
}

std::shared_ptr<XlsxWorkbook> XlsxWorkbook::load(const std::filesystem::path& path) {
    std::shared_ptr<XlsxWorkbook> wb = open(path);
    for (std::size_t i = 0; i < wb->sheets_.size(); ++i) {
        if (wb->sheets_[i].isWorksheet) wb->readCells(i, CellRange{1, 1, kMaxRows, kMaxCols});
    }
    return wb;
}

XlsxWorkbook::~XlsxWorkbook() = default;

SheetSource XlsxWorkbook::sheetSource() const {
    return SheetSource{*package_, path_, static_cast<std::uint32_t>(cellFormats_.size()), date1904_,
                       sharedStringsPart_};
}

void XlsxWorkbook::readCells(std::size_t index, const CellRange& range) {
    Sheet& sheet = sheets_.at(index);
    try {
        readSheetCells(sheetSource(), sheet, range);
        indexSheet(sheet);
    } catch (const std::bad_alloc&) {
        throw WorkbookError(path_, ReadProblem::tooLargeForMemory);
    }
}

// ---------------------------------------------------------------------------------------------
// Queries

std::vector<ReadReason> XlsxWorkbook::notes() const {
    std::vector<ReadReason> notes = notes_;
    std::size_t cut = 0;
    for (const Sheet& sheet : sheets_) cut += sheet.cutTexts;
    static_assert(kMaxCellTextChars == 32767);
    if (cut > 0) {
        notes.push_back(
            {ReadProblem::textsCut, {countedPart(cut, "text", "文字列")}, std::nullopt});
    }
    return notes;
}

std::u16string XlsxWorkbook::fileName() const { return platform::pathToUtf16(path_.filename()); }

std::optional<std::size_t> XlsxWorkbook::findSheet(std::u16string_view name) const {
    for (std::size_t i = 0; i < sheets_.size(); ++i)
        if (sameAsciiNoCase(sheets_[i].name, name)) return i;
    return std::nullopt;
}

std::u16string XlsxWorkbook::numberFormatCode(std::uint32_t numFmtId) const {
    if (const auto it = numberFormats_.find(numFmtId); it != numberFormats_.end())
        return it->second;
    std::u16string code = builtinNumberFormat(static_cast<int>(numFmtId));
    return code.empty() ? u"General" : code;
}

const std::u16string& XlsxWorkbook::formatCodeOf(std::uint32_t style) const {
    return formatCodes_[styleFormatCode_[style < styleFormatCode_.size() ? style : 0]];
}

bool XlsxWorkbook::isGeneralStyle(std::uint32_t style) const {
    return styleIsGeneral_[style < styleIsGeneral_.size() ? style : 0];
}

const Cell* XlsxWorkbook::findCell(const Sheet& sheet, std::uint32_t row, std::uint32_t col) const {
    const auto it =
        std::lower_bound(sheet.cells.begin(), sheet.cells.end(), std::pair(row, col),
                         [](const Cell& c, const std::pair<std::uint32_t, std::uint32_t>& k) {
                             return c.row != k.first ? c.row < k.first : c.col < k.second;
                         });
    if (it == sheet.cells.end() || it->row != row || it->col != col) return nullptr;
    return &*it;
}

namespace {
const RowInfo* findRow(const Sheet& sheet, std::uint32_t row) {
    const auto it = std::lower_bound(sheet.rows.begin(), sheet.rows.end(), row,
                                     [](const RowInfo& r, std::uint32_t k) { return r.row < k; });
    return it != sheet.rows.end() && it->row == row ? &*it : nullptr;
}
const ColumnInfo* findColumn(const Sheet& sheet, std::uint32_t col) {
    const auto it =
        std::upper_bound(sheet.cols.begin(), sheet.cols.end(), col,
                         [](std::uint32_t k, const ColumnInfo& c) { return k < c.min; });
    if (it == sheet.cols.begin()) return nullptr;
    const ColumnInfo& c = *(it - 1);
    return col <= c.max ? &c : nullptr;
}
}  // namespace

std::uint32_t XlsxWorkbook::styleAt(const Sheet& sheet, std::uint32_t row,
                                    std::uint32_t col) const {
    if (const Cell* cell = findCell(sheet, row, col)) return cell->style;
    if (const RowInfo* r = findRow(sheet, row); r && r->style) return *r->style;
    if (const ColumnInfo* c = findColumn(sheet, col); c && c->style) {
        return *c->style < cellFormats_.size() ? *c->style : 0;
    }
    return 0;
}

const CellFormat& XlsxWorkbook::format(std::uint32_t style) const {
    return style < cellFormats_.size() ? cellFormats_[style] : cellFormats_.front();
}

const FontInfo& XlsxWorkbook::fontOf(std::uint32_t style) const {
    const std::uint32_t id = format(style).fontId;
    return id < fonts_.size() ? fonts_[id] : fonts_.front();
}

const BorderInfo& XlsxWorkbook::borderOf(std::uint32_t style) const {
    const std::uint32_t id = format(style).borderId;
    return id < borders_.size() ? borders_[id] : borders_.front();
}

const RichString& XlsxWorkbook::textOf(const Sheet& sheet, const Cell& cell) const {
    return sheet.strings[cell.text];
}

const CellRange* XlsxWorkbook::mergeAt(const Sheet& sheet, std::uint32_t row,
                                       std::uint32_t col) const {
    if (sheet.merges.empty()) return nullptr;
    // In a list sorted by first column (row), the range through the cell, if any, is the last
    // one starting at or before it.
    auto search = [&](const std::vector<std::uint32_t>& list, bool byColumn) -> const CellRange* {
        const std::uint32_t key = byColumn ? col : row;
        const auto it =
            std::upper_bound(list.begin(), list.end(), key, [&](std::uint32_t k, std::uint32_t i) {
                return k < (byColumn ? sheet.merges[i].firstCol : sheet.merges[i].firstRow);
            });
        if (it == list.begin()) return nullptr;
        const CellRange& m = sheet.merges[*(it - 1)];
        return m.contains(row, col) ? &m : nullptr;
    };
    if (const auto r = sheet.mergesByRow.find(row); r != sheet.mergesByRow.end()) {
        if (const CellRange* m = search(r->second, true)) return m;
    }
    if (const auto c = sheet.mergesByColumn.find(col); c != sheet.mergesByColumn.end()) {
        if (const CellRange* m = search(c->second, false)) return m;
    }
    for (std::uint32_t i : sheet.hugeMerges)
        if (sheet.merges[i].contains(row, col)) return &sheet.merges[i];
    return nullptr;
}

int XlsxWorkbook::defaultColumnPixels(const Sheet& sheet) const {
    if (sheet.defaultColWidth) return columnPixelsFromWidth(*sheet.defaultColWidth, mdw_);
    return workbook::defaultColumnPixels(sheet.baseColWidth, mdw_);
}

int XlsxWorkbook::columnPixels(const Sheet& sheet, std::uint32_t col) const {
    if (const ColumnInfo* c = findColumn(sheet, col)) {
        if (c->hidden) return 0;
        if (c->width) return columnPixelsFromWidth(*c->width, mdw_);
    }
    return defaultColumnPixels(sheet);
}

double XlsxWorkbook::columnWidth(const Sheet& sheet, std::uint32_t col) const {
    return columnWidthFromPixels(columnPixels(sheet, col), mdw_);
}

double XlsxWorkbook::defaultRowHeight(const Sheet& sheet) const {
    return sheet.defaultRowHeight.value_or(15.0);
}

double XlsxWorkbook::rowHeight(const Sheet& sheet, std::uint32_t row) const {
    if (const RowInfo* r = findRow(sheet, row)) {
        if (r->hidden) return 0;
        return r->height.value_or(defaultRowHeight(sheet));
    }
    return sheet.rowsHiddenByDefault ? 0 : defaultRowHeight(sheet);
}

std::int64_t XlsxWorkbook::pixelsLeftOf(const Sheet& sheet, std::uint32_t col) const {
    const std::int64_t def = defaultColumnPixels(sheet);
    // Entries starting left of col: all but the last lie wholly left of it (they do not
    // overlap); the last may reach col or beyond.
    const auto it =
        std::lower_bound(sheet.cols.begin(), sheet.cols.end(), col,
                         [](const ColumnInfo& c, std::uint32_t k) { return c.min < k; });
    const auto before = static_cast<std::size_t>(it - sheet.cols.begin());
    std::int64_t px = def * (static_cast<std::int64_t>(col) - 1);
    if (before == 0) return px;
    const ColumnInfo& last = sheet.cols[before - 1];
    px += sheet.colPixelPrefix[before - 1];
    const std::int64_t w =
        last.hidden ? 0 : (last.width ? columnPixelsFromWidth(*last.width, mdw_) : def);
    px += (w - def) * (static_cast<std::int64_t>(std::min(last.max, col - 1)) - last.min + 1);
    return px;
}

double XlsxWorkbook::pointsAbove(const Sheet& sheet, std::uint32_t row) const {
    const double unlisted = sheet.rowsHiddenByDefault ? 0 : defaultRowHeight(sheet);
    const auto it = std::lower_bound(sheet.rows.begin(), sheet.rows.end(), row,
                                     [](const RowInfo& r, std::uint32_t k) { return r.row < k; });
    const auto listed = static_cast<std::size_t>(it - sheet.rows.begin());
    return unlisted * (row - 1.0) + sheet.rowHeightPrefix[listed];
}

}  // namespace tabrova::workbook
