#include "FakeCad.h"

#include <algorithm>
#include <cstdio>

namespace tabrova::cad::fake {
namespace {

using automation::AutomationError;
using automation::Variant;

std::string utf8(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {  // the tests' texts lie in the BMP
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            out +=
                {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                 static_cast<char>(0x80 | (c & 0x3F))};
        }
    }
    return out;
}

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

AutomationError failure(std::u16string text) {
    return AutomationError(std::move(text), automation::errors::exception);
}

const Variant& single(std::span<const Variant> args) {
    if (args.size() != 1) {
        throw AutomationError(u"引数の数が正しくありません.", automation::errors::badParamCount);
    }
    return args[0];
}

std::int32_t index(std::span<const Variant> args) { return single(args).toInt(); }

class ScriptedObject final : public automation::Object {
public:
    ScriptedObject(FakeCad& cad, std::string kind, std::u16string key)
        : cad_(cad), kind_(std::move(kind)), key_(std::move(key)) {}

    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        return invoke(member, args, false);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return invoke(member, args, true);
    }

private:
    Variant invoke(std::u16string_view member, std::span<const Variant> args, bool isCall) {
        std::string entry = kind_ + "." + utf8(member);
        if (isCall || !args.empty()) {
            entry += "(";
            for (std::size_t i = 0; i < args.size(); ++i) {
                entry += (i ? "," : "") + describe(args[i]);
            }
            entry += ")";
        }
        cad_.trace().push_back(entry);
        return cad_.answer(kind_, key_, std::u16string(member), isCall, args);
    }

    FakeCad& cad_;
    std::string kind_;
    std::u16string key_;
};

}  // namespace

std::string describe(const Variant& value) {
    const auto& v = value.value();
    if (const auto* b = std::get_if<bool>(&v)) return *b ? "true" : "false";
    if (const auto* i = std::get_if<std::int32_t>(&v)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v)) return number(*d);
    if (const auto* t = std::get_if<std::u16string>(&v)) {
        std::string quoted = "\"";
        for (const char c : utf8(*t)) quoted += c == '\r' ? std::string("\\r") : std::string(1, c);
        return quoted + "\"";
    }
    if (const auto* a = std::get_if<std::vector<double>>(&v)) {
        std::string list = "[";
        for (std::size_t i = 0; i < a->size(); ++i) list += (i ? "," : "") + number((*a)[i]);
        return list + "]";
    }
    if (std::holds_alternative<automation::Missing>(v)) return "<missing>";
    return "<other>";
}

Trace only(const Trace& trace, const std::string& prefix) {
    Trace kept;
    for (const std::string& entry : trace) {
        if (entry.compare(0, prefix.size(), prefix) == 0) kept.push_back(entry);
    }
    return kept;
}

automation::ObjectPtr FakeCad::object(std::string kind, std::u16string key) {
    return std::make_shared<ScriptedObject>(*this, std::move(kind), std::move(key));
}

Variant FakeCad::answer(const std::string& kind, const std::u16string& key,
                        const std::u16string& member, bool isCall, std::span<const Variant> args) {
    const auto property = [&](std::u16string_view name) { return !isCall && member == name; };
    const auto method = [&](std::u16string_view name) { return isCall && member == name; };
    if (kind == "app") {
        if (property(u"HWND")) return static_cast<double>(hwnd);
        if (property(u"ActiveDocument")) {
            if (!hasDocument) throw failure(u"ドキュメントがありません.");
            return object("doc");
        }
        if (method(u"GetAcadState") || method(u"GetGcadState") || method(u"GetZcadState")) {
            return object("state");
        }
    } else if (kind == "state" && property(u"IsQuiescent")) {
        if (busyPolls == 0) return true;
        --busyPolls;
        return false;
    } else if (kind == "doc") {
        if (method(u"SendCommand")) {
            if (sendCommandFails) throw failure(u"コマンドを受け付けません.");
            commands.push_back(single(args).toText());
            return {};
        }
        if (property(u"SelectionSets")) {
            if (selectionSetsFail) throw failure(u"選択セットを取得できません.");
            return object("sets");
        }
        if (property(u"Blocks")) return object("blocks");
    } else if (kind == "sets") {
        if (property(u"Count")) return static_cast<std::int32_t>(selectionSets.size());
        if (method(u"Item")) return object("set", selectionSets.at(index(args)));
        if (method(u"Add")) {
            selectionSets.push_back(single(args).toText());
            return object("set", selectionSets.back());
        }
    } else if (kind == "set") {
        bool& holdsLast = setHoldsLast_[key];
        if (property(u"Name")) return key;
        if (property(u"Count")) return std::int32_t{holdsLast ? 1 : 0};
        if (method(u"Clear")) holdsLast = false;
        if (method(u"Select")) {
            if (selectFails) throw failure(u"選択できません.");
            holdsLast = lastEntity.has_value();
        }
        if (method(u"Item")) {
            if (!holdsLast || index(args) != 0) throw failure(u"範囲外です.");
            return object("entity");
        }
        if (method(u"Delete")) std::erase(selectionSets, key);
        if (method(u"Clear") || method(u"Select") || method(u"Delete")) return {};
    } else if (kind == "entity") {
        if (property(u"EntityName")) return lastEntity->entityName;
        if (property(u"Name")) return lastEntity->name;
        if (method(u"Explode")) {
            if (lastEntity->explodeFails) throw failure(u"分解できません.");
            lastEntity->exploded = true;
            return {};
        }
        if (method(u"Delete")) {
            lastEntity->deleted = true;
            return {};
        }
    } else if (kind == "blocks") {
        if (property(u"Count")) return static_cast<std::int32_t>(blocks.size());
        if (method(u"Item"))
            return object("block", blocks.at(static_cast<std::size_t>(index(args))).name);
    } else if (kind == "block") {
        if (property(u"Name")) return key;
        if (method(u"Delete")) {
            const auto it = std::find_if(blocks.begin(), blocks.end(),
                                         [&](const Block& b) { return b.name == key; });
            if (it == blocks.end()) throw failure(u"削除されています.");
            if (it->inUse) throw failure(u"参照されています.");
            blocks.erase(it);
            return {};
        }
    }
    throw AutomationError(u"不明な名前です.", automation::errors::unknownName);
}

bool FakeWindow::IsIconic(platform::WindowHandle window) {
    trace_.push_back("win.IsIconic(" + std::to_string(window) + ")");
    return iconic;
}

void FakeWindow::OpenIcon(platform::WindowHandle window) {
    trace_.push_back("win.OpenIcon(" + std::to_string(window) + ")");
    iconic = false;
}

bool FakeWindow::SetForegroundWindow(platform::WindowHandle window) {
    trace_.push_back("win.SetForegroundWindow(" + std::to_string(window) + ")");
    if (!raiseRefused) foreground = window;
    return !raiseRefused;
}

platform::WindowHandle FakeWindow::GetForegroundWindow() {
    trace_.push_back("win.GetForegroundWindow");
    return foreground;
}

void FakeWindow::keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                             std::uintptr_t extraInfo) {
    trace_.push_back("win.keybd_event(" + std::to_string(virtualKey) + "," +
                     std::to_string(scanCode) + "," + std::to_string(flags) + "," +
                     std::to_string(extraInfo) + ")");
}

void FakeWindow::Sleep(std::uint32_t milliseconds) {
    trace_.push_back("win.Sleep(" + std::to_string(milliseconds) + ")");
    clockMs += milliseconds;
}

}  // namespace tabrova::cad::fake
