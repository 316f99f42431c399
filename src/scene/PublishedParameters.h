// The names under which the system publishes live values to shaders, with their
// sizes: the one list that the registering code, the check of shader constants
// and the "did you mean" suggestions share. A new published value joins here
// and is registered under its name from here. It holds no values itself: those
// live in the parameter table.
#pragma once
#include <cstdint>
#include <string>

struct PublishedParameter {
    const char* name; // as authors write it; shaders match it without regard to case
    uint32_t size;    // bytes
};

inline constexpr PublishedParameter kGlobalTimeParameter{"global_time", 4};
inline constexpr PublishedParameter kWorldMatrixParameter{"WorldMatrix", 64};
inline constexpr PublishedParameter kViewMatrixParameter{"ViewMatrix", 64};
inline constexpr PublishedParameter kProjectionMatrixParameter{"ProjectionMatrix", 64};
inline constexpr PublishedParameter kFadeValueParameter{"fade_value", 4};
inline constexpr PublishedParameter kAmbientColourParameter{"AmbientColour", 16};

inline constexpr PublishedParameter kPublishedParameters[] = {
    kGlobalTimeParameter,       kWorldMatrixParameter, kViewMatrixParameter,
    kProjectionMatrixParameter, kFadeValueParameter,   kAmbientColourParameter,
};

// The published value of that name (compared without regard to ASCII case), or null.
const PublishedParameter* FindPublishedParameter(const std::string& name);
