// The packager: decides which parts a book's package holds, produces them in
// zip order and writes the zip. Parts are produced on two threads (each part
// streamed through its own compressor); the zip receives them in order.
#include "xlsx/writer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "core/messages.h"
#include "core/status.h"
#include "io/mfile.h"
#include "io/picture.h"
#include "model/book.h"
#include "xlsx/package.h"
#include "xlsx/part_deflater.h"
#include "xlsx/vba/vba_project.h"
#include "xlsx/zip_archive.h"

namespace vel {

namespace {

// One zip entry to produce: XML streamed by a part writer, or binary bytes.
struct Job {
    std::string name;
    std::function<void(XmlWriter &)> xml;
    const std::vector<uint8_t> *bytes = nullptr;
    std::function<std::vector<uint8_t>()> make_bytes;
};

CompressedPart produce(const Job &job, PartDeflater &deflater) {
    if (job.xml) {
        deflater.begin();
        XmlWriter w(deflater);
        job.xml(w);
        w.flush();
        return deflater.finish();
    }
    if (job.bytes) return compress_bytes(deflater, job.bytes->data(), job.bytes->size());
    std::vector<uint8_t> bytes = job.make_bytes();
    return compress_bytes(deflater, bytes.data(), bytes.size());
}

int failure_code(std::exception_ptr e, std::string &what) {
    try {
        std::rethrow_exception(e);
    } catch (const std::bad_alloc &) {
        return -2;
    } catch (const std::exception &x) {
        what = x.what();
        return -1;
    } catch (...) {
        return -1;
    }
}

// Produces the jobs on this thread and one worker, and adds them to the zip
// in job order. At most LOOKAHEAD finished parts wait for their turn.
int run_jobs(const std::vector<Job> &jobs, ZipArchive &zip, const ZipTime &time, std::string &what) {
    constexpr size_t LOOKAHEAD = 8;
    const size_t n = jobs.size();
    std::vector<std::optional<CompressedPart>> done(n);
    std::mutex mu;
    std::condition_variable cv;
    size_t next = 0, written = 0;
    int error = 0;

    auto take = [&](std::unique_lock<std::mutex> &) -> std::optional<size_t> {
        if (error || next >= n || next >= written + LOOKAHEAD) return std::nullopt;
        return next++;
    };
    auto work = [&](size_t i, PartDeflater &deflater, std::unique_lock<std::mutex> &lk) {
        lk.unlock();
        std::optional<CompressedPart> part;
        int rc = 0;
        std::string text;
        try {
            part = produce(jobs[i], deflater);
        } catch (...) {
            rc = failure_code(std::current_exception(), text);
            if (!text.empty()) text = jobs[i].name + ": " + text;
        }
        lk.lock();
        if (rc && !error) {
            error = rc;
            what = text;
        }
        if (part) done[i] = std::move(part);
        cv.notify_all();
    };

    std::thread worker([&] {
        try {
            PartDeflater deflater;
            std::unique_lock<std::mutex> lk(mu);
            for (;;) {
                cv.wait(lk, [&] { return error || next >= n || next < written + LOOKAHEAD; });
                std::optional<size_t> i = take(lk);
                if (!i) break;
                work(*i, deflater, lk);
            }
        } catch (...) {
            std::lock_guard<std::mutex> lk(mu);
            if (!error) error = -2;
            cv.notify_all();
        }
    });

    // The worker must be joined however this thread's part ends.
    try {
        PartDeflater deflater;
        std::unique_lock<std::mutex> lk(mu);
        for (;;) {
            while (!error && written < n && done[written]) {
                CompressedPart part = std::move(*done[written]);
                done[written].reset();
                lk.unlock();
                int rc = zip.add(jobs[written].name.c_str(), part, time);
                lk.lock();
                if (rc && !error) error = rc;
                ++written;
                cv.notify_all();
            }
            if (error || written == n) break;
            if (std::optional<size_t> i = take(lk)) {
                work(*i, deflater, lk);
                continue;
            }
            cv.wait(lk);
        }
        cv.notify_all();
    } catch (...) {
        std::string text;
        int rc = failure_code(std::current_exception(), text);
        std::lock_guard<std::mutex> lk(mu);
        if (!error) error = rc;
        cv.notify_all();
    }
    worker.join();
    return error;
}

// Local date and time for the zip entries; UTC W3CDTF for the properties.
void save_times(ZipTime &zt, std::string &utc) {
    std::time_t now = std::time(nullptr);
    std::tm local{}, gm{};
    localtime_r(&now, &local);
    gmtime_r(&now, &gm);
    zt = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", gm.tm_year + 1900, gm.tm_mon + 1,
                  gm.tm_mday, gm.tm_hour, gm.tm_min, gm.tm_sec);
    utc = buf;
}

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
        jobs.push_back(Job{std::move(name), std::move(f), nullptr, {}});
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
                           [s] { return printer_settings(*s); }});
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
                           ctx.media[m].bytes, {}});
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
        jobs.push_back(Job{std::string("docProps/thumbnail.") + picture_extension(ctx.thumbnail_kind), {}, thumbnail, {}});
    if (vba) jobs.push_back(Job{"xl/vbaProject.bin", {}, vba, {}});
    return jobs;
}

// Temporary file beside `path` for a disk save; empty when none can be made.
std::string make_temp_beside(const std::string &path) {
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return {};
    // The finished file gets the ordinary permissions of a new file.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return temp;
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

    std::string target = path;
    if (!in_memory) {
        target = make_temp_beside(path);
        if (target.empty()) return vlt_error_keep(book, rc::WRITE_FAILED, msg::E03121, path.c_str());
    }
    // Whatever ends the save early (a failure, or an exception on its way
    // out), the unfinished package is removed; only a complete one stays.
    struct Unfinished {
        Book *book;
        const std::string &target;
        bool in_memory;
        bool done = false;
        ~Unfinished() {
            if (done) return;
            if (in_memory) mdelete(book->files, target.c_str());
            else std::remove(target.c_str());
        }
    } unfinished{book, target, in_memory};
    ZipArchive zip;
    int rc = zip.open(target, in_memory ? &book->files : nullptr);
    std::string what;
    if (rc == 0) rc = run_jobs(jobs, zip, time, what);
    if (rc == rc::GENERAL && !what.empty()) vlt_error_keep(book, rc::GENERAL, msg::E03600, what.c_str());
    if (rc == 0) rc = zip.close();
    else zip.abandon();
    if (rc == 0 && !in_memory && std::rename(target.c_str(), path.c_str()) != 0) rc = rc::WRITE_FAILED;
    if (rc == 0) unfinished.done = true;
    else if (rc == rc::WRITE_FAILED || rc == rc::OPEN_FAILED) vlt_error_keep(book, rc, msg::E03121, path.c_str());
    return rc;
}

} // namespace

int vlt_create_excel2007(Book *book, const char *path, SaveTarget target) {
    if (!book || !path || !*path) return rc::GENERAL;
    try {
        return save_package(book, path, target == SaveTarget::Memory);
    } catch (const std::bad_alloc &) {
        return rc::NO_MEMORY;
    } catch (...) {
        return vlt_error_keep(book, rc::GENERAL, msg::E03600, "vlt_create_excel2007()");
    }
}

} // namespace vel
