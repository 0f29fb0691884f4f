// The settings file parser: a file's bytes parsed as the INI file, every key of the settings
// read and parsed as the settings read them, a value set and the file serialized and parsed
// again (the keys must read back as set, the other lines stay).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/IniFile.h"
#include "settings/Settings.h"

using namespace tabrova;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniFile ini = IniFile::parse(bytes, 932);
    static const char16_t* const kKeys[] = {u"colXsc",        u"rowYsc",       u"cadXsc",
                                            u"cadYsc",        u"cadTsc",       u"cadTof",
                                            u"cellLineColor", u"cellLineDraw", u"xlsVerNum"};
    for (const char16_t* key : kKeys) {
        if (const auto v = ini.value(u"Varnekto", key)) {
            if (v->size() > IniFile::kMaxValueLength) std::abort();
            if (const auto d = parseSettingsDouble(*v, u',')) {
                // What the settings write reads back to the same value.
                const auto back = parseSettingsDouble(formatSettingsDouble(*d, u','), u',');
                if (!back) std::abort();
            }
            parseSettingsDouble(*v, u'.');
            parseSettingsInteger(*v);
        }
    }
    ini.value(u"Target", u"ProgID");
    ini.value(u"Target", u"ExcelPID");

    // A value taken from the input itself, so that odd section and key texts are set too.
    const std::u16string text = utf8ToUtf16(bytes.substr(0, 64));
    ini.setValue(u"Varnekto", u"colXsc", text);
    ini.setValue(text, u"key", u"value\r\nline");
    const std::string out = ini.serialize();
    const IniFile again = IniFile::parse(out, 932);
    const auto colXsc = again.value(u"Varnekto", u"colXsc");
    if (!colXsc) std::abort();
    return 0;
}
