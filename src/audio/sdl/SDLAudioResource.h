// CSDLAudioResource: a music track, the named resource "loadaudiotrack" makes.
// It holds the track's stream; a track whose name was taken gives its stream up
// at once, since nothing can start it.
#pragma once
#include "scene/Resource.h"

#include <memory>
#include <string>

class CAudioStream;

class CSDLAudioResource : public CResource {
public:
    CSDLAudioResource(std::string name, std::shared_ptr<CAudioStream> stream)
        : CResource(RESOURCE_AUDIO, std::move(name)), m_pStream(std::move(stream))
    {
    }

    const std::shared_ptr<CAudioStream>& GetStream() const { return m_pStream; }
    void ReleaseStream() { m_pStream.reset(); }

private:
    std::shared_ptr<CAudioStream> m_pStream;
};
