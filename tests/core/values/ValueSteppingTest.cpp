#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "values/ValueStepping.h"

using namespace pelmo;

namespace {

std::vector<TValueEvent> Changes(std::initializer_list<double> values) {
    std::vector<TValueEvent> events;
    for (double v : values) events.push_back({TValueEventKind::ValChange, v});
    return events;
}

TEST(ValueStepping, Decompositions) {
    struct Case {
        double X;
        int Digit125, DigitHigh, Exp10;
    };
    const Case cases[] = {
        {4.7, 5, 5, 0},     {1.49, 1, 1, 0},       {1.5, 2, 2, 0},    {3.49, 2, 3, 0},   {8.5, 5, 9, 0},
        {2.5, 2, 3, 0},     {1000, 1, 1, 3},       {0.047, 5, 5, -2}, {-250, -2, -3, 2}, {9.9999999999999, 1, 1, 1},
        {1e-21, 1, 1, -20}, {-1e-21, -1, -1, -20},
    };
    for (const auto& c : cases) {
        const TDecomposition a = Decompose125(c.X), b = DecomposeDigit(c.X);
        EXPECT_EQ(a.Digit, c.Digit125) << c.X;
        EXPECT_EQ(b.Digit, c.DigitHigh) << c.X;
        EXPECT_EQ(a.Exp10, c.Exp10) << c.X;
        EXPECT_EQ(b.Exp10, c.Exp10) << c.X;
    }
}

// One step from a fresh control (no step remembered).
TEST(ValueStepping, SingleSteps) {
    struct Case {
        TValueStepMode Mode;
        double From;
        bool Up;
        double Expected;
        std::function<void(TEditRealSpinState&)> Setup;
    };
    auto minMag = [](double m) { return [m](TEditRealSpinState& s) { s.MinMag = m; }; };
    auto intOnly = [](TEditRealSpinState& s) { s.SetIntOnly(true); };
    const Case cases[] = {
        {sm125, 4.7, true, 10, nullptr},
        {sm125, 4.7, false, 2, nullptr},
        {sm125, 1, false, 0.5, nullptr},
        {sm125, -1, false, -2, nullptr},
        {sm125, -1, true, -0.5, nullptr},
        {sm125, 470, true, 1000, nullptr},
        {sm125, 0.047, true, 0.1, nullptr},
        {sm125, 0.0047, false, 0.002, nullptr},
        {sm125, 0, true, 1e-12, nullptr},
        {sm125, 0, true, 10, minMag(10)},
        {sm125, 0, false, -10, minMag(10)},
        {sm125, 3, false, 0, minMag(5)},  // would end within one step base of zero
        {sm125, -3, true, 0, minMag(5)},
        {sm12345, 1, false, 0.9, nullptr},
        {sm12345, 9, true, 10, nullptr},
        {sm12345, 0.9, false, 0.8, nullptr},
        {sm12345, 2, true, 3, nullptr},
        {sm12345, -3, true, -2, nullptr},
        {sm12345, -1, true, -0.9, nullptr},
        {sm12345, -1, false, -2, nullptr},
        {smLog, 1, true, 1.0594630943593, nullptr},
        {smLog, 1, false, 1 / 1.0594630943593, nullptr},
        {smLog, -1, true, -1 / 1.0594630943593, nullptr},
        {smLog, 0, true, 1e-12, nullptr},
        {smLog, 1.05e-12, false, 0, nullptr},
        {smLog, -1.05e-12, true, 0, nullptr},
        {smReal, 1, true, 1.5, nullptr},
        {smReal, -0.3, true, 0, nullptr},
        {smReal, 0, false, -0.5, nullptr},
        {smIntRound, 3.4, true, 4, nullptr},
        {smIntRound, 12, false, 7, [](TEditRealSpinState& s) { s.CardInc = 5; }},
        {smIntRound, 7, false, 0, [](TEditRealSpinState& s) { s.CardInc = 5; }},  // within a step of zero
        {smFine, 2, true, 2, nullptr},                                            // no handler: the value stays
        // Whole numbers only: the pattern modes step through whole numbers.
        {sm125, 0, true, 1, intOnly},
        {sm12345, 1, false, 0, intOnly},
        {sm125, 2, false, 1, intOnly},
        {smIntRound, 0, false, -3,
         [](TEditRealSpinState& s) {
             s.SetIntOnly(true);
             s.CardInc = 3;
         }},
        {smLog, 4, true, 5, intOnly},  // works as smIntRound
    };
    for (const auto& c : cases) {
        TEditRealSpinState s;
        s.Field.MinValue = -100;
        s.Field.MaxValue = 1e6;
        s.SetStepMode(c.Mode);
        if (c.Setup) c.Setup(s);
        s.SetRealValue(c.From);
        const TValueResponse r = s.Step(c.Up);
        EXPECT_DOUBLE_EQ(s.RealValue(), c.Expected) << int(c.Mode) << " from " << c.From << (c.Up ? " up" : " down");
        EXPECT_EQ(r.Events, Changes({s.RealValue()})) << int(c.Mode) << " from " << c.From;
        EXPECT_TRUE(r.FocusArrows);
    }
}

TEST(ValueStepping, AStepAgainstTheLastOneReturnsExactly) {
    TEditRealSpinState s;
    s.Field.MaxValue = 1000;
    s.SetStepMode(sm125);
    s.SetRealValue(4.7);
    std::vector<double> seen;
    for (bool up : {false, true, true, false, false}) {
        s.Step(up);
        seen.push_back(s.RealValue());
    }
    EXPECT_EQ(seen, (std::vector<double>{2, 4.7, 10, 4.7, 2}));

    // Writing the value forgets the direction.
    s.SetRealValue(4.7);
    s.Step(true);
    s.SetRealValue(5);
    s.Step(false);
    EXPECT_EQ(s.RealValue(), 2);
}

TEST(ValueStepping, LimitsRefuseStepsAndClampStoredValues) {
    TEditRealSpinState s;
    s.SetIntOnly(true);
    s.Field.MinValue = 1;
    s.Field.MaxValue = 50;
    s.SetRealValue(50);
    TValueResponse r = s.Step(true);
    EXPECT_EQ(s.RealValue(), 50);
    EXPECT_TRUE(r.Events.empty());

    // Limits lowered below the stored value: a refused step still clamps it.
    s.Field.MaxValue = 40;
    r = s.Step(true);
    EXPECT_EQ(r.Events, Changes({40}));

    // Limits in the wrong order are swapped.
    s.Field.MinValue = 45;
    s.Field.MaxValue = 2;
    s.SetRealValue(10);
    r = s.Step(true);
    EXPECT_EQ(s.Field.MinValue, 2);
    EXPECT_EQ(s.Field.MaxValue, 45);
    EXPECT_EQ(r.Events, Changes({11}));
}

TEST(ValueStepping, FineModeHandsStepsToTheOwner) {
    TEditRealSpinState s;
    s.ShowDotSpin = true;
    s.SetStepMode(smFine);
    s.SetRealValue(2);
    const TValueResponse r = s.Step(false, true);
    EXPECT_EQ(r.Events, std::vector<TValueEvent>{{TValueEventKind::DotSpinDn}});
    EXPECT_EQ(s.RealValue(), 2);
    EXPECT_EQ(s.LastDir(), 0);
}

TEST(ValueStepping, StepModeAndIntOnlyInteract) {
    TEditRealSpinState s;
    s.SetIntOnly(true);
    s.SetStepMode(smLog);
    EXPECT_FALSE(s.IntOnly());
    s.SetStepMode(smReal);
    s.SetIntOnly(true);
    EXPECT_EQ(s.StepMode(), smIntRound);
    s.SetStepMode(sm125);
    s.SetIntOnly(true);
    EXPECT_EQ(s.StepMode(), sm125);
}

TEST(ValueStepping, StepMenu) {
    TEditRealSpinState s;
    auto captions = [&] {
        std::vector<std::string> c;
        for (const auto& item : s.StepMenu()) c.push_back(item.Caption + (item.Checked ? " *" : ""));
        return c;
    };
    EXPECT_EQ(captions(), (std::vector<std::string>{"&Integer round [+,-]: 1 *", "1-2-5 &Pattern", "highdigit[+,-]",
                                                    "&Float [+,-]: 0.50000", " f&Loat [*,/]: 1.05946", "-",
                                                    "To Lowest value", "To Highest value", "-", "cancel"}));
    s.ShowDotSpin = true;
    s.SetStepMode(smFine);
    EXPECT_EQ(captions()[5], "fine resolution *");
    s.SetStepMode(sm125);
    s.SetIntOnly(true);
    EXPECT_EQ(captions(), (std::vector<std::string>{"&Integer round [+,-]: 1", "1-2-5 &Pattern *", "highdigit[+,-]",
                                                    "-", "To Lowest value", "To Highest value", "-", "cancel"}));

    // Plain choices raise OnStepChange; the integer step does not.
    EXPECT_EQ(s.ChooseStep(TStepMenuAction::HighDigit).Events, std::vector<TValueEvent>{{TValueEventKind::StepChange}});
    const TStepDialogRequest req = s.StepDialogFor(TStepMenuAction::IntegerRound);
    EXPECT_TRUE(req.IntOnly);
    EXPECT_EQ(req.MaxValue, 100000);
    EXPECT_TRUE(s.FinishStepDialog(TStepMenuAction::IntegerRound, true, 3.6).Events.empty());
    EXPECT_EQ(s.CardInc, 4);
    EXPECT_EQ(s.StepMode(), smIntRound);

    s.SetIntOnly(false);
    EXPECT_EQ(s.StepDialogFor(TStepMenuAction::FloatMultiply).UpperLabel, std::string(StepDialogMultiplyLabel));
    EXPECT_EQ(s.FinishStepDialog(TStepMenuAction::FloatIncrement, false, 9).Events,
              std::vector<TValueEvent>{{TValueEventKind::StepChange}});
    EXPECT_EQ(s.RealInc, 0.5);
    EXPECT_EQ(s.StepMode(), smIntRound);
    s.FinishStepDialog(TStepMenuAction::FloatMultiply, true, 2);
    EXPECT_EQ(s.RealMult, 2);
    EXPECT_EQ(s.StepMode(), smLog);
}

TEST(ValueStepping, ToLowestAndHighestHoldAgainstTheFirstStepBack) {
    TEditRealSpinState s;
    s.SetStepMode(sm125);
    s.Field.MinValue = 0.1;
    s.Field.MaxValue = 200;
    s.SetRealValue(4.7);
    EXPECT_EQ(s.ChooseStep(TStepMenuAction::ToLowest).Events, Changes({0.1}));
    s.Step(true);
    EXPECT_EQ(s.RealValue(), 0.1);
    s.Step(true);
    EXPECT_EQ(s.RealValue(), 0.2);

    s.ChooseStep(TStepMenuAction::ToHighest);
    s.Step(false);
    EXPECT_EQ(s.RealValue(), 200);
    s.Step(false);
    EXPECT_EQ(s.RealValue(), 100);
}

TEST(ValueStepping, KeyStepsLeaveTheFieldFiltering) {
    TEditRealSpinState s;
    s.Field.Format.Units = "Hz";
    s.Field.MaxValue = 1e5;
    s.SetStepMode(sm125);
    s.SetRealValue(470);
    const TValueResponse r = s.KeyUp(TValueKey::PageUp, s.Field.Text(), 0);
    EXPECT_EQ(r.Events, Changes({1000}));
    EXPECT_EQ(s.Field.Text(), "1 k[Hz]");
    EXPECT_TRUE(s.Field.Underlined());
    // Other keys go to the field.
    s.KeyUp(TValueKey::Other, "2k", 2);
    EXPECT_EQ(s.Field.Text(), "2 k[Hz]");
    EXPECT_EQ(s.RealValue(), 1000);
}

TEST(ValueStepping, StepDialogStaysOnScreen) {
    EXPECT_EQ(StepDialogPosition({100, 200}, 180, 120, 1920, 1080).X, 100);
    const TScreenPoint p = StepDialogPosition({1800, 1000}, 180, 120, 1920, 1080);
    EXPECT_EQ(p.X, 1615);
    EXPECT_EQ(p.Y, 877);
}

TEST(PartValueStepping, TolerancesStepThroughTheirSeries) {
    struct Case {
        TPartStepMode Mode;
        double From;
        bool Up;
        double Expected;
    };
    const Case cases[] = {
        {smmPC10, 1, true, 1.2},   {smmPC10, 1, false, 0.82},      {smmPC2, 1, true, 1.05},
        {smmPC2, 1, false, 0.953}, {smmPC5, 1, true, 1.1},         {smmPC20, 1, true, 1.5},
        {smmPC20, 1, false, 0.68}, {smmPC10, 8.2e-6, true, 10e-6}, {smmCatalog, 3.3, true, 3.3},
    };
    for (const auto& c : cases) {
        TPcsState p;
        p.StepMode = c.Mode;
        p.SetValue(c.From);
        const TValueResponse r = p.Step(c.Up);
        EXPECT_EQ(p.Value(), c.Expected) << int(c.Mode) << " from " << c.From;
        EXPECT_EQ(r.Events, Changes({c.Expected}));
    }

    TPcsState top;
    top.SetValue(1e9);
    EXPECT_TRUE(top.Step(true).Events.empty());
    EXPECT_EQ(top.Value(), 1e9);
}

TEST(PartValueStepping, ShortAndOpen) {
    TPcsState p;
    p.Field.Format.Units = "F";
    p.SetValue(4e-6);
    EXPECT_TRUE(p.ChooseTolerance(TToleranceAction::Open).Events.empty());
    EXPECT_TRUE(p.Open());
    EXPECT_EQ(p.Field.Text(), "*open*");
    TValueResponse r = p.Step(true);
    EXPECT_TRUE(r.ShowMenu);
    EXPECT_TRUE(r.Events.empty());
    r = p.KeyUp(TValueKey::Up, p.Field.Text(), 0);
    EXPECT_TRUE(r.ShowMenu);
    EXPECT_EQ(p.Field.Text(), "*open*");

    p.ChooseTolerance(TToleranceAction::Short);
    EXPECT_EQ(p.Field.Text(), "(short)");
    EXPECT_TRUE(p.Shorted());
    EXPECT_FALSE(p.Open());
    const auto menu = p.ToleranceMenu();
    ASSERT_EQ(menu.size(), 8u);
    EXPECT_TRUE(menu[4].Checked);
    EXPECT_EQ(menu[4].Caption, "short");

    r = p.ChooseTolerance(TToleranceAction::PC10);
    ASSERT_EQ(r.Events.size(), 2u);
    EXPECT_EQ(r.Events[0].Kind, TValueEventKind::StepChange);
    EXPECT_EQ(r.Events[1], (TValueEvent{TValueEventKind::ValChange, 3.9e-6}));
    EXPECT_FALSE(p.Shorted());
    EXPECT_EQ(p.Field.Text(), "3.9 uF");
}

}  // namespace
