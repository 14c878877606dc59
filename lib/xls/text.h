// Texts of a workbook stream: UTF-16LE and Latin-1 characters to UTF-8, 8-bit
// texts of a code page through iconv, and strings whose characters are split
// over a record and its CONTINUE records.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vel::xls {

// Appends `units` UTF-16LE code units. A high surrogate at the end is kept in
// `pending` (0 when none) for the next call; unpaired surrogates become U+FFFD.
void append_utf16(std::string &out, const uint8_t *p, size_t units, uint16_t &pending);
// Ends a run of append_utf16 calls: a surrogate left pending becomes U+FFFD.
void end_utf16(std::string &out, uint16_t &pending);
// Appends 8-bit characters that are UTF-16 code units with a zero high byte.
void append_latin1(std::string &out, const uint8_t *p, size_t n);

// Converts 8-bit texts of a Windows code page (CODEPAGE record) to UTF-8.
class CodePage {
public:
    CodePage() = default;
    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;
    ~CodePage();

    void set(uint16_t codepage);
    uint16_t get() const { return codepage_; }
    // Appends `n` bytes; bytes the code page does not map become U+FFFD.
    void append(std::string &out, const uint8_t *p, size_t n);

private:
    void close();
    uint16_t codepage_ = 1252;
    void *cd_ = nullptr; // iconv descriptor, opened on first use
    bool tried_ = false;
};

// Strings laid out as XLUnicodeString (a STRING record) or, with `rich`, as
// XLUnicodeRichExtendedString (the shared-string table), fed one piece at a
// time: the record's body, then each CONTINUE body. A piece that continues
// the characters of a string starts with a byte that sets their width;
// headers, formatting runs and phonetic data continue without it.
class StringPieces {
public:
    enum class Result { ok, bad_flag, too_long };

    void begin(bool rich, bool single);
    // Feeds a piece; calls emit(std::string_view) for every completed string.
    template <class Emit>
    Result feed(const uint8_t *p, size_t n, bool continuation, Emit &&emit);
    // The stream of pieces ended: a string whose header was read is emitted
    // with the characters found so far. True when one was.
    template <class Emit>
    bool finish(Emit &&emit);

    // Longest string the table accepts, in characters.
    static constexpr uint32_t MAX_CHARS = 32767;

private:
    enum class Phase : uint8_t { header, chars, skip, done };
    // Takes header bytes from p (n available); `used` receives how many.
    Result header_bytes(const uint8_t *p, size_t n, size_t &used);

    bool rich_ = true;
    bool single_ = false;
    Phase phase_ = Phase::header;
    uint8_t head_[9] = {};
    uint8_t head_len_ = 0;
    uint8_t head_need_ = 3;
    bool wide_ = false;
    uint32_t chars_left_ = 0;
    uint64_t skip_left_ = 0;
    uint16_t pending_ = 0;
    std::string text_;
};

template <class Emit>
StringPieces::Result StringPieces::feed(const uint8_t *p, size_t n, bool continuation, Emit &&emit) {
    size_t i = 0;
    if (continuation && phase_ == Phase::chars && chars_left_ > 0) {
        if (n == 0) return Result::ok;
        if (p[0] > 1) return Result::bad_flag;
        wide_ = p[0] == 1;
        i = 1;
    }
    while (i < n && phase_ != Phase::done) {
        switch (phase_) {
        case Phase::header: {
            size_t used = 0;
            const Result r = header_bytes(p + i, n - i, used);
            if (r != Result::ok) return r;
            i += used;
            break;
        }
        case Phase::chars: {
            const size_t width = wide_ ? 2 : 1;
            const size_t k = std::min<size_t>(chars_left_, (n - i) / width);
            if (k == 0) { // half a character at the end of a piece: not text
                i = n;
                break;
            }
            if (wide_) append_utf16(text_, p + i, k, pending_);
            else {
                end_utf16(text_, pending_);
                append_latin1(text_, p + i, k);
            }
            i += k * width;
            chars_left_ -= static_cast<uint32_t>(k);
            break;
        }
        case Phase::skip: {
            const size_t k = std::min<size_t>(skip_left_, n - i);
            i += k;
            skip_left_ -= k;
            break;
        }
        case Phase::done: break;
        }
        if (phase_ == Phase::chars && chars_left_ == 0) phase_ = skip_left_ > 0 ? Phase::skip : Phase::header;
        if (phase_ == Phase::skip && skip_left_ == 0) phase_ = Phase::header;
        if (phase_ == Phase::header && head_len_ == head_need_) {
            // A string is complete.
            end_utf16(text_, pending_);
            emit(std::string_view(text_));
            head_len_ = 0;
            head_need_ = 3;
            if (single_) phase_ = Phase::done;
        }
    }
    return Result::ok;
}

template <class Emit>
bool StringPieces::finish(Emit &&emit) {
    const bool open = phase_ == Phase::chars || phase_ == Phase::skip;
    if (open) {
        end_utf16(text_, pending_);
        emit(std::string_view(text_));
    }
    phase_ = Phase::done;
    return open;
}

} // namespace vel::xls
