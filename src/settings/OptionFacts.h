// The drawing options, each named after the facts of the cells it uses. One set travels from the
// settings file through the read (which facts a read left out) to the drawing.
#pragma once

namespace tabrova {

struct OptionFacts {
    bool borderStyles = false;   // each edge's line style and weight, as line types and layers
    bool verticalAlign = false;  // the cells' vertical alignment
    bool wrapText = false;       // texts the sheet wraps are drawn in several lines
    bool fitText = false;        // shrink to fit: texts wider than their cell are narrowed
    bool any() const { return borderStyles || verticalAlign || wrapText || fitText; }
    bool operator==(const OptionFacts&) const = default;
};

}  // namespace tabrova
