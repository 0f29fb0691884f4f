// An automation object that counts the calls made on it and on every object it hands out, as a
// server in another process counts the calls that cross into it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Automation.h"

namespace tabrova::testing {

class CountingObject final : public automation::Object {
public:
    CountingObject(automation::ObjectPtr inner, std::shared_ptr<std::int64_t> calls)
        : inner_(std::move(inner)), calls_(std::move(calls)) {}

    automation::Variant get(std::u16string_view member,
                            std::span<const automation::Variant> args) override {
        ++*calls_;
        return wrap(inner_->get(member, args));
    }
    automation::Variant call(std::u16string_view member,
                             std::span<const automation::Variant> args) override {
        ++*calls_;
        return wrap(inner_->call(member, args));
    }

private:
    automation::Variant wrap(automation::Variant value) const {
        if (!value.isObject()) return value;
        return automation::ObjectPtr(std::make_shared<CountingObject>(value.toObject(), calls_));
    }

    automation::ObjectPtr inner_;
    std::shared_ptr<std::int64_t> calls_;
};

}  // namespace tabrova::testing
