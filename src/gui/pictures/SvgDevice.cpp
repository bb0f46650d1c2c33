// The SVG paint device: a QPaintEngine that keeps the painter's state and
// clip, cuts every primitive to the clip in device coordinates and hands
// what remains to a painter on a QSvgGenerator, with the same transform, so
// that pens, fonts and turned text are written as the generator writes them.
#include "gui/pictures/SvgDevice.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSvgGenerator>
#include <QTextItem>
#include <algorithm>
#include <cmath>
#include <vector>

#include "gui/pictures/Picture.h"

namespace pelmo {

namespace {

constexpr double PixelsPerInch = VectorPixelsPerInch;

// The part [t0, t1] of the segment a-b inside the rectangle (edges count as
// inside); false when none of it is.
bool ClipSegment(QPointF a, QPointF b, const QRectF& r, double& t0, double& t1) {
    if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) || !std::isfinite(b.y())) return false;
    t0 = 0.0;
    t1 = 1.0;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    return true;
}

// The rectangle a path is, if it is one (a clip from setClipRect).
bool PathIsRect(const QPainterPath& path, QRectF& rect) {
    rect = path.boundingRect();
    const QList<QPolygonF> polygons = path.toFillPolygons();
    if (polygons.size() != 1 || polygons.front().size() > 5) return false;
    auto on = [](double v, double a, double b) { return std::abs(v - a) < 1e-9 || std::abs(v - b) < 1e-9; };
    for (QPointF p : polygons.front())
        if (!on(p.x(), rect.left(), rect.right()) || !on(p.y(), rect.top(), rect.bottom())) return false;
    return true;
}

}  // namespace

QList<QPolygonF> ClipPolyline(const QPolygonF& line, const QRectF& rect) {
    QList<QPolygonF> pieces;
    if (line.size() == 1) {
        if (rect.contains(line.front())) pieces.append(line);
        return pieces;
    }
    QPolygonF piece;
    auto flush = [&] {
        if (piece.size() >= 2) pieces.append(piece);
        piece.clear();
    };
    bool open = false;  // the last segment ended inside, at its own end
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1], b = line[i];
        double t0 = 0, t1 = 0;
        if (!ClipSegment(a, b, rect, t0, t1)) {
            flush();
            open = false;
            continue;
        }
        if (!(open && t0 == 0.0)) {
            flush();
            piece << (t0 == 0.0 ? a : a + (b - a) * t0);
        }
        piece << (t1 == 1.0 ? b : a + (b - a) * t1);
        open = t1 == 1.0;
    }
    flush();
    return pieces;
}

class TSvgClipEngine : public QPaintEngine {
public:
    explicit TSvgClipEngine(QSvgGenerator& svg) : QPaintEngine(AllFeatures), svg_(svg) {}

