// A worksheet part, streamed: cells go straight into the cell store as the
// part is inflated and parsed; the texts of the part that the model does not
// hold (start tag, sheetPr, sheetViews, sheetFormatPr, cols and everything
// after the sheet data) are kept as they were written.
#include <cmath>
#include <new>

#include "core/status.h"
#include "model/cellvalue.h"
#include "model/numfmt.h"
#include "model/store.h"
#include "xlsx/read/parts.h"

namespace vel::xlsxread {

namespace {

// Serial of an ISO 8601 date-time ("2020-01-31T12:00:00"), 1900 system.
bool iso_serial(std::string_view t, double &out) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double sec = 0;
    if (t.size() < 10 || t[4] != '-' || t[7] != '-') return false;
    y = static_cast<int>(to_int(t.substr(0, 4), -1));
    mo = static_cast<int>(to_int(t.substr(5, 2), -1));
    d = static_cast<int>(to_int(t.substr(8, 2), -1));
    if (t.size() >= 16 && t[10] == 'T') {
        h = static_cast<int>(to_int(t.substr(11, 2), -1));
        mi = static_cast<int>(to_int(t.substr(14, 2), -1));
        if (t.size() >= 19) sec = to_double(t.substr(17, 2), 0);
    }
    double serial;
    if (!date_serial(y, mo, d, h, mi, static_cast<int>(sec), serial)) return false;
    out = serial;
    return true;
}

// Appends name="value" to a kept attribute text, escaped for XML.
void keep_attr(std::string &out, std::string_view name, std::string_view value) {
    if (!out.empty()) out += ' ';
    out.append(name);
    out += "=\"";
    for (char ch : value) {
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '"': out += "&quot;"; break;
        default: out += ch; break;
        }
    }
    out += '"';
}

// A formula attribute that says what its absence says (some writers spell
// out every default): the formula is then a plain one.
bool attr_is_default(const XmlAttr &a) {
    if (a.local == "t") return a.value == "normal";
    static constexpr std::string_view flags[] = {"aca", "ca", "dt2D", "dtr", "del1", "del2", "bx"};
    for (std::string_view f : flags)
        if (a.local == f) return a.value == "false" || a.value == "0";
    return false;
}

class SheetHandler : public XmlHandler {
public:
    SheetHandler(Package &pkg, Sheet &sheet) : pkg_(pkg), m_(pkg.book.model), s_(sheet) {
        kinds_.reserve(m_.xfs.size());
        for (size_t i = 0; i < m_.xfs.size(); ++i)
            kinds_.push_back(style_format_class(m_, static_cast<int>(i) + 1).kind);
        value_.reserve(64);
    }
    void attach(XmlReader &xml) { xml_ = &xml; }

    int start_element(const XmlElement &e) override {
        if (e.ns != XmlNs::MAIN) {
            if (in_cell_) other_in_cell_ = true;
            return 0;
        }
        const std::string_view n = e.local;
        switch (e.depth) {
        case 1:
            if (n != "worksheet") return pkg_.fail(rc::UNSUPPORTED, part_ + ": not a worksheet");
            return capture(true);
        case 2:
            if (first_child_) {
                first_child_ = false;
                if (int rc = end(false, s_.kept->start_tag); rc != 0) return rc;
            }
            if (n == "sheetData") return 0;
            if (n == "sheetPr" || n == "sheetViews" || n == "sheetFormatPr" || n == "cols") return capture(true);
            if (n == "dimension") reserve_rows(e.attr("ref"));
            if (n == "sheetFormatPr") return 0;
            return 0;
        case 3:
            if (n == "row") return row(e);
            if (n == "col") return column(e);
            if (n == "mergeCell") return merge(e);
            return 0;
        case 4:
            if (n == "c") return cell(e);
            return 0;
        default:
            if (!in_cell_) return 0;
            if (n == "v" && e.depth == 5) {
                in_v_ = true;
            } else if (n == "f" && e.depth == 5) {
                in_f_ = has_formula_ = true;
                for (size_t i = 0; i < e.attr_count; ++i) {
                    const XmlAttr &a = e.attrs[i];
                    if (a.ns != XmlNs::NONE || attr_is_default(a)) continue;
                    keep_attr(f_attrs_, a.local, a.value);
                    if (a.local == "t" && a.value == "shared") {
                        m_.source->shared_formulas = true;
                        pkg_.book.recalc = false;   // the consumer recalculates shared formulas
                    }
                }
            } else if (n == "rPh") {
                ++phonetic_;
            } else if (n == "t" && phonetic_ == 0) {
                in_t_ = true;
            }
            return 0;
        }
    }

