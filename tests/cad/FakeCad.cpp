#include "FakeCad.h"

#include <cstdio>

namespace tabrova::cad::fake {
namespace {

using automation::AutomationError;
using automation::Variant;

std::string utf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

const Variant& arg(std::span<const Variant> args, std::size_t index) {
    if (index >= args.size()) {
        throw AutomationError(u"引数の数が正しくありません.", automation::errors::badParamCount);
    }
    return args[index];
}

AutomationError failure(std::u16string text) {
    return AutomationError(std::move(text), automation::errors::exception);
}

class ScriptedObject final : public automation::Object {
public:
    ScriptedObject(std::string name, Trace& trace, Members members)
        : name_(std::move(name)), trace_(trace), members_(std::move(members)) {}

    Variant get(std::u16string_view member, std::span<const Variant> args) override {
        return invoke(members_.properties, member, args, false);
    }
    Variant call(std::u16string_view member, std::span<const Variant> args) override {
        return invoke(members_.methods, member, args, true);
    }

private:
    Variant invoke(const std::map<std::u16string, Handler>& members, std::u16string_view member,
                   std::span<const Variant> args, bool isCall) {
        std::string entry = name_ + "." + utf8(member);
        if (isCall || !args.empty()) {
            entry += "(";
            for (std::size_t i = 0; i < args.size(); ++i) {
                entry += (i ? "," : "") + describe(args[i]);
            }
            entry += ")";
        }
        trace_.push_back(entry);
        const auto it = members.find(std::u16string(member));
        if (it == members.end()) {
            throw AutomationError(u"不明な名前です.", automation::errors::unknownName);
        }
        return it->second(args);
    }

    std::string name_;
    Trace& trace_;
    Members members_;
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
    if (std::holds_alternative<automation::ObjectPtr>(v)) return "<object>";
    return "<other>";
}

Trace only(const Trace& trace, const std::string& prefix) {
    Trace kept;
    for (const std::string& entry : trace) {
        if (entry.compare(0, prefix.size(), prefix) == 0) kept.push_back(entry);
    }
    return kept;
}

automation::ObjectPtr FakeCad::object(std::string name, Members members) {
    return std::make_shared<ScriptedObject>(std::move(name), trace_, std::move(members));
}

automation::ObjectPtr FakeCad::application() {
    const Handler state = [this](auto) { return Variant(this->state()); };
    return object(
        "app",
        {.properties = {{u"HWND", [this](auto) { return Variant(static_cast<double>(hwnd)); }},
                        {u"ActiveDocument",
                         [this](auto) {
                             if (!hasDocument) throw failure(u"ドキュメントがありません.");
                             return Variant(document());
                         }}},
         .methods = {
             {u"GetAcadState", state}, {u"GetGcadState", state}, {u"GetZcadState", state}}});
}

automation::ObjectPtr FakeCad::document() {
    return object("doc",
                  {.properties = {{u"SelectionSets",
                                   [this](auto) {
                                       if (selectionSetsFail)
                                           throw failure(u"選択セットを取得できません.");
                                       return Variant(selectionSetCollection());
                                   }},
                                  {u"Blocks", [this](auto) { return Variant(blockCollection()); }}},
                   .methods = {{u"SendCommand", [this](std::span<const Variant> args) {
                                    if (sendCommandFails)
                                        throw failure(u"コマンドを受け付けません.");
                                    commands.push_back(arg(args, 0).toText());
                                    return Variant();
                                }}}});
}

automation::ObjectPtr FakeCad::state() {
    return object("state", {.properties = {{u"IsQuiescent", [this](auto) {
                                                if (busyPolls == 0) return Variant(true);
                                                --busyPolls;
                                                return Variant(false);
                                            }}}});
}

automation::ObjectPtr FakeCad::selectionSetCollection() {
    return object("sets", {.properties = {{u"Count",
                                           [this](auto) {
                                               return Variant(
                                                   static_cast<std::int32_t>(selectionSets.size()));
                                           }}},
                           .methods = {{u"Item",
                                        [this](std::span<const Variant> args) {
                                            return Variant(selectionSet(selectionSets.at(
                                                static_cast<std::size_t>(arg(args, 0).toInt()))));
                                        }},
                                       {u"Add", [this](std::span<const Variant> args) {
                                            const std::u16string name = arg(args, 0).toText();
                                            selectionSets.push_back(name);
                                            return Variant(selectionSet(name));
                                        }}}});
}

automation::ObjectPtr FakeCad::selectionSet(std::u16string name) {
    auto count = [this, name](auto) { return Variant(std::int32_t{setHoldsLast_[name] ? 1 : 0}); };
    return object("set", {.properties = {{u"Name", [name](auto) { return Variant(name); }},
                                         {u"Count", count}},
                          .methods = {{u"Clear",
                                       [this, name](auto) {
                                           setHoldsLast_[name] = false;
                                           return Variant();
                                       }},
                                      {u"Select",
                                       [this, name](auto) {
                                           if (selectFails) throw failure(u"選択できません.");
                                           setHoldsLast_[name] = lastEntity.has_value();
                                           return Variant();
                                       }},
                                      {u"Item",
                                       [this, name](std::span<const Variant> args) {
                                           if (!setHoldsLast_[name] || arg(args, 0).toInt() != 0)
                                               throw failure(u"範囲外です.");
                                           return Variant(entity());
                                       }},
                                      {u"Delete", [this, name](auto) {
                                           std::erase(selectionSets, name);
                                           setHoldsLast_.erase(name);
                                           return Variant();
                                       }}}});
}

automation::ObjectPtr FakeCad::entity() {
    return object(
        "entity",
        {.properties = {{u"EntityName", [this](auto) { return Variant(lastEntity->entityName); }},
                        {u"Name", [this](auto) { return Variant(lastEntity->name); }}},
         .methods = {{u"Explode",
                      [this](auto) {
                          if (lastEntity->explodeFails) throw failure(u"分解できません.");
                          lastEntity->exploded = true;
                          return Variant();
                      }},
                     {u"Delete", [this](auto) {
                          lastEntity->deleted = true;
                          return Variant();
                      }}}});
}

automation::ObjectPtr FakeCad::blockCollection() {
    return object(
        "blocks",
        {.properties = {{u"Count",
                         [this](auto) {
                             return Variant(static_cast<std::int32_t>(blocks.size()));
                         }}},
         .methods = {{u"Item", [this](std::span<const Variant> args) {
                          return Variant(block(static_cast<std::size_t>(arg(args, 0).toInt())));
                      }}}});
}

automation::ObjectPtr FakeCad::block(std::size_t index) {
    const std::u16string name = blocks.at(index).name;
    return object("block", {.properties = {{u"Name", [name](auto) { return Variant(name); }}},
                            .methods = {{u"Delete", [this, name](auto) {
                                             for (auto it = blocks.begin(); it != blocks.end();
                                                  ++it) {
                                                 if (it->name != name) continue;
                                                 if (it->inUse) throw failure(u"参照されています.");
                                                 blocks.erase(it);
                                                 break;
                                             }
                                             return Variant();
                                         }}}});
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
    if (raiseRefused) return false;
    foreground = window;
    return true;
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
