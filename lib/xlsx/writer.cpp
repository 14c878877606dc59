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
#include "io/picture.h"
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
    // The objects: drawings with their relationships, charts, pictures,
    // comments with their note boxes, tables.
    for (size_t i = 0; i < n; ++i) {
        const SheetObjects &o = ctx.objects[i];
        if (!o.drawing) continue;
        const std::string number = std::to_string(o.drawing);
        xml("xl/drawings/_rels/drawing" + number + ".xml.rels", [c, i](XmlWriter &w) { write_drawing_rels(*c, i, w); });
        xml("xl/drawings/drawing" + number + ".xml", [c, i](XmlWriter &w) { write_drawing(*c, i, w); });
    }
    for (size_t i = 0; i < n; ++i) {
        const Sheet *s = ctx.sheets[i];
        for (size_t k = 0; k < s->charts.size(); ++k) {
            const Chart *chart = &s->charts[k];
            xml("xl/charts/chart" + std::to_string(ctx.objects[i].first_chart + static_cast<int>(k)) + ".xml",
                [c, s, chart](XmlWriter &w) { write_chart(*c, *s, *chart, w); });
        }
    }
    for (size_t m = 0; m < ctx.media.size(); ++m)
        jobs.push_back(Job{"xl/media/image" + std::to_string(m + 1) + "." + picture_extension(ctx.media[m].kind), {},
                           ctx.media[m].bytes, {}, {}});
    for (size_t i = 0; i < n; ++i) {
        const int part = ctx.objects[i].comments;
        if (!part) continue;
        const Sheet *s = ctx.sheets[i];
        xml("xl/comments" + std::to_string(part) + ".xml", [c, s](XmlWriter &w) { write_comments(*c, *s, w); });
        xml("xl/drawings/vmlDrawing" + std::to_string(part) + ".vml",
            [c, s, part](XmlWriter &w) { write_vml(*c, *s, part, w); });
    }
    for (size_t i = 0; i < n; ++i) {
        const Sheet *s = ctx.sheets[i];
        for (size_t k = 0; k < s->tables.size(); ++k) {
            const int number = ctx.objects[i].first_table + static_cast<int>(k);
            const Table *t = &s->tables[k];
            xml("xl/tables/table" + std::to_string(number) + ".xml",
                [c, s, t, number](XmlWriter &w) { write_table(*c, *s, *t, number, w); });
        }
    }
    if (thumbnail)
        jobs.push_back(Job{std::string("docProps/thumbnail.") + picture_extension(ctx.thumbnail_kind), {}, thumbnail, {}, {}});
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
    if (m.settings.thumbnail.kind) {
        if (!read_whole_file(m.settings.thumbnail.path, thumbnail))
            return vlt_error_keep(book, rc::OPEN_FAILED, msg::E03102, m.settings.thumbnail.path.c_str());
        ctx.thumbnail = true;
        ctx.thumbnail_kind = m.settings.thumbnail.kind;
    }
    // The pictures placed from files are read now: a file that went away
    // since it was placed fails the save with its name.
    std::vector<std::vector<uint8_t>> file_bytes;
    for (const Sheet *s : ctx.sheets) {
        if (s->background.kind) {
            file_bytes.emplace_back();
            if (!read_whole_file(s->background.path, file_bytes.back()))
                return vlt_error_keep(book, rc::OPEN_FAILED, msg::E03102, s->background.path.c_str());
        }
        for (const Picture &p : s->pictures) {
            if (p.path.empty()) continue;
            file_bytes.emplace_back();
            if (!read_whole_file(p.path, file_bytes.back()))
                return vlt_error_keep(book, rc::OPEN_FAILED, msg::E03102, p.path.c_str());
        }
    }
    plan_objects(ctx, file_bytes);

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
