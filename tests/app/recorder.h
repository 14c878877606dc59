// Test doubles for the frame converter: a library recording every call, a source playing a list of frames.
#pragma once
#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QImage>

#include "frame.h"
#include "library.h"

namespace gctest {

struct Call {
    std::string fn;
    std::string text;
    int macro_book = -1;  // the book's macro flag when the call was made
};

class Recorder : public gc::Library {
public:
    std::vector<Call> calls;
    int open_rc = 0;
    int close_rc = 0;
    // Result of the n-th put_values call (0-based); 0 when not set.
    std::function<int(size_t n, const std::string &text, XLS_BOOK *book)> put_rc;

    static std::string cell(int row, int column)
    {
        std::string letters;
        for (int c = column; c > 0; c = (c - 1) / 26)
            letters.insert(letters.begin(), char('A' + (c - 1) % 26));
        return letters + std::to_string(row);
    }

    std::vector<const Call *> named(const std::string &fn) const
    {
        std::vector<const Call *> out;
        for (const Call &c : calls)
            if (c.fn == fn)
                out.push_back(&c);
        return out;
    }

    int open_book(XLS_BOOK *book, const char *options) override
    {
        record("open_book", options, book);
        if (open_rc != 0)
            return open_rc;
        book->env = this;
        book->macro_book = VXLS_OFF;
        return 0;
    }

    int open_sheet(XLS_BOOK *book, const char *options) override { return record("open_sheet", options, book); }

    int put_values(XLS_BOOK *book, const char *text) override
    {
        record("put_values", text, book);
        return put_rc ? put_rc(named("put_values").size() - 1, text, book) : 0;
    }

    int cell_name(int row, int column, char *name) override
    {
        std::strcpy(name, cell(row, column).c_str());
        return 0;
    }

    int close_book(XLS_BOOK *book, const char *options) override
    {
        record("close_book", options, book);
        if (close_rc == 0)
            book->env = nullptr;
        return close_rc;
    }

    int free_book(XLS_BOOK *book) override
    {
        record("free_book", "", book);
        book->env = nullptr;
        return 0;
    }

    // The library's kinds of the extensions it accepts, -1 for the others.
    int file_type(int, const char *path, int *type) override
    {
        static const std::map<std::string, int> kinds = {{"png", 203}, {"jpg", 202}, {"jpeg", 202}, {"bmp", 201},
                                                         {"avi", 401}, {"mpg", 402}, {"wmv", 403}};
        std::string ext = std::strrchr(path, '.') ? std::strrchr(path, '.') + 1 : "";
        for (char &c : ext)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        *type = kinds.count(ext) ? kinds.at(ext) : -1;
        return 0;
    }

private:
    int record(const char *fn, const char *text, const XLS_BOOK *book)
    {
        calls.push_back({fn, text, book->macro_book});
        return 0;
    }
};

// Plays `frames` a second apart, one per sheet; then the media ends, or with `loop` the last one repeats.
class ListSource : public gc::FrameSource {
public:
    std::vector<gc::FramePtr> frames;
    bool loop = false;
    size_t index = 0;
    int stops = 0;

    gc::FramePtr fetch() override { return frames.empty() ? nullptr : frames[std::min(index, frames.size() - 1)]; }
    void settle() override {}
    void wait_interval(int) override { ++index; }
    bool end_of_stream() override { return !loop && index >= frames.size(); }
    int64_t position() override { return int64_t(index) * 1000000; }
    int64_t duration() override { return int64_t(frames.size()) * 1000000; }
    void stop() override { ++stops; }
};

// A frame whose pixel (x, y) is pixel(x, y) as {b, g, r}.
inline gc::FramePtr make_frame(int w, int h, bool bottom_up,
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
        for (int x = 0; x < w; ++x)
            std::memcpy(row + x * 3, pixel(x, y).data(), 3);
    }
    return f;
}

// A small solid picture saved at `path` as `format`, whatever its name says; the path.
inline std::string save_picture(const std::string &path, const char *format = "PNG")
{
    QImage img(40, 30, QImage::Format_RGB888);
    img.fill(QColor(200, 100, 50));
    return img.save(QString::fromStdString(path), format) ? path : "";
}

} // namespace gctest
