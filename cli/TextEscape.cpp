// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextEscape.h"

#include "FormText.h"

#include "NumberText.h"

#include <charconv>
#include <cmath>

namespace ohmrada::cli {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

unsigned char ByteAt(std::string_view text, std::size_t pos) {
    return static_cast<unsigned char>(text[pos]);
}

void AppendHexByte(std::string& out, unsigned char byte) {
    out.push_back(kHexDigits[byte >> 4U]);
    out.push_back(kHexDigits[byte & 0x0FU]);
}

bool IsControl(unsigned char byte) {
    return byte < 0x20U || byte == 0x7FU;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) {
        return 0;
    }
    const unsigned char lead = ByteAt(text, pos);
    if (lead < 0x80U) {
        return 1;
    }
    // The range the second byte must lie in, which rules out overlong forms,
    // surrogates and values above U+10FFFF; further bytes are 0x80..0xBF.
    std::size_t length = 0;
    unsigned char low = 0x80U;
    unsigned char high = 0xBFU;
    if (lead >= 0xC2U && lead <= 0xDFU) {
        length = 2;
    } else if (lead == 0xE0U) {
        length = 3;
        low = 0xA0U;
    } else if (lead == 0xEDU) {
        length = 3;
        high = 0x9FU;
    } else if (lead >= 0xE1U && lead <= 0xEFU) {
        length = 3;
    } else if (lead == 0xF0U) {
        length = 4;
        low = 0x90U;
    } else if (lead >= 0xF1U && lead <= 0xF3U) {
        length = 4;
    } else if (lead == 0xF4U) {
        length = 4;
        high = 0x8FU;
    } else {
        return 0;
    }
    if (text.size() - pos < length) {
        return 0;
    }
    const unsigned char second = ByteAt(text, pos + 1);
    if (second < low || second > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        const unsigned char next = ByteAt(text, pos + i);
        if (next < 0x80U || next > 0xBFU) {
            return 0;
        }
    }
    return length;
}

std::size_t DisplayWidth(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t pos = 0; pos < text.size(); ++width) {
        const std::size_t length = Utf8SequenceLength(text, pos);
        pos += length == 0 ? 1 : length;
    }
    return width;
}

std::string JsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, pos);
        if (length == 0) {
            out.append("\xEF\xBF\xBD");  // U+FFFD REPLACEMENT CHARACTER
            ++pos;
            continue;
        }
        const unsigned char byte = ByteAt(text, pos);
        if (byte == '"' || byte == '\\') {
            out.push_back('\\');
            out.push_back(text[pos]);
        } else if (IsControl(byte)) {
            out.append("\\u00");
            AppendHexByte(out, byte);
        } else {
            out.append(text.substr(pos, length));
        }
        pos += length;
    }
    out.push_back('"');
    return out;
}

std::string QuoteForDiagnostic(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, pos);
        const unsigned char byte = ByteAt(text, pos);
        if (length == 0 || IsControl(byte)) {
            switch (byte) {
                case '\n':
                    out.append("\\n");
                    break;
                case '\r':
                    out.append("\\r");
                    break;
                case '\t':
                    out.append("\\t");
                    break;
                default:
                    out.append("\\x");
                    AppendHexByte(out, byte);
                    break;
            }
            ++pos;
            continue;
        }
        if (byte == '"' || byte == '\\') {
            out.push_back('\\');
        }
        out.append(text.substr(pos, length));
        pos += length;
    }
    out.push_back('"');
    return out;
}

std::string JsonStringOrNull(const std::optional<std::string>& text) {
    return text ? JsonString(*text) : std::string("null");
}

std::string JsonNumber(float value) {
    return std::isfinite(value) ? ShortestNumber(value) : std::string("null");
}

std::string JsonNumber(double value) {
    return std::isfinite(value) ? ShortestNumber(value) : std::string("null");
}

std::string ShownValue(const std::string& text) {
    return text == texts::kUndefinedValue ? std::string(Tr(texts::kUndefinedValue)) : text;
}

std::string FillIn(std::string_view pattern, std::initializer_list<std::string> values) {
    std::string text(pattern);
    char mark[] = "%1";
    for (const std::string& value : values) {
        const std::size_t at = text.find(mark);
        if (at != std::string::npos) {
            text.replace(at, 2, value);
        }
        ++mark[1];
    }
    return text;
}

}  // namespace ohmrada::cli
