#include <QtTest>

#include "../EditorFixture.h"

using namespace pelmo;
using namespace pelmo::guitest;

class TestGroups : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { f.Start(); }

    void init() {
        f.w.Editor().Menus().MenuChooser = nullptr;
        f.w.Editor().CancelToIdle();
        ClearElements(f.w.Session().Design());
        SetSourcePosition(f.w.Session().Design(), f.w.Session().Design().Source, {118, 64});
    }

    void boxAroundOneResistorPicksItUp() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        QStringList offered;
        f.w.Editor().Menus().MenuChooser = Choose("Move Group", &offered);
        f.Drag({15, 7}, {26, 13});
        QCOMPARE(offered, (QStringList{"Move Group", "Copy+Paste Group", "Delete Group", "cancel"}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Moving);
        QCOMPARE(f.w.Editor().CurrentElement(), (TElementRef{TElementKind::Resistor, 0}));
        f.MoveTo({40, 40});
        f.ClickAt({40, 40});
        QCOMPARE(d.Parts[0]->Position, (TPoint{40, 40}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
    }

    void boxAroundNothingOrOneGroundOffersNothing() {
        TDesign& d = f.w.Session().Design();
        AddGround(d, {60, 60});
        QStringList offered;
        f.w.Editor().Menus().MenuChooser = Choose("cancel", &offered);
        f.Drag({55, 55}, {65, 66});
        QVERIFY(offered.isEmpty());
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QVERIFY(!d.Grounds[0]->Selected);
        // A release where the box started leaves the box open until the next release.
        f.MoveTo({10, 10});
        f.Press(f.Px({10, 10}));
        f.Release(f.Px({10, 10}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::BoxDrag);
        f.Move(f.Px({12, 10}));
        f.Release(f.Px({12, 10}));  // no height: nothing
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
    }

    void groupMoveCarriesEverythingInTheBox() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        AddWire(d, {23, 10}, {30, 10});
        AddGround(d, {30, 10});
        AddPart(d, TPartType::Capacitor, {60, 10}, true);  // outside
        f.w.Editor().Menus().MenuChooser = Choose("Move Group");
        f.Drag({15, 5}, {35, 14});
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::GroupMove);
        const int solves = f.w.Session().SolveCount();
        f.MoveTo({40, 20});
        f.MoveTo({45, 25});  // anchor (35,14): displacement (10, 11)
        f.Press(f.Px({45, 25}));
        f.Release(f.Px({45, 25}));
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(d.Parts[0]->Position, (TPoint{30, 21}));
        QCOMPARE(d.Wires[0]->End1, (TPoint{33, 21}));
        QCOMPARE(d.Grounds[0]->Position, (TPoint{40, 21}));
        QCOMPARE(d.Parts[1]->Position, (TPoint{60, 10}));
        QVERIFY(!d.Parts[0]->Selected);
        QCOMPARE(f.w.Session().SolveCount(), solves + 1);
    }

    void escapeLeavesTheGroupWhereItWas() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {20, 10}, true);
        AddPart(d, TPartType::Resistor, {20, 20}, true);
        f.w.Editor().Menus().MenuChooser = Choose("Move Group");
        f.Drag({15, 5}, {26, 24});
        f.MoveTo({40, 40});
        f.Press(f.Px({40, 40}), Qt::RightButton);  // ignored while moving a group
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::GroupMove);
        f.Key(Qt::Key_Escape);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QCOMPARE(d.Parts[0]->Position, (TPoint{20, 10}));
        QVERIFY(!d.Parts[0]->Selected);
    }

    void pastedGroupsFollowTheExistingDesignators() {
        TDesign& d = f.w.Session().Design();
        for (int i = 0; i < 4; ++i) AddPart(d, TPartType::Resistor, {20 + 10 * i, 10}, true);
        for (int round = 0; round < 2; ++round) {
            f.w.Editor().Menus().MenuChooser = Choose("Copy+Paste Group");
            f.Drag({15, 5}, {35, 14});  // R1 and R2
            QCOMPARE(f.w.Editor().EditMode(), TEditMode::GroupPaste);
            f.w.Editor().Menus().MenuChooser = nullptr;
            const TPoint to{35, 30 + 10 * round};
            f.MoveTo(to);
            f.Key(Qt::Key_Return);
            QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        }
        QStringList names;
        for (const auto& p : d.Parts) names << QString::fromStdString(PartDesignator(*p));
        QCOMPARE(names, (QStringList{"R1", "R2", "R3", "R4", "R5", "R6", "R7", "R8"}));
        QCOMPARE(d.Parts[4]->Position, (TPoint{20, 26}));  // anchor (35,14) to (35,30)
        QCOMPARE(d.Parts[7]->Position, (TPoint{30, 36}));
        QVERIFY(f.w.Editor().Groups().CopyBuffer().Parts.empty());
    }

    void copyPasteOfOnePartTurnsWithR() {
        TDesign& d = f.w.Session().Design();
        TPart& c = AddPart(d, TPartType::Capacitor, {20, 10}, true);
        c.Value = 4.7e-7;
        f.MoveTo({20, 10});
        f.Key(Qt::Key_C);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::GroupPaste);
        f.MoveTo({40, 30});
        f.Key(Qt::Key_R);
        f.ClickAt({40, 30});
        QCOMPARE(d.Parts.size(), std::size_t(2));
        QCOMPARE(d.Parts[1]->Position, (TPoint{40, 30}));
        QVERIFY(!d.Parts[1]->IsHorizontal);
        QCOMPARE(d.Parts[1]->Terminal1, (TPoint{40, 27}));
        QCOMPARE(d.Parts[1]->Value, 4.7e-7);
        QCOMPARE(PartDesignator(*d.Parts[1]), std::string("C2"));

        // A ground copies nothing and no paste starts.
        AddGround(d, {60, 60});
        f.w.Editor().Menus().MenuChooser = Choose("cancel");
        f.MoveTo({60, 62});
        f.Key(Qt::Key_C);
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
    }

    void deleteGroupKeepsTheSource() {
        TDesign& d = f.w.Session().Design();
        AddPart(d, TPartType::Resistor, {130, 60}, true);
        AddWire(d, {121, 62}, {127, 62});
        AddDriver(d, {140, 64});
        f.w.Editor().Menus().MenuChooser = Choose("Delete Group");
        f.Drag({100, 50}, {150, 80});
        QCOMPARE(f.w.Editor().EditMode(), TEditMode::Idle);
        QVERIFY(d.Parts.empty() && d.Wires.empty() && d.Drivers.empty());
        QVERIFY(d.Source.Placed);
        QVERIFY(!d.Source.Selected);
    }

private:
    EditorFixture f;
};

QTEST_MAIN(TestGroups)
#include "tst_groups.moc"
