// Values and names outside property text: one cell by name, variables,
// pictures held in memory, and the address and property checks.
#include "book/values.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "core/charset.h"
#include "core/messages.h"
#include "core/status.h"
#include "io/picture.h"
#include "model/sheets.h"
#include "model/store.h"
#include "model/variables.h"
#include "property/address.h"
#include "property/kinds.h"
#include "property/parser.h"

namespace vel {

namespace {

constexpr size_t MAX_ADDRESS_TEXT = 4000;

// The caller's text as UTF-8; ASCII text is used as it is.
std::string_view address_utf8(Book *book, std::string_view text, std::string &buf) {
    bool ascii = true;
    for (char ch : text)
        if (static_cast<unsigned char>(ch) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii || !book) return text;
    buf = to_utf8(book, text);
    return buf;
}

} // namespace

int vlt_put_cell_named(Book *book, const char *cell, const char *value) {
    std::string name = cell ? to_utf8(book, cell) : std::string();
    if (!cell || !value) return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, name.c_str());
    std::string_view rest = name;
    int sheet = find_sheet_prefix(book, name, rest);
    int row = 0, col = 0;
    if (read_cell_name(book, rest, row, col) != 0) return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, name.c_str());
    return vlt_put_cell_at(book, sheet, row, col, value, std::strlen(value));
}

int vlt_put_variable(Book *book, const char *name, const char *value) {
    if (!name || !value) return vlt_error(book, rc::GENERAL, msg::E02305, name ? to_utf8(book, name).c_str() : "");
    std::string key, text;
    if (!checked_utf8(book, name, key)) return vlt_error(book, rc::GENERAL, msg::E02305, key.c_str());
    if (!checked_utf8(book, value, text)) return vlt_error(book, rc::GENERAL, msg::E02300, key.c_str());
    return vlt_define_variable(book, key, text) == 0 ? rc::OK : rc::GENERAL;
}

int vlt_is_property(Book *book, const char *key, int *kind) {
    if (kind) *kind = kind::NONE;
    if (!key || !kind) return vlt_error(book, rc::BAD_ARGUMENT, msg::E03600, "VXLS_is_property() key");
    int k = kind::NONE;
    PropTarget target;
    if (vlt_parse_property(book, key, k, target) != 0) return rc::BAD_ARGUMENT;
    *kind = k;
    return rc::OK;
}

int vlt_put_image_memory(Book *book, const char *cell, int image_kind, const void *image, long length, int width,
                         int height, const int place[3], const char *link) {
    std::string name = cell ? to_utf8(book, cell) : std::string();
    Sheet *sheet = sheet_at(book, -1);
    int row = 0, col = 0;
    if (!sheet || !cell || read_cell_name(book, name, row, col) != 0)
        return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, name.c_str());
    if (!image || length <= 0 || width < 0 || height < 0)
        return vlt_error(book, rc::BAD_ARGUMENT, msg::E02420);
    if (image_kind < VXLS_FILE_BMP || image_kind > VXLS_FILE_WMF) {
        char kind_text[16];
        std::snprintf(kind_text, sizeof kind_text, "%d", image_kind);
        return vlt_error(book, rc::GENERAL, msg::E03190, kind_text);
    }
    if (template_mode(book)) return vlt_error(book, rc::BAD_ARGUMENT, msg::E02209, "IMAGE");
    // The bytes must be a picture of the kind named; its header gives the
    // size when the caller gives none.
    PictureInfo info;
    if (probe_picture(image_kind, static_cast<const uint8_t *>(image), static_cast<size_t>(length), info) != 0) {
        char kind_text[16];
        std::snprintf(kind_text, sizeof kind_text, "%d", image_kind);
        return vlt_error(book, rc::GENERAL, msg::E03190, kind_text);
    }
    Picture p;
    p.at.row = row;
    p.at.col = col;
    p.kind = image_kind;
    p.width = width > 0 ? width : info.width;
    p.height = height > 0 ? height : info.height;
    const int *pl = place ? place : nullptr;
    if (pl) {
        if (pl[0] < -100000 || pl[0] > 100000 || pl[1] < -100000 || pl[1] > 100000 || pl[2] < 0 || pl[2] > 10000)
            return vlt_error(book, rc::BAD_ARGUMENT, msg::E02420);
        p.at.dx = pl[0];
        p.at.dy = pl[1];
        if (pl[2] > 0) p.scale = pl[2] / 100.0;
    }
    if (link && *link && !checked_utf8(book, link, p.link))
        return vlt_error(book, rc::BAD_ARGUMENT, msg::E02300, name.c_str());
    const auto *bytes = static_cast<const uint8_t *>(image);
    p.bytes.assign(bytes, bytes + length);
    sheet->pictures.push_back(std::move(p));
    return rc::OK;
}

int vlt_is_cell(Book *book, const char *text, int *row, int *column) {
    if (row) *row = 0;
    if (column) *column = 0;
    if (!text || !row || !column) return rc::BAD_ARGUMENT;
    const std::string_view t(text, strnlen(text, MAX_ADDRESS_TEXT + 1));
    if (t.size() > MAX_ADDRESS_TEXT) return rc::BAD_ARGUMENT;
    std::string buf;
    int r = 0, c = 0;
    if (read_cell_name(book, address_utf8(book, t, buf), r, c) != 0) return rc::NO_SHEET;
    *row = r + 1;
    *column = c + 1;
    return rc::OK;
}

int vlt_is_range(Book *book, const char *text, int *row1, int *column1, int *row2,
                             int *column2) {
    int *outs[4] = {row1, column1, row2, column2};
    for (int *o : outs)
        if (o) *o = 0;
    if (!text || !row1 || !column1 || !row2 || !column2) return rc::BAD_ARGUMENT;
    const std::string_view t(text, strnlen(text, MAX_ADDRESS_TEXT + 1));
    if (t.size() > MAX_ADDRESS_TEXT) return rc::BAD_ARGUMENT;
    std::string buf;
    std::string_view u = address_utf8(book, t, buf);
    // A list of ranges is refused as such; anything else must be one
    // "cell:cell" range.
    if (u.find(',') != std::string_view::npos) {
        PropTarget list;
        int rc = read_range(book, u, list);
        return rc == 0 || rc == -3 ? rc::BAD_ARGUMENT : rc::NO_SHEET;
    }
    PropTarget one;
    if (read_range(book, u, one) != 0 || one.nranges != 1) return rc::NO_SHEET;
    // Only two cell names make a range here (not "A:C" or "1:3").
    std::string_view rest = u;
    if (u.find('!') != std::string_view::npos) find_sheet_prefix(book, u, rest);
    size_t colon = rest.find(':');
    int r = 0, c = 0;
    if (colon == std::string_view::npos || read_cell_name(book, rest.substr(0, colon), r, c) != 0 ||
        read_cell_name(book, rest.substr(colon + 1), r, c) != 0)
        return rc::NO_SHEET;
    *row1 = one.ranges[0][0] + 1;
    *column1 = one.ranges[0][1] + 1;
    *row2 = one.ranges[0][2] + 1;
    *column2 = one.ranges[0][3] + 1;
    return rc::OK;
}

} // namespace vel
