// A one-line label that shortens its text to the width it is given instead of cutting it off:
// the part named by setElidedPart() (a file's path) loses its middle first, keeping the folder's
// start and the file's name; what is still too wide loses its end. The label's text() stays the
// whole text, and while it is shortened its tool tip shows the whole (see toolTipText()).
#pragma once

#include <QLabel>
#include <QString>

namespace tabrova::app {

class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidingLabel(QWidget* parent = nullptr);

    // The text with `part` (a substring of it, usually a path) as the piece to shorten first.
    void setText(const QString& text, const QString& part);
    void setText(const QString& text) { setText(text, QString()); }

    // What the label shows at its current width.
    QString shownText() const;
    // The tool tip the label gives: its own tool tip when it has one, else the whole text while
    // the label shows less, else none.
    QString toolTipText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString part_;
};

}  // namespace tabrova::app
