// libsndfile reading, narrowed to stereo float.
#include "audio/SndfileDecoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {
// Rates outside this range are either broken headers or nothing a player needs.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
constexpr int kScratchFrames = 4096;
} // namespace

CSndfileDecoder::~CSndfileDecoder()
{
    if (m_pFile)
        sf_close(m_pFile);
}

std::unique_ptr<CSndfileDecoder> CSndfileDecoder::Open(const std::string& path, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    std::unique_ptr<CSndfileDecoder> decoder(new CSndfileDecoder);
    decoder->m_pFile = file;
    if (info.channels < 1 || info.samplerate < kMinRate || info.samplerate > kMaxRate) {
        error = "unsupported channel count or sample rate";
        return nullptr;
    }
    decoder->m_nRate = info.samplerate;
    decoder->m_nChannels = info.channels;
    decoder->m_nDeclaredFrames = std::max<sf_count_t>(info.frames, 0);
    decoder->m_Path = path;
    decoder->m_bSeekByDecoding = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
    decoder->m_Scratch.resize(static_cast<size_t>(kScratchFrames) * static_cast<size_t>(info.channels));
    // Integer files read as -1..1; float files are taken as they are.
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    return decoder;
}

int CSndfileDecoder::Read(float* out, int frames)
{
    int done = 0;
    while (done < frames) {
        const int want = std::min(frames - done, kScratchFrames);
        const sf_count_t got = sf_readf_float(m_pFile, m_Scratch.data(), want);
        if (got <= 0)
            break;
        const int n = static_cast<int>(got);
        const float* in = m_Scratch.data();
        float* dst = out + static_cast<ptrdiff_t>(done) * 2;
        for (int i = 0; i < n; ++i, in += m_nChannels, dst += 2) {
            const float l = in[0];
            const float r = m_nChannels > 1 ? in[1] : in[0];
            // A damaged float file must not poison the whole mix.
            dst[0] = std::isfinite(l) ? l : 0.0f;
            dst[1] = std::isfinite(r) ? r : 0.0f;
        }
        done += n;
    }
    m_nPosition += done;
    return done;
}

bool CSndfileDecoder::Seek(int64_t frame)
{
    if (!m_bSeekByDecoding) {
        const bool ok = sf_seek(m_pFile, frame, SEEK_SET) == frame;
        m_nPosition = ok ? frame : m_nPosition;
        return ok;
    }
    if (frame < m_nPosition) {
        // Back to the start by opening the file again: the one position sure to be right.
        SF_INFO info{};
        SNDFILE* file = sf_open(m_Path.c_str(), SFM_READ, &info);
        if (!file)
            return false;
        sf_close(m_pFile);
        m_pFile = file;
        sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
        m_nPosition = 0;
    }
    return SkipTo(frame);
}

bool CSndfileDecoder::SkipTo(int64_t frame)
{
    while (m_nPosition < frame) {
        const sf_count_t want = std::min<int64_t>(frame - m_nPosition, kScratchFrames);
        const sf_count_t got = sf_readf_float(m_pFile, m_Scratch.data(), want);
        if (got <= 0)
            return false;
        m_nPosition += got;
    }
    return true;
}
