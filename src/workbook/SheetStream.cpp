#include "workbook/SheetStream.h"

#include <expat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Utf8.h"
#include "table/CellAddress.h"
#include "workbook/XlsxPackage.h"
#include "workbook/XmlValues.h"

namespace tabrova::workbook {

std::string sheetLabel(const Sheet& sheet) { return quotedText(sheet.name); }

namespace {

constexpr std::size_t npos = std::string::npos;

// The element's name without a namespace prefix (the parts use whatever prefix they like).
std::string_view localPart(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == npos ? name : name.substr(colon + 1);
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The attributes of a start tag; values are NUL-terminated.
class Attributes {
public:
    void clear() { items_.clear(); }
    void add(std::string_view name, const char* value) { items_.emplace_back(name, value); }
    // The value of the attribute of exactly that name; "" when there is none.
    const char* operator[](std::string_view name) const {
        for (const auto& [n, v] : items_)
            if (n == name) return v;
        return "";
    }
    bool has(std::string_view name) const {
        for (const auto& item : items_)
            if (item.first == name) return true;
        return false;
    }

private:
    std::vector<std::pair<std::string_view, const char*>> items_;
};

struct XmlError {
    int code;  // expat's
    std::uint64_t offset;
};

// No part of a workbook needs more than a few dozen levels; deeper nesting is refused before
// the parser's own stack grows with it.
constexpr int kMaxDepth = 64;
struct TooDeep {};

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void start(std::string_view local, const Attributes& attributes) = 0;
    virtual void end() = 0;
    virtual void text(std::string_view chars) = 0;
};

// The streaming parser. Exceptions of the handler do not cross the parser's C frames: they stop
// the parser and are thrown again once it has returned.
class Expat {
public:
    explicit Expat(XmlHandler& handler) : handler_(handler), parser_(XML_ParserCreate(nullptr)) {
        if (!parser_) throw std::bad_alloc();
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &Expat::onStart, &Expat::onEnd);
        XML_SetCharacterDataHandler(parser_, &Expat::onText);
    }
    ~Expat() { XML_ParserFree(parser_); }
    Expat(const Expat&) = delete;
    Expat& operator=(const Expat&) = delete;

    // Throws XmlError (offset: of the bytes fed) when the bytes are not well formed.
    void feed(std::string_view bytes, bool final) {
        do {
            const std::size_t n = std::min<std::size_t>(bytes.size(), INT_MAX / 2);
            const bool last = final && n == bytes.size();
            if (XML_Parse(parser_, bytes.data(), static_cast<int>(n), last) != XML_STATUS_OK) {
                if (error_) std::rethrow_exception(error_);
                throw XmlError{static_cast<int>(XML_GetErrorCode(parser_)),
                               static_cast<std::uint64_t>(XML_GetCurrentByteIndex(parser_))};
            }
            bytes.remove_prefix(n);
        } while (!bytes.empty());
    }
    // Ends a part that is read only in part: what the bytes fed hold reaches the handler, the
    // missing rest is no error.
    void abandon() {
        XML_Parse(parser_, "", 0, XML_TRUE);
        if (error_) std::rethrow_exception(error_);
    }

private:
    template <class F>
    void guarded(F&& f) {
        if (error_) return;
        try {
            f();
        } catch (...) {
            error_ = std::current_exception();
            XML_StopParser(parser_, XML_FALSE);
        }
    }
    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
        auto* self = static_cast<Expat*>(data);
        self->guarded([&] {
            if (++self->depth_ > kMaxDepth) throw TooDeep{};
            self->attributes_.clear();
            for (const XML_Char** a = attributes; *a; a += 2) self->attributes_.add(a[0], a[1]);
            self->handler_.start(localPart(name), self->attributes_);
        });
    }
    static void XMLCALL onEnd(void* data, const XML_Char*) {
        auto* self = static_cast<Expat*>(data);
        self->guarded([&] {
            --self->depth_;
            self->handler_.end();
        });
    }
    static void XMLCALL onText(void* data, const XML_Char* chars, int length) {
        auto* self = static_cast<Expat*>(data);
        self->guarded([&] {
            self->handler_.text(std::string_view(chars, static_cast<std::size_t>(length)));
        });
    }

    XmlHandler& handler_;
    XML_Parser parser_;
    Attributes attributes_;
    std::exception_ptr error_;
    int depth_ = 0;
};

