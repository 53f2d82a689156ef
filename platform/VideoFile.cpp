#include "platform/VideoFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <utility>

#include "platform/FfmpegLog.h"
#include "platform/FilePath.h"
#include "platform/SoundStream.h"

namespace plat {
namespace {

AVCodecContext* OpenDecoder(const AVStream* stream)
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        return nullptr;
    }
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    if (!ctx || avcodec_parameters_to_context(ctx, stream->codecpar) < 0 || avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return nullptr;
    }
    return ctx;
}

} // namespace

struct VideoFile::Impl {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    int videoIndex = -1;
    int audioIndex = -1;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int width = 0;
    int height = 0;
    int audioRate = 0;
    int audioChannels = 0;
    int audioInFormat = -1;    // what the resampler was made to read
    int audioInChannels = 0;
    double frameStep = 0.04;
    int decoded = 0;
    bool demuxEnded = false;
    bool videoEnded = false;
    std::vector<std::int16_t> audioPending;  // interleaved
    VideoFrame current, next;
    bool haveNext = false;

    ~Impl()
    {
        sws_freeContext(scaler);
        swr_free(&resampler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        avformat_close_input(&format);
    }

    bool Open(const std::string& path, std::string& error);
    bool OpenAudio();
    bool ReadFrame(VideoFrame& out);
    bool FeedDecoders();
    void DrainAudio();
    void ConvertPicture(VideoFrame& out);
};

bool VideoFile::Impl::Open(const std::string& path, std::string& error)
{
    int rc = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        error = AvError(rc);
        return false;
    }
    rc = avformat_find_stream_info(format, nullptr);
    if (rc < 0) {
        error = AvError(rc);
        return false;
    }
    videoIndex = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex < 0) {
        error = "no video stream";
        return false;
    }
    const AVStream* stream = format->streams[videoIndex];
    video = OpenDecoder(stream);
    if (!video || video->width <= 0 || video->height <= 0 || video->pix_fmt == AV_PIX_FMT_NONE) {
        error = "the video stream cannot be decoded";
        return false;
    }
    // Pictures are shown at their display size: non-square pixels widen or narrow them.
    const AVRational sar = av_guess_sample_aspect_ratio(format, const_cast<AVStream*>(stream), nullptr);
    width = video->width;
    height = video->height;
    if (sar.num > 0 && sar.den > 0 && sar.num != sar.den) {
        width = static_cast<int>(std::lround(static_cast<double>(width) * sar.num / sar.den));
        if (width < 1 || width > 8192) {
            width = video->width;
        }
    }
    scaler = sws_getContext(video->width, video->height, video->pix_fmt, width, height, AV_PIX_FMT_BGRA,
                            SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!scaler) {
        error = "the video's picture format cannot be converted";
        return false;
    }
    const AVRational rate = av_guess_frame_rate(format, const_cast<AVStream*>(stream), nullptr);
    if (rate.num > 0 && rate.den > 0) {
        frameStep = av_q2d(av_inv_q(rate));
    }
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (!packet || !frame) {
        error = "out of memory";
        return false;
    }
    OpenAudio();  // a soundtrack that cannot be decoded leaves a silent video
    return true;
}

bool VideoFile::Impl::OpenAudio()
{
    audioIndex = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, videoIndex, nullptr, 0);
    if (audioIndex < 0) {
        return false;
    }
    audio = OpenDecoder(format->streams[audioIndex]);
    if (!audio || audio->sample_rate <= 0 || audio->ch_layout.nb_channels <= 0) {
        avcodec_free_context(&audio);
        audioIndex = -1;
        return false;
    }
    audioRate = audio->sample_rate;
    audioChannels = audio->ch_layout.nb_channels >= 2 ? 2 : 1;
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, audioChannels);
    if (swr_alloc_set_opts2(&resampler, &outLayout, AV_SAMPLE_FMT_S16, audioRate, &audio->ch_layout,
                            audio->sample_fmt, audio->sample_rate, 0, nullptr) < 0 ||
        swr_init(resampler) < 0) {
        swr_free(&resampler);
        avcodec_free_context(&audio);
        audioIndex = -1;
        return false;
    }
    audioInFormat = audio->sample_fmt;
    audioInChannels = audio->ch_layout.nb_channels;
    return true;
}

void VideoFile::Impl::DrainAudio()
{
    while (avcodec_receive_frame(audio, frame) >= 0) {
        // A damaged stream can change its sound midway; the resampler would
        // read channels the frame does not have, so such frames are dropped.
        const bool usable = frame->format == audioInFormat && frame->sample_rate == audioRate &&
                            frame->ch_layout.nb_channels == audioInChannels;
        const int room = usable ? swr_get_out_samples(resampler, frame->nb_samples) : 0;
        if (room > 0) {
            const std::size_t used = audioPending.size();
            audioPending.resize(used + static_cast<std::size_t>(room) * audioChannels);
            auto* out = reinterpret_cast<std::uint8_t*>(audioPending.data() + used);
            const int got = swr_convert(resampler, &out, room, const_cast<const std::uint8_t**>(frame->extended_data),
                                        frame->nb_samples);
            audioPending.resize(used + static_cast<std::size_t>(got > 0 ? got : 0) * audioChannels);
        }
        av_frame_unref(frame);
    }
}

