// The window's place and size across starts, and the status line.
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>

#include "app/TabrovaUnit.h"
#include "preview/QtText.h"

namespace tabrova::app {

namespace {

// The frame of a window on Windows 10 and 11 at 100 % scaling, for as long as the window system
// has not told the real one (before the window is first shown).
constexpr FrameMargins kUsualFrame{8, 31, 8, 8};

}  // namespace

FrameMargins TForm1::frameMargins() const {
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    if (frame == client) return kUsualFrame;
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

void TForm1::restoreWindowGeometry() {
    if (!settings_.windowGeometry) return;
    std::vector<ScreenRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    auto add = [&screens](const QScreen* screen) {
        const QRect area = screen->availableGeometry();
        screens.push_back({area.x(), area.y(), area.width(), area.height()});
    };
    if (primary != nullptr) add(primary);
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) add(screen);
    }
    const QSize minimum = minimumSizeHint();
    if (const auto placed = placeWindow(*settings_.windowGeometry, screens, frameMargins(),
                                        minimum.width(), minimum.height())) {
        setGeometry(placed->x, placed->y, placed->width, placed->height);
    }
    if (settings_.windowMaximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::rememberWindowGeometry() {
    // The geometry to come back to from maximised, so that the next start can be un-maximised too.
    const QRect normal = normalGeometry();
    if (normal.width() > 0 && normal.height() > 0) {
        settings_.windowGeometry =
            ScreenRect{normal.x(), normal.y(), normal.width(), normal.height()};
    }
    settings_.windowMaximized = isMaximized();
}

void TForm1::showStatus(const QString& text, const QString& path) {
    StatusLabel->setText(text, path);
    layoutStatusBar();
}

void TForm1::layoutStatusBar() {
    int room = StatusBar1->width();
    if (!StatusLabel->text().isEmpty()) {
        room -= StatusLabel->fontMetrics().horizontalAdvance(StatusLabel->text()) + 12;
    }
    if (CloseBookButton->isVisibleTo(this)) room -= CloseBookButton->sizeHint().width();
    // The size grip and the spacing between the widgets.
    room -= 24;
    // A fixed width: the message beside it takes whatever is left, so the layout would give the
    // source nothing.
    const int least = SourceLabel->fontMetrics().horizontalAdvance(QStringLiteral("取得元: …"));
    const QMargins margins = SourceLabel->contentsMargins();
    const int whole = SourceLabel->fontMetrics().horizontalAdvance(SourceLabel->text()) +
                      2 * SourceLabel->margin() + margins.left() + margins.right() + 2;
    SourceLabel->setFixedWidth(std::min(whole, std::max(least, room)));
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutStatusBar();
}

}  // namespace tabrova::app
