// Hyperlinks attached to cells through the API: links into the book and to
// outside addresses. The worksheet writer emits Sheet::links.
#include <cstring>
#include <new>

#include "api/book.h"
#include "api/messages.h"
#include "model/store.h"
#include "property/address.h"

namespace vel {

namespace {

// Resolves a cell of the current sheet that is in use. 0 or -3.
int cell_in_use(XLS_BOOK *book, const char *name, Sheet *&sheet, int &row, int &col) {
    sheet = sheet_at(book, -1);
    if (!sheet || !name) return -3;
    std::string text = to_utf8(book, name);
    if (read_cell_name(book, text, row, col) != 0) return -3;
    if (row >= sheet->used_rows || row >= static_cast<int>(sheet->rows.size())) return -3;
    if (col >= sheet->rows[row].used) return -3;
    return 0;
}

int add_link(XLS_BOOK *book, Sheet &sheet, Hyperlink &&link) {
    try {
        sheet.links.push_back(std::move(link));
    } catch (const std::bad_alloc &) {
        return vlt_error(book, -2, msg::E00002);
    }
    // A link cell without a look of its own gets the built-in hyperlink format.
    Cell *cell = find_cell(sheet, sheet.links.back().row, sheet.links.back().col);
    const Model &m = model(book);
    if (cell && cell->style == 0 && m.xf_hyperlink > 0) cell->style = static_cast<uint16_t>(m.xf_hyperlink);
    return 0;
}

} // namespace

} // namespace vel

extern "C" int VXLS_sheet_hyperlink(XLS_BOOK *book, const char *cell, const char *sheet_name, const char *target) {
    using namespace vel;
    if (!book_is_open(book)) return -3;
    return vlt_guard(book, [&]() -> int {
        Sheet *sheet = nullptr;
        int row = 0, col = 0;
        if (cell_in_use(book, cell, sheet, row, col) != 0 || !sheet_name || !target) return -3;
        int trow = 0, tcol = 0;
        if (read_cell_name(book, to_utf8(book, target), trow, tcol) != 0) return -3;
        std::string name = to_utf8(book, sheet_name);
        if (name.size() > static_cast<size_t>(XLS_SHEET_LEN)) {
            vlt_error(book, -9, msg::E03009, XLS_SHEET_LEN, "vlt_set_hyperlink() XLS_SHEET_LEN");
            return -1;
        }
        char target_name[16];
        if (cell_name(trow, tcol, target_name) < 0) return -3;
        Hyperlink link;
        link.row = row;
        link.col = col;
        link.location = name + "!" + target_name;
        link.display = name;
        return add_link(book, *sheet, std::move(link));
    });
}

extern "C" int VXLS_external_hyperlink(XLS_BOOK *book, const char *cell, const char *address) {
    using namespace vel;
    if (!book_is_open(book)) return -3;
    return vlt_guard(book, [&]() -> int {
        Sheet *sheet = nullptr;
        int row = 0, col = 0;
        if (cell_in_use(book, cell, sheet, row, col) != 0 || !address) return -3;
        Hyperlink link;
        link.row = row;
        link.col = col;
        link.target = to_utf8(book, address);
        // A mail address (an at sign followed later by a full stop) gets its scheme.
        size_t at = link.target.find('@');
        if (at != std::string::npos && link.target.find('.', at) != std::string::npos &&
            link.target.find(':') == std::string::npos)
            link.target.insert(0, "mailto:");
        return add_link(book, *sheet, std::move(link));
    });
}
