// The style registry. Tables are plain vectors in the model (append-only:
// entries are never removed or rewritten), shadowed by hash indexes that map
// a whole entry to the position of its first occurrence. Because entries
// only ever get appended, "insert if absent" keeps exactly the entry that a
// first-match linear search would return.
//
// Other code (the readers) may append to the tables directly; the indexes
// catch up with such entries before every lookup, and rebuild themselves
// when a table was cleared.
#include "model/styles.h"

#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "core/messages.h"
#include "core/status.h"

namespace vel {

namespace {

inline uint64_t mix(uint64_t x) {
    x ^= x >> 31;
    x *= 0x7fb5d329728ea185ULL;
    x ^= x >> 27;
    x *= 0x81dadef4bc2dd44dULL;
    x ^= x >> 33;
    return x;
}

inline uint32_t rgb_key(const uint8_t rgb[3]) {
    return (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
}

// Open-addressing map from 64-bit keys (never ~0) to 32-bit values; key and
// value share a slot so that a probe touches one cache line.
class FlatMap {
public:
    const int32_t *find(uint64_t key) const {
        if (slots_.empty()) return nullptr;
        size_t i = slot(key);
        for (;;) {
            const Slot &s = slots_[i];
            if (s.key == key) return &s.value;
            if (s.key == kEmpty) return nullptr;
            i = (i + 1) & mask_;
        }
    }
    void put(uint64_t key, int32_t value) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        size_t i = slot(key);
        while (slots_[i].key != kEmpty && slots_[i].key != key) i = (i + 1) & mask_;
        if (slots_[i].key == kEmpty) ++count_;
        slots_[i] = Slot{key, value};
    }
    void clear() {
        slots_.clear();
        count_ = 0;
        mask_ = 0;
    }

private:
    static constexpr uint64_t kEmpty = ~uint64_t{0};
    struct Slot {
        uint64_t key;
        int32_t value;
    };
    size_t slot(uint64_t key) const { return static_cast<size_t>(mix(key)) & mask_; }
    void grow() {
        size_t cap = slots_.empty() ? 64 : slots_.size() * 2;
        std::vector<Slot> old(cap, Slot{kEmpty, 0});
        old.swap(slots_);
        mask_ = cap - 1;
        count_ = 0;
        for (const Slot &s : old)
            if (s.key != kEmpty) put(s.key, s.value);
    }
    std::vector<Slot> slots_;
    size_t count_ = 0;
    size_t mask_ = 0;
};

// Open-addressing set of 40-bit keys with 16-bit values packed into one
// 64-bit slot: half the footprint of FlatMap for the hottest lookup.
class PackedMap {
public:
    bool find(uint64_t key, uint16_t &value) const {
        if (slots_.empty()) return false;
        for (size_t i = slot(key);; i = (i + 1) & mask_) {
            uint64_t s = slots_[i];
            if ((s & kKeyMask) == key) {
                value = static_cast<uint16_t>(s >> 48);
                return true;
            }
            if (s == kEmpty) return false;
        }
    }
    void put(uint64_t key, uint16_t value) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        size_t i = slot(key);
        while (slots_[i] != kEmpty && (slots_[i] & kKeyMask) != key) i = (i + 1) & mask_;
        if (slots_[i] == kEmpty) ++count_;
        slots_[i] = key | (uint64_t{value} << 48);
    }
    void clear() {
        slots_.clear();
        count_ = 0;
        mask_ = 0;
    }

private:
    static constexpr uint64_t kEmpty = ~uint64_t{0};
    static constexpr uint64_t kKeyMask = (uint64_t{1} << 48) - 1; // keys stay below 2^40
    size_t slot(uint64_t key) const { return static_cast<size_t>(mix(key)) & mask_; }
    void grow() {
        size_t cap = slots_.empty() ? 64 : slots_.size() * 2;
        std::vector<uint64_t> old(cap, kEmpty);
        old.swap(slots_);
        mask_ = cap - 1;
        count_ = 0;
        for (uint64_t s : old)
            if (s != kEmpty) put(s & kKeyMask, static_cast<uint16_t>(s >> 48));
    }
    std::vector<uint64_t> slots_;
    size_t count_ = 0;
    size_t mask_ = 0;
};

struct XfHash {
    size_t operator()(const Xf &x) const {
        uint64_t a = (uint64_t(uint32_t(x.numfmt)) << 32) | uint32_t(x.font);
        uint64_t b = (uint64_t(uint32_t(x.fill)) << 32) | uint32_t(x.border);
        uint64_t c = (uint64_t(uint32_t(x.cell_style)) << 32) | (uint64_t(x.align) << 24) |
                     (uint64_t(x.reserved) << 16) | (uint64_t(x.nf_mode) << 8) | x.text_ctl;
        return mix(a ^ mix(b ^ mix(c)));
    }
};

struct FontHash {
    size_t operator()(const Font &f) const {
        uint64_t a = (uint64_t(f.code) << 56) | (uint64_t(f.size) << 40) |
                     (uint64_t(f.style) << 32) | uint32_t(f.color);
        return mix(a ^ (uint64_t(rgb_key(f.rgb)) << 7)) ^ std::hash<std::string>()(f.face);
    }
};

struct FillHash {
    size_t operator()(const Fill &f) const {
        uint64_t a = (uint64_t(uint32_t(f.pattern)) << 32) | uint32_t(f.pattern_color);
        uint64_t b = (uint64_t(uint32_t(f.color)) << 32) | rgb_key(f.rgb);
        uint64_t c = (uint64_t(uint32_t(f.color2)) << 32) | (uint64_t(rgb_key(f.rgb2)) << 8) |
                     (uint64_t(f.grad_dir) << 4) | f.grad_var;
        return mix(a ^ mix(b ^ mix(c)));
    }
};

struct BorderHash {
    size_t operator()(const Border &b) const {
        uint64_t a = 0;
        for (uint8_t l : b.line) a = (a << 8) | l;
        return mix(a ^ ((uint64_t(uint32_t(b.color)) << 24) | rgb_key(b.rgb)));
    }
};

// Tags of the derivation memo: (tag, old style, operand) -> new style.
enum : uint64_t { OP_ALIGN = 1, OP_TEXT = 2, OP_NUMFMT = 3, OP_FONT = 4, OP_FILL = 5, OP_BORDER = 6 };

inline uint64_t memo_key(uint64_t op, uint16_t style, uint32_t operand) {
    return (op << 48) | (uint64_t{style} << 32) | operand;
}

} // namespace

