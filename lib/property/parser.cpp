// The key parser: a dotted key becomes a property kind and a target.
#include "property/parser.h"

#include <cstring>
#include <string>

#include "model/book.h"
#include "core/messages.h"
#include "model/sheets.h"
#include "property/address.h"
#include "property/keywords.h"
#include "property/kinds.h"

namespace vel {

namespace {

bool is_ascii(std::string_view s) {
    for (char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

int refuse(Book *book, CombineError e, std::string_view key) {
    switch (e) {
    case CE_FONT: return vlt_error(book, -3, msg::E02403, to_utf8(book, key).c_str());
    case CE_GRADATION: return vlt_error(book, -3, msg::E02409, to_utf8(book, key).c_str());
    case CE_OFFSET: return vlt_error(book, -3, msg::E02402);
    case CE_FILL: return vlt_error(book, -3, msg::E02406);
    case CE_PATTERN: return vlt_error(book, -3, msg::E02407);
    case CE_IMAGE: return vlt_error(book, -3, msg::E02420);
    case CE_MARGIN: return vlt_error(book, -3, msg::E02500);
    case CE_PAPER: return vlt_error(book, -3, msg::E02501);
    case CE_BACKGROUND: return vlt_error(book, -3, msg::E02510);
    case CE_THUMBNAIL: return vlt_error(book, -3, msg::E02511);
    case CE_TAB: return vlt_error(book, -3, msg::E02310);
    case CE_LINE: return vlt_error(book, -3, msg::E02602);
    case CE_ARROW: return vlt_error(book, -3, msg::E02603);
    case CE_SHADOW: return vlt_error(book, -3, msg::E02604);
    case CE_ADJUST: return vlt_error(book, -3, msg::E02605);
    case CE_NONE: break;
    }
    return 0;
}

// The first section when it is not a keyword: a target, a sheet name, or
// (alone) a variable name.
int first_section(Book *book, std::string_view section, bool alone, int &kind, PropTarget &t) {
    std::string converted;
    std::string_view u = section;
    if (!is_ascii(section)) {
        converted = to_utf8(book, section);
        u = converted;
    }
    int rc = read_target(book, u, t);
    if (rc == 0) return 0;
    if (rc == -3) return vlt_error(book, -3, msg::E03008, "RANGE", MAX_TARGET_RANGES);
    if (u.size() <= static_cast<size_t>(MAX_PREFIX_LEN)) {
        int sheet = vlt_find_sheet(book, u);
        if (sheet >= 0) t.sheet = sheet;
        if (!alone) {
            if (sheet >= 0) return 0;
            return vlt_error(book, -3, msg::E02200, std::string(u).c_str());
        }
    } else if (!alone) {
        return vlt_error(book, -3, msg::E02200, std::string(u).c_str());
    }
    if (u.empty()) return 0;
    if (u.find_first_of("!$:") != std::string_view::npos) {
        // The item loop replaces this message by 02200; VXLS_is_property keeps it.
        vlt_error(book, 0, msg::E02305, std::string(u).c_str());
        return 0;
    }
    kind = kind::VARIABLE;
    return 0;
}

// The keyword sections after the first one, as last combined. Property
// texts repeat the same path for many targets ("A1.塗りつぶし.色",
// "B1.塗りつぶし.色", ...), so the combination of a repeated path is taken
// from here. Only successful combinations are kept; they depend on nothing
// but the bytes and the character set.
struct PathCache {
    static constexpr size_t CAPACITY = 64;
    int charset = 0;
    size_t len = 0;
    char bytes[CAPACITY];
    int kind = kind::NONE;
    int code = 0;

    bool find(int cs, std::string_view path, int &k, int &c) const {
        if (cs != charset || path.size() != len || std::memcmp(path.data(), bytes, len) != 0) return false;
        k = kind;
        c = code;
        return true;
    }
    void keep(int cs, std::string_view path, int k, int c) {
        if (path.size() > CAPACITY) return;
        charset = cs;
        len = path.size();
        std::memcpy(bytes, path.data(), len);
        kind = k;
        code = c;
    }
};

PathCache &path_cache() {
    thread_local PathCache cache;
    return cache;
}

} // namespace

int vlt_parse_property(Book *book, std::string_view key, int &kind, PropTarget &t) {
    kind = kind::NONE;
    t.sheet = -1;
    t.row = -1;
    t.col = -1;
    t.nranges = 0;
    if (!book) return -3;
    const int charset = book->charset;

    // Sections are cut at dots outside double quotes. Dots and quotes are
    // below 0x40, so they are never the second byte of a Shift-JIS, EUC-JP
    // or UTF-8 character and a byte scan is exact.
    std::string_view sections[MAX_KEY_SECTIONS];
    int count = 0;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i <= key.size(); ++i) {
        if (i < key.size()) {
            if (key[i] == '"') quoted = !quoted;
            if (key[i] != '.' || quoted) continue;
        }
        if (count == MAX_KEY_SECTIONS) return vlt_error(book, -3, msg::E02211, to_utf8(book, key).c_str());
        std::string_view s = key.substr(start, i - start);
        if (s.size() > MAX_SECTION_LEN)
            return vlt_error(book, -9, msg::E03009, static_cast<int>(s.size()), "vlt_parse_property() section");
        sections[count++] = s;
        start = i + 1;
    }

    int code = 0;
    int i = count - 1;
    std::string_view path;
    bool cached = false;
    if (count >= 2) {
        path = key.substr(static_cast<size_t>(sections[1].data() - key.data()));
        cached = path_cache().find(charset, path, kind, code);
        if (cached) i = 0;
    }
    for (; i >= 0; --i) {
        if (i == 0 && count >= 2 && !cached) path_cache().keep(charset, path, kind, code);
        int kw = find_keyword(charset, sections[i]);
        if (kw >= 0) {
            const int kind_before = kind, code_before = code;
            CombineError e = combine_keyword(kw, kind, code);
            if (e != CE_NONE) {
                kind = kind::NONE;
                return refuse(book, e, key);
            }
            // Column names such as X, TOP or TAB are keywords too. As the
            // first section of a path that they add nothing to, they name
            // the column ("X.WIDTH" is the width of column X).
            if (i == 0 && count >= 2 && kind == kind_before && code == code_before &&
                read_target(book, sections[0], t) == 0)
                return 0;
            continue;
        }
        if (i > 0) {
            kind = kind::NONE;
            return vlt_error(book, -3, msg::E02200, to_utf8(book, sections[i]).c_str());
        }
        int rc = first_section(book, sections[0], count == 1, kind, t);
        if (rc != 0) kind = kind::NONE;
        return rc;
    }
    return 0;
}

} // namespace vel
