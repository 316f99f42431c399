// CAudioDecoder: what the mixer needs from a music file: interleaved float
// stereo at the decoder's own rate, read incrementally, and seeks by frame.
// Open picks the decoder by the file's content: tracker modules (MOD, XM, IT,
// S3M and the rest libopenmpt knows) go to CTrackerDecoder, everything else to
// CSndfileDecoder. Rate conversion and threading are not a decoder's business.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

class CAudioDecoder {
public:
    virtual ~CAudioDecoder() = default;
    CAudioDecoder(const CAudioDecoder&) = delete;
    CAudioDecoder& operator=(const CAudioDecoder&) = delete;

    // Null, with the reason in error, when the file cannot be opened or is not usable audio.
    static std::unique_ptr<CAudioDecoder> Open(const std::string& path, std::string& error);

    virtual int GetRate() const = 0;
    // Frame count the file declares; may be inexact for compressed formats and modules.
    virtual int64_t GetDeclaredFrames() const = 0;

    // Reads up to frames frames into out (2 floats each); fewer only at the end or on a read error.
    virtual int Read(float* out, int frames) = 0;
    // Positions the next Read at frame; false when the file cannot get there.
    virtual bool Seek(int64_t frame) = 0;

protected:
    CAudioDecoder() = default;
};
