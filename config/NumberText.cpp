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

    // Mantissa: digits with an optional point; at least one digit in all.
    std::size_t digits = 0;
    // Decimal order of the first non-zero digit, to tell an overflow from an
    // underflow when the value is out of range.
    long long order = 0;
    bool seenNonZero = false;
    long long integerDigits = 0;
    long long leadingFractionZeros = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (text[pos] != '0' || seenNonZero) {
            seenNonZero = true;
            ++integerDigits;
        }
        ++digits;
        ++pos;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && IsDigit(text[pos])) {
            if (text[pos] != '0') {
                seenNonZero = true;
            } else if (!seenNonZero) {
                ++leadingFractionZeros;
            }
            ++digits;
            ++pos;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    std::size_t numberEnd = pos;

    // Exponent: only taken when at least one digit follows the optional sign.
    long long exponent = 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t e = pos + 1;
        bool expNegative = false;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
            expNegative = text[e] == '-';
            ++e;
        }
        if (e < text.size() && IsDigit(text[e])) {
            while (e < text.size() && IsDigit(text[e])) {
                if (exponent < 1000000) {
                    exponent = exponent * 10 + (text[e] - '0');
                }
                ++e;
            }
            if (expNegative) {
                exponent = -exponent;
            }
            numberEnd = e;
        }
    }
    if (!seenNonZero) {
        return negative ? -0.0 : 0.0;
    }
    order = (integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1)) + exponent;

    double value = 0.0;
    const char* first = text.data() + numberStart;
    const char* last = text.data() + numberEnd;
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
    if (value == 0.0f) {
        value = 0.0f;  // no "-0.000"
    }
    // Enough for the largest float in fixed notation with three decimals.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                      std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

namespace {

template <class T>
std::string Shortest(T value) {
    if (!std::isfinite(value)) {
        return {};
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string ShortestNumber(float value) {
    return Shortest(value);
}

std::string ShortestNumber(double value) {
    return Shortest(value);
}

}  // namespace ohmrada

namespace ohmrada {

std::string_view BoolText(bool value) {
    return value ? "true" : "false";
}

}  // namespace ohmrada