    int end_element(const XmlElement &e) override {
        if (e.ns != XmlNs::MAIN) return 0;
        const std::string_view n = e.local;
        switch (e.depth) {
        case 1: {
            std::string_view tail;
            if (tail_open_) {
                if (int rc = xml_->end_capture(false, &tail); rc != 0) return rc;
                s_.kept->tail.assign(tail);
            }
            return 0;
        }
        case 2:
            if (n == "sheetData") {
                tail_open_ = true;
                return xml_->begin_capture(false);
            }
            if (n == "sheetPr") return end(true, s_.kept->sheet_pr);
            if (n == "sheetViews") return end(true, s_.kept->views);
            if (n == "sheetFormatPr") return end(true, s_.kept->format_pr);
            if (n == "cols") return end(true, s_.kept->cols);
            return 0;
        case 4:
            if (n == "c" && in_cell_) return store();
            return 0;
        default:
            if (n == "v") in_v_ = false;
            else if (n == "f") in_f_ = false;
            else if (n == "t") in_t_ = false;
            else if (n == "rPh") --phonetic_;
            return 0;
        }
    }

    int text(std::string_view t, int) override {
        if (in_v_) value_.append(t);
        else if (in_f_) formula_.append(t);
        else if (in_t_) inline_.append(t);
        return 0;
    }

    void set_part(const std::string &part, uint64_t size) {
        part_ = part;
        part_size_ = size;
    }

private:
    int capture(bool include) {
        int rc = xml_->begin_capture(include);
        return rc == XMLREAD_ERR_REFUSED ? 0 : rc;   // other encodings: nothing is kept
    }
    int end(bool include, std::string &into) {
        std::string_view bytes;
        int rc = xml_->end_capture(include, &bytes);
        if (rc == 0) into.assign(bytes);
        return rc == XMLREAD_ERR_REFUSED ? 0 : rc;
    }

    // The row table is sized once from the stated used range, so that it is
    // neither grown by copies nor left half empty. The statement may lie:
    // it counts only as far as the part's size allows rows.
    void reserve_rows(std::string_view ref) {
        size_t colon = ref.find(':');
        int r = 0, c = 0;
        if (colon == std::string_view::npos || !parse_ref(ref.substr(colon + 1), r, c)) return;
        const size_t most = static_cast<size_t>(part_size_ / 16 + 1);
        const size_t want = std::min<size_t>(static_cast<size_t>(r) + 1, most);
        if (want > s_.rows.capacity()) {
            try {
                s_.rows.reserve(want);
            } catch (const std::bad_alloc &) {
                // The table grows as the rows come.
            }
        }
    }

    int row(const XmlElement &e) {
        std::string_view r = e.attr("r");
        long long number = r.empty() ? row_ + 2 : to_int(r, -1);
        if (number < 1 || number > pkg_.book.max_rows) return pkg_.fail(rc::UNSUPPORTED, part_ + ": bad row " + std::string(r));
        row_ = static_cast<int>(number - 1);
        col_ = -1;
        const bool hidden = to_bool(e.attr("hidden"));
        std::string_view ht = e.attr("ht");
        std::string_view s = e.attr("s");
        std::string_view level = e.attr("outlineLevel");
        const bool collapsed = to_bool(e.attr("collapsed"));
        const uint8_t marks = static_cast<uint8_t>((to_bool(e.attr("thickTop")) ? ROW_THICK_TOP : 0) |
                                                   (to_bool(e.attr("thickBot")) ? ROW_THICK_BOT : 0) |
                                                   (to_bool(e.attr("ph")) ? ROW_PHONETIC : 0));
        if (!hidden && ht.empty() && s.empty() && level.empty() && !collapsed && !marks) return 0;
        Row *rw = ensure_row(s_, row_);
        if (!rw) return pkg_.fail(rc::NO_MEMORY, part_);
        rw->marks = marks;
        if (!ht.empty()) {
            double h = to_double(ht, -1);
            if (h >= 0 && h * 100 < 65535) {
                rw->height = static_cast<uint16_t>(h * 100 + 0.5);
                if (!to_bool(e.attr("customHeight"))) rw->marks |= ROW_HEIGHT_AUTO;
            }
        }
        if (hidden) rw->sw[0] = VXLS_ON;
        if (!s.empty() && to_bool(e.attr("customFormat"))) {
            long long st = to_int(s, -1);
            if (st >= 0 && static_cast<size_t>(st) <= m_.xfs.size()) rw->style = static_cast<uint16_t>(st);
        }
        rw->outline = static_cast<uint8_t>((to_int(level, 0) & 7) | (collapsed ? 8 : 0));
        return 0;
    }

