// Book, sheet, row, page-setup and header/footer keywords, sheet selection
// and the data-source loads.
#include <algorithm>
#include <cstring>
#include <new>

#include "core/messages.h"
#include "core/status.h"
#include "model/sheets.h"
#include "property/engine_impl.h"

namespace vel {

namespace {

std::string str(std::string_view v) { return std::string(v); }

int too_long(const Item &it, int limit) {
    return vlt_error(it.book, -1, msg::E02210, str(it.value).c_str(), limit);
}

// Sets a UTF-8 document text of the book: the caller's text may have at
// most `limit` bytes, and the UTF-8 form must fit the handle's member.
int set_doc_text(const Item &it, std::string &member, size_t member_size, int limit) {
    if (it.raw.size() > static_cast<size_t>(limit) || it.value.size() >= member_size)
        return too_long(it, limit);
    member.assign(it.value);
    return 0;
}

// Switch value: on or off; other words refused.
int set_flag(const Item &it, bool &flag) {
    int on = switch_of(it.value);
    if (on < 0) return bad_keyword(it);
    flag = on != 0;
    return 0;
}

// The same for a sheet switch: 0 on, 255 off.
int set_flag(const Item &it, uint8_t &flag) {
    int on = switch_of(it.value);
    if (on < 0) return bad_keyword(it);
    flag = on ? VXLS_ON : VXLS_OFF;
    return 0;
}

bool ends_with(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

int book_name(const Item &it) {
    std::string name = str(it.value);
    if (!ends_with(name, ".xlsx")) name += ".xlsx";
    if (name.size() > 256) return vlt_error(it.book, -1, msg::E00005);
    it.book->book_path = name;
    return 0;
}

// Template workbook: checked, then read into the book, which enters template
// mode.
int template_book(const Item &it) {
    std::string path = str(it.value);
    if (!ends_with(path, ".xlsx")) path += ".xlsx";
    if (path.size() > 256) return vlt_error(it.book, -1, msg::E00005);
    int kind = file_kind(path);
    if (kind == -101) return vlt_error(it.book, -101, msg::E03101, path.c_str());
    if (kind != 12) return vlt_error(it.book, -4, msg::E00900, path.c_str());
    // The layer that opens books reads the template into this one.
    if (!it.book->loaders.template_book) return vlt_error(it.book, -4, msg::E00900, path.c_str());
    return it.book->loaders.template_book(*it.book, path);
}

int select_sheet(const Item &it) {
    std::string_view name = it.value;
    if (name.empty()) return vlt_error(it.book, -801, msg::E02320, "");
    int found = vlt_find_sheet(it.book, name);
    if (found >= 0) {
        it.book->current_sheet = found;
        return 0;
    }
    if (template_mode(it.book)) return vlt_error(it.book, -801, msg::E03002, str(name).c_str());
    if (name.size() > static_cast<size_t>(XLS_SHEET_LEN)) return vlt_error(it.book, -1, msg::E00005);
    // The same rules as the sheet call, so that no call makes a sheet that
    // a workbook cannot carry.
    std::string checked(name);
    if (int rc = check_new_sheet_name(it.book, checked); rc != 0) return rc;
    return vlt_add_sheet(it.book, checked);
}

// The sheet background (JPEG, PNG, GIF or TIFF) and the book's thumbnail
// (any picture kind).
int background_picture(const Item &it, Background &bg) {
    std::string path;
    PictureInfo info;
    int rc = load_picture_path(it, VXLS_FILE_JPEG, VXLS_FILE_TIFF, path, info);
    if (rc < 0) return rc;
    bg.kind = info.kind;
    bg.path = std::move(path);
    return 0;
}

int thumbnail_picture(const Item &it, Thumbnail &thumb) {
    std::string path;
    PictureInfo info;
    int rc = load_picture_path(it, VXLS_FILE_BMP, VXLS_FILE_WMF, path, info);
    if (rc < 0) return rc;
    thumb.kind = info.kind;
    thumb.path = std::move(path);
    return 0;
}

// Page header and footer parts: kinds 801..855, ten per position; the units
// select text (0), face (1), size (2), style (3) or colour (4).
int header_footer(const Item &it) {
    int base = (it.kind - kind::HEADER_LEFT) / 10 * 10 + kind::HEADER_LEFT;
    int field = it.kind - base;
    HeaderFooterPart *part = nullptr;
    Sheet &sh = *it.sheet;
    switch (base) {
    case kind::HEADER_LEFT: part = &sh.header[0]; break;
    case kind::HEADER_CENTER: part = &sh.header[1]; break;
    case kind::HEADER_RIGHT: part = &sh.header[2]; break;
    case kind::FOOTER_LEFT: part = &sh.footer[0]; break;
    case kind::FOOTER_CENTER: part = &sh.footer[1]; break;
    case kind::FOOTER_RIGHT: part = &sh.footer[2]; break;
    default: break;
    }
    if (!part || field > 4) {
        char what[48];
        std::snprintf(what, sizeof what, "vlt_apply_property() kind=%d", it.kind);
        return vlt_error(it.book, -1, msg::E03600, what);
    }
    auto bad_font = [&] { return vlt_error(it.book, -1, msg::E02403, str(it.value).c_str()); };
    switch (field) {
    case 0: part->text.assign(it.value); return 0;
    case 1: {
        if (it.value.empty()) return bad_font();
        int code = face_code_of(it.value);
        if (code == FACE_OWN && it.value.size() > 80) return bad_font();
        part->font_name = code == FACE_OWN ? str(it.value) : face_name(code);
        return 0;
    }
    case 2: {
        double size;
        if (!read_double(it.value, size) || size < 1 || size >= 410) return bad_font();
        part->font_size = static_cast<int32_t>(size);
        return 0;
    }
    case 3: {
        int style = font_style_of(it.value);
        if (style < 0) return bad_font();
        part->font_style = style;
        return 0;
    }
    default: {
        Rgb rgb;
        int32_t code = color_of(it.value, rgb);
        if (code == COLOR_NONE || code == COLOR_BAD)
            return vlt_error(it.book, -1, msg::E02401, str(it.value).c_str());
        part->color = code;
        part->rgb[0] = rgb.r, part->rgb[1] = rgb.g, part->rgb[2] = rgb.b;
        part->color_set = true;
        return 0;
    }
    }
}

int sheet_keyword(const Item &it) {
    if (!it.sheet) return no_sheet(it);
    Sheet &sh = *it.sheet;
    long n;
    double d;
    switch (it.kind) {
    case kind::SHEET_HIDDEN: return set_flag(it, sh.sw_hidden);
    case kind::SHEET_HIDDEN_GRID: return set_flag(it, sh.sw_hidden_grid);
    case kind::SHEET_HIDDEN_HEADER: return set_flag(it, sh.sw_hidden_header);
    case kind::SHEET_PROTECT: return set_flag(it, sh.sw_protected);
    case kind::SHEET_PASSWORD:
        if (it.value.size() > 16) return too_long(it, 16);
        sh.password.assign(it.value);
        sh.sw_protected = VXLS_ON;
        return 0;
    case kind::SHEET_FROZEN_TOP:
    case kind::SHEET_FROZEN_LEFT: {
        int on = switch_of(it.value);
        if (on < 0) return bad_keyword(it);
        sh.frozen = on ? (it.kind == kind::SHEET_FROZEN_TOP ? 1 : 2) : 0;
        return 0;
    }
    case kind::SHEET_TAB_COLOR: {
        Rgb rgb;
        int32_t code = color_of(it.value, rgb);
        if (code == COLOR_NONE || code == COLOR_BAD)
            return vlt_error(it.book, -1, msg::E02401, str(it.value).c_str());
        sh.tab_color = code;
        sh.tab_rgb[0] = rgb.r, sh.tab_rgb[1] = rgb.g, sh.tab_rgb[2] = rgb.b;
        return 0;
    }
    case kind::SHEET_BACKGROUND_PATH: return background_picture(it, sh.background);
    case kind::SHEET_SCROLL_ROW:
        if (!read_int(it.value, n) || n < 0 || n > it.book->max_rows) return bad_number(it);
        sh.scroll_row = static_cast<int32_t>(n);
        return 0;
    case kind::NEWPAGE: {
        if (it.range) return refuse_range(it, "NEWPAGE");
        // The value is not examined: any value sets the break at this row.
        int row = it.rect(0).r1;
        auto pos = std::lower_bound(sh.row_breaks.begin(), sh.row_breaks.end(), row);
        if (pos == sh.row_breaks.end() || *pos != row) {
            try {
                sh.row_breaks.insert(pos, row);
            } catch (const std::bad_alloc &) {
                return vlt_error(it.book, -2, msg::E00002);
            }
        }
        return 0;
    }
    case kind::PAPER_SIZE: sh.page.paper = paper_size_of(it.value); return 0;
    case kind::PAPER_ORIENTATION: sh.page.orientation = paper_orientation_of(it.value); return 0;
    case kind::PAPER_SCALE:
    case kind::PAPER_DPI:
        if (!read_int(it.value, n) || n < 0 || n > 100000) return bad_number(it);
        (it.kind == kind::PAPER_SCALE ? sh.page.scale : sh.page.dpi) = static_cast<int32_t>(n);
        return 0;
    case kind::PAPER_MARGIN_TOP:
    case kind::PAPER_MARGIN_BOTTOM:
    case kind::PAPER_MARGIN_LEFT:
    case kind::PAPER_MARGIN_RIGHT:
    case kind::PAPER_MARGIN_HEADER:
    case kind::PAPER_MARGIN_FOOTER:
        if (!read_double(it.value, d) || d < 0 || d > 1000) return bad_number(it);
        sh.page.margin[it.kind - kind::PAPER_MARGIN_TOP] = d;
        return 0;
    default:
        if (it.kind >= kind::HEADER_LEFT && it.kind <= kind_last::HEADER_FOOTER) return header_footer(it);
        char what[48];
        std::snprintf(what, sizeof what, "vlt_apply_property() kind=%d", it.kind);
        return vlt_error(it.book, -1, msg::E03600, what);
    }
}

} // namespace

int apply_book_sheet_keyword(const Item &it) {
    Book *book = it.book;
    switch (it.kind) {
    case kind::BOOK: return book_name(it);
    case kind::BOOK_COMPANY: return set_doc_text(it, book->company, BOOK_TEXT_LEN, 150);
    case kind::BOOK_CREATOR: return set_doc_text(it, book->creator, BOOK_TEXT_LEN, 150);
    case kind::BOOK_MANAGER: return set_doc_text(it, book->manager, BOOK_TEXT_LEN, 150);
    case kind::BOOK_TITLE: return set_doc_text(it, book->title, BOOK_TEXT_LEN, 300);
    case kind::BOOK_SUBJECT: return set_doc_text(it, book->subject, BOOK_TEXT_LEN, 300);
    case kind::BOOK_WRITE_PASSWORD:
        return set_doc_text(it, book->write_password, BOOK_PASSWORD_LEN, 16);
    case kind::BOOK_RECALC: return set_flag(it, book->recalc);
    case kind::BOOK_BACKUP: return set_flag(it, book->backup);
    case kind::BOOK_FINAL: return set_flag(it, book->final_book);
    case kind::BOOK_THUMBNAIL_PATH: return thumbnail_picture(it, model(book).settings.thumbnail);
    case kind::TEMPLATE: return template_book(it);
    case kind::SHEET: return select_sheet(it);
    case kind::SHEET_ORDER: {
        int desc = sheet_order_of(it.value);
        if (desc < 0) return bad_keyword(it);
        book->sheet_order_desc = desc != 0;
        return 0;
    }
    case kind::AUTO_WIDTH:
        // Only "on" changes anything; any other value leaves the switch as it is.
        if (switch_of(it.value) == 1) book->auto_width = true;
        return 0;
    case kind::CSV:
    case kind::TSV:
    {
        if (!it.sheet) return no_sheet(it);
        // A load may run property texts of its own, which reuse the engine's
        // value buffer: keep the path in a copy.
        std::string path(it.value);
        if (!book->loaders.datasource) return vlt_error(book, rc::UNSUPPORTED, msg::E00100, path.c_str());
        return book->loaders.datasource(*book, it.target, path, it.kind == kind::CSV ? ',' : '\t');
    }
    case kind::ROWNUM: {
        // The row count that "$ROWNUM" stands for, as a load would leave it.
        long n;
        if (!read_int(it.value, n) || n < 0 || n > book->max_rows) return bad_number(it);
        book->rownum = static_cast<int32_t>(n);
        return 0;
    }
    case kind::DATASOURCE:
    case kind::DATASOURCE_HOSTNAME:
        // Database sources are not available in this build.
        return vlt_error(book, -1, msg::E02200, it.kind == kind::DATASOURCE ? "DATASOURCE" : "HOSTNAME");
    default: return sheet_keyword(it);
    }
}

} // namespace vel
