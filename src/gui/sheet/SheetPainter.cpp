#include "gui/sheet/SheetPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <cmath>

#include "base/Rounding.h"
#include "gui/widgets/QtTextMetrics.h"

namespace pelmo {

namespace {

int R(double x) { return RoundToInt(x); }

}  // namespace

QColor ColourFromRgbValue(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

TSheetPainter::TSheetPainter(QPainter& painter, int scale, const TextMetrics& metrics)
    : p_(painter), s_(scale), h_(RoundToInt(scale / 2.0)), metrics_(metrics) {
    p_.setRenderHint(QPainter::Antialiasing, false);
}

void TSheetPainter::SetPen(QColor colour, int width) {
    QPen pen(colour);
    pen.setWidth(width);
    pen.setCosmetic(width == 1);
    pen.setCapStyle(width == 1 ? Qt::SquareCap : Qt::RoundCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p_.setPen(pen);
}

void TSheetPainter::Line(int x1, int y1, int x2, int y2) { p_.drawLine(x1, y1, x2, y2); }

// Outline through both corners, the right and bottom edges included.
void TSheetPainter::Outline(int x1, int y1, int x2, int y2) {
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1), std::abs(y2 - y1));
}

// Filled area from the left and top edges up to, not including, the right and
// bottom edges.
void TSheetPainter::Fill(int x1, int y1, int x2, int y2, QColor colour) {
    p_.fillRect(QRect(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1), std::abs(y2 - y1)), colour);
}

// Part of the ellipse inside the box (right and bottom edges excluded), drawn
// counter-clockwise from where the ray through `from` meets it to where the ray
// through `to` meets it.
void TSheetPainter::Arc(int left, int top, int right, int bottom, QPointF from, QPointF to) {
    const QRectF box(left, top, right - left - 1, bottom - top - 1);
    const QPointF c = box.center();
    const double a = box.width() / 2, b = box.height() / 2;
    auto angle = [&](QPointF q) { return std::atan2(-(q.y() - c.y()) / b, (q.x() - c.x()) / a) * 180.0 / M_PI; };
    const double start = angle(from);
    double span = angle(to) - start;
    while (span <= 0) span += 360.0;
    p_.setBrush(Qt::NoBrush);
    p_.drawArc(box, R(start * 16), R(span * 16));
}

QFont TSheetPainter::LabelFont(double widening) const {
    QFont f = SheetFont(s_);
    f.setStretch(std::clamp(R(100 * widening), 1, 4000));
    return f;
}

void TSheetPainter::DrawLabels(const TLabelLayout& layout) {
    p_.setPen(SheetColour::Black);
    for (const TPlacedLabel& l : layout.Labels) {
        const QFont f = LabelFont(l.Widening);
        p_.setFont(f);
        const int ascent = QFontMetrics(f).ascent();
        const QString text = QString::fromStdString(l.Text);
        if (!l.Vertical) {
            p_.drawText(QPoint(l.Origin.X, l.Origin.Y + ascent), text);
        } else {
            p_.save();
            p_.translate(l.Origin.X, l.Origin.Y);
            p_.rotate(-90);
            p_.drawText(QPoint(0, ascent), text);
            p_.restore();
        }
    }
}

void TSheetPainter::DrawEndDot(QPoint c, QColor colour) {
    p_.setPen(colour);
    p_.setBrush(colour);
    p_.drawEllipse(QRect(c.x() - 2, c.y() - 2, 4, 4));
    p_.setBrush(Qt::NoBrush);
}

void TSheetPainter::DrawWireLine(QPoint a, QPoint b, QColor colour) {
    SetPen(colour);
    p_.drawLine(a, b);
}

