// Publication and per-frame refresh of the extra shader inputs.
#include "app/ShaderInputs.h"

#include "app/DemoSystem.h"
#include "audio/AudioManager.h"
#include "render/Renderer.h"
#include "render/TextureResource.h"
#include "scene/ParameterTable.h"
#include "scene/PublishedParameters.h"

void CShaderInputs::Register(CDemoSystem& demo)
{
    const float w = static_cast<float>(demo.m_nWidth > 0 ? demo.m_nWidth : 1);
    const float h = static_cast<float>(demo.m_nHeight > 0 ? demo.m_nHeight : 1);
    m_Resolution = {w, h, 1.0f / w, 1.0f / h};
    if (demo.m_Parameters) {
        CParameterTable& table = *demo.m_Parameters;
        table.RegisterParameter(m_Resolution.data(), kResolutionParameter.size, kResolutionParameter.name);
        table.RegisterParameter(&m_fMusicTime, kMusicTimeParameter.size, kMusicTimeParameter.name);
        table.RegisterParameter(&demo.m_fLocalTime, kLocalTimeParameter.size, kLocalTimeParameter.name);
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
