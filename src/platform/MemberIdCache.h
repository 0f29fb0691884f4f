// Remembered member identifiers of late-bound calls. A call by name costs a lookup of the name
// (GetIDsOfNames) before the call itself; with the server in another process each is a round
// trip. Identifiers are remembered per kind of object and member name. The kind of an object is
// known from where it came from: the application of a class, or the member (and its argument
// count) that returned it from an object of a known kind, so that every object Range returns
// shares one kind without asking the object what it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tabrova::automation {

class MemberIdCache {
public:
    using Kind = std::uint32_t;

    // The kind of the application objects of a class.
    Kind rootKind(std::u16string_view classText);
    // The kind of the objects that member (called with argCount arguments) returns from an object
    // of kind parent.
    Kind childKind(Kind parent, std::u16string_view member, std::size_t argCount);

    std::optional<std::int32_t> find(Kind kind, std::u16string_view member) const;
    void remember(Kind kind, std::u16string_view member, std::int32_t id);
    void forget(Kind kind, std::u16string_view member);

    // Calls invoke(id) with the remembered identifier of the member, or with one that lookup()
    // returns (and that is then remembered). When a remembered identifier fails with
    // memberNotFound (invoke returns false), it is forgotten, looked up again and the call made
    // once more. Returns what the last invoke returned.
    template <class Lookup, class Invoke>
    bool invokeByName(Kind kind, std::u16string_view member, Lookup&& lookup, Invoke&& invoke) {
        if (const auto id = find(kind, member)) {
            if (invoke(*id)) return true;
            forget(kind, member);
        }
        const std::int32_t fresh = lookup();
        remember(kind, member, fresh);
        return invoke(fresh);
    }

    std::size_t size() const { return ids_.size(); }

private:
    static std::u16string key(Kind kind, std::u16string_view member);

    std::unordered_map<std::u16string, Kind> kinds_;
    std::unordered_map<std::u16string, std::int32_t> ids_;
};

}  // namespace tabrova::automation
