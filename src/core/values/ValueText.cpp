#include "values/ValueText.h"

#include <algorithm>
#include <cmath>

#include "values/NumberFormat.h"

namespace pelmo {

namespace {

double PrefixMultiplier(char c) {
    switch (c) {
        case 'G':
            return 1e9;
        case 'M':
            return 1e6;
        case 'k':
            return 1e3;
        case 'm':
            return 1e-3;
        case 'u':
            return 1e-6;
        case 'n':
            return 1e-9;
        default:
            return 1e-12;  // 'p'
    }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// General format with `digits` significant digits: fixed while the integer
// part has at most `digits` digits and the value is at least 0.00001.
std::string GeneralText(double a, int digits) {
    digits = std::max(1, digits);
    if (!std::isfinite(a)) return "0";
    const DecimalDigits d = ToDecimalDigits(a, digits);
    if (d.Digits.empty()) return "0";
    std::string s;
    if (d.Exponent > digits || a < 0.00001) {
        s = d.Digits.substr(0, 1);
        if (d.Digits.size() > 1) s += "." + d.Digits.substr(1);
        return s + "E" + std::to_string(d.Exponent - 1);
    }
    if (d.Exponent <= 0) return "0." + std::string(-d.Exponent, '0') + d.Digits;
    if (static_cast<int>(d.Digits.size()) <= d.Exponent)
        return d.Digits + std::string(d.Exponent - d.Digits.size(), '0');
    return d.Digits.substr(0, d.Exponent) + "." + d.Digits.substr(d.Exponent);
}

}  // namespace

bool IsPrefixLetter(char c) { return c == 'G' || c == 'M' || c == 'k' || c == 'm' || c == 'u' || c == 'n' || c == 'p'; }

std::string PrintEditReal(double value, const TValueFormat& f) {
    if (!std::isfinite(value)) value = 0;
    double a = std::fabs(value);
    if (f.IntOnly) a = std::nearbyint(a);
    double eps = 1e-8;
    const bool negative = value < 0;
    char prefix = 0;
    std::string text;
    // A value that prints as 1000 of one prefix is moved up to 1 of the next
    // by nudging it; a few rounds always get there.
    for (int round = 0; round < 24; ++round) {
        prefix = 0;
        double s = a;
        if (f.EngUnits) {
            if (a >= 1e9) {
                prefix = 'G';
                s = a * 1e-9;
            } else if (a >= 1e6) {
                prefix = 'M';
                s = a * 1e-6;
            } else if (a >= 1000) {
                prefix = 'k';
                s = a * 0.001;
            } else if (a >= 1) {
            } else if (a >= 0.001) {
                prefix = 'm';
                s = a * 1000;
            } else if (a >= 1e-6) {
                prefix = 'u';
                s = a * 1e6;
            } else if (a < 1e-9) {
                prefix = 'p';
                s = a * 1e12;
            } else {
                prefix = 'n';
                s = a * 1e9;
            }
        }
        if (f.IntOnly && std::nearbyint(a) == 0) prefix = 0;
        text = GeneralText(s, f.DefNumChars);
        if (f.EngUnits && text == "1000") {
            a = std::fabs((1 + eps) * value);
            eps *= 10;
            continue;
        }
        if (std::fabs(s) < 1e-13) prefix = 0;
        break;
    }
    std::string out = negative ? "-" : "";
    out += text + " ";
    if (prefix) out += prefix;
    if (f.ShowUnits) {
        if (f.Variant == TEditRealVariant::EditReal)
            out += "[" + f.Units + "]";
        else
            out += f.Units;
    }
    return out;
}

TParsedValue ParseEditReal(std::string_view text, bool intOnly, double minValue, double maxValue) {
    std::string s;
    for (char c : DecimalCommaToPoint(text)) {
        if (c == ' ') continue;
        if (!(IsDigit(c) || c == '-' || c == '.' || IsPrefixLetter(c))) break;
        s.push_back(c);
    }
    double multiplier = 1;
    bool prefixed = false;
    if (!s.empty() && IsPrefixLetter(s.back())) {
        multiplier = PrefixMultiplier(s.back());
        prefixed = true;
        s.pop_back();
    }
    double number = 1;
    if (s.empty() || s == "." || s == "-." || s == "-") {
        // A lone prefix letter is one of it ("k" is 1000, "-k" -1000); no
        // digits and no prefix is no number at all.
        if (!prefixed) return {veNotANumber, 0};
        if (!s.empty() && s.front() == '-') number = -1;
    } else {
        // Prefix letters left inside ("4k7") make the conversion fail.
        if (s.find_first_not_of("0123456789-.") != std::string::npos || !TryParseReal(s, number))
            return {veNotANumber, 0};
    }
    double value = number * multiplier;
    if (intOnly) value = std::nearbyint(value);
    if (value > maxValue) return {veAboveMax, value};
    if (value >= minValue) return {ParseValid, value};
    return {veBelowMin, value};
}

TFilteredText FilterEditReal(std::string_view text, int caret, const TValueFormat& f) {
    const bool editReal2 = f.Variant == TEditRealVariant::EditReal2;
    std::string out;
    int c = caret;
    bool dot = false;
    const int n = static_cast<int>(text.size());
    // A decimal comma counts as the point when the number has no point.
    const std::size_t numberEnd = editReal2 ? text.find_first_of("[O") : text.find('[');
    const bool commaIsPoint = text.substr(0, numberEnd).find('.') == std::string_view::npos;
    for (int i = 0; i < n; ++i) {
        char ch = text[i];
        if (ch == '[' || (editReal2 && ch == 'O')) break;
        if (ch == ',' && commaIsPoint) ch = '.';
        bool keep = false;
        bool moveCaret = true;
        if (ch == '.') {
            keep = !dot;
            dot = true;
        } else if (IsPrefixLetter(ch)) {
            if (f.EngUnits) {
                out.push_back(ch);
                break;
            }
        } else if (ch == '-') {
            keep = i == 0;
            moveCaret = false;
        } else if (IsDigit(ch)) {
            keep = true;
        } else if (ch == ' ') {
            keep = i + 1 < n && IsPrefixLetter(text[i + 1]);
        }
        if (keep)
            out.push_back(ch);
        else if (moveCaret && i < caret)
            --c;
    }
    c = std::clamp(c, 0, static_cast<int>(out.size()));
    const bool endsInPrefix = !out.empty() && IsPrefixLetter(out.back());
    if (endsInPrefix && out.size() > 1 && out[out.size() - 2] != ' ') {
        const int letter = static_cast<int>(out.size()) - 1;
        out.insert(out.begin() + letter, ' ');
        if (c > letter) ++c;  // the caret stays after the letter it followed
    }
    if (!endsInPrefix) out.push_back(' ');
    if (f.ShowUnits) out += "[" + f.Units + "]";
    return {out, c};
}

std::string RefusalMessage(ValErrT err, double minValue, double maxValue, const TValueFormat& format) {
    TValueFormat limit = format;
    limit.Variant = TEditRealVariant::EditReal2;  // "1 pF", not "1 p[F]"
    limit.ShowUnits = format.ShowUnits && format.Units != "Units";
    auto print = [&](double v) {
        std::string t = PrintEditReal(v, limit);
        while (!t.empty() && t.back() == ' ') t.pop_back();
        return t;
    };
    switch (err) {
        case veBelowMin:
            return "Below the lowest value, " + print(std::min(minValue, maxValue));
        case veAboveMax:
            return "Above the highest value, " + print(std::max(minValue, maxValue));
        default:
            return "Not a number; the old value stays";
    }
}

TEditRealState::TEditRealState(TEditRealVariant variant) {
    Format.Variant = variant;
    if (variant == TEditRealVariant::EditReal2) Format.DefNumChars = 4;
    Reprint();
}

void TEditRealState::SetRealValue(double v) {
    value_ = v;
    Reprint();
}

void TEditRealState::Reprint() {
    text_ = PrintEditReal(value_, Format);
    caret_ = std::min(caret_, static_cast<int>(text_.size()));
    underlined_ = false;
}

void TEditRealState::ShowText(std::string text) {
    text_ = std::move(text);
    caret_ = std::min(caret_, static_cast<int>(text_.size()));
    underlined_ = false;
}

void TEditRealState::Filter(std::string_view fieldText, int caret) {
    underlined_ = true;
    const TFilteredText f = FilterEditReal(fieldText, caret, Format);
    text_ = f.Text;
    caret_ = f.Caret;
    yellow_ = ParseEditReal(text_, Format.IntOnly, MinValue, MaxValue).Result != ParseValid;
}

TValueResponse TEditRealState::Accept() {
    TValueResponse r;
    const TParsedValue p = ParseEditReal(text_, Format.IntOnly, MinValue, MaxValue);
    if (p.Result == ParseValid) {
        value_ = p.Value;
        r.Events.push_back({TValueEventKind::ValChange, value_});
    } else {
        r.Events.push_back({TValueEventKind::ValErr, value_, static_cast<ValErrT>(p.Result)});
    }
    yellow_ = false;
    Reprint();
    return r;
}

TValueResponse TEditRealState::DblClick(std::string_view fieldText, int caret) {
    if (IsFreeing) return {};
    Filter(fieldText, caret);
    TValueResponse r = Accept();
    r.Events.push_back({TValueEventKind::DblClick});
    return r;
}

TValueResponse TEditRealState::Leave(std::string_view fieldText, int caret) {
    if (!underlined_ && fieldText == text_) return {};
    return DblClick(fieldText, caret);
}

TValueResponse TEditRealState::KeyUp(TValueKey key, std::string_view fieldText, int caret) {
    switch (key) {
        case TValueKey::Up:
        case TValueKey::Down:
            text_ = std::string(fieldText);
            return Accept();
        case TValueKey::Escape:
            yellow_ = false;
            Reprint();
            return {};
        case TValueKey::Enter:
            return DblClick(fieldText, caret);
        default:
            Filter(fieldText, caret);
            return {};
    }
}

TValueResponse TEditRealState::Paste(std::string_view fieldText, int caret) {
    Filter(fieldText, caret);
    return Accept();
}

}  // namespace pelmo
