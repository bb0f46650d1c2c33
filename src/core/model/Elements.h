#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/DataTypes.h"
#include "model/DriverAcoustics.h"
#include "model/Geometry.h"

// The element records of a design. Plain data: behaviour lives in the design's
// functions (Design.h) and in the engine.

namespace pelmo {

// Element kinds shared by the editor, the dialogs and the files. The three
// part kinds have the numbers of the part types.
enum class TElementKind : int {
    Resistor = 0,
    Capacitor = 1,
    Inductor = 2,
    Source = 3,
    Driver = 4,
    Ground = 5,
    Wire = 6,
    Text = 7,
    Block = 8,
    None = 10,  // no element
};
inline constexpr int ElementKindCount = 9;

// What a part is (TPart::PartType); files store the number.
enum class TPartType : std::uint8_t {
    Resistor = 0,
    Capacitor = 1,
    Inductor = 2,
};
inline constexpr int PartTypeCount = 3;

// A part's state; files store the number.
enum class TPartState : int {
    Shorted = 0,
    Normal = 1,
    Open = 2,
};

inline constexpr int ToInt(TElementKind k) { return static_cast<int>(k); }
inline constexpr int ToInt(TPartType t) { return static_cast<int>(t); }
inline constexpr int ToInt(TPartState s) { return static_cast<int>(s); }
// The element kind of a part type, and the part type of a part kind.
inline constexpr TElementKind KindOf(TPartType t) { return static_cast<TElementKind>(t); }
inline constexpr bool IsPartKind(TElementKind k) {
    return k == TElementKind::Resistor || k == TElementKind::Capacitor || k == TElementKind::Inductor;
}
inline constexpr TPartType PartTypeOf(TElementKind partKind) { return static_cast<TPartType>(partKind); }

// Where a part, driver or the source sits on the sheet: its grid position
// and the pixel copy at the sheet's scale, the rectangles of its symbol and
// of its value label, its two terminals, where a pick-up started, and
// whether it is selected.
struct TPlacement {
    TPoint Position;
    TPoint PixelPosition;
    TRect BodyRect;
    TRect LabelRect;
    TPoint Terminal1;
    TPoint Terminal2;
    TPoint SavedPosition;
    bool Selected = false;
};

struct TPart : TPlacement {
    TPartType PartType = TPartType::Resistor;
    double Value = 0;
    std::string PartNumber;
    int Subckt = -1;
    std::string Equation1;
    std::string Equation2;
    bool IsHorizontal = false;
    TPartState State = TPartState::Shorted;
    double ESR = 0;
    double Rating = 0;
    double BoundValue = 0;
    double BoundESR = 0;
    double BoundRating = 0;
    double ChosenTolerance = -1;
    std::uint8_t StepMode = 0;
    int RefDes = 0;
    bool IsHighSpec = false;
    double SpecTolerance = 0;
    double SearchTolerance = 0;
    double ESRSearchTolerance = 0;
    std::string Vendor;
};

// A driver on the sheet: its designator, name and catalogue identity, its
// level, polarity and delay, its electrical side (the impedance file and the
// admittance from it) and, in a record of its own, its acoustic side.
struct TDriver : TPlacement {
    std::string ZMAFile;
    std::string Name;
    int RefDes = 0;
    std::string PartNumber;
    bool Inverted = false;
    bool Muted = false;
    double Rating = 0;
    double Gain = 0;  // linear factor; files and dialogs show dB
    double DelaySeconds = 0;
    // The dB figure Gain was given as (the design file's): written back while
    // Gain is still DbToLin of it, so that saving does not move it.
    double GainDbAsGiven = 0;
    TComplexArray Admittance;  // siemens, from the ZMA data
    std::string Vendor;
    double NominalDia = 0;  // inches
    double RectHeight = 0;
    double RectWidth = 0;
    std::string Description;
    TDriverAcoustics Acoustic;
};

struct TSource : TPlacement {
    bool Placed = false;
    bool Inverted = false;
    double Vrms = 0;
    double Power = 0;
    double Ohms = 0;
    double InternalResistance = 0;
};

struct TWire {
    TPoint End1;
    TPoint End2;
    TPoint PixelEnd1;
    TPoint PixelEnd2;
    int Subckt = -1;
    bool Selected = false;
    bool MergeDelete = false;
};

struct TGround {
    TPoint PixelPosition;
    TPoint Position;
    TRect BodyRect;
    int Subckt = -1;
    bool Selected = false;
};

struct TSheetText {
    std::string Text;
    TPoint Position;
    int Size = 0;   // tenths of a grid unit
    int Color = 0;  // 0x00BBGGRR
    bool Selected = false;
    int Subckt = -1;
    TRect TextRect;
};

inline constexpr int BlockVarCount = 6;

// Members that are in no collection of a design: those of a block read from a
// file and not yet placed, or of a copied group. The block owns them until
// PlaceBlock hands them to the design.
struct TLooseMembers {
    std::vector<std::unique_ptr<TPart>> Parts;
    std::vector<std::unique_ptr<TWire>> Wires;
    std::vector<std::unique_ptr<TGround>> Grounds;
    std::vector<std::unique_ptr<TSheetText>> Texts;
    std::vector<std::unique_ptr<TDriver>> Drivers;
};

struct TCircuitBlock {
    std::string Title;
    std::array<std::string, 2> VarExpression;
    std::array<std::string, BlockVarCount> VarName;
    std::array<std::string, BlockVarCount> VarDesc;
    std::array<double, BlockVarCount> VarValue{};
    std::array<std::uint8_t, BlockVarCount> VarStepMode{};
    bool NeedsEval = false;
    TPoint Center;
    TRect BoundsRect;
    bool Selected = false;
    std::vector<TPart*> Parts;
    std::vector<TWire*> Wires;
    std::vector<TGround*> Grounds;
    std::vector<TSheetText*> Texts;
    std::vector<TDriver*> Drivers;  // only in a copied group
    TLooseMembers Loose;
};

// Terminal points of a wire are its ends; a wire is horizontal when both ends
// share Y (a zero-length wire counts as horizontal).
inline bool IsHorizontal(const TWire& w) { return w.End1.Y == w.End2.Y; }
bool PointOnWire(TPoint p, const TWire& w);

}  // namespace pelmo
