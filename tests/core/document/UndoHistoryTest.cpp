#include <gtest/gtest.h>

#include "GeometryPrint.h"
#include "TestSupport.h"
#include "document/UndoHistory.h"
#include "driverdata/DriverLoad.h"
#include "editor/GroupEdit.h"
#include "files/DesignFile.h"
#include "graphs/GraphRecord.h"

using namespace pelmo;

namespace {

std::vector<std::string> Lines(TDesign& d) {
    std::vector<std::string> lines;
    SilentMessageSink quiet;
    EXPECT_TRUE(BuildDesignLines(d, lines, quiet));
    return lines;
}

TEST(UndoHistory, EachEditKindGoesBackAndForthExactly) {
    test::TempFolder work;
    TDesign d;
    d.FileName = "/somewhere/TwoWay.bkt";
    TUndoHistory h;
    h.SetWorkFolder(work.Path());
    h.Reset(d);
    EXPECT_FALSE(h.CanUndo());

    std::vector<std::vector<std::string>> states{Lines(d)};
    auto edit = [&](const std::function<void()>& change) {
        change();
        h.Commit(d);
        states.push_back(Lines(d));
    };
    edit([&] { AddPart(d, TPartType::Resistor, {20, 10}, true); });
    edit([&] { AddPart(d, TPartType::Capacitor, {40, 10}, true).Value = 4.7e-7; });
    edit([&] { AddWire(d, {23, 10}, {37, 10}); });
    edit([&] { RotatePart(d, *d.Parts[0]); });
    edit([&] { SetPartState(d, 1, TPartState::Open); });
    edit([&] { ToggleInvert(d, {TElementKind::Source, 0}); });
    edit([&] {
        TDriver& drv = AddDriver(d, {60, 30});
        test::RecordingMessageSink m;
        drv.Acoustic.FRDFile = test::DataFile("real/jcandy_speakertools/sample.frd");
        drv.ZMAFile = test::DataFile("real/jcandy_speakertools/sample.zma");
        ASSERT_TRUE(LoadDriverResponse(d, drv, drv.Acoustic.FRDFile, m));
        ASSERT_TRUE(LoadDriverImpedance(d, drv, drv.ZMAFile, m));
    });
    edit([&] { ToggleMute(d, {TElementKind::Driver, 0}); });
    edit([&] {
        SelectInBox(d, {0, 0, 50, 20});
        CommitGroupMove(d, {5, 5});
    });
    edit([&] { DeleteElement(d, {TElementKind::Wire, 0}); });
    EXPECT_EQ(h.UndoDepth(), states.size() - 1);

    const double firstResponse = d.Drivers[0]->Acoustic.Response.Re[100];
    for (std::size_t k = states.size() - 1; k > 0; --k) {
        ASSERT_TRUE(h.Undo(d)) << k;
        EXPECT_EQ(Lines(d), states[k - 1]) << "undo to state " << k - 1;
        EXPECT_EQ(d.FileName, "/somewhere/TwoWay.bkt");
        EXPECT_TRUE(d.Modified);
    }
    EXPECT_FALSE(h.Undo(d));
    for (std::size_t k = 1; k < states.size(); ++k) {
        ASSERT_TRUE(h.Redo(d));
        EXPECT_EQ(Lines(d), states[k]) << "redo to state " << k;
    }
    EXPECT_FALSE(h.Redo(d));
    ASSERT_EQ(d.Drivers.size(), 1u);
    EXPECT_DOUBLE_EQ(d.Drivers[0]->Acoustic.Response.Re[100], firstResponse)
        << "measurements come back with the driver";
    EXPECT_TRUE(d.Drivers[0]->Muted);
}

TEST(UndoHistory, ANewEditForgetsRedoAndNoChangeMakesNoStep) {
    test::TempFolder work;
    TDesign d;
    TUndoHistory h;
    h.SetWorkFolder(work.Path());
    h.Reset(d);
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    h.Commit(d);
    h.Commit(d);
    EXPECT_EQ(h.UndoDepth(), 1u) << "a commit without a change adds no step";

    ASSERT_TRUE(h.Undo(d));
    EXPECT_TRUE(d.Parts.empty());
    EXPECT_TRUE(h.CanRedo());
    AddGround(d, {5, 5});
    h.Commit(d);
    EXPECT_FALSE(h.CanRedo());
    ASSERT_TRUE(h.Undo(d));
    EXPECT_TRUE(d.Grounds.empty());
    EXPECT_TRUE(d.Parts.empty());
}

TEST(UndoHistory, KeepsAtMostItsLimit) {
    test::TempFolder work;
    TDesign d;
    TUndoHistory h;
    h.SetWorkFolder(work.Path());
    h.Reset(d);
    for (std::size_t i = 0; i < TUndoHistory::MaxSteps + 5; ++i) {
        AddGround(d, {static_cast<int>(i % 200) + 2, static_cast<int>(i / 200) * 5 + 2});
        h.Commit(d);
    }
    EXPECT_EQ(h.UndoDepth(), TUndoHistory::MaxSteps);
}

}  // namespace

