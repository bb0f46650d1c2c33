#include "files/ElementLayouts.h"

#include <cmath>

#include "base/Conversions.h"
#include "base/Paths.h"
#include "files/DesignFile.h"
#include "model/Design.h"
#include "model/StepModes.h"

namespace pelmo {

namespace {

// A field of the driver's acoustic side, and of its tail settings.
template <class T>
auto AcousticField(T TDriverAcoustics::*field) {
    return [field](auto& drv) -> decltype(auto) { return (drv.Acoustic.*field); };
}
template <class T>
auto TailField(T TResponseTails::*field) {
    return [field](auto& drv) -> decltype(auto) { return (drv.Acoustic.Tails.*field); };
}

// The grid points of an element, for const and non-const elements alike.
constexpr auto PositionX = [](auto& e) -> auto& { return e.Position.X; };
constexpr auto PositionY = [](auto& e) -> auto& { return e.Position.Y; };
constexpr auto End1X = [](auto& w) -> auto& { return w.End1.X; };
constexpr auto End1Y = [](auto& w) -> auto& { return w.End1.Y; };
constexpr auto End2X = [](auto& w) -> auto& { return w.End2.X; };
constexpr auto End2Y = [](auto& w) -> auto& { return w.End2.Y; };

// A field of the design's source.
template <class T>
auto OfSource(T TSource::*field) {
    return [field](auto& d) -> auto& { return d.Source.*field; };
}
constexpr auto SourceX = [](auto& d) -> auto& { return d.Source.Position.X; };
constexpr auto SourceY = [](auto& d) -> auto& { return d.Source.Position.Y; };

// Variable slot `v` of one of a block's slot arrays.
template <class Array>
auto Slot(Array TCircuitBlock::*array, int v) {
    return [ array, v ](auto& b) -> auto& { return (b.*array)[static_cast<std::size_t>(v)]; };
}

// ---- Formats of this file's own fields -------------------------------------

// A block slot's step mode in a design: "0" for smLog, "1" for any other;
// reading, 0 gives smLog, 1 gives sm12345 and any other number the zero mode.
struct AsDesignStepMode {
    std::string Write(std::uint8_t mode, const TLineContext&) const { return mode == smLog ? "0" : "1"; }
    std::uint8_t Read(const std::string& line, const TLineContext&) const {
        const int m = LineInt(line);
        return m == 0 ? smLog : m == 1 ? sm12345 : 0;
    }
};

// A slot's step mode in a block file: only sm12345 is "1"; reading, anything
// but 0 gives sm12345.
struct AsBlockStepMode {
    std::string Write(std::uint8_t mode, const TLineContext&) const { return mode == sm12345 ? "1" : "0"; }
    std::uint8_t Read(const std::string& line, const TLineContext&) const {
        return LineInt(line) != 0 ? sm12345 : smLog;
    }
};

// ---- Source ----------------------------------------------------------------

// A real as a reader gets it back from its line.
double AsReadBack(double x) { return LineReal(FileReal(x) + " //"); }

// Vrms as the reader works it out: from the Power and Ohms lines written
// beside it (for a source whose Vrms does not follow them, as after a New
// that kept a changed level, and for designs of five source lines, whose
// Power was worked out from Vrms). Written any other way the line could
// change on the next save.
double VrmsToWrite(const TDesign& d) {
    const double p = AsReadBack(d.Source.Power) * AsReadBack(d.Source.Ohms);
    return std::isfinite(p) && p >= 0 ? std::sqrt(p) : d.Source.Vrms;
}

TLayout<TDesign> MakeSourceLayout() {
    TLayout<TDesign> l{"VoltageSource", "Lines", 5, {}};
    l.Lines = {
        Line<TDesign>("  ", " //Vrms", AsReal{}, VrmsToWrite, [](TDesign& d, double v) { d.Source.Vrms = v; }),
        Line<TDesign>("  ", " //Inverted", AsBool{}, OfSource(&TSource::Inverted)),
        Line<TDesign>("  ", " //position X", AsX, SourceX),
        Line<TDesign>("  ", " //position Y", AsY, SourceY),
        Line<TDesign>("  ", " //overall delay", AsReal{}, &TDesign::OverallDelay),
        // Layouts of five lines stated the level as Vrms into 8 ohms.
        WithDefault(Line<TDesign>("  ", " //Power", AsReal{}, OfSource(&TSource::Power)),
                    [](TDesign& d) { d.Source.Power = FiniteFileNumber(d.Source.Vrms * d.Source.Vrms / 8.0); }),
        OptionalLine<TDesign>("  ", " //Ohms for Power level", AsReal{}, OfSource(&TSource::Ohms), 8.0),
    };
    return l;
}

// ---- Circuit blocks --------------------------------------------------------

TFieldLine<TCircuitBlock> Expression(int k) { return RawLine<TCircuitBlock>(Slot(&TCircuitBlock::VarExpression, k)); }
TFieldLine<TCircuitBlock> SlotName(int v, std::string indent, std::string tail) {
    return Line<TCircuitBlock>(std::move(indent), std::move(tail), AsText{}, Slot(&TCircuitBlock::VarName, v));
}
TFieldLine<TCircuitBlock> SlotValue(int v, std::string tail) {
    return Line<TCircuitBlock>("  ", std::move(tail), AsReal{}, Slot(&TCircuitBlock::VarValue, v));
}
TFieldLine<TCircuitBlock> SlotDescription(int v) { return RawLine<TCircuitBlock>(Slot(&TCircuitBlock::VarDesc, v)); }

// Name, value, description per slot, then the six step modes.
TLayout<TCircuitBlock> MakeDesignBlockLayout() {
    TLayout<TCircuitBlock> l{"Subckts", "Lines Per Subckt", 21, {}};
    TFieldLine<TCircuitBlock> title = Line<TCircuitBlock>("  ", " //Title subckt#", AsText{}, &TCircuitBlock::Title);
    title.TailIndexed = true;
    l.Lines = {title, Expression(0), Expression(1)};
    for (int v = 0; v < BlockVarCount; ++v) {
        const std::string n = std::to_string(v);
        l.Lines.push_back(SlotName(v, "", " //Var Name " + n));
        l.Lines.push_back(SlotValue(v, " //Var Val" + n));
        l.Lines.push_back(SlotDescription(v));
    }
    for (int v = 0; v < BlockVarCount; ++v)
        l.Lines.push_back(Line<TCircuitBlock>("  ", " //stepmode " + std::to_string(v), AsDesignStepMode{},
                                              Slot(&TCircuitBlock::VarStepMode, v)));
    return l;
}

// Name, description, value per slot (an order of its own), "rev 1", then the
// step modes: smLog for files written before they were stored.
TLayout<TCircuitBlock> MakeBlockHeaderLayout() {
    TLayout<TCircuitBlock> l{"", "", BlockHeaderLinesBeforeStepModes, {}};
    l.Lines = {RawLine<TCircuitBlock>(&TCircuitBlock::Title), Expression(0), Expression(1)};
    for (int v = 0; v < BlockVarCount; ++v) {
        const std::string n = std::to_string(v);
        l.Lines.push_back(SlotName(v, "  ", " //Variable #" + n));
        l.Lines.push_back(SlotDescription(v));
        l.Lines.push_back(SlotValue(v, " //VarValue #" + n));
    }
    l.Lines.push_back(FixedLine<TCircuitBlock>(BlockRevisionLine));
    for (int v = 0; v < BlockVarCount; ++v)
        l.Lines.push_back(OptionalLine<TCircuitBlock>("  ", "    //step mpde (0=Log)", AsBlockStepMode{},
                                                      Slot(&TCircuitBlock::VarStepMode, v), std::uint8_t{smLog}));
    return l;
}

// ---- Parts -----------------------------------------------------------------

// A line read into both a part's own and its bound member; `get` gives the
// value written.
template <class Get>
TFieldLine<TPart> BothValues(std::string tail, Get get, double TPart::*own, double TPart::*bound) {
    return Line<TPart>("  ", std::move(tail), AsReal{}, get,
                       [own, bound](TPart& p, double v) { p.*own = p.*bound = v; });
}

// An expression line: the expression without the blanks around it. Read, a
// line that is empty or starts with a blank stands for none. A design writes
// `placeholder` instead for a part in no block.
TFieldLine<TPart> EquationLine(std::string TPart::*eq, const char* placeholder) {
    return Line<TPart>(
        "", "", AsRaw{},
        [eq, placeholder](const TPart& p) { return placeholder && p.Subckt == -1 ? placeholder : TrimBlanks(p.*eq); },
        [eq](TPart& p, const std::string& raw) { p.*eq = EquationText(raw); });
}

TLayout<TPart> MakePartLayout(TFileKind file) {
    const bool design = file == TFileKind::Design;
    TLayout<TPart> l{"Passives", "Lines Per Passive", design ? 11 : 12, {}};
    auto& v = l.Lines;
    v.push_back(Line<TPart>(
        " ", " //PartType", AsInt{}, [](const TPart& p) { return ToInt(p.PartType); },
        [](TPart& p, int type) {
            if (type < 0 || type >= PartTypeCount) throw EFileFormatError("unknown part type");
            p.PartType = static_cast<TPartType>(type);
        }));
    if (design) v.push_back(Line<TPart>(" ", " //RefDes", AsInt{}, &TPart::RefDes));
    v.push_back(Line<TPart>("  ", " //Part#", AsText{}, &TPart::PartNumber));
    if (design) {
        v.push_back(BothValues(" //Value", PartValue, &TPart::Value, &TPart::BoundValue));
        v.push_back(BothValues(" //ESR", PartESR, &TPart::ESR, &TPart::BoundESR));
    } else {
        v.push_back(BothValues(" //Value", std::mem_fn(&TPart::Value), &TPart::Value, &TPart::BoundValue));
        v.push_back(BothValues(" //ESR", std::mem_fn(&TPart::ESR), &TPart::ESR, &TPart::BoundESR));
    }
    v.push_back(BothValues(" //Rating", std::mem_fn(&TPart::Rating), &TPart::Rating, &TPart::BoundRating));
    v.push_back(Line<TPart>("  ", " //position X", AsX, PositionX));
    v.push_back(Line<TPart>("  ", " //position Y", AsY, PositionY));
    v.push_back(Line<TPart>("  ", "  //Is Horizontal", AsBool{}, &TPart::IsHorizontal));
    // A step mode the program does not know leaves the part's own.
    v.push_back(Line<TPart>(
        "  ", " //StepMode", AsInt{}, [](const TPart& p) { return static_cast<int>(p.StepMode); },
        [](TPart& p, int m) {
            if (m >= smmPC2 && m <= smmCatalog) p.StepMode = static_cast<std::uint8_t>(m);
        }));
    // A state the program does not know reads as normal, which is how the
    // solve has always taken it.
    v.push_back(Line<TPart>(
        "  ", " //0short/1val/2open", AsInt{}, [](const TPart& p) { return ToInt(p.State); },
        [](TPart& p, int state) {
            p.State = state == ToInt(TPartState::Shorted) || state == ToInt(TPartState::Open)
                          ? static_cast<TPartState>(state)
                          : TPartState::Normal;
        }));
    if (design) v.push_back(OptionalLine<TPart>("  ", " //Subckt#,-1 if none", AsInt{}, &TPart::Subckt, -1));
    v.push_back(EquationLine(&TPart::Equation1, design ? "  //No Subckt equation1" : nullptr));
    v.push_back(EquationLine(&TPart::Equation2, design ? "  //No Subckt equation2" : nullptr));
    if (!design) return l;
    // The catalogue's search settings, added to the layout over time.
    v.push_back(OptionalLine<TPart>("  ", "  //Is HighSpec", AsBool{}, &TPart::IsHighSpec, false));
    const struct {
        const char* tail;
        double TPart::*field;
        double fallback;
    } tolerances[] = {
        {" //Specd component manuf tolerance", &TPart::SpecTolerance, 0.05},
        {" //Search tolerance for nom values", &TPart::SearchTolerance, 0.05},
        {" //ESR tolerance for search", &TPart::ESRSearchTolerance, 0.1},
        {" //Tolerance of chosen part tol", &TPart::ChosenTolerance, -1.0},
    };
    for (const auto& t : tolerances) v.push_back(OptionalLine<TPart>("  ", t.tail, AsReal{}, t.field, t.fallback));
    v.push_back(OptionalLine<TPart>("  ", " //vendor of part number", AsText{}, &TPart::Vendor, std::string()));
    return l;
}

// ---- Grounds, wires, texts -------------------------------------------------

// A ground, wire or text: the lines both files have, every one of them
// required, then in a design the block index, -1 (no block) for layouts
// without it.
template <class E>
TLayout<E> MemberLayout(const char* countLabel, const char* linesLabel, std::vector<TFieldLine<E>> lines,
                        TFileKind file) {
    TLayout<E> l{countLabel, linesLabel, static_cast<int>(lines.size()), std::move(lines)};
    if (file == TFileKind::Design)
        l.Lines.push_back(OptionalLine<E>("  ", " //Subckt#,-1 if none", AsInt{}, &E::Subckt, -1));
    return l;
}

TLayout<TGround> MakeGroundLayout(TFileKind file) {
    return MemberLayout<TGround>(
        "Grounds", "Lines Per Ground",
        {Line<TGround>(" ", " //position X", AsX, PositionX), Line<TGround>("  ", " //position Y", AsY, PositionY)},
        file);
}

TLayout<TWire> MakeWireLayout(TFileKind file) {
    return MemberLayout<TWire>("Wires", "Lines Per Wire",
                               {Line<TWire>(" ", " //End1 X", AsX, End1X), Line<TWire>("  ", " //End1 Y", AsY, End1Y),
                                Line<TWire>("  ", " //End2 X", AsX, End2X), Line<TWire>("  ", " //End2 Y", AsY, End2Y)},
                               file);
}

TLayout<TSheetText> MakeTextLayout(TFileKind file) {
    return MemberLayout<TSheetText>(
        "Texts", "Lines Per Text",
        {RawLine<TSheetText>(&TSheetText::Text), Line<TSheetText>("  ", " //position X", AsX, PositionX),
         Line<TSheetText>("  ", " //position Y", AsY, PositionY),
         Line<TSheetText>("  ", " //Size", AsIntWithin{0, FileTextSizeLimit}, &TSheetText::Size),
         Line<TSheetText>("  ", " //color", AsInt{}, &TSheetText::Color)},
        file);
}

// ---- Drivers ---------------------------------------------------------------

// The dBGain line. The file shows 20 log10 |Gain|, worked out as the natural
// logarithm times 0.434294481904 (as every design file has it), which is a
// little off log10(e): a figure read back (10^(dB/20)) and worked out again
// moved by about 1e-12 dB on every save. So a gain keeps the figure it was
// read as, and that figure is written back while the gain is still the one it
// stands for; only a gain set otherwise is worked out. The very small and
// very large limits are those of the program's dB conversion.
double GainDbToWrite(const TDriver& drv) {
    if (DbToLin(drv.GainDbAsGiven) == drv.Gain) return drv.GainDbAsGiven;
    const double m = std::fabs(drv.Gain);
    if (m < 1e-25) return -2000000.0;
    if (m > 1e25) return 2000000.0;
    return 20.0 * (std::log(m) * 0.434294481904);
}

void ReadGainDb(TDriver& drv, double db) {
    drv.Gain = DbToLin(db);
    drv.GainDbAsGiven = db;
}

// A file name line. Written: the name the writer chose (only the name, never
// the folder). Read: the file's path in the support folder, or "" when the
// name cannot be a plain file name.
template <class Path>
TFieldLine<TDriver> FileNameLine(std::string tail, Path path, std::string TDriverFileNames::*name) {
    TFieldLine<TDriver> l;
    l.Indent = "  ";
    l.Tail = std::move(tail);
    l.Write = [path, name](const TDriver& drv, const TLineContext& c) {
        return c.Names ? c.Names->*name : ExtractFileName(std::invoke(path, drv));
    };
    l.Read = [path](TDriver& drv, const std::string& line, const TLineContext& c) {
        std::invoke(path, drv) = SupportFilePath(c.SupportFolder, ValueText(line));
    };
    return l;
}

TLayout<TDriver> MakeDriverLayout() {
    TLayout<TDriver> l{"Drivers", "Lines Per Driver", 19, {}};
    auto real = [](const char* tail, auto field) { return Line<TDriver>("  ", tail, AsReal{}, field); };
    auto flag = [](const char* tail, auto field) { return Line<TDriver>("  ", tail, AsBool{}, field); };
    // The response tails came later; layouts of 19 lines take the settings
    // they were made with.
    auto optionalFlag = [](const char* tail, auto field) {
        return OptionalLine<TDriver>("  ", tail, AsBool{}, field, false);
    };
    auto tailReal = [](const char* tail, double TResponseTails::*field, double fallback) {
        return OptionalLine<TDriver>("  ", tail, AsReal{}, TailField(field), fallback);
    };
    auto text = [](const char* tail, std::string TDriver::*field) {
        return Line<TDriver>("  ", tail, AsText{}, field);
    };
    l.Lines = {
        FixedLine<TDriver>("!Driver ", true),
        Line<TDriver>("  ", " //RefDes", AsInt{}, &TDriver::RefDes),
        text(" //Name", &TDriver::Name),
        text(" //PartNumber", &TDriver::PartNumber),
        Line<TDriver>("  ", " //position X", AsX, PositionX),
        Line<TDriver>("  ", " //position Y", AsY, PositionY),
        flag(" //Inverted", &TDriver::Inverted),
        flag(" //Muted", &TDriver::Muted),
        real(" //Rating", &TDriver::Rating),
        Line<TDriver>("  ", " //dBGain", AsReal{}, GainDbToWrite, ReadGainDb),
        real(" //Delay", &TDriver::DelaySeconds),
        real(" //Xoffs", AcousticField(&TDriverAcoustics::XOffsetInches)),
        real(" //Yoffs", AcousticField(&TDriverAcoustics::YOffsetInches)),
        real(" //Zoffs", AcousticField(&TDriverAcoustics::ZOffsetInches)),
        real(" //Htilt", AcousticField(&TDriverAcoustics::HTiltDegrees)),
        real(" //Vtilt", AcousticField(&TDriverAcoustics::VTiltDegrees)),
        real(" //dia", AcousticField(&TDriverAcoustics::DiameterInches)),
        FileNameLine(" //FRD filename", AcousticField(&TDriverAcoustics::FRDFile), &TDriverFileNames::FRD),
        FileNameLine(" //ZMA filename", &TDriver::ZMAFile, &TDriverFileNames::ZMA),
        optionalFlag(" //Phase from Hilbert transform", AcousticField(&TDriverAcoustics::HilbertPhase)),
        tailReal(" //Lower Hilbert extrapolation frequency", &TResponseTails::LowFreq, 100.0),
        tailReal(" //Upper Hilbert extrapolation frequency", &TResponseTails::HighFreq, 16000.0),
        tailReal(" //Lower Extrapolation slope", &TResponseTails::LowSlope, 24.0),
        tailReal(" //Upper Extrapolation slope", &TResponseTails::HighSlope, 36.0),
        OptionalLine<TDriver>("  ", " //Invert Hilbert phase if used", AsBool{}, TailField(&TResponseTails::Invert),
                              false),
        tailReal(" //Hilbert Delay to add", &TResponseTails::DelayInches, 0.0),
        flag(" //get acoust info from a model", AcousticField(&TDriverAcoustics::UseAcousticModel)),
        FileNameLine(" //ACOUstic FRD filename", AcousticField(&TDriverAcoustics::AcousticFile),
                     &TDriverFileNames::Acoustic),
        text(" //Vendor name", &TDriver::Vendor),
        Line<TDriver>("  ", "  //Nominal Dia.", AsReal{}, &TDriver::NominalDia),
        Line<TDriver>("  ", "  //rectang. Ht", AsReal{}, &TDriver::RectHeight),
        Line<TDriver>("  ", "  //rectang. Wt", AsReal{}, &TDriver::RectWidth),
        text(" //", &TDriver::Description),
    };
    return l;
}

}  // namespace

const TLayout<TDesign>& SourceLayout() {
    static const TLayout<TDesign> l = MakeSourceLayout();
    return l;
}

const TLayout<TCircuitBlock>& DesignBlockLayout() {
    static const TLayout<TCircuitBlock> l = MakeDesignBlockLayout();
    return l;
}

const TLayout<TCircuitBlock>& BlockHeaderLayout() {
    static const TLayout<TCircuitBlock> l = MakeBlockHeaderLayout();
    return l;
}

const TLayout<TPart>& PartLayout(TFileKind file) {
    static const TLayout<TPart> design = MakePartLayout(TFileKind::Design), block = MakePartLayout(TFileKind::Block);
    return file == TFileKind::Design ? design : block;
}

const TLayout<TGround>& GroundLayout(TFileKind file) {
    static const TLayout<TGround> design = MakeGroundLayout(TFileKind::Design),
                                  block = MakeGroundLayout(TFileKind::Block);
    return file == TFileKind::Design ? design : block;
}

const TLayout<TWire>& WireLayout(TFileKind file) {
    static const TLayout<TWire> design = MakeWireLayout(TFileKind::Design), block = MakeWireLayout(TFileKind::Block);
    return file == TFileKind::Design ? design : block;
}

const TLayout<TSheetText>& TextLayout(TFileKind file) {
    static const TLayout<TSheetText> design = MakeTextLayout(TFileKind::Design),
                                     block = MakeTextLayout(TFileKind::Block);
    return file == TFileKind::Design ? design : block;
}

const TLayout<TDriver>& DriverLayout() {
    static const TLayout<TDriver> l = MakeDriverLayout();
    return l;
}

const TLayout<TDriver>& EarlierDriverTail() {
    // The same lines as the full layout's vendor (line 28) to description.
    static const TLayout<TDriver> l = [] {
        const auto& full = DriverLayout().Lines;
        TLayout<TDriver> t{"", "", 0, {}};
        t.Lines.assign(full.begin() + 28, full.end());
        return t;
    }();
    return l;
}

}  // namespace pelmo
