// Hands a part to the parser, leaving out the items the reader does not want (see ItemSkipper).
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "workbook/XmlStream.h"

namespace tabrova::workbook::xml {

enum class ItemChoice { keep, skip, stop };

// Hands a part to the parser, leaving out the items of one container element (the rows of
// sheetData, the string items of sst) that the reader does not want. Such an item is found by
// its end tag without being parsed, so the parser sees the part as if those items were not in
// it. Anything the scan cannot follow (a document type, an unexpected element, UTF-16) goes to
// the parser whole.
class ItemSkipper {
    static constexpr std::size_t npos = std::string::npos;

public:
    using Choose = std::function<ItemChoice(const Attributes&)>;

    ItemSkipper(ElementParser& xml, std::string_view container, std::string_view item,
                Choose choose, bool stopAtContainer)
        : xml_(xml),
          container_(container),
          item_(item),
          choose_(std::move(choose)),
          stopAtContainer_(stopAtContainer) {}

    // False when the reader has what it wants and may stop.
    bool push(std::string_view piece) {
        if (first_) {
            first_ = false;
            const auto b = [&](std::size_t i) {
                return i < piece.size() ? static_cast<unsigned char>(piece[i]) : 0x100u;
            };
            if ((b(0) == 0xFE && b(1) == 0xFF) || (b(0) == 0xFF && b(1) == 0xFE) || b(0) == 0 ||
                b(1) == 0) {
                mode_ = Mode::whole;
            }
        }
        buf_.append(piece);
        if (!scan()) return false;
        if (mode_ == Mode::whole) feedUpTo(buf_.size());
        if (fed_ > 0) {
            buf_.erase(0, fed_);
            pos_ -= fed_;
            fed_ = 0;
        }
        return true;
    }
    void finish() {
        feedUpTo(buf_.size());
        xml_.feed({}, true);
    }
    // The offset in the part of a byte the parser was fed at offset fed.
    std::uint64_t partOffset(std::uint64_t fed) const {
        std::uint64_t skipped = 0;
        for (const auto& [at, total] : skips_)
            if (at <= fed) skipped = total;
        return fed + skipped;
    }

private:
    enum class Mode { head, items, whole };
    static constexpr std::size_t kMore = npos - 1;        // the buffer ends within the markup
    static constexpr std::size_t kNotSpecial = npos - 2;  // a tag
    static constexpr std::size_t kUnknown = npos - 3;     // "<!" other than comment or CDATA

    bool scan() {
        while (mode_ != Mode::whole) {
            const std::size_t q = buf_.find('<', pos_);
            if (q == npos) {
                pos_ = buf_.size();
                if (mode_ == Mode::head) feedUpTo(pos_);
                return true;
            }
            pos_ = q;
            if (mode_ == Mode::head) feedUpTo(q);
            const std::size_t special = afterSpecial(q);
            if (special == kMore) return true;
            if (special == kUnknown) {
                mode_ = Mode::whole;
                return true;
            }
            if (special != kNotSpecial) {
                pos_ = special;
                continue;
            }
            const std::size_t gt = tagEnd(q);
            if (gt == npos) return true;
            const bool endTag = buf_[q + 1] == '/';
            const std::string_view name = nameAt(endTag ? q + 2 : q + 1);
            const bool empty = buf_[gt - 1] == '/';
            if (mode_ == Mode::head) {
                pos_ = gt + 1;
                if (!endTag && !empty && localPart(name) == container_) {
                    containerName_ = std::string(name);
                    feedUpTo(pos_);
                    if (stopAtContainer_) return false;
                    mode_ = Mode::items;
                }
                continue;
            }
            // Among the items: the container's end, or anything unexpected, ends the scan.
            if (endTag || localPart(name) != item_) {
                mode_ = Mode::whole;
                return true;
            }
            std::size_t end = gt + 1;
            if (!empty) {
                end = itemEnd(gt + 1, name);
                if (end == kMore) return true;
            }
            attributeText_.clear();
            attributeText_.reserve(gt - q);
            attributes_.clear();
            readAttributes(q + 1 + name.size(), empty ? gt - 1 : gt);
            switch (choose_(attributes_)) {
                case ItemChoice::keep:
                    feedUpTo(end);
                    break;
                case ItemChoice::skip:
                    feedUpTo(q);
                    skipTo(end);
                    break;
                case ItemChoice::stop:
                    return false;
            }
            pos_ = end;
        }
        return true;
    }

