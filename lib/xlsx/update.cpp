// Saving a book that was read from a package (update and template mode).
// The package's entries are copied in their order, still compressed, except
// the parts the save has to change: the worksheets that were written to
// (and sheets copied from a template sheet, which are new), the shared
// strings when strings were added, the styles when the registry gained
// entries, and the workbook, its relationships and the content types where
// parts are new or the calculation settings change. Everything the library
// does not model comes out as it went in.
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <unordered_map>

#include "core/messages.h"
#include "core/status.h"
#include "formula/evaluator.h"
#include "io/mfile.h"
#include "xlsx/jobs.h"
#include "xlsx/package.h"
#include "xlsx/read/zip_reader.h"
#include "xlsx/writer.h"
#include "xml/fragment.h"

namespace vel {

namespace {

constexpr std::string_view CT_WORKSHEET = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
constexpr std::string_view CT_STRINGS = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
constexpr std::string_view REL_BASE = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

struct Failure {
    int rc;
    std::string what;
};

// The text of one part, read whole.
std::string part_text(ZipReader &zip, long index) {
    std::string text;
    if (index < 0) return text;
    if (int got = zip.read_whole(static_cast<size_t>(index), text); got != 0)
        throw Failure{got == ZIPREAD_ERR_MEMORY ? rc::NO_MEMORY : rc::READ_FAILED, zip.error()};
    return text;
}

// The prefix (with its colon) of an element's qualified name.
std::string prefix_of(std::string_view qname) {
    size_t colon = qname.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(qname.substr(0, colon + 1));
}

// Inserts `markup` in front of the end tag of the root element.
void insert_before_root_end(std::string &doc, std::string_view markup) {
    FragmentElement root;
    std::vector<FragmentElement> children;
    if (!root_children(doc, root, children)) return;
    if (root.empty) {
        // <Types/> becomes <Types>markup</Types>.
        std::string open(doc, root.begin, root.tag_end - root.begin - 2);
        doc.replace(root.begin, root.tag_end - root.begin,
                    open + ">" + std::string(markup) + "</" + std::string(root.qname) + ">");
        return;
    }
    doc.insert(doc.rfind("</", root.end - 1), markup);
}

std::string escaped(std::string_view text) {
    std::string out;
    append_escaped(out, text, ESCAPE_ALL);
    return out;
}

// Largest number N of the relationship ids "rIdN" of a relationships part.
long largest_rel_number(std::string_view rels) {
    long largest = 0;
    for (size_t at = 0; (at = rels.find("Id=\"rId", at)) != std::string_view::npos;) {
        at += 7;
        long n = 0;
        size_t i = at;
        while (i < rels.size() && i < at + 9 && rels[i] >= '0' && rels[i] <= '9') n = n * 10 + (rels[i++] - '0');
        if (i < rels.size() && rels[i] == '"') largest = std::max(largest, n);
    }
    return largest;
}

// What one save changes.
struct Plan {
    std::unordered_map<std::string, size_t> sheet_of_part;  // regenerated worksheet part -> sheet
    std::vector<size_t> new_sheets;                         // sheets without a part (copies)
    std::vector<std::string> new_sheet_parts;
    bool new_strings_part = false;
    std::unordered_map<std::string, std::string> edited;    // part -> its new text
};

class Updater {
public:
    Updater(Book *book, SaveContext &ctx, ZipReader &zip) : book_(book), m_(book->model), ctx_(ctx), zip_(zip) {}

