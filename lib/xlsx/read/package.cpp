// The package: the archive, its relationships, the workbook part and the
// order in which the parts are read into the book.
#include "xlsx/read/reader.h"

#include <algorithm>
#include <new>
#include <sys/stat.h>

#include "core/charset.h"
#include "core/messages.h"
#include "core/status.h"
#include "io/mfile.h"
#include "model/cellname.h"
#include "model/sheets.h"
#include "xlsx/read/parts.h"

namespace vel::xlsxread {

namespace {

// The interface's code for a reader's status.
int code_of(int status) {
    switch (status) {
    case ZIPREAD_ERR_MEMORY: return rc::NO_MEMORY;
    case ZIPREAD_ERR_OPEN: return rc::OPEN_FAILED;
    default: return rc::UNSUPPORTED;
    }
}

// "xl/worksheets/../media/a.png" -> "xl/media/a.png"; a target that climbs
// above the package root gives "".
std::string normalise(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        size_t slash = path.find('/');
        std::string_view seg = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (seg.empty() || seg == ".") continue;
        if (seg == "..") {
            if (parts.empty()) return {};
            parts.pop_back();
            continue;
        }
        parts.push_back(seg);
    }
    std::string out;
    for (std::string_view p : parts) {
        if (!out.empty()) out += '/';
        out.append(p);
    }
    return out;
}

// A relationship target relative to the folder of its source part.
std::string resolve(std::string_view source, std::string_view target) {
    if (!target.empty() && target[0] == '/') return normalise(target);
    size_t slash = source.rfind('/');
    std::string base = slash == std::string_view::npos ? std::string() : std::string(source.substr(0, slash + 1));
    return normalise(base + std::string(target));
}

class RelsHandler : public XmlHandler {
public:
    RelsHandler(std::string_view source, std::vector<Relationship> &out) : source_(source), out_(out) {}
    int start_element(const XmlElement &e) override {
        if (e.local != "Relationship") return 0;
        Relationship r;
        r.id = e.attr("Id");
        std::string_view type = e.attr("Type");
        r.type = type.substr(type.rfind('/') + 1);
        r.external = e.attr("TargetMode") == "External";
        r.target = r.external ? std::string(e.attr("Target")) : resolve(source_, e.attr("Target"));
        out_.push_back(std::move(r));
        return 0;
    }

private:
    std::string_view source_;
    std::vector<Relationship> &out_;
};

// A sheet as the workbook lists it.
struct SheetRef {
    std::string name;
    std::string sheet_id;
    std::string rel_id;
    std::string state;
};

class WorkbookHandler : public XmlHandler {
public:
    explicit WorkbookHandler(Book &book) : book_(book) {}
    std::vector<SheetRef> sheets;

