// BIFF8/BIFF5 decoder. The workbook stream is a sequence of substreams, each
// from a BOF record to its EOF: the workbook globals first (sheets, formats,
// fonts, XFs, shared strings), then one per sheet at the offset its
// BOUNDSHEET record gives. Records are read in place from the stream's runs;
// only a record that straddles two runs is gathered into a scratch buffer.
#include "xls/decoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "core/messages.h"
#include "xls/text.h"

namespace vel::xls {

namespace {

enum : uint16_t {
    R_FORMULA = 0x0006,
    R_EOF = 0x000A,
    R_DATEMODE = 0x0022,
    R_FILEPASS = 0x002F,
    R_FONT = 0x0031,
    R_CONTINUE = 0x003C,
    R_CODEPAGE = 0x0042,
    R_COLINFO = 0x007D,
    R_BOUNDSHEET = 0x0085,
    R_SCL = 0x00A0,
    R_MULRK = 0x00BD,
    R_MULBLANK = 0x00BE,
    R_RSTRING = 0x00D6,
    R_XF = 0x00E0,
    R_MERGEDCELLS = 0x00E5,
    R_SST = 0x00FC,
    R_LABELSST = 0x00FD,
    R_DIMENSIONS = 0x0200,
    R_BLANK = 0x0201,
    R_NUMBER = 0x0203,
    R_LABEL = 0x0204,
    R_BOOLERR = 0x0205,
    R_STRING = 0x0207,
    R_ROW = 0x0208,
    R_WINDOW2 = 0x023E,
    R_RK = 0x027E,
    R_FORMAT = 0x041E,
    R_BOF = 0x0809,
    R_BOF2 = 0x0009, // BOF of BIFF2, BIFF3 and BIFF4
    R_BOF3 = 0x0209,
    R_BOF4 = 0x0409,
};

enum : uint16_t { BOF_GLOBALS = 0x0005, BOF_VBA = 0x0006, BOF_SHEET = 0x0010, BOF_CHART = 0x0020, BOF_MACRO = 0x0040 };

constexpr uint32_t MAX_COLS = 256;
constexpr uint32_t MAX_NUMFORMAT = 500;

inline uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t le32(const uint8_t *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline double le_double(const uint8_t *p) {
    double v;
    std::memcpy(&v, p, 8);
    return v;
}

double rk_number(uint32_t rk) {
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, 8);
    }
    return rk & 1 ? v / 100 : v;
}

std::string format_message(const char *tmpl, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, tmpl);
    std::vsnprintf(buf, sizeof buf, tmpl, ap);
    va_end(ap);
    return buf;
}

ReadStatus not_readable(std::string detail) { return ReadStatus{-1, 0, std::move(detail), msg::E03110}; }

ReadStatus overflow_count(int limit, const std::string &what) {
    return ReadStatus{-9, 0, what, format_message(msg::E03009, limit, what.c_str())};
}

ReadStatus overflow_grid(const char *name) {
    std::string what = std::string(name) + " row/column overflow";
    return ReadStatus{-9, 0, what, format_message(msg::E03600, what.c_str())};
}

// A record: its type, body and the stream offset of its header.
struct Record {
    uint16_t type = 0;
    uint16_t size = 0;
    const uint8_t *data = nullptr;
    uint64_t pos = 0;
};

// Walks the records of a stream held in runs.
class Records {
public:
    Records(std::span<const cfb::Extent> runs, Sink &sink)
        : run_(runs.data()), runs_end_(runs.data() + runs.size()), sink_(sink) {
        enter();
    }

    bool next(Record &r) {
        if (end_ - p_ >= 4) {
            const uint16_t len = le16(p_ + 2);
            if (static_cast<size_t>(end_ - p_) >= 4u + len) {
                r.type = le16(p_);
                r.size = len;
                r.data = p_ + 4;
                r.pos = base_ + static_cast<uint64_t>(p_ - start_);
                p_ += 4 + len;
                // Every few megabytes the bytes before this record are done
                // with, so that a mapped file's pages can be given back.
                if (r.pos - reported_ >= kReportStep) {
                    reported_ = r.pos;
                    sink_.stream_consumed(r.pos);
                }
                return true;
            }
        }
        return gather(r);
    }

private:
    void enter() {
        while (run_ != runs_end_ && run_->size == 0) ++run_;
        if (run_ == runs_end_) {
            p_ = end_ = start_ = nullptr;
            return;
        }
        start_ = p_ = run_->data;
        end_ = p_ + run_->size;
    }