// Appends the attribute value text, with its references decoded and its white space normalised
// as an XML parser does, and a NUL.
void appendAttributeValue(std::string& out, std::string_view raw) {
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '&') {
            out.push_back(isSpace(c) ? ' ' : c);
            continue;
        }
        const std::size_t semi = raw.find(';', i);
        if (semi == npos) {
            out.push_back(c);
            continue;
        }
        const std::string_view ref = raw.substr(i + 1, semi - i - 1);
        static const std::pair<std::string_view, char> kNamed[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        bool done = false;
        for (const auto& [name, ch] : kNamed) {
            if (ref == name) {
                out.push_back(ch);
                done = true;
            }
        }
        if (!done && ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            std::uint32_t code = 0;
            bool ok = ref.size() > (hex ? 2u : 1u);
            for (std::size_t k = hex ? 2 : 1; ok && k < ref.size(); ++k) {
                const char d = ref[k];
                int v = -1;
                if (d >= '0' && d <= '9') v = d - '0';
                if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
                if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
                ok = v >= 0 && code < 0x110000;
                code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
            }
            if (ok && code < 0x110000) {
                out += utf16ToUtf8(
                    code < 0x10000
                        ? std::u16string(1, static_cast<char16_t>(code))
                        : std::u16string{static_cast<char16_t>(0xD7C0 + (code >> 10)),
                                         static_cast<char16_t>(0xDC00 + (code & 0x3FF))});
                done = true;
            }
        }
        if (!done) {
            out.push_back(c);
            continue;
        }
        i = semi;
    }
    out.push_back('\0');
}

enum class ItemChoice { keep, skip, stop };

// Hands a part to the parser, leaving out the items of one container element (the rows of
// sheetData, the string items of sst) that the reader does not want. Such an item is found by
// its end tag without being parsed, so the parser sees the part as if those items were not in
// it. Anything the scan cannot follow (a document type, an unexpected element, UTF-16) goes to
// the parser whole.
class ItemSkipper {
public:
    using Choose = std::function<ItemChoice(const Attributes&)>;

    ItemSkipper(Expat& xml, std::string_view container, std::string_view item, Choose choose,
                bool stopAtContainer)
        : xml_(xml),
          container_(container),
          item_(item),
          choose_(std::move(choose)),
          stopAtContainer_(stopAtContainer) {}

    // False when the reader has what it wants and may stop.
    bool push(std::string_view piece) {
        if (first_) {
            first_ = false;
            const auto b = [&](std::size_t i) {
                return i < piece.size() ? static_cast<unsigned char>(piece[i]) : 0x100u;
            };
            if ((b(0) == 0xFE && b(1) == 0xFF) || (b(0) == 0xFF && b(1) == 0xFE) || b(0) == 0 ||
                b(1) == 0) {
                mode_ = Mode::whole;
            }
        }
        buf_.append(piece);
        if (!scan()) return false;
        if (mode_ == Mode::whole) feedUpTo(buf_.size());
        if (fed_ > 0) {
            buf_.erase(0, fed_);
            pos_ -= fed_;
            fed_ = 0;
        }
        return true;
    }
    void finish() {
        feedUpTo(buf_.size());
        xml_.feed({}, true);
    }
    // The offset in the part of a byte the parser was fed at offset fed.
    std::uint64_t partOffset(std::uint64_t fed) const {
        std::uint64_t skipped = 0;
        for (const auto& [at, total] : skips_)
            if (at <= fed) skipped = total;
        return fed + skipped;
    }

private:
    enum class Mode { head, items, whole };
    static constexpr std::size_t kMore = npos - 1;        // the buffer ends within the markup
    static constexpr std::size_t kNotSpecial = npos - 2;  // a tag
    static constexpr std::size_t kUnknown = npos - 3;     // "<!" other than comment or CDATA

    bool scan() {
        while (mode_ != Mode::whole) {
            const std::size_t q = buf_.find('<', pos_);
            if (q == npos) {
                pos_ = buf_.size();
                if (mode_ == Mode::head) feedUpTo(pos_);
                return true;
            }
            pos_ = q;
            if (mode_ == Mode::head) feedUpTo(q);
            const std::size_t special = afterSpecial(q);
            if (special == kMore) return true;
            if (special == kUnknown) {
                mode_ = Mode::whole;
                return true;
            }
            if (special != kNotSpecial) {
                pos_ = special;
                continue;
            }
            const std::size_t gt = tagEnd(q);
            if (gt == npos) return true;
            const bool endTag = buf_[q + 1] == '/';
            const std::string_view name = nameAt(endTag ? q + 2 : q + 1);
            const bool empty = buf_[gt - 1] == '/';
            if (mode_ == Mode::head) {
                pos_ = gt + 1;
                if (!endTag && !empty && localPart(name) == container_) {
                    containerName_ = std::string(name);
                    feedUpTo(pos_);
                    if (stopAtContainer_) return false;
                    mode_ = Mode::items;
                }
                continue;
            }
            // Among the items: the container's end, or anything unexpected, ends the scan.
            if (endTag || localPart(name) != item_) {
                mode_ = Mode::whole;
                return true;
            }
            std::size_t end = gt + 1;
            if (!empty) {
                end = itemEnd(gt + 1, name);
                if (end == kMore) return true;
            }
            attributeText_.clear();
            attributeText_.reserve(gt - q);
            attributes_.clear();
            readAttributes(q + 1 + name.size(), empty ? gt - 1 : gt);
            switch (choose_(attributes_)) {
                case ItemChoice::keep:
                    feedUpTo(end);
                    break;
                case ItemChoice::skip:
                    feedUpTo(q);
                    skipTo(end);
                    break;
                case ItemChoice::stop:
                    return false;
            }
            pos_ = end;
        }
        return true;
    }

