#include "platform/MpegEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/FfmpegLog.h"
#include "platform/FilePath.h"

namespace plat {
namespace {

// Everything one encoding needs; the destructor frees whatever was made.
struct Encoder {
    AVFormatContext* out = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    bool headerWritten = false;
    bool fileOpen = false;

    ~Encoder()
    {
        if (headerWritten) {
            av_write_trailer(out);
        }
        if (fileOpen) {
            avio_closep(&out->pb);
        }
        sws_freeContext(scaler);
        av_frame_free(&picture);
        av_frame_free(&sound);
        av_packet_free(&packet);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        avformat_free_context(out);
    }

    // Sends a frame (null to flush) and writes every packet that comes out.
    int Write(AVCodecContext* codec, AVStream* stream, AVFrame* frame)
    {
        int rc = avcodec_send_frame(codec, frame);
        while (rc >= 0) {
            rc = avcodec_receive_packet(codec, packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
                return 0;
            }
            if (rc < 0) {
                break;
            }
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            rc = av_interleaved_write_frame(out, packet);
        }
        return rc;
    }
};

std::string CheckClip(const MpegClip& clip)
{
    const int rates[] = {24, 25, 30, 50, 60};
    if (clip.width < 16 || clip.height < 16 || clip.width > 4096 || clip.height > 4096 || clip.width % 2 ||
        clip.height % 2) {
        return "picture size must be even and between 16 and 4096";
    }
    if (std::find(std::begin(rates), std::end(rates), clip.framesPerSecond) == std::end(rates)) {
        return "MPEG-1 has no frame rate " + std::to_string(clip.framesPerSecond);
    }
    if (clip.frameCount < 1 || !clip.draw) {
        return "a clip needs at least one frame and a painter";
    }
    if (clip.toneHz < 0 || (clip.toneHz > 0 && clip.sampleRate != 44100 && clip.sampleRate != 48000 &&
                            clip.sampleRate != 32000)) {
        return "the soundtrack needs a tone of 0 Hz or more at 32000, 44100 or 48000 Hz";
    }
    return {};
}

int OpenVideo(Encoder& e, const MpegClip& clip)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG1VIDEO);
    if (!codec || !(e.videoStream = avformat_new_stream(e.out, nullptr)) ||
        !(e.video = avcodec_alloc_context3(codec))) {
        return AVERROR_ENCODER_NOT_FOUND;
    }
    e.video->width = clip.width;
    e.video->height = clip.height;
    e.video->time_base = AVRational{1, clip.framesPerSecond};
    e.video->framerate = AVRational{clip.framesPerSecond, 1};
    e.video->pix_fmt = AV_PIX_FMT_YUV420P;
    e.video->gop_size = 12;
    // Without B-frames pictures are stored in display order: simple for any player.
    e.video->max_b_frames = 0;
    // Generous for small pictures: flat colours stay close to what was painted.
    e.video->bit_rate = std::max<std::int64_t>(1000000, std::int64_t{clip.width} * clip.height * 40);
    e.video->rc_max_rate = 0;
    if (e.out->oformat->flags & AVFMT_GLOBALHEADER) {
        e.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    int rc = avcodec_open2(e.video, codec, nullptr);
    if (rc < 0) {
        return rc;
    }
    e.videoStream->time_base = e.video->time_base;
    rc = avcodec_parameters_from_context(e.videoStream->codecpar, e.video);
    if (rc < 0) {
        return rc;
    }
    e.picture = av_frame_alloc();
    if (!e.picture) {
        return AVERROR(ENOMEM);
    }
    e.picture->format = AV_PIX_FMT_YUV420P;
    e.picture->width = clip.width;
    e.picture->height = clip.height;
    rc = av_frame_get_buffer(e.picture, 0);
    e.scaler = sws_getContext(clip.width, clip.height, AV_PIX_FMT_BGRA, clip.width, clip.height,
                              AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    return rc < 0 ? rc : (e.scaler ? 0 : AVERROR(EINVAL));
}

int OpenAudio(Encoder& e, const MpegClip& clip)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP2);
    if (!codec || !(e.audioStream = avformat_new_stream(e.out, nullptr)) ||
        !(e.audio = avcodec_alloc_context3(codec))) {
        return AVERROR_ENCODER_NOT_FOUND;
    }
    e.audio->sample_fmt = AV_SAMPLE_FMT_S16;
    e.audio->sample_rate = clip.sampleRate;
    av_channel_layout_default(&e.audio->ch_layout, 2);
    e.audio->bit_rate = 192000;
    e.audio->time_base = AVRational{1, clip.sampleRate};
    int rc = avcodec_open2(e.audio, codec, nullptr);
    if (rc < 0) {
        return rc;
    }
    e.audioStream->time_base = e.audio->time_base;
    rc = avcodec_parameters_from_context(e.audioStream->codecpar, e.audio);
    if (rc < 0) {
        return rc;
    }
    e.sound = av_frame_alloc();
    if (!e.sound) {
        return AVERROR(ENOMEM);
    }
    e.sound->format = AV_SAMPLE_FMT_S16;
    e.sound->nb_samples = e.audio->frame_size;
    e.sound->sample_rate = clip.sampleRate;
    av_channel_layout_copy(&e.sound->ch_layout, &e.audio->ch_layout);
    return av_frame_get_buffer(e.sound, 0);
}