    // Leaves the current run for the next non-empty one; false at the end.
    // The bytes left behind are never read again, as the sink is told.
    bool advance() {
        if (run_ == runs_end_) return false;
        base_ += run_->size;
        ++run_;
        enter();
        sink_.stream_consumed(base_);
        return p_ != nullptr;
    }

    bool take(uint8_t *dst, size_t n) {
        while (n > 0) {
            if (p_ == end_ && !advance()) return false;
            const size_t k = std::min<size_t>(n, static_cast<size_t>(end_ - p_));
            std::memcpy(dst, p_, k);
            dst += k;
            p_ += k;
            n -= k;
        }
        return true;
    }

    // A record that straddles runs (or the end of the stream).
    bool gather(Record &r) {
        while (p_ == end_)
            if (!advance()) return false;
        if (end_ - p_ >= 4 && static_cast<size_t>(end_ - p_) >= 4u + le16(p_ + 2)) return next(r);
        const uint64_t pos = base_ + static_cast<uint64_t>(p_ - start_);
        uint8_t head[4];
        if (!take(head, 4)) return false;
        const uint16_t len = le16(head + 2);
        scratch_.resize(len);
        if (!take(scratch_.data(), len)) return false;
        r.type = le16(head);
        r.size = len;
        r.data = scratch_.data();
        r.pos = pos;
        return true;
    }

    const cfb::Extent *run_;
    const cfb::Extent *runs_end_;
    Sink &sink_;
    static constexpr uint64_t kReportStep = 4u << 20;
    uint64_t reported_ = 0;
    const uint8_t *start_ = nullptr, *p_ = nullptr, *end_ = nullptr;
    uint64_t base_ = 0; // stream offset of the current run
    std::vector<uint8_t> scratch_;
};

struct BoundSheet {
    uint32_t pos = 0;
    SheetKind kind = SheetKind::worksheet;
    bool claimed = false;
};

class Decoder {
public:
    explicit Decoder(Sink &sink) : sink_(sink) {}
    ReadStatus run(std::span<const cfb::Extent> runs);

private:
    enum class Where { globals, between, sheet };
    enum class Cont { none, sst, string };

    bool stop(ReadStatus st) {
        status_ = std::move(st);
        return false;
    }
    bool short_record(const char *name) { return stop(not_readable(std::string(name) + " record too short")); }

    bool begin(const Record &r);
    bool globals(const Record &r);
    bool sheet_record(const Record &r);
    bool start_sheet(const Record &r);
    bool end_sheet();
    void end_continuation();

    // 8-bit or 16-bit string at the start of `p` (BIFF8: count, flags,
    // optional run and phonetic sizes, characters; BIFF5: count and code-page
    // bytes). `count_bytes` is 1 or 2. False when it runs past `n`.
    bool read_string(const uint8_t *p, size_t n, int count_bytes, std::string &out);

    // Starts a cell: checks, in the order of the reader's contract, that it
    // lies in the grid, on a sheet, with a known XF (`check_xf`; else an
    // unknown XF becomes 0).
    bool cell_at(const char *name, uint16_t row, uint32_t col, uint16_t xf, bool check_xf) {
        if (formula_pending_) emit_formula_pending();
        if (col >= MAX_COLS || sheet_ < 0 || xf >= xf_count_) {
            if (!cell_refused(name, col, xf, check_xf)) return false;
            xf = 0;
        }
        cell_.sheet = static_cast<uint32_t>(sheet_);
        cell_.row = row;
        cell_.col = static_cast<uint16_t>(col);
        cell_.xf = xf;
        cell_.formula = false;
        return true;
    }
    bool cell_refused(const char *name, uint32_t col, uint16_t xf, bool check_xf);
    void emit_formula_pending();

