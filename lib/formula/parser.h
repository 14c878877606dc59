// The formula parser: formula text (UTF-8, without the leading "=") to a
// small tree. The tree is kept flat in postfix order: every node follows
// its operands, so that it is built and evaluated with explicit stacks and
// no recursion, whatever the nesting.
//
// Operators, tightest first; binary operators of one level group from the
// left (2^3^2 is 64, 1-2-3 is -4):
//
//   0  :                      range between two references
//   1  -  +   (prefix)        sign: -2^2 is 4, 2^-1 is 0.5
//   2  %      (postfix)       percent: 2^50% is 2^0.5
//   3  ^                      power
//   4  *  /
//   5  +  -
//   6  &                      text join
//   7  =  <>  <  >  <=  >=    comparison
//
// Parentheses group; a name directly followed by "(" calls a function with
// the arguments between its parentheses, separated by ",".
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formula/tokenizer.h"

namespace vel::formula {

enum class NodeKind : uint8_t {
    // Operands.
    Number, String, Bool, Error, Ref,
    Missing,      // an empty function argument, F(1,,2)
    Unsupported,  // a defined name, an array constant, a structured or external reference
    // Prefix and postfix operators.
    Neg, Plus, Percent,
    // Binary operators.
    Range, Pow, Mul, Div, Add, Sub, Concat, Eq, Ne, Lt, Le, Gt, Ge,
    // A function call with `argc` arguments.
    Call,
};

// Marks of a node.
enum : uint8_t {
    NODE_ADDRESS_ONLY = 1,  // a reference whose cells are not read (the argument of ROW)
};

struct Node {
    NodeKind kind = NodeKind::Number;
    uint8_t marks = 0;
    uint16_t argc = 0;      // Call: number of arguments
    int16_t function = -1;  // Call: index in the function table, -1 for a function outside it
    uint32_t text = 0;      // String, Call, Unsupported: 1-based index in Program::texts; Ref: its sheet name there (0: none)
    double number = 0;      // Number; Bool: 0 or 1; Error: the code
    Area area;              // Ref
};

struct Program {
    std::vector<Node> nodes;          // postfix order
    std::vector<std::string> texts;   // texts, function names and sheet names of the nodes
    std::string_view text_of(const Node &n) const {
        return n.text ? std::string_view(texts[n.text - 1]) : std::string_view();
    }
};

// Operand count of a node.
int node_arity(const Node &n);

// Parses a formula. True with the tree in `out`; false with `fault` set:
// a bracket fault names the whole formula, another fault the token at fault.
bool parse_formula(std::string_view text, Program &out, SyntaxFault &fault);

// The tree written back as a formula with every operation in parentheses:
// "1+2*3" gives "(1+(2*3))". References lose their "$" signs.
std::string program_text(const Program &p);

} // namespace vel::formula
