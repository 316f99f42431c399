// CMusicSpectrum: what shaders see of the music: a 512 x 2 table of floats.
// Row 0 is the magnitude spectrum of the last 2048 mono samples (Hann window,
// FFTW), 512 linear bands from 0 Hz to Nyquist, in dB mapped -100..0 -> 0..1;
// row 1 is the last 512 samples mapped -1..1 -> 0..1. It reads no device and
// uploads nothing: callers hand it samples and take the table.
#pragma once
#include <array>
#include <memory>

class CMusicSpectrum {
public:
    static constexpr int kWindow = 2048; // samples analysed
    static constexpr int kWidth = 512;   // bands, and waveform samples
    static constexpr int kHeight = 2;
    static constexpr float kFloorDb = -100.0f;

    CMusicSpectrum();
    ~CMusicSpectrum();
    CMusicSpectrum(const CMusicSpectrum&) = delete;
    CMusicSpectrum& operator=(const CMusicSpectrum&) = delete;

    // mono: the kWindow most recent samples, oldest first.
    void Analyse(const float* mono);
    // Row 0 then row 1, kWidth floats each.
    const float* GetTexels() const { return m_Texels.data(); }

private:
    struct Fft;
    std::unique_ptr<Fft> m_pFft;
    std::array<float, kWindow> m_Hann{};
    std::array<float, kWidth * kHeight> m_Texels{};
};
