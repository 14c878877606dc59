// The .xls reader's sink into the book: sheets in tab order, number formats
// and cell formats in file order, shared strings, and cells typed by the
// format of their cell format.
#include "xls/book_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <unordered_map>
#include <vector>

#include "core/messages.h"
#include "core/status.h"
#include "io/mfile.h"
#include "model/cellvalue.h"
#include "model/numfmt.h"
#include "model/store.h"
#include "xls/decoder.h"

namespace vel {

namespace {

// A read-only view of a file's bytes: mapped from disk, or a memory file's.
class Image {
public:
    ~Image() {
        if (map_) ::munmap(map_, size_);
    }
    // 0, or rc::OPEN_FAILED.
    int map_file(const std::string &path) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return rc::OPEN_FAILED;
        struct stat st {};
        int result = rc::OK;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            result = rc::OPEN_FAILED;
        } else if (st.st_size > 0) {
            void *p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (p == MAP_FAILED) {
                result = rc::OPEN_FAILED;
            } else {
                map_ = p;
                size_ = static_cast<size_t>(st.st_size);
                data_ = static_cast<const uint8_t *>(p);
                ::madvise(p, size_, MADV_SEQUENTIAL);
            }
        }
        ::close(fd);
        return result;
    }
    void use(const uint8_t *data, size_t size) {
        data_ = data;
        size_ = size;
    }
    const uint8_t *data() const { return data_; }
    size_t size() const { return size_; }
    // Gives the pages of a mapped range back; they are not read again.
    void release(const uint8_t *p, size_t n) const {
        if (!map_ || n == 0) return;
        const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
        uintptr_t first = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
        uintptr_t last = (reinterpret_cast<uintptr_t>(p) + n) & ~(page - 1);
        if (last > first) ::madvise(reinterpret_cast<void *>(first), last - first, MADV_DONTNEED);
    }

private:
    void *map_ = nullptr;
    const uint8_t *data_ = nullptr;
    size_t size_ = 0;
};

class ModelSink : public xls::Sink {
public:
    ModelSink(Book &book, const Image &image, const std::vector<cfb::Extent> &runs)
        : m_(book.model), image_(image), runs_(runs) {}

    void workbook(const xls::WorkbookInfo &info) override { m_.settings.date1904 = info.date1904; }

    void sheet(const xls::SheetInfo &info) override {
        Sheet s;
        // A name longer than a sheet name can be is left empty.
        if (info.name.size() <= static_cast<size_t>(XLS_SHEET_LEN)) s.name.assign(info.name);
        s.number = static_cast<int32_t>(m_.sheets.size());
        s.sw_hidden = info.visibility == xls::Visibility::visible ? VXLS_OFF : VXLS_ON;
        s.very_hidden = info.visibility == xls::Visibility::very_hidden;
        s.sheet_kind = static_cast<uint8_t>(info.kind);
        if (sheet_of_.size() <= info.index) sheet_of_.resize(info.index + 1, -1);
        sheet_of_[info.index] = static_cast<int>(m_.sheets.size());
        m_.sheets.push_back(std::move(s));
        m_.sheet_capacity = static_cast<int32_t>(m_.sheets.capacity());
    }

    void number_format(uint16_t id, std::string_view code) override {
        NumFmt nf;
        nf.key = static_cast<uint16_t>(format_key_of_code(code));
        nf.id = id;
        nf.code.assign(code);
        m_.numfmts.push_back(std::move(nf));
        format_index_[id] = static_cast<int>(m_.numfmts.size());
    }

    void xf(const xls::XfInfo &info) override {
        Xf x;
        if (auto it = format_index_.find(info.format); it != format_index_.end()) {
            x.nf_mode = 1;
            x.numfmt = it->second;
        } else {
            x.numfmt = info.format;
        }
        m_.xfs.push_back(x);
        xf_kind_.push_back(style_format_class(m_, static_cast<int>(m_.xfs.size())).kind);
    }

    void shared_string(std::string_view text) override { m_.sst.push_back(text); }

    void cell(const xls::CellEvent &ev) override {
        Sheet *s = sheet(ev.sheet);
        if (!s) return;
        Cell *c = ensure_cell(*s, ev.row, ev.col);
        if (!c) return out_of_memory();
        const uint16_t style = ev.xf < m_.xfs.size() ? static_cast<uint16_t>(ev.xf + 1) : 0;
        switch (ev.kind) {
        case xls::ValueKind::number:
            store_read_number(*c, ev.number, ev.xf < xf_kind_.size() ? xf_kind_[ev.xf] : uint8_t{CELL_DECIMAL}, style);
            break;
        case xls::ValueKind::text:
            c->kind = CELL_SHARED_TEXT;
            c->aux = 0;
            c->num = static_cast<int32_t>(m_.sst.size());
            c->style = style;
            m_.sst.push_back(ev.text);
            break;
        case xls::ValueKind::shared_string:
            c->kind = CELL_SHARED_TEXT;
            c->aux = 0;
            c->num = static_cast<int32_t>(ev.sst);
            c->style = style;
            break;
        case xls::ValueKind::boolean:
            store_read_bool(*c, ev.code != 0, style);
            break;
        case xls::ValueKind::error:
            store_read_error(*c, ev.code, style);
            break;
        case xls::ValueKind::blank:
            c->kind = CELL_EMPTY;
            c->aux = 0;
            c->style = style;
            break;
        }
    }

    void merge(const xls::MergeInfo &mi) override {
        if (Sheet *s = sheet(mi.sheet)) s->merges.push_back(Range{mi.first_row, mi.first_col, mi.last_row, mi.last_col});
    }

