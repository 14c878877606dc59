// The record of one run of the frame converter and the program's run state.
// The shell fills PLAY_ARG at the drop, the player completes it, and the
// conversion thread reads it; play_state is written by the user-interface
// thread and polled by the conversion thread between sheets.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "velmora.h"

namespace gc {

class FrameSource;

constexpr int PLAY_PATH_UNITS = 256;   // UTF-16 units including the terminator
constexpr int OUT_NAME_BYTES = 512;

constexpr int COLOR_MODE_COLOR = 1;
constexpr int COLOR_MODE_GRAY = 2;

constexpr int RESULT_OK = 0;
constexpr int RESULT_FAILED = -1;
constexpr int RESULT_REFUSED = -101;   // input refused; its message was already shown

// Values of play_state.
constexpr int32_t STATE_IDLE = 0;
constexpr int32_t STATE_PLAYING = 1;
constexpr int32_t STATE_CONVERTING = 2;
constexpr int32_t STATE_STOP = 3;

struct PLAY_ARG {
    char16_t path[PLAY_PATH_UNITS] = {};  // the dropped file, UTF-16, terminated
    int color_mode = COLOR_MODE_COLOR;     // 1 colour, 2 grayscale
    double speed = 1.0;                    // playback speed factor, 0.5 to 1.5
    int ratio = 4;                         // pixel step: 1, 2, 4 or 8
    int zoom = 20;                         // sheet zoom in percent
    int interval_ms = 50;                  // pause between two sheets
    int max_sheets = 1000;                 // 1 to 1000 (30 in a test run)
    int result = RESULT_OK;                // 0, -1 or -101
    int sound_off = 0;                     // -1 mute, 0 sound
    int is_video = -1;                     // -1 video, 0 still image
    FrameSource *source = nullptr;         // the prepared player
    int video_width = 0;                   // W and H of the frames the player delivers
    int video_height = 0;
    int64_t duration = 0;                  // 100-ns units
    int media_kind = -1;                   // kind code of vel_file_type, or -1
    XLS_BOOK *book = nullptr;              // the application's book record
    char out_name[OUT_NAME_BYTES] = {};    // the workbook written, UTF-8
};

extern std::atomic<int32_t> play_state;

// Stores a path into PLAY_ARG::path. Returns false (path left empty) when it
// does not fit with its terminator.
bool set_play_path(PLAY_ARG &arg, std::u16string_view path);
std::u16string_view play_path(const PLAY_ARG &arg);

// UTF-16 <-> UTF-8; unpaired surrogates and malformed bytes become U+FFFD.
std::string to_utf8(std::u16string_view text);
std::u16string to_utf16(std::string_view text);

} // namespace gc
