// Windowing, FFT and the dB mapping of the music table.
#include "audio/MusicSpectrum.h"

#include <algorithm>
#include <cmath>
#include <fftw3.h>
#include <numbers>

struct CMusicSpectrum::Fft {
    float* in = nullptr;
    fftwf_complex* out = nullptr;
    fftwf_plan plan = nullptr;

    Fft()
    {
        in = fftwf_alloc_real(kWindow);
        out = fftwf_alloc_complex(kWindow / 2 + 1);
        // Estimated, not measured: planning stays a fraction of a millisecond and
        // gives the same plan on every run.
        if (in && out)
            plan = fftwf_plan_dft_r2c_1d(kWindow, in, out, FFTW_ESTIMATE);
    }
    ~Fft()
    {
        if (plan)
            fftwf_destroy_plan(plan);
        fftwf_free(out);
        fftwf_free(in);
    }
};

CMusicSpectrum::CMusicSpectrum() : m_pFft(std::make_unique<Fft>())
{
    // Periodic Hann: sums to exactly kWindow / 2, which the scale below relies on.
    for (int n = 0; n < kWindow; ++n)
        m_Hann[n] = 0.5f - 0.5f * static_cast<float>(std::cos(2.0 * std::numbers::pi * n / kWindow));
    m_Texels.fill(0.0f);
    std::fill(m_Texels.begin() + kWidth, m_Texels.end(), 0.5f);
}

CMusicSpectrum::~CMusicSpectrum() = default;

void CMusicSpectrum::Analyse(const float* mono)
{
    float* spectrum = m_Texels.data();
    float* wave = m_Texels.data() + kWidth;
    const float* last = mono + (kWindow - kWidth);
    for (int i = 0; i < kWidth; ++i)
        wave[i] = std::clamp(std::isfinite(last[i]) ? last[i] * 0.5f + 0.5f : 0.5f, 0.0f, 1.0f);

    if (!m_pFft->plan) {
        std::fill(spectrum, spectrum + kWidth, 0.0f);
        return;
    }
    float* in = m_pFft->in;
    for (int n = 0; n < kWindow; ++n)
        in[n] = std::isfinite(mono[n]) ? mono[n] * m_Hann[n] : 0.0f;
    fftwf_execute(m_pFft->plan);

    // A full-scale sine on a bin has |X| = kWindow / 4 after the window: that is 0 dB.
    constexpr float kScale = 4.0f / kWindow;
    constexpr int kPerBand = kWindow / 2 / kWidth;
    const fftwf_complex* out = m_pFft->out;
    for (int k = 0; k < kWidth; ++k) {
        // Each band takes the strongest of the FFT bins it covers.
        float power = 0.0f;
        for (int j = 0; j < kPerBand; ++j) {
            const fftwf_complex& c = out[k * kPerBand + j];
            power = std::max(power, c[0] * c[0] + c[1] * c[1]);
        }
        const float magnitude = std::sqrt(power) * kScale;
        const float db = magnitude > 0.0f ? 20.0f * std::log10(magnitude) : kFloorDb;
        spectrum[k] = std::clamp((db - kFloorDb) / -kFloorDb, 0.0f, 1.0f);
    }
}
