// A decoded picture as the conversion reads it, and the source of frames the
// conversion samples (the real-time player, the headless sampler, a test).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace gc {

// 24-bit BGR: pixel x of a row starts at x * 3 and holds blue, green, red.
// Rows are `stride` bytes apart (a multiple of 4). A bottom-up frame keeps
// image row y (counted from the top) at (height - 1 - y) * stride, as a
// Windows DIB does; a top-down frame keeps it at y * stride.
struct Frame {
    int width = 0;
    int height = 0;
    int stride = 0;
    bool bottom_up = false;
    int64_t pts = 0;               // presentation time, 100-ns units from the start
    std::vector<uint8_t> bytes;

    const uint8_t *row(int y) const
    {
        size_t r = static_cast<size_t>(bottom_up ? height - 1 - y : y);
        return bytes.data() + r * static_cast<size_t>(stride);
    }
};

constexpr int stride_for(int width) { return (width * 3 + 3) & ~3; }

// Largest picture the program accepts, in each direction and in pixels.
constexpr int MAX_FRAME_SIDE = 16384;
constexpr int64_t MAX_FRAME_PIXELS = int64_t(64) << 20;

// True when the sizes are positive, within the limits, and the bytes hold
// every row at the stride.
bool frame_is_sound(const Frame &f);

using FramePtr = std::shared_ptr<const Frame>;

// What the conversion needs from a player. fetch() and the polls are called
// by the conversion thread; implementations make them safe against the
// thread that produces the frames.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // The frame presented now; nullptr when there is none.
    virtual FramePtr fetch() = 0;
    // Called once before the first sheet (the player settles for 100 ms).
    virtual void settle() = 0;
    // Called between two sheets with the run's interval.
    virtual void wait_interval(int ms) = 0;
    // True once the media has played to its end (polled, never waits).
    virtual bool end_of_stream() = 0;
    virtual int64_t position() = 0;  // 100-ns units
    virtual int64_t duration() = 0;  // 100-ns units, 0 when unknown
    // Stops playback; safe to call from the conversion thread, more than once.
    virtual void stop() = 0;
};

// Playback progress in percent: trunc(position / duration * 100), 0 when the
// duration is unknown.
int progress_percent(FrameSource &src);

} // namespace gc