    void plan() {
        const SourcePackage &src = *m_.source;
        for (size_t i = 0; i < m_.sheets.size(); ++i) {
            const Sheet &s = m_.sheets[i];
            if (s.copied_from >= 0 || !s.kept) {
                plan_.new_sheets.push_back(i);
            } else if (s.changed) {
                // Cells put into a chart or macro sheet, or into a sheet the
                // workbook lists without a part, have nowhere to go: saving
                // would lose them.
                if (s.sheet_kind != SHEET_WORKSHEET)
                    throw Failure{rc::GENERAL, "vlt_update_excel2007() sheet \"" + s.name + "\" is not a worksheet"};
                if (s.kept->part.empty() || zip_.find(s.kept->part) < 0)
                    throw Failure{rc::GENERAL, "vlt_update_excel2007() sheet \"" + s.name + "\" has no part in the package"};
                plan_.sheet_of_part[s.kept->part] = i;
            }
        }
        name_new_sheets();
        const bool strings_grew = m_.sst.size() > static_cast<size_t>(src.strings);
        plan_.new_strings_part = strings_grew && src.shared_strings_part.empty();
        if (strings_grew && !plan_.new_strings_part) edit_strings();
        if (styles_grew()) edit_styles();
        if (!plan_.sheet_of_part.empty() || !plan_.new_sheets.empty() || plan_.new_strings_part) edit_workbook();
        if (!plan_.new_sheets.empty() || plan_.new_strings_part) {
            edit_content_types();
            edit_workbook_rels();
        }
    }

    std::vector<Job> jobs() {
        std::vector<Job> jobs;
        const SaveContext *c = &ctx_;
        const auto &entries = zip_.entries();
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::string &name = entries[i].name;
            if (auto s = plan_.sheet_of_part.find(name); s != plan_.sheet_of_part.end()) {
                const size_t index = s->second;
                jobs.push_back(Job{name, [c, index](XmlWriter &w) { write_worksheet(*c, index, w); }, nullptr, {}, {}});
            } else if (auto e = plan_.edited.find(name); e != plan_.edited.end()) {
                const std::string *text = &e->second;
                jobs.push_back(Job{name, [text](XmlWriter &w) { w.raw(*text); }, nullptr, {}, {}});
            } else {
                ZipReader *zip = &zip_;
                jobs.push_back(Job{name, {}, nullptr, {}, [zip, i](ZipArchive &out, const ZipTime &) {
                                       int got = out.copy_from(*zip, i);
                                       return got < 0 && got != rc::WRITE_FAILED ? rc::READ_FAILED : got;
                                   }});
            }
        }
        if (plan_.new_strings_part)
            jobs.push_back(Job{"xl/sharedStrings.xml", [c](XmlWriter &w) { write_shared_strings(*c, w); }, nullptr, {}, {}});
        for (size_t k = 0; k < plan_.new_sheets.size(); ++k) {
            const size_t index = plan_.new_sheets[k];
            jobs.push_back(Job{plan_.new_sheet_parts[k], [c, index](XmlWriter &w) { write_worksheet(*c, index, w); },
                               nullptr, {}, {}});
        }
        return jobs;
    }

private:
    bool styles_grew() const {
        const SourcePackage &src = *m_.source;
        return m_.xfs.size() > static_cast<size_t>(src.xfs) || m_.fonts.size() > static_cast<size_t>(src.fonts) ||
               m_.fills.size() > static_cast<size_t>(src.fills) || m_.borders.size() > static_cast<size_t>(src.borders) ||
               m_.numfmts.size() > static_cast<size_t>(src.numfmts);
    }

    // New strings join the end of the kept table; the kept ones (rich text
    // and phonetic runs included) stay as they were written.
    void edit_strings() {
        const SourcePackage &src = *m_.source;
        std::string doc = part_text(zip_, zip_.find(src.shared_strings_part));
        FragmentElement root;
        std::vector<FragmentElement> children;
        if (!root_children(doc, root, children)) throw Failure{rc::GENERAL, src.shared_strings_part + ": no root element"};
        StringSink sink;
        {
            XmlWriter w(sink);
            for (size_t i = static_cast<size_t>(src.strings); i < m_.sst.size(); ++i) write_string_item(w, m_.sst[i]);
            w.flush();
        }
        insert_before_root_end(doc, sink.text);
        // References are counted anew over every sheet.
        uint64_t refs = 0;
        for (const Sheet &s : m_.sheets)
            for (const Row &r : s.rows)
                for (int c = 0; c < r.used && c < static_cast<int>(r.cells.size()); ++c)
                    refs += r.cells[c].kind == CELL_SHARED_TEXT;
        set_tag_attribute(doc, root.begin, "uniqueCount", std::to_string(m_.sst.size()));
        set_tag_attribute(doc, root.begin, "count", std::to_string(refs));
        plan_.edited[src.shared_strings_part] = std::move(doc);
    }

