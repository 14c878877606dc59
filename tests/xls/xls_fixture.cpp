#include "xls_fixture.h"

#include <sstream>

namespace xt {

std::string RecordingSink::dump() const {
    std::ostringstream o;
    o.precision(17);
    o << "book " << book.biff << ' ' << book.date1904 << ' ' << book.codepage << ' ' << workbook_calls << '\n';
    for (const auto &s : sheets)
        o << "sheet " << s.name << ' ' << int(s.visibility) << ' ' << int(s.kind) << ' ' << s.pos << '\n';
    for (const auto &[id, code] : formats) o << "format " << id << ' ' << code << '\n';
    for (const auto &f : fonts) o << "font " << f << '\n';
    for (const auto &x : xfs)
        o << "xf " << x.index << ' ' << x.font << ' ' << x.format << ' ' << x.style << ' ' << x.parent << ' '
          << int(x.halign) << int(x.valign) << x.wrap << '\n';
    o << "strings " << declared_strings << ' ' << strings.size() << '\n';
    for (const auto &s : strings) o << "s " << s << '\n';
    for (const auto &[key, c] : cells)
        o << "cell " << std::get<0>(key) << ' ' << std::get<1>(key) << ' ' << std::get<2>(key) << ' ' << int(c.kind)
          << ' ' << c.formula << ' ' << int(c.code) << ' ' << c.number << ' ' << c.sst << ' ' << c.xf << ' '
          << c.text << '\n';
    o << "cell_events " << cell_events << '\n';
    for (const auto &m : merges)
        o << "merge " << m.sheet << ' ' << m.first_row << ' ' << m.last_row << ' ' << int(m.first_col) << ' '
          << int(m.last_col) << '\n';
    for (const auto &c : columns)
        o << "col " << c.sheet << ' ' << int(c.first) << ' ' << int(c.last) << ' ' << c.width << ' ' << c.hidden << '\n';
    for (const auto &r : rows) o << "row " << r.sheet << ' ' << r.row << ' ' << r.height << ' ' << r.hidden << '\n';
    for (const auto &d : dims)
        o << "dim " << d.sheet << ' ' << d.first_row << ' ' << d.end_row << ' ' << d.first_col << ' ' << d.end_col << '\n';
    for (const auto &w : windows)
        o << "window " << w.sheet << ' ' << w.show_grid << ' ' << w.frozen << ' ' << w.selected << ' ' << w.zoom << '\n';
    return o.str();
}

Bytes workbook_stream(const std::vector<TestSheet> &sheets, const Bytes &globals, int xfs, std::vector<size_t> order,
                      bool date1904) {
    if (order.empty())
        for (size_t i = 0; i < sheets.size(); ++i) order.push_back(i);
    Biff b;
    b.rec(T_BOF, bof(0x0005));
    b.rec(T_CODEPAGE, Body().b16(1200));
    b.rec(T_DATEMODE, Body().b16(date1904 ? 1 : 0));
    b.rec(T_FONT, Body().b16(200).b16(0).b16(0x7FFF).b16(400).b16(0).u8(0).u8(0).u8(0).u8(0).sstr("Arial"));
    for (int i = 0; i < xfs; ++i)
        b.rec(T_XF, Body().b16(0).b16(i == 15 ? 14 : 0).b16(i < 15 ? 0xFFF5 : 0x0001).b16(0x20).b32(0).b32(0).b32(0).b16(0));
    std::vector<size_t> patch;
    for (const auto &s : sheets) {
        patch.push_back(b.pos() + 4);
        b.rec(T_BOUNDSHEET, Body().b32(0).u8(s.visibility).u8(s.type).sstr(s.name));
    }
    b.out.insert(b.out.end(), globals.begin(), globals.end());
    b.rec(T_EOF, {});
    for (size_t k : order) {
        const uint32_t at = static_cast<uint32_t>(b.pos());
        std::memcpy(b.out.data() + patch[k], &at, 4);
        b.rec(T_BOF, bof(sheets[k].type == 2 ? 0x0020 : 0x0010));
        b.out.insert(b.out.end(), sheets[k].records.begin(), sheets[k].records.end());
        b.rec(T_EOF, {});
    }
    return b.out;
}

} // namespace xt