// Writes tone frames until `done` reaches `until` samples (whole frames;
// the last one is padded with silence past `total`).
int WriteTone(Encoder& e, const MpegClip& clip, std::int64_t& done, std::int64_t until, std::int64_t total)
{
    const double step = 2 * M_PI * clip.toneHz / clip.sampleRate;
    for (; done < until; done += e.audio->frame_size) {
        int rc = av_frame_make_writable(e.sound);
        if (rc < 0) {
            return rc;
        }
        auto* samples = reinterpret_cast<std::int16_t*>(e.sound->data[0]);
        for (int i = 0; i < e.audio->frame_size; ++i) {
            const std::int64_t n = done + i;
            const auto v = n < total ? static_cast<std::int16_t>(12000 * std::sin(step * n)) : std::int16_t{0};
            samples[2 * i] = v;
            samples[2 * i + 1] = v;
        }
        e.sound->pts = done;
        rc = e.Write(e.audio, e.audioStream, e.sound);
        if (rc < 0) {
            return rc;
        }
    }
    return 0;
}

// Pictures and sound are written side by side, each picture with the sound up to its end.
int WriteClip(Encoder& e, const MpegClip& clip)
{
    const std::int64_t totalSamples = std::int64_t{clip.frameCount} * clip.sampleRate / clip.framesPerSecond;
    std::int64_t samplesDone = 0;
    std::vector<std::uint32_t> argb(static_cast<std::size_t>(clip.width) * clip.height);
    for (int i = 0; i < clip.frameCount; ++i) {
        std::fill(argb.begin(), argb.end(), 0xFF000000u);
        clip.draw(i, argb.data(), clip.width, clip.height);
        int rc = av_frame_make_writable(e.picture);
        if (rc < 0) {
            return rc;
        }
        const std::uint8_t* src[4] = {reinterpret_cast<const std::uint8_t*>(argb.data()), nullptr, nullptr,
                                      nullptr};
        const int srcStride[4] = {clip.width * 4, 0, 0, 0};
        sws_scale(e.scaler, src, srcStride, 0, clip.height, e.picture->data, e.picture->linesize);
        e.picture->pts = i;
        rc = e.Write(e.video, e.videoStream, e.picture);
        if (rc >= 0 && e.audio) {
            const std::int64_t until = std::int64_t{i + 1} * clip.sampleRate / clip.framesPerSecond;
            rc = WriteTone(e, clip, samplesDone, until, totalSamples);
        }
        if (rc < 0) {
            return rc;
        }
    }
    int rc = e.Write(e.video, e.videoStream, nullptr);
    if (rc >= 0 && e.audio) {
        rc = e.Write(e.audio, e.audioStream, nullptr);
    }
    return rc;
}

} // namespace

bool EncodeMpegClip(std::string_view gamePath, const MpegClip& clip, std::string& error)
{
    RouteFfmpegLog();
    const std::string name(gamePath);
    error = CheckClip(clip);
    if (!error.empty()) {
        error = "\"" + name + "\": " + error;
        return false;
    }
    const std::string path = ResolvePath(gamePath);
    Encoder e;
    e.packet = av_packet_alloc();
    int rc = e.packet ? avformat_alloc_output_context2(&e.out, nullptr, "mpeg", path.c_str()) : AVERROR(ENOMEM);
    if (rc >= 0) {
        rc = OpenVideo(e, clip);
    }
    if (rc >= 0 && clip.toneHz > 0) {
        rc = OpenAudio(e, clip);
    }
    if (rc >= 0 && (rc = avio_open(&e.out->pb, path.c_str(), AVIO_FLAG_WRITE)) >= 0) {
        e.fileOpen = true;
        rc = avformat_write_header(e.out, nullptr);
        e.headerWritten = rc >= 0;
    }
    if (rc >= 0) {
        rc = WriteClip(e, clip);
    }
    if (rc >= 0 && e.headerWritten) {
        e.headerWritten = false;
        rc = av_write_trailer(e.out);
    }
    if (rc < 0) {
        error = "\"" + name + "\": " + AvError(rc);
        return false;
    }
    return true;
}

std::function<void(int, std::uint32_t*, int, int)> SolidColour(std::function<std::uint32_t(int frame)> colour)
{
    return [colour = std::move(colour)](int frame, std::uint32_t* pixels, int width, int height) {
        std::fill(pixels, pixels + static_cast<std::size_t>(width) * static_cast<std::size_t>(height), colour(frame));
    };
}

} // namespace plat
