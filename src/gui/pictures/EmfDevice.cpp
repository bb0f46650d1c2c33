// The EMF paint device: a QPaintEngine that turns QPainter's calls into EMF
// records through libUEMF. The painter's transform is applied here (EMF gets
// device coordinates), so that turned text stays text with an escapement.
#include "gui/pictures/EmfDevice.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

extern "C" {
#include <uemf.h>
}

#include "gui/pictures/Picture.h"

namespace pelmo {

namespace {

// The reference device: 96 pixels per inch, 960 pixels = 254 mm.
constexpr int ReferencePixels = 960;
constexpr int ReferenceMillimetres = 254;
constexpr double PixelsPerInch = VectorPixelsPerInch;

int Round(double v) { return static_cast<int>(std::lround(v)); }

U_POINTL Pt(QPointF p) { return point32_set(Round(p.x()), Round(p.y())); }

U_COLORREF ColourRef(const QColor& c) {
    const QColor rgb = c.toRgb();
    return colorref3_set(static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
                         static_cast<uint8_t>(rgb.blue()));
}

U_RECTL Bounds(const QRectF& r) {
    const QRect a = r.toAlignedRect();
    return rectl_set(point32_set(a.left(), a.top()), point32_set(a.right(), a.bottom()));
}

U_RECTL BoundsOf(const std::vector<U_POINTL>& pts, int pad) {
    if (pts.empty()) return rectl_set(point32_set(0, 0), point32_set(-1, -1));
    int l = pts[0].x, t = pts[0].y, r = l, b = t;
    for (const U_POINTL& p : pts) {
        l = std::min<int>(l, p.x);
        t = std::min<int>(t, p.y);
        r = std::max<int>(r, p.x);
        b = std::max<int>(b, p.y);
    }
    return rectl_set(point32_set(l - pad, t - pad), point32_set(r + pad, b + pad));
}

uint32_t HatchOf(Qt::BrushStyle s) {
    switch (s) {
        case Qt::HorPattern:
            return U_HS_HORIZONTAL;
        case Qt::VerPattern:
            return U_HS_VERTICAL;
        case Qt::CrossPattern:
            return U_HS_CROSS;
        case Qt::BDiagPattern:
            return U_HS_BDIAGONAL;
        case Qt::FDiagPattern:
            return U_HS_FDIAGONAL;
        default:
            return U_HS_DIAGCROSS;
    }
}

bool IsHatch(Qt::BrushStyle s) {
    return s == Qt::HorPattern || s == Qt::VerPattern || s == Qt::CrossPattern || s == Qt::BDiagPattern ||
           s == Qt::FDiagPattern || s == Qt::DiagCrossPattern;
}

// The colour a brush stands for when EMF cannot fill like it (gradients,
// textures, the dense patterns): its first stop or its own colour.
QColor PlainColour(const QBrush& b) {
    if (const QGradient* g = b.gradient(); g && !g->stops().isEmpty()) return g->stops().front().second;
    return b.color();
}

// Turns a path into EMF path records: moves, runs of lines, runs of Béziers,
// and a closed figure where a subpath ends where it began.
class TPathRecords {
public:
    explicit TPathRecords(std::vector<char*>& out) : out_(out) {}

    void Add(const QPainterPath& path) {
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element& e = path.elementAt(i);
            switch (e.type) {
                case QPainterPath::MoveToElement:
                    EndFigure();
                    start_ = e;
                    last_ = e;
                    out_.push_back(U_EMRMOVETOEX_set(Pt(e)));
                    break;
                case QPainterPath::LineToElement:
                    FlushCurves();
                    lines_.push_back(Pt(e));
                    last_ = e;
                    break;
                case QPainterPath::CurveToElement:
                    FlushLines();
                    curves_.push_back(Pt(e));
                    break;
                case QPainterPath::CurveToDataElement:
                    curves_.push_back(Pt(e));
                    last_ = e;
                    break;
            }
        }
        EndFigure();
    }

private:
    void FlushLines() {
        if (lines_.empty()) return;
        out_.push_back(U_EMRPOLYLINETO_set(BoundsOf(lines_, 0), static_cast<uint32_t>(lines_.size()), lines_.data()));
        lines_.clear();
    }
    void FlushCurves() {
        if (curves_.empty()) return;
        out_.push_back(
            U_EMRPOLYBEZIERTO_set(BoundsOf(curves_, 0), static_cast<uint32_t>(curves_.size()), curves_.data()));
        curves_.clear();
    }
    void EndFigure() {
        FlushLines();
        FlushCurves();
        if (open_ && start_ == last_) out_.push_back(U_EMRCLOSEFIGURE_set());
        open_ = true;
    }

