#include "app/PreviewForm.h"

#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

#include "preview/DrawingPainter.h"

namespace tabrova::app {

namespace {

constexpr double kViewMargin = 12;
// Zoom per wheel notch (120 units of angle delta).
constexpr double kZoomPerNotch = 1.25;

}  // namespace

DrawingPreviewWidget::DrawingPreviewWidget(QWidget* parent)
    : QWidget(parent), textWidth_(preview::fontTextWidth()) {
    setObjectName(QStringLiteral("PreviewView"));
    setMinimumSize(160, 100);
    setAutoFillBackground(false);
    setToolTip(QStringLiteral("ホイール: 拡大縮小  ドラッグ: 移動  ダブルクリック: 全体表示"));
}

void DrawingPreviewWidget::setEntities(std::vector<DrawnEntity> entities) {
    entities_ = std::move(entities);
    if (fitted_) fitToWidget();
    update();
}

void DrawingPreviewWidget::fitToWidget() {
    // The size label keeps the bottom band free.
    const double labelBand = 20;
    transform_ = fitToView(drawingBounds(entities_, textWidth_), width(),
                           std::max(height() - labelBand, 1.0), kViewMargin);
    fitted_ = true;
    update();
}

DisplayList DrawingPreviewWidget::displayList() const {
    return buildDisplayList(entities_, transform_, textWidth_);
}

void DrawingPreviewWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (entities_.empty()) {
        painter.setPen(QColor(128, 128, 128));
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("描画するものがありません"));
        return;
    }
    preview::paintDisplayList(painter, displayList());
    const std::u16string label = drawingSizeLabel(tableBounds(entities_, textWidth_));
    preview::paintSizeLabel(painter, QRectF(rect()),
                            QString::fromUtf16(label.data(), static_cast<qsizetype>(label.size())));
}

void DrawingPreviewWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fitted_) fitToWidget();
}

void DrawingPreviewWidget::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    const QPointF at = event->position();
    transform_ = transform_.zoomedAt({at.x(), at.y()}, std::pow(kZoomPerNotch, notches));
    fitted_ = false;
    update();
    event->accept();
}

void DrawingPreviewWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton) {
        dragging_ = true;
        dragFrom_ = event->pos();
        setCursor(Qt::ClosedHandCursor);
    }
}

void DrawingPreviewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    const QPoint delta = event->pos() - dragFrom_;
    dragFrom_ = event->pos();
    if (delta.isNull()) return;
    transform_ = transform_.pannedBy(delta.x(), delta.y());
    fitted_ = false;
    update();
}

void DrawingPreviewWidget::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
    unsetCursor();
}

void DrawingPreviewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) fitToWidget();
}

TPreviewForm::TPreviewForm(Source source, QWidget* parent)
    : QWidget(parent, Qt::Window), source_(std::move(source)) {
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("プレビュー"));
    view_ = new DrawingPreviewWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    resize(640, 420);
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(0);
    connect(&refreshTimer_, &QTimer::timeout, this, &TPreviewForm::refreshNow);
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    closeKey->setObjectName(QStringLiteral("ClosePreviewShortcut"));
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
}

void TPreviewForm::scheduleRefresh() {
    if (isVisible()) refreshTimer_.start();
}

void TPreviewForm::refreshNow() {
    refreshTimer_.stop();
    view_->setEntities(source_().value_or(std::vector<DrawnEntity>{}));
}

void TPreviewForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refreshNow();
}

}  // namespace tabrova::app
