// The packager: decides which parts a book's package holds, produces them in
// zip order and writes the zip (jobs.h produces them on two threads, each
// part streamed through its own compressor).
#include "xlsx/writer.h"

#include <algorithm>
#include <cstdio>

#include "core/messages.h"
#include "core/status.h"
#include "formula/evaluator.h"
#include "io/mfile.h"
#include "model/book.h"
#include "xlsx/jobs.h"
#include "xlsx/package.h"
#include "xlsx/part_deflater.h"
#include "xlsx/vba/vba_project.h"
#include "xlsx/zip_archive.h"

namespace vel {

namespace {

bool read_whole_file(const std::string &path, std::vector<uint8_t> &out) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    uint8_t buf[16384];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    return ok;
}

// The list of parts in zip order.
std::vector<Job> package_jobs(const SaveContext &ctx, const std::vector<uint8_t> *thumbnail,
                              const std::vector<uint8_t> *vba) {
    std::vector<Job> jobs;
    auto xml = [&](std::string name, std::function<void(XmlWriter &)> f) {
        jobs.push_back(Job{std::move(name), std::move(f), nullptr, {}, {}});
    };
    const SaveContext *c = &ctx;
    xml("[Content_Types].xml", [c](XmlWriter &w) { write_content_types(*c, w); });
    xml("_rels/.rels", [c](XmlWriter &w) { write_package_rels(*c, w); });
    xml("docProps/app.xml", [c](XmlWriter &w) { write_app_props(*c, w); });
    xml("docProps/core.xml", [c](XmlWriter &w) { write_core_props(*c, w); });
    if (ctx.final_book) xml("docProps/custom.xml", [c](XmlWriter &w) { write_custom_props(*c, w); });
    xml("xl/_rels/workbook.xml.rels", [c](XmlWriter &w) { write_workbook_rels(*c, w); });
    xml("xl/theme/theme1.xml", [](XmlWriter &w) { write_theme(w); });
    xml("xl/styles.xml", [c](XmlWriter &w) { write_styles(*c, w); });
    xml("xl/workbook.xml", [c](XmlWriter &w) { write_workbook(*c, w); });
    xml("xl/sharedStrings.xml", [c](XmlWriter &w) { write_shared_strings(*c, w); });
    const size_t n = ctx.sheets.size();
    for (size_t i = 0; i < n; ++i)
        xml("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml",
            [c, i](XmlWriter &w) { write_worksheet(*c, i, w); });
    for (size_t i = 0; i < n; ++i) {
        xml("xl/worksheets/_rels/sheet" + std::to_string(i + 1) + ".xml.rels",
            [c, i](XmlWriter &w) { write_sheet_rels(*c, i, w); });
        const Sheet *s = ctx.sheets[i];
        jobs.push_back(Job{"xl/printerSettings/printerSettings" + std::to_string(i + 1) + ".bin", {}, nullptr,
                           [s] { return printer_settings(*s); }, {}});
    }
    if (thumbnail) jobs.push_back(Job{"docProps/thumbnail.jpeg", {}, thumbnail, {}, {}});
    if (vba) jobs.push_back(Job{"xl/vbaProject.bin", {}, vba, {}, {}});
    return jobs;
}

int save_package(Book *book, const std::string &path, bool in_memory) {
    Model &m = model(book);
    SaveContext ctx;
    ctx.book = book;
    ctx.model = &m;
    ctx.macro = book->macro_book;
    ctx.final_book = book->final_book;
    ctx.backup = book->backup;

    // A book without sheets is saved with three empty ones.
    std::vector<Sheet> defaults;
    if (m.sheets.empty()) {
        defaults.resize(3);
        for (int i = 0; i < 3; ++i) defaults[i].name = "Sheet" + std::to_string(i + 1);
        for (const Sheet &s : defaults) ctx.sheets.push_back(&s);
    } else {
        for (const Sheet &s : m.sheets) ctx.sheets.push_back(&s);
        if (book->sheet_order_desc) std::reverse(ctx.sheets.begin(), ctx.sheets.end());
    }

    const std::vector<uint8_t> *vba = nullptr;
    if (ctx.macro) {
        vba = &vba_project_bin();
        if (vba->empty())
            return vlt_error_keep(book, rc::GENERAL, msg::E03600, "vlt_create_excel2007() vbaProject.bin");
    }
    std::vector<uint8_t> thumbnail;
    if (!m.settings.thumbnail.empty()) {
        if (!read_whole_file(m.settings.thumbnail, thumbnail))
            return vlt_error_keep(book, rc::OPEN_FAILED, msg::E03102, m.settings.thumbnail.c_str());
        ctx.thumbnail = true;
    }

    ZipTime time;
    save_times(time, ctx.timestamp);
    assign_numfmt_ids(m, ctx.numfmt_ids, ctx.numfmt_written);
    for (size_t i = 0; i < m.numfmts.size(); ++i) m.numfmts[i].id = static_cast<uint16_t>(ctx.numfmt_ids[i]);
    const std::vector<Job> jobs = package_jobs(ctx, ctx.thumbnail ? &thumbnail : nullptr, vba);

    SaveFile out(book, path, in_memory);
    if (out.target().empty()) return vlt_error_keep(book, rc::WRITE_FAILED, msg::E03121, path.c_str());
    ZipArchive zip;
    int rc = zip.open(out.target(), in_memory ? &book->files : nullptr);
    std::string what;
    if (rc == 0) rc = run_jobs(jobs, zip, time, what);
    if (rc == rc::GENERAL && !what.empty()) vlt_error_keep(book, rc::GENERAL, msg::E03600, what.c_str());
    if (rc == 0) rc = zip.close();
    else zip.abandon();
    if (rc == 0) rc = out.commit();
    if (rc == rc::WRITE_FAILED || rc == rc::OPEN_FAILED) vlt_error_keep(book, rc, msg::E03121, path.c_str());
    return rc;
}

} // namespace

int vlt_create_excel2007(Book *book, const char *path, SaveTarget target) {
    if (!book || !path || !*path) return rc::GENERAL;
    try {
        // Formulas are computed before anything is written. One that cannot
        // be computed leaves the book to recalculate on opening and its
        // message is the save's notice, unless the save fails with its own.
        const bool had_message = book->diag.recorded;
        formula::vlt_evaluate_formulas(*book);
        std::string notice;
        if (!had_message && book->diag.recorded) {
            notice = book->diag.message;
            book->diag.begin_call();
        }
        int rc = save_package(book, path, target == SaveTarget::Memory);
        if (rc == rc::OK && !notice.empty()) vlt_error(book, rc::OK, "%s", notice.c_str());
        return rc;
    } catch (const std::bad_alloc &) {
        return rc::NO_MEMORY;
    } catch (...) {
        return vlt_error_keep(book, rc::GENERAL, msg::E03600, "vlt_create_excel2007()");
    }
}

} // namespace vel
