#include "blocks/bcParser.h"

#include <cfloat>
#include <charconv>
#include <chrono>
#include <cmath>
#include <random>

namespace pelmo {

namespace {

// ---------------------------------------------------------------------------
// Arithmetic with its faults turned into errors

[[noreturn]] void Fail(const char* message) { throw EbcMathError(message); }

bcFloat Checked(bcFloat r) {
    if (std::isnan(r)) Fail(MsgInvalidOperation);
    if (std::isinf(r)) Fail(MsgOverflow);
    return r;
}

// The whole-number part as a 64-bit integer, for "%" and "MOD".
std::int64_t Trunc64(bcFloat x) {
    const bcFloat t = std::trunc(x);
    constexpr bcFloat limit = 9223372036854775808.0L;  // 2^63
    if (!(t >= -limit && t < limit)) Fail(MsgIntegerRange);
    return static_cast<std::int64_t>(t);
}

bcFloat Divide(bcFloat a, bcFloat b) {
    if (b == 0) Fail(MsgDivisionByZero);
    return a / b;
}

bcFloat IntDivide(bcFloat a, bcFloat b) {
    const std::int64_t ia = Trunc64(a), ib = Trunc64(b);
    if (ib == 0) Fail(MsgDivisionByZero);
    if (ia == INT64_MIN && ib == -1) Fail(MsgIntegerRange);
    return static_cast<bcFloat>(ia / ib);
}

bcFloat IntModulo(bcFloat a, bcFloat b) {
    const std::int64_t ia = Trunc64(a), ib = Trunc64(b);
    if (ib == 0) Fail(MsgDivisionByZero);
    if (ib == -1) return 0;  // also keeps INT64_MIN % -1 defined
    return static_cast<bcFloat>(ia % ib);
}

bcFloat Power(bcFloat base, bcFloat exponent) {
    if (exponent == 0) return 1;
    if (base == 0) {
        if (exponent < 0) Fail(MsgDivisionByZero);
        return 0;
    }
    if (base < 0 && exponent != std::trunc(exponent)) Fail(MsgInvalidOperation);
    return std::pow(base, exponent);
}

bcFloat IntPower(bcFloat base, bcFloat exponent) {
    const bcFloat n = std::trunc(exponent);
    if (n == 0) return 1;
    if (base == 0 && n < 0) Fail(MsgDivisionByZero);
    return std::pow(base, n);
}

bcFloat Ln(bcFloat x) {
    if (x <= 0) Fail(MsgLogDomain);
    return std::log(x);
}

bcFloat Bool(bool b) { return b ? 1 : 0; }

// ---------------------------------------------------------------------------
// Texts

char UpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = UpperChar(c);
    return r;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
bool IsOperatorChar(char c) {
    switch (c) {
        case '|':
        case '&':
        case '=':
        case '<':
        case '>':
        case '+':
        case '-':
        case '*':
        case '/':
        case '%':
        case '^':
        case '!':
            return true;
        default:
            return false;
    }
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Replaces each "%s" in turn.
std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    auto arg = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && arg != args.end()) {
            out += *arg++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string NameTooLong(const std::string& name) {
    return name + " is too long. Maximum variable or function name length is " +
           std::to_string(TbcParser::MaxNameLength) + ".";
}

void CheckFunctionName(const std::string& name) {
    if (name.size() > TbcParser::MaxNameLength) throw EbcParserError(NameTooLong(name));
    if (!IsValidbcName(name)) throw EbcParserError(name + " is not a valid function name.");
}

// A decimal number with "." and an optional exponent, the whole text. Numbers
// below the smallest extended value read as 0; numbers above the largest are
// an overflow.
bool ParseNumber(std::string_view t, bcFloat& out) {
    if (t.empty() || IsLetter(t[0])) return false;
    if (t[0] == '0' && t.size() > 1 && t[1] != '.') return false;
    std::size_t i = 0;
    std::string s;
    if (t[i] == '+' || t[i] == '-') {
        if (t[i] == '-') s.push_back('-');
        ++i;
    }
    std::string intDigits, fracDigits;
    while (i < t.size() && IsDigit(t[i])) intDigits.push_back(t[i++]);
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) fracDigits.push_back(t[i++]);
    }
    if (intDigits.empty() && fracDigits.empty()) return false;
    long long exponent = 0;
    std::string expText;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        ++i;
        bool negExp = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) negExp = t[i++] == '-';
        const std::size_t start = i;
        while (i < t.size() && IsDigit(t[i])) {
            if (exponent < 1000000) exponent = exponent * 10 + (t[i] - '0');
            ++i;
        }
        if (i == start) return false;
        if (negExp) exponent = -exponent;
        expText = "e" + std::to_string(exponent);
    }
    if (i != t.size()) return false;

    s += intDigits.empty() ? std::string("0") : intDigits;
    if (!fracDigits.empty()) s += "." + fracDigits;
    s += expText;
    bcFloat v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Which side of the range: the decimal exponent of the leading digit.
        const std::string all = intDigits + fracDigits;
        const auto lead = all.find_first_not_of('0');
        if (lead == std::string::npos) {
            v = 0;
        } else {
            const long long magnitude =
                static_cast<long long>(intDigits.size()) - static_cast<long long>(lead) + exponent;
            if (magnitude > 0) Fail(MsgOverflow);
            v = 0;
        }
    } else if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
        return false;
    }
    out = v;
    return true;
}