    void column(const xls::ColumnInfo &ci) override {
        Sheet *s = sheet(ci.sheet);
        if (!s || ci.width == 0) return;
        if (s->widths.size() <= ci.last) s->widths.resize(static_cast<size_t>(ci.last) + 1, 0.0);
        for (int c = ci.first; c <= ci.last; ++c) s->widths[c] = ci.width / 256.0;
        s->used_cols = std::max<int32_t>(s->used_cols, ci.last + 1);
        s->sw_widths = VXLS_ON;
    }

    void row(const xls::RowInfo &ri) override {
        Sheet *s = sheet(ri.sheet);
        if (!s || (!ri.custom_height && !ri.hidden)) return;
        Row *r = ensure_row(*s, ri.row);
        if (!r) return out_of_memory();
        if (ri.custom_height) r->height = static_cast<uint16_t>(std::min<int>(ri.height * 5, 65534));
        if (ri.hidden) r->sw[0] = VXLS_ON;
    }

    void window(const xls::WindowInfo &wi) override {
        Sheet *s = sheet(wi.sheet);
        if (!s) return;
        s->zoom = wi.zoom;
        if (!wi.show_grid) s->sw_hidden_grid = VXLS_ON;
    }

    // The stream's bytes before the offset are given back to the system.
    void stream_consumed(uint64_t offset) override {
        while (released_ < runs_.size()) {
            const cfb::Extent &e = runs_[released_];
            const uint64_t run_end = run_start_ + e.size;
            const uint64_t upto = std::min<uint64_t>(offset, run_end);
            if (upto > run_start_ + run_done_) {
                image_.release(e.data + run_done_, static_cast<size_t>(upto - run_start_ - run_done_));
                run_done_ = upto - run_start_;
            }
            if (offset < run_end) break;
            run_start_ = run_end;
            run_done_ = 0;
            ++released_;
        }
    }

private:
    Sheet *sheet(uint32_t index) {
        if (index >= sheet_of_.size() || sheet_of_[index] < 0) return nullptr;
        return &m_.sheets[static_cast<size_t>(sheet_of_[index])];
    }
    void out_of_memory() { fail(xls::ReadStatus{rc::NO_MEMORY, 2, "", msg::E00002}); }

    Model &m_;
    const Image &image_;
    const std::vector<cfb::Extent> &runs_;
    std::vector<int> sheet_of_;
    std::unordered_map<uint16_t, int> format_index_;
    std::vector<uint8_t> xf_kind_;
    size_t released_ = 0;      // runs wholly given back
    uint64_t run_start_ = 0;   // stream offset of the current run
    uint64_t run_done_ = 0;    // bytes of the current run given back
};

// Records what a failed read reports: the diagnostic line, and the message
// where it has one.
int failed_read(Book &book, const xls::ReadStatus &st, const std::string &path) {
    if (st.code != 0) vlt_diag(book.diag, st.code, st.code == 3000 ? std::string_view(path) : st.detail);
    switch (st.result) {
    case rc::NO_MEMORY:
        return vlt_error(&book, rc::NO_MEMORY, msg::E00002);
    case rc::UNSUPPORTED:
        return vlt_error(&book, rc::UNSUPPORTED, msg::E00900, path.c_str());
    case rc::LIMIT:
        if (!st.message.empty()) vlt_error(&book, rc::LIMIT, "%s", st.message.c_str());
        return rc::LIMIT;
    default:
        vlt_error(&book, rc::GENERAL, st.message.empty() ? msg::E03110 : "%s", st.message.c_str());
        return rc::GENERAL;
    }
}

} // namespace

int vlt_read_excel2003(Book &book, const std::string &path, bool memory) {
    Image image;
    const std::string &source = book.temp_workbook_path.empty() ? path : book.temp_workbook_path;
    if (memory && book.temp_workbook_path.empty()) {
        MFILE *f = mfind(book.files, path.c_str());
        if (!f) return failed_read(book, xls::ReadStatus{rc::OPEN_FAILED, 3000, path, ""}, path);
        image.use(f->data, static_cast<size_t>(f->size));
    } else if (image.map_file(source) != 0) {
        vlt_diag(book.diag, 3000, source);
        if (!book.temp_workbook_path.empty()) return vlt_error(&book, rc::OPEN_FAILED, msg::E03103, source.c_str());
        return rc::OPEN_FAILED;
    }
    try {
        cfb::Reader cfb;
        cfb::Status st = cfb.open(image.data(), image.size());
        if (!st.ok()) return failed_read(book, xls::ReadStatus{st.result, st.code, st.detail, ""}, path);
        int entry = cfb.find("Workbook");
        if (entry < 0) entry = cfb.find("Book");
        if (entry < 0) return failed_read(book, xls::ReadStatus{rc::GENERAL, 3110, "", ""}, path);
        std::vector<cfb::Extent> runs;
        st = cfb.extents(entry, runs);
        if (!st.ok()) return failed_read(book, xls::ReadStatus{st.result, st.code, st.detail, ""}, path);
        ModelSink sink(book, image, runs);
        xls::ReadStatus result = xls::decode_workbook_stream(runs, sink);
        if (!result.ok()) return failed_read(book, result, path);
    } catch (const std::bad_alloc &) {
        return vlt_error(&book, rc::NO_MEMORY, msg::E00002);
    }
    // The grid and the registry index see the tables as read.
    book.current_sheet = 0;
    return rc::OK;
}

} // namespace vel