    bool boundsheet(const Record &r);
    bool format(const Record &r);
    bool font(const Record &r);
    bool xf(const Record &r);
    bool sst(const Record &r);
    bool continue_record(const Record &r);
    bool formula(const Record &r);
    bool string_record(const Record &r);
    bool label(const Record &r, const char *name);
    bool mulrk(const Record &r);
    bool mulblank(const Record &r);
    bool merged(const Record &r);
    bool colinfo(const Record &r);
    bool row(const Record &r);
    bool dimensions(const Record &r);
    bool window2(const Record &r);

    Sink &sink_;
    ReadStatus status_;
    WorkbookInfo book_;
    CodePage codepage_;
    Where where_ = Where::globals;
    int depth_ = 0; // BOFs of embedded substreams (charts in a sheet) not yet ended

    std::vector<BoundSheet> sheets_;
    std::unordered_map<uint32_t, uint32_t> sheet_at_pos_;
    uint32_t next_of_kind_[7] = {};
    uint32_t xf_count_ = 0;
    uint32_t font_count_ = 0;
    uint32_t format_count_ = 0;
    uint32_t sst_count_ = 0;

    // The current sheet substream.
    int64_t sheet_ = -1;
    bool cells_ = false; // the substream holds cells (worksheet or macro sheet)
    WindowInfo window_;
    bool window_seen_ = false;

    Cont cont_ = Cont::none;
    StringPieces pieces_;
    bool formula_pending_ = false;
    CellEvent pending_;

    CellEvent cell_;
    std::string text_;
};

bool Decoder::read_string(const uint8_t *p, size_t n, int count_bytes, std::string &out) {
    out.clear();
    if (n < static_cast<size_t>(count_bytes)) return false;
    const size_t count = count_bytes == 1 ? p[0] : le16(p);
    size_t at = static_cast<size_t>(count_bytes);
    if (book_.biff == 5) {
        if (n - at < count) return false;
        codepage_.append(out, p + at, count);
        return true;
    }
    if (n == at) return count == 0;
    const uint8_t flags = p[at++];
    if (flags & 0x08) at += 2;
    if (flags & 0x04) at += 4;
    const size_t bytes = count * (flags & 0x01 ? 2 : 1);
    if (at > n || n - at < bytes) return false;
    if (flags & 0x01) {
        uint16_t pending = 0;
        append_utf16(out, p + at, count, pending);
        end_utf16(out, pending);
    } else {
        append_latin1(out, p + at, count);
    }
    return true;
}

ReadStatus Decoder::run(std::span<const cfb::Extent> runs) {
    Records records(runs, sink_);
    Record r; // the last whole record read
    if (!records.next(r)) return not_readable("no BOF record");
    if (!begin(r)) return status_;

    while (records.next(r)) {
        if (r.type != R_CONTINUE && cont_ != Cont::none) end_continuation();
        if (r.type == R_FILEPASS) return ReadStatus{-4, 901, "", ""};
        bool ok = true;
        switch (where_) {
        case Where::globals: ok = globals(r); break;
        case Where::sheet: ok = sheet_record(r); break;
        case Where::between:
            if (r.type == R_BOF) ok = start_sheet(r);
            break;
        }
        if (!ok) return status_;
        if (sink_.failed()) return sink_.failure();
    }
    if (cont_ != Cont::none) end_continuation();
    if (sink_.failed()) return sink_.failure();
    if (where_ != Where::between) return not_readable("workbook stream ends inside a substream");
    // A sheet whose substream would start where the stream has ended: cut short.
    for (const BoundSheet &s : sheets_)
        if (!s.claimed && s.pos >= r.pos + 4u + r.size) return not_readable("workbook stream ends before a sheet");
    return {};
}