// ---------------------------------------------------------------------------
// Operators: fixed entries, not in the function tables

const std::shared_ptr<const TFunction2Entry>& BinaryOperator(char op, char second) {
    using E = std::shared_ptr<const TFunction2Entry>;
    auto make = [](TFunction2 f) { return std::make_shared<const TFunction2Entry>(TFunction2Entry{std::move(f)}); };
    static const E orOp = make([](bcFloat a, bcFloat b) { return Bool(a != 0 || b != 0); });
    static const E andOp = make([](bcFloat a, bcFloat b) { return Bool(a != 0 && b != 0); });
    static const E eq = make([](bcFloat a, bcFloat b) { return Bool(a == b); });
    static const E ne = make([](bcFloat a, bcFloat b) { return Bool(a != b); });
    static const E lt = make([](bcFloat a, bcFloat b) { return Bool(a < b); });
    static const E le = make([](bcFloat a, bcFloat b) { return Bool(a <= b); });
    static const E gt = make([](bcFloat a, bcFloat b) { return Bool(a > b); });
    static const E ge = make([](bcFloat a, bcFloat b) { return Bool(a >= b); });
    static const E add = make([](bcFloat a, bcFloat b) { return a + b; });
    static const E sub = make([](bcFloat a, bcFloat b) { return a - b; });
    static const E mul = make([](bcFloat a, bcFloat b) { return a * b; });
    static const E div = make(Divide);
    static const E idiv = make(IntDivide);
    static const E pow = make(Power);
    static const E none;
    switch (op) {
        case '|':
            return orOp;
        case '&':
            return andOp;
        case '=':
            return eq;
        case '<':
            return second == '=' ? le : second == '>' ? ne : lt;
        case '>':
            return second == '=' ? ge : gt;
        case '+':
            return add;
        case '-':
            return sub;
        case '*':
            return mul;
        case '/':
            return div;
        case '%':
            return idiv;
        case '^':
            return pow;
        default:
            return none;  // "!" has no meaning between two operands
    }
}

const std::shared_ptr<const TFunction1Entry>& PrefixOperator(char op) {
    using E = std::shared_ptr<const TFunction1Entry>;
    auto make = [](TFunction1 f) { return std::make_shared<const TFunction1Entry>(TFunction1Entry{std::move(f)}); };
    static const E neg = make([](bcFloat x) { return -x; });
    static const E plus = make([](bcFloat x) { return x; });
    static const E notOp = make([](bcFloat x) { return Bool(x == 0); });
    return op == '-' ? neg : op == '+' ? plus : notOp;
}

int Rank(char op) {
    switch (op) {
        case '|':
            return 1;
        case '&':
            return 2;
        case '!':
            return 3;
        case '=':
            return 4;
        case '<':
        case '>':
            return 5;
        case '+':
        case '-':
            return 7;
        default:
            return op == '^' ? 12 : 9;  // "*", "/", "%"
    }
}

bool IsConstant(const std::unique_ptr<TNode>& n) { return dynamic_cast<const TBasicNode*>(n.get()) != nullptr; }

void Fold(std::unique_ptr<TNode>& node) {
    node->OptimizeChildren();
    if (node->Foldable()) node = std::make_unique<TBasicNode>(node->Evaluate());
}

// Raised when the tree would grow deeper than the evaluator allows.
struct TooDeep {};

}  // namespace

// ---------------------------------------------------------------------------
// Nodes

