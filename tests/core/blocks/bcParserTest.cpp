#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "blocks/bcParser.h"

using pelmo::bcFloat;
using pelmo::EbcMathError;
using pelmo::EbcParserError;
using pelmo::TbcParser;

namespace {

#define EXPECT_THROW_MESSAGE(statement, message) \
    try {                                        \
        statement;                               \
        ADD_FAILURE() << "no exception";         \
    } catch (const std::exception& e) {          \
        EXPECT_STREQ(e.what(), message);         \
    }

double Eval(TbcParser& p, const std::string& text) {
    p.SetExpression(text);
    return p.GetValue();
}

// The message of whatever the evaluator raises, or "no error".
std::string ErrorOf(TbcParser& p, const std::string& text) {
    p.SetExpression(text);
    try {
        p.GetValue();
    } catch (const EbcParserError& e) {
        return std::string("parser: ") + e.what();
    } catch (const EbcMathError& e) {
        return std::string("math: ") + e.what();
    }
    return "no error";
}

struct ValueCase {
    const char* Text;
    double Expected;
};

TEST(bcParser, Values) {
    const ValueCase cases[] = {
        {"2+3*4", 14},
        {"(2+3)*4", 20},
        {"[2+3]*{4}", 20},
        {"2^3^2", 64},
        {"2^-2^2", 0.0625},
        {"10-4-3", 3},
        {"7%2", 3},
        {"7 % -2", -3},
        {"-7%2", -3},
        {"MOD(7,2)", 1},
        {"MOD(-7,2)", -1},
        {"1<2", 1},
        {"2<=2", 1},
        {"3<>2", 1},
        {"2=2", 1},
        {"4>5", 0},
        {"5 >= 5", 1},
        {"1<=-2", 0},
        {"1&0", 0},
        {"1|0", 1},
        {"1|0&0", 1},
        {"!0", 1},
        {"!5", 0},
        {"!1=2", 1},
        {"2*-3", -6},
        {"2 - -3", 5},
        {"2^-1", 0.5},
        {"1E-3*2", 0.002},
        {"2*1.5E+2", 300},
        {"1.E2", 100},
        {".5*2", 1},
        {"0.5+1", 1.5},
        {"0", 0},
        {"-2^2", -4},
        {"-3^2", -9},
        {"-2*3", -6},
        {"-2+3", 1},
        {"+5", 5},
        {"-(2+3)", -5},
        {"  ( 1 + 2 ) ", 3},
        {"((1))", 1},
        {"(1)+(2)", 3},
        {"2*3^2", 18},
        {"10/4", 2.5},
        {"SQR(3)", 9},
        {"sin(0)", 0},
        {"COS(0)", 1},
        {"ATAN(1)*4", 3.14159265358979323846},
        {"CEIL(1.2)", 2},
        {"CEIL(-1.2)", -1},
        {"CEIL(3)", 3},
        {"FLOOR(1.7)", 1},
        {"FLOOR(-1.2)", -2},
        {"TRUNC(-1.7)", -1},
        {"SIGN(-3)", -1},
        {"SIGN(0)", 0},
        {"ABS(-2.5)", 2.5},
        {"INTPOW(2,10)", 1024},
        {"INTPOW(2,-1.9)", 0.5},
        {"POW(4,0.5)", 2},
        {"(-8)^3", -512},
        {"LOGN(2,8)", 3},
        {"LOG(1000)", 3},
        {"LN(EXP(2))", 2},
        {"SINH(0)+COSH(0)", 1},
        {"MIN(3,-1)", -1},
        {"MAX(3,-1)", 3},
        {"MIN(1,MAX(2,3))", 1},
        {"IF(0,5,6)", 6},
        {"IF(2>1,5,6)", 5},
        {"IF(1, 2, IF(0,3,4))", 2},
        {"PI", 3.14159265358979},
        {"1E-5000", 0},
    };
    for (const auto& c : cases) {
        for (const bool optimize : {true, false}) {
            TbcParser p;
            p.OptimizationOn = optimize;
            try {
                EXPECT_NEAR(Eval(p, c.Text), c.Expected, 1e-12 * std::max(1.0, std::fabs(c.Expected))) << c.Text;
            } catch (const std::exception& e) {
                ADD_FAILURE() << c.Text << " raised " << e.what();
            }
        }
    }
}

struct ErrorCase {
    const char* Text;
    const char* Message;
};

TEST(bcParser, ParseErrors) {
    const std::string longName(256, 'A');
    const ErrorCase cases[] = {
        {"", "parser: Expression is empty."},
        {"(1+2", "parser: Missing bracket \")\" in expression (1+2."},
        {"1+2)", "parser: Bracket mismatch in expression 1+2) at index 4."},
        {"x+[1]])", "parser: Bracket mismatch in expression X+[1]]) at index 6."},
        {"2*--3", "parser: Syntax error in expression 2*--3"},
        {"1!2", "parser: Syntax error in expression 1!2"},
        {"2+1!2", "parser: Syntax error in expression 2+1!2"},
        {"(1!2)*3", "parser: Sub expression <(1!2)> in <(1!2)*3> is not valid."},
        {"05+1", "parser: Sub expression <05> in <05+1> is not valid."},
        {"sin(1,2)", "parser: Sub expression <1,2> in <SIN(1,2)> is not valid."},
        {"MIN(1)", "parser: Syntax error in expression MIN(1)"},
        {"MIN(1,2,3)", "parser: Sub expression <1,2> in <MIN(1,2,3)> is not valid."},
        {"IF(1,2)", "parser: Syntax error in expression IF(1,2)"},
        {"IF(1,2,3,4)", "parser: Sub expression <3,4> in <IF(1,2,3,4)> is not valid."},
        {"FOO(1)", "parser: Syntax error in expression FOO(1)"},
        {"Q*2", "parser: Sub expression <Q> in <Q*2> is not valid."},
        {"1 +", "parser: Sub expression <> in <1 +> is not valid."},
        {"1<", "parser: Syntax error in expression 1<"},
        {"<=1", "parser: Syntax error in expression <=1"},
        {"*3", "parser: Syntax error in expression *3"},
        {"()", "parser: Syntax error in expression ()"},
        {"2E", "parser: Syntax error in expression 2E"},
        {"1 2", "parser: Syntax error in expression 1 2"},
        {"1E5000", "math: Floating point overflow"},
    };
    for (const auto& c : cases) {
        TbcParser p;
        EXPECT_EQ(ErrorOf(p, c.Text), c.Message) << c.Text;
    }
    TbcParser p;
    EXPECT_EQ(ErrorOf(p, longName + "(1)"),
              "parser: Function name in " + longName + "(1) is too long. Maximum possible name length is 255.");
    EXPECT_EQ(ErrorOf(p, "2*" + longName + "(1)"),
              "parser: Function name in " + longName + "(1) is too long. Maximum possible name length is 255.");
}

TEST(bcParser, ArithmeticFaultsRaiseAndNeverReturnNaN) {
    const ErrorCase cases[] = {
        {"1/0", pelmo::MsgDivisionByZero},
        {"0/0", pelmo::MsgDivisionByZero},
        {"IF(1, 5, 1/0)", pelmo::MsgDivisionByZero},
        {"7%0", pelmo::MsgDivisionByZero},
        {"7%0.5", pelmo::MsgDivisionByZero},
        {"MOD(7,0)", pelmo::MsgDivisionByZero},
        {"COTAN(0)", pelmo::MsgDivisionByZero},
        {"LOGN(1,5)", pelmo::MsgDivisionByZero},
        {"0^-1", pelmo::MsgDivisionByZero},
        {"INTPOW(0,-2)", pelmo::MsgDivisionByZero},
        {"LN(0)", pelmo::MsgLogDomain},
        {"LN(-1)", pelmo::MsgLogDomain},
        {"LOG(0)", pelmo::MsgLogDomain},
        {"LOGN(-2,4)", pelmo::MsgLogDomain},
        {"SQRT(-1)", pelmo::MsgSqrtDomain},
        {"EXP(100000)", pelmo::MsgOverflow},
        {"EXP(1000)", pelmo::MsgOverflow},  // fits extended, not a double
        {"10^5000", pelmo::MsgOverflow},
        {"SINH(-20000)", pelmo::MsgOverflow},
        {"(-8)^(1/3)", pelmo::MsgInvalidOperation},
        {"MOD(1E30,2)", pelmo::MsgIntegerRange},
        {"-9223372036854775808 % -1", pelmo::MsgIntegerRange},
    };
    for (const auto& c : cases) {
        for (const bool optimize : {true, false}) {
            TbcParser p;
            p.OptimizationOn = optimize;
            EXPECT_EQ(ErrorOf(p, c.Text), std::string("math: ") + c.Message) << c.Text;
        }
    }
}

TEST(bcParser, VariablesAreFoundWithoutRegardToCase) {
    TbcParser p;
    p.DefineVariable("Lvalue", 3);
    EXPECT_EQ(Eval(p, "LVALUE*2"), 6);
    EXPECT_EQ(Eval(p, "lvalue*2"), 6);

    // A changed value is seen by the parsed tree without parsing again.
    p.DefineVariable("LVALUE", 5);
    EXPECT_TRUE(p.Parsed());
    EXPECT_EQ(p.GetValue(), 10);
    EXPECT_EQ(p.GetVariable("lValue"), 5);

    p.SetX(3);
    p.SetY(4);
    EXPECT_EQ(Eval(p, "x*y"), 12);
    EXPECT_EQ(p.X(), 3);

    // A new variable makes the tree stale.
    p.DefineVariable("Z", 1);
    EXPECT_FALSE(p.Parsed());

    p.DeleteVariable("z");
    EXPECT_EQ(ErrorOf(p, "Z"), "parser: Syntax error in expression Z");
}

TEST(bcParser, ClearVariablesRemovesPiXAndY) {
    TbcParser p;
    EXPECT_NEAR(Eval(p, "PI*2"), 6.28318530717958, 1e-13);
    p.ClearVariables();
    EXPECT_EQ(ErrorOf(p, "PI"), "parser: Syntax error in expression PI");
    EXPECT_EQ(ErrorOf(p, "PI*2"), "parser: Sub expression <PI> in <PI*2> is not valid.");
    EXPECT_THROW(p.X(), EbcParserError);
    EXPECT_THROW_MESSAGE(p.GetVariable("Y"), "Variable Y is not found.");
}

TEST(bcParser, NameRules) {
    TbcParser p;
    const std::string tooLong(256, 'v');
    const std::pair<std::string, std::string> bad[] = {
        {"1abc", "1abc is not a valid variable name."},
        {"", " is not a valid variable name."},
        {"a-b", "a-b is not a valid variable name."},
        {tooLong, tooLong + " is too long. Maximum variable or function name length is 255."},
    };
    for (const auto& [name, message] : bad) {
        try {
            p.DefineVariable(name, 1);
            ADD_FAILURE() << name;
        } catch (const EbcParserError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
    p.DefineVariable(std::string(255, 'v'), 2);
    p.DefineVariable("_a1", 1);
    EXPECT_EQ(Eval(p, "_A1+1"), 2);

    auto fails = [](auto&& fn) -> std::string {
        try {
            fn();
        } catch (const EbcParserError& e) {
            return e.what();
        }
        return "no error";
    };
    EXPECT_EQ(fails([&] { p.AddFunction1("sin", [](bcFloat x) { return x; }); }), "Function sin already exists.");
    EXPECT_EQ(fails([&] { p.AddFunction2("Sqr", [](bcFloat a, bcFloat) { return a; }); }),
              "Function Sqr already exists.");
    EXPECT_EQ(fails([&] {
                  p.AddFunctionN(
                      "if", [](const std::vector<bcFloat>&) { return 0.0L; }, 3);
              }),
              "Function if already exists.");
    EXPECT_EQ(fails([&] { p.AddFunction1("9f", [](bcFloat x) { return x; }); }), "9f is not a valid function name.");

    p.AddFunctionN(
        "SUM4", [](const std::vector<bcFloat>& v) { return v[0] + v[1] + v[2] + v[3]; }, 4);
    EXPECT_EQ(Eval(p, "sum4(1, 2, (3), MIN(4,5))"), 10);
    p.AddFunction1("twice", [](bcFloat x) { return 2 * x; });
    EXPECT_EQ(Eval(p, "TWICE(4)"), 8);
    p.DeleteFunction("TWICE");
    EXPECT_EQ(ErrorOf(p, "TWICE(4)"), "parser: Syntax error in expression TWICE(4)");
    p.ClearFunctions();
    EXPECT_EQ(ErrorOf(p, "SIN(0)"), "parser: Syntax error in expression SIN(0)");
}

TEST(bcParser, UnknownIdentifiersGoToTheHandler) {
    TbcParser p;
    std::set<std::string> asked;
    p.OnVariableFound = [&](const std::string& name) {
        asked.insert(name);
        return 7.0L;
    };
    EXPECT_EQ(Eval(p, "foo*2"), 14);
    EXPECT_EQ(asked, std::set<std::string>{"FOO"});
    // Without a handler the name is unknown: while parsing, and when the
    // handler goes away after parsing.
    p.OnVariableFound = nullptr;
    EXPECT_THROW_MESSAGE(p.GetValue(), "Variable FOO is not found.");
    EXPECT_EQ(ErrorOf(p, "foo*2"), "parser: Sub expression <FOO> in <FOO*2> is not valid.");
}

TEST(bcParser, UsesTellsWhetherAnExpressionNamesAVariable) {
    TbcParser p;
    p.DefineVariable("A", 1);
    p.DefineVariable("B", 2);
    p.SetExpression("IF(a>0, SQRT(a), -a) + 1");
    EXPECT_TRUE(p.UsesVariable("A"));
    EXPECT_FALSE(p.UsesVariable("B"));
    EXPECT_FALSE(p.UsesVariable("Missing"));
}

TEST(bcParser, ConstantFoldingFixesRandomNumbersOfConstants) {
    pelmo::SeedbcRandom(42);
    TbcParser p;
    p.SetExpression("RND(1000000000)");
    const double first = p.GetValue();
    EXPECT_EQ(p.GetValue(), first);
    EXPECT_EQ(first, std::trunc(first));

    p.OptimizationOn = false;
    p.SetExpression("RND(1000000000)");
    std::set<double> seen;
    for (int i = 0; i < 5; ++i) seen.insert(p.GetValue());
    EXPECT_GT(seen.size(), 1u);

    p.OptimizationOn = true;
    p.DefineVariable("N", 10);
    p.SetExpression("RND(N)");
    std::set<double> digits;
    for (int i = 0; i < 200; ++i) digits.insert(p.GetValue());
    EXPECT_EQ(digits.size(), 10u);
    EXPECT_EQ(*digits.begin(), 0);
    EXPECT_EQ(*digits.rbegin(), 9);

    p.SetExpression("RANDOM(N)");
    for (int i = 0; i < 100; ++i) {
        const double r = p.GetValue();
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 10);
    }
}

TEST(bcParser, HugeExpressionsAreSyntaxErrorsNotStackOverflows) {
    auto syntaxError = [](const std::string& text) {
        TbcParser p;
        return ErrorOf(p, text) == "parser: Syntax error in expression " + text;
    };
    EXPECT_TRUE(syntaxError(std::string(5000, '(') + "1" + std::string(5000, ')')));
    EXPECT_TRUE(syntaxError(std::string(9000, '-') + "1"));
    std::string sum = "1";
    while (sum.size() < 9990) sum += "+1";
    EXPECT_TRUE(syntaxError(sum));
    std::string nested;
    for (int i = 0; i < 1500; ++i) nested += "SIN(";
    nested += "0" + std::string(1500, ')');
    EXPECT_TRUE(syntaxError(nested));
    EXPECT_TRUE(syntaxError("1" + std::string(TbcParser::MaxExpressionLength, ' ')));

    // Well within the limits, long expressions still work.
    TbcParser p;
    std::string terms = "0";
    for (int i = 0; i < 400; ++i) terms += "+1";
    EXPECT_EQ(Eval(p, terms), 400);
    EXPECT_EQ(Eval(p, std::string(900, '(') + "2" + std::string(900, ')')), 2);
}

TEST(bcParser, FailedParseDiscardsTheOldTree) {
    TbcParser p;
    EXPECT_EQ(Eval(p, "1+1"), 2);
    p.SetExpression("1+");
    EXPECT_THROW(p.GetValue(), EbcParserError);
    EXPECT_FALSE(p.Parsed());
    EXPECT_THROW(p.GetValue(), EbcParserError);  // parses again, fails again
}

}  // namespace