void TSheetPainter::DrawInductorBody(QPoint c, bool horizontal) {
    const int x = c.x(), y = c.y(), s = s_, h = h_;
    if (horizontal) {
        Line(x - 3 * s, y, R(x - 1.5 * s), y);
        Line(R(x + 1.5 * s), y, x + 3 * s, y);
        const QPointF from(x + 5 * h, y + 1), to(x - 5 * h, y + 1);
        for (int k : {1, -1, -3}) Arc(x + k * h - 1, y - 3 * h - 1, x + (k + 2) * h + 1, y + 3 * h + 1, from, to);
    } else {
        Line(x, y - 3 * s, x, R(y - 1.5 * s));
        Line(x, R(y + 1.5 * s), x, y + 3 * s);
        const QPointF from(x - 1, y + 5 * h), to(x - 1, y - 5 * h);
        for (int k : {1, -1, -3}) Arc(x - 3 * h - 1, y + k * h - 1, x + 3 * h + 1, y + (k + 2) * h + 1, from, to);
    }
}

void TSheetPainter::DrawPartSymbol(QPoint c, QColor colour, TPartType partType, bool horizontal, TPart* part) {
    const int s = s_, h = h_;
    // Horizontal offsets; a vertical resistor or capacitor is the same turned
    // about its centre.
    auto P = [&](double dx, double dy) {
        return horizontal ? QPoint(c.x() + R(dx), c.y() + R(dy)) : QPoint(c.x() + R(dy), c.y() + R(dx));
    };
    SetPen(colour);
    switch (partType) {
        case TPartType::Resistor: {
            p_.drawLine(P(-3 * s, 0), P(-2 * s, 0));
            p_.drawLine(P(2 * s, 0), P(3 * s, 0));
            const QPoint a = P(-2 * s, -h), b = P(2 * s, h);
            Outline(a.x(), a.y(), b.x(), b.y());
            break;
        }
        case TPartType::Capacitor:
            p_.drawLine(P(-3 * s, 0), P(-h, 0));
            p_.drawLine(P(h, 0), P(3 * s, 0));
            p_.drawLine(P(-h, -R(1.25 * s)), P(-h, R(1.25 * s)));
            p_.drawLine(P(h, -R(1.25 * s)), P(h, R(1.25 * s)));
            break;
        default:
            DrawInductorBody(c, horizontal);
            break;
    }
    if (!part) return;
    DrawStateMark(c, *part);
    const TLabelLayout layout = LayoutPartLabels(*part, s_, metrics_);
    part->LabelRect = layout.LabelRect;
    DrawLabels(layout);
}

void TSheetPainter::DrawStateMark(QPoint c, const TPart& part) {
    const int x = c.x(), y = c.y(), s = s_, h = h_;
    const bool hz = part.IsHorizontal;
    if (part.State == TPartState::Shorted) {
        SetPen(p_.pen().color(), 3);
        if (hz)
            Line(x - 2 * s, y, x + 2 * s, y);
        else
            Line(x, y - 2 * s, x, y + 2 * s);
        SetPen(p_.pen().color());
    } else if (part.State == TPartState::Open) {
        const QColor w = SheetColour::White;
        switch (part.PartType) {
            case TPartType::Resistor:
                hz ? Fill(x - s, y - h, x + s, y + h + 1, w) : Fill(x - h, y - s, x + h + 1, y + s, w);
                break;
            case TPartType::Capacitor: {
                const int q = R(s / 4.0);
                hz ? Fill(x - 2 * s, y - q, x + 2 * s, y + q + 1, w) : Fill(x - q, y - 2 * s, x + q + 1, y + 2 * s, w);
                break;
            }
            default: {
                const int q = R(0.75 * s);
                hz ? Fill(x - q, y - 2 * s, x + q, y + h + 1, w) : Fill(x - h, y - q, x + 2 * s + 1, y + q, w);
                break;
            }
        }
    }
}