struct StyleTables {
    std::unordered_map<Xf, int32_t, XfHash> xf;
    std::unordered_map<Font, int32_t, FontHash> font;
    std::unordered_map<Fill, int32_t, FillHash> fill;
    std::unordered_map<Border, int32_t, BorderHash> border;
    FlatMap color;   // colour value -> fill most recently added with it
    FlatMap memo;    // derivation memo
    // (old style, colour value) -> new style for a solid colour value set on
    // a cell: the whole fill-colour operation in one probe. Cleared whenever
    // the colour index changes an existing entry, which could change results.
    PackedMap solid;
    // entries of each table already indexed
    size_t nxf = 0, nfont = 0, nfill = 0, nborder = 0;
};

namespace {

template <class Map, class Vec>
void catch_up(Map &map, const Vec &table, size_t &done, int32_t base) {
    if (table.size() < done) {
        map.clear();
        done = 0;
    }
    for (; done < table.size(); ++done) map.emplace(table[done], static_cast<int32_t>(done) + base);
}

// The model's indexes, brought up to date with its tables.
StyleTables &tables(Model &m) {
    if (!m.index) m.index = std::make_shared<StyleTables>();
    StyleTables &t = *m.index;
    if (t.nxf != m.xfs.size()) {
        if (m.xfs.size() < t.nxf) {
            t.memo.clear();
            t.solid.clear();
        }
        catch_up(t.xf, m.xfs, t.nxf, 0);
    }
    if (t.nfont != m.fonts.size()) catch_up(t.font, m.fonts, t.nfont, 0);
    if (t.nfill != m.fills.size()) {
        if (m.fills.size() < t.nfill) {
            t.color.clear();
            t.memo.clear();
            t.solid.clear();
            t.fill.clear();
            t.nfill = 0;
        }
        t.solid.clear();
        for (; t.nfill < m.fills.size(); ++t.nfill) {
            const Fill &f = m.fills[t.nfill];
            t.fill.emplace(f, static_cast<int32_t>(t.nfill));
            t.color.put(rgb_key(f.rgb), static_cast<int32_t>(t.nfill));
        }
    }
    if (t.nborder != m.borders.size()) {
        if (m.borders.size() < t.nborder) t.memo.clear();
        catch_up(t.border, m.borders, t.nborder, 1);
    }
    return t;
}

int out_of_memory(Book *book) { return vlt_error(book, rc::NO_MEMORY, msg::E00002); }

int xf_table_full(Book *book, const Model &m) {
    return vlt_error(book, rc::LIMIT, msg::E03009, static_cast<int>(m.xfs.size()), "vlt_set_xf() MAX_XF");
}

// A new font, fill or border entry always needs a new cell format: with the
// cell-format table full it is not added, so no table grows past its use.
bool xf_room(const Model &m) { return m.xfs.size() < static_cast<size_t>(MAX_XF); }

// Appends to a table and its index; the caller has checked the limit.
template <class Vec, class Entry>
int append(Book *book, Vec &table, const Entry &e) {
    try {
        if (table.size() == table.capacity()) table.reserve(table.empty() ? 10 : table.size() * 2);
        table.push_back(e);
    } catch (const std::bad_alloc &) {
        return out_of_memory(book);
    }
    return static_cast<int>(table.size()) - 1;
}

const Xf &current_xf(const Model &m, const Cell &cell) {
    static const Xf kDefault{};
    if (cell.style == 0 || cell.style > m.xfs.size()) return kDefault;
    return m.xfs[cell.style - 1];
}

// Finds or adds the combination; returns the 0-based position or < 0.
int find_or_add_xf(Book *book, Model &m, StyleTables &t, const Xf &x) {
    auto it = t.xf.find(x);
    if (it != t.xf.end()) return it->second;
    if (!xf_room(m)) return xf_table_full(book, m);
    int idx = append(book, m.xfs, x);
    if (idx < 0) return idx;
    try {
        t.xf.emplace(x, idx);
    } catch (const std::bad_alloc &) {
        m.xfs.pop_back();
        return out_of_memory(book);
    }
    t.nxf = m.xfs.size();
    return idx;
}

// Derives the cell's new format with one field changed; `apply` edits the
// copied entry. The memo makes repeated (old format, change) pairs one probe.
template <class Apply>
int derive(Book *book, Model &m, StyleTables &t, Cell &cell, uint64_t op, uint32_t operand,
           Apply apply) {
    uint16_t old = cell.style <= m.xfs.size() ? cell.style : 0;
    uint64_t key = memo_key(op, old, operand);
    if (const int32_t *hit = t.memo.find(key)) {
        cell.style = static_cast<uint16_t>(*hit);
        return 0;
    }
    Xf x = current_xf(m, cell);
    apply(x);
    int idx = find_or_add_xf(book, m, t, x);
    if (idx < 0) return idx;
    try {
        t.memo.put(key, idx + 1);
    } catch (const std::bad_alloc &) {
        // the memo is only a shortcut
    }
    cell.style = static_cast<uint16_t>(idx + 1);
    return 0;
}

int find_or_add_font(Book *book, Model &m, StyleTables &t, const Font &f) {
    auto it = t.font.find(f);
    if (it != t.font.end()) return it->second;
    if (!xf_room(m)) return xf_table_full(book, m);
    if (m.fonts.size() >= static_cast<size_t>(MAX_FONT))
        return vlt_error(book, rc::LIMIT, msg::E03009, static_cast<int>(m.fonts.size()),
                         "vlt_set_font() MAX_FONT");
    int idx = append(book, m.fonts, f);
    if (idx < 0) return idx;
    try {
        t.font.emplace(f, idx);
    } catch (const std::bad_alloc &) {
        m.fonts.pop_back();
        return out_of_memory(book);
    }
    t.nfont = m.fonts.size();
    return idx;
}

int add_fill(Book *book, Model &m, StyleTables &t, const Fill &f) {
    int idx = append(book, m.fills, f);
    if (idx < 0) return idx;
    try {
        t.fill.emplace(f, idx);
        if (t.color.find(rgb_key(f.rgb))) t.solid.clear();
        t.color.put(rgb_key(f.rgb), idx);
    } catch (const std::bad_alloc &) {
        m.fills.pop_back();
        t.fill.clear();
        t.color.clear();
        t.solid.clear();
        t.nfill = 0; // re-index on the next call
        return out_of_memory(book);
    }
    t.nfill = m.fills.size();
    return idx;
}

int find_fill_by_color(const Model &m, const StyleTables &t, const Fill &f) {
    const int32_t *cand = t.color.find(rgb_key(f.rgb));
    if (cand && m.fills[*cand] == f) return *cand;
    return -1;
}

int find_fill(const StyleTables &t, const Fill &f) {
    auto it = t.fill.find(f);
    return it == t.fill.end() ? -1 : it->second;
}

int fill_index(Book *book, Model &m, StyleTables &t, const Fill &f) {
    int idx = f.color == -1 ? find_fill_by_color(m, t, f) : find_fill(t, f);
    if (idx >= 0) return idx;
    if (!xf_room(m)) return xf_table_full(book, m);
    return add_fill(book, m, t, f);
}

int find_or_add_border(Book *book, Model &m, StyleTables &t, const Border &b) {
    auto it = t.border.find(b);
    if (it != t.border.end()) return it->second;
    if (!xf_room(m)) return xf_table_full(book, m);
    int idx = append(book, m.borders, b);
    if (idx < 0) return idx;
    try {
        t.border.emplace(b, idx + 1);
    } catch (const std::bad_alloc &) {
        m.borders.pop_back();
        return out_of_memory(book);
    }
    t.nborder = m.borders.size();
    return idx + 1;
}

} // namespace

