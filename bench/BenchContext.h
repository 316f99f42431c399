// The player's own headless GL context for a benchmark; says why when there is none.
#pragma once
#include "app/platform/EglContext.h"

#include <cstdio>
#include <memory>
#include <string>

namespace bench {
inline auto OpenPlayerContext()
{
    std::string error;
    auto context = CEglContext::Create(error);
    if (!context)
        std::fprintf(stderr, "%s\n", error.c_str());
    return context;
}
} // namespace bench