bcFloat TOneParamNode::Evaluate() const { return Checked(fn_->Fn(child_->Evaluate())); }
bool TOneParamNode::Uses(const void* item) const { return fn_.get() == item || child_->Uses(item); }
void TOneParamNode::OptimizeChildren() { Fold(child_); }
bool TOneParamNode::Foldable() const { return IsConstant(child_); }

bcFloat TTwoParamNode::Evaluate() const {
    const bcFloat a = left_->Evaluate();
    const bcFloat b = right_->Evaluate();
    return Checked(fn_->Fn(a, b));
}
bool TTwoParamNode::Uses(const void* item) const {
    return fn_.get() == item || left_->Uses(item) || right_->Uses(item);
}
void TTwoParamNode::OptimizeChildren() {
    Fold(left_);
    Fold(right_);
}
bool TTwoParamNode::Foldable() const { return IsConstant(left_) && IsConstant(right_); }

bcFloat TNParamNode::Evaluate() const {
    std::vector<bcFloat> args;
    args.reserve(children_.size());
    for (const auto& c : children_) args.push_back(c->Evaluate());
    return Checked(fn_->Fn(args));
}
bool TNParamNode::Uses(const void* item) const {
    if (fn_.get() == item) return true;
    for (const auto& c : children_)
        if (c->Uses(item)) return true;
    return false;
}
void TNParamNode::OptimizeChildren() {
    for (auto& c : children_) Fold(c);
}
bool TNParamNode::Foldable() const {
    for (const auto& c : children_)
        if (!IsConstant(c)) return false;
    return true;
}

bcFloat TVarNode::Evaluate() const { return Checked(*storage_); }

bcFloat TUnknownVarNode::Evaluate() const {
    if (!parser_.OnVariableFound) throw EbcParserError("Variable " + name_ + " is not found.");
    return Checked(parser_.OnVariableFound(name_));
}