    // The entries the registry gained join the ends of their tables; the
    // file's entries, cell styles, differential formats and extensions stay.
    void edit_styles() {
        const SourcePackage &src = *m_.source;
        std::string doc = part_text(zip_, zip_.find(src.styles_part));
        FragmentElement root;
        std::vector<FragmentElement> children;
        if (!root_children(doc, root, children)) throw Failure{rc::GENERAL, src.styles_part + ": no root element"};
        const std::string p = prefix_of(root.qname);
        // Each table: its name, the number of entries the file had, and how
        // the new ones are written.
        struct Table {
            const char *name;
            size_t had, now;
            std::function<void(XmlWriter &, size_t)> entry;
        };
        const Table tables[] = {
            {"numFmts", static_cast<size_t>(src.numfmts), m_.numfmts.size(),
             [&](XmlWriter &w, size_t i) {
                 if (!ctx_.numfmt_written[i]) return;
                 w.raw("<numFmt numFmtId=\"");
                 w.num(ctx_.numfmt_ids[i]);
                 w.raw("\" formatCode=\"");
                 w.text(number_format_code(m_.numfmts[i]));
                 w.raw("\"/>");
             }},
            {"fonts", static_cast<size_t>(src.fonts), m_.fonts.size(), [&](XmlWriter &w, size_t i) { write_style_entry(w, m_.fonts[i]); }},
            {"fills", static_cast<size_t>(src.fills), m_.fills.size(), [&](XmlWriter &w, size_t i) { write_style_entry(w, m_.fills[i]); }},
            {"borders", static_cast<size_t>(src.borders), m_.borders.size(),
             [&](XmlWriter &w, size_t i) { write_style_entry(w, m_.borders[i]); }},
            {"cellXfs", static_cast<size_t>(src.xfs), m_.xfs.size(),
             [&](XmlWriter &w, size_t i) { write_style_entry(ctx_, w, m_.xfs[i]); }},
        };
        // Work from the last table to the first so that earlier positions hold.
        for (size_t t = std::size(tables); t-- > 0;) {
            const Table &table = tables[t];
            if (table.now <= table.had) continue;
            StringSink sink;
            {
                XmlWriter w(sink);
                for (size_t i = table.had; i < table.now; ++i) table.entry(w, i);
                w.flush();
            }
            root_children(doc, root, children);
            insert_entries(doc, children, table.name, table.now - table.had, sink.text, p);
        }
        plan_.edited[src.styles_part] = std::move(doc);
    }

