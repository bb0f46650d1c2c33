#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The expression evaluator of the circuit blocks: parses a text such as
// "1/(2*PI*F*R)" into a tree of nodes and computes its value in extended
// precision. Names of variables and functions are found without regard to
// letter case.

namespace pelmo {

// 80-bit extended precision on x86; the widest floating type elsewhere.
using bcFloat = long double;

// A fault found while parsing, or a bad name or a missing variable.
class EbcParserError : public std::runtime_error {
public:
    explicit EbcParserError(const std::string& message, std::string expression = {}, std::string subExpression = {})
        : std::runtime_error(message), expression_(std::move(expression)), subExpression_(std::move(subExpression)) {}
    const std::string& Expression() const { return expression_; }
    const std::string& SubExpression() const { return subExpression_; }

private:
    std::string expression_;
    std::string subExpression_;
};

// An arithmetic fault while evaluating: division by zero, logarithm or square
// root of a number outside its domain, overflow, integer arithmetic out of range.
class EbcMathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Message texts of the arithmetic faults.
inline constexpr const char* MsgDivisionByZero = "Division by zero";
inline constexpr const char* MsgOverflow = "Floating point overflow";
inline constexpr const char* MsgInvalidOperation = "Invalid floating point operation";
inline constexpr const char* MsgLogDomain = "Logarithm of zero or of a negative number";
inline constexpr const char* MsgSqrtDomain = "Square root of a negative number";
inline constexpr const char* MsgIntegerRange = "Number too large for integer arithmetic";

using TFunction1 = std::function<bcFloat(bcFloat)>;
using TFunction2 = std::function<bcFloat(bcFloat, bcFloat)>;
using TFunctionN = std::function<bcFloat(const std::vector<bcFloat>&)>;
using TOnVariableFoundEvent = std::function<bcFloat(const std::string& name)>;

// Table entries; nodes keep them alive, so a tree stays valid while functions
// are deleted from the tables.
struct TFunction1Entry {
    TFunction1 Fn;
};
struct TFunction2Entry {
    TFunction2 Fn;
};
struct TFunctionNEntry {
    TFunctionN Fn;
    int Count = 0;
};

class TbcParser;

// A node of the evaluation tree.
class TNode {
public:
    virtual ~TNode() = default;
    virtual bcFloat Evaluate() const = 0;
    // Whether the sub-tree refers to a variable's storage or a function entry.
    virtual bool Uses(const void* item) const = 0;
    // Folds the constant sub-trees below this node.
    virtual void OptimizeChildren() {}
    // A function node whose arguments are all constants.
    virtual bool Foldable() const { return false; }
};

class TBasicNode : public TNode {
public:
    explicit TBasicNode(bcFloat value) : value_(value) {}
    bcFloat Evaluate() const override { return value_; }
    bool Uses(const void*) const override { return false; }

private:
    bcFloat value_;
};

class TOneParamNode : public TNode {
public:
    TOneParamNode(std::shared_ptr<const TFunction1Entry> fn, std::unique_ptr<TNode> child)
        : fn_(std::move(fn)), child_(std::move(child)) {}
    bcFloat Evaluate() const override;
    bool Uses(const void* item) const override;
    void OptimizeChildren() override;
    bool Foldable() const override;

private:
    std::shared_ptr<const TFunction1Entry> fn_;
    std::unique_ptr<TNode> child_;
};

class TTwoParamNode : public TNode {
public:
    TTwoParamNode(std::shared_ptr<const TFunction2Entry> fn, std::unique_ptr<TNode> left, std::unique_ptr<TNode> right)
        : fn_(std::move(fn)), left_(std::move(left)), right_(std::move(right)) {}
    bcFloat Evaluate() const override;
    bool Uses(const void* item) const override;
    void OptimizeChildren() override;
    bool Foldable() const override;

private:
    std::shared_ptr<const TFunction2Entry> fn_;
    std::unique_ptr<TNode> left_;
    std::unique_ptr<TNode> right_;
};

class TNParamNode : public TNode {
public:
    TNParamNode(std::shared_ptr<const TFunctionNEntry> fn, std::vector<std::unique_ptr<TNode>> children)
        : fn_(std::move(fn)), children_(std::move(children)) {}
    bcFloat Evaluate() const override;
    bool Uses(const void* item) const override;
    void OptimizeChildren() override;
    bool Foldable() const override;

private:
    std::shared_ptr<const TFunctionNEntry> fn_;
    std::vector<std::unique_ptr<TNode>> children_;
};

// Reads the variable's current value, so a changed value is seen without
// parsing again.
class TVarNode : public TNode {
public:
    explicit TVarNode(std::shared_ptr<const bcFloat> storage) : storage_(std::move(storage)) {}
    bcFloat Evaluate() const override;
    bool Uses(const void* item) const override { return storage_.get() == item; }

private:
    std::shared_ptr<const bcFloat> storage_;
};

// An identifier whose value the parser's OnVariableFound handler supplies.
class TUnknownVarNode : public TNode {
public:
    TUnknownVarNode(const TbcParser& parser, std::string name) : parser_(parser), name_(std::move(name)) {}
    bcFloat Evaluate() const override;
    bool Uses(const void*) const override { return false; }

private:
    const TbcParser& parser_;
    std::string name_;
};

// Orders names without regard to ASCII letter case.
struct TCaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

class TbcParser {
public:
    static constexpr std::size_t MaxNameLength = 255;
    // Longer or more deeply nested expressions are refused as syntax errors
    // rather than risking the stack.
    static constexpr std::size_t MaxExpressionLength = 10000;
    static constexpr int MaxNestingDepth = 1000;

