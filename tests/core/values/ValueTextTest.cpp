#include <gtest/gtest.h>

#include <string>

#include "values/ValueText.h"

using namespace pelmo;

namespace {

TValueFormat Fmt(const std::string& units, bool intOnly = false, bool eng = true, int digits = 8,
                 TEditRealVariant variant = TEditRealVariant::EditReal) {
    TValueFormat f;
    f.Units = units;
    f.IntOnly = intOnly;
    f.EngUnits = eng;
    f.DefNumChars = digits;
    f.Variant = variant;
    return f;
}

TEST(ValueText, Printing) {
    struct Case {
        double Value;
        TValueFormat Format;
        const char* Expected;
    };
    const auto two = TEditRealVariant::EditReal2;
    const Case cases[] = {
        {0.0047, Fmt("F"), "4.7 m[F]"},
        {8, Fmt("ohm"), "8 [ohm]"},
        {8, Fmt("ohm", false, true, 4, two), "8 ohm"},
        {0.0047, Fmt("Ohm", false, true, 4, two), "4.7 mOhm"},
        {0, Fmt("V"), "0 [V]"},
        {-0.0, Fmt("V"), "0 [V]"},
        {-1500, Fmt("Hz"), "-1.5 k[Hz]"},
        {999.999999999, Fmt("Hz"), "1 k[Hz]"},
        {999999999.6, Fmt("Hz"), "1 G[Hz]"},
        {999999.5, Fmt("Hz"), "999.9995 k[Hz]"},
        {1e9, Fmt("Hz"), "1 G[Hz]"},
        {2.5e-10, Fmt("F"), "250 p[F]"},
        {1e-9, Fmt("F"), "1 n[F]"},
        {1.23456789e-7, Fmt("F"), "123.45679 n[F]"},
        {4.7e-6, Fmt("F", false, true, 4, two), "4.7 uF"},
        {1.23456, Fmt("F", false, true, 4, two), "1.235 F"},
        {0.4, Fmt("x", true), "0 [x]"},
        {2.5, Fmt("x", true), "2 [x]"},
        {999.6, Fmt("x", true), "1 k[x]"},
        {1234, Fmt("x", false, false), "1234 [x]"},
        {123456789, Fmt("x", false, false), "1.2345679E8 [x]"},
        {0.000012, Fmt("x", false, false), "0.000012 [x]"},
        {0.000001, Fmt("x", false, false), "1E-6 [x]"},
    };
    for (const auto& c : cases) EXPECT_EQ(PrintEditReal(c.Value, c.Format), c.Expected) << c.Value;

    TValueFormat noUnits = Fmt("V");
    noUnits.ShowUnits = false;
    EXPECT_EQ(PrintEditReal(47e3, noUnits), "47 k");
}

TEST(ValueText, Parsing) {
    struct Case {
        const char* Text;
        bool IntOnly;
        int Result;
        double Value;
    };
    const Case cases[] = {
        {"k", false, ParseValid, 1000},
        {"-k", false, veBelowMin, -1000},
        {"4 k[ohm]", false, ParseValid, 4000},
        {"1.5 m", false, ParseValid, 0.0015},
        {"7p", false, ParseValid, 7e-12},
        {"5M", false, 1, 5e6},
        {"12abc", false, ParseValid, 12},
        {"1e3", false, ParseValid, 1},
        {"  2 . 5 ", false, ParseValid, 2.5},
        {"2.5", true, ParseValid, 2},
        {"20k", false, veAboveMax, 20000},
        {"-1", false, veBelowMin, -1},
        {"4k7", false, veNotANumber, 0},
        {"--1", false, veNotANumber, 0},
        {"1.2.3", false, veNotANumber, 0},
        {"1-2", false, veNotANumber, 0},
        // A decimal comma is the point when there is none; a second one ends the number.
        {"1,5", false, ParseValid, 1.5},
        {"2,2 u", false, ParseValid, 2.2e-6},
        {"1,2,3", false, ParseValid, 1.2},
        // Nothing to read is refused, never taken as 1.
        {"", false, veNotANumber, 0},
        {".", false, veNotANumber, 0},
        {"-.", false, veNotANumber, 0},
        {"-", false, veNotANumber, 0},
        {"[ohm]", false, veNotANumber, 0},
        {"abc", false, veNotANumber, 0},
    };
    for (const auto& c : cases) {
        const TParsedValue p = ParseEditReal(c.Text, c.IntOnly, 0, 10000);
        EXPECT_EQ(p.Result, c.Result) << c.Text;
        if (p.Result != veNotANumber) {
            EXPECT_DOUBLE_EQ(p.Value, c.Value) << c.Text;
        }
    }
}

TEST(ValueText, RefusalMessagesNameTheLimit) {
    TValueFormat farads = Fmt("F");
    TValueFormat plain;  // no unit of its own
    EXPECT_EQ(RefusalMessage(veBelowMin, 1e-12, 1e9, farads), "Below the lowest value, 1 pF");
    EXPECT_EQ(RefusalMessage(veAboveMax, 1e-12, 1e9, farads), "Above the highest value, 1 GF");
    EXPECT_EQ(RefusalMessage(veAboveMax, 200, -30, plain), "Above the highest value, 200");
    EXPECT_EQ(RefusalMessage(veNotANumber, 0, 1, farads), "Not a number; the old value stays");
}

TEST(ValueText, TypingFilter) {
    struct Case {
        const char* Text;
        int Caret;
        TValueFormat Format;
        const char* Expected;
        int ExpectedCaret;
    };
    const auto two = TEditRealVariant::EditReal2;
    TValueFormat bare = Fmt("U");
    bare.ShowUnits = false;
    const Case cases[] = {
        {"4k7", 3, Fmt("U"), "4 k[U]", 3},
        {"1e3", 3, Fmt("U"), "13 [U]", 2},
        {"1.2.3", 5, Fmt("U"), "1.23 [U]", 4},
        {"1.2.3", 0, Fmt("U"), "1.23 [U]", 0},
        {"-5-", 3, Fmt("U"), "-5 [U]", 2},
        {"5-1", 2, Fmt("U"), "51 [U]", 2},
        {"12 [ohm]", 2, Fmt("ohm"), "12 [ohm]", 2},
        {"8 Ohm", 1, Fmt("Ohm", false, true, 4, two), "8 [Ohm]", 1},
        {"5 m[F]", 3, Fmt("F"), "5 m[F]", 3},
        {"k", 1, Fmt("U"), "k[U]", 1},
        {"", 0, Fmt("U"), " [U]", 0},
        {"5k", 2, Fmt("U", false, false), "5 [U]", 1},
        {"x12", 3, bare, "12 ", 2},
        {"2,2", 3, Fmt("U"), "2.2 [U]", 3},
        {"1,2,3", 5, Fmt("U"), "1.23 [U]", 4},
        {"1.2,3", 5, Fmt("U"), "1.23 [U]", 4},
    };
    for (const auto& c : cases) {
        const TFilteredText f = FilterEditReal(c.Text, c.Caret, c.Format);
        EXPECT_EQ(f.Text, c.Expected) << c.Text;
        EXPECT_EQ(f.Caret, c.ExpectedCaret) << c.Text;
    }
}

// Types characters one by one at the caret, as the user would, letting the
// field filter after each key.
void Type(TEditRealState& field, const std::string& keys) {
    for (char k : keys) {
        std::string text = field.Text();
        const int caret = field.Caret();
        text.insert(text.begin() + caret, k);
        field.KeyUp(TValueKey::Other, text, caret + 1);
    }
}

TEST(ValueText, TypingThenAccepting) {
    TEditRealState field;
    field.Format.Units = "ohm";
    field.MaxValue = 1e6;
    field.ShowText("");

    Type(field, "4k7");
    EXPECT_EQ(field.Text(), "4 k[ohm]");
    EXPECT_TRUE(field.Underlined());
    EXPECT_FALSE(field.Yellow());
    TValueResponse r = field.KeyUp(TValueKey::Enter, field.Text(), field.Caret());
    ASSERT_EQ(r.Events.size(), 2u);
    EXPECT_EQ(r.Events[0], (TValueEvent{TValueEventKind::ValChange, 4000}));
    EXPECT_EQ(r.Events[1].Kind, TValueEventKind::DblClick);
    EXPECT_EQ(field.RealValue(), 4000);
    EXPECT_EQ(field.Text(), "4 k[ohm]");
    EXPECT_FALSE(field.Underlined());

    // Out of range: yellow while typing, refused on acceptance, old value back.
    field.ShowText("");
    Type(field, "2M");
    EXPECT_TRUE(field.Yellow());
    r = field.DblClick(field.Text(), field.Caret());
    ASSERT_EQ(r.Events.size(), 2u);
    EXPECT_EQ(r.Events[0], (TValueEvent{TValueEventKind::ValErr, 4000, veAboveMax}));
    EXPECT_EQ(field.Text(), "4 k[ohm]");
    EXPECT_FALSE(field.Yellow());

    // Escape discards the typing.
    Type(field, "9");
    EXPECT_TRUE(field.Underlined());
    r = field.KeyUp(TValueKey::Escape, field.Text(), field.Caret());
    EXPECT_TRUE(r.Events.empty());
    EXPECT_EQ(field.Text(), "4 k[ohm]");

    // Up and Down accept the text as it stands; a lone prefix letter is 1 of it.
    r = field.KeyUp(TValueKey::Up, "k", 1);
    EXPECT_EQ(r.Events, std::vector<TValueEvent>{(TValueEvent{TValueEventKind::ValChange, 1000})});

    // Pasting filters and accepts.
    r = field.Paste("12e3", 4);
    EXPECT_EQ(r.Events, std::vector<TValueEvent>{(TValueEvent{TValueEventKind::ValChange, 123})});

    // Leaving the field commits what was typed, and only that: after Enter,
    // or with the field untouched, leaving raises nothing.
    struct LeaveCase {
        const char* typed;  // nullptr: nothing typed since the last print
        bool enterFirst;
        std::vector<TValueEventKind> events;
    };
    const LeaveCase leaves[] = {
        {nullptr, false, {}},
        {"47", true, {}},
        {"47", false, {TValueEventKind::ValChange, TValueEventKind::DblClick}},
        {"2M", false, {TValueEventKind::ValErr, TValueEventKind::DblClick}},
    };
    for (const LeaveCase& c : leaves) {
        TEditRealState f;
        f.Format.Units = "ohm";
        f.MaxValue = 1e6;
        if (c.typed) {
            f.ShowText("");
            Type(f, c.typed);
        }
        if (c.enterFirst) f.KeyUp(TValueKey::Enter, f.Text(), f.Caret());
        std::vector<TValueEventKind> kinds;
        for (const TValueEvent& e : f.Leave(f.Text(), f.Caret()).Events) kinds.push_back(e.Kind);
        EXPECT_EQ(kinds, c.events) << (c.typed ? c.typed : "-") << " " << c.enterFirst;
    }

    // While the field is being freed, committing does nothing.
    field.IsFreeing = true;
    EXPECT_TRUE(field.DblClick("5", 1).Events.empty());
    EXPECT_EQ(field.RealValue(), 123);
}

}  // namespace
