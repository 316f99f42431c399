// CAudioOutput: where the mixer's frames go. Real-time outputs (a device, or
// silence paced by the clock) pull the mixer on their own thread; a fixed-step
// output is pulled by the frame loop through AdvanceFrame. Every output tells
// which mixer frame is being heard, which is what positions are measured against.
#pragma once
#include <cstdint>
#include <string>

class CAudioOutput {
public:
    virtual ~CAudioOutput() = default;
    // False, with the reason in error, when the output cannot play.
    virtual bool Start(std::string& error) = 0;
    // Stops pulling the mixer; safe to call more than once.
    virtual void Stop() = 0;
    virtual bool IsRealTime() const = 0;
    // The mixer frame reaching the listener now (at most the frames mixed).
    virtual int64_t GetHeardFrame() const = 0;
    // The global clock advanced by dt; only fixed-step outputs mix here.
    virtual void AdvanceFrame(float /*dt*/) {}
};
