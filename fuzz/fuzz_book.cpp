// Fuzz target for the whole library: the input is a script of calls on a
// book (one per line: "#sheet OPTIONS" opens a sheet, "#cell NAME VALUE"
// puts one cell, any other line is property text), run on a UTF-8 or a
// Shift-JIS book, then saved to memory. Whatever the calls returned, the
// package must be a zip whose every XML part a real XML parser accepts: any
// input the library takes gives a workbook that opens.
#include <libxml/parser.h>
#include <minizip/unzip.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "velmora.h"

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

bool ends_with(const std::string &s, const char *tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Every entry of the package that is XML must parse.
void check_package(const std::vector<char> &bytes) {
    static const std::string path = "/tmp/fuzz_book." + std::to_string(::getpid()) + ".xlsx";
    FILE *f = std::fopen(path.c_str(), "wb");
    require(f != nullptr);
    require(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    std::fclose(f);
    unzFile zip = unzOpen64(path.c_str());
    require(zip != nullptr);
    std::vector<char> data;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info64 info;
        require(unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) == UNZ_OK);
        std::string entry = name;
        if (!ends_with(entry, ".xml") && !ends_with(entry, ".rels") && !ends_with(entry, ".vml")) continue;
        require(unzOpenCurrentFile(zip) == UNZ_OK);
        data.resize(info.uncompressed_size);
        int got = data.empty() ? 0 : unzReadCurrentFile(zip, data.data(), static_cast<unsigned>(data.size()));
        require(got == static_cast<int>(data.size()));
        require(unzCloseCurrentFile(zip) == UNZ_OK);
        xmlDocPtr doc = xmlReadMemory(data.data(), static_cast<int>(data.size()), entry.c_str(), nullptr,
                                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        if (!doc) {
            std::fprintf(stderr, "not well-formed: %s\n", entry.c_str());
            __builtin_trap();
        }
        xmlFreeDoc(doc);
    }
    unzClose(zip);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    std::string_view text(reinterpret_cast<const char *>(data) + 1, size - 1);
    XLS_BOOK book{};
    const bool sjis = data[0] & 1;
    require(VXLS_open_book(&book, sjis ? "CHARSET=SJIS" : "CHARSET=UTF8") == 0);
    // A small grid keeps every input cheap; the limits are the book's own.
    book.max_rows = 300;
    book.max_columns = 60;
    int lines = 0;
    while (!text.empty() && lines++ < 64) {
        size_t nl = text.find('\n');
        std::string line(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        line = line.substr(0, line.find('\0'));
        int rc;
        if (line.rfind("#sheet ", 0) == 0) {
            rc = VXLS_open_sheet(&book, line.c_str() + 7);
        } else if (line.rfind("#cell ", 0) == 0) {
            std::string rest = line.substr(6);
            size_t blank = rest.find(' ');
            std::string name = rest.substr(0, blank);
            std::string value = blank == std::string::npos ? "" : rest.substr(blank + 1);
            rc = VXLS_put_cell(&book, name.c_str(), value.c_str(), 0);
        } else {
            rc = VXLS_put_values(&book, line.c_str());
        }
        // Every failure leaves a message.
        if (rc < 0) require(std::strncmp(book.error_info, "VXLS-", 5) == 0);
    }
    std::vector<char> buffer(1 << 20);
    long length = static_cast<long>(buffer.size());
    int rc = VXLS_close_memory_book(&book, nullptr, buffer.data(), &length);
    if (rc == VXLS_ERR_OVERFLOW) {
        buffer.resize(64u << 20);
        length = static_cast<long>(buffer.size());
        rc = VXLS_close_memory_book(&book, nullptr, buffer.data(), &length);
    }
    if (rc == 0) {
        buffer.resize(static_cast<size_t>(length));
        check_package(buffer);
    } else {
        require(std::strncmp(book.error_info, "VXLS-", 5) == 0);
        VXLS_free_book(&book);
    }
    return 0;
}