namespace {

TEST(UndoHistory, CurvesFollowTheirElementsThroughUndoAndRedo) {
    test::TempFolder work;
    TDesign d;
    AddPart(d, TPartType::Resistor, {20, 10}, true);
    AddPart(d, TPartType::Capacitor, {40, 10}, true);
    AddDriver(d, {60, 30});
    TGraphRecord voltage(TGraphKind::Voltage), spl(TGraphKind::SPL);
    TGraphList graphs;
    graphs.Add(&voltage);
    graphs.Add(&spl);
    for (const char* name : {"System", "C1", "R1"}) AddCurve(voltage, d, name, false);
    for (const char* name : {"System", "S1"}) AddCurve(spl, d, name, false);
    ASSERT_EQ(voltage.Curves[2].Element, 0);

    TUndoHistory h;
    h.SetWorkFolder(work.Path());
    h.SetGraphs(&graphs);
    h.Reset(d);
    auto names = [](const TGraphRecord& g) {
        std::vector<std::string> out;
        for (const auto& c : g.Curves) out.push_back(c.Name);
        return out;
    };
    // The delete hooks: note, then remove.
    TDeleteHooks hooks;
    hooks.PartRemoving = [&](const TPart& p) {
        h.NoteCurvesOf(PartDesignator(p), false);
        RemoveCurvesOf(graphs, PartDesignator(p), false);
    };
    hooks.DriverRemoving = [&](const TDriver& drv) {
        h.NoteCurvesOf(DriverDesignator(drv), true);
        RemoveCurvesOf(graphs, DriverDesignator(drv), true);
    };
    d.Parts[0]->Selected = d.Parts[1]->Selected = d.Drivers[0]->Selected = true;
    DeleteGroup(d, hooks);
    h.Commit(d);
    EXPECT_EQ(names(voltage), (std::vector<std::string>{"System"}));
    EXPECT_EQ(names(spl), (std::vector<std::string>{"System"}));

    ASSERT_TRUE(h.Undo(d));
    EXPECT_EQ(names(voltage), (std::vector<std::string>{"System", "C1", "R1"}));
    EXPECT_EQ(names(spl), (std::vector<std::string>{"System", "S1"}));
    ASSERT_EQ(d.Parts.size(), 2u);
    EXPECT_EQ(voltage.Curves[1].Element, 1) << "tied to the capacitor read back";
    EXPECT_EQ(voltage.Curves[2].Element, 0);
    EXPECT_EQ(spl.Curves[1].Element, 0);

    ASSERT_TRUE(h.Redo(d));
    EXPECT_EQ(names(voltage), (std::vector<std::string>{"System"}));
    EXPECT_EQ(names(spl), (std::vector<std::string>{"System"}));

    ASSERT_TRUE(h.Undo(d));
    EXPECT_EQ(names(voltage), (std::vector<std::string>{"System", "C1", "R1"}));
    // An edit that keeps the elements still replaces them: the curves follow.
    RotatePart(d, *d.Parts[0]);
    h.Commit(d);
    ASSERT_TRUE(h.Undo(d));
    EXPECT_EQ(voltage.Curves[2].Element, 0);
    EXPECT_EQ(spl.Curves[1].Element, 0);
}

}  // namespace
