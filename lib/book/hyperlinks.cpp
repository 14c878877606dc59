// Hyperlinks attached to cells by call: links into the book and to outside
// addresses. The worksheet writer emits Sheet::links.
#include "book/hyperlinks.h"

#include <cstring>
#include <new>

#include "core/messages.h"
#include "core/status.h"
#include "model/sheets.h"
#include "model/store.h"
#include "property/address.h"

namespace vel {

namespace {

// Resolves a cell of the current sheet that is in use. 0, or rc::BAD_ARGUMENT
// with the message recorded.
int cell_in_use(Book *book, const char *name, Sheet *&sheet, int &row, int &col) {
    std::string text = name ? to_utf8(book, name) : std::string();
    sheet = sheet_at(book, -1);
    if (!sheet || !name || read_cell_name(book, text, row, col) != 0 ||
        row >= sheet->used_rows || row >= static_cast<int>(sheet->rows.size()) || col >= sheet->rows[row].used)
        return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, text.c_str());
    return 0;
}

int add_link(Book *book, Sheet &sheet, Hyperlink &&link) {
    // A book read from a package keeps the links it has; new ones would
    // need relationships its kept parts do not have.
    if (template_mode(book)) return vlt_error(book, rc::BAD_ARGUMENT, msg::E02209, "HYPERLINK");
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

int vlt_sheet_hyperlink(Book *book, const char *cell, const char *sheet_name, const char *target) {
        Sheet *sheet = nullptr;
        int row = 0, col = 0;
        if (int rc = cell_in_use(book, cell, sheet, row, col); rc != 0) return rc;
        if (!sheet_name || !target) return vlt_error(book, rc::BAD_ARGUMENT, msg::E03600, "VXLS_sheet_hyperlink() target");
        int trow = 0, tcol = 0;
        std::string target_text = to_utf8(book, target);
        if (read_cell_name(book, target_text, trow, tcol) != 0)
            return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, target_text.c_str());
        std::string name;
        if (!checked_utf8(book, sheet_name, name)) return vlt_error(book, rc::BAD_ARGUMENT, msg::E02320, name.c_str());
        if (name.size() > static_cast<size_t>(XLS_SHEET_LEN)) {
            vlt_error(book, -9, msg::E03009, XLS_SHEET_LEN, "vlt_set_hyperlink() XLS_SHEET_LEN");
            return -1;
        }
        char target_name[16];
        if (cell_name(trow, tcol, target_name) < 0) return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, target_text.c_str());
        Hyperlink link;
        link.row = row;
        link.col = col;
        link.location = name + "!" + target_name;
        link.display = name;
        return add_link(book, *sheet, std::move(link));
}

int vlt_external_hyperlink(Book *book, const char *cell, const char *address) {
        Sheet *sheet = nullptr;
        int row = 0, col = 0;
        if (int rc = cell_in_use(book, cell, sheet, row, col); rc != 0) return rc;
        if (!address) return vlt_error(book, rc::BAD_ARGUMENT, msg::E03600, "VXLS_external_hyperlink() address");
        Hyperlink link;
        link.row = row;
        link.col = col;
        if (!checked_utf8(book, address, link.target))
            return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, link.target.c_str());
        // A mail address (an at sign followed later by a full stop) gets its scheme.
        size_t at = link.target.find('@');
        if (at != std::string::npos && link.target.find('.', at) != std::string::npos &&
            link.target.find(':') == std::string::npos)
            link.target.insert(0, "mailto:");
        return add_link(book, *sheet, std::move(link));
}

} // namespace vel