    // Adds `markup` (`added` entries) at the end of table `name` and
    // raises its count; a table the part lacks is made where it belongs.
    void insert_entries(std::string &doc, const std::vector<FragmentElement> &children,
                        std::string_view name, size_t added, const std::string &markup, const std::string &prefix) {
        // Unprefixed entries in a prefixed part: each carries the namespace.
        std::string entries = markup;
        if (!prefix.empty()) {
            std::string out;
            for (const FragmentElement &e : fragment_elements(markup)) {
                std::string one = markup.substr(e.begin, e.end - e.begin);
                set_tag_attribute(one, 0, "xmlns", NS_MAIN);
                out += one;
            }
            entries = out;
        }
        for (const FragmentElement &e : children) {
            if (e.local != name) continue;
            std::string element = doc.substr(e.begin, e.end - e.begin);
            size_t vb, ve;
            size_t count = 0;
            if (tag_attribute(element, "count", vb, ve))
                count = std::strtoul(element.substr(vb, ve - vb).c_str(), nullptr, 10);
            else
                count = fragment_elements(std::string_view(element).substr(e.tag_end - e.begin)).size();
            if (e.empty) {
                element.erase(element.size() - 2);
                element += ">" + entries + "</" + std::string(e.qname) + ">";
            } else {
                element.insert(element.rfind("</"), entries);
            }
            set_tag_attribute(element, 0, "count", std::to_string(count + added));
            doc.replace(e.begin, e.end - e.begin, element);
            return;
        }
        // The table is missing: it goes before the first table that follows it.
        static constexpr std::string_view order[] = {"numFmts", "fonts", "fills", "borders", "cellStyleXfs", "cellXfs"};
        size_t rank = 0;
        while (rank < std::size(order) && order[rank] != name) ++rank;
        size_t at = std::string::npos;
        for (const FragmentElement &e : children) {
            size_t r = 0;
            while (r < std::size(order) && order[r] != e.local) ++r;
            if (r > rank || r == std::size(order)) {
                at = e.begin;
                break;
            }
        }
        std::string element = "<" + prefix + std::string(name) + " count=\"" + std::to_string(added) + "\">" + entries +
                              "</" + prefix + std::string(name) + ">";
        if (at == std::string::npos) insert_before_root_end(doc, element);
        else doc.insert(at, element);
    }

    // The calculation settings, and the sheets that are new.
    void edit_workbook() {
        const SourcePackage &src = *m_.source;
        std::string doc = part_text(zip_, zip_.find(src.workbook_part));
        FragmentElement root;
        std::vector<FragmentElement> children;
        if (!root_children(doc, root, children)) throw Failure{rc::GENERAL, src.workbook_part + ": no root element"};
        const std::string p = prefix_of(root.qname);

        // New sheets join the sheet list, with the relationships made below.
        if (!plan_.new_sheets.empty()) {
            std::string_view start(doc.data() + root.begin, root.tag_end - root.begin);
            std::string rel_prefix;
            for (std::string_view uri : {std::string_view("http://schemas.openxmlformats.org/officeDocument/2006/relationships"),
                                         std::string_view("http://purl.oclc.org/ooxml/officeDocument/relationships")}) {
                size_t at = start.find("=\"" + std::string(uri) + "\"");
                if (at == std::string_view::npos) continue;
                size_t from = start.rfind("xmlns:", at);
                if (from != std::string_view::npos) rel_prefix = std::string(start.substr(from + 6, at - from - 6));
            }
            long sheet_id = 0;
            for (const FragmentElement &e : children) {
                if (e.local != "sheets") continue;
                for (const FragmentElement &s : fragment_elements(std::string_view(doc).substr(e.tag_end, e.end - e.tag_end))) {
                    size_t vb, ve;
                    std::string_view tag(doc.data() + e.tag_end + s.begin, s.tag_end - s.begin);
                    if (tag_attribute(tag, "sheetId", vb, ve))
                        sheet_id = std::max(sheet_id, std::strtol(std::string(tag.substr(vb, ve - vb)).c_str(), nullptr, 10));
                }
                std::string added;
                for (size_t k = 0; k < plan_.new_sheets.size(); ++k) {
                    const Sheet &s = m_.sheets[plan_.new_sheets[k]];
                    added += "<" + p + "sheet name=\"" + escaped(s.name) + "\" sheetId=\"" + std::to_string(++sheet_id) +
                             "\" ";
                    added += rel_prefix.empty() ? "xmlns:r=\"" + std::string(NS_REL) + "\" r:id=\"" : rel_prefix + ":id=\"";
                    added += new_rel_id(k) + "\"/>";
                }
                if (e.empty) {
                    doc.replace(e.begin, e.end - e.begin,
                                std::string(doc, e.begin, e.end - e.begin - 2) + ">" + added + "</" + std::string(e.qname) + ">");
                } else {
                    doc.insert(doc.rfind("</", e.end - 1), added);
                }
                break;
            }
            root_children(doc, root, children);
        }

        for (const FragmentElement &e : children) {
            if (e.local != "calcPr") continue;
            if (book_->recalc) {
                // A six-character calculation id is set to this library's,
                // so that the consumer recalculates with its own engine.
                size_t vb, ve;
                std::string_view tag(doc.data() + e.begin, e.tag_end - e.begin);
                if (tag_attribute(tag, "calcId", vb, ve) && ve - vb == 6) doc.replace(e.begin + vb, 6, "145621");
            } else {
                set_tag_attribute(doc, e.begin, "fullCalcOnLoad", "1");
            }
            plan_.edited[src.workbook_part] = std::move(doc);
            return;
        }
        if (!book_->recalc) {
            // No calculation settings: a consumer that calculates does so on load.
            static constexpr std::string_view later[] = {"oleSize", "customWorkbookViews", "pivotCaches", "smartTagPr",
                                                          "smartTagTypes", "webPublishing", "fileRecoveryPr",
                                                          "webPublishObjects", "extLst"};
            const std::string calc = "<" + p + "calcPr fullCalcOnLoad=\"1\"/>";
            for (const FragmentElement &e : children)
                if (std::find(std::begin(later), std::end(later), e.local) != std::end(later)) {
                    doc.insert(e.begin, calc);
                    plan_.edited[src.workbook_part] = std::move(doc);
                    return;
                }
            insert_before_root_end(doc, calc);
        }
        plan_.edited[src.workbook_part] = std::move(doc);
    }