    bool begin(QPaintDevice*) override { return out_.begin(&svg_); }
    bool end() override { return out_.end(); }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& st) override {
        const DirtyFlags f = st.state();
        // The transform first: a clip comes in the coordinates of the
        // transform that is sent with it.
        if (f & DirtyTransform) {
            transform_ = st.transform();
            inverse_ = transform_.inverted(&invertible_);
            out_.setTransform(transform_);
        }
        if (f & DirtyPen) {
            pen_ = st.pen();
            out_.setPen(pen_);
        }
        if (f & DirtyBrush) {
            brush_ = st.brush();
            out_.setBrush(brush_);
        }
        if (f & DirtyBrushOrigin) out_.setBrushOrigin(st.brushOrigin());
        if (f & DirtyFont) out_.setFont(st.font());
        if (f & DirtyBackground) out_.setBackground(st.backgroundBrush());
        if (f & DirtyBackgroundMode) out_.setBackgroundMode(st.backgroundMode());
        if (f & DirtyOpacity) out_.setOpacity(st.opacity());
        if (f & DirtyCompositionMode) out_.setCompositionMode(st.compositionMode());
        if (f & DirtyHints) {
            out_.setRenderHints(~st.renderHints(), false);
            out_.setRenderHints(st.renderHints(), true);
        }
        if (f & DirtyClipEnabled) {
            clipPaths_.Enabled = st.isClipEnabled();
            UpdateClip();
        }
        if (f & DirtyClipPath) SetClip(st.clipPath(), st.clipOperation());
        if (f & DirtyClipRegion) {
            QPainterPath p;
            p.addRegion(st.clipRegion());
            SetClip(p, st.clipOperation());
        }
    }

    void drawPath(const QPainterPath& path) override {
        switch (Reach(path.controlPointRect())) {
            case TReach::Inside:
                out_.drawPath(path);
                break;
            case TReach::Partly:
                DrawClipped(path);
                break;
            case TReach::Outside:
                break;
        }
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count <= 0) return;
        const QPolygonF polygon(QList<QPointF>(points, points + count));
        const TReach reach = Reach(polygon.boundingRect());
        if (reach == TReach::Outside) return;
        if (mode == PolylineMode) {
            if (reach == TReach::Inside)
                out_.drawPolyline(points, count);
            else
                StrokeClipped(polygon);
            return;
        }
        const Qt::FillRule rule = mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill;
        if (reach == TReach::Inside) {
            out_.drawPolygon(points, count, rule);
            return;
        }
        QPainterPath path;
        path.addPolygon(polygon);
        path.closeSubpath();
        path.setFillRule(rule);
        DrawClipped(path);
    }

    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        std::vector<QPointF> f(points, points + std::max(0, count));
        drawPolygon(f.data(), count, mode);
    }

    void drawLines(const QLineF* lines, int count) override {
        std::vector<QLineF> kept;
        for (int i = 0; i < count; ++i) {
            const QLineF& l = lines[i];
            switch (Reach(QRectF(l.p1(), l.p2()).normalized())) {
                case TReach::Inside:
                    kept.push_back(l);
                    break;
                case TReach::Partly:
                    for (const QPolygonF& piece : ClipDevicePolyline(QPolygonF({l.p1(), l.p2()})))
                        kept.emplace_back(piece.front(), piece.back());
                    break;
                case TReach::Outside:
                    break;
            }
        }
        if (!kept.empty()) out_.drawLines(kept.data(), static_cast<int>(kept.size()));
    }

    void drawLines(const QLine* lines, int count) override {
        std::vector<QLineF> f(lines, lines + std::max(0, count));
        drawLines(f.data(), count);
    }

    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            switch (Reach(rects[i])) {
                case TReach::Inside:
                    out_.drawRect(rects[i]);
                    break;
                case TReach::Partly: {
                    QPainterPath path;
                    path.addRect(rects[i]);
                    DrawClipped(path);
                    break;
                }
                case TReach::Outside:
                    break;
            }
        }
    }

    void drawRects(const QRect* rects, int count) override {
        std::vector<QRectF> f(rects, rects + std::max(0, count));
        drawRects(f.data(), count);
    }

    void drawEllipse(const QRectF& r) override {
        QPainterPath path;
        path.addEllipse(r);
        drawPath(path);
    }

    void drawTextItem(const QPointF& p, const QTextItem& ti) override {
        const QString text = ti.text();
        if (text.isEmpty()) return;
        const QFontMetricsF fm(ti.font());
        const QRectF box(p.x(), p.y() - fm.ascent(), fm.horizontalAdvance(text), fm.height());
        // Text is written whole where any of it shows.
        if (Reach(box, false) == TReach::Outside) return;
        if (out_.font() != ti.font()) out_.setFont(ti.font());
        out_.drawText(p, text);
    }

    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
        QRectF dest = r, source = sr;
        if (VisiblePart(dest, source)) out_.drawPixmap(dest, pm, source);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags flags) override {
        QRectF dest = r, source = sr;
        if (VisiblePart(dest, source)) out_.drawImage(dest, image, source, flags);
    }