bool Decoder::begin(const Record &r) {
    if (r.type == R_BOF2 || r.type == R_BOF3 || r.type == R_BOF4) return stop(not_readable("BIFF version before 5"));
    if (r.type != R_BOF) return stop(not_readable("no BOF record"));
    if (r.size < 4) return short_record("BOF");
    const uint16_t version = le16(r.data);
    if (version == 0x0600) book_.biff = 8;
    else if (version == 0x0500) book_.biff = 5;
    else return stop(not_readable("BIFF version unknown"));
    if (le16(r.data + 2) != BOF_GLOBALS) return stop(not_readable("no workbook globals"));
    book_.codepage = book_.biff == 8 ? 1200 : 1252;
    codepage_.set(book_.codepage);
    where_ = Where::globals;
    return true;
}

void Decoder::end_continuation() {
    const Cont was = cont_;
    cont_ = Cont::none;
    if (was == Cont::sst) {
        pieces_.finish([&](std::string_view s) {
            sink_.shared_string(s);
            ++sst_count_;
        });
    } else if (was == Cont::string) {
        pieces_.finish([&](std::string_view s) {
            pending_.text = s;
            formula_pending_ = false;
            sink_.cell(pending_);
        });
        emit_formula_pending();
    }
}

bool Decoder::globals(const Record &r) {
    if (depth_ > 0) {
        if (r.type == R_BOF) ++depth_;
        else if (r.type == R_EOF) --depth_;
        return true;
    }
    switch (r.type) {
    case R_EOF:
        where_ = Where::between;
        sink_.workbook(book_);
        return true;
    case R_BOF: ++depth_; return true;
    case R_CODEPAGE:
        if (r.size < 2) return short_record("CODEPAGE");
        book_.codepage = le16(r.data);
        codepage_.set(book_.codepage);
        return true;
    case R_DATEMODE:
        if (r.size < 2) return short_record("DATEMODE");
        book_.date1904 = le16(r.data) == 1;
        return true;
    case R_BOUNDSHEET: return boundsheet(r);
    case R_FORMAT: return format(r);
    case R_FONT: return font(r);
    case R_XF: return xf(r);
    case R_SST: return book_.biff == 8 ? sst(r) : true;
    case R_CONTINUE: return continue_record(r);
    default: return true;
    }
}

bool Decoder::boundsheet(const Record &r) {
    const size_t head = 6;
    if (r.size < head + 1) return short_record("BOUNDSHEET");
    SheetInfo info;
    info.index = static_cast<uint32_t>(sheets_.size());
    info.stream_pos = le32(r.data);
    const uint8_t state = r.data[4] & 0x03;
    info.visibility = state == 0 ? Visibility::visible : state == 1 ? Visibility::hidden : Visibility::very_hidden;
    switch (r.data[5]) {
    case 1: info.kind = SheetKind::macro; break;
    case 2: info.kind = SheetKind::chart; break;
    case 6: info.kind = SheetKind::vba_module; break;
    default: info.kind = SheetKind::worksheet; break;
    }
    if (!read_string(r.data + head, r.size - head, 1, text_)) return short_record("BOUNDSHEET");
    info.name = text_;
    sheets_.push_back({info.stream_pos, info.kind, false});
    sheet_at_pos_.emplace(info.stream_pos, info.index);
    sink_.sheet(info);
    return true;
}

bool Decoder::format(const Record &r) {
    if (r.size < 3) return short_record("FORMAT");
    if (format_count_ >= MAX_NUMFORMAT) return stop(overflow_count(MAX_NUMFORMAT, "VLT_MAX_NUMFORMAT"));
    if (!read_string(r.data + 2, r.size - 2, book_.biff == 8 ? 2 : 1, text_)) return short_record("FORMAT");
    ++format_count_;
    sink_.number_format(le16(r.data), text_);
    return true;
}

bool Decoder::font(const Record &r) {
    if (r.size < 15) return short_record("FONT");
    FontInfo f;
    f.index = static_cast<uint16_t>(font_count_ < 4 ? font_count_ : font_count_ + 1);
    f.height = le16(r.data);
    const uint16_t flags = le16(r.data + 2);
    f.italic = flags & 0x02;
    f.strike = flags & 0x08;
    f.color = le16(r.data + 4);
    f.weight = le16(r.data + 6);
    f.escapement = le16(r.data + 8);
    f.underline = r.data[10];
    f.family = r.data[11];
    f.charset = r.data[12];
    if (!read_string(r.data + 14, r.size - 14, 1, text_)) return short_record("FONT");
    f.name = text_;
    ++font_count_;
    sink_.font(f);
    return true;
}