    int start_element(const XmlElement &e) override {
        if (e.ns != XmlNs::MAIN) return 0;
        if (e.local == "sheet") {
            SheetRef s;
            s.name = e.attr("name");
            s.sheet_id = e.attr("sheetId");
            s.rel_id = e.attr("id", {}, XmlNs::REL);
            s.state = e.attr("state", "visible");
            sheets.push_back(std::move(s));
        } else if (e.local == "workbookPr") {
            book_.model.settings.date1904 = to_bool(e.attr("date1904"));
        } else if (e.local == "calcPr") {
            book_.model.source->calc_id = e.attr("calcId");
        }
        return 0;
    }

private:
    Book &book_;
};

// Adds the sheets of the workbook part in tab order.
int add_sheets(Package &pkg, const std::vector<SheetRef> &refs, const std::vector<Relationship> &rels,
               std::vector<std::pair<std::string, bool>> &parts) {
    Model &m = pkg.book.model;
    for (const SheetRef &ref : refs) {
        Sheet s;
        s.name = ref.name;
        // A name the library cannot carry is shortened as every sheet name is.
        if (!shorten_sheet_name(s.name)) s.name.resize(utf8_prefix(s.name, 29));
        s.number = static_cast<int32_t>(m.sheets.size());
        s.sw_hidden = ref.state == "visible" ? VXLS_OFF : VXLS_ON;
        s.very_hidden = ref.state == "veryHidden";
        s.kept = std::make_shared<KeptSheet>();
        s.kept->rel_id = ref.rel_id;
        s.kept->sheet_id = ref.sheet_id;
        std::string part;
        bool worksheet = false;
        for (const Relationship &r : rels)
            if (r.id == ref.rel_id && !r.external) {
                part = r.target;
                worksheet = r.type == "worksheet";
                s.sheet_kind = r.type == "chartsheet" ? SHEET_CHART : r.type == "dialogsheet" ? SHEET_DIALOG
                               : r.type == "macrosheet" ? SHEET_MACRO : SHEET_WORKSHEET;
            }
        s.kept->part = part;
        m.sheets.push_back(std::move(s));
        parts.emplace_back(part, worksheet);
    }
    m.sheet_capacity = static_cast<int32_t>(m.sheets.capacity());
    return rc::OK;
}

int read_package(Package &pkg, const std::string &path, bool memory) {
    Book &book = pkg.book;
    int status;
    if (memory) {
        MFILE *f = mfind(book.files, path.c_str());
        if (!f) return pkg.fail(rc::OPEN_FAILED, "no memory file " + path);
        status = pkg.zip.open_memory(f->data, static_cast<size_t>(f->size));
    } else {
        status = pkg.zip.open_file(path);
    }
    if (status != 0) return pkg.fail(code_of(status), pkg.zip.error());

    auto &source = book.model.source;
    source = std::make_shared<SourcePackage>();
    source->path = path;
    source->memory = memory;
    if (!memory) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            source->file_size = static_cast<uint64_t>(st.st_size);
            source->file_mtime = st.st_mtim.tv_sec;
        }
    }

    // The workbook part, from the package relationships.
    std::vector<Relationship> rels;
    if (int rc = read_relationships(pkg, "", rels); rc != 0) return rc;
    for (const Relationship &r : rels)
        if (r.type == "officeDocument" && !r.external) source->workbook_part = r.target;
    if (source->workbook_part.empty()) source->workbook_part = "xl/workbook.xml";
    if (pkg.zip.find(source->workbook_part) < 0)
        return pkg.fail(rc::UNSUPPORTED, "no workbook part " + source->workbook_part);

    std::vector<Relationship> book_rels;
    if (int rc = read_relationships(pkg, source->workbook_part, book_rels); rc != 0) return rc;
    for (const Relationship &r : book_rels) {
        if (r.external) continue;
        if (r.type == "styles") source->styles_part = r.target;
        else if (r.type == "sharedStrings") source->shared_strings_part = r.target;
    }

    WorkbookHandler workbook(book);
    if (int rc = read_xml_part(pkg, source->workbook_part, workbook); rc != 0) return rc;
    std::vector<std::pair<std::string, bool>> parts;
    add_sheets(pkg, workbook.sheets, book_rels, parts);
    if (book.model.sheets.empty()) return pkg.fail(rc::UNSUPPORTED, source->workbook_part + ": no sheet");

    if (!source->styles_part.empty())
        if (int rc = read_styles(pkg, source->styles_part); rc != 0) return rc;
    if (!source->shared_strings_part.empty())
        if (int rc = read_shared_strings(pkg, source->shared_strings_part); rc != 0) return rc;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!parts[i].second || parts[i].first.empty()) continue;
        if (int rc = read_worksheet(pkg, parts[i].first, static_cast<int>(i)); rc != 0) return rc;
    }
    for (const Relationship &r : rels)
        if (r.type == "custom-properties" && !r.external)
            if (int rc = read_custom_properties(pkg, r.target); rc != 0) return rc;
    source->strict = pkg.strict;
    return rc::OK;
}

} // namespace

