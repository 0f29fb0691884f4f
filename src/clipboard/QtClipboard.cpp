#include "clipboard/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstdio>
#include <cstdlib>

namespace tabrova::clipboard {

namespace {

const QMimeData* contents() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

// Platforms that draw without a display and hold no system clipboard.
bool withoutClipboard(const QString& platform) {
    return platform == u"offscreen" || platform == u"minimal" || platform == u"vnc" ||
           platform == u"linuxfb";
}

}  // namespace

std::vector<std::string> QtClipboardFormats::formats() const {
    std::vector<std::string> names;
    if (const QMimeData* data = contents()) {
        for (const QString& f : data->formats()) names.push_back(f.toStdString());
    }
    return names;
}

std::optional<std::string> QtClipboardFormats::bytes(const std::string& format) const {
    const QMimeData* data = contents();
    if (!data) return std::nullopt;
    const QString name = QString::fromStdString(format);
    if (!data->hasFormat(name)) return std::nullopt;
    // The text as Qt decodes it (Windows' CF_UNICODETEXT, X11's charsets), as UTF-8.
    if (name.startsWith(u"text/plain")) return data->text().toStdString();
    const QByteArray bytes = data->data(name);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::optional<std::string> ensureClipboardApplication() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (withoutClipboard(QGuiApplication::platformName()))
            return "the program runs without a display, so there is no clipboard to read";
        return std::nullopt;
    }
    static int argc = 1;
    static char name[] = "tabrova-dxf";
    static char* argv[] = {name, nullptr, nullptr, nullptr};
#if !defined(_WIN32) && !defined(__APPLE__)
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool hasX11 = x11 && *x11;
    const bool hasWayland = wayland && *wayland;
    if (!hasX11 && !hasWayland) {
        return "there is no display to take the clipboard from (neither DISPLAY nor "
               "WAYLAND_DISPLAY is set); --clipboard needs an X11 or Wayland session";
    }
    // The platforms to try in turn; offscreen last, so that a display that cannot be reached
    // ends in a clear message rather than in Qt's abort.
    static char option[] = "-platform";
    static char platforms[64];
    std::snprintf(platforms, sizeof platforms, "%s%soffscreen", hasWayland ? "wayland;" : "",
                  hasX11 ? "xcb;" : "");
    argv[1] = option;
    argv[2] = platforms;
    argc = 3;
#endif
    // Qt's notes on the platform (no runtime folder and the like) are not for the tool's user.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    });
    new QGuiApplication(argc, argv);  // lives until the program ends, as the pictures' does
    if (withoutClipboard(QGuiApplication::platformName())) {
#if !defined(_WIN32) && !defined(__APPLE__)
        const char* x11Name = std::getenv("DISPLAY");
        return std::string("the display ") + (x11Name && *x11Name ? x11Name : "") +
               " cannot be reached, so there is no clipboard to read";
#else
        return "the program runs without a display, so there is no clipboard to read";
#endif
    }
    return std::nullopt;
}

}  // namespace tabrova::clipboard