    std::vector<char*>& out_;
    std::vector<U_POINTL> lines_, curves_;
    QPointF start_, last_;
    bool open_ = false;
};

}  // namespace

class TEmfEngine : public QPaintEngine {
public:
    TEmfEngine(const QString& path, QSize size) : QPaintEngine(AllFeatures), path_(path), size_(size) {}
    ~TEmfEngine() override {
        if (et_) emf_free(&et_);
        if (eht_) emf_htable_free(&eht_);
    }

    bool begin(QPaintDevice*) override {
        if (started_) return !failed_;
        started_ = true;
        const QByteArray name = path_.toLocal8Bit();
        if (emf_start(name.constData(), 1 << 20, 1 << 18, &et_) != 0) {
            Fail(QStringLiteral("cannot open ") + path_);
            return false;
        }
        if (emf_htable_create(128, 128, &eht_) != 0) {
            Fail(QStringLiteral("out of memory"));
            return false;
        }
        const int w = std::max(1, size_.width()), h = std::max(1, size_.height());
        const U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(w - 1, h - 1));
        // The frame is in hundredths of a millimetre.
        const double perPixel = 2540.0 / PixelsPerInch;
        const U_RECTL frame =
            rectl_set(point32_set(0, 0), point32_set(Round(w * perPixel) - 1, Round(h * perPixel) - 1));
        // "Pelmo" NUL "picture" NUL NUL
        static const char description[] = "Pelmo\0picture\0";
        uint16_t* desc = U_Utf8ToUtf16le(description, sizeof(description), nullptr);
        Append(U_EMRHEADER_set(bounds, frame, nullptr, sizeof(description), desc,
                               sizel_set(ReferencePixels, ReferencePixels),
                               sizel_set(ReferenceMillimetres, ReferenceMillimetres), 0));
        std::free(desc);
        Append(U_EMRSETMAPMODE_set(U_MM_TEXT));
        Append(U_EMRSETBKMODE_set(U_TRANSPARENT));
        Append(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_LEFT | U_TA_NOUPDATECP));
        Append(U_EMRSETPOLYFILLMODE_set(U_ALTERNATE));
        fillMode_ = U_ALTERNATE;
        return !failed_;
    }

    bool end() override { return !failed_; }

    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& st) override {
        const DirtyFlags f = st.state();
        if (f & DirtyTransform) transform_ = st.transform();
        if (f & DirtyPen) pen_ = st.pen();
        if (f & DirtyBrush) brush_ = st.brush();
        if (f & DirtyClipEnabled) {
            clipPaths_.Enabled = st.isClipEnabled();
            clipDirty_ = true;
        }
        if (f & DirtyClipPath) SetClip(st.clipPath(), st.clipOperation());
        if (f & DirtyClipRegion) {
            QPainterPath p;
            p.addRegion(st.clipRegion());
            SetClip(p, st.clipOperation());
        }
    }

    void drawPath(const QPainterPath& path) override {
        if (!Ready()) return;
        const QPainterPath dev = transform_.map(path);
        const bool stroke = pen_.style() != Qt::NoPen, fill = brush_.style() != Qt::NoBrush;
        if (!stroke && !fill) return;
        SelectPen();
        SelectBrush();
        SetFillMode(path.fillRule() == Qt::WindingFill ? U_WINDING : U_ALTERNATE);
        std::vector<char*> recs;
        recs.push_back(U_EMRBEGINPATH_set());
        TPathRecords(recs).Add(dev);
        recs.push_back(U_EMRENDPATH_set());
        const U_RECTL b = Bounds(dev.boundingRect());
        recs.push_back(stroke && fill ? U_EMRSTROKEANDFILLPATH_set(b)
                       : stroke       ? U_EMRSTROKEPATH_set(b)
                                      : U_EMRFILLPATH_set(b));
        for (char* r : recs) Append(r);
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (!Ready() || count <= 0) return;
        std::vector<U_POINTL> pts;
        pts.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) pts.push_back(Pt(transform_.map(points[i])));
        SelectPen();
        const U_RECTL b = BoundsOf(pts, PenPad());
        if (mode == PolylineMode) {
            if (pen_.style() == Qt::NoPen) return;
            Append(U_EMRPOLYLINE_set(b, static_cast<uint32_t>(pts.size()), pts.data()));
            return;
        }
        SelectBrush();
        SetFillMode(mode == WindingMode ? U_WINDING : U_ALTERNATE);
        Append(U_EMRPOLYGON_set(b, static_cast<uint32_t>(pts.size()), pts.data()));
    }

    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        std::vector<QPointF> f(points, points + std::max(0, count));
        drawPolygon(f.data(), count, mode);
    }

    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QPointF pts[2] = {lines[i].p1(), lines[i].p2()};
            drawPolygon(pts, 2, PolylineMode);
        }
    }

    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QPointF pts[2] = {lines[i].p1(), lines[i].p2()};
            drawPolygon(pts, 2, PolylineMode);
        }
    }

    void drawTextItem(const QPointF& p, const QTextItem& ti) override {
        if (!Ready()) return;
        const QString text = ti.text();
        if (text.isEmpty()) return;
        const QTransform& t = transform_;
        const double sx = std::hypot(t.m11(), t.m12());
        const double angle = std::atan2(t.m12(), t.m11()) * 180.0 / M_PI;
        int escapement = Round(-angle * 10.0) % 3600;
        if (escapement < 0) escapement += 3600;

        const QFont font = ti.font();
        const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * PixelsPerInch / 72.0;
        int width = 0;
        if (font.stretch() > 0 && font.stretch() != QFont::Unstretched) {
            QFont plain = font;
            plain.setStretch(QFont::Unstretched);
            width = Round(QFontMetricsF(plain).averageCharWidth() * font.stretch() / 100.0 * sx);
        }
        SelectFont(font, Round(pixels * sx), width, escapement);
        SetTextColour(pen_.color());

        // The advance of every character as Qt lays the text out, so that a
        // reader without the same font still places the text as drawn here.
        const QFontMetricsF fm(font);
        std::vector<uint32_t> dx(static_cast<std::size_t>(text.size()));
        int before = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const int after = Round(fm.horizontalAdvance(text.left(i + 1)) * sx);
            dx[static_cast<std::size_t>(i)] = static_cast<uint32_t>(std::max(0, after - before));
            before = after;
        }
        const QRectF box = t.mapRect(fm.boundingRect(text).translated(p));
        char* body =
            emrtext_set(Pt(t.map(p)), static_cast<U_NUM_STR>(text.size()), 2, const_cast<ushort*>(text.utf16()),
                        U_ETO_NONE, rectl_set(point32_set(0, 0), point32_set(-1, -1)), dx.data());
        if (!body) {
            Fail(QStringLiteral("out of memory"));
            return;
        }
        Append(U_EMREXTTEXTOUTW_set(Bounds(box), U_GM_COMPATIBLE, 1.0F, 1.0F, reinterpret_cast<PU_EMRTEXT>(body)));
        std::free(body);
    }

    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override {
        drawImage(r, pm.toImage(), sr, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override {
        if (!Ready() || image.isNull()) return;
        const QRect src = sr.toAlignedRect().intersected(image.rect());
        if (src.isEmpty()) return;
        // A 32-bit bottom-up DIB: rows in reverse, B G R x in each pixel,
        // which is how RGB32 lies in memory on little-endian machines.
        QImage img = image.copy(src).convertToFormat(QImage::Format_RGB32);
        const int w = img.width(), h = img.height();
        std::vector<char> px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
        for (int y = 0; y < h; ++y)
            std::copy_n(reinterpret_cast<const char*>(img.constScanLine(h - 1 - y)), w * 4,
                        px.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 4);
        const U_BITMAPINFOHEADER head =
            bitmapinfoheader_set(w, h, 1, 32, U_BI_RGB, static_cast<uint32_t>(px.size()), 3780, 3780, 0, 0);
        PU_BITMAPINFO bmi = bitmapinfo_set(head, nullptr);
        const QRectF dest = transform_.mapRect(r);
        Append(U_EMRSTRETCHDIBITS_set(
            Bounds(dest), Pt(dest.topLeft()), point32_set(Round(dest.width()), Round(dest.height())), point32_set(0, 0),
            point32_set(w, h), U_DIB_RGB_COLORS, U_SRCCOPY, bmi, static_cast<uint32_t>(px.size()), px.data()));
        std::free(bmi);
    }

    bool Finish() {
        if (finished_) return !failed_;
        finished_ = true;
        if (!started_) begin(nullptr);
        if (failed_) return false;
        Append(U_EMREOF_set(0, nullptr, et_));
        if (failed_) return false;
        if (emf_finish(et_, eht_) != 0) Fail(QStringLiteral("cannot write ") + path_);
        return !failed_;
    }

    QString Error() const { return error_; }

private:
    bool Ready() {
        if (failed_ || !et_) return false;
        EmitClip();
        return !failed_;
    }

    void Fail(const QString& why) {
        if (!failed_) error_ = why;
        failed_ = true;
    }

    void Append(char* rec) {
        if (failed_) {
            std::free(rec);
            return;
        }
        if (!rec || emf_append(reinterpret_cast<U_ENHMETARECORD*>(rec), et_, 1) != 0) {
            if (rec) std::free(rec);
            Fail(QStringLiteral("cannot make the picture's records"));
        }
    }

    // Creates an object, selects it and deletes the one it replaces.
    void Replace(uint32_t& current, uint32_t made, char* createRecord) {
        Append(createRecord);
        Append(selectobject_set(made, eht_));
        if (current) Append(deleteobject_set(&current, eht_));
        current = made;
    }

    double Scale() const { return std::sqrt(std::abs(transform_.determinant())); }
    int PenPad() const { return pen_.style() == Qt::NoPen ? 0 : Round(pen_.widthF() * Scale() / 2 + 1); }

    void SelectPen() {
        const bool none = pen_.style() == Qt::NoPen;
        const double w = pen_.isCosmetic() ? std::max(1.0, pen_.widthF()) : pen_.widthF() * Scale();
        const int width = std::max(1, Round(w));
        const QString key = none ? QStringLiteral("none")
                                 : QStringLiteral("%1 %2 %3 %4 %5")
                                       .arg(pen_.color().rgb())
                                       .arg(width)
                                       .arg(int(pen_.style()))
                                       .arg(int(pen_.capStyle()))
                                       .arg(int(pen_.joinStyle()));
        if (key == penKey_) return;
        penKey_ = key;
        uint32_t style = U_PS_NULL;
        std::vector<U_STYLEENTRY> dashes;
        if (!none && width <= 1) {
            // One-pixel pens keep GDI's own dash styles.
            switch (pen_.style()) {
                case Qt::DotLine:
                    style = U_PS_COSMETIC | U_PS_DOT;
                    break;
                case Qt::DashLine:
                    style = U_PS_COSMETIC | U_PS_DASH;
                    break;
                case Qt::DashDotLine:
                    style = U_PS_COSMETIC | U_PS_DASHDOT;
                    break;
                case Qt::DashDotDotLine:
                    style = U_PS_COSMETIC | U_PS_DASHDOTDOT;
                    break;
                default:
                    style = U_PS_COSMETIC | U_PS_SOLID;
                    break;
            }
        } else if (!none) {
            style = U_PS_GEOMETRIC;
            style |= pen_.capStyle() == Qt::FlatCap     ? U_PS_ENDCAP_FLAT
                     : pen_.capStyle() == Qt::SquareCap ? U_PS_ENDCAP_SQUARE
                                                        : U_PS_ENDCAP_ROUND;
            style |= pen_.joinStyle() == Qt::BevelJoin   ? U_PS_JOIN_BEVEL
                     : pen_.joinStyle() == Qt::RoundJoin ? U_PS_JOIN_ROUND
                                                         : U_PS_JOIN_MITER;
            if (pen_.style() == Qt::SolidLine) {
                style |= U_PS_SOLID;
            } else {
                style |= U_PS_USERSTYLE;
                for (qreal d : pen_.dashPattern())
                    dashes.push_back(static_cast<U_STYLEENTRY>(std::max(1, Round(d * width))));
            }
        }
        PU_EXTLOGPEN elp =
            extlogpen_set(style, none ? 0 : static_cast<uint32_t>(width), U_BS_SOLID, ColourRef(pen_.color()), 0,
                          static_cast<U_NUM_STYLEENTRY>(dashes.size()), dashes.empty() ? nullptr : dashes.data());
        uint32_t made = 0;
        char* rec = extcreatepen_set(&made, eht_, nullptr, 0, nullptr, elp);
        std::free(elp);
        Replace(penHandle_, made, rec);
    }

    void SelectBrush() {
        const Qt::BrushStyle s = brush_.style();
        U_LOGBRUSH lb;
        QString key;
        if (s == Qt::NoBrush) {
            lb = logbrush_set(U_BS_NULL, colorref3_set(0, 0, 0), 0);
            key = QStringLiteral("none");
        } else if (IsHatch(s)) {
            lb = logbrush_set(U_BS_HATCHED, ColourRef(brush_.color()), static_cast<int32_t>(HatchOf(s)));
            key = QStringLiteral("hatch %1 %2").arg(brush_.color().rgb()).arg(int(s));
        } else {
            const QColor c = PlainColour(brush_);
            lb = logbrush_set(U_BS_SOLID, ColourRef(c), 0);
            key = QStringLiteral("solid %1").arg(c.rgb());
        }
        if (key == brushKey_) return;
        brushKey_ = key;
        uint32_t made = 0;
        char* rec = createbrushindirect_set(&made, eht_, lb);
        Replace(brushHandle_, made, rec);
    }

    void SelectFont(const QFont& font, int height, int width, int escapement) {
        const QString key = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                                .arg(font.family())
                                .arg(height)
                                .arg(width)
                                .arg(escapement)
                                .arg(int(font.weight()))
                                .arg(font.italic())
                                .arg(font.underline())
                                .arg(font.strikeOut());
        if (key == fontKey_) return;
        fontKey_ = key;
        std::vector<uint16_t> face(U_LF_FACESIZE, 0);
        const QString family = font.family().left(U_LF_FACESIZE - 1);
        for (qsizetype i = 0; i < family.size(); ++i) face[static_cast<std::size_t>(i)] = family.at(i).unicode();
        const U_LOGFONT lf = logfont_set(
            -std::max(1, height), width, escapement, escapement, static_cast<int32_t>(font.weight()),
            font.italic() ? 1 : 0, font.underline() ? 1 : 0, font.strikeOut() ? 1 : 0, U_DEFAULT_CHARSET,
            U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH | U_FF_SWISS, face.data());
        uint32_t made = 0;
        char* rec = extcreatefontindirectw_set(&made, eht_, reinterpret_cast<const char*>(&lf), nullptr);
        Replace(fontHandle_, made, rec);
    }

    void SetTextColour(const QColor& c) {
        const QRgb rgb = c.rgb() | 0xFF000000u;
        if (textColourSet_ && rgb == textColour_) return;
        textColourSet_ = true;
        textColour_ = rgb;
        Append(U_EMRSETTEXTCOLOR_set(ColourRef(c)));
    }

    void SetFillMode(uint32_t mode) {
        if (mode == fillMode_) return;
        fillMode_ = mode;
        Append(U_EMRSETPOLYFILLMODE_set(mode));
    }

    void SetClip(const QPainterPath& logical, Qt::ClipOperation op) {
        clipPaths_.Set(transform_.map(logical), op);
        clipDirty_ = true;
    }

    // The clip as one region of the device: a rectangle where it is one (the
    // usual case), else a clip path.
    void EmitClip() {
        if (!clipDirty_) return;
        clipDirty_ = false;
        QPainterPath clip;
        clip.addRect(QRectF(QPointF(0, 0), QSizeF(size_)));
        if (clipPaths_.Enabled)
            for (const QPainterPath& c : clipPaths_.Paths) clip = clip.intersected(c);
        std::vector<char*> recs;
        recs.push_back(U_EMRBEGINPATH_set());
        TPathRecords(recs).Add(clip);
        recs.push_back(U_EMRENDPATH_set());
        recs.push_back(U_EMRSELECTCLIPPATH_set(U_RGN_COPY));
        for (char* r : recs) Append(r);
    }

    QString path_;
    QSize size_;
    QString error_;
    bool started_ = false, finished_ = false, failed_ = false;
    EMFTRACK* et_ = nullptr;
    EMFHANDLES* eht_ = nullptr;

    QTransform transform_;
    QPen pen_;
    QBrush brush_;
    bool clipDirty_ = false;
    TDeviceClip clipPaths_;

    uint32_t penHandle_ = 0, brushHandle_ = 0, fontHandle_ = 0;
    QString penKey_, brushKey_, fontKey_;
    uint32_t fillMode_ = 0;
    bool textColourSet_ = false;
    QRgb textColour_ = 0;
};

TEmfDevice::TEmfDevice(const QString& path, QSize size)
    : size_(size), engine_(std::make_unique<TEmfEngine>(path, size)) {}

TEmfDevice::~TEmfDevice() = default;

QPaintEngine* TEmfDevice::paintEngine() const { return engine_.get(); }

bool TEmfDevice::Finish() { return engine_->Finish(); }

QString TEmfDevice::ErrorText() const { return engine_->Error(); }

int TEmfDevice::metric(PaintDeviceMetric m) const { return VectorDeviceMetric(m, size_); }

}  // namespace pelmo