    int column(const XmlElement &e) {
        long long first = to_int(e.attr("min"), 0), last = to_int(e.attr("max"), 0);
        if (first < 1 || last < first || last > pkg_.book.max_columns) return 0;
        // A range reaching the last column sets a default for every column;
        // only what lies before the used columns matters to cells.
        last = std::min<long long>(last, first + 16383);
        const double width = to_double(e.attr("width"), 0);
        const long long style = to_int(e.attr("style"), 0);
        if (width > 0 && to_bool(e.attr("customWidth", "1"))) {
            if (s_.widths.size() < static_cast<size_t>(last)) s_.widths.resize(static_cast<size_t>(last), 0.0);
            for (long long c = first; c <= last; ++c) s_.widths[static_cast<size_t>(c - 1)] = width;
            s_.used_cols = std::max<int32_t>(s_.used_cols, static_cast<int32_t>(last));
            s_.sw_widths = VXLS_ON;
        }
        if (style > 0 && static_cast<size_t>(style) <= m_.xfs.size()) {
            if (s_.col_formats.size() < static_cast<size_t>(last)) s_.col_formats.resize(static_cast<size_t>(last), 0);
            for (long long c = first; c <= last; ++c) s_.col_formats[static_cast<size_t>(c - 1)] = static_cast<int32_t>(style);
        }
        return 0;
    }

    int merge(const XmlElement &e) {
        std::string_view ref = e.attr("ref");
        size_t colon = ref.find(':');
        Range r;
        if (colon == std::string_view::npos || !parse_ref(ref.substr(0, colon), r.r1, r.c1) ||
            !parse_ref(ref.substr(colon + 1), r.r2, r.c2))
            return 0;
        s_.merges.push_back(r);
        return 0;
    }

    int cell(const XmlElement &e) {
        in_cell_ = true;
        has_formula_ = in_v_ = in_f_ = in_t_ = other_in_cell_ = false;
        phonetic_ = 0;
        value_.clear();
        formula_.clear();
        f_attrs_.clear();
        inline_.clear();
        type_ = 'n';
        style_ = 0;
        for (size_t i = 0; i < e.attr_count; ++i) {
            const XmlAttr &a = e.attrs[i];
            if (a.ns != XmlNs::NONE || a.local.size() != 1) continue;
            switch (a.local[0]) {
            case 'r': {
                int r, c;
                if (!parse_ref(a.value, r, c) || r != row_)
                    return pkg_.fail(rc::UNSUPPORTED, part_ + ": bad cell reference " + std::string(a.value));
                col_ = c - 1;
                break;
            }
            case 's': {
                long long st = to_int(a.value, 0);
                if (st > 0 && static_cast<size_t>(st) <= m_.xfs.size()) style_ = static_cast<uint16_t>(st);
                break;
            }
            case 't':
                type_ = a.value == "s" ? 's' : a.value == "str" ? 'S' : a.value == "inlineStr" ? 'i'
                        : a.value == "b" ? 'b' : a.value == "e" ? 'e' : a.value == "d" ? 'd' : 'n';
                break;
            default:
                break;
            }
        }
        ++col_;
        if (col_ >= pkg_.book.max_columns || row_ < 0)
            return pkg_.fail(rc::UNSUPPORTED, part_ + ": a cell outside the grid");
        return 0;
    }

    uint8_t format_kind() const { return style_ > 0 ? kinds_[style_ - 1] : uint8_t{CELL_DECIMAL}; }

    // A number's text: whole numbers of up to nine digits without the
    // floating-point reader, everything else through it.
    bool number(double &v) const {
        const std::string_view t = value_;
        size_t i = t[0] == '-' ? 1 : 0;
        if (t.size() > i && t.size() - i <= 9) {
            int32_t n = 0;
            size_t k = i;
            for (; k < t.size() && t[k] >= '0' && t[k] <= '9'; ++k) n = n * 10 + (t[k] - '0');
            if (k == t.size()) {
                v = i ? -n : n;
                return true;
            }
        }
        auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(v);
    }

    int store() {
        in_cell_ = false;
        Cell *c = ensure_cell(s_, row_, col_);
        if (!c) return pkg_.fail(rc::NO_MEMORY, part_);
        if (has_formula_) return store_formula(*c);
        if (type_ == 'i') {
            decode_escapes(inline_);
            return keep_text(*c, inline_);
        }
        if (value_.empty()) {   // a cell with a format and no value
            c->kind = CELL_EMPTY;
            c->style = style_;
            return 0;
        }
        switch (type_) {
        case 's': {
            long long index = to_int(value_, -1);
            c->kind = CELL_SHARED_TEXT;
            c->aux = 0;
            c->style = style_;
            c->num = index >= 0 && static_cast<size_t>(index) < m_.sst.size() ? static_cast<int32_t>(index) : 0;
            if (index < 0 || static_cast<size_t>(index) >= m_.sst.size()) c->kind = CELL_EMPTY;
            return 0;
        }
        case 'S':
            decode_escapes(value_);
            return keep_text(*c, value_);
        case 'b':
            store_read_bool(*c, value_ == "1" || value_ == "true", style_);
            return 0;
        case 'e': {
            int code = error_code(value_);
            store_read_error(*c, code < 0 ? ERR_NA : code, style_);
            return 0;
        }
        case 'd': {
            double serial;
            if (!iso_serial(value_, serial)) return keep_text(*c, value_);
            store_read_number(*c, serial, CELL_DATE, style_);
            return 0;
        }
        default: {
            double v;
            if (!number(v)) return pkg_.fail(rc::UNSUPPORTED, part_ + ": bad number " + value_.substr(0, 32));
            store_read_number(*c, v, format_kind(), style_);
            return 0;
        }
        }
    }

