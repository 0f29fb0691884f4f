// A spreadsheet application that answers a range's Value(11) otherwise than it would: broken,
// hostile or enormous XML, or none; every other member as the application it wraps.
#pragma once

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Automation.h"

namespace tabrova::testing {

using XmlRewrite = std::function<automation::Variant(const std::u16string& xml)>;

class XmlRewritingObject final : public automation::Object {
public:
    XmlRewritingObject(automation::ObjectPtr inner, XmlRewrite rewrite)
        : inner_(std::move(inner)), rewrite_(std::move(rewrite)) {}

    automation::Variant get(std::u16string_view member,
                            std::span<const automation::Variant> args) override {
        automation::Variant value = inner_->get(member, args);
        if (member == u"Value" && args.size() == 1 && args[0].toInt() == 11) {
            const std::u16string* xml = value.get_if<std::u16string>();
            return rewrite_(xml ? *xml : std::u16string());
        }
        return wrap(std::move(value));
    }
    automation::Variant call(std::u16string_view member,
                             std::span<const automation::Variant> args) override {
        return wrap(inner_->call(member, args));
    }

private:
    automation::Variant wrap(automation::Variant value) const {
        if (!value.isObject()) return value;
        return automation::ObjectPtr(
            std::make_shared<XmlRewritingObject>(value.toObject(), rewrite_));
    }

    automation::ObjectPtr inner_;
    XmlRewrite rewrite_;
};

// The misbehaviours of the test server's spreadsheet, by name: "truncated" (half the XML),
// "enormous" (ten million characters that are no XML), "not-xml" (an error text) and "dies" (the
// process ends while Value(11) is being read). Empty for another name.
inline XmlRewrite misbehaviour(std::u16string_view name) {
    if (name == u"truncated")
        return [](const std::u16string& xml) -> automation::Variant {
            return xml.substr(0, xml.size() / 2);
        };
    if (name == u"enormous")
        return [](const std::u16string&) -> automation::Variant {
            return std::u16string(10'000'000, u'x');
        };
    if (name == u"not-xml")
        return [](const std::u16string&) -> automation::Variant { return std::u16string(u"#N/A"); };
    if (name == u"dies") return [](const std::u16string&) -> automation::Variant { std::_Exit(9); };
    return {};
}

}  // namespace tabrova::testing
