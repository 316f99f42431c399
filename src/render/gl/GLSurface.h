// CGLSurface: what the OpenGL renderer needs from whoever made its context: the
// GL 4.5 core context is current on this thread, and, when there is a window,
// its drawable size and a way to show a finished frame. Headless surfaces have
// no window; the renderer's off-screen back buffer is then the output.
#pragma once

class CGLSurface {
public:
    virtual ~CGLSurface() = default;
    virtual bool HasWindow() const = 0;
    // Drawable size of the window in pixels (unused when there is none).
    virtual void GetDrawableSize(int& width, int& height) const = 0;
    virtual void SwapBuffers() = 0;
};
