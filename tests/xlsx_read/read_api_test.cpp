// Reading packages through the C interface: a book read back from its memory image, hand-made packages as
// other writers spell them, and hostile packages that must fail cleanly.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "book_access.h"
#include "core/charset.h"
#include "test_support.h"
#include "velmora.h"
#include "zip_builder.h"

namespace {

using vtest::Item;
using vtest::MAIN_NS;
using vtest::package_items;

// A one-sheet package; `workbook` and `sheet` replace the default parts when given, `more` adds entries.
std::string package(const std::string &workbook = "", std::string sheet = "", std::vector<Item> more = {}) {
    if (sheet.empty())
        sheet = std::string("<worksheet xmlns=\"") + MAIN_NS +
                "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>ok</t></is></c></row></sheetData></worksheet>";
    std::vector<Item> items = package_items(workbook);
    items.push_back({"xl/worksheets/sheet1.xml", sheet});
    for (Item &i : more) items.push_back(std::move(i));
    return vtest::build_zip(std::move(items));
}

// The package with `sheet` as its sheet entry.
std::string package_with_sheet(Item sheet) {
    std::vector<Item> items = package_items("");
    items.push_back(std::move(sheet));
    return vtest::build_zip(std::move(items));
}

struct Opened {
    int rc;
    std::string message, a1;
};

// Opens an image through VXLS_open_memory_book and reads A1 of the first sheet.
Opened open_image(const std::string &image) {
    XLS_BOOK book{};
    Opened o{VXLS_open_memory_book(&book, nullptr, image.data(), static_cast<long>(image.size())), "", ""};
    o.message = book.error_info;
    if (o.rc == 0) {
        char value[256] = "";
        VXLS_open_sheet2(&book, 0);
        VXLS_get_cell(&book, "A1", value, sizeof value, nullptr, 0);
        o.a1 = value;
    } else {
        EXPECT_EQ(book.env, nullptr) << "a failed open leaves the handle closed";
    }
    VXLS_free_book(&book);
    return o;
}

// A memory book speaks Shift_JIS (its open has no CHARSET).
std::string sjis(const std::string &utf8) {
    std::string out;
    vel::convert_charset(out, utf8, VXLS_CHARSET_UTF8, VXLS_CHARSET_SJIS);
    return out;
}

// Resident memory figures of this process in KiB: "VmRSS" or "VmHWM".
long status_kib(const char *field) {
    std::string status = vtest::read_file("/proc/self/status");
    size_t at = status.find(std::string(field) + ":");
    return at == std::string::npos ? 0 : std::atol(status.c_str() + at + std::strlen(field) + 1);
}

// Starts a new peak of resident memory (VmHWM) from what is resident now.
bool reset_peak() {
    std::ofstream f("/proc/self/clear_refs");
    return static_cast<bool>(f << "5" << std::flush);
}

std::string listing(const std::string &dir) {
    std::string out;
    vtest::run("ls -a " + vtest::shell_quote(dir), &out);
    return out;
}

} // namespace

TEST(XlsxReadApi, AWrittenBookReadsBackThroughItsMemoryImage) {
    XLS_BOOK book{};
    ASSERT_EQ(VXLS_open_book(&book, "CHARSET=UTF8"), 0);
    ASSERT_EQ(VXLS_open_sheet(&book, "SHEET_NAME=売上"), 0);
    ASSERT_EQ(VXLS_put_values(&book, "A1=品名 B1=数量 A2=りんご B2=12 A3=total B3=3.5 C3=2024/02/29 A5=最後"), 0)
        << book.error_info;
    ASSERT_EQ(VXLS_open_sheet(&book, "SHEET_NAME=second"), 0);
    ASSERT_EQ(VXLS_put_values(&book, "B2=x"), 0);
    std::vector<char> image(1 << 20);
    long size = static_cast<long>(image.size());
    ASSERT_EQ(VXLS_close_memory_book(&book, nullptr, image.data(), &size), 0) << book.error_info;

    XLS_BOOK read{};
    ASSERT_EQ(VXLS_open_memory_book(&read, nullptr, image.data(), size), 0) << read.error_info;
    EXPECT_EQ(read.new_book, VXLS_OFF);
    EXPECT_EQ(VXLS_sheet_num(&read), 2);
    char name[XLS_SHEET_NAME_LEN];
    ASSERT_EQ(VXLS_sheet_name(&read, 1, name), 0);
    EXPECT_STREQ(name, "second");
    ASSERT_EQ(VXLS_open_sheet(&read, ("MODE=READ SHEET_NAME=" + sjis("売上")).c_str()), 0) << read.error_info;
    EXPECT_EQ(VXLS_row_num(&read), 5);
    EXPECT_EQ(VXLS_column_num(&read, 2), 3);

    char buf[4][64];
    char *values[4] = {buf[0], buf[1], buf[2], buf[3]};
    ASSERT_EQ(VXLS_get_cells(&read, 0, 0, 2, 0, 4, values), 0);
    EXPECT_EQ(std::string(buf[0]) + "|" + buf[1] + "|" + buf[2] + "|" + buf[3], "total|3.5|2024/2/29|");
    ASSERT_EQ(VXLS_get_cells(&read, 1, 0, 0, 1, 3, values), 0);
    EXPECT_EQ(std::string(buf[0]) + "|" + buf[1], sjis("数量") + "|12");

    XLS_SEARCH s{};
    s.match = 1;
    s.count = 2;
    ASSERT_EQ(VXLS_search(&read, &s, "TOTAL", values), 0) << read.error_info;
    EXPECT_EQ(s.found_row, 2);
    EXPECT_STREQ(buf[1], "3.5");
    std::strcpy(s.sheet_name, "second");
    s.remaining = 0;
    EXPECT_EQ(VXLS_search(&read, &s, "total", values), VXLS_ERR_NO_SHEET);
    VXLS_free_book(&read);
}

