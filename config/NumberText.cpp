// SPDX-License-Identifier: GPL-3.0-or-later
#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "Texts.h"

namespace ohmrada {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

namespace {

// The mantissa at `pos`: digits with an optional point, at least one digit
// in all (digits 0 otherwise).
struct CMantissa {
    std::size_t end = 0;
    std::size_t digits = 0;
    bool seenNonZero = false;
    long long integerDigits = 0;         // from the first non-zero one
    long long leadingFractionZeros = 0;  // before the first non-zero one
};

CMantissa ReadMantissa(std::string_view text, std::size_t pos) {
    CMantissa m;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (text[pos] != '0' || m.seenNonZero) {
            m.seenNonZero = true;
            ++m.integerDigits;
        }
        ++m.digits;
        ++pos;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && IsDigit(text[pos])) {
            if (text[pos] != '0') {
                m.seenNonZero = true;
            } else if (!m.seenNonZero) {
                ++m.leadingFractionZeros;
            }
            ++m.digits;
            ++pos;
        }
    }
    m.end = pos;
    return m;
}

// The exponent at `pos`: only taken when at least one digit follows the "e"
// and its optional sign (end is then past it, else `pos`).
struct CExponent {
    std::size_t end = 0;
    long long value = 0;
};

CExponent ReadExponent(std::string_view text, std::size_t pos) {
    CExponent exponent{pos, 0};
    if (pos >= text.size() || (text[pos] != 'e' && text[pos] != 'E')) {
        return exponent;
    }
    std::size_t e = pos + 1;
    const bool negative = e < text.size() && text[e] == '-';
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
        ++e;
    }
    if (e >= text.size() || !IsDigit(text[e])) {
        return exponent;
    }
    for (; e < text.size() && IsDigit(text[e]); ++e) {
        if (exponent.value < 1000000) {
            exponent.value = exponent.value * 10 + (text[e] - '0');
        }
    }
    exponent.value = negative ? -exponent.value : exponent.value;
    exponent.end = e;
    return exponent;
}

}  // namespace

double ParseNumberPrefix(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t numberStart = pos;
    const CMantissa mantissa = ReadMantissa(text, pos);
    if (mantissa.digits == 0) {
        return 0.0;
    }
    const CExponent exponent = ReadExponent(text, mantissa.end);
    if (!mantissa.seenNonZero) {
        return negative ? -0.0 : 0.0;
    }
    // Decimal order of the first non-zero digit, to tell an overflow from an
    // underflow when the value is out of range.
    const long long order = (mantissa.integerDigits > 0 ? mantissa.integerDigits - 1
                                                        : -(mantissa.leadingFractionZeros + 1)) +
                            exponent.value;

    double value = 0.0;
    const char* first = text.data() + numberStart;
    const char* last = text.data() + exponent.end;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

float ToSingleClamped(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax) {
        return std::numeric_limits<float>::max();
    }
    if (value < -kMax) {
        return -std::numeric_limits<float>::max();
    }
    return static_cast<float>(value);
}

float ReadNumber(std::string_view text) {
    return ToSingleClamped(ParseNumberPrefix(text));
}

std::string FormatFieldValue(float value, int decimals) {
    if (!std::isfinite(value)) {
        return texts::kUndefinedValue;
    }
    // Enough for the largest float in fixed notation with three decimals.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                      std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    // No "-0.000": a negative zero, or a negative value too small to show a
    // digit, reads back as zero and shows as zero.
    if (text.front() == '-' && text.find_first_not_of("0.", 1) == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

namespace {

template <class T>
void AppendShortest(std::string& text, T value) {
    if (!std::isfinite(value)) {
        return;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

}  // namespace

std::string ShortestNumber(float value) {
    std::string text;
    AppendShortest(text, value);
    return text;
}

std::string ShortestNumber(double value) {
    std::string text;
    AppendShortest(text, value);
    return text;
}

void AppendShortestNumber(std::string& text, float value) {
    AppendShortest(text, value);
}

void AppendShortestNumber(std::string& text, double value) {
    AppendShortest(text, value);
}

}  // namespace ohmrada

namespace ohmrada {

std::string_view BoolText(bool value) {
    return value ? "true" : "false";
}

}  // namespace ohmrada
