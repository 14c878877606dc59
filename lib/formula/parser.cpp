// Formula parser: operator precedence with explicit stacks (no recursion).
#include "formula/parser.h"

#include "formula/functions.h"
#include "model/cellname.h"
#include "model/cellvalue.h"

namespace vel::formula {

namespace {

// Binding level of an operator: lower binds tighter (see parser.h).
int level(NodeKind k) {
    switch (k) {
    case NodeKind::Range: return 0;
    case NodeKind::Neg:
    case NodeKind::Plus: return 1;
    case NodeKind::Percent: return 2;
    case NodeKind::Pow: return 3;
    case NodeKind::Mul:
    case NodeKind::Div: return 4;
    case NodeKind::Add:
    case NodeKind::Sub: return 5;
    case NodeKind::Concat: return 6;
    default: return 7;
    }
}

bool binary_operator(std::string_view t, NodeKind &k) {
    static constexpr struct {
        std::string_view text;
        NodeKind kind;
    } table[] = {{":", NodeKind::Range}, {"^", NodeKind::Pow}, {"*", NodeKind::Mul}, {"/", NodeKind::Div},
                 {"+", NodeKind::Add},   {"-", NodeKind::Sub}, {"&", NodeKind::Concat}, {"=", NodeKind::Eq},
                 {"<>", NodeKind::Ne},   {"<", NodeKind::Lt},  {"<=", NodeKind::Le},   {">", NodeKind::Gt},
                 {">=", NodeKind::Ge}};
    for (const auto &e : table)
        if (e.text == t) {
            k = e.kind;
            return true;
        }
    return false;
}

// An entry of the operator stack: an operator, an open parenthesis, or an
// open function call.
struct Pending {
    enum Kind : uint8_t { Operator, Paren, Call } kind;
    NodeKind op = NodeKind::Add;
    uint32_t name = 0;      // Call: its name in Program::texts
    int16_t function = -1;
    uint16_t commas = 0;
};

uint32_t add_text(Program &p, std::string_view t) {
    p.texts.emplace_back(t);
    return static_cast<uint32_t>(p.texts.size());
}

// First node of the subtree that ends at `last`.
size_t subtree_start(const std::vector<Node> &nodes, size_t last) {
    size_t i = last;
    int need = node_arity(nodes[i]);
    while (need > 0 && i > 0) {
        --i;
        need += node_arity(nodes[i]) - 1;
    }
    return i;
}

// Marks the references given directly to a function that reads no cells.
void mark_address_only(std::vector<Node> &nodes, size_t argc) {
    size_t end = nodes.size() - 1; // the call itself
    for (size_t a = 0; a < argc && end > 0; ++a) {
        size_t root = end - 1;
        if (nodes[root].kind == NodeKind::Ref) nodes[root].marks |= NODE_ADDRESS_ONLY;
        end = subtree_start(nodes, root);
    }
}

} // namespace

int node_arity(const Node &n) {
    switch (n.kind) {
    case NodeKind::Neg:
    case NodeKind::Plus:
    case NodeKind::Percent: return 1;
    case NodeKind::Call: return n.argc;
    case NodeKind::Number:
    case NodeKind::String:
    case NodeKind::Bool:
    case NodeKind::Error:
    case NodeKind::Ref:
    case NodeKind::Missing:
    case NodeKind::Unsupported: return 0;
    default: return 2;
    }
}

bool parse_formula(std::string_view text, Program &out, SyntaxFault &fault) {
    out.nodes.clear();
    out.texts.clear();
    std::vector<Pending> stack;
    Tokenizer tokens(text);
    Token tok;
    Tok prev = Tok::End;          // the kind of the token before (End: none yet)
    std::string_view prev_text;
    bool operand_next = true;     // an operand or a prefix operator comes next

    auto fail = [&](std::string_view what) {
        fault = {false, std::string(what)};
        return false;
    };
    auto emit = [&](NodeKind k) -> Node & {
        out.nodes.emplace_back();
        out.nodes.back().kind = k;
        return out.nodes.back();
    };
    // Moves operators off the stack while they bind at least as tightly as `lvl`.
    auto reduce = [&](int lvl) {
        while (!stack.empty() && stack.back().kind == Pending::Operator && level(stack.back().op) <= lvl) {
            emit(stack.back().op);
            stack.pop_back();
        }
    };
    // After an operator that still waits for its operand, the fault names that operator.
    auto dangling = [&](std::string_view here) {
        return fail(prev == Tok::Operator ? prev_text : here);
    };

    for (;;) {
        if (!tokens.next(tok, fault)) return false;
        switch (tok.kind) {
        case Tok::Number:
        case Tok::String:
        case Tok::Bool:
        case Tok::Error:
        case Tok::Ref:
        case Tok::Name:
        case Tok::Opaque: {
            if (!operand_next) return fail(tok.text);
            static constexpr NodeKind kinds[] = {NodeKind::Number, NodeKind::String,      NodeKind::Bool,
                                                 NodeKind::Error,  NodeKind::Ref,         NodeKind::Unsupported,
                                                 NodeKind::Unsupported};
            Node &n = emit(kinds[static_cast<int>(tok.kind)]);
            n.number = tok.number;
            n.area = tok.area;
            if (tok.kind == Tok::String || (tok.kind == Tok::Ref && !tok.value.empty()))
                n.text = add_text(out, tok.value);
            else if (tok.kind == Tok::Name || tok.kind == Tok::Opaque)
                n.text = add_text(out, tok.text);
            operand_next = false;
            break;
        }
        case Tok::Function: {
            if (!operand_next) return fail(tok.text);
            std::string_view name = tok.text.substr(0, tok.text.size() - 1);
            Pending p{Pending::Call};
            p.name = add_text(out, name);
            p.function = static_cast<int16_t>(find_function(name));
            stack.push_back(p);
            break;
        }
        case Tok::LParen:
            if (!operand_next) return fail(tok.text);
            stack.push_back(Pending{Pending::Paren});
            break;
        case Tok::RParen:
        case Tok::Comma: {
            size_t open = stack.size();
            while (open > 0 && stack[open - 1].kind == Pending::Operator) --open;
            if (open == 0) {
                if (tok.kind == Tok::Comma) return fail(tok.text);
                fault = {true, std::string(text)};
                return false;
            }
            Pending &frame = stack[open - 1];
            if (tok.kind == Tok::Comma && frame.kind != Pending::Call) return fail(tok.text);
            if (operand_next) {
                const bool call_open = frame.kind == Pending::Call && prev == Tok::Function;
                if (call_open && tok.kind == Tok::RParen) {
                    // F(): no arguments.
                } else if (frame.kind == Pending::Call && (call_open || prev == Tok::Comma)) {
                    emit(NodeKind::Missing);
                } else {
                    return dangling(tok.text);
                }
            }
            reduce(7);
            if (tok.kind == Tok::Comma) {
                if (stack.back().commas >= UINT16_MAX - 1) return fail(tok.text); // argc must fit
                ++stack.back().commas;
                operand_next = true;
                break;
            }
            Pending done = stack.back();
            stack.pop_back();
            if (done.kind == Pending::Call) {
                Node &n = emit(NodeKind::Call);
                n.text = done.name;
                n.function = done.function;
                n.argc = static_cast<uint16_t>(prev == Tok::Function ? 0 : done.commas + 1);
                if (done.function >= 0 && !function_at(done.function).reads_cells)
                    mark_address_only(out.nodes, n.argc);
            }
            operand_next = false;
            break;
        }
        case Tok::Operator: {
            NodeKind k;
            if (operand_next) {
                if (tok.text != "+" && tok.text != "-") return fail(tok.text);
                Pending p{Pending::Operator};
                p.op = tok.text == "-" ? NodeKind::Neg : NodeKind::Plus;
                stack.push_back(p);
            } else if (tok.text == "%") {
                reduce(level(NodeKind::Percent) - 1);
                emit(NodeKind::Percent);
            } else if (binary_operator(tok.text, k)) {
                reduce(level(k));
                Pending p{Pending::Operator};
                p.op = k;
                stack.push_back(p);
                operand_next = true;
            } else {
                return fail(tok.text);
            }
            break;
        }
        case Tok::End:
            if (operand_next) {
                if (prev == Tok::Operator) return fail(prev_text);
                if (prev == Tok::End) return fail("=");
                fault = {true, std::string(text)}; // "SUM(", "(1,": an open parenthesis
                return false;
            }
            reduce(7);
            if (!stack.empty()) {
                fault = {true, std::string(text)};
                return false;
            }
            return true;
        }
        prev = tok.kind;
        prev_text = tok.text;
    }
}

std::string program_text(const Program &p) {
    std::vector<std::string> parts;
    for (const Node &n : p.nodes) {
        std::string s;
        switch (n.kind) {
        case NodeKind::Number: s = double_text(n.number); break;
        case NodeKind::String:
            s = "\"";
            for (char c : p.text_of(n)) s += c == '"' ? "\"\"" : std::string(1, c);
            s += '"';
            break;
        case NodeKind::Bool: s = n.number != 0 ? "TRUE" : "FALSE"; break;
        case NodeKind::Error: s = error_name(static_cast<int>(n.number)); break;
        case NodeKind::Ref: {
            if (n.text) {
                s = "'";
                for (char c : p.text_of(n)) s += c == '\'' ? "''" : std::string(1, c);
                s += "'!";
            }
            char name[16];
            cell_name(n.area.r1, n.area.c1, name);
            s += name;
            if (!n.area.single()) {
                cell_name(n.area.r2, n.area.c2, name);
                s += ':';
                s += name;
            }
            break;
        }
        case NodeKind::Missing: break;
        case NodeKind::Unsupported: s = p.text_of(n); break;
        case NodeKind::Neg:
        case NodeKind::Plus:
            s = std::string("(") + (n.kind == NodeKind::Neg ? "-" : "+") + parts.back() + ")";
            parts.pop_back();
            break;
        case NodeKind::Percent:
            s = "(" + parts.back() + "%)";
            parts.pop_back();
            break;
        case NodeKind::Call: {
            std::string args;
            for (size_t i = parts.size() - n.argc; i < parts.size(); ++i) {
                if (i + n.argc > parts.size()) args += ',';
                args += parts[i];
            }
            parts.resize(parts.size() - n.argc);
            s = std::string(p.text_of(n)) + "(" + args + ")";
            break;
        }
        default: {
            // The range operator between blanks, so that the text reads back as the
            // operator and not as one reference.
            static constexpr std::string_view ops[] = {" : ", "^", "*", "/", "+", "-", "&",
                                                       "=", "<>", "<", "<=", ">", ">="};
            std::string b = std::move(parts.back());
            parts.pop_back();
            s = "(" + parts.back() + std::string(ops[static_cast<int>(n.kind) - static_cast<int>(NodeKind::Range)]) +
                b + ")";
            parts.pop_back();
            break;
        }
        }
        parts.push_back(std::move(s));
    }
    return parts.empty() ? std::string() : parts.back();
}

} // namespace vel::formula
