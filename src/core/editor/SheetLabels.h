#pragma once

#include <string>
#include <vector>

#include "model/Design.h"
#include "model/TextMetrics.h"

// The labels written beside the symbols on the sheet: their texts, the pixel
// boxes they are centred in, where the text lands, and the label rectangle
// that each part, driver and the source covers with its labels. The window
// measures and writes; the layout is decided here.

namespace pelmo {

// Label texts. The value and part number of a part are empty unless the part
// is in its normal state.
std::string PartValueText(const TPart& p);       // "4.7k", "0.47uF", "1.5mH"
std::string PartNumberText(const TPart& p);      // "#" + PartNumber, or ""
bool DriverLevelModified(const TDriver& drv);    // gain away from 1 or a delay set
std::string DriverNameText(const TDriver& drv);  // "S1", or "S1m" when modified
std::string DriverPartNumberText(const TDriver& drv);
std::string SourceVoltageText(const TSource& s);  // "2.828Vrms"
std::string SourcePowerText(const TSource& s);    // "1W (8 ohm)"

// A label to be written centred in a pixel box (corners in order). Vertical
// labels run upwards in the turned font.
struct TLabelBox {
    std::string Text;
    TRect Box;
    bool Vertical = false;
};

std::vector<TLabelBox> PartLabelBoxes(const TPart& p, TPoint pixelCentre, int scale);
std::vector<TLabelBox> DriverLabelBoxes(const TDriver& drv, TPoint pixelPosition, int scale);
std::vector<TLabelBox> SourceLabelBoxes(const TSource& s, TPoint pixelPosition, int scale);

// How much wider than the plain sheet font labels are written: the font's
// average character width is set from its em height over its line height,
// times 1.2 for horizontal and 1.5 for turned text.
double LabelWidening(const TextMetrics& metrics, int pixelSize, bool vertical);
double TextWidening(const TextMetrics& metrics, int pixelSize);  // texts and the source's inscription: 1.2
// The widening a label of `textWidth` pixels (in the plain font) is written
// with in a box `boxLength` pixels long: as wide as `widening` makes it where
// that fits, else only as wide as the box, but never narrower than the plain
// font. A part number widened past the ends of its box would run across the
// part's wires.
double FittedWidening(double widening, int textWidth, int boxLength);

// Where a label lands. Horizontal: Origin is the text's top-left corner.
// Vertical: Origin is where the upward text starts (the left end of its
// base side, at the bottom). TextRect is the pixel rectangle the text covers.
struct TPlacedLabel {
    std::string Text;
    bool Vertical = false;
    TPoint Origin;
    TRect TextRect;
    double Widening = 1.0;  // how much wider than the plain font it is written
};
TPlacedLabel PlaceLabel(const TLabelBox& box, int textWidth, int textHeight);

struct TLabelLayout {
    std::vector<TPlacedLabel> Labels;
    TRect LabelRect;  // grid units: the symbol box grown by every written label
};

// Measures the labels in the sheet font (em height = scale pixels, widened)
// and places them. Empty labels write nothing.
TLabelLayout LayoutPartLabels(const TPart& p, int scale, const TextMetrics& metrics);
TLabelLayout LayoutDriverLabels(const TDriver& drv, int scale, const TextMetrics& metrics);
TLabelLayout LayoutSourceLabels(const TSource& s, int scale, const TextMetrics& metrics);

// Grid box of a symbol without labels, where its label rectangle starts.
TRect PartSymbolBox(const TPart& p);
TRect DriverSymbolBox(const TDriver& drv);
TRect SourceSymbolBox(const TSource& s);

// Recomputes the label rectangle of every free part, every driver and the
// source at the design's scale, as drawing them would.
void UpdateLabelRects(TDesign& d);

// The pixel rectangle a text element covers when drawn centred on its position
// in the given size (already widened).
TRect TextElementPixelRect(TPoint pixelPosition, int width, int height);

}  // namespace pelmo
