#include "workbook/NamedNumberFormats.h"

#include <utility>

#include "platform/Utf8.h"

namespace tabrova::workbook {

std::optional<std::u16string> namedNumberFormat(std::u16string_view name) {
    // Dates and times take the Japanese locale's short and long forms; the currency is the yen
    // with negative amounts in red, as the built-in currency format 6.
    static const std::pair<std::u16string_view, std::u16string_view> kNamed[] = {
        {u"General", u"General"},
        {u"General Number", u"General"},
        {u"General Date", u"yyyy/m/d h:mm"},
        {u"Short Date", u"yyyy/m/d"},
        {u"Medium Date", u"d-mmm-yy"},
        {u"Long Date", u"yyyy\"年\"m\"月\"d\"日\""},
        {u"Short Time", u"h:mm"},
        {u"Medium Time", u"h:mm AM/PM"},
        {u"Long Time", u"h:mm:ss"},
        {u"Fixed", u"0.00"},
        {u"Standard", u"#,##0.00"},
        {u"Percent", u"0.00%"},
        {u"Scientific", u"0.00E+00"},
        {u"Currency", u"\"¥\"#,##0;[Red]\"¥\"\\-#,##0"},
        {u"Euro Currency", u"[$€-2]\\ #,##0.00_);[Red]\\([$€-2]\\ #,##0.00\\)"},
        {u"Yes/No", u"\"Yes\";\"Yes\";\"No\""},
        {u"True/False", u"\"True\";\"True\";\"False\""},
        {u"On/Off", u"\"On\";\"On\";\"Off\""},
    };
    for (const auto& [named, code] : kNamed)
        if (sameAsciiNoCase(name, named)) return std::u16string(code);
    return std::nullopt;
}

}  // namespace tabrova::workbook