    // Past a comment, processing instruction or CDATA section starting at q.
    std::size_t afterSpecial(std::size_t q) const {
        if (q + 1 >= buf_.size()) return kMore;
        const char c = buf_[q + 1];
        if (c == '?') return after(q + 2, "?>");
        if (c != '!') return kNotSpecial;
        if (buf_.size() < q + 9) return kMore;
        if (buf_.compare(q, 4, "<!--") == 0) return after(q + 4, "-->");
        if (buf_.compare(q, 9, "<![CDATA[") == 0) return after(q + 9, "]]>");
        return kUnknown;
    }
    std::size_t after(std::size_t from, std::string_view end) const {
        const std::size_t at = buf_.find(end, from);
        return at == npos ? kMore : at + end.size();
    }
    // The '>' of the tag starting at q (a '>' may stand in a quoted value).
    std::size_t tagEnd(std::size_t q) const {
        char quote = 0;
        for (std::size_t i = q + 1; i < buf_.size(); ++i) {
            const char c = buf_[i];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                return i;
            }
        }
        return npos;
    }
    std::string_view nameAt(std::size_t at) const {
        std::size_t end = at;
        while (end < buf_.size() && !isSpace(buf_[end]) && buf_[end] != '/' && buf_[end] != '>')
            ++end;
        return std::string_view(buf_).substr(at, end - at);
    }
    // Just past the end tag of the item whose content starts at from.
    std::size_t itemEnd(std::size_t from, std::string_view name) {
        // Most items hold no comment, CDATA section or instruction (all start with "<!" or
        // "<?"): then the first "</name" is the end tag. It is looked for by its last letter,
        // which is rare in cells' markup, so that the search does not stop at every tag.
        if (closing_.size() != name.size() + 2 || closing_.compare(2, npos, name) != 0) {
            closing_ = "</" + std::string(name);
        }
        const char* begin = buf_.data() + from;
        const char* end = buf_.data() + buf_.size();
        const char* at = nullptr;
        for (const char* p = begin + closing_.size() - 1; p < end; ++p) {
            p = static_cast<const char*>(
                std::memchr(p, closing_.back(), static_cast<std::size_t>(end - p)));
            if (!p) break;
            if (std::memcmp(p + 1 - closing_.size(), closing_.data(), closing_.size()) == 0) {
                at = p + 1 - closing_.size();
                break;
            }
        }
        if (!at) return kMore;
        if (!markupBetween(begin, at)) {
            const std::size_t q = static_cast<std::size_t>(at - buf_.data());
            if (q + closing_.size() >= buf_.size()) return kMore;
            const char c = buf_[q + closing_.size()];
            if (c == '>') return q + closing_.size() + 1;
            if (isSpace(c)) {
                const std::size_t gt = buf_.find('>', q);
                return gt == npos ? kMore : gt + 1;
            }
        }
        for (std::size_t i = from;;) {
            const std::size_t q = buf_.find('<', i);
            if (q == npos || q + 1 >= buf_.size()) return kMore;
            if (buf_[q + 1] == '/') {
                if (buf_.size() < q + 3 + name.size()) return kMore;
                if (buf_.compare(q + 2, name.size(), name) == 0) {
                    const char c = buf_[q + 2 + name.size()];
                    if (c == '>') return q + 3 + name.size();
                    if (isSpace(c)) {
                        const std::size_t gt = buf_.find('>', q);
                        return gt == npos ? kMore : gt + 1;
                    }
                }
                i = q + 2;
                continue;
            }
            const std::size_t special = afterSpecial(q);
            if (special == kMore) return kMore;
            i = special == kNotSpecial || special == kUnknown ? q + 1 : special;
        }
    }
    static bool markupBetween(const char* begin, const char* end) {
        for (const char mark : {'!', '?'}) {
            for (const char* p = begin; p < end; ++p) {
                p = static_cast<const char*>(
                    std::memchr(p, mark, static_cast<std::size_t>(end - p)));
                if (!p) break;
                if (p > begin && p[-1] == '<') return true;
            }
        }
        return false;
    }
    void readAttributes(std::size_t from, std::size_t to) {
        const std::string_view tag = std::string_view(buf_).substr(from, to - from);
        std::size_t i = 0;
        std::vector<std::pair<std::string_view, std::size_t>> found;
        while (i < tag.size()) {
            while (i < tag.size() && isSpace(tag[i])) ++i;
            const std::size_t nameStart = i;
            while (i < tag.size() && tag[i] != '=' && !isSpace(tag[i])) ++i;
            const std::string_view name = tag.substr(nameStart, i - nameStart);
            while (i < tag.size() && isSpace(tag[i])) ++i;
            if (name.empty() || i >= tag.size() || tag[i] != '=') break;
            ++i;
            while (i < tag.size() && isSpace(tag[i])) ++i;
            if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) break;
            const std::size_t close = tag.find(tag[i], i + 1);
            if (close == npos) break;
            found.emplace_back(name, attributeText_.size());
            appendAttributeValue(attributeText_, tag.substr(i + 1, close - i - 1));
            i = close + 1;
        }
        for (const auto& [name, at] : found) attributes_.add(name, attributeText_.data() + at);
    }
    void feedUpTo(std::size_t end) {
        if (end <= fed_) return;
        xml_.feed(std::string_view(buf_).substr(fed_, end - fed_), false);
        fedTotal_ += end - fed_;
        fed_ = end;
    }
    void skipTo(std::size_t end) {
        skippedTotal_ += end - fed_;
        if (!skips_.empty() && skips_.back().first == fedTotal_) {
            skips_.back().second = skippedTotal_;
        } else {
            skips_.emplace_back(fedTotal_, skippedTotal_);
        }
        fed_ = end;
    }

    ElementParser& xml_;
    std::string_view container_;
    std::string_view item_;
    Choose choose_;
    bool stopAtContainer_;
    Mode mode_ = Mode::head;
    bool first_ = true;
    std::string buf_;
    std::size_t pos_ = 0;  // where the scan goes on
    std::size_t fed_ = 0;  // the bytes before it are fed or skipped
    std::string containerName_;
    std::string closing_;  // "</" and the item's name
    std::string attributeText_;
    Attributes attributes_;
    std::uint64_t fedTotal_ = 0;
    std::uint64_t skippedTotal_ = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> skips_;  // fed offset, skipped so far
};

}  // namespace tabrova::workbook::xml