    // Relationship ids of the new parts: sheets first, then shared strings.
    std::string new_rel_id(size_t k) {
        if (rel_base_ < 0) {
            const SourcePackage &src = *m_.source;
            const std::string rels = rels_part_name(src.workbook_part);
            rels_text_ = part_text(zip_, zip_.find(rels));
            rel_base_ = largest_rel_number(rels_text_);
        }
        return "rId" + std::to_string(rel_base_ + 1 + static_cast<long>(k));
    }

    static std::string rels_part_name(const std::string &part) {
        size_t slash = part.rfind('/');
        return slash == std::string::npos ? "_rels/" + part + ".rels"
                                          : part.substr(0, slash) + "/_rels/" + part.substr(slash + 1) + ".rels";
    }

    // Names of the new worksheet parts: the first free sheetN.xml.
    void name_new_sheets() {
        int n = 1;
        for (size_t k = 0; k < plan_.new_sheets.size(); ++k) {
            std::string name;
            do name = "xl/worksheets/sheet" + std::to_string(n++) + ".xml";
            while (zip_.find(name) >= 0);
            plan_.new_sheet_parts.push_back(name);
        }
    }

    void edit_content_types() {
        std::string doc = part_text(zip_, zip_.find("[Content_Types].xml"));
        if (doc.empty()) throw Failure{rc::OPEN_FAILED, "vlt_update_excel2007() [Content_Types].xml open error"};
        std::string added;
        for (const std::string &part : plan_.new_sheet_parts)
            added += "<Override PartName=\"/" + part + "\" ContentType=\"" + std::string(CT_WORKSHEET) + "\"/>";
        const std::string strings = "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"" + std::string(CT_STRINGS) + "\"/>";
        if (plan_.new_strings_part && doc.find("PartName=\"/xl/sharedStrings.xml\"") == std::string::npos) added += strings;
        insert_before_root_end(doc, added);
        plan_.edited["[Content_Types].xml"] = std::move(doc);
    }

