#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>

#include "editor/SheetLabels.h"
#include "model/Design.h"

class QPainter;

namespace pelmo {

// Colours of the sheet.
namespace SheetColour {
inline const QColor Black{0, 0, 0};
inline const QColor Silver{192, 192, 192};
inline const QColor Blue{0, 0, 255};
inline const QColor Red{255, 0, 0};
inline const QColor Navy{0, 0, 128};
inline const QColor BlockBody{225, 244, 255};
inline const QColor Aqua{0, 255, 255};
inline const QColor Yellow{255, 255, 0};
inline const QColor White{255, 255, 255};
}  // namespace SheetColour

inline QPoint QPt(TPoint p) { return {p.X, p.Y}; }

// A text element's colour: the Windows RGB value 0x00BBGGRR.
QColor ColourFromRgbValue(int bgr);

enum class TBlockLook { Normal, Selected, Moving };

// Draws the symbols of the sheet at a scale: pixel = grid x scale, the half
// scale h = scale / 2. Symbols drawn for an element (a part, driver or source
// given) carry their labels and state marks and update the element's label
// rectangle; symbols drawn without one (drag images, previews) carry neither.
class TSheetPainter {
public:
    TSheetPainter(QPainter& painter, int scale, const TextMetrics& metrics);

    void DrawPartSymbol(QPoint c, QColor colour, TPartType partType, bool horizontal, TPart* part = nullptr);
    void DrawDriverSymbol(QPoint c, QColor colour, TDriver* driver = nullptr);
    void DrawSourceSymbol(QPoint c, QColor colour, TSource* source, bool withLabels);
    void DrawGroundSymbol(QPoint c, QColor colour);
    void DrawEndDot(QPoint c, QColor colour);
    void DrawWireLine(QPoint a, QPoint b, QColor colour);
    void DrawTextElement(const TSheetText& text, QPoint c, QColor colour);
    // A block's rectangle and members, shifted by `displacement` pixels.
    void DrawBlock(const TCircuitBlock& block, QPoint displacement, TBlockLook look, bool withMembers);
    // The two halves of DrawBlock, for painting every body before any member.
    void DrawBlockBody(const TCircuitBlock& block, QPoint displacement, TBlockLook look);
    void DrawBlockMembers(const TCircuitBlock& block, QPoint displacement, TBlockLook look);
    void DrawLabels(const TLabelLayout& layout);

    int Scale() const { return s_; }

private:
    void SetPen(QColor colour, int width = 1);
    void Line(int x1, int y1, int x2, int y2);
    void Outline(int x1, int y1, int x2, int y2);
    void Fill(int x1, int y1, int x2, int y2, QColor colour);
    void Arc(int left, int top, int right, int bottom, QPointF from, QPointF to);
    void DrawInductorBody(QPoint c, bool horizontal);
    void DrawStateMark(QPoint c, const TPart& part);
    void DrawDriverIndicators(QPoint c, const TDriver& driver);
    // The sheet font widened by `widening`.
    QFont LabelFont(double widening) const;

    QPainter& p_;
    int s_;
    int h_;
    const TextMetrics& metrics_;
};

}  // namespace pelmo
