#include <gtest/gtest.h>

#include <set>

#include "CircuitBuilder.h"
#include "graphs/CurveSubject.h"
#include "graphs/GraphKinds.h"
#include "model/Design.h"

using namespace pelmo;
using pelmo::test::CircuitBuilder;

namespace {

TEST(CurveSubject, CaptionsReadBackToTheirSubject) {
    struct Case {
        TCurveSubject Subject;
        const char* Caption;
    };
    const Case cases[] = {
        {{}, "System"},
        {{TSubjectKind::Driver, TPartType::Resistor, 1}, "S1"},
        {{TSubjectKind::DriverOnly, TPartType::Resistor, 12}, "S12 (driver only)"},
        {{TSubjectKind::Lookback, TPartType::Resistor, 3}, "S3 (lookback)"},
        {{TSubjectKind::Part, TPartType::Capacitor, 1}, "C1"},
        {{TSubjectKind::Part, TPartType::Inductor, 20}, "L20"},
        {{TSubjectKind::Part, TPartType::Resistor, 7}, "R7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Caption);
        EXPECT_EQ(CurveCaption(c.Subject), c.Caption);
        const auto read = ParseCurveCaption(c.Caption);
        ASSERT_TRUE(read.has_value());
        EXPECT_TRUE(*read == c.Subject);
        EXPECT_EQ(read->Kind, c.Subject.Kind);
        EXPECT_EQ(read->RefDes, c.Subject.RefDes);
    }
}

TEST(CurveSubject, ReadingIgnoresLetterCaseOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"system", true},
        {"SYSTEM", true},
        {"s2 (Driver Only)", true},
        {"c4", true},
        {"", false},
        {"S", false},
        {"S01", false},
        {"S1 ", false},
        {" S1", false},
        {"S1 (driver)", false},
        {"X1", false},
        {"C1 (lookback)", false},
        {"S1.5", false},
        {"S1x", false},
        {"Systems", false},
        {"R99999999999999999", false},
        {"S1 (lookback)", true},
        {"L0", true},
    };
    for (const auto& [text, names] : cases) EXPECT_EQ(ParseCurveCaption(text).has_value(), names) << '"' << text << '"';
}

TEST(CurveSubject, SubjectsOfTheSameElementDifferByKind) {
    const TCurveSubject s1{TSubjectKind::Driver, TPartType::Resistor, 1};
    const TCurveSubject s1Only{TSubjectKind::DriverOnly, TPartType::Resistor, 1};
    const TCurveSubject c1{TSubjectKind::Part, TPartType::Capacitor, 1};
    const TCurveSubject l1{TSubjectKind::Part, TPartType::Inductor, 1};
    EXPECT_FALSE(s1 == s1Only);
    EXPECT_FALSE(c1 == l1);
    EXPECT_FALSE(s1 == TCurveSubject{});
    // The system is one subject whatever its other fields hold.
    EXPECT_TRUE((TCurveSubject{TSubjectKind::System, TPartType::Inductor, 9}) == TCurveSubject{});
    // A driver's subject ignores the part type it never uses.
    EXPECT_TRUE(s1 == (TCurveSubject{TSubjectKind::Driver, TPartType::Capacitor, 1}));
}

TEST(CurveSubject, FindsItsElementByDesignatorNotByIndex) {
    CircuitBuilder c;
    c.Ground();
    c.R(1, 2, 2);     // R1, part 0
    c.L(2, 3, 1e-3);  // L1, part 1
    c.C(1, 4, 1e-5);  // C1, part 2
    c.Driver(3, 0, 8);
    c.Driver(4, 0, 6);
    const TDesign& d = c.d;
    struct Case {
        const char* Caption;
        int Index;
    };
    const Case cases[] = {{"System", -1}, {"S1", 0}, {"S2 (lookback)", 1}, {"S3", -1}, {"R1", 0}, {"L1", 1},
                          {"C1", 2},      {"C2", -1}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Caption);
        const TCurveSubject s = *ParseCurveCaption(k.Caption);
        EXPECT_EQ(FindSubjectElement(d, s), k.Index);
        if (k.Index >= 0) {
            EXPECT_TRUE(SubjectElementAt(d, s, k.Index));
            EXPECT_EQ(SubjectDesignator(s), std::string(k.Caption).substr(0, 2));
        }
        EXPECT_FALSE(SubjectElementAt(d, s, -1));
        EXPECT_FALSE(SubjectElementAt(d, s, 99));
    }
    // The element at an index of the other list is not the subject's.
    EXPECT_FALSE(SubjectElementAt(d, *ParseCurveCaption("L1"), 0));
}