    TbcParser();
    TbcParser(const TbcParser&) = delete;
    TbcParser& operator=(const TbcParser&) = delete;
    ~TbcParser();

    const std::string& Expression() const { return expression_; }
    void SetExpression(const std::string& text);

    // Shorthands for the variables "X" and "Y".
    bcFloat X() const { return GetVariable("X"); }
    bcFloat Y() const { return GetVariable("Y"); }
    void SetX(bcFloat v) { DefineVariable("X", v); }
    void SetY(bcFloat v) { DefineVariable("Y", v); }

    // Fold constant sub-trees after parsing.
    bool OptimizationOn = true;
    // Supplies values for identifiers that are neither numbers nor variables.
    TOnVariableFoundEvent OnVariableFound;

    void DefineVariable(const std::string& name, bcFloat value);
    bcFloat GetVariable(const std::string& name) const;
    void DeleteVariable(const std::string& name);
    void ClearVariables();

    void AddFunction1(const std::string& name, TFunction1 fn);
    void AddFunction2(const std::string& name, TFunction2 fn);
    void AddFunctionN(const std::string& name, TFunctionN fn, int count);
    void DeleteFunction(const std::string& name);
    void ClearFunctions();

    void Parse();
    bool Parsed() const { return parsed_; }

    // Parses when needed and evaluates. GetValue hands the result out as a
    // double and raises the overflow error when it does not fit one.
    double GetValue();
    bcFloat GetValueExtended();

    // Whether the current expression refers to the variable (parses when needed).
    bool UsesVariable(const std::string& name);

private:
    friend class TbcBuilder;

    std::string expression_;
    std::unique_ptr<TNode> root_;
    bool parsed_ = false;

    std::map<std::string, std::shared_ptr<bcFloat>, TCaseInsensitiveLess> variables_;
    std::map<std::string, std::shared_ptr<const TFunction1Entry>, TCaseInsensitiveLess> functions1_;
    std::map<std::string, std::shared_ptr<const TFunction2Entry>, TCaseInsensitiveLess> functions2_;
    std::map<std::string, std::shared_ptr<const TFunctionNEntry>, TCaseInsensitiveLess> functionsN_;

    void RegisterBuiltIns();
};

// The evaluator's random numbers: uniform in [0, 1), from one generator seeded
// from the clock at start-up. Seeding again makes the sequence repeatable.
double bcRandom();
void SeedbcRandom(std::uint64_t seed);

// Name rules shared with the block dialogs: a letter or "_" first, then
// letters, digits and "_".
bool IsValidbcName(std::string_view name);

}  // namespace pelmo
