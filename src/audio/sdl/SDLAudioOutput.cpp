// SDL2 audio device output.
#include "audio/sdl/SDLAudioOutput.h"

#include "audio/AudioMixer.h"
#include "audio/MixFormat.h"

#include <SDL.h>

#include <algorithm>

namespace {
constexpr int kDeviceBufferFrames = 1024; // about 23 ms
} // namespace

bool CSDLAudioOutput::Start(std::string& error)
{
    if (m_nDevice)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    m_bSubsystem = true;
    SDL_AudioSpec want{};
    want.freq = kMixRate;
    want.format = AUDIO_F32SYS;
    want.channels = kMixChannels;
    want.samples = kDeviceBufferFrames;
    want.callback = &CSDLAudioOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    m_nDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!m_nDevice) {
        error = SDL_GetError();
        Stop();
        return false;
    }
    SDL_PauseAudioDevice(m_nDevice, 0);
    return true;
}

void CSDLAudioOutput::Stop()
{
    if (m_nDevice) {
        // Waits for a running callback, so the mixer is safe to touch afterwards.
        SDL_CloseAudioDevice(m_nDevice);
        m_nDevice = 0;
    }
    if (m_bSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_bSubsystem = false;
    }
}

void CSDLAudioOutput::Callback(void* self, uint8_t* stream, int bytes)
{
    auto* output = static_cast<CSDLAudioOutput*>(self);
    const int frames = bytes / static_cast<int>(kMixChannels * sizeof(float));
    auto* out = reinterpret_cast<float*>(stream);
    const int64_t before = output->m_Mixer.GetMixedFrames();
    output->m_Mixer.Mix(out, frames);
    for (int i = 0; i < frames * kMixChannels; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
    std::lock_guard lock(output->m_TimingLock);
    output->m_nCallbackMixed = before;
    output->m_nCallbackFrames = frames;
    output->m_CallbackTime = std::chrono::steady_clock::now();
    output->m_bCalled = true;
}

int64_t CSDLAudioOutput::GetHeardFrame() const
{
    std::lock_guard lock(m_TimingLock);
    if (!m_bCalled)
        return 0;
    // At the callback the previous buffer starts playing; then time runs on.
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_CallbackTime).count();
    const int64_t start = m_nCallbackMixed - m_nCallbackFrames;
    int64_t heard = start + static_cast<int64_t>(elapsed * kMixRate);
    heard = std::clamp<int64_t>(heard, 0, m_nCallbackMixed);
    m_nLastHeard = std::max(m_nLastHeard, heard);
    return m_nLastHeard;
}
