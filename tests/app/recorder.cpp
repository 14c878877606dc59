#include "recorder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <strings.h>

namespace gctest {

int Recorder::default_kind(const std::string &path)
{
    auto dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (auto &c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "png") return 203;
    if (ext == "jpg" || ext == "jpeg") return 202;
    if (ext == "bmp") return 201;
    if (ext == "avi") return 401;
    if (ext == "mpg") return 402;
    if (ext == "wmv") return 403;
    return -1;
}

std::string Recorder::cell(int row, int column)
{
    std::string letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters + std::to_string(row);
}

int Recorder::open_book(XLS_BOOK *book, const char *options)
{
    calls.push_back({"open_book", options, book->macro_book});
    if (open_rc != 0) {
        std::strcpy(book->error_info, "VXLS-test open refused");
        return open_rc;
    }
    book->env = this;
    book->macro_book = VXLS_OFF;
    return 0;
}

int Recorder::open_sheet(XLS_BOOK *book, const char *options)
{
    calls.push_back({"open_sheet", options, book->macro_book});
    return 0;
}

int Recorder::put_values(XLS_BOOK *book, const char *text)
{
    calls.push_back({"put_values", text, book->macro_book});
    size_t n = puts_++;
    return put_rc ? put_rc(n, text, book) : 0;
}

int Recorder::cell_name(int row, int column, char *name)
{
    if (row < 1 || column < 1 || column > 16384)
        return -3;
    std::strcpy(name, cell(row, column).c_str());
    return 0;
}

int Recorder::close_book(XLS_BOOK *book, const char *options)
{
    calls.push_back({"close_book", options, book->macro_book});
    if (close_rc == 0)
        book->env = nullptr;
    return close_rc;
}

int Recorder::free_book(XLS_BOOK *book)
{
    calls.push_back({"free_book", "", book->macro_book});
    book->env = nullptr;
    return 0;
}

int Recorder::file_type(int, const char *path, int *type)
{
    *type = kind(path);
    return 0;
}

std::vector<const Call *> Recorder::named(const std::string &fn) const
{
    std::vector<const Call *> out;
    for (const Call &c : calls)
        if (c.fn == fn)
            out.push_back(&c);
    return out;
}

gc::FramePtr make_frame(int w, int h, bool bottom_up,
                        const std::function<std::array<uint8_t, 3>(int x, int y)> &pixel)
{
    auto f = std::make_shared<gc::Frame>();
    f->width = w;
    f->height = h;
    f->stride = gc::stride_for(w);
    f->bottom_up = bottom_up;
    f->bytes.assign(size_t(f->stride) * size_t(h), 0xEE);
    for (int y = 0; y < h; ++y) {
        uint8_t *row = f->bytes.data() + size_t(bottom_up ? h - 1 - y : y) * size_t(f->stride);
        for (int x = 0; x < w; ++x) {
            auto p = pixel(x, y);
            std::memcpy(row + x * 3, p.data(), 3);
        }
    }
    return f;
}

} // namespace gctest
