#include <gtest/gtest.h>

#include "TestSupport.h"
#include "document/Session.h"
#include "editor/SheetEdit.h"

using namespace pelmo;

namespace {

// The source at its start-up place, R1 in series to a driver whose return
// is wired back to the source, drawn as the editor draws it (so that it
// survives a trip through the design file).
void DriverBehindResistor(TDesign& d) {
    const TPoint t1 = d.Source.Terminal1, t2 = d.Source.Terminal2;
    SetGroundPosition(d, AppendGround(d), t2);
    AddWire(d, t1, {t1.X + 9, t1.Y});
    TPart& r = AddPart(d, TPartType::Resistor, {t1.X + 12, t1.Y}, true);
    r.Value = 6;
    TDriver& drv = AddDriver(d, {r.Terminal2.X + 1, r.Terminal2.Y + 1});
    AddWire(d, drv.Terminal2, {drv.Terminal2.X, t2.Y});
    AddWire(d, {drv.Terminal2.X, t2.Y}, t2);
}

}  // namespace

TEST(Session, SolveRunsItsHooksInOrderAndReportsFailures) {
    test::RecordingMessageSink sink;
    TSession s(sink);
    DriverBehindResistor(s.Design());
    TGraphRecord spl(TGraphKind::SPL);
    spl.AutoSystemCurve = false;
    s.Graphs().Add(&spl);
    std::vector<std::string> order;
    s.BeforeSolve = [&] {
        order.push_back("before");
        // The windows prepare their curve lists here; the solve that follows fills them.
        if (spl.Curves.empty()) AddCurve(spl, s.Design(), "System", true);
    };
    s.Solved = [&](bool ok) { order.push_back(ok ? "solved" : "failed"); };

    EXPECT_TRUE(s.Solve());
    EXPECT_EQ(order, (std::vector<std::string>{"before", "solved"}));
    EXPECT_EQ(spl.Curves.at(0).MagSeries.Count(), 500u);
    EXPECT_EQ(s.SolveCount(), 1);

    // A block expression that cannot be evaluated: its text is shown, Solved still runs.
    TCircuitBlock& block = AppendBlock(s.Design());
    TPart& r = *s.Design().Parts[0];
    r.Subckt = 0;
    r.Equation1 = "2*(";
    block.Parts.push_back(&r);
    order.clear();
    EXPECT_FALSE(s.Solve());
    EXPECT_EQ(order, (std::vector<std::string>{"before", "failed"}));
    ASSERT_EQ(sink.Messages.size(), 1u);
    // Tuning on past the same error shows its message once, not per solve;
    // once a solve goes through, a new failure is shown again.
    EXPECT_FALSE(s.Solve());
    EXPECT_EQ(sink.Messages.size(), 1u);
    r.Equation1 = "4.7";
    EXPECT_TRUE(s.Solve());
    r.Equation1 = "2*(";
    EXPECT_FALSE(s.Solve());
    EXPECT_EQ(sink.Messages.size(), 2u);

    // Nothing at all in block design mode.
    s.Design().BlockDesignMode = true;
    order.clear();
    EXPECT_FALSE(s.Solve());
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(s.SolveCount(), 5);
}

TEST(Session, MessagesFollowTheCurrentSink) {
    test::RecordingMessageSink first, second;
    TSession s(first);
    s.Messages().ShowMessage("a");
    s.SetMessageSink(&second);
    s.Messages().ShowMessage("b");
    s.SetMessageSink(nullptr);
    s.Messages().ShowMessage("c");
    EXPECT_EQ(first.Messages, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(second.Messages, (std::vector<std::string>{"b"}));
}

TEST(Session, RemovedElementsTakeTheirCurvesAndUndoBringsThemBack) {
    test::TempFolder work;
    SilentMessageSink quiet;
    TSession s(quiet, work.Path());
    DriverBehindResistor(s.Design());
    TGraphRecord v(TGraphKind::Voltage);
    s.Graphs().Add(&v);
    for (const char* name : {"R1", "S1"}) AddCurve(v, s.Design(), name, false);
    s.ResetHistory();

    TDeleteHooks hooks;
    hooks.PartRemoving = [&](const TPart& p) { s.ElementRemoving(PartDesignator(p), false); };
    ASSERT_TRUE(DeleteElement(s.Design(), {TElementKind::Resistor, 0}, hooks));
    s.CommitEdit();
    ASSERT_EQ(v.Curves.size(), 1u);
    EXPECT_EQ(v.Curves[0].Name, "S1");

    ASSERT_TRUE(s.Undo());
    ASSERT_EQ(v.Curves.size(), 2u);
    EXPECT_EQ(v.Curves[0].Name, "R1");
    EXPECT_EQ(v.Curves[0].Element, 0);
    EXPECT_TRUE(s.Solve());
    EXPECT_EQ(v.Curves[0].MagSeries.Count(), 500u);
}
