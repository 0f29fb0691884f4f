// The system clipboard as Qt gives it: the formats of its current contents, for the clipboard
// source of the workbook library.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "workbook/ClipboardSource.h"

namespace tabrova::clipboard {

// The clipboard of the running QGuiApplication (see ensureClipboardApplication), read when asked.
class QtClipboardFormats final : public workbook::ClipboardFormats {
public:
    std::vector<std::string> formats() const override;
    std::optional<std::string> bytes(const std::string& format) const override;
};

// For a program without a window (tabrova-dxf): makes sure a QGuiApplication runs on a platform
// with a clipboard. On Linux that needs an X11 or Wayland display. Gives the reason (English, one
// sentence) when there is none.
std::optional<std::string> ensureClipboardApplication();

}  // namespace tabrova::clipboard
