#include "workbook/XmlEncodings.h"

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace tabrova::workbook {

namespace {

bool sameEncodingName(const XML_Char* name, std::string_view wanted) {
    if (std::strlen(name) != wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(name[i])) != wanted[i]) return false;
    }
    return true;
}

// Windows-1252: ISO 8859-1 but for 0x80-0x9F (five of which have no character).
constexpr int kWindows1252High[32] = {
    0x20AC, -1,     0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, -1,     0x017D, -1,     -1,     0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, -1,     0x017E, 0x0178,
};

int XMLCALL convertCp932(void*, const char* bytes) {
    const std::u16string decoded = platform::decodeCodePage(932, std::string_view(bytes, 2));
    if (decoded.size() != 1 || decoded[0] == u'\u30FB') {
        // Not a character of the code page, unless it is the middle dot itself (0x8145).
        if (!(decoded.size() == 1 && static_cast<unsigned char>(bytes[0]) == 0x81 &&
              static_cast<unsigned char>(bytes[1]) == 0x45)) {
            return -1;
        }
    }
    return decoded[0];
}

int XMLCALL unknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    if (sameEncodingName(name, "windows-1252") || sameEncodingName(name, "cp1252")) {
        for (int b = 0; b < 256; ++b) info->map[b] = b;
        for (int b = 0x80; b < 0xA0; ++b) info->map[b] = kWindows1252High[b - 0x80];
        return XML_STATUS_OK;
    }
    if (sameEncodingName(name, "shift_jis") || sameEncodingName(name, "windows-31j") ||
        sameEncodingName(name, "cp932") || sameEncodingName(name, "x-sjis")) {
        for (int b = 0; b < 256; ++b) {
            if (b < 0x80)
                info->map[b] = b;
            else if (platform::isCp932LeadByte(static_cast<unsigned char>(b)))
                info->map[b] = -2;
            else if (b >= 0xA1 && b <= 0xDF)
                info->map[b] = 0xFF61 + (b - 0xA1);  // half-width kana
            else
                info->map[b] = -1;
        }
        info->convert = &convertCp932;
        return XML_STATUS_OK;
    }
    return XML_STATUS_ERROR;
}

}  // namespace

void acceptWindowsEncodings(XML_Parser parser) {
    XML_SetUnknownEncodingHandler(parser, &unknownEncoding, nullptr);
}

}  // namespace tabrova::workbook
