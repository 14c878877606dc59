// A tiny zip writer for tests that can lie about sizes, CRCs, names and offsets, to build hostile packages.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>
#include <zlib.h>

namespace vtest {

inline std::string deflate_raw(const std::string &data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(data.data()), data.size(), 6);
    return out.substr(2, size - 6); // the zlib stream without its header and checksum
}

// `head`, `count` copies of `fill`, then `tail`, deflated without holding the whole text (its CRC and size out).
inline std::string deflate_repeated(const std::string &head, char fill, uint64_t count, const std::string &tail,
                                    uint32_t *crc, uint64_t *size = nullptr) {
    std::string block(1 << 20, fill), out, buf(1 << 16, '\0');
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_RLE);
    uLong c = crc32(0, nullptr, 0);
    auto feed = [&](const char *data, size_t n, bool last) {
        c = crc32(c, reinterpret_cast<const Bytef *>(data), static_cast<uInt>(n));
        zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        zs.avail_in = static_cast<uInt>(n);
        do {
            zs.next_out = reinterpret_cast<Bytef *>(buf.data());
            zs.avail_out = static_cast<uInt>(buf.size());
            deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buf.data(), buf.size() - zs.avail_out);
        } while (zs.avail_out == 0);
    };
    feed(head.data(), head.size(), false);
    for (uint64_t left = count; left > 0;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
        feed(block.data(), n, false);
        left -= n;
    }
    feed(tail.data(), tail.size(), true);
    deflateEnd(&zs);
    *crc = static_cast<uint32_t>(c);
    if (size) *size = head.size() + count + tail.size();
    return out;
}

inline std::string deflate_zeros(uint64_t bytes, uint32_t *crc) { return deflate_repeated("", '\0', bytes, "", crc); }

struct Item {
    Item(std::string n, std::string d, int m = 8) : name(std::move(n)), data(std::move(d)), method(m) {}
    std::string name, data;
    int method;
    std::string packed;          // the stored bytes; made from data when empty
    int64_t size = -1, crc = -1; // declared; -1: the real ones
    int64_t packed_size = -1;    // declared compressed size
    uint16_t flags = 0;
    std::string local_name;      // when it differs from name
    int64_t at = -1;             // central record points here; no local record written
    std::string extra;
};

inline void put16(std::string &s, uint32_t v) { s += char(v & 255), s += char((v >> 8) & 255); }
inline void put32(std::string &s, uint32_t v) { put16(s, v & 0xffff), put16(s, v >> 16); }

inline std::string build_zip(std::vector<Item> items) {
    std::string zip, dir;
    std::vector<uint32_t> offsets;
    for (Item &it : items) {
        if (it.packed.empty() && !it.data.empty()) it.packed = it.method == 8 ? deflate_raw(it.data) : it.data;
        if (it.size < 0) it.size = static_cast<int64_t>(it.data.size());
        if (it.crc < 0) it.crc = crc32(0, reinterpret_cast<const Bytef *>(it.data.data()), static_cast<uInt>(it.data.size()));
        if (it.packed_size < 0) it.packed_size = static_cast<int64_t>(it.packed.size());
        auto header = [&](std::string &s, const std::string &name) {
            put16(s, 20), put16(s, it.flags), put16(s, static_cast<uint32_t>(it.method)), put16(s, 0x6000), put16(s, 0x5a21);
            put32(s, static_cast<uint32_t>(it.crc)), put32(s, static_cast<uint32_t>(it.packed_size));
            put32(s, static_cast<uint32_t>(it.size)), put16(s, static_cast<uint32_t>(name.size()));
            put16(s, static_cast<uint32_t>(it.extra.size()));
        };
        if (it.at >= 0) {
            offsets.push_back(static_cast<uint32_t>(it.at));
        } else {
            offsets.push_back(static_cast<uint32_t>(zip.size()));
            put32(zip, 0x04034b50);
            header(zip, it.local_name.empty() ? it.name : it.local_name);
            zip += (it.local_name.empty() ? it.name : it.local_name) + it.extra + it.packed;
        }
        put32(dir, 0x02014b50), put16(dir, 0x031e);
        header(dir, it.name);
        put16(dir, 0), put16(dir, 0), put16(dir, 0), put32(dir, 0x81a40000u), put32(dir, offsets.back());
        dir += it.name + it.extra;
    }
    uint32_t dir_at = static_cast<uint32_t>(zip.size());
    zip += dir;
    put32(zip, 0x06054b50), put32(zip, 0), put16(zip, static_cast<uint32_t>(items.size()));
    put16(zip, static_cast<uint32_t>(items.size())), put32(zip, static_cast<uint32_t>(dir.size())), put32(zip, dir_at);
    put16(zip, 0);
    return zip;
}

constexpr const char *MAIN_NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

// The entries of a one-sheet package but xl/worksheets/sheet1.xml; `workbook` replaces the default workbook part.
inline std::vector<Item> package_items(const std::string &workbook = "") {
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    auto rels = [&](const std::string &type, const std::string &target) {
        return "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" Type=\"" + rel + "/" + type + "\" Target=\"" + target + "\"/></Relationships>";
    };
    const std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
        "</Types>";
    return {{"[Content_Types].xml", types},
            {"_rels/.rels", rels("officeDocument", "xl/workbook.xml")},
            {"xl/workbook.xml", !workbook.empty() ? workbook
                                                  : std::string("<workbook xmlns=\"") + MAIN_NS + "\" xmlns:r=\"" + rel +
                                                        "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
            {"xl/_rels/workbook.xml.rels", rels("worksheet", "worksheets/sheet1.xml")}};
}

} // namespace vtest