    void edit_workbook_rels() {
        const std::string name = rels_part_name(m_.source->workbook_part);
        new_rel_id(0);   // reads the part
        std::string doc = rels_text_;
        if (doc.empty()) throw Failure{rc::OPEN_FAILED, "vlt_update_excel2007() " + name + " open error"};
        const std::string base = m_.source->workbook_part.substr(0, m_.source->workbook_part.rfind('/') + 1);
        std::string added;
        size_t k = 0;
        for (; k < plan_.new_sheets.size(); ++k) {
            std::string target = plan_.new_sheet_parts[k];
            if (target.compare(0, base.size(), base) == 0) target.erase(0, base.size());
            else target.insert(0, "/");
            added += "<Relationship Id=\"" + new_rel_id(k) + "\" Type=\"" + std::string(REL_BASE) + "worksheet\" Target=\"" +
                     target + "\"/>";
        }
        if (plan_.new_strings_part)
            added += "<Relationship Id=\"" + new_rel_id(k) + "\" Type=\"" + std::string(REL_BASE) +
                     "sharedStrings\" Target=\"" + (base == "xl/" ? "sharedStrings.xml" : "/xl/sharedStrings.xml") + "\"/>";
        insert_before_root_end(doc, added);
        plan_.edited[name] = std::move(doc);
    }

public:
    void prepare() { plan(); }

private:
    Book *book_;
    Model &m_;
    SaveContext &ctx_;
    ZipReader &zip_;
    Plan plan_;
    long rel_base_ = -1;
    std::string rels_text_;
};

// Number-format ids: the file's formats keep theirs; new ones take a
// built-in id or the next id above every id in use.
void update_numfmt_ids(const Model &m, int32_t kept, std::vector<int> &ids, std::vector<uint8_t> &written) {
    ids.assign(m.numfmts.size(), 0);
    written.assign(m.numfmts.size(), 0);
    int next = 176;
    for (int32_t i = 0; i < kept && static_cast<size_t>(i) < m.numfmts.size(); ++i) {
        ids[i] = m.numfmts[i].id;
        next = std::max(next, ids[i] + 1);
    }
    for (size_t i = static_cast<size_t>(std::max(kept, 0)); i < m.numfmts.size(); ++i) {
        int builtin = builtin_number_format_id(m.numfmts[i].key);
        if (builtin >= 0 && m.numfmts[i].code.empty()) {
            ids[i] = builtin;
            continue;
        }
        ids[i] = next++;
        written[i] = 1;
    }
}

int open_source(Book *book, const SourcePackage &src, bool same_memory_file, ZipReader &zip, std::string &copy) {
    int got;
    if (src.memory) {
        MFILE *f = mfind(book->files, src.path.c_str());
        if (!f) return vlt_error_keep(book, rc::OPEN_FAILED, msg::E03101, src.path.c_str());
        if (same_memory_file) {
            // The save replaces the memory file it reads: it reads a copy.
            copy.assign(reinterpret_cast<const char *>(f->data), static_cast<size_t>(f->size));
            got = zip.open_memory(copy.data(), copy.size());
        } else {
            got = zip.open_memory(f->data, static_cast<size_t>(f->size));
        }
    } else {
        struct stat st {};
        if (::stat(src.path.c_str(), &st) != 0) return vlt_error_keep(book, rc::OPEN_FAILED, msg::E03101, src.path.c_str());
        if (static_cast<uint64_t>(st.st_size) != src.file_size || st.st_mtim.tv_sec != src.file_mtime) {
            // Another program changed the workbook since it was read: its
            // entries no longer belong to this book.
            std::string what = "vlt_update_excel2007() " + src.path + " changed since it was read";
            return vlt_error_keep(book, rc::GENERAL, msg::E03600, what.c_str());
        }
        got = zip.open_file(src.path);
    }
    if (got != 0) {
        std::string what = "vlt_update_excel2007() " + zip.error();
        return vlt_error_keep(book, got == ZIPREAD_ERR_MEMORY ? rc::NO_MEMORY : rc::READ_FAILED, msg::E03600, what.c_str());
    }
    return rc::OK;
}

int update_package(Book *book, const std::string &path, bool in_memory) {
    Model &m = book->model;
    const SourcePackage &src = *m.source;
    ZipReader zip;
    std::string copy;
    if (int got = open_source(book, src, in_memory && src.memory && src.path == path, zip, copy); got != 0) return got;

    SaveContext ctx;
    ctx.book = book;
    ctx.model = &m;
    ctx.macro = book->macro_book;
    ctx.update = true;
    for (const Sheet &s : m.sheets) ctx.sheets.push_back(&s);
    ctx.objects.resize(m.sheets.size());   // a book being updated takes no new objects
    update_numfmt_ids(m, src.numfmts, ctx.numfmt_ids, ctx.numfmt_written);
    for (size_t i = static_cast<size_t>(src.numfmts); i < m.numfmts.size(); ++i)
        m.numfmts[i].id = static_cast<uint16_t>(ctx.numfmt_ids[i]);
    ZipTime time;
    save_times(time, ctx.timestamp);

    Updater updater(book, ctx, zip);
    updater.prepare();
    const std::vector<Job> jobs = updater.jobs();

    int rc;
    {
        SaveFile out(book, path, in_memory);
        if (out.target().empty()) return vlt_error_keep(book, rc::WRITE_FAILED, msg::E03121, path.c_str());
        ZipArchive archive;
        rc = archive.open(out.target(), in_memory ? &book->files : nullptr);
        std::string what;
        if (rc == 0) rc = run_jobs(jobs, archive, time, what);
        if (rc == rc::GENERAL && !what.empty()) vlt_error_keep(book, rc::GENERAL, msg::E03600, what.c_str());
        if (rc == rc::READ_FAILED) {
            std::string why = "vlt_update_excel2007() " + zip.error();
            vlt_error_keep(book, rc::GENERAL, msg::E03600, why.c_str());
            rc = rc::GENERAL;
        }
        if (rc == 0) rc = archive.close();
        else archive.abandon();
        if (rc == 0) rc = out.commit();
    }
    if (rc != 0 && !copy.empty()) {
        // The memory package the book was read from is put back for a retry.
        MFILE *f = mopen(book->files, src.path.c_str(), "wb");
        if (f) {
            mwrite(copy.data(), 1, copy.size(), f);
            mclose(f);
        }
    }
    return rc;
}

} // namespace