void init_styles(Model &m, bool xls_kind) {
    m.index = std::make_shared<StyleTables>();
    m.xfs.clear();
    m.fonts.clear();
    m.fills.clear();
    m.borders.clear();
    m.numfmts.clear();
    m.xfs.reserve(10);
    m.fonts.reserve(10);
    m.fills.reserve(10);
    m.borders.reserve(10);

    Font regular;                     // code 10, 11 pt, regular
    Font small = regular;
    small.size = 9;
    Font link = regular;
    link.style = 10;
    m.fonts = {regular, small, link};

    Fill none;
    Fill gray125;
    gray125.pattern = 5;
    m.fills = {none, gray125};

    NumFmt date;
    date.key = 302;
    m.numfmts.push_back(date);

    m.xf_date = m.xf_datetime = m.xf_time = m.xf_elapsed = m.xf_currency = m.xf_percent =
        m.xf_hyperlink = 0;
    if (!xls_kind) {
        const int builtin[6] = {14, 22, 20, 46, 5, 9};
        for (int id : builtin) {
            Xf x;
            x.numfmt = id;
            x.align = 33;
            m.xfs.push_back(x);
        }
        Xf link_xf;
        link_xf.font = 2;
        link_xf.cell_style = 1;
        m.xfs.push_back(link_xf);
        m.xf_date = 1;
        m.xf_datetime = 2;
        m.xf_time = 3;
        m.xf_elapsed = 4;
        m.xf_currency = 5;
        m.xf_percent = 6;
        m.xf_hyperlink = 7;
    }
    tables(m);
}