bool Decoder::xf(const Record &r) {
    if (r.size < 7) return short_record("XF");
    XfInfo x;
    x.index = xf_count_++;
    x.font = le16(r.data);
    x.format = le16(r.data + 2);
    const uint16_t flags = le16(r.data + 4);
    x.locked = flags & 0x01;
    x.hidden = flags & 0x02;
    x.style = flags & 0x04;
    x.parent = static_cast<uint16_t>(flags >> 4);
    const uint8_t align = r.data[6];
    x.halign = align & 0x07;
    x.wrap = align & 0x08;
    x.valign = (align >> 4) & 0x07;
    sink_.xf(x);
    return true;
}

bool Decoder::sst(const Record &r) {
    if (r.size < 8) return short_record("SST");
    sink_.shared_strings_begin(le32(r.data + 4));
    pieces_.begin(true, false);
    cont_ = Cont::sst;
    return continue_record(Record{R_SST, static_cast<uint16_t>(r.size - 8), r.data + 8, r.pos});
}

bool Decoder::continue_record(const Record &r) {
    if (cont_ == Cont::none) return true;
    const bool continuation = r.type == R_CONTINUE;
    StringPieces::Result res;
    if (cont_ == Cont::sst) {
        res = pieces_.feed(r.data, r.size, continuation, [&](std::string_view s) {
            sink_.shared_string(s);
            ++sst_count_;
        });
    } else {
        res = pieces_.feed(r.data, r.size, continuation, [&](std::string_view s) {
            pending_.text = s;
            sink_.cell(pending_);
            formula_pending_ = false;
            cont_ = Cont::none;
        });
    }
    if (res == StringPieces::Result::bad_flag) return stop(not_readable("string continuation flag"));
    if (res == StringPieces::Result::too_long)
        return stop(overflow_count(StringPieces::MAX_CHARS, "vlt_put_sst() XLS_CELL_STR_LEN"));
    return true;
}

bool Decoder::start_sheet(const Record &r) {
    if (r.size < 4) return short_record("BOF");
    const uint16_t type = le16(r.data + 2);
    int kind;
    switch (type) {
    case BOF_SHEET: kind = static_cast<int>(SheetKind::worksheet); break;
    case BOF_MACRO: kind = static_cast<int>(SheetKind::macro); break;
    case BOF_CHART: kind = static_cast<int>(SheetKind::chart); break;
    case BOF_VBA: kind = static_cast<int>(SheetKind::vba_module); break;
    default: kind = -1; break;
    }
    // The BOUNDSHEET naming this offset; else the next unclaimed sheet of the same kind.
    sheet_ = -1;
    const auto at = r.pos <= UINT32_MAX ? sheet_at_pos_.find(static_cast<uint32_t>(r.pos)) : sheet_at_pos_.end();
    if (at != sheet_at_pos_.end()) {
        sheet_ = at->second;
    } else if (kind >= 0) {
        uint32_t &i = next_of_kind_[kind];
        while (i < sheets_.size() && (sheets_[i].claimed || static_cast<int>(sheets_[i].kind) != kind)) ++i;
        if (i < sheets_.size()) sheet_ = i;
    }
    if (sheet_ >= 0) sheets_[static_cast<size_t>(sheet_)].claimed = true;
    cells_ = type == BOF_SHEET || type == BOF_MACRO;
    where_ = Where::sheet;
    depth_ = 0;
    window_ = WindowInfo{};
    window_seen_ = false;
    formula_pending_ = false;
    return true;
}

bool Decoder::end_sheet() {
    emit_formula_pending();
    if (window_seen_ && sheet_ >= 0) {
        window_.sheet = static_cast<uint32_t>(sheet_);
        sink_.window(window_);
    }
    where_ = Where::between;
    sheet_ = -1;
    return true;
}

void Decoder::emit_formula_pending() {
    if (!formula_pending_) return;
    formula_pending_ = false;
    pending_.text = {};
    sink_.cell(pending_);
}

