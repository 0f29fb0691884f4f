// The Windows code pages that older Excel versions name in an XML declaration, which expat does
// not know by itself: windows-1252 and Shift_JIS (code page 932).
#pragma once

#include <expat.h>

namespace tabrova::workbook {

// Lets the parser read documents in those encodings; others stay unknown to it (an error).
void acceptWindowsEncodings(XML_Parser parser);

}  // namespace tabrova::workbook
