// Real-time playback: a decoding thread fills a small queue, a 10 ms timer on
// the user-interface thread presents the frames whose time has come.
#include "player.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QImage>
#include <QMediaDevices>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

extern "C" {
#include <libavutil/error.h>
}

#include "messages.h"

namespace gc {

VideoView::VideoView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoView::show_frame(FramePtr frame)
{
    frame_ = std::move(frame);
    update();
}

void VideoView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!frame_) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const Frame &f = *frame_;
    QImage img(f.bytes.data(), f.width, f.height, f.stride, QImage::Format_BGR888);
    if (f.bottom_up)
        img = img.mirrored(false, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), img);
}

int video_area_height(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    double h = 640.0 / (double(width) / double(height));
    return h > QWIDGETSIZE_MAX ? QWIDGETSIZE_MAX : int(h);
}

Player::Player(std::unique_ptr<MediaDecoder> decoder, FramePtr first, double speed, QWidget *window)
    : decoder_(std::move(decoder)), speed_(speed > 0 ? speed : 1.0), duration_(decoder_->duration())
{
    const size_t frame_bytes = first->bytes.size();
    queue_limit_ = std::max<size_t>(2, std::min<size_t>(12, (size_t(48) << 20) / std::max<size_t>(frame_bytes, 1)));
    base_pts_ = first->pts;
    current_ = first;

    view_ = new VideoView(window);
    view_->setObjectName("video");
    view_->setGeometry(20, 108, 640, video_area_height(first->width, first->height));
    view_->show_frame(first);
    view_->show();  // the first frame, paused
    timer_ = new QTimer(view_);
    QObject::connect(timer_, &QTimer::timeout, view_, [this] { present(); });
}

Player::~Player()
{
    stop();
    if (timer_)
        timer_->stop();
    if (sink_)
        sink_->stop();
    sink_.reset();
    if (view_) {
        view_->hide();
        view_->deleteLater();
    }
}

void Player::enable_audio()
{
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;  // no audio output: the video plays silently
    QAudioFormat format;
    format.setSampleRate(48000);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return;
    // Audio resampled to 48 kHz / speed and played at 48 kHz keeps pace with
    // the picture at any speed factor.
    const int rate = int(std::lround(48000.0 / speed_));
    bool ok = decoder_->enable_audio(rate, 2, [this](const int16_t *s, int frames, int64_t pts) {
        std::lock_guard lock(audio_mutex_);
        if (audio_.size() < 2000)  // about 20 s; beyond that audio is dropped
            audio_.push_back({pts, std::vector<int16_t>(s, s + size_t(frames) * 2)});
    });
    if (!ok)
        return;
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->setBufferSize(48000 * 4 / 5);  // 200 ms
}

void Player::run()
{
    if (running_.load() || stopping_.load())
        return;
    thread_ = std::thread([this] { decode_loop(); });
    started_ = std::chrono::steady_clock::now();
    running_ = true;
    if (sink_)
        sink_io_ = sink_->start();
    timer_->start(10);
}

int64_t Player::clock_now() const
{
    auto elapsed = std::chrono::steady_clock::now() - started_;
    double ticks = std::chrono::duration<double>(elapsed).count() * 1e7 * speed_;
    return base_pts_ + int64_t(ticks);
}

void Player::decode_loop()
{
    for (;;) {
        {
            std::unique_lock lock(queue_mutex_);
            queue_cv_.wait(lock, [this] { return stopping_.load() || queue_.size() < queue_limit_; });
            if (stopping_.load())
                return;
        }
        auto frame = std::make_shared<Frame>();
        int rc = decoder_->next(*frame);
        std::lock_guard lock(queue_mutex_);
        if (rc != 1) {
            decoder_done_ = true;
            return;
        }
        queue_.push_back(std::move(frame));
    }
}

