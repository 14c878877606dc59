// The real-time media player of the window: decodes on its own thread, shows
// frames in a video area of the main window on a presentation clock, plays
// the audio through Qt Multimedia, and hands the conversion thread the frame
// shown at the moment.
#pragma once
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "frame.h"
#include "library.h"
#include "media.h"
#include "play_arg.h"

class QAudioSink;
class QIODevice;

namespace gc {

// The video area: paints the frame it was given, scaled to its size.
class VideoView : public QWidget {
public:
    explicit VideoView(QWidget *parent);
    void show_frame(FramePtr frame);
    FramePtr shown() const { return frame_; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    FramePtr frame_;
};

// Height of the video area for a W x H picture 640 pixels wide.
int video_area_height(int width, int height);

class Player final : public FrameSource {
public:
    Player(std::unique_ptr<MediaDecoder> decoder, FramePtr first, double speed, QWidget *window);
    ~Player() override;  // on the user-interface thread: stops and removes the video area

    void enable_audio();   // when the machine has an audio output
    void run();            // starts the clock (the play button)
    VideoView *view() const { return view_; }

    FramePtr fetch() override;
    void settle() override;
    void wait_interval(int ms) override;
    bool end_of_stream() override { return ended_.load(); }
    int64_t position() override;
    int64_t duration() override { return duration_; }
    void stop() override;

private:
    struct AudioChunk {
        int64_t pts;
        std::vector<int16_t> samples;
    };
    void decode_loop();
    void present();          // timer tick on the user-interface thread
    int64_t clock_now() const;

    std::unique_ptr<MediaDecoder> decoder_;
    const double speed_;
    const int64_t duration_;
    QPointer<VideoView> view_;
    QPointer<QTimer> timer_;  // child of the view

    // Decoded frames waiting for their time.
    std::mutex queue_mutex_;
    std::condition_variable queue_cv_;
    std::deque<std::shared_ptr<Frame>> queue_;
    size_t queue_limit_ = 4;
    bool decoder_done_ = false;

    mutable std::mutex current_mutex_;
    FramePtr current_;

    // Clock: media time = base + elapsed wall time x speed.
    std::atomic<bool> running_{false};
    std::chrono::steady_clock::time_point started_;
    int64_t base_pts_ = 0;

    std::atomic<bool> stopping_{false};
    std::atomic<bool> ended_{false};
    std::thread thread_;

    // Audio.
    std::unique_ptr<QAudioSink> sink_;
    QIODevice *sink_io_ = nullptr;
    std::mutex audio_mutex_;
    std::deque<AudioChunk> audio_;
    std::vector<char> audio_pending_;
    int audio_rate_ = 48000;
};

// build_graph: checks the kind, opens the file, cues the first frame and
// shows it paused in the window. Sets arg.result (0, -1, -101), arg.is_video
// and the picture's size and duration; on failure returns the message to
// show (no caption, error icon).
std::string build_graph(PLAY_ARG &arg, Library &lib, QWidget *window, std::unique_ptr<Player> &player);

} // namespace gc