    // Past a comment, processing instruction or CDATA section starting at q.
    std::size_t afterSpecial(std::size_t q) const {
        if (q + 1 >= buf_.size()) return kMore;
        const char c = buf_[q + 1];
        if (c == '?') return after(q + 2, "?>");
        if (c != '!') return kNotSpecial;
        if (buf_.size() < q + 9) return kMore;
        if (buf_.compare(q, 4, "<!--") == 0) return after(q + 4, "-->");
        if (buf_.compare(q, 9, "<![CDATA[") == 0) return after(q + 9, "]]>");
        return kUnknown;
    }
    std::size_t after(std::size_t from, std::string_view end) const {
        const std::size_t at = buf_.find(end, from);
        return at == npos ? kMore : at + end.size();
    }
    // The '>' of the tag starting at q (a '>' may stand in a quoted value).
    std::size_t tagEnd(std::size_t q) const {
        char quote = 0;
        for (std::size_t i = q + 1; i < buf_.size(); ++i) {
            const char c = buf_[i];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                return i;
            }
        }
        return npos;
    }
    std::string_view nameAt(std::size_t at) const {
        std::size_t end = at;
        while (end < buf_.size() && !isSpace(buf_[end]) && buf_[end] != '/' && buf_[end] != '>')
            ++end;
        return std::string_view(buf_).substr(at, end - at);
    }
    // Just past the end tag of the item whose content starts at from.
    std::size_t itemEnd(std::size_t from, std::string_view name) {
        // Most items hold no comment, CDATA section or instruction (all start with "<!" or
        // "<?"): then the first "</name" is the end tag. It is looked for by its last letter,
        // which is rare in cells' markup, so that the search does not stop at every tag.
        if (closing_.size() != name.size() + 2 || closing_.compare(2, npos, name) != 0) {
            closing_ = "</" + std::string(name);
        }
        const char* begin = buf_.data() + from;
        const char* end = buf_.data() + buf_.size();
        const char* at = nullptr;
        for (const char* p = begin + closing_.size() - 1; p < end; ++p) {
            p = static_cast<const char*>(
                std::memchr(p, closing_.back(), static_cast<std::size_t>(end - p)));
            if (!p) break;
            if (std::memcmp(p + 1 - closing_.size(), closing_.data(), closing_.size()) == 0) {
                at = p + 1 - closing_.size();
                break;
            }
        }
        if (!at) return kMore;
        if (!markupBetween(begin, at)) {
            const std::size_t q = static_cast<std::size_t>(at - buf_.data());
            if (q + closing_.size() >= buf_.size()) return kMore;
            const char c = buf_[q + closing_.size()];
            if (c == '>') return q + closing_.size() + 1;
            if (isSpace(c)) {
                const std::size_t gt = buf_.find('>', q);
                return gt == npos ? kMore : gt + 1;
            }
        }
        for (std::size_t i = from;;) {
            const std::size_t q = buf_.find('<', i);
            if (q == npos || q + 1 >= buf_.size()) return kMore;
            if (buf_[q + 1] == '/') {
                if (buf_.size() < q + 3 + name.size()) return kMore;
                if (buf_.compare(q + 2, name.size(), name) == 0) {
                    const char c = buf_[q + 2 + name.size()];
                    if (c == '>') return q + 3 + name.size();
                    if (isSpace(c)) {
                        const std::size_t gt = buf_.find('>', q);
                        return gt == npos ? kMore : gt + 1;
                    }
                }
                i = q + 2;
                continue;
            }
            const std::size_t special = afterSpecial(q);
            if (special == kMore) return kMore;
            i = special == kNotSpecial || special == kUnknown ? q + 1 : special;
        }
    }
    static bool markupBetween(const char* begin, const char* end) {
        for (const char mark : {'!', '?'}) {
            for (const char* p = begin; p < end; ++p) {
                p = static_cast<const char*>(
                    std::memchr(p, mark, static_cast<std::size_t>(end - p)));
                if (!p) break;
                if (p > begin && p[-1] == '<') return true;
            }
        }
        return false;
    }
    void readAttributes(std::size_t from, std::size_t to) {
        const std::string_view tag = std::string_view(buf_).substr(from, to - from);
        std::size_t i = 0;
        std::vector<std::pair<std::string_view, std::size_t>> found;
        while (i < tag.size()) {
            while (i < tag.size() && isSpace(tag[i])) ++i;
            const std::size_t nameStart = i;
            while (i < tag.size() && tag[i] != '=' && !isSpace(tag[i])) ++i;
            const std::string_view name = tag.substr(nameStart, i - nameStart);
            while (i < tag.size() && isSpace(tag[i])) ++i;
            if (name.empty() || i >= tag.size() || tag[i] != '=') break;
            ++i;
            while (i < tag.size() && isSpace(tag[i])) ++i;
            if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) break;
            const std::size_t close = tag.find(tag[i], i + 1);
            if (close == npos) break;
            found.emplace_back(name, attributeText_.size());
            appendAttributeValue(attributeText_, tag.substr(i + 1, close - i - 1));
            i = close + 1;
        }
        for (const auto& [name, at] : found) attributes_.add(name, attributeText_.data() + at);
    }
    void feedUpTo(std::size_t end) {
        if (end <= fed_) return;
        xml_.feed(std::string_view(buf_).substr(fed_, end - fed_), false);
        fedTotal_ += end - fed_;
        fed_ = end;
    }
    void skipTo(std::size_t end) {
        skippedTotal_ += end - fed_;
        if (!skips_.empty() && skips_.back().first == fedTotal_) {
            skips_.back().second = skippedTotal_;
        } else {
            skips_.emplace_back(fedTotal_, skippedTotal_);
        }
        fed_ = end;
    }

    Expat& xml_;
    std::string_view container_;
    std::string_view item_;
    Choose choose_;
    bool stopAtContainer_;
    Mode mode_ = Mode::head;
    bool first_ = true;
    std::string buf_;
    std::size_t pos_ = 0;  // where the scan goes on
    std::size_t fed_ = 0;  // the bytes before it are fed or skipped
    std::string containerName_;
    std::string closing_;  // "</" and the item's name
    std::string attributeText_;
    Attributes attributes_;
    std::uint64_t fedTotal_ = 0;
    std::uint64_t skippedTotal_ = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> skips_;  // fed offset, skipped so far
};

