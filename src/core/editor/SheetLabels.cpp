#include "editor/SheetLabels.h"

#include <algorithm>
#include <cmath>

#include "base/Rounding.h"
#include "values/NumberFormat.h"

namespace pelmo {

namespace {

int R(double x) { return RoundToInt(x); }

TRect Ordered(TRect r) {
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    return r;
}

void Grow(TRect& r, TPoint p) {
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
}

// The box's length in the text's direction.
int BoxLength(const TLabelBox& box) {
    const TRect b = Ordered(box.Box);
    return (box.Vertical ? b.Bottom - b.Top : b.Right - b.Left) + 1;
}

TLabelLayout Layout(const std::vector<TLabelBox>& boxes, TRect symbolBox, int scale, const TextMetrics& metrics) {
    TLabelLayout layout;
    layout.LabelRect = symbolBox;
    for (const TLabelBox& box : boxes) {
        if (box.Text.empty()) continue;
        const TextExtent e = metrics.Measure(box.Text, scale);
        const double widening = LabelWidening(metrics, scale, box.Vertical);
        const double used = FittedWidening(widening, e.Width, BoxLength(box));
        TPlacedLabel placed = PlaceLabel(box, R(e.Width * used), e.Height);
        placed.Widening = used;
        Grow(layout.LabelRect, PixelToGrid({placed.TextRect.Left, placed.TextRect.Top}, scale));
        Grow(layout.LabelRect, PixelToGrid({placed.TextRect.Right, placed.TextRect.Bottom}, scale));
        layout.Labels.push_back(std::move(placed));
    }
    return layout;
}

}  // namespace

std::string PartValueText(const TPart& p) {
    if (p.State != TPartState::Normal) return {};
    const double v = PartValue(p);
    switch (p.PartType) {
        case TPartType::Resistor:
            return FormatE4(v);
        case TPartType::Capacitor:
            return FormatFixed(v * 1e6, 3) + "uF";
        default:
            return FormatFixed(v * 1e3, 3) + "mH";
    }
}

std::string PartNumberText(const TPart& p) {
    if (p.State != TPartState::Normal || p.PartNumber.empty()) return {};
    return "#" + p.PartNumber;
}

bool DriverLevelModified(const TDriver& drv) {
    return drv.Gain > 1.0001 || drv.Gain < 0.9999 || std::fabs(drv.DelaySeconds) > 1e-7;
}

std::string DriverNameText(const TDriver& drv) { return DriverDesignator(drv) + (DriverLevelModified(drv) ? "m" : ""); }

std::string DriverPartNumberText(const TDriver& drv) {
    return drv.PartNumber.empty() ? std::string() : "#" + drv.PartNumber;
}

std::string SourceVoltageText(const TSource& s) { return FormatE4(s.Vrms) + "Vrms"; }

std::string SourcePowerText(const TSource& s) { return FormatE4(s.Power) + "W (" + FormatFixed(s.Ohms, 4) + " ohm)"; }

std::vector<TLabelBox> PartLabelBoxes(const TPart& p, TPoint c, int s) {
    const int x = c.X, y = c.Y;
    const std::string name = PartDesignator(p), value = PartValueText(p), number = PartNumberText(p);
    if (p.IsHorizontal) {
        const int l = x - 3 * s, r = x + 3 * s;
        switch (p.PartType) {
            case TPartType::Resistor:
                return {{name, {l, R(y - 2.75 * s), r, R(y - 1.75 * s)}},
                        {value, {l, R(y - 1.75 * s), r, R(y - 0.75 * s)}},
                        {number, {l, y + s, r, y + 2 * s}}};
            case TPartType::Capacitor:
                return {{name, {l, y - 3 * s, r, y - 2 * s}},
                        {value, {l, y - 2 * s, r, y - s}},
                        {number, {l, y + s, r, y + 2 * s}}};
            default:
                return {{name, {l, y - 4 * s, r, y - 3 * s}},
                        {value, {l, y - 3 * s, r, y - 2 * s}},
                        {number, {l, R(y + 0.5 * s), r, R(y + 1.5 * s)}}};
        }
    }
    const int t = y - 3 * s, b = y + 3 * s;
    switch (p.PartType) {
        case TPartType::Resistor:
            return {{name, {R(x - 3.25 * s), t, R(x - 2.25 * s), b}, true},
                    {value, {x - 2 * s, t, x - s, b}, true},
                    {number, {x + s, t, x + 2 * s, b}, true}};
        case TPartType::Capacitor:
            return {{name, {R(x - 3.75 * s), t, R(x - 2.75 * s), b}, true},
                    {value, {R(x - 2.5 * s), t, R(x - 1.5 * s), b}, true},
                    {number, {x + s, t, x + 2 * s, b}, true}};
        default:
            return {{name, {x - 3 * s, t, x - 2 * s, b}, true},
                    {value, {R(x - 1.75 * s), t, R(x - 0.75 * s), b}, true},
                    {number, {R(x + 1.75 * s), t, R(x + 2.75 * s), b}, true}};
    }
}

std::vector<TLabelBox> DriverLabelBoxes(const TDriver& drv, TPoint c, int s) {
    const int x = c.X, y = c.Y;
    return {{DriverNameText(drv), {R(x - 2.5 * s), R(y - 3.5 * s), x + 3 * s, R(y - 1.25 * s)}},
            {DriverPartNumberText(drv), {x - 2 * s, y - 5 * s, x + 3 * s, R(y - 2.75 * s)}},
            {drv.Name, {x - 2 * s, R(y + 2.5 * s), x + 3 * s, y + 5 * s}}};
}

std::vector<TLabelBox> SourceLabelBoxes(const TSource& src, TPoint c, int s) {
    const int x = c.X, y = c.Y;
    return {{SourceVoltageText(src), {R(x - 3.5 * s), R(y - 4.5 * s), R(x + 2.5 * s), R(y - 3.5 * s)}},
            {SourcePowerText(src), {R(x - 4.5 * s), R(y + 3.5 * s), R(x + 3.5 * s), R(y + 4.5 * s)}}};
}

double LabelWidening(const TextMetrics& metrics, int pixelSize, bool vertical) {
    const int lineHeight = metrics.Measure("X", pixelSize).Height;
    if (lineHeight <= 0) return 1.0;
    return std::abs(pixelSize) * (vertical ? 1.5 : 1.2) / lineHeight;
}

double TextWidening(const TextMetrics& metrics, int pixelSize) { return LabelWidening(metrics, pixelSize, false); }

double FittedWidening(double widening, int textWidth, int boxLength) {
    if (textWidth <= 0 || widening <= 1.0 || textWidth * widening <= boxLength) return widening;
    return std::max(1.0, static_cast<double>(boxLength) / textWidth);
}

TPlacedLabel PlaceLabel(const TLabelBox& label, int tw, int th) {
    const TRect b = Ordered(label.Box);
    TPlacedLabel placed;
    placed.Text = label.Text;
    placed.Vertical = label.Vertical;
    if (!label.Vertical) {
        const int left = b.Left + std::max(0, (b.Right - b.Left + 1 - tw) / 2);
        placed.Origin = {left, b.Top};
        placed.TextRect = {left, b.Top, left + tw, b.Top + th};
    } else {
        const int start = b.Bottom - std::max(0, (b.Bottom - b.Top + 1 - tw) / 2);
        placed.Origin = {b.Left, start};
        placed.TextRect = {b.Left, start - tw, b.Left + th, start};
    }
    return placed;
}

TRect PartSymbolBox(const TPart& p) {
    const int x = p.Position.X, y = p.Position.Y;
    const int along = 3, across = p.PartType == TPartType::Inductor ? 2 : 1;
    if (p.IsHorizontal) return {x - along, y - across, x + along, y + across};
    return {x - across, y - along, x + across, y + along};
}

TRect DriverSymbolBox(const TDriver& drv) {
    return {drv.Position.X - 1, drv.Position.Y - 3, drv.Position.X + 4, drv.Position.Y + 3};
}

TRect SourceSymbolBox(const TSource& s) {
    return {s.Position.X - 3, s.Position.Y - 3, s.Position.X + 3, s.Position.Y + 3};
}

TLabelLayout LayoutPartLabels(const TPart& p, int scale, const TextMetrics& metrics) {
    return Layout(PartLabelBoxes(p, Scaled(p.Position, scale), scale), PartSymbolBox(p), scale, metrics);
}

TLabelLayout LayoutDriverLabels(const TDriver& drv, int scale, const TextMetrics& metrics) {
    return Layout(DriverLabelBoxes(drv, Scaled(drv.Position, scale), scale), DriverSymbolBox(drv), scale, metrics);
}

TLabelLayout LayoutSourceLabels(const TSource& s, int scale, const TextMetrics& metrics) {
    return Layout(SourceLabelBoxes(s, Scaled(s.Position, scale), scale), SourceSymbolBox(s), scale, metrics);
}

void UpdateLabelRects(TDesign& d) {
    for (auto& p : d.Parts)
        if (p->Subckt < 0) p->LabelRect = LayoutPartLabels(*p, d.Scale, *d.Metrics).LabelRect;
    for (auto& drv : d.Drivers) drv->LabelRect = LayoutDriverLabels(*drv, d.Scale, *d.Metrics).LabelRect;
    d.Source.LabelRect = LayoutSourceLabels(d.Source, d.Scale, *d.Metrics).LabelRect;
}

TRect TextElementPixelRect(TPoint c, int width, int height) {
    const int left = R(c.X - width / 2.0), top = R(c.Y - height / 2.0);
    return {left, top, left + width, top + height};
}

}  // namespace pelmo
