// Fuzzes the whole open of a package through the C interface. An input that
// starts with "PK" is the package image itself; any other input is split at
// lines "--part--" into a worksheet, a styles part, a shared-strings part and
// a workbook part (missing ones get plain defaults), stored uncompressed in a
// package so that mutations reach the XML directly. A book that opens is
// walked (every sheet, every used cell shown, a search), then changed and
// saved in update mode; the saved package must open again.
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "velmora.h"

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

void put16(std::string &s, uint32_t v) { s += char(v & 255), s += char((v >> 8) & 255); }
void put32(std::string &s, uint32_t v) { put16(s, v & 0xffff), put16(s, v >> 16); }

// A zip of stored entries.
std::string stored_zip(const std::vector<std::pair<std::string, std::string>> &entries) {
    std::string zip, dir;
    for (const auto &entry : entries) {
        const std::string &name = entry.first, &data = entry.second;
        const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(data.data()), static_cast<uInt>(data.size())));
        const uint32_t at = static_cast<uint32_t>(zip.size());
        auto header = [&](std::string &s) {
            put16(s, 20), put16(s, 0), put16(s, 0), put16(s, 0), put16(s, 0x21);
            put32(s, crc), put32(s, static_cast<uint32_t>(data.size())), put32(s, static_cast<uint32_t>(data.size()));
            put16(s, static_cast<uint32_t>(name.size())), put16(s, 0);
        };
        put32(zip, 0x04034b50);
        header(zip);
        zip += name + data;
        put32(dir, 0x02014b50), put16(dir, 20);
        header(dir);
        put16(dir, 0), put16(dir, 0), put16(dir, 0), put32(dir, 0), put32(dir, at);
        dir += name;
    }
    const uint32_t dir_at = static_cast<uint32_t>(zip.size());
    zip += dir;
    put32(zip, 0x06054b50), put32(zip, 0), put16(zip, static_cast<uint32_t>(entries.size()));
    put16(zip, static_cast<uint32_t>(entries.size())), put32(zip, static_cast<uint32_t>(dir.size())), put32(zip, dir_at);
    put16(zip, 0);
    return zip;
}

const char kTypes[] =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "</Types>";
const char kRels[] =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";
const char kBookRels[] =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
    "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>"
    "</Relationships>";
const char kWorkbook[] =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const char kStyles[] = "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>";
const char kStrings[] = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>a</t></si></sst>";

std::string package_of_parts(std::string_view input) {
    std::vector<std::string> parts;
    for (;;) {
        size_t cut = input.find("\n--part--\n");
        parts.emplace_back(input.substr(0, cut));
        if (cut == std::string_view::npos || parts.size() == 4) break;
        input.remove_prefix(cut + 10);
    }
    auto part = [&](size_t i, const char *fallback) { return i < parts.size() ? parts[i] : std::string(fallback); };
    return stored_zip({{"[Content_Types].xml", kTypes},
                       {"_rels/.rels", kRels},
                       {"xl/workbook.xml", part(3, kWorkbook)},
                       {"xl/_rels/workbook.xml.rels", kBookRels},
                       {"xl/styles.xml", part(1, kStyles)},
                       {"xl/sharedStrings.xml", part(2, kStrings)},
                       {"xl/worksheets/sheet1.xml", parts[0]}});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (4u << 20)) return 0;
    std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::string image = input.substr(0, 2) == "PK" ? std::string(input) : package_of_parts(input);

    XLS_BOOK book{};
    const int rc = VXLS_open_memory_book(&book, nullptr, image.data(), static_cast<long>(image.size()));
    if (rc != 0) {
        // A refusal names itself and leaves the handle closed.
        require(rc < 0 && book.env == nullptr && std::strncmp(book.error_info, "VXLS-", 5) == 0);
        return 0;
    }
    const int sheets = VXLS_sheet_num(&book);
    require(sheets >= 1);
    static char value[4 * 32768 + 16];
    char name[XLS_SHEET_NAME_LEN];
    int shown = 0;
    for (int s = 0; s < sheets && shown < 20000; ++s) {
        require(VXLS_sheet_name(&book, s, name) == 0);
        require(VXLS_open_sheet2(&book, s) == 0);
        const int rows = VXLS_row_num(&book);
        require(rows >= 0);
        for (int r = 0; r < rows && shown < 20000; ++r) {
            const int cols = VXLS_column_num(&book, r);
            require(cols >= 0);
            for (int c = 0; c < cols && shown < 20000; ++c, ++shown) {
                char ref[16];
                require(VXLS_cell_name(r + 1, c + 1, ref) == 0);
                const int got = VXLS_get_cell(&book, ref, value, sizeof value, nullptr, 0);
                require(got == 0 || got < 0);
                require(std::memchr(value, 0, sizeof value) != nullptr);
            }
        }
    }
    XLS_SEARCH search{};
    search.count = 1;
    char *values[1] = {value};
    VXLS_search(&book, &search, "a", values);

    // One cell changed and the book saved in update mode: what the update
    // writer makes of any package the reader took must read back.
    VXLS_open_sheet2(&book, 0);
    VXLS_put_values(&book, "B2=12345 C3=fuzz");
    std::vector<char> saved(image.size() * 2 + (1u << 20));
    long length = static_cast<long>(saved.size());
    if (VXLS_close_memory_book(&book, nullptr, saved.data(), &length) != 0) {
        require(book.env != nullptr && std::strncmp(book.error_info, "VXLS-", 5) == 0);
        require(VXLS_free_book(&book) == 0 && book.env == nullptr);
        return 0;
    }
    XLS_BOOK again{};
    require(VXLS_open_memory_book(&again, nullptr, saved.data(), length) == 0);
    require(VXLS_sheet_num(&again) == sheets);
    VXLS_free_book(&again);
    return 0;
}