// Streams a part through the skipper into the parser. False when the package has no such part.
bool streamPart(const SheetSource& source, const std::string& part, XmlHandler& handler,
                std::string_view container, std::string_view item, ItemSkipper::Choose choose,
                bool stopAtContainer) {
    Expat xml(handler);
    ItemSkipper skipper(xml, container, item, std::move(choose), stopAtContainer);
    try {
        bool stopped = false;
        const bool found = source.package.stream(part, [&](std::string_view piece) {
            stopped = !skipper.push(piece);
            return !stopped;
        });
        if (!found) return false;
        if (stopped) {
            xml.abandon();
        } else {
            skipper.finish();
        }
    } catch (const XmlError& e) {
        throw WorkbookError(
            source.path, ReadProblem::partNotWellFormed,
            {part, expatErrorPart(e.code), std::to_string(skipper.partOffset(e.offset))});
    } catch (const TooDeep&) {
        throw WorkbookError(source.path, ReadProblem::partNestsTooDeep, {part});
    }
    return true;
}

// Builds the string items (<si> of the shared strings, <is> of a cell): the texts of the runs
// joined, phonetic runs left out.
class StringItemBuilder {
public:
    enum Kind : std::uint8_t { none, itemText, run, runText, runProps, runSize };

    void begin() {
        item_ = RichString{};
        hasRuns_ = false;
    }
    // The kind of an element inside the item, by its parent's kind (none for the item itself).
    Kind start(Kind parent, std::string_view local, const Attributes& a) {
        if (parent == none) {
            if (local == "t") return itemText;
            if (local == "r") {
                hasRuns_ = true;
                runText_.clear();
                runSize_ = std::numeric_limits<double>::quiet_NaN();
                seenProps_ = false;
                return run;
            }
        } else if (parent == run) {
            if (local == "t") return runText;
            if (local == "rPr" && !seenProps_) {
                seenProps_ = true;
                seenSize_ = false;
                return runProps;
            }
        } else if (parent == runProps && local == "sz" && !seenSize_) {
            seenSize_ = true;
            if (auto v = acceptedFontSize(parseDouble(a["val"]))) runSize_ = *v;
            return runSize;
        }
        return static_cast<Kind>(0xFF);
    }
    static bool collectsText(Kind kind) { return kind == itemText || kind == runText; }
    void end(Kind kind, const std::string& text) {
        if (kind == itemText) item_.text += unescapeText(utf8ToUtf16(text));
        if (kind == runText) runText_ += unescapeText(utf8ToUtf16(text));
        if (kind == run && !runText_.empty()) {
            item_.runs.push_back(TextRun{static_cast<std::uint32_t>(runText_.size()), runSize_});
            item_.text += runText_;
        }
    }
    RichString take() {
        if (!hasRuns_) item_.runs.clear();
        return std::move(item_);
    }

private:
    RichString item_;
    bool hasRuns_ = false;
    std::u16string runText_;
    double runSize_ = 0;
    bool seenProps_ = false;
    bool seenSize_ = false;
};

// Element kinds the readers below tell apart; `other` for all they pass over.
enum class Kind : std::uint8_t {
    other,
    root,
    cols,
    sheetViews,
    sheetView,
    sheetData,
    row,
    cell,
    value,
    item,  // a string item; its inside is the builder's
    inItem,
    mergeCells,
};

struct Element {
    Kind kind;
    StringItemBuilder::Kind itemKind = StringItemBuilder::none;
};

// An element inside a string item (parent `item` or `inItem`): the builder takes it, and the text
// collected so far is dropped when it starts a text of its own.
void startInItem(StringItemBuilder& builder, const std::vector<Element>& stack, Kind parent,
                 std::string_view local, const Attributes& a, Element& e, std::string& text) {
    e.itemKind = builder.start(
        parent == Kind::item ? StringItemBuilder::none : stack.back().itemKind, local, a);
    if (e.itemKind != 0xFF) e.kind = Kind::inItem;
    if (StringItemBuilder::collectsText(e.itemKind)) text.clear();
}