TEST(GraphKindDescriptors, OnePerKindAndEachComplete) {
    const auto& table = GraphKindDescriptors();
    ASSERT_EQ(table.size(), static_cast<std::size_t>(GraphKindCount));
    std::set<int> kinds, positions;
    std::set<std::string> names, items;
    for (const TGraphKindDescriptor& k : table) {
        SCOPED_TRACE(k.Name);
        EXPECT_EQ(&GraphKindDescriptor(k.Kind), &k);
        kinds.insert(ToInt(k.Kind));
        positions.insert(k.MenuPosition);
        names.insert(k.Name);
        items.insert(k.MenuItem);
        EXPECT_NE(k.Points, nullptr);
        EXPECT_NE(std::string(k.Title), "");
        EXPECT_NE(k.Left.Step, nullptr);
        EXPECT_NE(std::string(k.ReadoutUnit).empty(), k.Readout != TReadoutStyle::None);
        const TGraphKindName* byName = FindGraphKindName(k.Name);
        ASSERT_NE(byName, nullptr);
        EXPECT_EQ(byName->Kind, k.Kind);
        // Curves of kinds without a phase axis come without the settings
        // dialog (it would offer phase).
        EXPECT_EQ(k.PhaseLimit <= 0, k.QuietCurves);
        if (k.Transform) {
            EXPECT_TRUE(k.ThinLines);
        }
        // A per-driver second item is a driver's own data or its lookback.
        EXPECT_NE(k.Curves.SecondDriverItems, TSubjectKind::Part);
        EXPECT_TRUE(IsDriverSubject(k.Curves.DriverItems));
    }
    EXPECT_EQ(kinds.size(), table.size());
    EXPECT_EQ(names.size(), table.size());
    EXPECT_EQ(items.size(), table.size());
    // The menu positions are 0 .. count-1, each once.
    EXPECT_EQ(positions.size(), table.size());
    EXPECT_EQ(*positions.begin(), 0);
    EXPECT_EQ(*positions.rbegin(), GraphKindCount - 1);
    EXPECT_EQ(AddGraphMenuOrder().size(), table.size());
    EXPECT_EQ(FindGraphKindName("nonsense"), nullptr);
}

TEST(GraphKindDescriptors, CurveMenuSubjectsRoundTripTheirCaptions) {
    CircuitBuilder c;
    c.Ground();
    c.R(1, 2, 2);
    c.C(1, 3, 1e-5);
    c.Driver(2, 0, 8);
    c.Driver(3, 0, 6);
    for (const TGraphKindDescriptor& k : GraphKindDescriptors()) {
        SCOPED_TRACE(k.Name);
        const std::vector<TCurveSubject> subjects = CurveMenuSubjects(k.Kind, c.d);
        const std::vector<std::string> names = CurveMenuNames(k.Kind, c.d);
        ASSERT_EQ(subjects.size(), names.size());
        for (std::size_t i = 0; i < subjects.size(); ++i) {
            const auto read = ParseCurveCaption(names[i]);
            ASSERT_TRUE(read.has_value()) << names[i];
            EXPECT_TRUE(*read == subjects[i]) << names[i];
            // Every offered element is in the design.
            if (subjects[i].Kind != TSubjectKind::System) {
                EXPECT_GE(FindSubjectElement(c.d, subjects[i]), 0);
            }
            for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(subjects[i] == subjects[j]) << names[i];
        }
        EXPECT_EQ(!subjects.empty() && subjects[0].Kind == TSubjectKind::System, KindHasSystemCurve(k.Kind));
    }
}

}  // namespace