int vlt_update_excel2007(Book *book, const char *path, SaveTarget target) {
    if (!book || !path || !*path) return rc::GENERAL;
    if (!book->model.source) return vlt_create_excel2007(book, path, target);
    // Parts written anew would not match a Strict package's own.
    if (book->model.source->strict) {
        const std::string what = book->model.source->path + ": Strict Open XML is read, not written";
        return vlt_error_keep(book, rc::UNSUPPORTED, msg::E00900, what.c_str());
    }
    try {
        // Formulas are computed again when anything was written; their
        // results may then change on any sheet that holds formulas.
        std::string notice;
        auto &sheets = book->model.sheets;
        const bool written = std::any_of(sheets.begin(), sheets.end(),
                                         [](const Sheet &s) { return s.changed || s.copied_from >= 0; });
        if (written && book->recalc) {
            const bool had_message = book->diag.recorded;
            formula::vlt_evaluate_formulas(*book);
            if (!had_message && book->diag.recorded) {
                notice = book->diag.message;
                book->diag.begin_call();
            }
            for (Sheet &s : sheets)
                for (size_t r = 0; r < s.rows.size() && !s.changed; ++r)
                    for (const Cell &c : s.rows[r].cells)
                        if (c.kind == CELL_FORMULA || c.kind == CELL_FORMULA2) {
                            s.changed = true;
                            break;
                        }
        }
        int rc = update_package(book, path, target == SaveTarget::Memory);
        if (rc == rc::OK && !notice.empty()) vlt_error(book, rc::OK, "%s", notice.c_str());
        return rc;
    } catch (const Failure &f) {
        if (f.rc == rc::NO_MEMORY) return rc::NO_MEMORY;
        return vlt_error_keep(book, f.rc == rc::OPEN_FAILED ? rc::OPEN_FAILED : rc::GENERAL, msg::E03600, f.what.c_str());
    } catch (const std::bad_alloc &) {
        return rc::NO_MEMORY;
    } catch (...) {
        return vlt_error_keep(book, rc::GENERAL, msg::E03600, "vlt_update_excel2007()");
    }
}

} // namespace vel