bool TCaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = UpperChar(a[i]), y = UpperChar(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

bool IsValidbcName(std::string_view name) {
    if (name.empty()) return false;
    if (!IsLetter(name[0]) && name[0] != '_') return false;
    for (char c : name)
        if (!IsNameChar(c)) return false;
    return true;
}

// ---------------------------------------------------------------------------
// Building the tree from the upper-case text

class TbcBuilder {
public:
    explicit TbcBuilder(const TbcParser& parser) : parser_(parser) {}

    // The node for a text, or null when the text has none of the forms.
    std::unique_ptr<TNode> Build(std::string_view text, int depth) {
        if (depth > TbcParser::MaxNestingDepth) throw TooDeep{};
        text = StripOuterParentheses(Trim(text), depth);
        if (text.empty()) return nullptr;

        bcFloat number = 0;
        if (ParseNumber(text, number)) return std::make_unique<TBasicNode>(number);

        if (AllNameChars(text)) {
            const std::string name(text);
            if (const auto v = parser_.variables_.find(name); v != parser_.variables_.end())
                return std::make_unique<TVarNode>(v->second);
            if (parser_.OnVariableFound) return std::make_unique<TUnknownVarNode>(parser_, name);
        }

        const Principal op = FindPrincipalOperator(text);
        if (op.Pos <= 0) {
            if (IsPrefix(text[0])) {
                auto child = Child(text.substr(1), text, depth);
                return std::make_unique<TOneParamNode>(PrefixOperator(text[0]), std::move(child));
            }
            if (op.Pos < 0) return FunctionForm(text, depth);
            return nullptr;
        }

        const char c = text[op.Pos];
        const auto& fn = BinaryOperator(c, op.Len == 2 ? text[op.Pos + 1] : '\0');
        if (!fn) return nullptr;
        const std::string_view left = Trim(text.substr(0, op.Pos));
        const std::string_view right = Trim(text.substr(op.Pos + op.Len));
        if ((c == '<' || c == '>') && (left.empty() || right.empty())) return nullptr;
        auto l = Child(left, text, depth);
        auto r = Child(right, text, depth);
        return std::make_unique<TTwoParamNode>(fn, std::move(l), std::move(r));
    }

private:
    struct Principal {
        int Pos = -1;  // -1: none
        int Len = 1;
    };

    const TbcParser& parser_;

    static bool IsPrefix(char c) { return c == '-' || c == '+' || c == '!'; }

    static bool AllNameChars(std::string_view t) {
        for (char c : t)
            if (!IsNameChar(c)) return false;
        return true;
    }

    // A part of `whole` that must build; otherwise the whole is not valid.
    std::unique_ptr<TNode> Child(std::string_view sub, std::string_view whole, int depth) {
        auto node = Build(sub, depth + 1);
        if (!node) {
            const std::string s(Trim(sub)), w(whole);
            throw EbcParserError(Format("Sub expression <%s> in <%s> is not valid.", {s, w}), w, s);
        }
        return node;
    }

    // Drops enclosing parentheses as long as what they enclose is balanced on
    // its own; each pair counts as one level of nesting.
    static std::string_view StripOuterParentheses(std::string_view t, int& depth) {
        while (t.size() > 2 && t.front() == '(' && t.back() == ')') {
            const std::string_view inner = Trim(t.substr(1, t.size() - 2));
            int level = 0;
            bool balanced = true;
            for (char c : inner) {
                if (c == '(') ++level;
                if (c == ')' && --level < 0) {
                    balanced = false;
                    break;
                }
            }
            if (!balanced || level != 0) break;
            if (++depth > TbcParser::MaxNestingDepth) throw TooDeep{};
            t = inner;
        }
        return t;
    }

    // An "E" right after the digits of a number belongs to the number.
    static bool ExponentMark(std::string_view t, std::size_t i) {
        std::size_t j = i;
        bool digit = false;
        while (j > 0 && (IsDigit(t[j - 1]) || t[j - 1] == '.')) {
            digit = digit || IsDigit(t[j - 1]);
            --j;
        }
        return digit && (j == 0 || !IsNameChar(t[j - 1]));
    }

    // The rightmost operator of the loosest rank outside parentheses. An
    // operator right after another one is a prefix; three in a row leave no
    // principal operator.
    static Principal FindPrincipalOperator(std::string_view t) {
        Principal best;
        int bestRank = 1000;
        int depth = 0;
        int run = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            const char c = t[i];
            if (c == '(' || c == ')') {
                depth += c == '(' ? 1 : -1;
                run = 0;
                continue;
            }
            if (depth != 0 || IsBlank(c)) continue;
            const bool op = IsOperatorChar(c);
            if (!op && !(c == 'E' && ExponentMark(t, i))) {
                run = 0;
                continue;
            }
            if (++run > 2) return {};
            if (!op || run > 1) continue;  // the exponent mark or a prefix
            int len = 1;
            if (i + 1 < t.size() &&
                ((c == '<' && (t[i + 1] == '=' || t[i + 1] == '>')) || (c == '>' && t[i + 1] == '=')))
                len = 2;
            const int rank = Rank(c);
            if (rank <= bestRank) {
                bestRank = rank;
                best = {static_cast<int>(i), len};
            }
            i += len - 1;
        }
        return best;
    }

    // name "(" arguments ")" with the function of that name, or null.
    std::unique_ptr<TNode> FunctionForm(std::string_view t, int depth) {
        std::size_t i = 0;
        while (i < t.size() && IsNameChar(t[i])) ++i;
        if (i == 0) return nullptr;
        const std::string name(t.substr(0, i));
        std::size_t open = i;
        while (open < t.size() && IsBlank(t[open])) ++open;
        if (open >= t.size() || t[open] != '(' || t.back() != ')') return nullptr;
        int level = 0;
        for (std::size_t k = open; k < t.size(); ++k) {
            if (t[k] == '(') ++level;
            if (t[k] == ')' && --level == 0 && k + 1 != t.size()) return nullptr;  // "(" closes early
        }
        if (name.size() > TbcParser::MaxNameLength)
            throw EbcParserError("Function name in " + std::string(t) +
                                 " is too long. Maximum possible name length is " +
                                 std::to_string(TbcParser::MaxNameLength) + ".");
        const std::string_view args = t.substr(open + 1, t.size() - open - 2);
        const std::vector<std::size_t> commas = TopLevelCommas(args);

        if (const auto f = parser_.functions1_.find(name); f != parser_.functions1_.end())
            return std::make_unique<TOneParamNode>(f->second, Child(args, t, depth));
        if (const auto f = parser_.functions2_.find(name); f != parser_.functions2_.end()) {
            if (commas.empty()) return nullptr;
            const std::size_t c = commas.back();
            auto a = Child(args.substr(0, c), t, depth);
            auto b = Child(args.substr(c + 1), t, depth);
            return std::make_unique<TTwoParamNode>(f->second, std::move(a), std::move(b));
        }
        if (const auto f = parser_.functionsN_.find(name); f != parser_.functionsN_.end()) {
            const int n = f->second->Count;
            if (n < 1 || static_cast<int>(commas.size()) < n - 1) return nullptr;
            std::vector<std::unique_ptr<TNode>> children;
            std::size_t start = 0;
            for (int k = 0; k < n - 1; ++k) {
                children.push_back(Child(args.substr(start, commas[k] - start), t, depth));
                start = commas[k] + 1;
            }
            children.push_back(Child(args.substr(start), t, depth));
            return std::make_unique<TNParamNode>(f->second, std::move(children));
        }
        return nullptr;
    }

    static std::vector<std::size_t> TopLevelCommas(std::string_view args) {
        std::vector<std::size_t> commas;
        int level = 0;
        for (std::size_t k = 0; k < args.size(); ++k) {
            if (args[k] == '(') ++level;
            if (args[k] == ')') --level;
            if (args[k] == ',' && level == 0) commas.push_back(k);
        }
        return commas;
    }
};

