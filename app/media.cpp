// FFmpeg decoding: demux, decode, convert to BGR24 at the first frame's size,
// and resample audio to interleaved 16-bit PCM.
#include "media.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "messages.h"

namespace gc {
namespace {

constexpr AVRational TICKS_100NS = {1, 10000000};

struct FormatCloser {
    void operator()(AVFormatContext *p) const { avformat_close_input(&p); }
};
struct CodecFreer {
    void operator()(AVCodecContext *p) const { avcodec_free_context(&p); }
};
struct FrameFreer {
    void operator()(AVFrame *p) const { av_frame_free(&p); }
};
struct PacketFreer {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct SwsFreer {
    void operator()(SwsContext *p) const { sws_freeContext(p); }
};
struct SwrFreer {
    void operator()(SwrContext *p) const { swr_free(&p); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using AvFramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFreer>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;

std::string av_text(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

int open_decoder(AVFormatContext *fmt, int index, CodecPtr &out)
{
    const AVCodecParameters *par = fmt->streams[index]->codecpar;
    const AVCodec *codec = avcodec_find_decoder(par->codec_id);
    if (!codec)
        return AVERROR_DECODER_NOT_FOUND;
    CodecPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx)
        return AVERROR(ENOMEM);
    int rc = avcodec_parameters_to_context(ctx.get(), par);
    if (rc < 0)
        return rc;
    ctx->pkt_timebase = fmt->streams[index]->time_base;
    ctx->thread_count = 0;
    rc = avcodec_open2(ctx.get(), codec, nullptr);
    if (rc < 0)
        return rc;
    out = std::move(ctx);
    return 0;
}

bool demuxer_is_video_container(const AVInputFormat *f)
{
    if (!f || !f->name)
        return false;
    std::string name = f->name;
    return name == "mov,mp4,m4a,3gp,3g2,mj2" || name == "matroska,webm" || name == "gif";
}

} // namespace

MediaKind classify_media(Library &lib, const std::string &path)
{
    MediaKind k;
    int type = -1;
    lib.file_type(VXLS_FILETYPE_DISK, path.c_str(), &type);
    k.kind = type;
    switch (type) {
    case VXLS_FILE_BMP: case VXLS_FILE_JPEG: case VXLS_FILE_PNG:
        k.is_video = 0;
        return k;
    case VXLS_FILE_AVI: case VXLS_FILE_MPEG: case VXLS_FILE_WMV:
        k.is_video = -1;
        return k;
    default:
        break;
    }
    // Containers FFmpeg reads that the kind table does not list.
    AVFormatContext *raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) == 0) {
        FormatPtr fmt(raw);
        if (demuxer_is_video_container(fmt->iformat) && avformat_find_stream_info(fmt.get(), nullptr) >= 0 &&
            av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) >= 0) {
            k.is_video = -1;
            return k;
        }
    }
    k.result = -101;
    return k;
}

// The cause of a decoding failure in the user's words: the dialogs show no
// English, so FFmpeg's own texts become these.
std::string cause_text(int averror)
{
    switch (averror) {
    case AVERROR_INVALIDDATA: return "データが壊れているか、読めない形式です";
    case AVERROR_DECODER_NOT_FOUND: return "この動画の圧縮形式を読むデコーダがありません";
    case AVERROR_DEMUXER_NOT_FOUND: return "このファイル形式には対応していません";
    case AVERROR_STREAM_NOT_FOUND: return "動画の映像が見つかりません";
    case AVERROR_EOF: return "映像のフレームがありません";
    case AVERROR(ENOENT): return "ファイルが見つかりません";
    case AVERROR(EACCES): case AVERROR(EPERM): return "ファイルを読む権限がありません";
    case AVERROR(ENOMEM): return "メモリが足りません";
    case AVERROR(ERANGE): return "映像が大きすぎます";
    case AVERROR(EINVAL): return "映像の形式が正しくありません";
    case AVERROR(EIO): return "ファイルの読み込みに失敗しました";
    case AVERROR_PATCHWELCOME: case AVERROR(ENOSYS): return "この動画の機能には対応していません";
    default: break;
    }
    char code[64];
    std::snprintf(code, sizeof code, "デコードできません(コード %d)", averror);
    return code;
}

std::string render_failed_text(int averror)
{
    const std::string cause = cause_text(averror);
    std::string text(cause.size() + 96, '\0');
    int n = std::snprintf(text.data(), text.size(), msg::RENDER_FAILED, cause.c_str());
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

struct MediaDecoder::Impl {
    FormatPtr fmt;
    CodecPtr video;
    CodecPtr audio;
    int video_index = -1;
    int audio_index = -1;
    AvFramePtr frame{av_frame_alloc()};
    AvFramePtr audio_frame{av_frame_alloc()};
    PacketPtr packet{av_packet_alloc()};
    SwsPtr sws;
    SwrPtr swr;
    int width = 0;
    int height = 0;
    int64_t start = 0;            // stream start, in the stream's time base
    int64_t duration = 0;
    int64_t last_pts = AV_NOPTS_VALUE;
    int64_t frame_step = 0;       // 100 ns, from the frame rate
    bool input_done = false;
    // Audio.
    AudioOut audio_out;
    int out_rate = 0;
    int out_channels = 0;
    std::vector<int16_t> pcm;

    int feed();
    void decode_audio(const AVPacket *pkt);
    int convert(const AVFrame *src, Frame &out);
};

MediaDecoder::MediaDecoder() : impl_(std::make_unique<Impl>()) {}
MediaDecoder::~MediaDecoder() = default;

int MediaDecoder::open(const std::string &path, std::string &error)
{
    Impl &m = *impl_;
    if (!m.frame || !m.audio_frame || !m.packet) {
        error = "out of memory";
        return AVERROR(ENOMEM);
    }
    AVFormatContext *raw = nullptr;
    int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        error = "cannot open: " + av_text(rc);
        return rc;
    }
    m.fmt.reset(raw);
    rc = avformat_find_stream_info(m.fmt.get(), nullptr);
    if (rc < 0) {
        error = "cannot read the stream information: " + av_text(rc);
        return rc;
    }
    rc = av_find_best_stream(m.fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (rc < 0) {
        error = "no video stream: " + av_text(rc);
        return rc;
    }
    m.video_index = rc;
    rc = open_decoder(m.fmt.get(), m.video_index, m.video);
    if (rc < 0) {
        error = "cannot open the video decoder: " + av_text(rc);
        return rc;
    }
    const AVStream *st = m.fmt->streams[m.video_index];
    m.width = m.video->width;
    m.height = m.video->height;
    if (m.width <= 0 || m.height <= 0 || m.width > MAX_FRAME_SIDE || m.height > MAX_FRAME_SIDE ||
        int64_t(m.width) * m.height > MAX_FRAME_PIXELS) {
        error = "picture size " + std::to_string(m.width) + "x" + std::to_string(m.height) +
                " is not supported";
        return AVERROR(ERANGE);
    }
    m.start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    if (m.fmt->duration > 0)
        m.duration = av_rescale(m.fmt->duration, 10000000, AV_TIME_BASE);
    else if (st->duration > 0)
        m.duration = av_rescale_q(st->duration, st->time_base, TICKS_100NS);
    AVRational rate = av_guess_frame_rate(m.fmt.get(), const_cast<AVStream *>(st), nullptr);
    if (rate.num > 0 && rate.den > 0)
        m.frame_step = av_rescale_q(1, av_inv_q(rate), TICKS_100NS);
    for (unsigned i = 0; i < m.fmt->nb_streams; ++i)
        if (int(i) != m.video_index)
            m.fmt->streams[i]->discard = AVDISCARD_ALL;
    return 0;
}

bool MediaDecoder::enable_audio(int rate, int channels, AudioOut out)
{
    Impl &m = *impl_;
    if (!m.fmt || rate <= 0 || channels < 1 || channels > 2)
        return false;
    int index = av_find_best_stream(m.fmt.get(), AVMEDIA_TYPE_AUDIO, -1, m.video_index, nullptr, 0);
    if (index < 0 || open_decoder(m.fmt.get(), index, m.audio) < 0)
        return false;
    AVChannelLayout out_layout;
    av_channel_layout_default(&out_layout, channels);
    AVChannelLayout in_layout;
    if (m.audio->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || m.audio->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&in_layout, std::max(1, m.audio->ch_layout.nb_channels));
    else
        av_channel_layout_copy(&in_layout, &m.audio->ch_layout);
    SwrContext *raw = nullptr;
    int rc = swr_alloc_set_opts2(&raw, &out_layout, AV_SAMPLE_FMT_S16, rate, &in_layout,
                                 m.audio->sample_fmt, m.audio->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in_layout);
    av_channel_layout_uninit(&out_layout);
    SwrPtr swr(raw);
    if (rc < 0 || swr_init(swr.get()) < 0) {
        m.audio.reset();
        return false;
    }
    m.swr = std::move(swr);
    m.audio_index = index;
    m.fmt->streams[index]->discard = AVDISCARD_DEFAULT;
    m.audio_out = std::move(out);
    m.out_rate = rate;
    m.out_channels = channels;
    return true;
}

int MediaDecoder::width() const { return impl_->width; }
int MediaDecoder::height() const { return impl_->height; }
int64_t MediaDecoder::duration() const { return impl_->duration; }

void MediaDecoder::Impl::decode_audio(const AVPacket *pkt)
{
    if (avcodec_send_packet(audio.get(), pkt) < 0)
        return;
    const AVRational tb = fmt->streams[audio_index]->time_base;
    while (avcodec_receive_frame(audio.get(), audio_frame.get()) == 0) {
        const AVFrame *f = audio_frame.get();
        // On the video's time line: both start at the video stream's start.
        const AVRational vtb = fmt->streams[video_index]->time_base;
        int64_t pts = f->best_effort_timestamp == AV_NOPTS_VALUE
                          ? AV_NOPTS_VALUE
                          : av_rescale_q(f->best_effort_timestamp, tb, TICKS_100NS) -
                                av_rescale_q(start, vtb, TICKS_100NS);
        int room = swr_get_out_samples(swr.get(), f->nb_samples);
        if (room > 0 && f->nb_samples > 0) {
            pcm.resize(size_t(room) * size_t(out_channels));
            uint8_t *dst[1] = {reinterpret_cast<uint8_t *>(pcm.data())};
            int got = swr_convert(swr.get(), dst, room, const_cast<const uint8_t **>(f->extended_data),
                                  f->nb_samples);
            if (got > 0 && audio_out)
                audio_out(pcm.data(), got, pts);
        }
        av_frame_unref(audio_frame.get());
    }
}

// Reads one packet and hands it to its decoder; at the end of the input
// flushes the video decoder. Returns 0, or a negative code once nothing more
// can be read.
int MediaDecoder::Impl::feed()
{
    if (input_done)
        return AVERROR_EOF;
    int rc = av_read_frame(fmt.get(), packet.get());
    if (rc < 0) {
        // End of file, or a read error: what was decoded so far still counts.
        input_done = true;
        avcodec_send_packet(video.get(), nullptr);
        if (audio)
            decode_audio(nullptr);
        return 0;
    }
    if (packet->stream_index == video_index)
        avcodec_send_packet(video.get(), packet.get());  // a damaged packet is skipped
    else if (packet->stream_index == audio_index && audio)
        decode_audio(packet.get());
    av_packet_unref(packet.get());
    return 0;
}

int MediaDecoder::Impl::convert(const AVFrame *src, Frame &out)
{
    if (src->width <= 0 || src->height <= 0 || src->format < 0 || !src->data[0])
        return AVERROR_INVALIDDATA;
    sws = SwsPtr(sws_getCachedContext(sws.release(), src->width, src->height, AVPixelFormat(src->format),
                                      width, height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr,
                                      nullptr));
    if (!sws)
        return AVERROR(EINVAL);
    out.width = width;
    out.height = height;
    out.stride = stride_for(width);
    out.bottom_up = false;
    // Padding past the last row keeps vectorised converters within the buffer.
    out.bytes.resize(size_t(out.stride) * size_t(height) + 64);
    uint8_t *dst[4] = {out.bytes.data(), nullptr, nullptr, nullptr};
    int dst_stride[4] = {out.stride, 0, 0, 0};
    int rows = sws_scale(sws.get(), src->data, src->linesize, 0, src->height, dst, dst_stride);
    if (rows != height)
        return AVERROR(EINVAL);
    return 0;
}

int MediaDecoder::next(Frame &out)
{
    Impl &m = *impl_;
    if (!m.video)
        return AVERROR(EINVAL);
    for (;;) {
        int rc = avcodec_receive_frame(m.video.get(), m.frame.get());
        if (rc == 0) {
            const AVRational tb = m.fmt->streams[m.video_index]->time_base;
            int64_t ts = m.frame->best_effort_timestamp;
            int64_t pts;
            if (ts != AV_NOPTS_VALUE)
                pts = av_rescale_q(ts - m.start, tb, TICKS_100NS);
            else if (m.last_pts != AV_NOPTS_VALUE)
                pts = m.last_pts + m.frame_step;
            else
                pts = 0;
            int crc = m.convert(m.frame.get(), out);
            av_frame_unref(m.frame.get());
            if (crc < 0)
                continue;  // a frame that cannot be converted is dropped
            out.pts = pts;
            m.last_pts = pts;
            return 1;
        }
        if (rc == AVERROR_EOF)
            return 0;
        if (rc != AVERROR(EAGAIN) && rc != AVERROR_INVALIDDATA)
            return rc;
        if (m.feed() < 0)
            return 0;
    }
}

SampledSource::SampledSource(std::unique_ptr<MediaDecoder> decoder, int64_t step_100ns)
    : decoder_(std::move(decoder)), step_(step_100ns > 0 ? step_100ns : 1)
{
}

bool SampledSource::prime()
{
    auto first = std::make_shared<Frame>();
    if (decoder_->next(*first) != 1)
        return false;
    current_ = first;
    advance_to(0);
    return true;
}

void SampledSource::advance_to(int64_t t)
{
    for (;;) {
        if (!next_ && !decoder_done_) {
            auto f = std::make_shared<Frame>();
            if (decoder_->next(*f) == 1)
                next_ = std::move(f);
            else
                decoder_done_ = true;
        }
        if (next_ && next_->pts <= t) {
            if (next_->pts > current_->pts)
                frame_span_ = next_->pts - current_->pts;
            current_ = std::move(next_);
            next_.reset();
            continue;
        }
        break;
    }
    if (!next_ && decoder_done_ && t >= current_->pts + (frame_span_ > 0 ? frame_span_ : step_))
        ended_ = true;
}

void SampledSource::wait_interval(int)
{
    sample_time_ += step_;
    advance_to(sample_time_);
}

int64_t SampledSource::duration()
{
    return decoder_->duration();
}

} // namespace gc
