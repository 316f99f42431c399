// Movie output through libavformat/libavcodec: H.264 video, AAC audio.
#include "app/platform/MovieEncoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {

// FFmpeg logs to stderr by default; the player prints nothing it was not asked
// for, so its log is kept instead, the last error per thread, for our messages.
thread_local std::string t_LastLogError;

void QuietLog(void* avcl, int level, const char* fmt, va_list args)
{
    if (level > AV_LOG_ERROR)
        return;
    char line[512];
    int prefix = 1;
    av_log_format_line2(avcl, level, fmt, args, line, sizeof(line), &prefix);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (!text.empty())
        t_LastLogError = text;
}

void InstallQuietLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(QuietLog); });
}

std::string Describe(const std::string& what, int err = 0)
{
    std::string text = what;
    if (err < 0) {
        char buf[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(err, buf, sizeof(buf));
        text += ": ";
        text += buf;
    }
    if (!t_LastLogError.empty()) {
        text += " (" + t_LastLogError + ")";
        t_LastLogError.clear();
    }
    return text;
}

struct Container {
    const char* extension;
    const char* format;
};
// Extension to libavformat muxer.
constexpr Container kContainers[] = {
    {".mp4", "mp4"},
    {".mkv", "matroska"},
};

bool EndsWithNoCase(const std::string& s, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    if (s.size() < n)
        return false;
    return std::equal(s.end() - static_cast<std::ptrdiff_t>(n), s.end(), suffix,
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

} // namespace

struct CMovieEncoder::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* videoFrame = nullptr;
    AVFrame* audioFrame = nullptr;
    AVPacket* packet = nullptr;
    std::vector<float> planar;
    bool fileOpen = false;

    ~State()
    {
        av_packet_free(&packet);
        av_frame_free(&audioFrame);
        av_frame_free(&videoFrame);
        if (fifo)
            av_audio_fifo_free(fifo);
        swr_free(&resampler);
        sws_freeContext(scaler);
        avcodec_free_context(&audio);
        avcodec_free_context(&video);
        if (format) {
            if (fileOpen)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

CMovieEncoder::CMovieEncoder() = default;
CMovieEncoder::~CMovieEncoder() = default;

const char* CMovieEncoder::ContainerFor(const std::string& path)
{
    for (const Container& c : kContainers)
        if (EndsWithNoCase(path, c.extension))
            return c.format;
    return nullptr;
}

bool CMovieEncoder::Open(const std::string& path, const VideoFormat& format)
{
    return OpenFile(path, format, nullptr);
}

bool CMovieEncoder::OpenCopy(const std::string& path, const VideoFormat& format, const AVCodecParameters& video)
{
    return OpenFile(path, format, &video);
}

bool CMovieEncoder::OpenFile(const std::string& path, const VideoFormat& format, const AVCodecParameters* copied)
{
    InstallQuietLog();
    m_Path = path;
    m_Format = format;
    const char* container = ContainerFor(path);
    if (!container)
        return Fail(path + ": not an .mp4 or .mkv name");
    m = std::make_unique<State>();
    int err = avformat_alloc_output_context2(&m->format, nullptr, container, path.c_str());
    if (err < 0 || !m->format)
        return Fail(Describe("cannot set up the " + std::string(container) + " writer", err));
    if (copied) {
        m->videoStream = avformat_new_stream(m->format, nullptr);
        if (!m->videoStream)
            return Fail("out of memory");
        err = avcodec_parameters_copy(m->videoStream->codecpar, copied);
        if (err < 0)
            return Fail(Describe("cannot describe the video stream", err));
        m->videoStream->codecpar->codec_tag = 0;
        m->videoStream->time_base = AVRational{1, m_Format.fps};
        m->videoStream->avg_frame_rate = AVRational{m_Format.fps, 1};
    } else if (!OpenVideo()) {
        return false;
    }
    if (m_Format.channels > 0 && !OpenAudio())
        return false;

    err = avio_open(&m->format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (err < 0)
        return Fail(Describe("cannot create " + path, err));
    m->fileOpen = true;
    AVDictionary* options = nullptr;
    if (std::strcmp(container, "mp4") == 0)
        av_dict_set(&options, "movflags", "+faststart", 0); // index first, so it plays while downloading
    err = avformat_write_header(m->format, &options);
    av_dict_free(&options);
    if (err < 0) {
        Fail(Describe("cannot write the header of " + path, err));
        avio_closep(&m->format->pb);
        m->fileOpen = false;
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return false;
    }
    m_bHeaderWritten = true;
    m->packet = av_packet_alloc();
    if (!m->packet)
        return Fail("out of memory");
    return true;
}

bool CMovieEncoder::OpenVideo()
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        return Fail("this FFmpeg has no libx264 encoder");
    // 4:2:0 chroma covers 2x2 blocks, so the coded picture is rounded up to even.
    const int width = (m_Format.width + 1) & ~1;
    const int height = (m_Format.height + 1) & ~1;
    m->video = avcodec_alloc_context3(codec);
    m->videoStream = avformat_new_stream(m->format, nullptr);
    if (!m->video || !m->videoStream)
        return Fail("out of memory");
    AVCodecContext* c = m->video;
    c->width = width;
    c->height = height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, m_Format.fps};
    c->framerate = AVRational{m_Format.fps, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->color_range = AVCOL_RANGE_MPEG;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->colorspace = AVCOL_SPC_BT709;
    c->chroma_sample_location = AVCHROMA_LOC_LEFT;
    c->thread_count = m_Format.threads;
    // Every segment of a range render starts with a key frame no later frame looks behind,
    // so segments join by copying their packets.
    c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    if (m->format->oformat->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(c->priv_data, "preset", kPreset, 0);
    av_opt_set_double(c->priv_data, "crf", m_Format.quality, 0);
    int err = avcodec_open2(c, codec, nullptr);
    if (err < 0)
        return Fail(Describe("cannot open the H.264 encoder", err));
    err = avcodec_parameters_from_context(m->videoStream->codecpar, c);
    if (err < 0)
        return Fail(Describe("cannot describe the video stream", err));
    m->videoStream->time_base = c->time_base;
    m->videoStream->avg_frame_rate = c->framerate;

    // Chroma sited left of each pixel pair, as H.264 players assume; the default
    // box average is half a pixel off and shifts colour edges.
    m->scaler = sws_alloc_context();
    if (!m->scaler)
        return Fail("out of memory");
    av_opt_set_int(m->scaler, "srcw", width, 0);
    av_opt_set_int(m->scaler, "srch", height, 0);
    av_opt_set_int(m->scaler, "src_format", AV_PIX_FMT_RGBA, 0);
    av_opt_set_int(m->scaler, "dstw", width, 0);
    av_opt_set_int(m->scaler, "dsth", height, 0);
    av_opt_set_int(m->scaler, "dst_format", AV_PIX_FMT_YUV420P, 0);
    av_opt_set_int(m->scaler, "sws_flags", SWS_BILINEAR | SWS_ACCURATE_RND, 0);
    av_opt_set_int(m->scaler, "dst_h_chr_pos", 0, 0);
    av_opt_set_int(m->scaler, "dst_v_chr_pos", 128, 0);
    err = sws_init_context(m->scaler, nullptr, nullptr);
    if (err < 0)
        return Fail(Describe("cannot set up the RGBA to YUV conversion", err));
    // Full-range RGB in, limited-range BT.709 out, matching the stream's tags.
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(m->scaler, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);

    m->videoFrame = av_frame_alloc();
    if (!m->videoFrame)
        return Fail("out of memory");
    m->videoFrame->format = c->pix_fmt;
    m->videoFrame->width = width;
    m->videoFrame->height = height;
    err = av_frame_get_buffer(m->videoFrame, 0);
    if (err < 0)
        return Fail(Describe("cannot allocate a video frame", err));
    return true;
}

bool CMovieEncoder::OpenAudio()
{
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec)
        return Fail("this FFmpeg has no AAC encoder");
    m->audio = avcodec_alloc_context3(codec);
    m->audioStream = avformat_new_stream(m->format, nullptr);
    if (!m->audio || !m->audioStream)
        return Fail("out of memory");
    AVCodecContext* c = m->audio;
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = m_Format.sampleRate;
    av_channel_layout_default(&c->ch_layout, m_Format.channels);
    c->bit_rate = 96000 * m_Format.channels;
    c->time_base = AVRational{1, m_Format.sampleRate};
    if (m->format->oformat->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int err = avcodec_open2(c, codec, nullptr);
    if (err < 0)
        return Fail(Describe("cannot open the AAC encoder at " + std::to_string(m_Format.sampleRate) + " Hz", err));
    err = avcodec_parameters_from_context(m->audioStream->codecpar, c);
    if (err < 0)
        return Fail(Describe("cannot describe the audio stream", err));
    m->audioStream->time_base = c->time_base;

    // The mixer gives interleaved floats; the encoder takes one plane per channel.
    err = swr_alloc_set_opts2(&m->resampler, &c->ch_layout, AV_SAMPLE_FMT_FLTP, c->sample_rate, &c->ch_layout,
                              AV_SAMPLE_FMT_FLT, c->sample_rate, 0, nullptr);
    if (err < 0 || (err = swr_init(m->resampler)) < 0)
        return Fail(Describe("cannot set up the sample conversion", err));
    m->fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, m_Format.channels, std::max(c->frame_size, 1) * 4);
    m->audioFrame = av_frame_alloc();
    if (!m->fifo || !m->audioFrame)
        return Fail("out of memory");
    return true;
}

bool CMovieEncoder::Encode(long frameIndex, const uint8_t* rgba, const float* samples, size_t sampleFrames)
{
    if (!m || !m_bHeaderWritten || m_bFinished)
        return Fail("the movie is not open");
    if (!m->video)
        return Fail("the movie's video is copied, not encoded");
    AVCodecContext* c = m->video;
    const uint8_t* source = rgba;
    if (c->width != m_Format.width || c->height != m_Format.height) {
        const size_t rowIn = static_cast<size_t>(m_Format.width) * 4;
        const size_t rowOut = static_cast<size_t>(c->width) * 4;
        m_Padded.resize(rowOut * static_cast<size_t>(c->height));
        for (int y = 0; y < c->height; ++y) {
            const uint8_t* in = rgba + rowIn * static_cast<size_t>(std::min(y, m_Format.height - 1));
            uint8_t* out = m_Padded.data() + rowOut * static_cast<size_t>(y);
            std::memcpy(out, in, rowIn);
            if (rowOut > rowIn)
                std::memcpy(out + rowIn, in + rowIn - 4, 4);
        }
        source = m_Padded.data();
    }
    int err = av_frame_make_writable(m->videoFrame);
    if (err < 0)
        return Fail(Describe("cannot reuse the video frame", err));
    const uint8_t* planes[1] = {source};
    const int strides[1] = {c->width * 4};
    sws_scale(m->scaler, planes, strides, 0, c->height, m->videoFrame->data, m->videoFrame->linesize);
    m->videoFrame->pts = frameIndex - m_Format.firstFrame;
    err = avcodec_send_frame(c, m->videoFrame);
    if (err < 0)
        return Fail(Describe("cannot encode frame " + std::to_string(frameIndex), err));
    if (!Drain(0, false))
        return false;
    ++m_nFrames;
    if (m->audio && sampleFrames > 0)
        return EncodeAudio(samples, sampleFrames);
    return true;
}

bool CMovieEncoder::CopyVideoPacket(AVPacket& packet)
{
    if (!m || !m_bHeaderWritten || m_bFinished || m->video)
        return Fail("the movie is not open for copying");
    av_packet_rescale_ts(&packet, AVRational{1, m_Format.fps}, m->videoStream->time_base);
    packet.stream_index = m->videoStream->index;
    packet.pos = -1;
    const int err = av_interleaved_write_frame(m->format, &packet);
    if (err < 0)
        return Fail(Describe("cannot write to " + m_Path, err));
    ++m_nFrames;
    return true;
}

const AVCodecParameters* CMovieEncoder::CopiedParameters() const
{
    return m && m->videoStream && !m->video ? m->videoStream->codecpar : nullptr;
}

bool CMovieEncoder::AddAudio(const float* samples, size_t sampleFrames)
{
    if (!m || !m_bHeaderWritten || m_bFinished || !m->audio)
        return Fail("the movie has no sound stream open");
    return sampleFrames == 0 || EncodeAudio(samples, sampleFrames);
}

bool CMovieEncoder::EncodeAudio(const float* samples, size_t sampleFrames)
{
    const int channels = m_Format.channels;
    const int count = static_cast<int>(sampleFrames);
    m->planar.assign(sampleFrames * static_cast<size_t>(channels), 0.0f);
    std::vector<uint8_t*> out(static_cast<size_t>(channels));
    for (int ch = 0; ch < channels; ++ch)
        out[static_cast<size_t>(ch)] = reinterpret_cast<uint8_t*>(m->planar.data() + sampleFrames * static_cast<size_t>(ch));
    if (samples) {
        const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
        const int converted = swr_convert(m->resampler, out.data(), count, in, count);
        if (converted != count)
            return Fail(Describe("cannot convert the samples", converted));
    } // no samples: silence, already zero
    const int written = av_audio_fifo_write(m->fifo, reinterpret_cast<void**>(out.data()), count);
    if (written != count)
        return Fail(Describe("cannot buffer the samples", written));
    m_nSamplesIn += count;
    return SendAudioFrames(false);
}

bool CMovieEncoder::SendAudioFrames(bool flush)
{
    AVCodecContext* c = m->audio;
    const int frameSize = c->frame_size > 0 ? c->frame_size : 1024;
    const bool shortLast = c->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    while (true) {
        const int available = av_audio_fifo_size(m->fifo);
        if (available == 0 || (available < frameSize && !flush))
            return true;
        const int take = std::min(available, frameSize);
        AVFrame* f = m->audioFrame;
        av_frame_unref(f);
        f->format = c->sample_fmt;
        f->sample_rate = c->sample_rate;
        f->nb_samples = shortLast ? take : frameSize;
        int err = av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
        if (err >= 0)
            err = av_frame_get_buffer(f, 0);
        if (err < 0)
            return Fail(Describe("cannot allocate an audio frame", err));
        if (f->nb_samples > take) // the encoder wants whole frames: the tail is silence
            av_samples_set_silence(f->extended_data, take, f->nb_samples - take, m_Format.channels, c->sample_fmt);
        if (av_audio_fifo_read(m->fifo, reinterpret_cast<void**>(f->extended_data), take) != take)
            return Fail("cannot read the buffered samples");
        f->pts = m_nAudioPts;
        m_nAudioPts += take;
        err = avcodec_send_frame(c, f);
        if (err < 0)
            return Fail(Describe("cannot encode the audio", err));
        if (!Drain(1, false))
            return false;
    }
}

bool CMovieEncoder::Drain(int stream, bool flush)
{
    AVCodecContext* c = stream == 0 ? m->video : m->audio;
    AVStream* s = stream == 0 ? m->videoStream : m->audioStream;
    if (flush) {
        const int err = avcodec_send_frame(c, nullptr);
        if (err < 0 && err != AVERROR_EOF)
            return Fail(Describe("cannot flush the encoder", err));
    }
    while (true) {
        int err = avcodec_receive_packet(c, m->packet);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return true;
        if (err < 0)
            return Fail(Describe("cannot encode", err));
        av_packet_rescale_ts(m->packet, c->time_base, s->time_base);
        m->packet->stream_index = s->index;
        err = av_interleaved_write_frame(m->format, m->packet);
        if (err < 0)
            return Fail(Describe("cannot write to " + m_Path, err));
    }
}

bool CMovieEncoder::Finish()
{
    if (m_bFinished || !m)
        return m_Error.empty();
    m_bFinished = true;
    if (!m_bHeaderWritten)
        return false;
    bool ok = m_Error.empty();
    if (ok && m->audio) {
        // The music lasts exactly as long as the pictures even if the mixer fell short.
        const int64_t expected = static_cast<int64_t>(m_nFrames) * m_Format.sampleRate / m_Format.fps;
        if (m_nSamplesIn < expected) {
            std::vector<float> silence(static_cast<size_t>(expected - m_nSamplesIn) * static_cast<size_t>(m_Format.channels));
            ok = EncodeAudio(silence.data(), static_cast<size_t>(expected - m_nSamplesIn));
        }
        ok = ok && SendAudioFrames(true) && Drain(1, true);
    }
    ok = ok && (!m->video || Drain(0, true));
    // The trailer is written after a failure too: what was encoded stays playable.
    const int err = av_write_trailer(m->format);
    if (err < 0)
        ok = Fail(Describe("cannot finish " + m_Path, err));
    const int closed = avio_closep(&m->format->pb);
    m->fileOpen = false;
    if (closed < 0)
        ok = Fail(Describe("cannot close " + m_Path, closed));
    return ok && m_Error.empty();
}