void TSheetPainter::DrawDriverSymbol(QPoint c, QColor colour, TDriver* driver) {
    const int x = c.x(), y = c.y(), s = s_, h = h_;
    const int s15 = R(1.5 * s);
    SetPen(colour);
    const QPolygon outline({{x, y + s15},
                            {x, y - s15},
                            {x + s15, y - s15},
                            {x + 3 * s, y - 3 * s},
                            {x + 3 * s, y + 3 * s},
                            {x + s15, y + s15},
                            {x, y + s15}});
    p_.drawPolyline(outline);
    Line(x, y - s, x - s, y - s);
    Line(x, y + s, x - s, y + s);

    const bool inverted = driver && driver->Inverted;
    const int plusY = inverted ? y + h : y - h, minusY = inverted ? y - h : y + h;
    SetPen(SheetColour::Red, 2);
    Line(x + h, plusY, x + 3 * h, plusY);
    if (inverted)
        Line(x + s, y + s, x + s, y);
    else
        Line(x + s, y, x + s, y - s);
    SetPen(colour, 2);
    Line(x + h, minusY, x + 3 * h, minusY);
    SetPen(colour);

    if (!driver) return;
    const TLabelLayout layout = LayoutDriverLabels(*driver, s_, metrics_);
    driver->LabelRect = layout.LabelRect;
    DrawLabels(layout);
    DrawDriverIndicators(c, *driver);
}

void TSheetPainter::DrawDriverIndicators(QPoint c, const TDriver& drv) {
    const int x = c.x(), y = c.y(), s = s_;
    if (!drv.Acoustic.AcousticFile.empty() || drv.Acoustic.UseAcousticModel) {
        SetPen(SheetColour::Blue, 4);
        Line(x + 3 * s, y - 3 * s, x + 3 * s, R(y - 3.5 * s));
        Line(x + 3 * s, y + 3 * s, x + 3 * s, R(y + 3.5 * s));
    }
    if (drv.Muted) Fill(x + R(2.25 * s), y - R(2.25 * s), R(x + 3.5 * s), y + R(2.25 * s), SheetColour::Silver);
    if (drv.Acoustic.FRDFile.empty() || drv.ZMAFile.empty()) {
        SetPen(SheetColour::Black);
        p_.setBrush(SheetColour::Yellow);
        p_.drawPolygon(QPolygon({{x + 2 * s, y - s}, {R(x + 2.5 * s), y - s}, {R(x + 2.25 * s), R(y + 0.5 * s)}}));
        p_.drawEllipse(QRect(QPoint(x + 2 * s, R(y + 0.75 * s)), QPoint(R(x + 2.5 * s) - 1, R(y + 1.25 * s) - 1)));
        p_.setBrush(Qt::NoBrush);
    }
    if (!drv.Acoustic.FRDFile.empty() && drv.Acoustic.HilbertPhase) {
        SetPen(SheetColour::Aqua, 2);
        const int a = x - R(0.875 * s), b = x - R(0.375 * s), top = R(y - 0.5 * s), bottom = R(y + 0.5 * s);
        Line(a, bottom, a, top);
        Line(b, bottom, b, top);
        Line(a, y, b, y);
    }
}

void TSheetPainter::DrawSourceSymbol(QPoint c, QColor colour, TSource* source, bool withLabels) {
    const int x = c.x(), y = c.y(), s = s_, h = h_;
    const int s15 = R(1.5 * s);
    SetPen(colour);
    Outline(x - 3 * s, y - 3 * s, x + 2 * s, y + 3 * s);
    Line(x + 2 * s, y - 2 * s, x + 3 * s, y - 2 * s);
    Line(x + 2 * s, y + 2 * s, x + 3 * s, y + 2 * s);

    QFont f = SheetFont(s_);
    f.setStretch(std::clamp(R(100 * TextWidening(metrics_, s_)), 1, 4000));
    p_.setFont(f);
    p_.setPen(SheetColour::Black);
    const int ascent = QFontMetrics(f).ascent();
    p_.drawText(QPoint(R(x - 2.5 * s), R(y - 1.25 * s) + ascent), QStringLiteral("Power"));
    p_.drawText(QPoint(R(x - 2.25 * s), y + ascent), QStringLiteral("Amp"));

    const bool inverted = source && source->Inverted;
    const int plusY = inverted ? y + s15 : y - s15, minusY = inverted ? y - s15 : y + s15;
    SetPen(SheetColour::Red, 2);
    Line(x + h, plusY, x + s15, plusY);
    if (inverted)
        Line(x + s, y + 2 * s, x + s, y + s);
    else
        Line(x + s, y - s, x + s, y - 2 * s);
    SetPen(colour, 2);
    Line(x + h, minusY, x + s15, minusY);
    SetPen(colour);

    if (!source || !withLabels) return;
    const TLabelLayout layout = LayoutSourceLabels(*source, s_, metrics_);
    source->LabelRect = layout.LabelRect;
    DrawLabels(layout);
}