bool Decoder::cell_refused(const char *name, uint32_t col, uint16_t xf, bool check_xf) {
    if (col >= MAX_COLS) return stop(overflow_grid(name)); // rows are 16-bit: always inside the 65,536
    if (sheet_ < 0) return stop(overflow_count(static_cast<int>(sheets_.size()), std::string(name) + " sheet"));
    if (xf >= xf_count_ && check_xf) return stop(overflow_count(static_cast<int>(xf_count_), name));
    return true;
}

bool Decoder::sheet_record(const Record &r) {
    if (depth_ > 0) {
        if (r.type == R_BOF) ++depth_;
        else if (r.type == R_EOF) --depth_;
        return true;
    }
    const uint8_t *d = r.data;
    switch (r.type) {
    case R_EOF: return end_sheet();
    case R_BOF: ++depth_; return true;
    case R_CONTINUE: return continue_record(r);
    case R_DIMENSIONS: return dimensions(r);
    case R_ROW: return row(r);
    case R_COLINFO: return colinfo(r);
    case R_MERGEDCELLS: return merged(r);
    case R_WINDOW2: return window2(r);
    case R_SCL:
        if (r.size >= 4 && le16(d + 2) != 0) window_.zoom = static_cast<uint16_t>(le16(d) * 100u / le16(d + 2));
        return true;
    default: break;
    }
    if (!cells_) return true;
    switch (r.type) {
    case R_NUMBER:
        if (r.size < 14) return short_record("NUMBER");
        if (!cell_at("BIFF_NUMBER", le16(d), le16(d + 2), le16(d + 4), true)) return false;
        cell_.kind = ValueKind::number;
        cell_.number = le_double(d + 6);
        sink_.cell(cell_);
        return true;
    case R_RK:
        if (r.size < 10) return short_record("RK");
        if (!cell_at("BIFF_RK", le16(d), le16(d + 2), le16(d + 4), true)) return false;
        cell_.kind = ValueKind::number;
        cell_.number = rk_number(le32(d + 6));
        sink_.cell(cell_);
        return true;
    case R_LABELSST: {
        if (r.size < 10) return short_record("LABELSST");
        if (!cell_at("BIFF_LABELSST", le16(d), le16(d + 2), le16(d + 4), false)) return false;
        const uint32_t index = le32(d + 6);
        if (index >= sst_count_) return stop(overflow_count(static_cast<int>(sst_count_), "BIFF_LABELSST sst"));
        cell_.kind = ValueKind::shared_string;
        cell_.sst = index;
        sink_.cell(cell_);
        return true;
    }
    case R_MULRK: return mulrk(r);
    case R_BLANK:
        if (r.size < 6) return short_record("BLANK");
        if (!cell_at("BIFF_BLANK", le16(d), le16(d + 2), le16(d + 4), false)) return false;
        cell_.kind = ValueKind::blank;
        sink_.cell(cell_);
        return true;
    case R_MULBLANK: return mulblank(r);
    case R_FORMULA: return formula(r);
    case R_STRING: return string_record(r);
    case R_LABEL: return label(r, "BIFF_LABEL");
    case R_RSTRING: return label(r, "BIFF_RSTRING");
    case R_BOOLERR:
        if (r.size < 8) return short_record("BOOLERR");
        if (!cell_at("BIFF_BOOLERR", le16(d), le16(d + 2), le16(d + 4), false)) return false;
        cell_.kind = d[7] ? ValueKind::error : ValueKind::boolean;
        cell_.code = d[7] ? d[6] : (d[6] ? 1 : 0);
        sink_.cell(cell_);
        return true;
    default: return true;
    }
}

bool Decoder::mulrk(const Record &r) {
    if (r.size < 12) return short_record("MULRK");
    const uint8_t *d = r.data;
    const uint16_t row = le16(d);
    const uint32_t first = le16(d + 2);
    const size_t count = (r.size - 6u) / 6u;
    if (!cell_at("BIFF_MULRK", row, first + static_cast<uint32_t>(count) - 1, 0, false)) return false;
    cell_.kind = ValueKind::number;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t *e = d + 4 + 6 * i;
        const uint16_t xf = le16(e);
        if (xf >= xf_count_) return stop(overflow_count(static_cast<int>(xf_count_), "BIFF_MULRK"));
        cell_.col = static_cast<uint16_t>(first + i);
        cell_.xf = xf;
        cell_.number = rk_number(le32(e + 2));
        sink_.cell(cell_);
    }
    return true;
}

