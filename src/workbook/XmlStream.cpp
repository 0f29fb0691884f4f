#include "workbook/XmlStream.h"

#include <climits>
#include <new>

#include "platform/Utf8.h"
#include "workbook/XmlEncodings.h"

namespace tabrova::workbook::xml {

namespace {
constexpr std::size_t npos = std::string::npos;
}  // namespace

std::string_view localPart(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == npos ? name : name.substr(colon + 1);
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

Parser::Parser(Events& events, ParserOptions options)
    : events_(events),
      parser_(options.namespaces ? XML_ParserCreateNS(nullptr, kNamespaceSeparator)
                                 : XML_ParserCreate(nullptr)) {
    if (!parser_) throw std::bad_alloc();
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &Parser::onStart, &Parser::onEnd);
    XML_SetCharacterDataHandler(parser_, &Parser::onText);
    if (options.declarations) {
        XML_SetStartDoctypeDeclHandler(parser_, &Parser::onDoctype);
        XML_SetEntityDeclHandler(parser_, &Parser::onEntity);
        XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
    }
    if (options.windowsEncodings) acceptWindowsEncodings(parser_);
}

Parser::~Parser() { XML_ParserFree(parser_); }

bool Parser::parse(std::string_view bytes, bool final) {
    do {
        const std::size_t n = std::min<std::size_t>(bytes.size(), INT_MAX / 2);
        const bool last = final && n == bytes.size();
        if (XML_Parse(parser_, bytes.data(), static_cast<int>(n), last) != XML_STATUS_OK)
            return false;
        bytes.remove_prefix(n);
    } while (!bytes.empty());
    return true;
}

XML_Error Parser::error() const { return XML_GetErrorCode(parser_); }
std::uint64_t Parser::line() const { return XML_GetCurrentLineNumber(parser_); }
std::uint64_t Parser::column() const { return XML_GetCurrentColumnNumber(parser_) + 1; }
std::uint64_t Parser::byteIndex() const {
    return static_cast<std::uint64_t>(XML_GetCurrentByteIndex(parser_));
}

template <class F>
void Parser::guarded(F&& f) {
    if (caught_) return;
    try {
        f();
        if (events_.finished()) XML_StopParser(parser_, XML_FALSE);
    } catch (...) {
        caught_ = std::current_exception();
        XML_StopParser(parser_, XML_FALSE);
    }
}

void XMLCALL Parser::onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* self = static_cast<Parser*>(data);
    self->guarded([&] { self->events_.start(name, attributes); });
}

void XMLCALL Parser::onEnd(void* data, const XML_Char*) {
    auto* self = static_cast<Parser*>(data);
    self->guarded([&] { self->events_.end(); });
}

void XMLCALL Parser::onText(void* data, const XML_Char* chars, int length) {
    auto* self = static_cast<Parser*>(data);
    self->guarded(
        [&] { self->events_.text(std::string_view(chars, static_cast<std::size_t>(length))); });
}

void XMLCALL Parser::onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto* self = static_cast<Parser*>(data);
    self->guarded([&] { self->events_.declaration(false); });
}

void XMLCALL Parser::onEntity(void* data, const XML_Char*, int, const XML_Char*, int,
                              const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    auto* self = static_cast<Parser*>(data);
    self->guarded([&] { self->events_.declaration(true); });
}

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

void ElementParser::feed(std::string_view bytes, bool final) {
    if (parser_.parse(bytes, final)) return;
    if (parser_.caught()) std::rethrow_exception(parser_.caught());
    throw SyntaxError{static_cast<int>(parser_.error()), parser_.byteIndex()};
}

void ElementParser::abandon() {
    parser_.parse({}, true);
    if (parser_.caught()) std::rethrow_exception(parser_.caught());
}

void ElementParser::start(const XML_Char* name, const XML_Char** attributes) {
    if (++depth_ > kMaxDepth) throw TooDeep{};
    attributes_.clear();
    for (const XML_Char** a = attributes; *a; a += 2) attributes_.add(a[0], a[1]);
    handler_.start(localPart(name), attributes_);
}

void ElementParser::end() {
    --depth_;
    handler_.end();
}

void ElementParser::text(std::string_view chars) { handler_.text(chars); }

}  // namespace tabrova::workbook::xml
