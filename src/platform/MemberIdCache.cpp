#include "platform/MemberIdCache.h"

#include "platform/Utf8.h"

namespace tabrova::automation {
namespace {

// Member names of dispatch interfaces match without regard to letter case.
void appendLowered(std::u16string& out, std::u16string_view text) {
    for (char16_t c : text) out.push_back(asciiLower(c));
}

void appendNumber(std::u16string& out, std::uint64_t n) {
    // Fixed width, so that no two (number, name) pairs give the same key.
    for (int shift = 48; shift >= 0; shift -= 16) {
        out.push_back(static_cast<char16_t>((n >> shift) & 0xFFFF));
    }
}

}  // namespace

std::u16string MemberIdCache::key(Kind kind, std::u16string_view member) {
    std::u16string k;
    k.reserve(4 + member.size());
    appendNumber(k, kind);
    appendLowered(k, member);
    return k;
}

MemberIdCache::Kind MemberIdCache::rootKind(std::u16string_view classText) {
    std::u16string k(u"C");
    appendLowered(k, classText);
    const auto [it, added] = kinds_.try_emplace(std::move(k), static_cast<Kind>(kinds_.size() + 1));
    return it->second;
}

MemberIdCache::Kind MemberIdCache::childKind(Kind parent, std::u16string_view member,
                                             std::size_t argCount) {
    std::u16string k(u"M");
    appendNumber(k, parent);
    appendNumber(k, argCount);
    appendLowered(k, member);
    const auto [it, added] = kinds_.try_emplace(std::move(k), static_cast<Kind>(kinds_.size() + 1));
    return it->second;
}

std::optional<std::int32_t> MemberIdCache::find(Kind kind, std::u16string_view member) const {
    const auto it = ids_.find(key(kind, member));
    if (it == ids_.end()) return std::nullopt;
    return it->second;
}

void MemberIdCache::remember(Kind kind, std::u16string_view member, std::int32_t id) {
    ids_[key(kind, member)] = id;
}

void MemberIdCache::forget(Kind kind, std::u16string_view member) { ids_.erase(key(kind, member)); }

}  // namespace tabrova::automation