void TSheetPainter::DrawGroundSymbol(QPoint c, QColor colour) {
    const int x = c.x(), y = c.y(), s = s_;
    const int s15 = R(1.5 * s);
    SetPen(colour);
    Line(x, y, x, y + 2 * s);
    p_.setBrush(Qt::NoBrush);
    p_.drawPolyline(QPolygon({{x - s15, y + 2 * s}, {x + s15, y + 2 * s}, {x, y + 3 * s}, {x - s15, y + 2 * s}}));
}

void TSheetPainter::DrawTextElement(const TSheetText& t, QPoint c, QColor colour) {
    const int pixels = PointsToPixels(RoundToInt(t.Size * s_ / 10.0));
    QFont f = SheetFont(pixels);
    f.setStretch(std::clamp(R(100 * TextWidening(metrics_, pixels)), 1, 4000));
    const QFontMetrics fm(f);
    const QString text = QString::fromStdString(t.Text);
    const TRect r = TextElementPixelRect({c.x(), c.y()}, fm.horizontalAdvance(text), fm.height());
    p_.setFont(f);
    p_.setPen(colour);
    p_.drawText(QPoint(r.Left, r.Top + fm.ascent()), text);
}

void TSheetPainter::DrawBlock(const TCircuitBlock& b, QPoint d, TBlockLook look, bool withMembers) {
    DrawBlockBody(b, d, look);
    if (withMembers) DrawBlockMembers(b, d, look);
}

void TSheetPainter::DrawBlockBody(const TCircuitBlock& b, QPoint d, TBlockLook look) {
    const int s = s_;
    const QRect body(b.BoundsRect.Left * s + d.x(), b.BoundsRect.Top * s + d.y(),
                     (b.BoundsRect.Right - b.BoundsRect.Left) * s, (b.BoundsRect.Bottom - b.BoundsRect.Top) * s);
    switch (look) {
        case TBlockLook::Normal:
            p_.fillRect(body, SheetColour::BlockBody);
            break;
        case TBlockLook::Selected:
            p_.fillRect(body, SheetColour::White);
            p_.fillRect(body, QBrush(SheetColour::Silver, Qt::DiagCrossPattern));
            break;
        case TBlockLook::Moving:
            SetPen(SheetColour::Aqua);
            p_.setBrush(Qt::NoBrush);
            p_.drawRect(body);
            break;
    }
}

void TSheetPainter::DrawBlockMembers(const TCircuitBlock& b, QPoint d, TBlockLook look) {
    const int s = s_;
    const QColor members = look == TBlockLook::Selected ? SheetColour::Silver
                           : look == TBlockLook::Moving ? SheetColour::Navy
                                                        : SheetColour::Black;
    auto at = [&](TPoint g) { return QPoint(g.X * s + d.x(), g.Y * s + d.y()); };
    for (const TWire* w : b.Wires) {
        DrawWireLine(at(w->End1), at(w->End2), members);
        DrawEndDot(at(w->End1), members);
        DrawEndDot(at(w->End2), members);
    }
    for (const TPart* p : b.Parts) {
        DrawPartSymbol(at(p->Position), members, p->PartType, p->IsHorizontal);
        DrawEndDot(at(p->Terminal1), members);
        DrawEndDot(at(p->Terminal2), members);
    }
    for (const TGround* g : b.Grounds) {
        DrawGroundSymbol(at(g->Position), members);
        DrawEndDot(at(g->Position), members);
    }
    for (const TSheetText* t : b.Texts)
        DrawTextElement(*t, at(t->Position), look == TBlockLook::Normal ? ColourFromRgbValue(t->Color) : members);
}

}  // namespace pelmo
