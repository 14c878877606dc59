#include "xls_fixture.h"

namespace xt {

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
