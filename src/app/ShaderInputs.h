// CShaderInputs: the values the player publishes for shaders beyond the core
// six: "resolution" (width, height, 1/width, 1/height), "music_time" (the music
// clock as "delayuntil music" reads it), "local_time", and the "music_spectrum"
// texture (512 x 2 floats, see CMusicSpectrum). Registered before the script
// runs; Refresh runs once per frame after the clocks and the music advanced.
// It decides nothing about when constants are copied: materials do that.
#pragma once
#include "audio/MusicSpectrum.h"

#include <array>

class CDemoSystem;
class CTextureResource;

class CShaderInputs {
public:
    // Registers the parameters and the spectrum texture with the demo system.
    void Register(CDemoSystem& demo);
    void Refresh(CDemoSystem& demo);

    const std::array<float, 4>& GetResolution() const { return m_Resolution; }
    float GetMusicTime() const { return m_fMusicTime; }
    const CMusicSpectrum& GetSpectrum() const { return m_Spectrum; }
    CTextureResource* GetSpectrumTexture() const { return m_pSpectrumTexture; }

private:
    std::array<float, 4> m_Resolution{};
    float m_fMusicTime = 0.0f;
    CMusicSpectrum m_Spectrum;
    std::array<float, CMusicSpectrum::kWindow> m_Mono{};
    CTextureResource* m_pSpectrumTexture = nullptr;
};

// The name scripts bind the spectrum texture by.
inline constexpr const char* kMusicSpectrumName = "music_spectrum";