class SheetHandler final : public XmlHandler {
public:
    SheetHandler(const SheetSource& source, Sheet& sheet, std::optional<CellRange> range)
        : source_(source), sheet_(sheet), range_(range) {
        if (range) {
            kept_ = CellRange{std::max(range->firstRow, 2u) - 1, std::max(range->firstCol, 2u) - 1,
                              std::min(range->lastRow, kMaxRows - 1) + 1,
                              std::min(range->lastCol, kMaxCols - 1) + 1};
        }
    }

    // The choice for a row the skipper has found: the row's attributes are taken here, and the
    // parser, if fed the row, takes its number from the queue.
    ItemChoice chooseRow(const Attributes& a) {
        const std::uint32_t row = beginRow(a);
        if (!keeps(row)) return ItemChoice::skip;
        scannedRows_.push_back(row);
        return ItemChoice::keep;
    }

    void start(std::string_view local, const Attributes& a) override {
        const Kind parent = stack_.empty() ? Kind::other : stack_.back().kind;
        Element e{Kind::other};
        if (stack_.empty()) {
            rootIsWorksheet_ = local == "worksheet";
            if (rootIsWorksheet_) e.kind = Kind::root;
        } else if (parent == Kind::root) {
            e.kind = rootChild(local, a);
        } else if (parent == Kind::cols) {
            if (local == "col") column(a);
        } else if (parent == Kind::sheetViews) {
            if (local == "sheetView" && !seenView_) {
                seenView_ = true;
                e.kind = Kind::sheetView;
            }
        } else if (parent == Kind::sheetView) {
            if (local == "pane" && !seenPane_) {
                seenPane_ = true;
                activePane_ = a["activePane"];
            } else if (local == "selection") {
                const char* pane = a["pane"];
                selections_.push_back({*pane ? pane : "topLeft", a["sqref"], a["activeCell"]});
            }
        } else if (parent == Kind::sheetData) {
            if (local == "row") {
                if (!scannedRows_.empty()) {
                    row_ = scannedRows_.front();
                    scannedRows_.pop_front();
                } else {
                    row_ = beginRow(a);
                }
                colNumber_ = 0;
                if (keeps(row_)) e.kind = Kind::row;
            }
        } else if (parent == Kind::row) {
            if (local == "c") e.kind = beginCell(a);
        } else if (parent == Kind::cell) {
            if (local == "v" && !seenValue_) {
                seenValue_ = true;
                e.kind = Kind::value;
                text_.clear();
            } else if (local == "is" && !seenItem_) {
                seenItem_ = true;
                e.kind = Kind::item;
                builder_.begin();
            }
        } else if (parent == Kind::item || parent == Kind::inItem) {
            startInItem(builder_, stack_, parent, local, a, e, text_);
        } else if (parent == Kind::mergeCells) {
            if (local == "mergeCell") merge(a["ref"]);
        }
        stack_.push_back(e);
    }

    void end() override {
        const Element e = stack_.back();
        stack_.pop_back();
        switch (e.kind) {
            case Kind::value:
                value_ = text_;
                break;
            case Kind::item:
                inlineString_ = builder_.take();
                break;
            case Kind::inItem:
                builder_.end(e.itemKind, text_);
                break;
            case Kind::cell:
                endCell();
                break;
            default:
                break;
        }
    }

    void text(std::string_view chars) override {
        if (stack_.empty()) return;
        const Element& e = stack_.back();
        if (e.kind == Kind::value ||
            (e.kind == Kind::inItem && StringItemBuilder::collectsText(e.itemKind))) {
            text_.append(chars);
        }
    }

    // After the part: the settings in order, the saved selection.
    void finish() {
        if (!rootIsWorksheet_) {
            fail(ReadProblem::sheetHoldsNoWorksheet, {sheetLabel(sheet_)});
        }
        std::sort(sheet_.cols.begin(), sheet_.cols.end(),
                  [](const ColumnInfo& a, const ColumnInfo& b) { return a.min < b.min; });
        // Overlapping entries are not valid; keep the first of each overlap.
        std::vector<ColumnInfo> cols;
        for (ColumnInfo& c : sheet_.cols) {
            if (!cols.empty() && c.min <= cols.back().max) {
                if (c.max <= cols.back().max) continue;
                c.min = cols.back().max + 1;
            }
            cols.push_back(c);
        }
        sheet_.cols = std::move(cols);

        // The saved selection: the first view's active pane, its first range, else its active
        // cell, else A1. One the reader cannot take (a whole column written as "A:A", say)
        // falls back rather than refusing the workbook: it only says where the user was.
        sheet_.selection = CellRange{};
        const std::string activePane = activePane_.empty() ? "topLeft" : activePane_;
        for (const Selection& s : selections_) {
            if (s.pane != activePane) continue;
            std::string_view sqref = s.sqref;
            while (!sqref.empty() && sqref.front() == ' ') sqref.remove_prefix(1);
            sqref = sqref.substr(0, sqref.find(' '));
            if (auto r = parseRangeRef(sqref)) {
                sheet_.selection = *r;
            } else if (auto c = parseRangeRef(std::string_view(s.activeCell))) {
                sheet_.selection = *c;
            }
            break;
        }
    }

