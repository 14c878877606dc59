// Generator of vbaProject.bin: the VBA project streams (PROJECT, PROJECTwm,
// VBA/_VBA_PROJECT, VBA/dir and one compressed source stream per module) in
// a compound file. The project carries source only; the spreadsheet program
// compiles it on load because the version field of VBA/_VBA_PROJECT marks
// any cached compiled form as unusable.
#include "xlsx/vba/vba_project.h"

#include <cstdio>
#include <exception>

#include "cfb/writer.h"
#include "core/charset.h"
#include "xlsx/vba/ovba_compress.h"
#include "xlsx/vba/vba_build.h"

namespace vel {

namespace {

constexpr char PROJECT_ID[] = "{6E0C9A47-3B52-4D18-8F2E-91A7C5D04B3E}";
constexpr char PROJECT_NAME[] = "VBAProject";
constexpr uint16_t CODE_PAGE = 932;
constexpr uint32_t LCID_EN_US = 0x409;

// Seeds of the three encrypted PROJECT values; any byte is valid.
constexpr uint8_t SEED_CMG = 0x3C;
constexpr uint8_t SEED_DPB = 0x57;
constexpr uint8_t SEED_GC = 0xA1;

// Version 0xFFFF: no compiled cache, so the host compiles from source.
constexpr uint8_t VBA_PROJECT_STREAM[] = {0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x00, 0x00};

struct Module {
    std::string name;  // ASCII: the same bytes in CP932
    std::string text;  // CP932 source, CR LF line ends
};

using Bytes = std::vector<uint8_t>;

void put16(Bytes &b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes &b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void put_text(Bytes &b, std::string_view s) { b.insert(b.end(), s.begin(), s.end()); }
void put_utf16(Bytes &b, std::string_view ascii) {
    for (char c : ascii) put16(b, static_cast<uint8_t>(c));
}

// A dir record: id, byte count, payload.
void record(Bytes &b, uint16_t id, std::string_view payload) {
    put16(b, id);
    put32(b, static_cast<uint32_t>(payload.size()));
    put_text(b, payload);
}
void record32(Bytes &b, uint16_t id, uint32_t value) {
    put16(b, id);
    put32(b, 4);
    put32(b, value);
}
void record16(Bytes &b, uint16_t id, uint16_t value) {
    put16(b, id);
    put32(b, 2);
    put16(b, value);
}
// An empty text record followed by its empty second form (fixed marker id).
void empty_pair(Bytes &b, uint16_t id, uint16_t second_id) {
    record(b, id, {});
    put16(b, second_id);
    put32(b, 0);
}

Bytes dir_stream(const std::vector<Module> &modules) {
    Bytes b;
    b.reserve(128 * modules.size() + 256);
    record32(b, 0x0001, 1);                  // system kind: Win32
    record32(b, 0x0002, LCID_EN_US);         // LCID
    record32(b, 0x0014, LCID_EN_US);         // LCID for invoking
    record16(b, 0x0003, CODE_PAGE);          // code page of every MBCS text
    record(b, 0x0004, PROJECT_NAME);
    empty_pair(b, 0x0005, 0x0040);           // doc string, then its UTF-16 form
    empty_pair(b, 0x0006, 0x003D);           // help file, then its second copy
    record32(b, 0x0007, 0);                  // help context
    record32(b, 0x0008, 0);                  // library flags
    put16(b, 0x0009);                        // version: size field is fixed at 4,
    put32(b, 4);                             // the payload is 6 bytes
    put32(b, 1);
    put16(b, 0);
    empty_pair(b, 0x000C, 0x003C);           // conditional constants
    record16(b, 0x000F, static_cast<uint16_t>(modules.size()));
    record16(b, 0x0013, 0xFFFF);             // project cookie
    for (const Module &m : modules) {
        record(b, 0x0019, m.name);
        put16(b, 0x0047);
        put32(b, static_cast<uint32_t>(2 * m.name.size()));
        put_utf16(b, m.name);
        record(b, 0x001A, m.name);           // stream name, then its UTF-16 form
        put16(b, 0x0032);
        put32(b, static_cast<uint32_t>(2 * m.name.size()));
        put_utf16(b, m.name);
        empty_pair(b, 0x001C, 0x0048);       // module doc string
        record32(b, 0x0031, 0);              // source offset in the stream
        record32(b, 0x001E, 0);              // help context
        record16(b, 0x002C, 0xFFFF);         // module cookie
        put16(b, 0x0022);                    // document module
        put32(b, 0);
        put16(b, 0x002B);                    // module terminator
        put32(b, 0);
    }
    put16(b, 0x0010);                        // dir terminator
    put32(b, 0);
    return b;
}

Bytes project_stream(const std::vector<Module> &modules) {
    static const uint8_t no_protection[] = {0, 0, 0, 0};
    static const uint8_t no_password[] = {0};
    static const uint8_t visible[] = {0xFF};
    std::string s;
    s.reserve(64 * modules.size() + 512);
    s += "ID=\"";
    s += PROJECT_ID;
    s += "\"\r\n";
    for (const Module &m : modules) s += "Document=" + m.name + "/&H00000000\r\n";
    s += "Name=\"";
    s += PROJECT_NAME;
    s += "\"\r\nHelpContextID=\"0\"\r\nVersionCompatible32=\"393222000\"\r\n";
    s += "CMG=\"" + vba_encrypt_hex(no_protection, PROJECT_ID, SEED_CMG) + "\"\r\n";
    s += "DPB=\"" + vba_encrypt_hex(no_password, PROJECT_ID, SEED_DPB) + "\"\r\n";
    s += "GC=\"" + vba_encrypt_hex(visible, PROJECT_ID, SEED_GC) + "\"\r\n";
    s += "\r\n[Host Extender Info]\r\n";
    s += "&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000\r\n";
    s += "\r\n[Workspace]\r\n";
    for (const Module &m : modules) s += m.name + "=0, 0, 0, 0, C\r\n";
    return Bytes(s.begin(), s.end());
}

// Module names as MBCS and UTF-16, each NUL-terminated, then a final NUL.
Bytes projectwm_stream(const std::vector<Module> &modules) {
    Bytes b;
    b.reserve(27 * modules.size() + 2);
    for (const Module &m : modules) {
        put_text(b, m.name);
        b.push_back(0);
        put_utf16(b, m.name);
        put16(b, 0);
    }
    put16(b, 0);
    return b;
}

bool is_ascii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// UTF-8 with LF line ends to CP932 with CR LF line ends.
bool to_module_text(std::string_view utf8, std::string &out) {
    std::string crlf;
    crlf.reserve(utf8.size() + utf8.size() / 16 + 2);
    size_t start = 0;
    for (size_t nl; (nl = utf8.find('\n', start)) != std::string_view::npos; start = nl + 1) {
        crlf.append(utf8.substr(start, nl - start));
        crlf += "\r\n";
    }
    crlf.append(utf8.substr(start));
    if (is_ascii(crlf)) {
        out = std::move(crlf);
        return true;
    }
    return convert_charset(out, crlf, VXLS_CHARSET_UTF8, VXLS_CHARSET_SJIS) == 0;
}

bool fail(std::string *error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

} // namespace

std::string vba_encrypt_hex(std::span<const uint8_t> data, std::string_view project_id, uint8_t seed) {
    uint8_t key = 0;
    for (char c : project_id) key = static_cast<uint8_t>(key + static_cast<uint8_t>(c));
    constexpr uint8_t version = 2;
    Bytes enc{seed, static_cast<uint8_t>(seed ^ version), static_cast<uint8_t>(seed ^ key)};
    // Each byte is masked with the sum of the previous plain byte and the
    // encrypted byte two places back.
    uint8_t plain1 = key;
    uint8_t enc1 = enc[2];
    uint8_t enc2 = enc[1];
    auto put = [&](uint8_t b) {
        const auto c = static_cast<uint8_t>(b ^ static_cast<uint8_t>(enc2 + plain1));
        enc.push_back(c);
        enc2 = enc1;
        enc1 = c;
        plain1 = b;
    };
    for (int i = 0; i < (seed & 6) / 2; ++i) put(0); // filler bytes, ignored on read
    const auto length = static_cast<uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) put(static_cast<uint8_t>(length >> (8 * i)));
    for (uint8_t b : data) put(b);
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(2 * enc.size());
    for (uint8_t b : enc) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

bool build_vba_project(std::vector<uint8_t> &out, std::string *error) {
    out.clear();
    std::vector<Module> modules;
    modules.reserve(1 + VBA_SHEET_MODULES);
    modules.push_back({"ThisWorkbook", {}});
    if (!to_module_text(vba_this_workbook_source(), modules.back().text))
        return fail(error, "VBA source of ThisWorkbook does not convert to code page 932");
    for (int k = 1; k <= VBA_SHEET_MODULES; ++k) {
        Module m{"Sheet" + std::to_string(k), {}};
        if (!to_module_text(vba_sheet_source(k), m.text))
            return fail(error, "VBA source of " + m.name + " does not convert to code page 932");
        modules.push_back(std::move(m));
    }

    CfbNode vba{"VBA", true, {}, {}};
    vba.children.reserve(modules.size() + 2);
    vba.children.push_back(
        {"_VBA_PROJECT", false, Bytes(std::begin(VBA_PROJECT_STREAM), std::end(VBA_PROJECT_STREAM)), {}});
    auto dir = ovba_compress(dir_stream(modules));
    if (!dir) return fail(error, "VBA dir stream does not compress");
    vba.children.push_back({"dir", false, std::move(*dir), {}});
    for (const Module &m : modules) {
        const auto *p = reinterpret_cast<const uint8_t *>(m.text.data());
        auto stream = ovba_compress({p, m.text.size()});
        if (!stream) return fail(error, "VBA module " + m.name + " does not compress");
        vba.children.push_back({m.name, false, std::move(*stream), {}});
    }

    std::vector<CfbNode> top;
    top.push_back({"PROJECT", false, project_stream(modules), {}});
    top.push_back({"PROJECTwm", false, projectwm_stream(modules), {}});
    top.push_back(std::move(vba));
    return cfb_write(top, out, error);
}

const std::vector<uint8_t> &vba_project_bin() {
    static const std::vector<uint8_t> blob = [] {
        std::vector<uint8_t> out;
        try {
            if (!build_vba_project(out, nullptr)) out.clear();
        } catch (const std::exception &) {
            out.clear();
        }
        return out;
    }();
    return blob;
}

} // namespace vel
