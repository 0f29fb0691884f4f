// The preview window: the drawing as the next "CAD へ挿入" would write it, with zoom by the
// mouse wheel, pan by dragging and fitting to the window on a double click.
#pragma once

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "dxf/DrawingView.h"

namespace tabrova::app {

// Shows a drawing's entities; keeps the user's zoom and pan across changes of the drawing until
// a double click fits it to the widget again.
class DrawingPreviewWidget : public QWidget {
    Q_OBJECT
public:
    explicit DrawingPreviewWidget(QWidget* parent = nullptr);

    void setEntities(std::vector<DrawnEntity> entities);
    const std::vector<DrawnEntity>& entities() const { return entities_; }
    const ViewTransform& transform() const { return transform_; }
    bool isFitted() const { return fitted_; }
    void fitToWidget();
    // The display list of what is shown now.
    DisplayList displayList() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::vector<DrawnEntity> entities_;
    TextWidthFn textWidth_;
    ViewTransform transform_;
    bool fitted_ = true;
    bool dragging_ = false;
    QPoint dragFrom_;
};

class TPreviewForm : public QWidget {
    Q_OBJECT
public:
    // The entities of the drawing as it would be written now; nullopt when there is no table.
    using Source = std::function<std::optional<std::vector<DrawnEntity>>()>;

    TPreviewForm(Source source, QWidget* parent);

    // Asks for the drawing again once control returns to the event loop; several requests in a
    // row give one refresh. Nothing is done while the window is hidden (it refreshes on showing).
    void scheduleRefresh();
    void refreshNow();

    DrawingPreviewWidget* view() const { return view_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    Source source_;
    DrawingPreviewWidget* view_;
    QTimer refreshTimer_;
};

}  // namespace tabrova::app
