#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ncdu/ExportInput.h"

namespace raumfuchs {

// What a reader of an export must give up on: the message and where.
struct Malformed {
    std::string what;
    std::uint64_t offset;  // in the unpacked bytes
};

// The JSON values of an export, read from an ExportInput block by block.
// Strings may hold any byte but a control character, so names that are not
// UTF-8 come through as they are; escapes are decoded to UTF-8. Numbers are
// read as unsigned integers only, which is all the format has. Whatever is
// not as expected throws Malformed, with a German message and the offset.
// Nothing here recurses or allocates by a number read from the file.
class JsonLexer {
  public:
    explicit JsonLexer(ExportInput& input) : input_(input) {}

    // The next byte, -1 at the end.
    int peek() {
        if (pos_ == end_) {
            fill();
        }
        return pos_ == end_ ? -1 : static_cast<unsigned char>(*pos_);
    }
    // Steps over the byte peek() or skipSpace() just gave.
    void advance() { ++pos_; }
    // The next byte that is not white space, not stepped over.
    int skipSpace() {
        for (;;) {
            const int c = peek();
            if (c != ' ' && c != '\n' && c != '\t' && c != '\r') {
                return c;
            }
            ++pos_;
        }
    }
    // Steps over `wanted` after white space; `what` names it in the message.
    void expect(char wanted, const char* what) {
        if (skipSpace() != static_cast<unsigned char>(wanted)) {
            unexpected(what);
        }
        ++pos_;
    }
    // After an object's member: steps over the comma and says true, or over
    // the closing brace and says false.
    bool nextMember() {
        const int c = skipSpace();
        if (c != ',' && c != '}') {
            unexpected("„,“ oder „}“");
        }
        ++pos_;
        return c == ',';
    }
    // Something else than `what` is next, or the file ends.
    [[noreturn]] void unexpected(const char* what);
    [[noreturn]] void fail(const std::string& what) { throw Malformed{what, offset()}; }
    std::uint64_t offset() const { return consumed_ + static_cast<std::uint64_t>(pos_ - begin_); }

    // Reads a string into `out`, at most `limit` bytes kept; `tooLong` says what
    // a longer one is (null: cut it silently, for keys and skipped values).
    void readString(std::string& out, std::size_t limit, const char* tooLong);
    // An integer from 0 to `max`; `key` names it in messages.
    std::uint64_t readUnsigned(const char* key, std::uint64_t max);
    // true or false (null counts as false); `key` names it in messages.
    bool readBool(const char* key);
    // Steps over one value of any type.
    void skipValue();
    // Reads an object, `what` naming its "{" in messages: for each member,
    // `member(key)` with the value next, which it reads or skips. (Keys as
    // views: compared with a literal, a view costs no strlen.)
    template <typename Member>
    void readObject(const char* what, Member&& member) {
        expect('{', what);
        if (skipSpace() == '}') {
            ++pos_;
            return;
        }
        do {
            readString(memberKey_, 64, nullptr);
            expect(':', "„:“");
            member(std::string_view(memberKey_));
        } while (nextMember());
    }

  private:
    void fill();
    int next() {
        const int c = peek();
        if (c >= 0) {
            ++pos_;
        }
        return c;
    }
    void readLiteral(const char* word);
    unsigned readHex4();

    ExportInput& input_;
    const char* begin_ = nullptr;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    std::uint64_t consumed_ = 0;  // bytes of the blocks before this one
    std::string memberKey_;       // the key readObject() is at
    std::string key_;             // keys of skipped objects
};

}  // namespace raumfuchs
