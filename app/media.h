// Media decoding on FFmpeg: the kind check of a dropped file, a decoder that
// turns a file into BGR frames (and optionally PCM audio), and the headless
// sampler that takes frames at fixed steps of media time.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "frame.h"
#include "library.h"

namespace gc {

// The kind check: vel_file_type first (BMP, JPEG, PNG are still images; AVI,
// MPEG, WMV videos); files it does not know are accepted as videos when
// FFmpeg reads them as MP4/MOV, Matroska/WebM or GIF.
struct MediaKind {
    int result = 0;       // 0 accepted, -101 refused
    int is_video = -1;    // -1 video, 0 still image
    int kind = -1;        // vel_file_type's code, -1 when it did not know the file
};
MediaKind classify_media(Library &lib, const std::string &path);

// The open failure's message for an FFmpeg error code (a negative AVERROR):
// the fixed text with FFmpeg's description of the code as its cause.
std::string render_failed_text(int averror);

// Interleaved signed 16-bit PCM handed out by the decoder.
using AudioOut = std::function<void(const int16_t *samples, int frames, int64_t pts)>;

class MediaDecoder {
public:
    MediaDecoder();
    ~MediaDecoder();
    MediaDecoder(const MediaDecoder &) = delete;
    MediaDecoder &operator=(const MediaDecoder &) = delete;

    // Opens the file and its best video stream; 0 or a negative AVERROR code.
    // `error` receives a readable reason.
    int open(const std::string &path, std::string &error);
    // Opens the best audio stream too, resampled to `rate` Hz and `channels`
    // (1 or 2) signed 16-bit; audio decoded on the way to a video frame goes
    // to `out`. Returns false when the file has no usable audio.
    bool enable_audio(int rate, int channels, AudioOut out);

    int width() const;
    int height() const;
    int64_t duration() const;  // 100-ns units, 0 when unknown

    // Decodes the next video frame into `out` (BGR, top-down, stride a multiple
    // of 4, at the size of the first frame). 1: a frame; 0: end of the media;
    // negative: an AVERROR code.
    int next(Frame &out);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Frames sampled at 0, step, 2 x step ... of media time: the frame shown at
// time t is the last one whose presentation time is at or before t (the
// first frame for times before it). Decodes as fast as it can.
class SampledSource final : public FrameSource {
public:
    SampledSource(std::unique_ptr<MediaDecoder> decoder, int64_t step_100ns);
    // Decodes up to the first sample; false when the media has no frame.
    bool prime();
    FramePtr fetch() override { return current_; }
    void settle() override {}
    void wait_interval(int) override;
    bool end_of_stream() override { return ended_; }
    int64_t position() override { return sample_time_; }
    int64_t duration() override;
    void stop() override {}

private:
    void advance_to(int64_t t);

    std::unique_ptr<MediaDecoder> decoder_;
    int64_t step_;
    int64_t sample_time_ = 0;
    int64_t frame_span_ = 0;   // how long the last frame stays on screen
    FramePtr current_;         // the frame shown at sample_time_
    std::shared_ptr<Frame> next_;  // decoded, not yet due
    bool decoder_done_ = false;
    bool ended_ = false;
};

} // namespace gc