int vlt_find_xf(Book *book, const Xf &xf) {
    StyleTables &t = tables(model(book));
    auto it = t.xf.find(xf);
    return it == t.xf.end() ? -1 : it->second;
}

int vlt_add_xf(Book *book, const Xf &xf) {
    Model &m = model(book);
    tables(m);
    if (!xf_room(m)) return xf_table_full(book, m);
    int idx = append(book, m.xfs, xf);
    if (idx >= 0) tables(m);
    return idx;
}

int vlt_find_font(Book *book, const Font &font) {
    StyleTables &t = tables(model(book));
    auto it = t.font.find(font);
    return it == t.font.end() ? -1 : it->second;
}

int vlt_add_font(Book *book, const Font &font) {
    Model &m = model(book);
    tables(m);
    if (m.fonts.size() >= static_cast<size_t>(MAX_FONT))
        return vlt_error(book, rc::LIMIT, msg::E03009, static_cast<int>(m.fonts.size()),
                         "vlt_set_font() MAX_FONT");
    int idx = append(book, m.fonts, font);
    if (idx >= 0) tables(m);
    return idx;
}

int vlt_find_fill_by_color(Book *book, const Fill &fill) {
    Model &m = model(book);
    return find_fill_by_color(m, tables(m), fill);
}

int vlt_find_fill(Book *book, const Fill &fill) { return find_fill(tables(model(book)), fill); }