private:
    enum class TReach { Inside, Outside, Partly };

    // Where a primitive covering `logical` (before its pen) lies against the
    // clip.
    TReach Reach(const QRectF& logical, bool withPen = true) const {
        if (!clipOn_) return TReach::Inside;
        if (!invertible_) return TReach::Outside;
        const double pad = (withPen ? PenReach() : 0.0) + 0.5;
        const QRectF dev = transform_.mapRect(logical).adjusted(-pad, -pad, pad, pad);
        if (clipIsRect_) {
            if (clipRect_.contains(dev)) return TReach::Inside;
            return clipRect_.intersects(dev) ? TReach::Partly : TReach::Outside;
        }
        if (clip_.contains(dev)) return TReach::Inside;
        return clip_.intersects(dev) ? TReach::Partly : TReach::Outside;
    }

    // How far a stroke reaches beyond its line, in device pixels.
    double PenReach() const {
        if (pen_.style() == Qt::NoPen) return 0.0;
        const double w = pen_.widthF() <= 0 ? 1.0 : pen_.widthF();
        const double scale = pen_.isCosmetic() ? 1.0 : std::sqrt(std::abs(transform_.determinant()));
        return w * scale / 2.0;
    }

    // A polyline in logical coordinates cut to the clip's bounds, back in
    // logical coordinates.
    QList<QPolygonF> ClipDevicePolyline(const QPolygonF& logical) const {
        QList<QPolygonF> pieces = ClipPolyline(transform_.map(logical), clipRect_);
        for (QPolygonF& piece : pieces) piece = inverse_.map(piece);
        return pieces;
    }

    void StrokeClipped(const QPolygonF& logical) {
        for (const QPolygonF& piece : ClipDevicePolyline(logical)) out_.drawPolyline(piece);
    }

    // A shape that crosses the clip: its fill cut to the clip, its outline
    // cut to pieces.
    void DrawClipped(const QPainterPath& path) {
        if (brush_.style() != Qt::NoBrush) {
            const QPainterPath inside = transform_.map(path).intersected(clip_);
            if (!inside.isEmpty()) {
                out_.setPen(Qt::NoPen);
                out_.drawPath(inverse_.map(inside));
                out_.setPen(pen_);
            }
        }
        if (pen_.style() == Qt::NoPen) return;
        out_.setBrush(Qt::NoBrush);
        for (const QPolygonF& polygon : path.toSubpathPolygons(transform_))
            for (const QPolygonF& piece : ClipPolyline(polygon, clipRect_)) out_.drawPolyline(inverse_.map(piece));
        out_.setBrush(brush_);
    }

    // The part of an image's target (and of its source) that shows; false
    // when none does. Turned images are written whole.
    bool VisiblePart(QRectF& dest, QRectF& source) const {
        const TReach reach = Reach(dest, false);
        if (reach != TReach::Partly) return reach == TReach::Inside;
        if (transform_.type() > QTransform::TxScale || dest.isEmpty()) return true;
        const QRectF shown = transform_.mapRect(dest).intersected(clipRect_);
        if (shown.isEmpty()) return false;
        const QRectF part = inverse_.mapRect(shown);
        const double sx = source.width() / dest.width(), sy = source.height() / dest.height();
        source = QRectF(source.x() + (part.x() - dest.x()) * sx, source.y() + (part.y() - dest.y()) * sy,
                        part.width() * sx, part.height() * sy);
        dest = part;
        return true;
    }

    void SetClip(const QPainterPath& logical, Qt::ClipOperation op) {
        clipPaths_.Set(transform_.map(logical), op);
        UpdateClip();
    }

    // The clip as one path in device coordinates, and as a rectangle when
    // it is one (the usual case).
    void UpdateClip() {
        clipOn_ = clipPaths_.Enabled && !clipPaths_.Paths.empty();
        if (!clipOn_) return;
        QRectF rect;
        clipIsRect_ = true;
        for (std::size_t i = 0; i < clipPaths_.Paths.size(); ++i) {
            QRectF r;
            if (!PathIsRect(clipPaths_.Paths[i], r)) clipIsRect_ = false;
            rect = i == 0 ? r : rect.intersected(r);
        }
        if (clipIsRect_) {
            clipRect_ = rect;
            clip_ = QPainterPath();
            clip_.addRect(rect);
            return;
        }
        clip_ = clipPaths_.Paths.front();
        for (std::size_t i = 1; i < clipPaths_.Paths.size(); ++i) clip_ = clip_.intersected(clipPaths_.Paths[i]);
        clipRect_ = clip_.boundingRect();
    }

    QSvgGenerator& svg_;
    QPainter out_;
    QTransform transform_, inverse_;
    bool invertible_ = true;
    QPen pen_;
    QBrush brush_;
    bool clipOn_ = false, clipIsRect_ = true;
    TDeviceClip clipPaths_;
    QPainterPath clip_;
    QRectF clipRect_;
};

TSvgDevice::TSvgDevice(QIODevice& out, QSize size, const QString& title)
    : svg_(std::make_unique<QSvgGenerator>()), engine_(std::make_unique<TSvgClipEngine>(*svg_)) {
    svg_->setOutputDevice(&out);
    svg_->setSize(size);
    svg_->setViewBox(QRect(QPoint(0, 0), size));
    svg_->setResolution(static_cast<int>(PixelsPerInch));
    svg_->setTitle(title);
}

TSvgDevice::~TSvgDevice() = default;

QPaintEngine* TSvgDevice::paintEngine() const { return engine_.get(); }

int TSvgDevice::metric(PaintDeviceMetric m) const { return VectorDeviceMetric(m, svg_->size()); }

}  // namespace pelmo