bool Decoder::mulblank(const Record &r) {
    if (r.size < 8) return short_record("MULBLANK");
    const uint8_t *d = r.data;
    const uint16_t row = le16(d);
    const uint32_t first = le16(d + 2);
    const size_t count = (r.size - 6u) / 2u;
    if (!cell_at("BIFF_MULBLANK", row, first + static_cast<uint32_t>(count) - 1, 0, false)) return false;
    cell_.kind = ValueKind::blank;
    for (size_t i = 0; i < count; ++i) {
        const uint16_t xf = le16(d + 4 + 2 * i);
        cell_.col = static_cast<uint16_t>(first + i);
        cell_.xf = xf < xf_count_ ? xf : 0;
        sink_.cell(cell_);
    }
    return true;
}

bool Decoder::formula(const Record &r) {
    if (r.size < 14) return short_record("FORMULA");
    const uint8_t *d = r.data;
    if (!cell_at("BIFF_FORMULA", le16(d), le16(d + 2), le16(d + 4), true)) return false;
    cell_.formula = true;
    if (d[12] != 0xFF || d[13] != 0xFF) {
        cell_.kind = ValueKind::number;
        cell_.number = le_double(d + 6);
        sink_.cell(cell_);
        return true;
    }
    switch (d[6]) {
    case 0: // the text follows in a STRING record
        pending_ = cell_;
        pending_.kind = ValueKind::text;
        formula_pending_ = true;
        return true;
    case 1:
        cell_.kind = ValueKind::boolean;
        cell_.code = d[8] ? 1 : 0;
        break;
    case 2:
        cell_.kind = ValueKind::error;
        cell_.code = d[8];
        break;
    default: // 3: an empty text
        cell_.kind = ValueKind::text;
        cell_.text = {};
        break;
    }
    sink_.cell(cell_);
    return true;
}

bool Decoder::string_record(const Record &r) {
    if (!formula_pending_) return true;
    if (book_.biff == 5) {
        if (!read_string(r.data, r.size, 2, text_)) return short_record("STRING");
        pending_.text = text_;
        formula_pending_ = false;
        sink_.cell(pending_);
        return true;
    }
    pieces_.begin(false, true);
    cont_ = Cont::string;
    return continue_record(r);
}

bool Decoder::label(const Record &r, const char *name) {
    if (r.size < 8) return short_record(name + 5);
    const uint8_t *d = r.data;
    if (!cell_at(name, le16(d), le16(d + 2), le16(d + 4), false)) return false;
    if (!read_string(d + 6, r.size - 6u, 2, text_)) return short_record(name + 5);
    cell_.kind = ValueKind::text;
    cell_.text = text_;
    sink_.cell(cell_);
    return true;
}

bool Decoder::merged(const Record &r) {
    if (sheet_ < 0 || r.size < 2) return true;
    const size_t count = std::min<size_t>(le16(r.data), (r.size - 2u) / 8u);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t *e = r.data + 2 + 8 * i;
        MergeInfo m;
        m.sheet = static_cast<uint32_t>(sheet_);
        m.first_row = le16(e);
        m.last_row = le16(e + 2);
        const uint16_t c1 = le16(e + 4), c2 = std::min<uint16_t>(le16(e + 6), MAX_COLS - 1);
        if (m.first_row > m.last_row || c1 > c2) continue;
        m.first_col = static_cast<uint8_t>(c1);
        m.last_col = static_cast<uint8_t>(c2);
        sink_.merge(m);
    }
    return true;
}

