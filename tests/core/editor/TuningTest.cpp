#include <gtest/gtest.h>

#include "TestSupport.h"
#include "editor/Tuning.h"
#include "model/Design.h"

using namespace pelmo;

namespace {

const TElementRef R1{TElementKind::Resistor, 0};
const TElementRef C1{TElementKind::Capacitor, 1};
const TElementRef S1{TElementKind::Driver, 0};

}  // namespace

TEST(Tuning, FocusTargets) {
    using C = TComponentControl;
    using F = TFocusTarget;
    const struct {
        TElementKind kind;
        TPartState state;
        bool bound;
        C lastUsed;
        F target;
    } cases[] = {
        {TElementKind::Capacitor, TPartState::Normal, false, C::Value, F::PartValue},
        {TElementKind::Resistor, TPartState::Normal, true, C::Value, F::PartBoundValue},
        {TElementKind::Inductor, TPartState::Shorted, false, C::Value, F::PartRefDes},
        {TElementKind::Inductor, TPartState::Open, true, C::RefDes, F::PartRefDes},
        {TElementKind::Resistor, TPartState::Normal, false, C::StatePanel, F::None},
        {TElementKind::Source, TPartState::Normal, false, C::StatePanel, F::SourceDelay},
        {TElementKind::Driver, TPartState::Normal, false, C::Value, F::DriverName},
        {TElementKind::Block, TPartState::Normal, false, C::Value, F::BlockVariable},
        {TElementKind::Text, TPartState::Normal, false, C::Value, F::None},
        {TElementKind::Wire, TPartState::Normal, false, C::Value, F::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FocusTargetFor(c.kind, c.state, c.bound, c.lastUsed), c.target) << c.kind << " " << c.state;
}

TEST(Tuning, RecheckingThePointerAfterAChange) {
    using A = TRecheckAction;
    const struct {
        const char* what;
        bool overDialog;
        std::optional<TElementRef> under;
        std::optional<TElementRef> tuned;
        A action;
        TElementRef current;
    } cases[] = {
        {"resting on the tuned part", false, C1, C1, A::Repaint, C1},
        {"on empty sheet", false, std::nullopt, C1, A::Repaint, C1},
        {"over the dialog, whatever lies beneath", true, R1, C1, A::Repaint, C1},
        {"on another element: it becomes current, tuning ends", false, R1, C1, A::EndTuning, R1},
        {"on a driver while a block is tuned", false, S1, std::nullopt, A::EndTuning, S1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TRecheck r = RecheckPointer(c.overDialog, c.under, C1, c.tuned);
        EXPECT_EQ(r.Action, c.action);
        EXPECT_EQ(r.NewCurrent, c.current);
    }
    // The element under the pointer is the part the dialog holds, although
    // something else had become current: tuning goes on with it.
    const TRecheck back = RecheckPointer(false, C1, S1, C1);
    EXPECT_EQ(back.Action, A::SwitchAndRepaint);
    EXPECT_EQ(back.NewCurrent, C1);
}

TEST(Tuning, ThePartAsTheComponentDialogShowsIt) {
    TDesign d;
    TPart& c = AddPart(d, TPartType::Capacitor, {20, 10}, true);
    c.Value = 4.7e-6;
    c.ESR = 0.05;
    TPartDisplay s = DisplayOfPart(c);
    EXPECT_EQ(s.Title, "C1");
    EXPECT_EQ(s.ValueUnit, "uF");
    EXPECT_DOUBLE_EQ(ShownPartValue(c), 4.7);
    EXPECT_EQ(s.EsrCaption, "ESR");
    EXPECT_FALSE(s.ShowStaticTexts);

    TPart& r = AddPart(d, TPartType::Resistor, {40, 10}, true);
    r.PartNumber = "WW-8R2";
    r.Vendor = "GENERIC";
    r.BoundValue = 8.2;
    r.BoundRating = 10;
    s = DisplayOfPart(r);
    EXPECT_EQ(s.ValueText, "8.2ohm");
    EXPECT_EQ(s.EsrText, "10W");
    EXPECT_EQ(s.PartNumberText, "GENERIC #WW-8R2");
    EXPECT_TRUE(s.ShowStaticTexts);
    EXPECT_TRUE(s.EsrIntOnly);

    r.State = TPartState::Open;
    EXPECT_EQ(DisplayOfPart(r).ValueText, "| open |");
    r.State = TPartState::Shorted;
    EXPECT_EQ(DisplayOfPart(r).EsrText, "--SHORTED--");
}

TEST(Tuning, WritingValuesFromTheDialog) {
    TDesign d;
    TPart& c = AddPart(d, TPartType::Capacitor, {20, 10}, true);
    c.Value = 1e-5;
    // Showing the value and writing it back leaves the stored value as it is.
    EXPECT_FALSE(ApplyPartValue(c, ShownPartValue(c)));
    EXPECT_EQ(c.Value, 1e-5);
    // A stepped value is stored as the double nearest to the decimal value.
    EXPECT_TRUE(ApplyPartValue(c, 5.6));
    EXPECT_EQ(c.Value, 5.6e-6);
    TPart& l = AddPart(d, TPartType::Inductor, {40, 10}, true);
    EXPECT_TRUE(ApplyPartValue(l, 1.8));
    EXPECT_EQ(l.Value, 1.8e-3);

    // A shorted or open part refuses every change.
    c.State = TPartState::Shorted;
    EXPECT_FALSE(ApplyPartValue(c, 8.2));
    EXPECT_FALSE(ApplyPartEsr(c, 0.5));
    EXPECT_EQ(c.Value, 5.6e-6);

    // A resistor's control holds its power rating, up to any size.
    TPart& r = AddPart(d, TPartType::Resistor, {60, 10}, true);
    EXPECT_TRUE(ApplyPartEsr(r, 100));
    EXPECT_EQ(r.Rating, 100);
    EXPECT_FALSE(ApplyPartEsr(r, 100));
}

TEST(Tuning, BlockExpressionsAreCheckedWhenTheyAreEntered) {
    TCircuitBlock b;
    b.VarName[2] = "F";
    b.VarValue[2] = 1000;
    b.VarName[0] = "w";
    b.VarValue[0] = 6283.2;
    EXPECT_FALSE(CheckMemberExpression(b, "1/(w*F)").has_value());
    EXPECT_FALSE(CheckMemberExpression(b, "  ").has_value());
    EXPECT_FALSE(CheckMemberExpression(b, "2*pi*F").has_value());
    const auto unknown = CheckMemberExpression(b, "Q*F");
    ASSERT_TRUE(unknown.has_value());
    EXPECT_NE(unknown->find("Q"), std::string::npos) << *unknown;
    EXPECT_TRUE(CheckMemberExpression(b, "2*(F").has_value());
    EXPECT_TRUE(CheckMemberExpression(b, "1/(F-1000)").has_value());  // division by zero at today's values
    // Intermediate variables count with the values their expressions give,
    // not the stale ones stored (nothing evaluates them in the designer).
    b.VarName[1] = "Rp";
    b.VarExpression[1] = "F/10";
    b.VarValue[1] = 0;
    EXPECT_FALSE(CheckMemberExpression(b, "1/Rp").has_value());
    b.VarExpression[1] = "Rp+1";  // names itself: never computed
    EXPECT_TRUE(CheckMemberExpression(b, "1/Rp").has_value());
}
