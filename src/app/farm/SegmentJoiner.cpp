// Joining range renders by stream copy, with the music encoded once.
#include "app/farm/SegmentJoiner.h"

#include "app/farm/AudioPass.h"
#include "app/platform/MovieEncoder.h"
#include "app/platform/Player.h"
#include "app/platform/VideoWriter.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <sndfile.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

struct InputCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

struct SoundCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

std::string AvError(int err)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof(buf));
    return buf;
}

// A segment and its H.264 stream.
struct Segment {
    Input input;
    AVStream* video = nullptr;
};

bool OpenSegment(const std::string& path, Segment& segment, std::string& error)
{
    AVFormatContext* raw = nullptr;
    int err = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (err < 0) {
        error = "cannot read the segment '" + path + "': " + AvError(err);
        return false;
    }
    segment.input.reset(raw);
    const int index = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0 || raw->streams[index]->codecpar->codec_id != AV_CODEC_ID_H264) {
        error = "'" + path + "' holds no H.264 video";
        return false;
    }
    segment.video = raw->streams[index];
    return true;
}

} // namespace

std::string PartialName(const std::string& path)
{
    const std::filesystem::path p(path);
    const std::string name = "." + p.stem().string() + ".partial" + p.extension().string();
    return (p.has_parent_path() ? p.parent_path() / name : std::filesystem::path(name)).string();
}

bool JoinSegments(const std::string& out, const std::string& audio, const std::vector<std::string>& segments,
                  std::string& error)
{
    if (segments.empty()) {
        error = "no segments to join";
        return false;
    }
    if (!CMovieEncoder::ContainerFor(out)) {
        error = "--join writes an .mp4 or .mkv file, not '" + out + "'";
        return false;
    }
    Segment first;
    if (!OpenSegment(segments[0], first, error))
        return false;
    const AVRational rate = first.video->avg_frame_rate.num > 0 ? first.video->avg_frame_rate : first.video->r_frame_rate;
    if (rate.num <= 0 || rate.den != 1) {
        error = "'" + segments[0] + "' has no whole frame rate";
        return false;
    }
    VideoFormat format;
    format.fps = rate.num;
    format.width = first.video->codecpar->width;
    format.height = first.video->codecpar->height;
    format.channels = 0;

    std::unique_ptr<SNDFILE, SoundCloser> sound;
    SF_INFO info{};
    if (!audio.empty()) {
        sound.reset(sf_open(audio.c_str(), SFM_READ, &info));
        if (!sound) {
            error = "cannot read the music '" + audio + "': " + sf_strerror(nullptr);
            return false;
        }
        format.sampleRate = info.samplerate;
        format.channels = info.channels;
    }

    const std::string partial = PartialName(out);
    CMovieEncoder encoder;
    bool ok = encoder.OpenCopy(partial, format, *first.video->codecpar);
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::vector<float> samples;
    long frames = 0;
    const AVRational frameBase{1, format.fps};
    for (size_t i = 0; ok && i < segments.size(); ++i) {
        Segment segment;
        if (i == 0)
            segment = std::move(first);
        else if (!OpenSegment(segments[i], segment, error))
            break;
        const AVCodecParameters& a = *segment.video->codecpar;
        const AVCodecParameters& b = *encoder.CopiedParameters();
        const AVRational r = segment.video->avg_frame_rate;
        if (a.width != b.width || a.height != b.height || r.num != format.fps || r.den != 1 ||
            a.extradata_size != b.extradata_size ||
            (a.extradata_size > 0 && std::memcmp(a.extradata, b.extradata, static_cast<size_t>(a.extradata_size)) != 0)) {
            error = "'" + segments[i] + "' was not rendered with the same size, frame rate and encoder settings as '" +
                    segments[0] + "'";
            break;
        }
        const long offset = frames;
        bool firstPacket = true;
        int err = 0;
        while (ok && (err = av_read_frame(segment.input.get(), packet.get())) >= 0) {
            if (packet->stream_index != segment.video->index) {
                av_packet_unref(packet.get());
                continue;
            }
            if (firstPacket && !(packet->flags & AV_PKT_FLAG_KEY)) {
                error = "'" + segments[i] + "' does not start with a key frame";
                ok = false;
                break;
            }
            firstPacket = false;
            // Times in frames from the movie's start: this segment's own, moved by the frames before it.
            const auto toFrames = [&](int64_t t) {
                return t == AV_NOPTS_VALUE ? t
                                           : av_rescale_q_rnd(t, segment.video->time_base, frameBase,
                                                              static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX)) +
                                                 offset;
            };
            packet->pts = toFrames(packet->pts);
            packet->dts = toFrames(packet->dts);
            packet->duration = 1;
            ok = encoder.CopyVideoPacket(*packet);
            av_packet_unref(packet.get());
            if (!ok)
                break;
            // The sound of as many frames as there are pictures, so the two interleave.
            if (sound) {
                const size_t n = CVideoWriter::SamplesForFrame(frames, format.sampleRate, format.fps);
                samples.assign(n * static_cast<size_t>(format.channels), 0.0f);
                const sf_count_t got = sf_readf_float(sound.get(), samples.data(), static_cast<sf_count_t>(n));
                if (got != static_cast<sf_count_t>(n)) {
                    error = "the music '" + audio + "' ends before the pictures do";
                    ok = false;
                    break;
                }
                ok = encoder.AddAudio(samples.data(), n);
            }
            ++frames;
        }
        if (ok && err != AVERROR_EOF) {
            error = "cannot read the segment '" + segments[i] + "': " + AvError(err);
            ok = false;
        }
    }
    if (!error.empty())
        ok = false;
    if (ok && sound) {
        float extra[8];
        if (sf_readf_float(sound.get(), extra, 1) > 0) {
            error = "the music '" + audio + "' lasts longer than the " + std::to_string(frames) +
                    " frames of the segments: it belongs to another render";
            ok = false;
        }
    }
    const bool finished = encoder.Finish();
    if (ok && !finished)
        error = encoder.Error();
    if (!ok && error.empty())
        error = encoder.Error();
    ok = ok && finished;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(partial, out, ec);
        if (ec) {
            error = "cannot write '" + out + "': " + ec.message();
            ok = false;
        }
    }
    if (!ok)
        std::filesystem::remove(partial, ec);
    return ok;
}

int RunJoin(const std::string& out, const std::vector<std::string>& inputs)
{
    std::string audio;
    std::vector<std::string> segments;
    for (const std::string& input : inputs) {
        if (!IsAudioFileName(input)) {
            segments.push_back(input);
        } else if (audio.empty()) {
            audio = input;
        } else {
            ReportFailure("--join takes one music file, not '" + audio + "' and '" + input + "'");
            return 2;
        }
    }
    std::string error;
    if (!JoinSegments(out, audio, segments, error)) {
        ReportFailure(error);
        return 1;
    }
    return 0;
}
