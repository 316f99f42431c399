// CSdlWindow: the output window: SDL2 with an OpenGL 4.5 core context, caption
// "Marrowlight", X11 class "Kestrova", full screen at the output size unless
// windowed, hidden cursor, no vertical sync (Present never waits). Escape and
// closing the window end the production the way the frame loop expects; the
// author's keys are queued for the player.
#pragma once
#include "app/platform/PlatformContext.h"

#include <memory>
#include <string>

struct SDL_Window;

class CSdlWindow : public CPlatformContext {
public:
    // Null with a one-line reason (no display, no GL 4.5) when no window can be made.
    static std::unique_ptr<CSdlWindow> Create(int width, int height, bool windowed, std::string& error);
    ~CSdlWindow() override;

    bool HasWindow() const override { return true; }
    void GetDrawableSize(int& width, int& height) const override;
    void SwapBuffers() override;
    // Closing the window quits at once; Escape posts a quit that the next call takes.
    bool PumpEvents() override;
    std::vector<PlayerKey> TakeKeys() override;
    void* NativeWindow() const override { return m_pWindow; }

private:
    CSdlWindow() = default;

    SDL_Window* m_pWindow = nullptr;
    void* m_Context = nullptr;
    std::vector<PlayerKey> m_Keys;
};