bool Decoder::colinfo(const Record &r) {
    if (sheet_ < 0) return true;
    if (r.size < 10) return short_record("COLINFO");
    const uint8_t *d = r.data;
    const uint16_t first = le16(d), last = std::min<uint16_t>(le16(d + 2), MAX_COLS - 1);
    if (first > last) return true;
    ColumnInfo c;
    c.sheet = static_cast<uint32_t>(sheet_);
    c.first = static_cast<uint8_t>(first);
    c.last = static_cast<uint8_t>(last);
    c.width = le16(d + 4);
    c.xf = le16(d + 6) < xf_count_ ? le16(d + 6) : 0;
    const uint16_t flags = le16(d + 8);
    c.hidden = flags & 0x01;
    c.outline = static_cast<uint8_t>((flags >> 8) & 0x07);
    sink_.column(c);
    return true;
}

bool Decoder::row(const Record &r) {
    if (sheet_ < 0) return true;
    if (r.size < 16) return short_record("ROW");
    const uint8_t *d = r.data;
    RowInfo w;
    w.sheet = static_cast<uint32_t>(sheet_);
    w.row = le16(d);
    w.height = le16(d + 6) & 0x7FFF;
    const uint16_t flags = le16(d + 12);
    w.outline = flags & 0x07;
    w.hidden = flags & 0x20;
    w.custom_height = flags & 0x40;
    if (flags & 0x80) {
        const uint16_t xf = le16(d + 14) & 0x0FFF;
        w.xf = xf < xf_count_ ? xf : -1;
    }
    sink_.row(w);
    return true;
}

bool Decoder::dimensions(const Record &r) {
    if (sheet_ < 0) return true;
    DimensionInfo dim;
    dim.sheet = static_cast<uint32_t>(sheet_);
    const uint8_t *d = r.data;
    if (book_.biff == 8) {
        if (r.size < 12) return short_record("DIMENSIONS");
        dim.first_row = le32(d);
        dim.end_row = le32(d + 4);
        dim.first_col = le16(d + 8);
        dim.end_col = le16(d + 10);
    } else {
        if (r.size < 8) return short_record("DIMENSIONS");
        dim.first_row = le16(d);
        dim.end_row = le16(d + 2);
        dim.first_col = le16(d + 4);
        dim.end_col = le16(d + 6);
    }
    sink_.dimensions(dim);
    return true;
}

bool Decoder::window2(const Record &r) {
    if (r.size < 6) return short_record("WINDOW2");
    const uint8_t *d = r.data;
    const uint16_t flags = le16(d);
    window_.show_formulas = flags & 0x0001;
    window_.show_grid = flags & 0x0002;
    window_.show_headers = flags & 0x0004;
    window_.frozen = flags & 0x0008;
    window_.show_zeros = flags & 0x0010;
    window_.right_to_left = flags & 0x0040;
    window_.selected = flags & 0x0200;
    window_.active = flags & 0x0400;
    window_.top_row = le16(d + 2);
    window_.left_col = le16(d + 4);
    if (book_.biff == 8 && r.size >= 14 && le16(d + 12) != 0) window_.zoom = le16(d + 12);
    window_seen_ = true;
    return true;
}

} // namespace

ReadStatus decode_workbook_stream(std::span<const cfb::Extent> runs, Sink &sink) {
    try {
        Decoder decoder(sink);
        return decoder.run(runs);
    } catch (const std::bad_alloc &) {
        return ReadStatus{-2, 2, "", msg::E00002};
    }
}

ReadStatus decode_xls(const uint8_t *data, size_t size, Sink &sink) {
    try {
        cfb::Reader cfb;
        cfb::Status st = cfb.open(data, size);
        if (!st.ok()) return ReadStatus{st.result, st.code, st.detail, ""};
        int entry = cfb.find("Workbook");
        if (entry < 0) entry = cfb.find("Book");
        if (entry < 0) return not_readable("no Workbook stream");
        std::vector<cfb::Extent> runs;
        st = cfb.extents(entry, runs);
        if (!st.ok()) return ReadStatus{st.result, st.code, st.detail, ""};
        return decode_workbook_stream(runs, sink);
    } catch (const std::bad_alloc &) {
        return ReadStatus{-2, 2, "", msg::E00002};
    }
}

} // namespace vel::xls
