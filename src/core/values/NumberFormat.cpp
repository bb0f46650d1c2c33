#include "values/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pelmo {

DecimalDigits ToDecimalDigits(double x, int precision) {
    DecimalDigits r;
    r.Negative = std::signbit(x) && x != 0.0;
    const double a = std::fabs(x);
    if (a == 0.0 || !std::isfinite(a) || precision < 1) return r;

    // glibc prints the exact binary value correctly rounded; 40 extra digits
    // are far more than needed to decide the rounding at `precision` digits.
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.*e", 40, a);
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits.push_back(*p);
    const int exp10 = std::atoi(p + 1);  // buf = d.ddd e exp10
    r.Exponent = exp10 + 1;

    if (precision < static_cast<int>(digits.size())) {
        const bool up = digits[precision] >= '5';
        digits.resize(precision);
        if (up) {
            int i = precision - 1;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++r.Exponent;
            }
        }
    }
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    r.Digits = digits;
    if (r.Digits.empty()) r.Exponent = 0;
    return r;
}

namespace {

std::string NonFinite(double x) {
    if (std::isnan(x)) return "NAN";
    return x > 0 ? "INF" : "-INF";
}

// Fixed notation of 0.digits x 10^exp with at least `decimals` decimals.
std::string FixedText(const DecimalDigits& d, int decimals) {
    std::string intPart, fracPart;
    if (d.Exponent <= 0) {
        intPart = "0";
        fracPart.assign(-d.Exponent, '0');
        fracPart += d.Digits;
    } else if (static_cast<int>(d.Digits.size()) <= d.Exponent) {
        intPart = d.Digits + std::string(d.Exponent - d.Digits.size(), '0');
    } else {
        intPart = d.Digits.substr(0, d.Exponent);
        fracPart = d.Digits.substr(d.Exponent);
    }
    if (static_cast<int>(fracPart.size()) < decimals) fracPart.append(decimals - fracPart.size(), '0');
    std::string s = d.Negative ? "-" : "";
    s += intPart;
    if (!fracPart.empty()) s += "." + fracPart;
    return s;
}

std::string ExponentText(const DecimalDigits& d) {
    std::string s = d.Negative ? "-" : "";
    s += d.Digits[0];
    if (d.Digits.size() > 1) s += "." + d.Digits.substr(1);
    s += "E" + std::to_string(d.Exponent - 1);
    return s;
}

}  // namespace

std::string FormatGeneral(double x, int precision) {
    if (!std::isfinite(x)) return NonFinite(x);
    const DecimalDigits d = ToDecimalDigits(x, precision);
    if (d.Digits.empty()) return "0";
    if (d.Exponent > precision || d.Exponent < -3) return ExponentText(d);
    return FixedText(d, 0);
}

std::string FormatFileReal(double x) { return FormatGeneral(x, 15); }

std::string FormatFixed(double x, int decimals) {
    constexpr int precision = 8;
    if (!std::isfinite(x)) return NonFinite(x);
    if (decimals < 0) decimals = 0;
    const DecimalDigits exact = ToDecimalDigits(x, 60);  // no rounding: the true exponent
    if (exact.Digits.empty()) return "0";
    if (exact.Exponent > precision) return ExponentText(ToDecimalDigits(x, precision));

    // One rounding step, at the eighth significant digit or at the last
    // decimal, whichever comes first.
    const int keep = std::min(precision, exact.Exponent + decimals);
    DecimalDigits d;
    if (keep >= 1) {
        d = ToDecimalDigits(x, keep);
    } else if (keep == 0 && exact.Digits[0] >= '5') {
        d.Digits = "1";  // rounds up to one unit of the last decimal
        d.Exponent = exact.Exponent + 1;
        d.Negative = exact.Negative;
    }
    if (d.Digits.empty()) return "0";
    std::string s = FixedText(d, decimals);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s.empty() ? "0" : s;
}