// Reads one packet and hands it to its decoder; at the end of the file the
// decoders are flushed. False once there is nothing more to read.
bool VideoFile::Impl::FeedDecoders()
{
    if (demuxEnded) {
        return false;
    }
    const int rc = av_read_frame(format, packet);
    if (rc < 0) {
        demuxEnded = true;
        avcodec_send_packet(video, nullptr);
        if (audio) {
            avcodec_send_packet(audio, nullptr);
            DrainAudio();
        }
        return true;
    }
    if (packet->stream_index == videoIndex) {
        avcodec_send_packet(video, packet);
    } else if (audio && packet->stream_index == audioIndex) {
        if (avcodec_send_packet(audio, packet) >= 0) {
            DrainAudio();
        }
    }
    av_packet_unref(packet);
    return true;
}

void VideoFile::Impl::ConvertPicture(VideoFrame& out)
{
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(width) * height);
    std::uint8_t* dst[4] = {reinterpret_cast<std::uint8_t*>(out.pixels.data()), nullptr, nullptr, nullptr};
    const int dstStride[4] = {width * 4, 0, 0, 0};
    sws_scale(scaler, frame->data, frame->linesize, 0, video->height, dst, dstStride);
    // MPEG-1 pictures come at the fixed rate of the sequence header, in
    // display order; the program stream's time stamps are sparse and the
    // guesses filled in for the rest wander, so the picture count is the clock.
    out.time = decoded * frameStep;
    out.index = decoded++;
}

bool VideoFile::Impl::ReadFrame(VideoFrame& out)
{
    while (!videoEnded) {
        const int rc = avcodec_receive_frame(video, frame);
        if (rc >= 0) {
            // A damaged stream can change size midway; the converter was made for the first.
            const bool usable = frame->width == video->width && frame->height == video->height &&
                                frame->format == video->pix_fmt;
            if (usable) {
                ConvertPicture(out);
            }
            av_frame_unref(frame);
            if (usable) {
                return true;
            }
        } else if (rc == AVERROR(EAGAIN)) {
            if (!FeedDecoders()) {
                videoEnded = true;
            }
        } else {
            videoEnded = true;  // end of stream, or a decoder that gave up
        }
    }
    return false;
}

VideoFile::VideoFile() = default;
VideoFile::~VideoFile() = default;

bool VideoFile::Open(std::string_view gamePath, std::string& error)
{
    Close();
    RouteFfmpegLog();
    const std::string name(gamePath);
    std::FILE* probe = OpenFile(gamePath, "rb");
    if (!probe) {
        error = "cannot open \"" + name + "\"";
        return false;
    }
    std::fclose(probe);
    auto impl = std::make_unique<Impl>();
    if (!impl->Open(ResolvePath(gamePath), error)) {
        error = "\"" + name + "\": " + error;
        return false;
    }
    impl_ = std::move(impl);
    return true;
}

void VideoFile::Close()
{
    impl_.reset();
}

int VideoFile::Width() const
{
    return impl_ ? impl_->width : 0;
}

int VideoFile::Height() const
{
    return impl_ ? impl_->height : 0;
}

double VideoFile::Duration() const
{
    if (!impl_ || impl_->format->duration == AV_NOPTS_VALUE || impl_->format->duration <= 0) {
        return 0;
    }
    return impl_->format->duration / static_cast<double>(AV_TIME_BASE);
}

bool VideoFile::HasAudio() const
{
    return impl_ && impl_->audio;
}

int VideoFile::AudioRate() const
{
    return impl_ ? impl_->audioRate : 0;
}

int VideoFile::AudioChannels() const
{
    return impl_ ? impl_->audioChannels : 0;
}

bool VideoFile::ReadFrame(VideoFrame& frame)
{
    return impl_ && impl_->ReadFrame(frame);
}

const VideoFrame* VideoFile::FrameDue(double t)
{
    if (!impl_) {
        return nullptr;
    }
    Impl& v = *impl_;
    if (!v.haveNext) {
        v.haveNext = v.ReadFrame(v.next);
    }
    if (!v.haveNext || v.next.time > t) {
        return nullptr;
    }
    do {
        std::swap(v.current, v.next);
        v.haveNext = v.ReadFrame(v.next);
    } while (v.haveNext && v.next.time <= t);
    return &v.current;
}

bool VideoFile::AtEnd() const
{
    return !impl_ || (impl_->videoEnded && !impl_->haveNext);
}

bool VideoFile::QueueAudio(SoundStream& stream)
{
    if (!impl_ || impl_->audioPending.empty()) {
        return false;
    }
    Impl& v = *impl_;
    const std::size_t frames = v.audioPending.size() / static_cast<std::size_t>(v.audioChannels);
    const bool ok = stream.Queue(v.audioPending.data(), frames, v.audioChannels, v.audioRate);
    v.audioPending.clear();
    return ok;
}

void VideoFile::TakeAudio(std::vector<std::int16_t>& into)
{
    if (impl_) {
        into.insert(into.end(), impl_->audioPending.begin(), impl_->audioPending.end());
        impl_->audioPending.clear();
    }
}

} // namespace plat