void Player::present()
{
    if (!running_.load() || stopping_.load())
        return;
    const int64_t now = clock_now();
    FramePtr due;
    bool drained = false;
    {
        std::lock_guard lock(queue_mutex_);
        while (!queue_.empty() && queue_.front()->pts <= now) {
            due = std::move(queue_.front());
            queue_.pop_front();
        }
        drained = decoder_done_ && queue_.empty();
    }
    int64_t last_pts;
    if (due) {
        queue_cv_.notify_one();
        {
            std::lock_guard lock(current_mutex_);
            current_ = due;
        }
        if (view_)
            view_->show_frame(due);
        last_pts = due->pts;
    } else {
        std::lock_guard lock(current_mutex_);
        last_pts = current_ ? current_->pts : 0;
    }
    // The media has ended when every frame has been shown and the clock has
    // passed the duration; a duration that overstates the stream is waited
    // for at most two seconds past the last frame.
    if (drained && (duration_ <= 0 || now >= std::min(duration_, last_pts + 20000000)))
        ended_ = true;

    if (sink_io_) {
        // Audio is written up to 200 ms ahead of the clock.
        std::lock_guard lock(audio_mutex_);
        while (!audio_.empty() && (audio_.front().pts == INT64_MIN || audio_.front().pts <= now + 2000000)) {
            const auto &s = audio_.front().samples;
            const char *bytes = reinterpret_cast<const char *>(s.data());
            audio_pending_.insert(audio_pending_.end(), bytes, bytes + s.size() * sizeof(int16_t));
            audio_.pop_front();
        }
        qint64 room = sink_->bytesFree();
        if (room > 0 && !audio_pending_.empty()) {
            qint64 n = std::min<qint64>(room, qint64(audio_pending_.size()));
            n -= n % 4;
            qint64 written = n > 0 ? sink_io_->write(audio_pending_.data(), n) : 0;
            if (written > 0)
                audio_pending_.erase(audio_pending_.begin(), audio_pending_.begin() + written);
        }
    }
}

FramePtr Player::fetch()
{
    std::lock_guard lock(current_mutex_);
    return current_;
}

void Player::settle()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void Player::wait_interval(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int64_t Player::position()
{
    // The playback clock while playing (frames arrive in steps, the clock
    // runs on), the whole duration once the media has ended.
    if (ended_.load() && duration_ > 0)
        return duration_;
    int64_t shown;
    {
        std::lock_guard lock(current_mutex_);
        shown = current_ ? current_->pts : 0;
    }
    if (!running_.load() || duration_ <= 0)
        return shown;
    return std::clamp(clock_now(), shown, std::max(shown, duration_));
}

void Player::stop()
{
    {
        std::lock_guard lock(queue_mutex_);
        stopping_ = true;
    }
    queue_cv_.notify_all();
    running_ = false;
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

std::string build_graph(PLAY_ARG &arg, Library &lib, QWidget *window, std::unique_ptr<Player> &player)
{
    arg.result = RESULT_OK;
    player.reset();
    const std::string path = to_utf8(play_path(arg));
    MediaKind kind = classify_media(lib, path);
    arg.media_kind = kind.kind;
    if (kind.result != 0) {
        arg.result = RESULT_REFUSED;
        return msg::UNSUPPORTED;
    }
    arg.is_video = kind.is_video;

    auto decoder = std::make_unique<MediaDecoder>();
    std::string why;
    int rc = decoder->open(path, why);
    auto first = std::make_shared<Frame>();
    if (rc >= 0) {
        // A file that opens but yields no picture: the decoder's own error,
        // or the end of the file reached before the first frame.
        rc = decoder->next(*first);
        rc = rc == 1 ? 0 : rc == 0 ? AVERROR_EOF : rc;
    }
    if (rc < 0) {
        arg.result = RESULT_REFUSED;
        return render_failed_text(rc);
    }
    arg.video_width = first->width;
    arg.video_height = first->height;
    arg.duration = decoder->duration();
    player = std::make_unique<Player>(std::move(decoder), first, arg.speed, window);
    if (arg.sound_off != -1)
        player->enable_audio();
    arg.source = player.get();
    return {};
}

} // namespace gc
