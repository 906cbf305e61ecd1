#include "core/ncdu/JsonLexer.h"

#include <vector>

namespace raumfuchs {

namespace {

void appendCodePoint(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

void JsonLexer::fill() {
    consumed_ += static_cast<std::uint64_t>(end_ - begin_);
    if (!input_.refill(begin_, end_)) {
        throw Malformed{input_.error(), offset()};
    }
    pos_ = begin_;
}

void JsonLexer::unexpected(const char* what) {
    if (peek() < 0) {
        fail(std::string("die Datei endet vorzeitig, ") + what + " erwartet");
    }
    fail(std::string(what) + " erwartet");
}

void JsonLexer::readString(std::string& out, std::size_t limit, const char* tooLong) {
    out.clear();
    if (skipSpace() != '"') {
        unexpected("eine Zeichenkette");
    }
    ++pos_;
    for (;;) {
        if (pos_ == end_) {
            fill();
            if (pos_ == end_) {
                fail("die Datei endet in einer Zeichenkette");
            }
        }
        // The plain run up to the next quote, backslash or control character.
        const char* run = pos_;
        while (pos_ != end_ && *pos_ != '"' && *pos_ != '\\' &&
               static_cast<unsigned char>(*pos_) >= 0x20) {
            ++pos_;
        }
        const std::size_t length = static_cast<std::size_t>(pos_ - run);
        if (out.size() + length > limit) {
            if (tooLong != nullptr) {
                pos_ = run + (limit - out.size());
                fail(tooLong);
            }
            out.append(run, limit - out.size());
        } else {
            out.append(run, length);
        }
        if (pos_ == end_) {
            continue;
        }
        const char c = *pos_++;
        if (c == '"') {
            return;
        }
        if (c != '\\') {
            --pos_;
            fail("Steuerzeichen in einer Zeichenkette");
        }
        const int e = next();
        char32_t cp = 0;
        switch (e) {
            case '"':
            case '\\':
            case '/':
                cp = static_cast<char32_t>(e);
                break;
            case 'b':
                cp = '\b';
                break;
            case 'f':
                cp = '\f';
                break;
            case 'n':
                cp = '\n';
                break;
            case 'r':
                cp = '\r';
                break;
            case 't':
                cp = '\t';
                break;
            case 'u': {
                cp = readHex4();
                if (cp == 0) {
                    fail("ein Nullzeichen in einer Zeichenkette");
                }
                if (cp >= 0xDC00 && cp < 0xE000) {
                    fail("ungültige \\u-Escape-Sequenz in einer Zeichenkette");
                }
                if (cp >= 0xD800 && cp < 0xDC00) {
                    // A high surrogate needs the low one right after it.
                    if (next() != '\\' || next() != 'u') {
                        fail("ungültige \\u-Escape-Sequenz in einer Zeichenkette");
                    }
                    const char32_t low = readHex4();
                    if (low < 0xDC00 || low >= 0xE000) {
                        fail("ungültige \\u-Escape-Sequenz in einer Zeichenkette");
                    }
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                break;
            }
            default:
                if (e >= 0) {
                    --pos_;
                }
                fail(e < 0 ? "die Datei endet in einer Zeichenkette"
                           : "ungültige Escape-Sequenz in einer Zeichenkette");
        }
        if (out.size() + 4 > limit) {
            if (tooLong != nullptr) {
                fail(tooLong);
            }
            continue;
        }
        appendCodePoint(out, cp);
    }
}

unsigned JsonLexer::readHex4() {
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        const int c = peek();
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            fail("ungültige \\u-Escape-Sequenz in einer Zeichenkette");
        }
        ++pos_;
        value = value * 16 + digit;
    }
    return value;
}

std::uint64_t JsonLexer::readUnsigned(const char* key, std::uint64_t max) {
    const int first = skipSpace();
    if (first == '-') {
        fail(std::string("„") + key + "“ ist negativ");
    }
    if (first < '0' || first > '9') {
        fail(std::string("„") + key + "“ muss eine ganze Zahl sein");
    }
    std::uint64_t value = 0;
    for (int c = peek(); c >= '0' && c <= '9'; c = peek()) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (max - digit) / 10) {
            fail(std::string("„") + key + "“ ist zu groß");
        }
        value = value * 10 + digit;
        ++pos_;
    }
    const int after = peek();
    if (after == '.' || after == 'e' || after == 'E') {
        fail(std::string("„") + key + "“ muss eine ganze Zahl sein");
    }
    return value;
}

void JsonLexer::readLiteral(const char* word) {
    for (const char* w = word; *w != '\0'; ++w) {
        if (next() != static_cast<unsigned char>(*w)) {
            fail(std::string("„") + word + "“ erwartet");
        }
    }
}

bool JsonLexer::readBool(const char* key) {
    const int c = skipSpace();
    if (c == 't') {
        readLiteral("true");
        return true;
    }
    if (c == 'f') {
        readLiteral("false");
        return false;
    }
    if (c == 'n') {  // some writers put null for "not set"
        readLiteral("null");
        return false;
    }
    fail(std::string("„") + key + "“ muss true oder false sein");
}

// Skips one value of any type. Nested arrays and objects are followed with a
// counter of open brackets and a bit stack of their kinds, bounded.
void JsonLexer::skipValue() {
    constexpr std::size_t kMaxDepth = 256;
    std::vector<bool> inObject;
    for (;;) {
        const int c = skipSpace();
        bool done = false;
        if (c == '{' || c == '[') {
            if (inObject.size() == kMaxDepth) {
                fail("ein unbekannter Wert ist zu tief verschachtelt");
            }
            ++pos_;
            inObject.push_back(c == '{');
            const int close = skipSpace();
            if (close == (c == '{' ? '}' : ']')) {
                ++pos_;
                inObject.pop_back();
                done = true;
            } else if (c == '{') {
                readString(key_, 64, nullptr);
                expect(':', "„:“");
                continue;
            } else {
                continue;
            }
        } else if (c == '"') {
            readString(key_, 0, nullptr);
            done = true;
        } else if (c == 't' || c == 'f' || c == 'n') {
            readLiteral(c == 't' ? "true" : c == 'f' ? "false" : "null");
            done = true;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            ++pos_;
            for (int d = peek();
                 (d >= '0' && d <= '9') || d == '.' || d == 'e' || d == 'E' || d == '+' || d == '-';
                 d = peek()) {
                ++pos_;
            }
            done = true;
        } else {
            unexpected("ein Wert");
        }
        // After a complete value: close the containers it ends, or go on.
        while (done) {
            if (inObject.empty()) {
                return;
            }
            const int sep = skipSpace();
            if (sep == ',') {
                ++pos_;
                if (inObject.back()) {
                    readString(key_, 64, nullptr);
                    expect(':', "„:“");
                }
                done = false;
            } else if (sep == (inObject.back() ? '}' : ']')) {
                ++pos_;
                inObject.pop_back();
            } else {
                unexpected(inObject.back() ? "„,“ oder „}“" : "„,“ oder „]“");
            }
        }
    }
}

}  // namespace raumfuchs
