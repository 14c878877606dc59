// The formula parser: precedence, operand forms, and faults with the texts their messages name.
#include <gtest/gtest.h>

#include "formula/functions.h"
#include "formula/parser.h"

using namespace vel::formula;

namespace {

std::string tree(const std::string &text) {
    Program p;
    SyntaxFault fault;
    if (!parse_formula(text, p, fault)) return (fault.bracket ? "bracket: " : "fault: ") + fault.what;
    return program_text(p);
}

TEST(FormulaParser, TreesAndFaults) {
    const struct {
        const char *text, *want;
    } cases[] = {
        // Precedence (the values are compared with LibreOffice in peers_test).
        {"-2^2", "((-2)^2)"}, // the sign binds tighter than the power
        {"-50%", "((-50)%)"}, {"1+2&3", "((1+2)&3)"}, {"1&2=\"12\"", "((1&2)=\"12\")"}, {"1<2=TRUE", "((1<2)=TRUE)"},
        {"A1>=1", "(A1>=1)"}, {"-A1+-2", "((-A1)+(-2))"}, {"--+1", "(-(-(+1)))"}, {"(((1)))", "1"},
        {" 1 +\n2\t", "(1+2)"}, {"SUM(A1:B2,-C3*2,)", "SUM(A1:B2,((-C3)*2),)"},
        {"IF(A1=\"a)\",1,2)", "IF((A1=\"a)\"),1,2)"},
        // Operand forms; with no column (XFE1) or beyond the last row, a name.
        {"$A$1+b$2", "(A1+B2)"}, {"A:C", "A1:C1048576"}, {"$2:3", "A2:XFD3"}, {"XFE1", "XFE1"},
        {"A1048577", "A1048577"}, {"日本!A1", "'日本'!A1"}, {"#DIV/0!+#n/a", "(#DIV/0!+#N/A)"},
        {"A1:$C$3+C3:A1", "(A1:C3+A1:C3)"},            // corners in any order
        {"Sheet2!A1*'My ''q'' sheet'!B2:C3", "('Sheet2'!A1*'My ''q'' sheet'!B2:C3)"},
        {"LOG10(100)+A1(2)", "(LOG10(100)+A1(2))"},     // a name before "(" calls a function
        {"\"say \"\"hi\"\"\"&\"\"", "(\"say \"\"hi\"\"\"&\"\")"},
        {"1E+3*.5+2.+1E-400", "(((1000*0.5)+2)+0)"},
        {"Table1[[#This Row],[Col]]+{1,\"}\";2}", "(Table1[[#This Row],[Col]]+{1,\"}\";2})"},
        {"_xlfn.CONCAT(\"a\")", "_xlfn.CONCAT(\"a\")"}, {"[1]Book!A1", "[1]Book!A1"},
        {"Sheet1:Sheet3!A1", "(Sheet1 : 'Sheet3'!A1)"}, // a range of sheets: kept, not evaluated
        // Faults name the token at fault (pairs that do not close, below, the whole formula).
        {"", "fault: ="}, {"1**2", "fault: *"}, {"1+", "fault: +"}, {"(1/)", "fault: /"}, {"1=<2", "fault: <"},
        {"A1 B1", "fault: B1"}, {"SUM (A1)", "fault: ("}, {"(1,2)", "fault: ,"}, {"()", "fault: )"},
        {"A1;B1", "fault: ;"}, {"@A1", "fault: @"}, {"#FOO!", "fault: #FOO!"}, {"1E+309", "fault: 1E+309"},
        {"'abc'", "fault: 'abc'"}, {"Sheet1!", "fault: Sheet1!"}, {"1\x01" "2", "fault: \x01"},
    };
    for (const auto &c : cases) EXPECT_EQ(tree(c.text), c.want) << c.text;
    for (const std::string open : {"SUM(A1", "A1)", "\"abc", "'Sheet!A1", "{1,2", "(1]", "SUM(1,"})
        EXPECT_EQ(tree(open), "bracket: " + open);
}

TEST(FormulaParser, DeepNestingNeedsNoRecursion) {
    const int depth = 200000;
    EXPECT_EQ(tree(std::string(depth, '(') + "1" + std::string(depth, ')')), "1");
    Program p;
    SyntaxFault fault;
    ASSERT_TRUE(parse_formula(std::string(depth, '-') + "1", p, fault));
    EXPECT_EQ(p.nodes.size(), static_cast<size_t>(depth) + 1);
}

TEST(FormulaParser, FunctionTable) {
    EXPECT_EQ(function_at(find_function("round")).name, "ROUND");
    Program p;
    SyntaxFault fault;
    ASSERT_TRUE(parse_formula("ROW(A1)+ROW(1+A2)", p, fault));
    // ROW reads no cells of a reference given to it; a reference inside an expression is read.
    int address_only = 0;
    for (const Node &n : p.nodes)
        if (n.kind == NodeKind::Ref) address_only += n.marks & NODE_ADDRESS_ONLY;
    EXPECT_EQ(address_only, 1);
}

} // namespace
