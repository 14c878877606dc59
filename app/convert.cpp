// The conversion thread and the save thread. Every sheet gets one open-sheet
// call, the zoom, one text with the widths of all columns, and one text per
// sampled row with its height and one fill colour per sampled pixel.
#include "convert.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>

#include "frame.h"
#include "messages.h"

namespace gc {
namespace {

// Two lower-case hexadecimal digits per byte value.
struct HexTable {
    char digits[256][2];
    constexpr HexTable() : digits()
    {
        const char *hex = "0123456789abcdef";
        for (int i = 0; i < 256; ++i) {
            digits[i][0] = hex[i >> 4];
            digits[i][1] = hex[i & 15];
        }
    }
};
constexpr HexTable HEX;

void append_int(std::string &s, int v)
{
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
}

// One bit per 24-bit colour.
class ColourSet {
public:
    void add(Rgb c)
    {
        uint32_t v = (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
        uint8_t &byte = bits_[v >> 3];
        uint8_t mask = uint8_t(1u << (v & 7));
        if (!(byte & mask)) {
            byte |= mask;
            ++count_;
        }
    }
    int count() const { return count_; }

private:
    std::vector<uint8_t> bits_ = std::vector<uint8_t>(size_t(1) << 21);
    int count_ = 0;
};

constexpr const char *FILL_KEY = ".塗りつぶし.色=";
constexpr const char *WIDTH_ITEM = ".幅=2 ";
constexpr const char *HEIGHT_ITEM = ".高さ=15.75 ";

} // namespace

std::string output_name(std::string_view input, bool is_video)
{
    const std::string_view ext = is_video ? ".xlsm" : ".xlsx";
    size_t base = input.rfind('/');
    base = base == std::string_view::npos ? 0 : base + 1;
    // The extension's dot lies in the file name, after its first character.
    size_t dot = input.rfind('.');
    std::string out;
    if (dot != std::string_view::npos && dot > base)
        out = std::string(input.substr(0, dot)) + std::string(ext);
    else
        out = std::string(input) + std::string(ext);
    if (out == input)  // the input already has the workbook's extension
        out += ext;
    return out;
}

ConvertReport convert_thread(PLAY_ARG &arg, Library &lib, const std::atomic<int32_t> &state,
                             const ConvertHooks &hooks)
{
    ConvertReport rep;
    const int color_mode = arg.color_mode;
    const int ratio = arg.ratio;
    const int zoom = arg.zoom;
    const int interval_ms = arg.interval_ms;
    const int max_sheets = arg.max_sheets;
    const bool is_video = arg.is_video == -1;
    XLS_BOOK *const book = arg.book;
    FrameSource *const src = arg.source;
    arg.result = RESULT_OK;

    auto fail = [&](std::string detail) {
        arg.result = RESULT_FAILED;
        if (rep.detail.empty())
            rep.detail = std::move(detail);
        if (src)
            src->stop();
        return rep;
    };
    if (!book || !src || ratio < 1)
        return fail("the run is not prepared");

    std::string text;
    ColourSet colours;
    try {
        text.reserve(TEXT_BUFFER_BYTES);
    } catch (const std::bad_alloc &) {
        rep.fatal = true;
        rep.messages.push_back(msg::MALLOC_FAILED);
        return fail(msg::MALLOC_FAILED);
    }

    // Output name and book.
    std::string out = hooks.output.empty() ? output_name(to_utf8(play_path(arg)), is_video) : hooks.output;
    if (out.size() >= OUT_NAME_BYTES)
        return fail("output file name too long: " + out);
    if (out.find('"') != std::string::npos)
        return fail("a file name with a double quote cannot be written: " + out);
    std::memcpy(arg.out_name, out.c_str(), out.size() + 1);

    text = "CHARSET=UTF8 BOOK=\"";
    text += out;
    text += '"';
    if (lib.open_book(book, text.c_str()) != 0)
        return fail(book->error_info);
    if (is_video)
        book->macro_book = VXLS_ON;

    src->settle();
    int last_percent = progress_percent(*src);

    std::vector<std::string> columns;  // column letters, index c for column c + 1
    char name[64];
    bool end_of_media = false;
    for (int i = 0; i < max_sheets && !end_of_media; ++i) {
        if (state.load() == STATE_STOP)
            break;
        if (hooks.on_sheet)
            hooks.on_sheet(i + 1);

        FramePtr frame = src->fetch();
        if (!frame)
            return fail("no frame to convert");
        if (!frame_is_sound(*frame))
            return fail("the frame's size or stride is not usable");
        const int W = frame->width;
        const int H = frame->height;

        std::snprintf(name, sizeof name, "シート=%d MODE=CREATE", i + 1);
        if (lib.open_sheet(book, name) != 0)
            return fail(book->error_info);
        rep.sheets = i + 1;
        std::snprintf(name, sizeof name, "ズーム=%d", zoom);
        if (lib.put_values(book, name) != 0)
            return fail(book->error_info);

        // Widths of every pixel column; the column names are kept for the rows.
        if (columns.size() != size_t(W)) {
            columns.assign(size_t(W), std::string());
            for (int c = 0; c < W; ++c) {
                name[0] = 0;
                if (lib.cell_name(1, c + 1, name) != 0)
                    return fail("no cell name for column " + std::to_string(c + 1));
                size_t len = std::strlen(name);
                while (len > 0 && name[len - 1] >= '0' && name[len - 1] <= '9')
                    --len;
                columns[size_t(c)].assign(name, len);
            }
        }
        text.clear();
        for (int c = 0; c < W; ++c) {
            if (text.size() >= ROW_TEXT_LIMIT)
                return fail("the column widths do not fit in one property text");
            text += columns[size_t(c)];
            text += '1';
            text += WIDTH_ITEM;
        }
        if (lib.put_values(book, text.c_str()) != 0)
            return fail(book->error_info);

        // One text per sampled row.
        int k = 0;
        for (int y = 0; y < H; y += ratio, ++k) {
            if (hooks.abort && hooks.abort->load())
                return fail("stopped");
            const uint8_t *row = frame->row(y);
            text.clear();
            append_int(text, k + 1);
            text += HEIGHT_ITEM;
            int c = 0;
            for (int x = 0; x < W; x += ratio, ++c) {
                if (text.size() >= ROW_TEXT_LIMIT)
                    return fail("a row's property text is too long");
                const uint8_t *p = row + size_t(x) * 3;
                Rgb v = quantise(p[0], p[1], p[2], color_mode);
                colours.add(v);
                text += columns[size_t(c)];
                append_int(text, k + 1);
                text += FILL_KEY;
                text.append(HEX.digits[v.r], 2);
                text.append(HEX.digits[v.g], 2);
                text.append(HEX.digits[v.b], 2);
                text += ' ';
            }
            int rc = lib.put_values(book, text.c_str());
            if (rc == VXLS_ERR_OVERFLOW) {
                // The book is full: keep and save the sheets made so far.
                std::fprintf(stderr, msg::PUT_VALUES_OVERFLOW, rc, book->error_info);
                rep.overflow = true;
                rep.detail = book->error_info;
                rep.distinct_colours = colours.count();
                src->stop();
                return rep;
            }
            if (rc != 0) {
                if (book->error_info[0] == 0)
                    std::snprintf(book->error_info, sizeof book->error_info, msg::PUT_VALUES_RC, rc);
                return fail(book->error_info);
            }
            rep.cells += c;
        }
        rep.distinct_colours = colours.count();

        src->wait_interval(interval_ms);
        end_of_media = src->end_of_stream() || !is_video;
        int percent = progress_percent(*src);
        if (percent > last_percent) {
            if (hooks.on_progress)
                hooks.on_progress(percent);
            last_percent = percent;
        }
    }

    if (hooks.on_complete)
        hooks.on_complete();
    src->stop();
    return rep;
}

int save_thread(Library &lib, XLS_BOOK *book)
{
    char options[8];
    std::memcpy(options, "SAVE", 5);
    return lib.close_book(book, options);
}

void discard_book(Library &lib, XLS_BOOK *book)
{
    if (book && book->env)
        lib.free_book(book);
}

bool frame_is_sound(const Frame &f)
{
    if (f.width <= 0 || f.height <= 0 || f.width > MAX_FRAME_SIDE || f.height > MAX_FRAME_SIDE)
        return false;
    if (int64_t(f.width) * f.height > MAX_FRAME_PIXELS)
        return false;
    if (f.stride < f.width * 3)
        return false;
    return f.bytes.size() >= size_t(f.stride) * size_t(f.height);
}

int progress_percent(FrameSource &src)
{
    int64_t d = src.duration();
    if (d <= 0)
        return 0;
    double p = double(src.position()) / double(d) * 100.0;
    if (p < 0)
        return 0;
    return p > 100 ? 100 : int(p);
}

} // namespace gc