TEST(XlsxReadApi, PackagesAsOtherWritersSpellThem) {
    // A prefixed main namespace, a 1904 date, a boolean, an error and a formula.
    const std::string wb = "<x:workbook xmlns:x=\"" + std::string(MAIN_NS) +
                           "\" xmlns:rel=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                           "<x:workbookPr date1904=\"true\"/><x:sheets><x:sheet name=\"P\" sheetId=\"7\" rel:id=\"rId1\"/>"
                           "</x:sheets></x:workbook>";
    const std::string sheet = "<x:worksheet xmlns:x=\"" + std::string(MAIN_NS) +
                              "\"><x:sheetData><x:row r=\"1\"><x:c r=\"A1\" t=\"b\"><x:v>1</x:v></x:c>"
                              "<x:c r=\"B1\" t=\"e\"><x:v>#N/A</x:v></x:c><x:c r=\"C1\"><x:f>1/0</x:f><x:v>0.5</x:v></x:c>"
                              "</x:row></x:sheetData></x:worksheet>";
    Opened o = open_image(package(wb, sheet));
    ASSERT_EQ(o.rc, 0) << o.message;
    EXPECT_EQ(o.a1, "TRUE");

    // Anything but a worksheet where the first sheet should be: refused clearly.
    Opened none = open_image(package(wb.substr(0, wb.find("<x:sheets>")) + "</x:workbook>"));
    EXPECT_LT(none.rc, 0);
    EXPECT_FALSE(none.message.empty());
}

TEST(XlsxReadApi, HostilePackagesFailCleanlyWithBoundedMemory) {
    const std::string dir = vtest::make_temp_dir("hostile");
    const auto before = listing(dir);
    ASSERT_EQ(open_image(package()).a1, "ok");

    const std::string ws = "<worksheet xmlns=\"" + std::string(MAIN_NS) + "\"><sheetData><row r=\"1\">";
    const std::string end = "</row></sheetData></worksheet>";
    uint32_t crc = 0;
    uint64_t size = 0;

    std::vector<std::pair<std::string, std::string>> cases;
    cases.push_back({"zip slip", package("", "", {{"../../evil.xml", "x"}})});
    {
        Item bomb{"xl/worksheets/sheet1.xml", ""};
        bomb.packed = vtest::deflate_repeated(ws, ' ', 1000ull * 1000 * 1000, end, &crc, &size);
        bomb.crc = crc, bomb.size = static_cast<int64_t>(size);
        cases.push_back({"bomb", package_with_sheet(std::move(bomb))});
    }
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY lol" + std::to_string(i) + " \"" + std::string("&lol") + (i > 1 ? std::to_string(i - 1) : "") + ";" +
                  "&lol" + (i > 1 ? std::to_string(i - 1) : "") + ";\">";
    laughs += "]><workbook xmlns=\"" + std::string(MAIN_NS) + "\"><sheets><sheet name=\"&lol9;\" sheetId=\"1\"/></sheets></workbook>";
    cases.push_back({"billion laughs", package(laughs)});
    std::string deep = ws + "<c r=\"A1\"><is>";
    for (int i = 0; i < 10000; ++i) deep += "<r>";
    cases.push_back({"deep nesting", package("", deep)});
    // A 100 MB attribute, stored so that no compression bound hides it.
    Item big{"xl/worksheets/sheet1.xml",
             ws + "<c r=\"A1\" t=\"inlineStr\" x=\"" + std::string(100u << 20, 'a') + "\"/>" + end, 0};
    cases.push_back({"100 MB attribute", package_with_sheet(std::move(big))});
    const std::string whole = package();
    cases.push_back({"truncated", whole.substr(0, whole.size() / 2)});
    cases.push_back({"not XML", package("", std::string("\x89PNG\r\n\x1a\n\0\0\0binary", 17))});
    cases.push_back({"bad reference", package("", ws + "<c r=\"A999999999\"><v>1</v></c>" + end)});

    for (const auto &[what, image] : cases) {
        // Past the memory book's own copy of the image, what a refused package costs stays small.
        const bool measured = reset_peak();
        const long resident = status_kib("VmRSS");
        Opened o = open_image(image);
        if (measured) {
            EXPECT_LT(status_kib("VmHWM") - resident, static_cast<long>(image.size() / 1024) + 64 * 1024) << what;
        }
        EXPECT_LT(o.rc, 0) << what;
        EXPECT_EQ(o.message.rfind("VXLS-", 0), 0u) << what << ": " << o.message;
        // A message that says where: the part or the package.
        EXPECT_GT(o.message.size(), 20u) << what << ": " << o.message;
    }
    // Nothing was written anywhere.
    EXPECT_EQ(listing(dir), before);
    EXPECT_EQ(listing(dir + "/..").find("evil.xml"), std::string::npos);
}