// ---------------------------------------------------------------------------
// The evaluator

TbcParser::TbcParser() {
    RegisterBuiltIns();
    DefineVariable("PI", 3.14159265358979L);
    DefineVariable("X", 0);
    DefineVariable("Y", 0);
    parsed_ = false;
}

TbcParser::~TbcParser() = default;

void TbcParser::SetExpression(const std::string& text) {
    expression_ = text;
    parsed_ = false;
}

void TbcParser::DefineVariable(const std::string& name, bcFloat value) {
    if (name.size() > MaxNameLength) throw EbcParserError(NameTooLong(name));
    if (!IsValidbcName(name)) throw EbcParserError(name + " is not a valid variable name.");
    if (const auto v = variables_.find(name); v != variables_.end()) {
        *v->second = value;
        return;
    }
    variables_.emplace(name, std::make_shared<bcFloat>(value));
    parsed_ = false;
}

bcFloat TbcParser::GetVariable(const std::string& name) const {
    const auto v = variables_.find(name);
    if (v == variables_.end()) throw EbcParserError("Variable " + name + " is not found.");
    return *v->second;
}

void TbcParser::DeleteVariable(const std::string& name) {
    variables_.erase(name);
    parsed_ = false;
}

void TbcParser::ClearVariables() {
    variables_.clear();
    parsed_ = false;
}

void TbcParser::AddFunction1(const std::string& name, TFunction1 fn) {
    CheckFunctionName(name);
    if (functions1_.count(name) || functions2_.count(name))
        throw EbcParserError("Function " + name + " already exists.");
    functions1_.emplace(name, std::make_shared<const TFunction1Entry>(TFunction1Entry{std::move(fn)}));
    parsed_ = false;
}

void TbcParser::AddFunction2(const std::string& name, TFunction2 fn) {
    CheckFunctionName(name);
    if (functions1_.count(name) || functions2_.count(name))
        throw EbcParserError("Function " + name + " already exists.");
    functions2_.emplace(name, std::make_shared<const TFunction2Entry>(TFunction2Entry{std::move(fn)}));
    parsed_ = false;
}

void TbcParser::AddFunctionN(const std::string& name, TFunctionN fn, int count) {
    CheckFunctionName(name);
    if (functions1_.count(name) || functions2_.count(name) || functionsN_.count(name))
        throw EbcParserError("Function " + name + " already exists.");
    functionsN_.emplace(name, std::make_shared<const TFunctionNEntry>(TFunctionNEntry{std::move(fn), count}));
    parsed_ = false;
}

void TbcParser::DeleteFunction(const std::string& name) {
    functions1_.erase(name);
    functions2_.erase(name);
    functionsN_.erase(name);
    parsed_ = false;
}

void TbcParser::ClearFunctions() {
    functions1_.clear();
    functions2_.clear();
    functionsN_.clear();
    parsed_ = false;
}

