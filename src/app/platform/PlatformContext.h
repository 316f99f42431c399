// CPlatformContext: a provider of the player's OpenGL 4.5 core context: an EGL
// context without any surface (headless), or an SDL window. It owns the context
// and keeps it current on the creating thread until destroyed; it also delivers
// the window's messages to the frame loop. The renderer sees it as a CGLSurface.
#pragma once
#include "live/PlayerKey.h"
#include "render/gl/GLSurface.h"

#include <vector>

class CPlatformContext : public CGLSurface {
public:
    // Takes every queued message; false when the user asked to quit (window
    // closed, or Escape pressed on an earlier frame).
    virtual bool PumpEvents() = 0;
    // The author's keys pressed since the last call, in order (a window only).
    virtual std::vector<PlayerKey> TakeKeys() { return {}; }
    // The native window (the demo system's m_hWindow); null when headless.
    virtual void* NativeWindow() const = 0;
};