int read_xml_part(Package &pkg, std::string_view part, XmlHandler &handler, bool optional) {
    long index = pkg.zip.find(part);
    if (index < 0) return optional ? rc::OK : pkg.fail(rc::UNSUPPORTED, "no part " + std::string(part));
    XmlReader xml(handler);
    int status = pkg.zip.read(static_cast<size_t>(index), [&](const char *p, size_t n) { return xml.feed(p, n); });
    if (status == 0) status = xml.finish();
    pkg.strict |= xml.strict();
    if (status == 0) return rc::OK;
    if (pkg.failed) return pkg.failed;   // a handler recorded its own failure
    const std::string &why = xml.status() != 0 ? xml.error() : pkg.zip.error();
    int code = status == XMLREAD_ERR_MEMORY || status == ZIPREAD_ERR_MEMORY ? rc::NO_MEMORY : rc::UNSUPPORTED;
    return pkg.fail(code, std::string(part) + ": " + why);
}

int read_relationships(Package &pkg, std::string_view part, std::vector<Relationship> &out) {
    size_t slash = part.rfind('/');
    std::string rels = slash == std::string_view::npos
                           ? "_rels/" + std::string(part) + ".rels"
                           : std::string(part.substr(0, slash)) + "/_rels/" + std::string(part.substr(slash + 1)) + ".rels";
    RelsHandler handler(part, out);
    return read_xml_part(pkg, rels, handler, true);
}

void decode_escapes(std::string &text) {
    size_t at = text.find("_x");
    if (at == std::string::npos) return;
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    auto hex4 = [&](size_t p, uint32_t &v) {
        if (p + 7 > text.size() || text[p] != '_' || text[p + 1] != 'x' || text[p + 6] != '_') return false;
        v = 0;
        for (size_t k = p + 2; k < p + 6; ++k) {
            char c = text[k];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return false;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        return true;
    };
    auto put = [&](uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    };
    while (i < text.size()) {
        uint32_t v;
        if (text[i] == '_' && hex4(i, v)) {
            uint32_t low;
            if (v >= 0xD800 && v <= 0xDBFF && hex4(i + 7, low) && low >= 0xDC00 && low <= 0xDFFF) {
                put(0x10000 + ((v - 0xD800) << 10) + (low - 0xDC00));
                i += 14;
            } else if (v >= 0xD800 && v <= 0xDFFF) {
                out.append(text, i, 7);   // a lone surrogate stays as written
                i += 7;
            } else {
                put(v);
                i += 7;
            }
            continue;
        }
        out += text[i++];
    }
    text.swap(out);
}

bool parse_ref(std::string_view ref, int &row, int &col) {
    size_t i = 0;
    int c = 0;
    while (i < ref.size() && i < 3 && ((ref[i] | 0x20) >= 'a' && (ref[i] | 0x20) <= 'z'))
        c = c * 26 + ((ref[i++] | 0x20) - 'a' + 1);
    if (i == 0 || i == ref.size()) return false;
    long long r = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9' || r > GRID_ROWS) return false;
        r = r * 10 + (ref[i] - '0');
    }
    if (r < 1 || r > GRID_ROWS || c > GRID_COLS) return false;
    row = static_cast<int>(r - 1);
    col = c - 1;
    return true;
}

} // namespace vel::xlsxread

namespace vel {

int vlt_read_excel2007(Book &book, const std::string &path, bool memory) {
    xlsxread::Package pkg(book);
    int result;
    try {
        result = xlsxread::read_package(pkg, path, memory);
    } catch (const std::bad_alloc &) {
        result = rc::NO_MEMORY;
    }
    if (result == rc::OK) {
        book.model.index.reset();   // the registry indexes the tables as read
        book.current_sheet = 0;
        return rc::OK;
    }
    if (result == rc::NO_MEMORY) return vlt_error(&book, rc::NO_MEMORY, msg::E00002);
    if (result == rc::OPEN_FAILED) return vlt_error(&book, rc::OPEN_FAILED, msg::E03101, path.c_str());
    std::string shown = path + ": " + repaired_utf8(pkg.failure);
    return vlt_error(&book, rc::UNSUPPORTED, msg::E00900, shown.c_str());
}

} // namespace vel
