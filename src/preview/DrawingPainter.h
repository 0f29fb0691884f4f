// Paints the display list of a drawing (dxf/DrawingView.h) with QPainter, and writes whole
// drawings as PNG or SVG pictures.
#pragma once

#include <QFont>
#include <QPainter>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include "dxf/DrawingView.h"

namespace tabrova::preview {

// A Japanese-capable sans-serif font: Noto Sans CJK JP, else the first of its usual stand-ins.
QFont drawingFont();

// Advance widths measured with drawingFont().
TextWidthFn fontTextWidth();

// Paints lines, outlines and texts; texts too small to read are shown as grey bars.
void paintDisplayList(QPainter& painter, const DisplayList& list);

// The size label in the bottom-left corner of area.
void paintSizeLabel(QPainter& painter, const QRectF& area, const QString& label);

// Makes sure a GUI application object exists for fonts and painting, creating one on a platform
// without a display (offscreen; minimal with the system's fonts on Windows) when there is none (it
// then lives until the program ends).
void ensureGuiApplication();

// The picture of the drawing at a legible scale, as the bytes of its file: SVG when the path ends
// in ".svg", else PNG. Throws platform::FileError naming the path when it cannot be made.
std::string drawingPictureBytes(const std::vector<DrawnEntity>& entities,
                                const std::filesystem::path& path);

// Whether the path names a picture format drawingPictureBytes makes (".png" or ".svg", in any
// case).
bool isPictureFile(const std::filesystem::path& path);

}  // namespace tabrova::preview
