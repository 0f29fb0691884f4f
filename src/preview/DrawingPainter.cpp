#include "preview/DrawingPainter.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/AtomicFile.h"
#include "preview/QtText.h"

namespace tabrova::preview {

namespace {

// Texts are laid out in a font of this pixel size and scaled to their height.
constexpr double kLayoutPixels = 100;

QColor qcolor(Rgb c) { return QColor(c.r, c.g, c.b); }

QPointF qpoint(ViewPoint p) { return {p.x, p.y}; }

QFont layoutFont() {
    QFont font = drawingFont();
    font.setPixelSize(static_cast<int>(kLayoutPixels));
    return font;
}

// Cap height of the layout font in pixels.
double layoutCapHeight() {
    static const double cap = [] {
        const double measured = QFontMetricsF(layoutFont()).capHeight();
        return measured > 0 ? measured : kCapHeightPerEm * kLayoutPixels;
    }();
    return cap;
}

std::string lowerExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

}  // namespace

QFont drawingFont() {
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"),
                      QStringLiteral("Source Han Sans JP"), QStringLiteral("IPAexGothic"),
                      QStringLiteral("Yu Gothic"), QStringLiteral("Meiryo"),
                      QStringLiteral("MS Gothic")});
    font.setStyleHint(QFont::SansSerif);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

TextWidthFn fontTextWidth() {
    auto metrics = std::make_shared<QFontMetricsF>(layoutFont());
    const double cap = layoutCapHeight();
    return [metrics, cap](std::u16string_view text, double capHeight) {
        return metrics->horizontalAdvance(qs(text)) * capHeight / cap;
    };
}

void paintDisplayList(QPainter& painter, const DisplayList& list) {
    painter.save();
    // Table lines are horizontal and vertical: drawn without antialiasing they stay one crisp
    // pixel wide, and a separator under a border or an outline does not darken it.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setBrush(Qt::NoBrush);
    QPen pen;
    pen.setCosmetic(true);
    pen.setWidthF(1);
    pen.setCapStyle(Qt::SquareCap);
    for (const DisplayLine& l : list.lines) {
        pen.setColor(qcolor(l.color));
        pen.setWidthF(l.width);
        painter.setPen(pen);
        painter.drawLine(qpoint(l.start), qpoint(l.end));
    }
    pen.setWidthF(1);
    for (const DisplayOutline& o : list.outlines) {
        pen.setColor(qcolor(o.color));
        painter.setPen(pen);
        const QPointF corners[] = {qpoint(o.corners[0]), qpoint(o.corners[1]), qpoint(o.corners[2]),
                                   qpoint(o.corners[3])};
        painter.drawPolygon(corners, 4);
    }
    const QFont font = layoutFont();
    const double cap = layoutCapHeight();
    const QRectF visible = painter.viewport();
    for (const DisplayText& t : list.texts) {
        const ViewRect& box = t.placement.box;
        const QRectF rect(box.left, box.top, box.width, box.height);
        if (!rect.intersects(visible.adjusted(-box.height, -box.height, box.height, box.height)))
            continue;
        if (t.capHeight < 3) {
            QColor bar = qcolor(t.color);
            bar.setAlpha(60);
            painter.fillRect(rect, bar);
            continue;
        }
        painter.save();
        painter.setPen(qcolor(t.color));
        painter.setFont(font);
        painter.translate(qpoint(t.placement.baselineStart));
        const double k = t.capHeight / cap;
        painter.scale(k * t.widthFactor, k);
        painter.drawText(QPointF(0, 0), qs(t.text));
        painter.restore();
    }
    painter.restore();
}

void paintSizeLabel(QPainter& painter, const QRectF& area, const QString& label) {
    if (label.isEmpty()) return;
    painter.save();
    QFont font = drawingFont();
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(QColor(64, 64, 64));
    painter.drawText(area.adjusted(8, 0, -8, -6), Qt::AlignLeft | Qt::AlignBottom, label);
    painter.restore();
}

void ensureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 3;
    static char name[] = "tabrova";
    static char option[] = "-platform";
    static char platform[] = TABROVA_PICTURE_PLATFORM;
    static char* argv[] = {name, option, platform, nullptr};
    // The tool's output stays its own: the platform's notes (no runtime folder and the like) are
    // not for its user.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        }
    });
    // Lives until the program ends: fonts and painting need it for every later picture.
    new QGuiApplication(argc, argv);
}

bool isPictureFile(const std::filesystem::path& path) {
    const std::string ext = lowerExtension(path);
    return ext == ".png" || ext == ".svg";
}

std::string drawingPictureBytes(const std::vector<DrawnEntity>& entities,
                                const std::filesystem::path& path) {
    if (lowerExtension(path) == ".svg") {
        const PicturePlan plan = planPicture(entities);
        const DisplayList list = buildDisplayList(entities, plan.transform);
        return displayListSvg(list, plan.width, plan.height, plan.sizeLabel);
    }
    ensureGuiApplication();
    const TextWidthFn width = fontTextWidth();
    const PicturePlan plan = planPicture(entities, width);
    QImage image(plan.width, plan.height, QImage::Format_RGB32);
    if (image.isNull()) {
        const std::string size = std::to_string(plan.width) + " x " + std::to_string(plan.height);
        throw platform::FileError(path,
                                  {"the picture of " + size + " pixels does not fit in memory",
                                   size + " ピクセルの画像がメモリに収まりません"});
    }
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        paintDisplayList(painter, buildDisplayList(entities, plan.transform, width));
        paintSizeLabel(painter, QRectF(0, 0, plan.width, plan.height), qs(plan.sizeLabel));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw platform::FileError(
            path, {"the picture could not be encoded as PNG", "画像を PNG 形式にできませんでした"});
    }
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace tabrova::preview
