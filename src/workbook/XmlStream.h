// The streaming XML layer that every reader of a workbook's XML goes through: expat with the
// guards the readers share, and the small pieces of XML they all need (names without their
// prefixes, attribute values).
#pragma once

#include <expat.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabrova::workbook::xml {

// No part of a workbook needs more than a few dozen levels; deeper nesting is refused before
// the parser's own stack grows with it.
inline constexpr std::size_t kMaxDepth = 64;

// Between a name's namespace and its local part, for parsers that resolve namespaces.
inline constexpr char kNamespaceSeparator = '\x01';

// The element's name without a namespace prefix (the parts use whatever prefix they like).
std::string_view localPart(std::string_view name);

bool isSpace(char c);

// What a parser reports as it goes through a document.
class Events {
public:
    virtual ~Events() = default;
    virtual void start(const XML_Char* name, const XML_Char** attributes) = 0;
    virtual void end() = 0;
    virtual void text(std::string_view chars) = 0;
    // A document type declaration (entity false) or an entity declaration; reported only to
    // parsers made with ParserOptions::declarations.
    virtual void declaration(bool entity) { (void)entity; }
    // True once the events want nothing more of the document: the parser stops there.
    virtual bool finished() const { return false; }
};

struct ParserOptions {
    // Names come as the namespace, kNamespaceSeparator and the local name.
    bool namespaces = false;
    // Document types and entity declarations reach Events::declaration (which refuses them);
    // external parameter entities are never read.
    bool declarations = false;
    // Declared windows-1252 and Shift_JIS documents are decoded.
    bool windowsEncodings = false;
};

// expat around the events. What the events throw does not cross expat's C frames: it stops the
// parser, and the parse reports the stop with the exception kept in caught().
class Parser {
public:
    explicit Parser(Events& events, ParserOptions options = {});
    ~Parser();
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Feeds bytes of the document (final: the last of them). False when the parser stopped: the
    // events threw (caught()), finished, or the bytes are not well formed (error()).
    bool parse(std::string_view bytes, bool final);
    const std::exception_ptr& caught() const { return caught_; }
    XML_Error error() const;
    // Where the parser is: line and column (from 1), and the offset of the bytes fed.
    std::uint64_t line() const;
    std::uint64_t column() const;
    std::uint64_t byteIndex() const;

private:
    template <class F>
    void guarded(F&& f);
    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes);
    static void XMLCALL onEnd(void* data, const XML_Char* name);
    static void XMLCALL onText(void* data, const XML_Char* chars, int length);
    static void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*,
                                  int);
    static void XMLCALL onEntity(void* data, const XML_Char*, int, const XML_Char*, int,
                                 const XML_Char*, const XML_Char*, const XML_Char*,
                                 const XML_Char*);

    Events& events_;
    XML_Parser parser_;
    std::exception_ptr caught_;
};

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

// Appends the attribute value text, with its references decoded and its white space normalised
// as an XML parser does, and a NUL.
void appendAttributeValue(std::string& out, std::string_view raw);

// Bytes that are not well formed: expat's error code, at an offset of the bytes fed.
struct SyntaxError {
    int code;
    std::uint64_t offset;
};
// Elements nested deeper than kMaxDepth.
struct TooDeep {};

// What an ElementParser reports: each element by its local name, with its attributes.
class ElementHandler {
public:
    virtual ~ElementHandler() = default;
    virtual void start(std::string_view local, const Attributes& attributes) = 0;
    virtual void end() = 0;
    virtual void text(std::string_view chars) = 0;
};

// A part parsed element by element, nesting at most kMaxDepth deep.
class ElementParser final : private Events {
public:
    explicit ElementParser(ElementHandler& handler) : handler_(handler), parser_(*this) {}

    // Throws SyntaxError (offset: of the bytes fed) when the bytes are not well formed, TooDeep,
    // or what the handler threw.
    void feed(std::string_view bytes, bool final);
    // Ends a part that is read only in part: what the bytes fed hold reaches the handler, the
    // missing rest is no error.
    void abandon();

private:
    void start(const XML_Char* name, const XML_Char** attributes) override;
    void end() override;
    void text(std::string_view chars) override;

    ElementHandler& handler_;
    Parser parser_;
    Attributes attributes_;
    std::size_t depth_ = 0;
};

}  // namespace tabrova::workbook::xml
