#include "app/ElidingLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <algorithm>

namespace tabrova::app {

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent) {}

void ElidingLabel::setText(const QString& text, const QString& part) {
    part_ = text.contains(part) ? part : QString();
    QLabel::setText(text);
}

QString ElidingLabel::shownText() const {
    const QString whole = text();
    const QFontMetrics metrics = fontMetrics();
    // indent() is -1 until one is set: no indent.
    const int width = contentsRect().width() - 2 * margin() - 2 * std::max(0, indent());
    if (metrics.horizontalAdvance(whole) <= width) return whole;
    QString shown = whole;
    const qsizetype at = part_.isEmpty() ? -1 : whole.indexOf(part_);
    if (at >= 0) {
        const QString before = whole.left(at);
        const QString after = whole.mid(at + part_.size());
        int room = width - metrics.horizontalAdvance(before) - metrics.horizontalAdvance(after);
        // Below a few characters a path says nothing; the end is cut instead.
        const int least = metrics.horizontalAdvance(QStringLiteral("/…/…"));
        // The pieces' advances, rounded each, can add up to less than the whole line's.
        while (room >= least) {
            shown = before + metrics.elidedText(part_, Qt::ElideMiddle, room) + after;
            if (metrics.horizontalAdvance(shown) <= width) break;
            --room;
        }
    }
    return metrics.elidedText(shown, Qt::ElideRight, width);
}

QString ElidingLabel::toolTipText() const {
    if (!toolTip().isEmpty()) return toolTip();
    return shownText() != text() ? text() : QString();
}

QSize ElidingLabel::minimumSizeHint() const {
    // Any width will do: the text shortens to it.
    return QSize(0, QLabel::minimumSizeHint().height());
}

void ElidingLabel::paintEvent(QPaintEvent* event) {
    const QString shown = shownText();
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin() + std::max(0, indent()), margin(),
                                               -margin() - std::max(0, indent()), -margin());
    style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shown, foregroundRole());
}

bool ElidingLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const QString tip = toolTipText();
        if (!tip.isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QLabel::event(event);
}

}  // namespace tabrova::app
