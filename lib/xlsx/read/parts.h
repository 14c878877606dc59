// What the part readers of a package share: the open archive, the book, the
// failure they report, and the helpers that turn attribute texts into
// numbers and cell references.
#pragma once
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/book.h"
#include "xlsx/read/zip_reader.h"
#include "xml/reader.h"

namespace vel::xlsxread {

// The state of one package being read.
struct Package {
    Book &book;
    ZipReader zip;
    std::string failure;      // why the read failed (English, UTF-8), naming the part
    int failed = 0;           // the failure's code (rc::)
    bool strict = false;      // a part used the Strict namespaces

    explicit Package(Book &b) : book(b) {}
    // Records a failure and returns its code.
    int fail(int code, std::string why) {
        if (!failed) {
            failed = code;
            failure = std::move(why);
        }
        return code;
    }
};

// One relationship of a .rels part.
struct Relationship {
    std::string id;
    std::string type;         // the last segment of the type URI ("worksheet", "styles", ...)
    std::string target;       // resolved to a part name ("xl/worksheets/sheet1.xml")
    bool external = false;
};

// Reads an XML part through a handler; a part that is absent is no failure
// when `optional`. 0 or the failure's code.
int read_xml_part(Package &pkg, std::string_view part, XmlHandler &handler, bool optional = false);
// The relationships of a part ("xl/workbook.xml" -> "xl/_rels/workbook.xml.rels").
int read_relationships(Package &pkg, std::string_view part, std::vector<Relationship> &out);

// The part readers.
int read_styles(Package &pkg, const std::string &part);
int read_shared_strings(Package &pkg, const std::string &part);
int read_worksheet(Package &pkg, const std::string &part, int sheet_index);
int read_custom_properties(Package &pkg, const std::string &part);

// Decodes the "_xHHHH_" escapes of spreadsheet text in place.
void decode_escapes(std::string &text);

// Whole-text integer of an attribute; `fallback` when it is not one.
inline long long to_int(std::string_view s, long long fallback = 0) {
    long long v = fallback;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() ? v : fallback;
}
inline double to_double(std::string_view s, double fallback = 0) {
    double v = fallback;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() ? v : fallback;
}
inline bool to_bool(std::string_view s) { return s == "1" || s == "true"; }

// "B12" into a 0-based row and column; false when it is no cell reference
// inside the grid.
bool parse_ref(std::string_view ref, int &row, int &col);

} // namespace vel::xlsxread