    // A text kept in the cell itself.
    int keep_text(Cell &c, const std::string &text) {
        c.kind = CELL_TEXT_ONLY;
        c.aux = text.empty() ? CELL_AUX_EMPTY_TEXT : 0;   // an empty text is still a value
        c.num = 0;
        c.style = style_;
        cell_texts(s_, c).value = text;
        return 0;
    }

    int store_formula(Cell &c) {
        c.kind = value_.empty() && type_ != 'S' ? CELL_FORMULA : CELL_FORMULA2;
        c.aux = 0;
        c.style = style_;
        // The result's type goes into the number slot, as evaluation keeps it.
        c.num = type_ == 'b' ? FORMULA_BOOL : type_ == 'e' ? FORMULA_ERROR
                : type_ == 'S' || type_ == 's' ? FORMULA_TEXT : FORMULA_NUMBER;
        if (type_ == 's') {   // a shared-string result: its text is the value
            long long index = to_int(value_, -1);
            value_ = index >= 0 && static_cast<size_t>(index) < m_.sst.size() ? std::string(m_.sst[index]) : std::string();
        }
        if (c.num == FORMULA_TEXT) decode_escapes(value_);
        CellText &t = cell_texts(s_, c);
        t.value = value_;
        if (f_attrs_.empty()) {
            t.formula = formula_;
            return 0;
        }
        // A formula element with attributes (shared, array, data table) is
        // kept whole, as written, so that a save gives it back unchanged.
        t.formula = "<f ";
        t.formula += f_attrs_;
        if (formula_.empty()) {
            t.formula += "/>";
            return 0;
        }
        t.formula += '>';
        for (char ch : formula_) {
            if (ch == '&') t.formula += "&amp;";
            else if (ch == '<') t.formula += "&lt;";
            else if (ch == '>') t.formula += "&gt;";
            else t.formula += ch;
        }
        t.formula += "</f>";
        return 0;
    }

    Package &pkg_;
    Model &m_;
    Sheet &s_;
    XmlReader *xml_ = nullptr;
    std::string part_;
    uint64_t part_size_ = 0;
    std::vector<uint8_t> kinds_;   // per cell format: the kind its numbers take
    bool first_child_ = true, tail_open_ = false;
    int row_ = -1, col_ = -1;
    bool in_cell_ = false, in_v_ = false, in_f_ = false, in_t_ = false, has_formula_ = false, other_in_cell_ = false;
    int phonetic_ = 0;
    char type_ = 'n';
    uint16_t style_ = 0;
    std::string value_, formula_, f_attrs_, inline_;
};

} // namespace

int read_worksheet(Package &pkg, const std::string &part, int sheet_index) {
    long index = pkg.zip.find(part);
    if (index < 0) return pkg.fail(rc::UNSUPPORTED, "no part " + part);
    Sheet &sheet = pkg.book.model.sheets[static_cast<size_t>(sheet_index)];
    SheetHandler handler(pkg, sheet);
    handler.set_part(part, pkg.zip.entries()[static_cast<size_t>(index)].size);
    XmlReader xml(handler);
    handler.attach(xml);
    auto feed = [&](const char *p, size_t n) { return xml.feed(p, n); };
    // A big sheet is inflated on a second thread while it is parsed.
    const bool big = pkg.zip.entries()[static_cast<size_t>(index)].size > (4u << 20);
    int status = big ? pkg.zip.read_threaded(static_cast<size_t>(index), feed)
                     : pkg.zip.read(static_cast<size_t>(index), feed);
    if (status == 0) status = xml.finish();
    pkg.strict |= xml.strict();
    if (status == 0) return rc::OK;
    if (pkg.failed) return pkg.failed;
    const std::string &why = xml.status() != 0 ? xml.error() : pkg.zip.error();
    return pkg.fail(status == XMLREAD_ERR_MEMORY || status == ZIPREAD_ERR_MEMORY ? rc::NO_MEMORY : rc::UNSUPPORTED,
                    part + ": " + why);
}

} // namespace vel::xlsxread