int vlt_add_fill(Book *book, const Fill &fill) {
    Model &m = model(book);
    return add_fill(book, m, tables(m), fill);
}

int vlt_fill_index(Book *book, const Fill &fill) {
    Model &m = model(book);
    return fill_index(book, m, tables(m), fill);
}

int vlt_find_border(Book *book, const Border &border) {
    StyleTables &t = tables(model(book));
    auto it = t.border.find(border);
    return it == t.border.end() ? -1 : it->second;
}

int vlt_add_border(Book *book, const Border &border) {
    Model &m = model(book);
    tables(m);
    int idx = append(book, m.borders, border);
    if (idx < 0) return idx;
    tables(m);
    return idx + 1;
}

int vlt_set_align(Book *book, Cell &cell, int code) {
    Model &m = model(book);
    return derive(book, m, tables(m), cell, OP_ALIGN, static_cast<uint8_t>(code),
                  [&](Xf &x) { x.align = static_cast<uint8_t>(code); });
}

int vlt_set_text_control(Book *book, Cell &cell, int bits) {
    Model &m = model(book);
    return derive(book, m, tables(m), cell, OP_TEXT, static_cast<uint8_t>(bits),
                  [&](Xf &x) { x.text_ctl = static_cast<uint8_t>(bits); });
}

int vlt_set_num_format(Book *book, Cell &cell, int index) {
    Model &m = model(book);
    return derive(book, m, tables(m), cell, OP_NUMFMT, static_cast<uint32_t>(index), [&](Xf &x) {
        x.numfmt = index;
        x.nf_mode = 1;
    });
}

int vlt_set_font(Book *book, Cell &cell, int mask, const Font &font) {
    Model &m = model(book);
    StyleTables &t = tables(m);
    Font f = font;
    if (cell.style != 0 && cell.style <= m.xfs.size()) {
        const Xf &cur = m.xfs[cell.style - 1];
        if (cur.font >= 0 && static_cast<size_t>(cur.font) < m.fonts.size()) {
            f = m.fonts[cur.font];
            if (mask & FONT_FACE) {
                f.code = font.code;
                f.face = font.face;
            }
            if (mask & FONT_SIZE) f.size = font.size;
            if (mask & FONT_STYLE) f.style = font.style;
            if (mask & FONT_COLOR) {
                f.color = font.color;
                std::memcpy(f.rgb, font.rgb, 3);
            }
        }
    }
    int idx;
    try {
        idx = find_or_add_font(book, m, t, f);
    } catch (const std::bad_alloc &) {
        return out_of_memory(book);
    }
    if (idx < 0) return idx;
    return derive(book, m, t, cell, OP_FONT, static_cast<uint32_t>(idx),
                  [&](Xf &x) { x.font = idx; });
}

namespace {

// A solid fill of a colour value with nothing else set: what the fill-colour
// keyword sends.
bool plain_solid(const Fill &f) {
    return f.color == -1 && f.pattern == 1 && f.pattern_color == 0 && f.grad_dir == 0 &&
           f.grad_var == 0 && f.color2 == 0 && f.rgb2[0] == 0 && f.rgb2[1] == 0 && f.rgb2[2] == 0;
}

int set_fill(Book *book, Model &m, StyleTables &t, Cell &cell, int mask, const Fill &fill);

} // namespace

