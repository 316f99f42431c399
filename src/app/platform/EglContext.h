// CEglContext: the headless GL context: EGL on Mesa's surfaceless platform (or,
// failing that, the first EGL device), OpenGL 4.5 core, no surface at all; the
// renderer draws only into its own framebuffers. Used by --headless and tests.
#pragma once
#include "app/platform/PlatformContext.h"

#include <memory>
#include <string>

class CEglContext : public CPlatformContext {
public:
    // Null with a one-line reason when no GL 4.5 core context can be made.
    static std::unique_ptr<CEglContext> Create(std::string& error);
    ~CEglContext() override;

    bool HasWindow() const override { return false; }
    void GetDrawableSize(int& width, int& height) const override { width = height = 0; }
    void SwapBuffers() override {}
    bool PumpEvents() override { return true; }
    void* NativeWindow() const override { return nullptr; }

private:
    CEglContext() = default;

    void* m_Display = nullptr;
    void* m_Context = nullptr;
};