    // Cells whose text is a shared string: their positions in sheet.cells, in the part's order;
    // each one's text holds the string's index in the table until the strings are read.
    const std::vector<std::size_t>& sharedCells() const { return sharedCells_; }
    bool sorted() const { return sorted_; }

private:
    struct Selection {
        std::string pane, sqref, activeCell;
    };

    [[noreturn]] void fail(ReadProblem problem, std::vector<ReasonPart> parts) const {
        parts.insert(parts.begin(), sheetLabel(sheet_));
        throw WorkbookError(source_.path, problem, std::move(parts));
    }
    [[noreturn]] void outside(ReadProblem problem, const std::string& what) const {
        fail(problem, {what, std::to_string(kMaxRows), std::to_string(kMaxCols)});
    }
    CellRange range(const char* text) const {
        auto r = parseRangeRef(std::string_view(text));
        if (!r) outside(ReadProblem::referenceOutsideLimits, text);
        return *r;
    }
    std::uint32_t styleIndex(const Attributes& a) const {
        if (!a.has("s")) return 0;
        const auto v = parseUnsigned(a["s"]).value_or(0);
        return v < source_.styleCount ? static_cast<std::uint32_t>(v) : 0;
    }
    bool keeps(std::uint32_t row) const {
        return kept_ && row >= kept_->firstRow && row <= kept_->lastRow;
    }

    Kind rootChild(std::string_view local, const Attributes& a) {
        auto first = [](bool& seen) { return !std::exchange(seen, true); };
        if (local == "sheetFormatPr" && first(seenFormat_)) {
            if (auto v = parseDouble(a["defaultColWidth"]); v && *v >= 0) {
                sheet_.defaultColWidth = v;
            }
            if (auto v = parseDouble(a["baseColWidth"]); v && *v >= 0) sheet_.baseColWidth = *v;
            if (auto v = parseDouble(a["defaultRowHeight"]); v && *v >= 0 && *v <= 409) {
                sheet_.defaultRowHeight = v;
            }
            sheet_.rowsHiddenByDefault = isTrue(a["zeroHeight"]);
        } else if (local == "cols" && first(seenCols_)) {
            return Kind::cols;
        } else if (local == "sheetViews" && first(seenViews_)) {
            return Kind::sheetViews;
        } else if (local == "sheetData" && first(seenData_)) {
            return Kind::sheetData;
        } else if (local == "mergeCells" && first(seenMerges_)) {
            return Kind::mergeCells;
        }
        return Kind::other;
    }

    void column(const Attributes& a) {
        ColumnInfo col;
        const auto min = parseUnsigned(a["min"]);
        const auto max = parseUnsigned(a["max"]);
        if (!min || !max || *min < 1 || *max < *min || *max > kMaxCols) {
            outside(ReadProblem::columnRangeOutsideLimits, std::string(a["min"]) + "-" + a["max"]);
        }
        col.min = static_cast<std::uint32_t>(*min);
        col.max = static_cast<std::uint32_t>(*max);
        if (auto w = parseDouble(a["width"]); w && *w >= 0) col.width = std::min(*w, 255.0);
        col.hidden = isTrue(a["hidden"]);
        if (a.has("style")) {
            col.style =
                static_cast<std::uint32_t>(clampStyle(parseUnsigned(a["style"]).value_or(0)));
        }
        sheet_.cols.push_back(col);
    }

    // Numbers the row and keeps its height; its style only where its cells are kept.
    std::uint32_t beginRow(const Attributes& a) {
        if (a.has("r")) {
            const auto v = parseUnsigned(a["r"]);
            if (!v) fail(ReadProblem::malformedRowNumber, {a["r"]});
            rowNumber_ = *v;
        } else {
            ++rowNumber_;
        }
        if (rowNumber_ < 1 || rowNumber_ > kMaxRows)
            outside(ReadProblem::rowOutsideLimits, std::to_string(rowNumber_));
        RowInfo row;
        row.row = static_cast<std::uint32_t>(rowNumber_);
        if (auto h = parseDouble(a["ht"]); h && *h >= 0) row.height = std::min(*h, 409.5);
        row.hidden = isTrue(a["hidden"]);
        if (isTrue(a["customFormat"]) && keeps(row.row)) row.style = styleIndex(a);
        // On a sheet whose rows are hidden by default, a listed row is a visible one.
        if (row.height || row.hidden || row.style || sheet_.rowsHiddenByDefault) {
            if (!sheet_.rows.empty() && sheet_.rows.back().row >= row.row) sorted_ = false;
            sheet_.rows.push_back(row);
        }
        return row.row;
    }

