// CSDLDemoSystem: the demo system of this platform. It is the one place that
// chooses the concrete renderer (CGLRenderer on the given context) and audio
// manager (SDL2 output in real time, or pulled by a fixed-step frame loop), for
// a window and for headless runs alike.
#pragma once
#include "app/DemoSystem.h"

class CPlatformContext;

class CSDLDemoSystem : public CDemoSystem {
public:
    // The context must stay current and alive until this object is destroyed.
    // fixedStep: the frame loop advances by 1/fps, and pulls the music with it.
    CSDLDemoSystem(CPlatformContext* context, bool fixedStep);
    ~CSDLDemoSystem() override;

    bool Init(const std::string& scriptFile, int width, int height) override;
    bool Shutdown() override;

private:
    CPlatformContext* m_pContext;
    bool m_bFixedStep;
};
