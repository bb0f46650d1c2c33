#include <gtest/gtest.h>

#include "catalogue/CatalogueFields.h"

using namespace pelmo;

namespace {

std::vector<std::string> AllFields(const std::string& line, int reads) {
    TFieldReader r(line);
    std::vector<std::string> out;
    for (int i = 0; i < reads; ++i) out.push_back(r.Field());
    return out;
}

TEST(CatalogueFields, CutsLinesIntoFields) {
    using V = std::vector<std::string>;
    const struct {
        const char* line;
        int reads;
        V fields;
    } cases[] = {
        {"12^,5,x", 2, {"12,5", "x"}},           // an escaped comma belongs to the field
        {"ab^^ ,x", 2, {"ab", "x"}},             // "^" removed after trimming
        {"  a b \t, c ,", 3, {"a b", "c", ""}},  // trailing comma: one more empty field
        {"a,, b ", 3, {"a", "", " b "}},         // the last field is untrimmed
        {"x^y", 1, {"x^y"}},                     // ... and keeps its "^"
        {"a,b", 3, {"a", "b", "ERR"}},           // past the end
        {"a,", 4, {"a", "", "ERR", "ERR"}},      // and every read after it
        {"", 2, {"", "ERR"}},
    };
    for (const auto& c : cases) EXPECT_EQ(AllFields(c.line, c.reads), c.fields) << c.line;
}

TEST(CatalogueFields, TextsNumbersAndDates) {
    TFieldReader r("\"say \"\"hi\"\"\",$12.5,,abc,01/31/2024,2/30/2024,7");
    EXPECT_EQ(r.Text(), "say \"hi\"");
    EXPECT_EQ(r.Number(), 12.5);
    EXPECT_EQ(r.Number(), 0);  // empty is 0 and fine
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.Number(), 0);
    EXPECT_FALSE(r.Ok());  // "abc" is no number, and the failure sticks
    EXPECT_EQ(r.Date(), TodayCatalogueDate());

    TFieldReader d("01/31/2024,2/30/2024");
    EXPECT_EQ(d.Date(), CatalogueDateOf(2024, 1, 31));
    EXPECT_TRUE(d.Ok());
    EXPECT_EQ(d.Date(), TodayCatalogueDate());  // 30 February
    EXPECT_FALSE(d.Ok());
}

TEST(CatalogueFields, DatesCountDaysFromTheSettingsOrigin) {
    EXPECT_EQ(CatalogueDateOf(1899, 12, 30), 0);
    EXPECT_EQ(CatalogueDateOf(1970, 1, 1), 25569);
    EXPECT_EQ(FormatCatalogueDate(CatalogueDateOf(2024, 2, 29)), "02/29/2024");
    EXPECT_EQ(FormatCatalogueDate(0), "12/30/1899");
    for (const char* bad : {"13/01/2024", "1/1/24", "01-01-2024", "00/10/2024", "02/29/2023", "1/1/2024x", ""}) {
        TCatalogueDate d = 0;
        EXPECT_FALSE(ParseCatalogueDate(bad, d)) << bad;
    }
    TCatalogueDate d = 0;
    ASSERT_TRUE(ParseCatalogueDate(" 1/2/2025 ", d));
    EXPECT_EQ(FormatCatalogueDate(d), "01/02/2025");
}

TEST(CatalogueFields, NumbersAreFixedWithoutTrailingZeros) {
    EXPECT_EQ(FormatListNumber(12.5, 3), "12.5");
    EXPECT_EQ(FormatListNumber(3, 3), "3");
    EXPECT_EQ(FormatListNumber(0.0004, 3), "0");
    EXPECT_EQ(FormatListNumber(-0.0001, 3), "0");
    EXPECT_EQ(FormatListNumber(1234.5678, 2), "1234.57");
    EXPECT_EQ(FormatListNumber(16.4, 0), "16");
}

TEST(CatalogueFields, EncodedTextsReadBackUnchanged) {
    for (const std::string text : {"plain", "a,b,,c", "quote \" inside", "\"quoted\"", "\"", "ends with,", "x\"\"y"}) {
        TFieldReader r(EncodeTextField(text) + ",tail");
        EXPECT_EQ(r.Text(), text) << EncodeTextField(text);
        EXPECT_EQ(r.Text(), "tail");
    }
    // What a reader cannot keep is left out on writing.
    EXPECT_EQ(EncodeTextField("  a^b  "), "ab");
}

}  // namespace
