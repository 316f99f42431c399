// Reads a movie file back with FFmpeg: its size, frame rate, frames as RGBA and
// sound per channel, for tests of what --render and the video writer wrote.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

// Everything the tests need from a movie file, decoded with FFmpeg.
struct Movie {
    bool opened = false;
    int width = 0, height = 0;
    double frameRate = 0;
    double videoSeconds = 0; // last frame's time plus one frame
    std::vector<std::vector<uint8_t>> frames; // RGBA, in presentation order
    std::vector<double> frameTimes;
    int audioChannels = 0, audioRate = 0;
    std::vector<std::vector<float>> audio; // per channel
    double audioStart = -1;
};

inline Movie ReadMovie(const std::string& path)
{
    Movie movie;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return movie;
    if (avformat_find_stream_info(fmt, nullptr) < 0) {
        avformat_close_input(&fmt);
        return movie;
    }
    const int vi = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int ai = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    AVCodecContext* dec[2] = {nullptr, nullptr};
    const int index[2] = {vi, ai};
    for (int k = 0; k < 2; ++k) {
        if (index[k] < 0)
            continue;
        const AVCodecParameters* par = fmt->streams[index[k]]->codecpar;
        dec[k] = avcodec_alloc_context3(avcodec_find_decoder(par->codec_id));
        avcodec_parameters_to_context(dec[k], par);
        dec[k]->pkt_timebase = fmt->streams[index[k]]->time_base;
        avcodec_open2(dec[k], dec[k]->codec, nullptr);
    }
    movie.opened = vi >= 0;
    if (vi >= 0) {
        const AVStream* s = fmt->streams[vi];
        movie.width = s->codecpar->width;
        movie.height = s->codecpar->height;
        movie.frameRate = av_q2d(s->avg_frame_rate.num ? s->avg_frame_rate : s->r_frame_rate);
    }
    if (ai >= 0) {
        movie.audioChannels = fmt->streams[ai]->codecpar->ch_layout.nb_channels;
        movie.audioRate = fmt->streams[ai]->codecpar->sample_rate;
        movie.audio.resize(static_cast<size_t>(movie.audioChannels));
    }
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto take = [&](int k) {
        while (avcodec_receive_frame(dec[k], frame) >= 0) {
            if (k == 0) {
                // Back to full-range RGBA with the matrix and chroma siting the stream declares.
                SwsContext* sws = sws_alloc_context();
                av_opt_set_int(sws, "srcw", frame->width, 0);
                av_opt_set_int(sws, "srch", frame->height, 0);
                av_opt_set_int(sws, "src_format", frame->format, 0);
                av_opt_set_int(sws, "dstw", frame->width, 0);
                av_opt_set_int(sws, "dsth", frame->height, 0);
                av_opt_set_int(sws, "dst_format", AV_PIX_FMT_RGBA, 0);
                av_opt_set_int(sws, "sws_flags", SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, 0);
                if (frame->chroma_location == AVCHROMA_LOC_LEFT) {
                    av_opt_set_int(sws, "src_h_chr_pos", 0, 0);
                    av_opt_set_int(sws, "src_v_chr_pos", 128, 0);
                }
                EXPECT_GE(sws_init_context(sws, nullptr, nullptr), 0);
                const int cs = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
                sws_setColorspaceDetails(sws, sws_getCoefficients(cs), frame->color_range == AVCOL_RANGE_JPEG,
                                         sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
                std::vector<uint8_t> rgba(static_cast<size_t>(frame->width * frame->height * 4));
                uint8_t* out[1] = {rgba.data()};
                const int stride[1] = {frame->width * 4};
                sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out, stride);
                sws_freeContext(sws);
                movie.frames.push_back(std::move(rgba));
                movie.frameTimes.push_back(static_cast<double>(frame->best_effort_timestamp) *
                                           av_q2d(fmt->streams[vi]->time_base));
            } else {
                if (movie.audioStart < 0)
                    movie.audioStart = static_cast<double>(frame->best_effort_timestamp) * av_q2d(fmt->streams[ai]->time_base);
                for (int ch = 0; ch < movie.audioChannels; ++ch) {
                    const float* p = reinterpret_cast<const float*>(frame->extended_data[ch]);
                    movie.audio[static_cast<size_t>(ch)].insert(movie.audio[static_cast<size_t>(ch)].end(), p,
                                                                 p + frame->nb_samples);
                }
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        for (int k = 0; k < 2; ++k)
            if (dec[k] && pkt->stream_index == index[k]) {
                avcodec_send_packet(dec[k], pkt);
                take(k);
            }
        av_packet_unref(pkt);
    }
    for (int k = 0; k < 2; ++k)
        if (dec[k]) {
            avcodec_send_packet(dec[k], nullptr);
            take(k);
        }
    if (!movie.frameTimes.empty() && movie.frameRate > 0)
        movie.videoSeconds = movie.frameTimes.back() + 1.0 / movie.frameRate;
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec[0]);
    avcodec_free_context(&dec[1]);
    avformat_close_input(&fmt);
    return movie;
}

inline double Rms(const std::vector<float>& samples, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