void TbcParser::Parse() {
    root_.reset();
    parsed_ = false;
    if (expression_.empty()) throw EbcParserError("Expression is empty.");
    const std::string syntaxError = "Syntax error in expression " + expression_;
    if (expression_.size() > MaxExpressionLength) throw EbcParserError(syntaxError, expression_);

    const std::string upper = Upper(expression_);
    std::string work = upper;
    for (char& c : work) {
        if (c == '[' || c == '{') c = '(';
        if (c == ']' || c == '}') c = ')';
    }
    int level = 0;
    for (std::size_t i = 0; i < work.size(); ++i) {
        if (work[i] == '(') ++level;
        if (work[i] == ')' && --level < 0)
            throw EbcParserError(
                Format("Bracket mismatch in expression %s at index %s.", {upper, std::to_string(i + 1)}), upper);
    }
    if (level > 0) throw EbcParserError(Format("Missing bracket \")\" in expression %s.", {upper}), upper);

    std::unique_ptr<TNode> node;
    try {
        node = TbcBuilder(*this).Build(work, 0);
    } catch (const TooDeep&) {
        node.reset();
    }
    if (!node) throw EbcParserError(syntaxError, expression_);
    if (OptimizationOn) Fold(node);
    root_ = std::move(node);
    parsed_ = true;
}

bcFloat TbcParser::GetValueExtended() {
    if (!parsed_) Parse();
    return Checked(root_->Evaluate());
}

double TbcParser::GetValue() {
    const bcFloat v = GetValueExtended();
    if (std::fabs(v) > static_cast<bcFloat>(DBL_MAX)) Fail(MsgOverflow);
    return static_cast<double>(v);
}

bool TbcParser::UsesVariable(const std::string& name) {
    if (!parsed_) Parse();
    const auto v = variables_.find(name);
    return v != variables_.end() && root_->Uses(v->second.get());
}

void TbcParser::RegisterBuiltIns() {
    AddFunction1("SQR", [](bcFloat x) { return x * x; });
    AddFunction1("SIN", [](bcFloat x) { return std::sin(x); });
    AddFunction1("COS", [](bcFloat x) { return std::cos(x); });
    AddFunction1("TAN", [](bcFloat x) { return std::tan(x); });
    AddFunction1("COTAN", [](bcFloat x) { return Divide(1, std::tan(x)); });
    AddFunction1("ATAN", [](bcFloat x) { return std::atan(x); });
    AddFunction1("SINH", [](bcFloat x) { return (std::exp(x) - std::exp(-x)) / 2; });
    AddFunction1("COSH", [](bcFloat x) { return (std::exp(x) + std::exp(-x)) / 2; });
    AddFunction1("EXP", [](bcFloat x) { return std::exp(x); });
    AddFunction1("LN", Ln);
    AddFunction1("LOG", [](bcFloat x) {
        if (x <= 0) Fail(MsgLogDomain);
        return std::log10(x);
    });
    AddFunction1("SQRT", [](bcFloat x) {
        if (x < 0) Fail(MsgSqrtDomain);
        return std::sqrt(x);
    });
    AddFunction1("ABS", [](bcFloat x) { return std::fabs(x); });
    AddFunction1("SIGN", [](bcFloat x) { return x > 0 ? 1.0L : x < 0 ? -1.0L : 0.0L; });
    AddFunction1("TRUNC", [](bcFloat x) { return std::trunc(x); });
    AddFunction1("CEIL", [](bcFloat x) {
        const bcFloat t = std::trunc(x);
        return x - t > 0 ? t + 1 : t;
    });
    AddFunction1("FLOOR", [](bcFloat x) {
        const bcFloat t = std::trunc(x);
        return x - t >= 0 ? t : t - 1;
    });
    AddFunction1("RND", [](bcFloat x) { return std::trunc(static_cast<bcFloat>(bcRandom()) * std::trunc(x)); });
    AddFunction1("RANDOM", [](bcFloat x) { return x * static_cast<bcFloat>(bcRandom()); });

    AddFunction2("INTPOW", IntPower);
    AddFunction2("POW", Power);
    AddFunction2("LOGN", [](bcFloat base, bcFloat x) { return Divide(Ln(x), Ln(base)); });
    AddFunction2("MIN", [](bcFloat a, bcFloat b) { return a < b ? a : b; });
    AddFunction2("MAX", [](bcFloat a, bcFloat b) { return a > b ? a : b; });
    AddFunction2("MOD", IntModulo);

    AddFunctionN(
        "IF", [](const std::vector<bcFloat>& v) { return v[0] != 0 ? v[1] : v[2]; }, 3);
}

// ---------------------------------------------------------------------------
// Random numbers

namespace {
std::mt19937_64& RandomEngine() {
    static std::mt19937_64 engine(
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    return engine;
}
}  // namespace

double bcRandom() { return static_cast<double>(RandomEngine()() >> 11) * 0x1.0p-53; }

void SeedbcRandom(std::uint64_t seed) { RandomEngine().seed(seed); }

}  // namespace pelmo
