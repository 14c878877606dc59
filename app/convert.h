// Frame-to-workbook conversion: the property texts sent for every sheet,
// the colour quantisation, the output name, and the save.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "library.h"
#include "play_arg.h"

namespace gc {

constexpr size_t TEXT_BUFFER_BYTES = 1048577;  // one property text
constexpr size_t ROW_TEXT_LIMIT = 1048476;     // a row text this long is refused

struct Rgb {
    uint8_t r, g, b;
};

// The fill colour of a pixel: colour mode clears the three low bits of each
// channel, grayscale takes (b + g + r) / 3 for all three, any other mode
// keeps the pixel.
constexpr Rgb quantise(uint8_t b, uint8_t g, uint8_t r, int color_mode)
{
    if (color_mode == COLOR_MODE_COLOR)
        return {uint8_t(r & 0xF8), uint8_t(g & 0xF8), uint8_t(b & 0xF8)};
    if (color_mode == COLOR_MODE_GRAY) {
        uint8_t v = uint8_t((b + g + r) / 3);
        return {v, v, v};
    }
    return {r, g, b};
}

// The workbook written for an input: the extension of the file name (a '.'
// after its first character) is replaced by .xlsm for a video or .xlsx for a
// still image; a name without one gets it appended. The result never equals
// the input.
std::string output_name(std::string_view input, bool is_video);

struct ConvertHooks {
    std::function<void(int sheet)> on_sheet;       // sheet i + 1 is being written
    std::function<void(int percent)> on_progress;  // playback advanced to a new percentage
    std::function<void()> on_complete;             // normal end: progress to 100
    const std::atomic<bool> *abort = nullptr;      // the program is closing
    std::string output;                            // workbook name chosen by the caller, if any
};

struct ConvertReport {
    int sheets = 0;                      // sheets opened in the book
    int64_t cells = 0;                   // fill items accepted by the library
    int distinct_colours = 0;
    bool overflow = false;               // a row came back -909: saved with the sheets so far
    bool fatal = false;                  // the program ends (-1) after showing `messages`
    std::vector<std::string> messages;   // the thread's own messages, to be shown in order
    std::string detail;                  // why it failed (library message or our own)
};

// The conversion thread's work: opens the book, writes one sheet per frame
// taken from arg.source until max_sheets, a stop request (state 3), the end
// of the media, a still image's first sheet, or a failure. Sets arg.result
// (0 or -1) and arg.out_name. The source is stopped on every way out.
ConvertReport convert_thread(PLAY_ARG &arg, Library &lib, const std::atomic<int32_t> &state,
                             const ConvertHooks &hooks);

// Saves and closes the book; returns the library's code.
int save_thread(Library &lib, XLS_BOOK *book);

// Frees a book that was opened but is not going to be saved.
void discard_book(Library &lib, XLS_BOOK *book);

} // namespace gc
