// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A strict little JSON reader for the tests of ohmrada-calc, so that they see
// what a consumer of its output sees.

#include <cctype>
#include <charconv>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ohmrada::test {

struct CJson {
    enum class EType { kNull, kBool, kNumber, kString, kArray, kObject };
    EType type = EType::kNull;
    bool boolean = false;
    long long number = 0;  // a number's whole part
    double real = 0.0;
    std::string text;
    std::vector<CJson> items;
    std::vector<std::pair<std::string, CJson>> members;  // in document order

    const CJson& operator[](const std::string& key) const {
        for (const auto& [name, value] : members) {
            if (name == key) {
                return value;
            }
        }
        throw std::runtime_error("no member " + key);
    }
};

// Reads what ohmrada-calc writes; throws on anything that is not JSON.
// \u escapes are decoded for ASCII only, which is all the tool writes.
class CJsonReader {
public:
    static CJson Parse(const std::string& text) {
        CJsonReader reader{text};
        CJson value = reader.Value();
        if (reader.Peek() != '\0') {
            throw std::runtime_error("text after the document");
        }
        return value;
    }

private:
    explicit CJsonReader(const std::string& text) : m_text(text) {}
    char Peek() {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos]))) {
            ++m_pos;
        }
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }
    bool Take(char c) { return Peek() == c ? (++m_pos, true) : false; }
    void Expect(char c) {
        if (!Take(c)) {
            throw std::runtime_error(std::string("expected ") + c + " at " + std::to_string(m_pos));
        }
    }
    bool Word(const std::string& word) {
        return m_text.compare(m_pos, word.size(), word) == 0 ? (m_pos += word.size(), true) : false;
    }
    std::string String() {
        Expect('"');
        std::string out;
        for (char c; (c = m_text.at(m_pos++)) != '"';) {
            if (static_cast<unsigned char>(c) < 0x20) {
                throw std::runtime_error("raw control character in a string");
            }
            if (c == '\\') {
                const char e = m_text.at(m_pos++);
                if (e == 'u') {
                    const unsigned long code = std::stoul(m_text.substr(m_pos, 4), nullptr, 16);
                    m_pos += 4;
                    c = code < 0x80 ? static_cast<char>(code) : throw std::runtime_error("\\u");
                } else {
                    c = e == '"' || e == '\\' ? e : throw std::runtime_error("bad escape");
                }
            }
            out.push_back(c);
        }
        return out;
    }
    CJson Value() {
        CJson value;
        const char c = Peek();
        if (Take('{')) {
            value.type = CJson::EType::kObject;
            if (!Take('}')) {
                do {
                    std::string key = String();
                    Expect(':');
                    value.members.emplace_back(std::move(key), Value());
                } while (Take(','));
                Expect('}');
            }
        } else if (Take('[')) {
            value.type = CJson::EType::kArray;
            if (!Take(']')) {
                do {
                    value.items.push_back(Value());
                } while (Take(','));
                Expect(']');
            }
        } else if (c == '"') {
            value.type = CJson::EType::kString;
            value.text = String();
        } else if (Word("true") || Word("false")) {
            value.type = CJson::EType::kBool;
            value.boolean = m_text[m_pos - 1] == 'e' && m_text[m_pos - 2] == 'u';
        } else if (!Word("null")) {
            value.type = CJson::EType::kNumber;
            const char* begin = m_text.data() + m_pos;
            const auto parsed = std::from_chars(begin, m_text.data() + m_text.size(), value.real);
            if (parsed.ec != std::errc()) {
                throw std::runtime_error("expected a value at " + std::to_string(m_pos));
            }
            value.number = static_cast<long long>(value.real);
            m_pos += static_cast<std::size_t>(parsed.ptr - begin);
        }
        return value;
    }

    const std::string& m_text;
    std::size_t m_pos = 0;
};

inline CJson ParseJson(const std::string& text) {
    return CJsonReader::Parse(text);
}

}  // namespace ohmrada::test
