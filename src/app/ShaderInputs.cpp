// Publication and per-frame refresh of the extra shader inputs.
#include "app/ShaderInputs.h"

#include "app/DemoSystem.h"
#include "audio/AudioManager.h"
#include "render/Renderer.h"
#include "render/TextureResource.h"
#include "scene/ParameterTable.h"

void CShaderInputs::Register(CDemoSystem& demo)
{
    const float w = static_cast<float>(demo.m_nWidth > 0 ? demo.m_nWidth : 1);
    const float h = static_cast<float>(demo.m_nHeight > 0 ? demo.m_nHeight : 1);
    m_Resolution = {w, h, 1.0f / w, 1.0f / h};
    if (demo.m_Parameters) {
        CParameterTable& table = *demo.m_Parameters;
        table.RegisterParameter(m_Resolution.data(), 16, "resolution");
        table.RegisterParameter(&m_fMusicTime, 4, "music_time");
        table.RegisterParameter(&demo.m_fLocalTime, 4, "local_time");
    }
    if (demo.m_pRenderer)
        m_pSpectrumTexture = demo.m_pRenderer->CreateDataTexture(kMusicSpectrumName, CMusicSpectrum::kWidth,
                                                                 CMusicSpectrum::kHeight);
    if (m_pSpectrumTexture)
        m_pSpectrumTexture->UploadFloats(m_Spectrum.GetTexels());
}

void CShaderInputs::Refresh(CDemoSystem& demo)
{
    if (!demo.m_pAudio)
        return;
    m_fMusicTime = demo.m_pAudio->GetPosition();
    demo.m_pAudio->GetHeardMix(m_Mono.data(), CMusicSpectrum::kWindow);
    m_Spectrum.Analyse(m_Mono.data());
    if (m_pSpectrumTexture)
        m_pSpectrumTexture->UploadFloats(m_Spectrum.GetTexels());
}
