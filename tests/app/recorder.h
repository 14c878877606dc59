// Test doubles for the frame converter: a library that records every call
// and its text, and a frame source that plays a list of frames.
#pragma once
#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

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
    std::function<int(const std::string &path)> kind = default_kind;

    static int default_kind(const std::string &path);
    static std::string cell(int row, int column);

    int open_book(XLS_BOOK *book, const char *options) override;
    int open_sheet(XLS_BOOK *book, const char *options) override;
    int put_values(XLS_BOOK *book, const char *text) override;
    int cell_name(int row, int column, char *name) override;
    int close_book(XLS_BOOK *book, const char *options) override;
    int free_book(XLS_BOOK *book) override;
    int file_type(int mode, const char *path, int *type) override;

    std::vector<const Call *> named(const std::string &fn) const;
    size_t puts_ = 0;
};

// Plays `frames` one per sheet; after the last one the media has ended,
// unless `loop` is set, in which case the last frame repeats for ever.
class ListSource : public gc::FrameSource {
public:
    std::vector<gc::FramePtr> frames;
    bool loop = false;
    size_t index = 0;
    int stops = 0;
    int64_t frame_time = 1000000;

    gc::FramePtr fetch() override { return frames.empty() ? nullptr : frames[std::min(index, frames.size() - 1)]; }
    void settle() override {}
    void wait_interval(int) override { ++index; }
    bool end_of_stream() override { return !loop && index >= frames.size(); }
    int64_t position() override { return int64_t(index) * frame_time; }
    int64_t duration() override { return int64_t(frames.size()) * frame_time; }
    void stop() override { ++stops; }
};

// A frame whose pixel (x, y) is pixel(x, y) as {b, g, r}.
gc::FramePtr make_frame(int w, int h, bool bottom_up,
                        const std::function<std::array<uint8_t, 3>(int x, int y)> &pixel);

} // namespace gctest