    Kind beginCell(const Attributes& a) {
        cellName_ = a.has("r") ? a["r"] : "(unnamed)";
        if (a.has("r")) {
            const std::string_view text(a["r"]);
            std::size_t pos = 0;
            std::uint64_t rr = 0, cc = 0;
            if (!parseCellRef(text, pos, rr, cc) || pos != text.size()) {
                fail(ReadProblem::malformedCellReference, {cellName_});
            }
            if (rr < 1 || rr > kMaxRows || cc < 1 || cc > kMaxCols)
                outside(ReadProblem::cellOutsideLimits, cellName_);
            if (rr != row_) {
                fail(ReadProblem::cellInWrongRow, {cellName_, std::to_string(row_)});
            }
            colNumber_ = cc;
        } else {
            ++colNumber_;
            if (colNumber_ > kMaxCols)
                outside(ReadProblem::cellOfRowOutsideLimits, std::to_string(row_));
        }
        if (colNumber_ < kept_->firstCol || colNumber_ > kept_->lastCol) return Kind::other;
        cell_ = Cell{};
        cell_.row = row_;
        cell_.col = static_cast<std::uint32_t>(colNumber_);
        cell_.style = styleIndex(a);
        type_ = a["t"];
        seenValue_ = seenItem_ = false;
        value_.clear();
        inlineString_.reset();
        return Kind::cell;
    }

    void endCell() {
        const char* value = value_.c_str();
        if (type_ == "inlineStr") {
            if (inlineString_) {
                cell_.type = CellType::string;
                cell_.text = static_cast<std::uint32_t>(sheet_.strings.size());
                sheet_.strings.push_back(std::move(*inlineString_));
                if (limitCellText(sheet_.strings.back())) ++sheet_.cutTexts;
            }
        } else if (!seenValue_ || *value == '\0') {
            // No value: a blank cell that carries only its style.
        } else if (type_ == "s") {
            const auto index = parseUnsigned(value);
            if (!index || *index > std::numeric_limits<std::uint32_t>::max()) {
                fail(ReadProblem::missingSharedString, {cellName_});
            }
            cell_.type = CellType::string;
            cell_.text = static_cast<std::uint32_t>(*index);
            sharedCells_.push_back(sheet_.cells.size());
        } else if (type_ == "str" || type_ == "e") {
            cell_.type = type_ == "e" ? CellType::error : CellType::string;
            cell_.text = static_cast<std::uint32_t>(sheet_.strings.size());
            sheet_.strings.push_back(RichString{unescapeText(utf8ToUtf16(value_)), {}});
            if (limitCellText(sheet_.strings.back())) ++sheet_.cutTexts;
        } else if (type_ == "b") {
            cell_.type = CellType::boolean;
            cell_.number = isTrue(value);
        } else if (type_ == "d") {
            const auto serial = isoToSerial(value, source_.date1904);
            if (!serial) {
                fail(ReadProblem::malformedDate, {cellName_});
            }
            cell_.type = CellType::number;
            cell_.number = *serial;
        } else {
            const auto number = parseDouble(value);
            if (!number) {
                fail(ReadProblem::malformedNumber, {cellName_});
            }
            cell_.type = CellType::number;
            cell_.number = *number;
        }
        if (!sheet_.cells.empty()) {
            const Cell& last = sheet_.cells.back();
            if (last.row > cell_.row || (last.row == cell_.row && last.col >= cell_.col)) {
                sorted_ = false;
            }
        }
        sheet_.cells.push_back(cell_);
    }

    void merge(const char* ref) {
        const CellRange r = range(ref);
        if (r.firstRow == r.lastRow && r.firstCol == r.lastCol) return;
        if (!range_ || r.lastRow < range_->firstRow || r.firstRow > range_->lastRow ||
            r.lastCol < range_->firstCol || r.firstCol > range_->lastCol) {
            return;
        }
        sheet_.merges.push_back(r);
    }

    const SheetSource& source_;
    Sheet& sheet_;
    std::optional<CellRange> range_;  // the range read; nothing when reading the settings
    std::optional<CellRange> kept_;   // the range and the cells around it
    std::vector<Element> stack_;
    bool rootIsWorksheet_ = false;
    bool seenFormat_ = false, seenCols_ = false, seenViews_ = false, seenData_ = false,
         seenMerges_ = false, seenView_ = false, seenPane_ = false;
    std::string activePane_;
    std::vector<Selection> selections_;
    std::deque<std::uint32_t> scannedRows_;
    std::uint64_t rowNumber_ = 0;
    std::uint32_t row_ = 0;
    std::uint64_t colNumber_ = 0;
    bool sorted_ = true;
    Cell cell_;
    std::string cellName_;
    std::string type_;
    bool seenValue_ = false, seenItem_ = false;
    std::string value_;
    std::optional<RichString> inlineString_;
    std::string text_;
    StringItemBuilder builder_;
    std::vector<std::size_t> sharedCells_;
};

// The entries of the shared-string table at the wanted indexes (sorted, distinct).
class SharedStringsHandler final : public XmlHandler {
public:
    SharedStringsHandler(const std::vector<std::uint32_t>& wanted, std::vector<RichString>& out)
        : wanted_(wanted), out_(out) {}