std::string FormatE4(double x) {
    if (!std::isfinite(x)) return "0";
    const double ax = std::fabs(x);
    double a = ax;
    double e = 1e-8;
    for (int guard = 0; guard < 64; ++guard) {
        const char* prefix = "";
        if (a >= 1e9) {
            prefix = "G";
            a /= 1e9;
        } else if (a >= 1e6) {
            prefix = "M";
            a /= 1e6;
        } else if (a >= 1000) {
            prefix = "k";
            a /= 1000;
        } else if (a >= 1) {
        } else if (a >= 0.001) {
            prefix = "m";
            a *= 1000;
        } else if (a >= 1e-6) {
            prefix = "u";
            a *= 1e6;
        } else if (a >= 1e-9) {
            prefix = "n";
            a *= 1e9;
        } else if (a >= 1e-12) {
            prefix = "p";
            a *= 1e12;
        } else if (a > 1e-15) {
            prefix = "f";
            a *= 1e15;
        } else {
            a = 0;
        }
        std::string text = FormatGeneral(a, 4);
        if (text == "1000") {
            a = std::fabs((1 + e) * x);
            e *= 10;
            continue;
        }
        if (!std::isfinite(a)) return "0";
        if (text.size() > 5) text.resize(5);
        std::string s = x < 0 ? "-" : "";
        return s + text + prefix;
    }
    return "0";
}

bool TryParseReal(std::string_view t, double& out) {
    std::size_t i = 0, n = t.size();
    auto blank = [&](std::size_t k) { return t[k] == ' ' || t[k] == '\t'; };
    while (i < n && blank(i)) ++i;
    while (n > i && blank(n - 1)) --n;
    std::string s;
    std::size_t k = i;
    if (k < n && (t[k] == '+' || t[k] == '-')) {
        if (t[k] == '-') s.push_back('-');
        ++k;
    }
    int mantissaDigits = 0;
    for (; k < n && t[k] >= '0' && t[k] <= '9'; ++k, ++mantissaDigits) s.push_back(t[k]);
    if (k < n && t[k] == '.') {
        s.push_back('.');
        for (++k; k < n && t[k] >= '0' && t[k] <= '9'; ++k, ++mantissaDigits) s.push_back(t[k]);
    }
    if (mantissaDigits == 0) return false;
    if (k < n && (t[k] == 'e' || t[k] == 'E')) {
        s.push_back('e');
        ++k;
        if (k < n && (t[k] == '+' || t[k] == '-')) s.push_back(t[k++]);
        int expDigits = 0;
        for (; k < n && t[k] >= '0' && t[k] <= '9'; ++k, ++expDigits) s.push_back(t[k]);
        if (expDigits == 0) return false;
    }
    if (k != n) return false;
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is refused.
        double probe = std::strtod(s.c_str(), nullptr);
        if (std::isinf(probe)) return false;
        v = probe;
    } else if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    out = v;
    return true;
}

std::string DecimalCommaToPoint(std::string_view text) {
    std::string s(text);
    if (s.find('.') == std::string::npos) {
        if (const std::size_t comma = s.find(','); comma != std::string::npos) s[comma] = '.';
    }
    return s;
}

bool TryParseUserReal(std::string_view text, double& out) {
    double v = 0;
    if (!TryParseReal(DecimalCommaToPoint(text), v) || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool TryParseInt(std::string_view t, int& out) {
    std::size_t i = 0, n = t.size();
    while (i < n && (t[i] == ' ' || t[i] == '\t')) ++i;
    while (n > i && (t[n - 1] == ' ' || t[n - 1] == '\t')) --n;
    if (i < n && t[i] == '+') ++i;
    if (i == n) return false;
    int v = 0;
    const auto res = std::from_chars(t.data() + i, t.data() + n, v);
    if (res.ec != std::errc() || res.ptr != t.data() + n) return false;
    out = v;
    return true;
}

}  // namespace pelmo