int vlt_set_fill(Book *book, Cell &cell, int mask, const Fill &fill) {
    Model &m = model(book);
    StyleTables &t = tables(m);
    if (mask != FILL_COLOR || !plain_solid(fill)) return set_fill(book, m, t, cell, mask, fill);
    uint16_t old = cell.style <= m.xfs.size() ? cell.style : 0;
    uint64_t key = (uint64_t{old} << 24) | rgb_key(fill.rgb);
    uint16_t hit;
    if (t.solid.find(key, hit)) {
        cell.style = hit;
        return 0;
    }
    int rc = set_fill(book, m, t, cell, mask, fill);
    if (rc == 0) {
        try {
            t.solid.put(key, cell.style);
        } catch (const std::bad_alloc &) {
            // only a shortcut
        }
    }
    return rc;
}

namespace {

int set_fill(Book *book, Model &m, StyleTables &t, Cell &cell, int mask, const Fill &fill) {
    Fill f = fill;
    if (cell.style != 0 && cell.style <= m.xfs.size()) {
        const Xf &cur = m.xfs[cell.style - 1];
        if (cur.fill >= 0 && static_cast<size_t>(cur.fill) < m.fills.size()) {
            f = m.fills[cur.fill];
            if (mask & FILL_PATTERN) f.pattern = fill.pattern;
            if (mask & FILL_COLOR) {
                f.color = fill.color;
                std::memcpy(f.rgb, fill.rgb, 3);
                if (f.pattern == 0) f.pattern = 1;
            }
            if (mask & FILL_PATTERN_COLOR) f.pattern_color = fill.pattern_color;
            if (mask & FILL_GRAD_COLOR1) {
                f.color = fill.color;
                std::memcpy(f.rgb, fill.rgb, 3);
                f.pattern = 100;
            }
            if (mask & FILL_GRAD_COLOR2) {
                f.color2 = fill.color2;
                std::memcpy(f.rgb2, fill.rgb2, 3);
                f.pattern = 100;
            }
            if (mask & FILL_GRAD_DIR) {
                f.grad_dir = fill.grad_dir;
                f.pattern = 100;
            }
            if (mask & FILL_GRAD_VARIANT) {
                f.grad_var = fill.grad_var;
                f.pattern = 100;
            }
        }
    }
    int idx = fill_index(book, m, t, f);
    if (idx < 0) return idx;
    return derive(book, m, t, cell, OP_FILL, static_cast<uint32_t>(idx),
                  [&](Xf &x) { x.fill = idx; });
}

} // namespace

int vlt_set_border(Book *book, Sheet &sheet, int r1, int c1, int r2, int c2, int mask,
                   const Border &border) {
    Model &m = model(book);
    StyleTables &t = tables(m);
    for (int r = r1; r <= r2; ++r) {
        if (r < 0 || r >= static_cast<int>(sheet.rows.size())) continue;
        Row &row = sheet.rows[r];
        for (int c = c1; c <= c2; ++c) {
            if (c < 0 || c >= static_cast<int>(row.cells.size())) continue;
            Cell &cell = row.cells[c];
            const Xf &cur = current_xf(m, cell);
            Border b = border;
            if (cur.border > 0 && static_cast<size_t>(cur.border) <= m.borders.size()) {
                b = m.borders[cur.border - 1];
                static const int side_mask[6] = {BORDER_LEFT, BORDER_RIGHT, BORDER_TOP,
                                                 BORDER_BOTTOM, BORDER_DIAG_UP, BORDER_DIAG_DOWN};
                for (int s = 0; s < 6; ++s)
                    if (mask & side_mask[s]) b.line[s] = border.line[s];
                if (mask & BORDER_COLOR) {
                    b.color = border.color;
                    std::memcpy(b.rgb, border.rgb, 3);
                }
            }
            int idx;
            try {
                idx = find_or_add_border(book, m, t, b);
            } catch (const std::bad_alloc &) {
                return out_of_memory(book);
            }
            if (idx < 0) return idx;
            int rc = derive(book, m, t, cell, OP_BORDER, static_cast<uint32_t>(idx),
                            [&](Xf &x) { x.border = idx; });
            if (rc < 0) return rc;
            if (row.used < c + 1) row.used = static_cast<int16_t>(c + 1);
        }
        if (sheet.used_rows < r + 1) sheet.used_rows = r + 1;
    }
    return 0;
}

} // namespace vel
