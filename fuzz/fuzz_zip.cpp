// Fuzzes the zip package reader on a memory buffer: open, then every entry
// streamed, read whole, read raw and described; parts whose names end in
// ".xml" or ".rels" also go through the XML reader as they are inflated.
// Whatever the bytes, a successful read must deliver exactly the declared
// size with the declared CRC, and every listed name must be safe.
#include "xlsx/read/zip_reader.h"
#include "xml/reader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <zlib.h>

namespace {

bool ends_with(const std::string &s, const char *tail) {
    size_t n = std::char_traits<char>::length(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    vel::ZipLimits limits;
    limits.max_entry_bytes = 1 << 20;
    limits.max_total_bytes = 4 << 20;
    limits.ratio_floor_bytes = 64 << 10;
    vel::ZipReader zip(limits);
    int rc = zip.open_memory(data, size);
    if (rc != 0) {
        if (zip.error().empty() || !zip.entries().empty()) std::abort();
        return 0;
    }
    vel::XmlHandler ignore;
    vel::XmlReader xml(ignore);
    for (size_t i = 0; i < zip.entries().size(); ++i) {
        const vel::ZipEntry &e = zip.entries()[i];
        if (!vel::zip_entry_name_safe(e.name, limits.max_name_bytes, nullptr)) std::abort();
        if (e.data_offset + e.compressed_size > size || e.local_offset >= e.data_offset) std::abort();

        uint64_t streamed = 0;
        uLong crc = crc32(0, nullptr, 0);
        const bool is_xml = ends_with(e.name, ".xml") || ends_with(e.name, ".rels");
        xml.reset();
        rc = zip.read(i, [&](const char *p, size_t n) {
            if (n == 0 || n > (256u << 10)) std::abort();
            streamed += n;
            crc = crc32(crc, reinterpret_cast<const Bytef *>(p), static_cast<uInt>(n));
            if (is_xml) xml.feed(p, n); // a malformed part is not the zip's failure
            return 0;
        });
        if (rc == 0 && (streamed != e.size || static_cast<uint32_t>(crc) != e.crc32)) std::abort();
        if (rc != 0 && zip.error().empty()) std::abort();
        if (rc == 0 && is_xml) xml.finish();
        if (streamed > limits.max_entry_bytes) std::abort();

        std::string whole;
        int rc2 = zip.read_whole(i, whole);
        if (rc2 == 0 && (rc != 0 || whole.size() != streamed)) std::abort();

        uint64_t raw = 0;
        if (zip.read_raw(i, [&](const char *, size_t n) { return raw += n, 0; }) == 0 && raw != e.compressed_size)
            std::abort();
        vel::ZipRawFacts facts;
        zip.raw_facts(i, facts);
    }
    if (zip.inflated_total() > limits.max_total_bytes) std::abort();
    return 0;
}