    ItemChoice chooseItem(const Attributes&) {
        if (next_ >= wanted_.size()) return ItemChoice::stop;
        if (index_++ != wanted_[next_]) return ItemChoice::skip;
        ++next_;
        ++scanned_;
        return ItemChoice::keep;
    }

    void start(std::string_view local, const Attributes& a) override {
        const Kind parent = stack_.empty() ? Kind::other : stack_.back().kind;
        Element e{Kind::other};
        if (stack_.empty()) {
            if (local == "sst") e.kind = Kind::root;
        } else if (parent == Kind::root) {
            if (local == "si") {
                bool keep = scanned_ > 0;
                if (keep) {
                    --scanned_;
                } else if (next_ < wanted_.size() && index_++ == wanted_[next_]) {
                    ++next_;
                    keep = true;
                }
                if (keep) {
                    e.kind = Kind::item;
                    builder_.begin();
                }
            }
        } else if (parent == Kind::item || parent == Kind::inItem) {
            startInItem(builder_, stack_, parent, local, a, e, text_);
        }
        stack_.push_back(e);
    }
    void end() override {
        const Element e = stack_.back();
        stack_.pop_back();
        if (e.kind == Kind::item) out_.push_back(builder_.take());
        if (e.kind == Kind::inItem) builder_.end(e.itemKind, text_);
    }
    void text(std::string_view chars) override {
        if (!stack_.empty() && stack_.back().kind == Kind::inItem &&
            StringItemBuilder::collectsText(stack_.back().itemKind)) {
            text_.append(chars);
        }
    }

private:
    const std::vector<std::uint32_t>& wanted_;
    std::vector<RichString>& out_;
    std::size_t next_ = 0;     // the next wanted index to find
    std::uint64_t index_ = 0;  // of the next string item
    std::size_t scanned_ = 0;  // items the skipper kept whose start the parser has not seen
    std::vector<Element> stack_;
    StringItemBuilder builder_;
    std::string text_;
};

void clearCells(Sheet& sheet) {
    sheet.cellsRead.reset();
    sheet.cells.clear();
    sheet.strings.clear();
    sheet.cols.clear();
    sheet.rows.clear();
    sheet.merges.clear();
    sheet.cutTexts = 0;
    sheet.defaultColWidth.reset();
    sheet.baseColWidth = 8;
    sheet.defaultRowHeight.reset();
    sheet.rowsHiddenByDefault = false;
}

}  // namespace

void readSheetSettings(const SheetSource& source, Sheet& sheet) {
    clearCells(sheet);
    SheetHandler handler(source, sheet, std::nullopt);
    if (!streamPart(
            source, sheet.part, handler, "sheetData", "row",
            [](const Attributes&) { return ItemChoice::stop; }, true)) {
        throw WorkbookError(source.path, ReadProblem::partMissing, {sheet.part});
    }
    handler.finish();
    sheet.cells.clear();
    sheet.rows.clear();
}

void readSheetCells(const SheetSource& source, Sheet& sheet, const CellRange& range) {
    clearCells(sheet);
    SheetHandler handler(source, sheet, range);
    if (!streamPart(
            source, sheet.part, handler, "sheetData", "row",
            [&](const Attributes& a) { return handler.chooseRow(a); }, false)) {
        throw WorkbookError(source.path, ReadProblem::partMissing, {sheet.part});
    }
    handler.finish();

    // The shared strings the cells refer to, after the sheet's own strings.
    const std::vector<std::size_t>& shared = handler.sharedCells();
    if (!shared.empty()) {
        std::vector<std::uint32_t> wanted;
        wanted.reserve(shared.size());
        for (std::size_t at : shared) wanted.push_back(sheet.cells[at].text);
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        const std::size_t base = sheet.strings.size();
        if (!source.sharedStringsPart.empty()) {
            SharedStringsHandler strings(wanted, sheet.strings);
            streamPart(
                source, source.sharedStringsPart, strings, "sst", "si",
                [&](const Attributes& a) { return strings.chooseItem(a); }, false);
        }
        const std::size_t found = sheet.strings.size() - base;
        for (std::size_t i = base; i < sheet.strings.size(); ++i)
            if (limitCellText(sheet.strings[i])) ++sheet.cutTexts;
        for (std::size_t at : shared) {
            Cell& cell = sheet.cells[at];
            const auto k = static_cast<std::size_t>(
                std::lower_bound(wanted.begin(), wanted.end(), cell.text) - wanted.begin());
            if (k >= found) {
                throw WorkbookError(
                    source.path, ReadProblem::missingSharedString,
                    {sheetLabel(sheet), utf16ToUtf8(CellAddress(cell.col, cell.row))});
            }
            cell.text = static_cast<std::uint32_t>(base + k);
        }
    }

    if (!handler.sorted()) {
        std::stable_sort(sheet.cells.begin(), sheet.cells.end(), [](const Cell& a, const Cell& b) {
            return a.row != b.row ? a.row < b.row : a.col < b.col;
        });
        std::stable_sort(sheet.rows.begin(), sheet.rows.end(),
                         [](const RowInfo& a, const RowInfo& b) { return a.row < b.row; });
    }
    sheet.cellsRead = range;
}

}  // namespace tabrova::workbook
