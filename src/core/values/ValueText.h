#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How the value fields print, parse and clean what the user types: numbers
// with an engineering prefix (p n u m k M G) and a unit. The Qt fields hold a
// TEditRealState and forward their key events and text to it; everything
// they show (text, caret, underline, yellow background) comes from here.

namespace pelmo {

// Why a typed value was refused. A parse gives one of these or ParseValid.
enum ValErrT : std::uint8_t { veBelowMin = 0, veAboveMax = 1, veNotANumber = 2 };
inline constexpr int ParseValid = 3;

// TEditReal prints the unit in brackets ("8 [ohm]"), TEditReal2 without
// ("8 ohm") and stops its typing filter at a capital "O" too, so a unit such
// as "Ohm" is not read as the prefix "m". Units of a TEditReal2 must not hold
// prefix letters other than after such an "O".
enum class TEditRealVariant { EditReal, EditReal2 };

struct TValueFormat {
    bool IntOnly = false;
    bool EngUnits = true;
    int DefNumChars = 8;
    std::string Units = "Units";
    bool ShowUnits = true;
    TEditRealVariant Variant = TEditRealVariant::EditReal;
};

bool IsPrefixLetter(char c);

// The printed form: number, blank, prefix letter, unit.
// 0.0047 F -> "4.7 m[F]"; 8 ohm -> "8 [ohm]" (TEditReal2: "8 ohm"); 0 -> "0 ".
std::string PrintEditReal(double value, const TValueFormat& format);

struct TParsedValue {
    int Result = veNotANumber;  // veBelowMin, veAboveMax, veNotANumber or ParseValid
    double Value = 0;
};
// Blanks are ignored, a decimal comma counts as the point when there is no
// point, the number ends at the first character that cannot be part of it, a
// trailing prefix letter multiplies, and a lone prefix letter is 1 of it ("k"
// is 1000). Text without digits or prefix is not a number. No exponent
// notation.
TParsedValue ParseEditReal(std::string_view text, bool intOnly, double minValue, double maxValue);

struct TFilteredText {
    std::string Text;
    int Caret = 0;  // characters before the caret
};
// Cleans typed text: one decimal point, "-" only first, digits, one prefix
// letter that ends the number (preceded by a blank), then the unit in brackets.
// A comma is the point when the number has no point.
// "4k7" -> "4 k[..]", "1e3" -> "13 [..]", "2,2" -> "2.2 [..]".
TFilteredText FilterEditReal(std::string_view text, int caret, const TValueFormat& format);

// The one line shown beside a field that refused a typed value, e.g.
// "Below the lowest value, 1 pF".
std::string RefusalMessage(ValErrT err, double minValue, double maxValue, const TValueFormat& format);

// Events a field raises, in order.
enum class TValueEventKind { ValChange, ValErr, DblClick, StepChange, DotSpinUp, DotSpinDn };
struct TValueEvent {
    TValueEventKind Kind;
    double Value = 0;            // ValChange: the new value; ValErr: the value still stored
    ValErrT Err = veNotANumber;  // ValErr only
    friend bool operator==(const TValueEvent&, const TValueEvent&) = default;
};

// What a forwarded event asks of the widget besides showing the new state.
struct TValueResponse {
    std::vector<TValueEvent> Events;
    bool FocusArrows = false;  // move the keyboard focus to the arrow pair
    bool ShowMenu = false;     // open the control's menu instead (TPcs when short or open)
};

// Keys the fields act on when released.
enum class TValueKey { Up, Down, PageUp, PageDown, Escape, Enter, Other };

// The state behind one value field (TEditReal or TEditReal2).
class TEditRealState {
public:
    explicit TEditRealState(TEditRealVariant variant = TEditRealVariant::EditReal);

    double RealValue() const { return value_; }
    // Stores and reprints; raises nothing.
    void SetRealValue(double v);

    double MinValue = 0.0;
    double MaxValue = 10.0;
    TValueFormat Format;
    // While set, committing (double-click, Enter, leaving the field) does nothing.
    bool IsFreeing = false;

    // What the field shows.
    const std::string& Text() const { return text_; }
    int Caret() const { return caret_; }
    bool Underlined() const { return underlined_; }  // the user is editing
    bool Yellow() const { return yellow_; }          // the edited text is not a valid value

    // Prints the stored value again (after a format change, or Escape).
    void Reprint();
    // Shows a text of the owner's (such as "(short)") instead of the value.
    void ShowText(std::string text);
    void SetBackgroundWhite() { yellow_ = false; }

    // Runs the typing filter over what the field holds now.
    void Filter(std::string_view fieldText, int caret);
    // Parses the shown text: stores a valid value, else reports the error;
    // then prints the stored value.
    TValueResponse Accept();
    // Double-click or Enter: filter, accept, OnDblClick.
    TValueResponse DblClick(std::string_view fieldText, int caret);
    // Leaving the field commits as DblClick does when the user has edited the
    // text since it was last printed; a field left as it shows the stored
    // value raises nothing (so Enter and then leaving commit once).
    TValueResponse Leave(std::string_view fieldText, int caret);
    // A key released in a bare field.
    TValueResponse KeyUp(TValueKey key, std::string_view fieldText, int caret);
    // After the system pasted into the field.
    TValueResponse Paste(std::string_view fieldText, int caret);

private:
    double value_ = 1.0;
    std::string text_;
    int caret_ = 0;
    bool underlined_ = false;
    bool yellow_ = false;
};

}  // namespace pelmo
