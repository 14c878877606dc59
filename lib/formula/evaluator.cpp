// Formula evaluation: a depth-first walk over formula cells on an explicit
// stack of frames. A cell is entered when a formula it feeds is walked and
// left when its own value is known; meeting a cell that is entered but not
// left is a circular reference, however long the loop.
#include "formula/evaluator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/diag.h"
#include "core/messages.h"
#include "core/status.h"
#include "formula/functions.h"
#include "model/cellname.h"
#include "model/cellvalue.h"
#include "model/numfmt.h"
#include "model/store.h"

namespace vel::formula {

namespace {

constexpr uint64_t key_of(int sheet, int row, int col) {
    return (static_cast<uint64_t>(sheet) << 34) | (static_cast<uint64_t>(row) << 14) | static_cast<uint64_t>(col);
}

inline bool is_formula(const Cell &c) { return c.kind == CELL_FORMULA || c.kind == CELL_FORMULA2; }

// Sheet of that name: the exact name first, then regardless of the case of
// ASCII letters (as the spreadsheet programs match sheet names); -1.
int sheet_named(const Model &m, std::string_view name) {
    for (size_t i = 0; i < m.sheets.size(); ++i)
        if (m.sheets[i].name == name) return static_cast<int>(i);
    for (size_t i = 0; i < m.sheets.size(); ++i)
        if (same_nocase(m.sheets[i].name, name)) return static_cast<int>(i);
    return -1;
}

char fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool alphanumeric(std::string_view s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    return true;
}

// Comparison of two scalars: numbers before texts; texts regardless of the
// case of ASCII letters; an empty operand takes the other's kind (0, "" or
// FALSE). Unclear where the programs order differently: a boolean against a
// number or a text, texts that differ beyond letter case with other
// characters than ASCII letters and digits (their order is a collation's).
Read compare(const Value &a0, const Value &b0, int &order, Value &err) {
    if (a0.kind == Value::ERROR || b0.kind == Value::ERROR) {
        err = a0.kind == Value::ERROR ? a0 : b0;
        return Read::Error;
    }
    Value a = a0, b = b0;
    if (a.kind == Value::EMPTY) a.kind = b.kind == Value::EMPTY ? Value::NUMBER : b.kind, a.num = 0;
    if (b.kind == Value::EMPTY) b.kind = a.kind, b.num = 0;
    if ((a.kind == Value::BOOL) != (b.kind == Value::BOOL)) return Read::Unclear;
    if (a.kind != b.kind) {
        order = a.kind == Value::NUMBER ? -1 : 1;
        return Read::Ok;
    }
    if (a.kind == Value::TEXT) {
        const size_t n = std::min(a.text.size(), b.text.size());
        order = 0;
        for (size_t i = 0; i < n && order == 0; ++i) {
            const auto x = static_cast<unsigned char>(fold(a.text[i])), y = static_cast<unsigned char>(fold(b.text[i]));
            if (x != y) order = x < y ? -1 : 1;
        }
        if (order == 0 && a.text.size() != b.text.size()) order = a.text.size() < b.text.size() ? -1 : 1;
        if (order != 0 && !(alphanumeric(a.text) && alphanumeric(b.text))) return Read::Unclear;
        return Read::Ok;
    }
    order = a.num < b.num ? -1 : a.num > b.num ? 1 : 0;
    return Read::Ok;
}

// The arithmetic operators. Powers of 0 to an exponent of 0 or below, and
// of a negative number to a fraction, are left to the opening program (the
// programs give 1, #NUM!, #DIV/0! or an odd root there).
Read arithmetic(NodeKind k, const Value &a, const Value &b, Value &out) {
    double x = 0, y = 0;
    Read r = number_of(a, x, out);
    if (r == Read::Ok) r = number_of(b, y, out);
    if (r != Read::Ok) return r;
    switch (k) {
    case NodeKind::Add: out = Value::number(x + y); break;
    case NodeKind::Sub: out = Value::number(x - y); break;
    case NodeKind::Mul: out = Value::number(x * y); break;
    case NodeKind::Div: out = y == 0 ? Value::error(ERR_DIV0) : Value::number(x / y); break;
    default: // Pow
        if ((x == 0 && y <= 0) || (x < 0 && y != std::trunc(y))) return Read::Unclear;
        out = Value::number(std::pow(x, y));
        break;
    }
    return Read::Ok;
}

Read join(const Value &a, const Value &b, Value &out) {
    std::string x, y;
    Read r = text_of(a, x, out);
    if (r == Read::Ok) r = text_of(b, y, out);
    if (r != Read::Ok) return r;
    x += y;
    if (x.size() > MAX_TEXT_CHARS && utf8_count(x) > MAX_TEXT_CHARS) out = Value::error(ERR_VALUE);
    else out = Value::string(x);
    return Read::Ok;
}

Read comparison(NodeKind k, const Value &a, const Value &b, Value &out) {
    int order = 0;
    const Read r = compare(a, b, order, out);
    if (r != Read::Ok) return r;
    switch (k) {
    case NodeKind::Eq: out = Value::boolean(order == 0); break;
    case NodeKind::Ne: out = Value::boolean(order != 0); break;
    case NodeKind::Lt: out = Value::boolean(order < 0); break;
    case NodeKind::Le: out = Value::boolean(order <= 0); break;
    case NodeKind::Gt: out = Value::boolean(order > 0); break;
    default: out = Value::boolean(order >= 0); break;
    }
    return Read::Ok;
}

// The text of a number result: its shortest digits that read back as it,
// written out in full between 1E-7 and 1E+21, else with an exponent.
std::string result_text(double v) {
    const double a = std::fabs(v);
    if (a < 1e-7 || a >= 1e21) return double_text(v);
    char buf[48];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
}

} // namespace

// The cells of references, as the functions read them.
class Evaluator::Reader : public CellReader {
public:
    explicit Reader(Evaluator &ev) : ev_(ev) {}
    void visit(const Value &ref, const std::function<bool(const Value &)> &each) override {
        const Sheet &s = ev_.book_.model.sheets[ref.sheet];
        const int rows = std::min<int>(ref.area.r2 + 1, static_cast<int>(s.rows.size()));
        for (int r = ref.area.r1; r < rows; ++r) {
            const int cols = std::min<int>(ref.area.c2 + 1, static_cast<int>(s.rows[r].cells.size()));
            for (int c = ref.area.c1; c < cols; ++c) {
                const Value &v = ev_.cell_value(ref.sheet, r, c, scratch_);
                if (v.kind != Value::EMPTY && !each(v)) return;
            }
        }
    }
    Value single(const Value &ref) override { return ev_.cell_value(ref.sheet, ref.area.r1, ref.area.c1, scratch_); }

private:
    Evaluator &ev_;
    Value scratch_;
};

const Value &Evaluator::cell_value(int sheet, int row, int col, Value &scratch) {
    scratch.kind = Value::EMPTY;
    scratch.num = 0;
    scratch.text.clear();
    Sheet &s = book_.model.sheets[sheet];
    const Cell *c = find_cell(s, row, col);
    if (!c) return scratch;
    if (c->aux & CELL_AUX_BOOL) return scratch = Value::boolean(c->num != 0);
    if (c->aux & CELL_AUX_ERROR) return scratch = Value::error(c->num);
    switch (c->kind) {
    case CELL_TEXT_ONLY:
        if (const CellText *t = texts_of(s, *c); t && !t->value.empty()) {
            scratch.kind = Value::TEXT;
            scratch.text = t->value;
        }
        return scratch;
    case CELL_SHARED_TEXT: {
        const auto &sst = book_.model.sst;
        scratch.kind = Value::TEXT;
        if (c->num >= 0 && static_cast<size_t>(c->num) < sst.size()) scratch.text = sst[c->num];
        return scratch;
    }
    case CELL_FORMULA:
    case CELL_FORMULA2: {
        auto it = cells_.find(key_of(sheet, row, col));
        if (it != cells_.end() && it->second.done) return it->second.value;
        unread_ = true; // every cell read is walked first; see walk()
        return scratch;
    }
    default: {
        double v;
        if (cell_number(s, *c, v)) scratch = Value::number(v);
        return scratch;
    }
    }
}

int Evaluator::fail(const char *tmpl, std::string_view what) {
    if (record_ && tmpl) vlt_error(&book_, rc::BAD_ARGUMENT, tmpl, std::string(what).c_str());
    return rc::BAD_ARGUMENT;
}

int Evaluator::prepare(Frame &f) {
    Sheet &s = book_.model.sheets[f.sheet];
    const Cell *c = find_cell(s, f.row, f.col);
    const CellText *t = c ? texts_of(s, *c) : nullptr;
    const std::string_view text = t ? std::string_view(t->formula) : std::string_view();
    // A formula element kept whole from a workbook that was read is not ours to evaluate.
    if (text.empty() || text[0] == '<') return fail(nullptr, {});
    SyntaxFault fault;
    if (!parse_formula(text, f.program, fault))
        return fail(fault.bracket ? msg::E02304 : msg::E02201, fault.bracket ? text : fault.what);
    const Program &p = f.program;
    for (const Node &n : p.nodes) {
        switch (n.kind) {
        case NodeKind::Missing:
        case NodeKind::Unsupported:
        case NodeKind::Range: return fail(nullptr, {});
        case NodeKind::Call: {
            if (n.function < 0) {
                if (record_) {
                    char line[160];
                    std::snprintf(line, sizeof line, msg::E02202, std::string(utf8_cut(p.text_of(n), 64)).c_str());
                    vlt_diag(book_.diag, 0, line);
                    vlt_diag(book_.diag, 0, msg::E04100);
                }
                return fail(nullptr, {});
            }
            const FunctionInfo &fn = function_at(n.function);
            if (n.argc < fn.min_args) return fail(msg::E03201, fn.name);
            if (n.argc > fn.max_args) return fail(msg::E03202, fn.name);
            break;
        }
        default: break;
        }
    }
    f.sheets.assign(p.texts.size(), -1);
    for (const Node &n : p.nodes) {
        if (n.kind != NodeKind::Ref || n.text == 0) continue;
        const int found = sheet_named(book_.model, p.text_of(n));
        if (found < 0) return fail(nullptr, {});
        f.sheets[n.text - 1] = found;
    }
    return 0;
}

int Evaluator::walk(size_t top, bool &pushed) {
    pushed = false;
    Frame &f = frames_[top];
    const std::vector<Node> &nodes = f.program.nodes;
    for (; f.node < nodes.size(); ++f.node, f.r = -1) {
        const Node &n = nodes[f.node];
        if (n.kind != NodeKind::Ref || (n.marks & NODE_ADDRESS_ONLY)) continue;
        const int sheet = n.text ? f.sheets[n.text - 1] : f.sheet;
        const Sheet &s = book_.model.sheets[sheet];
        if (f.r < 0) f.r = n.area.r1, f.c = n.area.c1;
        const int rows = std::min<int>(n.area.r2 + 1, static_cast<int>(s.rows.size()));
        for (; f.r < rows; ++f.r, f.c = n.area.c1) {
            const std::vector<Cell> &cells = s.rows[f.r].cells;
            const int cols = std::min<int>(n.area.c2 + 1, static_cast<int>(cells.size()));
            for (; f.c < cols; ++f.c) {
                if (!is_formula(cells[f.c])) continue;
                const uint64_t key = key_of(sheet, f.r, f.c);
                auto [it, fresh] = cells_.try_emplace(key);
                if (!fresh) {
                    if (it->second.done) continue;
                    // Entered and not yet left: this cell feeds itself.
                    char name[16];
                    cell_name(f.r, f.c, name);
                    std::string label = sheet == frames_.front().sheet ? std::string(name) : s.name + "!" + name;
                    return fail(msg::E03200, label);
                }
                Frame next;
                next.key = key;
                next.sheet = sheet;
                next.row = f.r;
                next.col = f.c;
                frames_.push_back(std::move(next)); // `f` is not used after this
                pushed = true;
                return prepare(frames_.back());
            }
        }
    }
    return 0;
}

int Evaluator::run(Frame &f, Value &result) {
    std::vector<Value> st;
    Reader reader(*this);
    Value scratch;
    unread_ = false;
    // A reference where one value is wanted: its cell's value.
    auto scalar = [&](Value &v) {
        if (v.kind != Value::REF) return true;
        if (!v.area.single()) return false;
        v = cell_value(v.sheet, v.area.r1, v.area.c1, scratch);
        return true;
    };
    const Program &p = f.program;
    for (const Node &n : p.nodes) {
        if (st.size() < static_cast<size_t>(node_arity(n))) return fail(nullptr, {});
        switch (n.kind) {
        case NodeKind::Number: st.push_back(Value::number(n.number)); break;
        case NodeKind::String: st.push_back(Value::string(p.text_of(n))); break;
        case NodeKind::Bool: st.push_back(Value::boolean(n.number != 0)); break;
        case NodeKind::Error: st.push_back(Value::error(static_cast<int>(n.number))); break;
        case NodeKind::Ref: {
            Value v;
            v.kind = Value::REF;
            v.sheet = n.text ? f.sheets[n.text - 1] : f.sheet;
            v.area = n.area;
            st.push_back(std::move(v));
            break;
        }
        case NodeKind::Neg:
        case NodeKind::Plus:
        case NodeKind::Percent: {
            Value &a = st.back();
            if (!scalar(a)) return fail(nullptr, {});
            if (n.kind == NodeKind::Plus) {
                if (a.kind == Value::EMPTY) a = Value::number(0);
                break;
            }
            Value err;
            double x = 0;
            const Read r = number_of(a, x, err);
            if (r == Read::Unclear) return fail(nullptr, {});
            a = r == Read::Error ? err : Value::number(n.kind == NodeKind::Neg ? -x : x / 100);
            break;
        }
        case NodeKind::Call: {
            const FunctionInfo &fn = function_at(n.function);
            const size_t first = st.size() - n.argc;
            CallArgs args{std::span<const Value>(st.data() + first, n.argc), reader, f.row};
            Value out;
            if (fn.impl(args, out) == Outcome::Unsupported) return fail(nullptr, {});
            st.resize(first);
            st.push_back(std::move(out));
            break;
        }
        default: { // binary operators
            Value b = std::move(st.back());
            st.pop_back();
            Value &a = st.back();
            if (!scalar(a) || !scalar(b)) return fail(nullptr, {});
            Value out;
            const Read r = n.kind == NodeKind::Concat ? join(a, b, out)
                           : n.kind >= NodeKind::Eq   ? comparison(n.kind, a, b, out)
                                                      : arithmetic(n.kind, a, b, out);
            if (r == Read::Unclear) return fail(nullptr, {});
            a = std::move(out);
            break;
        }
        }
        if (unread_) return fail(nullptr, {});
    }
    if (st.size() != 1) return fail(nullptr, {});
    result = std::move(st.back());
    if (!scalar(result) || unread_) return fail(nullptr, {});
    if (result.kind == Value::EMPTY) result = Value::number(0);
    return 0;
}

int Evaluator::evaluate(int sheet, int row, int col, const Value *&out) {
    const auto &sheets = book_.model.sheets;
    if (sheet < 0 || static_cast<size_t>(sheet) >= sheets.size()) return rc::BAD_ARGUMENT;
    const Cell *c = find_cell(book_.model.sheets[sheet], row, col);
    if (!c || !is_formula(*c)) return rc::BAD_ARGUMENT;
    const uint64_t key = key_of(sheet, row, col);
    if (auto it = cells_.find(key); it != cells_.end() && it->second.done) {
        out = &it->second.value;
        return 0;
    }
    frames_.clear();
    cells_[key] = Entry{};
    Frame first;
    first.key = key;
    first.sheet = sheet;
    first.row = row;
    first.col = col;
    frames_.push_back(std::move(first));
    int rc = prepare(frames_.back());
    while (rc == 0 && !frames_.empty()) {
        bool pushed = false;
        rc = walk(frames_.size() - 1, pushed);
        if (rc != 0 || pushed) continue;
        Value v;
        rc = run(frames_.back(), v);
        if (rc != 0) break;
        Entry &e = cells_[frames_.back().key];
        e.done = true;
        e.value = std::move(v);
        frames_.pop_back();
    }
    if (rc != 0) {
        // The cells still entered are forgotten, so that a later call starts afresh.
        for (const Frame &f : frames_) cells_.erase(f.key);
        frames_.clear();
        return rc;
    }
    out = &cells_[key].value;
    return 0;
}

int vlt_evaluate_formulas(Book &book) {
    if (!book.recalc) return 0;
    Evaluator ev(book, true);
    auto &sheets = book.model.sheets;
    for (size_t s = 0; s < sheets.size(); ++s) {
        for (size_t r = 0; r < sheets[s].rows.size(); ++r) {
            for (size_t c = 0; c < sheets[s].rows[r].cells.size(); ++c) {
                if (!is_formula(sheets[s].rows[r].cells[c])) continue;
                const Value *v = nullptr;
                const int rc = ev.evaluate(static_cast<int>(s), static_cast<int>(r), static_cast<int>(c), v);
                if (rc != 0) {
                    book.recalc = false;
                    return rc;
                }
                Sheet &sheet = sheets[s];
                Cell &cell = sheet.rows[r].cells[c];
                CellText &t = cell_texts(sheet, cell);
                cell.kind = CELL_FORMULA2;
                switch (v->kind) {
                case Value::TEXT:
                    cell.num = FORMULA_TEXT;
                    t.value = v->text;
                    break;
                case Value::BOOL:
                    cell.num = FORMULA_BOOL;
                    t.value = v->num != 0 ? "1" : "0";
                    break;
                case Value::ERROR:
                    cell.num = FORMULA_ERROR;
                    t.value = error_name(static_cast<int>(v->num));
                    break;
                default:
                    cell.num = FORMULA_NUMBER;
                    t.value = result_text(v->num);
                    break;
                }
            }
        }
    }
    return 0;
}

int vlt_check_formula(Book &book, std::string_view formula) {
    Program p;
    SyntaxFault fault;
    if (parse_formula(formula, p, fault)) return 0;
    const std::string what = fault.bracket ? std::string(formula) : fault.what;
    return vlt_error(&book, rc::BAD_ARGUMENT, fault.bracket ? msg::E02304 : msg::E02201, what.c_str());
}

bool formula_display(Evaluator &ev, int sheet, int row, int col, std::string &out) {
    const Value *v = nullptr;
    if (ev.evaluate(sheet, row, col, v) != 0) return false;
    switch (v->kind) {
    case Value::TEXT: out = v->text; break;
    case Value::BOOL: out = v->num != 0 ? "TRUE" : "FALSE"; break;
    case Value::ERROR: out = error_name(static_cast<int>(v->num)); break;
    default: out = number_display_double(v->num); break;
    }
    return true;
}

} // namespace vel::formula
