// Tracks, the current track and the choice of output.
#include "audio/sdl/SDLAudioManager.h"

#include "app/DemoSystem.h"
#include "app/Diagnostics.h"
#include "assets/FilePath.h"
#include "audio/AudioMixer.h"
#include "audio/AudioStream.h"
#include "audio/MixFormat.h"
#include "audio/MusicSpectrum.h"
#include "audio/PulledAudioOutput.h"
#include "audio/SilentAudioOutput.h"
#include "audio/StreamFeeder.h"
#include "audio/sdl/SDLAudioOutput.h"
#include "audio/sdl/SDLAudioResource.h"
#include "scene/ResourceRegistry.h"

namespace {
// Decoded before a real-time start or seek, so the first callback has music to play.
constexpr int kPrefillFrames = 8192;
} // namespace

std::unique_ptr<CSDLAudioManager> CreateAudioManager(AudioOutput output)
{
    return std::make_unique<CSDLAudioManager>(output);
}

CSDLAudioManager::CSDLAudioManager(AudioOutput output)
    : m_Kind(output), m_pMixer(std::make_unique<CAudioMixer>())
{
}

CSDLAudioManager::~CSDLAudioManager()
{
    Shutdown();
}

bool CSDLAudioManager::Init()
{
    if (m_bStarted)
        return true;
    std::string error;
    if (m_Kind == AudioOutput::Pulled) {
        m_pOutput = std::make_unique<CPulledAudioOutput>(*m_pMixer);
    } else {
        m_pOutput = std::make_unique<CSDLAudioOutput>(*m_pMixer);
        if (!m_pOutput->Start(error)) {
            // No sound card: the production still runs, in time, without sound.
            diag::Report("no audio device (" + error + "); music plays silently");
            m_pOutput = std::make_unique<CSilentAudioOutput>(*m_pMixer);
            m_bSilentFallback = true;
        }
        m_pFeeder = std::make_unique<CStreamFeeder>(*m_pMixer);
    }
    if (!m_pOutput->Start(error) || (m_pFeeder && !m_pFeeder->Start(error))) {
        Shutdown();
        return false;
    }
    m_bStarted = true;
    return true;
}

bool CSDLAudioManager::Shutdown()
{
    // The output first: after it, no callback touches the mixer.
    if (m_pOutput)
        m_pOutput->Stop();
    if (m_pFeeder)
        m_pFeeder->Stop();
    m_pFeeder.reset();
    m_pOutput.reset();
    m_pSkipper.reset();
    m_bFastForward = false;
    m_pMixer->Clear();
    m_pCurrent.reset();
    m_bStarted = false;
    return true;
}

CResource* CSDLAudioManager::LoadTrack(std::string name, std::string path)
{
    std::string error;
    std::shared_ptr<CAudioStream> stream = CAudioStream::Open(ResolvePath(path), error);
    if (!stream) {
        diag::Report("cannot open music file '" + path + "': " + error);
        return nullptr;
    }
    auto* track = new CSDLAudioResource(std::move(name), std::move(stream));
    if (!g_pDemoSystem) {
        m_Orphans.emplace_back(track);
        return track;
    }
    g_pDemoSystem->Adopt(track);
    if (!g_pDemoSystem->m_Resources || !g_pDemoSystem->m_Resources->AddResource(track)) {
        // Nothing can start a track whose name is taken: close its file now.
        diag::Report("audio track '" + track->GetName() + "' is already loaded; '" + path + "' is not used");
        track->ReleaseStream();
    }
    return track;
}

bool CSDLAudioManager::PlayTrack(CResource* track)
{
    if (!track || track->GetKind() != RESOURCE_AUDIO)
        return false;
    auto* audio = dynamic_cast<CSDLAudioResource*>(track);
    if (!audio || !audio->GetStream() || !m_bStarted)
        return false;
    const std::shared_ptr<CAudioStream>& stream = audio->GetStream();
    if (m_pOutput->IsRealTime() && !stream->IsPlaying())
        stream->Fill(kPrefillFrames);
    m_pMixer->Play(stream);
    m_pCurrent = stream;
    return true;
}

double CSDLAudioManager::GetPositionSeconds() const
{
    if (!m_pCurrent || !m_pOutput)
        return 0.0;
    const CAudioOutput& clock = m_pSkipper ? *m_pSkipper : *m_pOutput;
    return m_pCurrent->GetHeardSeconds(clock.GetHeardFrame());
}

float CSDLAudioManager::GetPosition()
{
    return static_cast<float>(GetPositionSeconds());
}

void CSDLAudioManager::SetPosition(float seconds)
{
    if (!m_pCurrent)
        return;
    m_pCurrent->Seek(MixSecondsToFrames(static_cast<double>(seconds)));
    if (m_pOutput && m_pOutput->IsRealTime() && !m_bFastForward)
        m_pCurrent->Fill(kPrefillFrames);
}

void CSDLAudioManager::AdvanceFrame(float dt)
{
    if (m_pSkipper)
        m_pSkipper->AdvanceFrame(dt);
    else if (m_pOutput)
        m_pOutput->AdvanceFrame(dt);
}

void CSDLAudioManager::GetHeardMix(float* mono, int count)
{
    if (!m_pOutput) {
        CAudioManager::GetHeardMix(mono, count);
        return;
    }
    m_pMixer->CopyRecentMono(m_pOutput->GetHeardFrame(), mono, count);
}

void CSDLAudioManager::BeginFastForward()
{
    if (!m_pOutput || m_bFastForward)
        return;
    m_bFastForward = true;
    if (CPulledAudioOutput* pulled = GetPulledOutput()) {
        pulled->SetSkipping(true);
        return;
    }
    // The device plays silence meanwhile; a fixed-step count of our own moves the music.
    m_pMixer->SetHeld(true);
    m_pSkipper = std::make_unique<CPulledAudioOutput>(*m_pMixer);
    m_pSkipper->SetSkipping(true);
}

void CSDLAudioManager::EndFastForward()
{
    if (!m_bFastForward)
        return;
    m_bFastForward = false;
    if (CPulledAudioOutput* pulled = GetPulledOutput()) {
        pulled->SetSkipping(false);
        pulled->SetUnkept(false);
        return;
    }
    // Each stream plays on from where the skipping left it, measured from now on.
    const int64_t mixed = m_pMixer->GetMixedFrames();
    m_pSkipper.reset();
    for (const auto& stream : m_pMixer->Streams()) {
        if (!stream->IsPlaying())
            continue;
        stream->Seek(stream->GetHeardFrame(mixed));
        stream->Fill(kPrefillFrames);
    }
    m_pMixer->SetHeld(m_bPaused);
}

void CSDLAudioManager::FastForwardLeft(double seconds)
{
    CPulledAudioOutput* pulled = m_bFastForward ? GetPulledOutput() : nullptr;
    // The longest look back at recent music is the spectrum's window; a step more covers rounding.
    if (pulled && seconds <= MixFramesToSeconds(CMusicSpectrum::kWindow) + 0.1) {
        pulled->SetSkipping(false);
        pulled->SetUnkept(true);
    }
}

void CSDLAudioManager::SetPaused(bool paused)
{
    m_bPaused = paused;
    if (m_pOutput && m_pOutput->IsRealTime() && !m_bFastForward)
        m_pMixer->SetHeld(paused);
}

CPulledAudioOutput* CSDLAudioManager::GetPulledOutput() const
{
    return m_Kind == AudioOutput::Pulled ? static_cast<CPulledAudioOutput*>(m_pOutput.get()) : nullptr;
}
