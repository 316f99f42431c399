#include "render/gl/shader/StageTranslation.h"

std::string StageVarying::Register(uint32_t k) const
{
    if (arraySize && columns > 1)
        return name + "[" + std::to_string(k / columns) + "][" + std::to_string(k % columns) + "]";
    if (arraySize || columns > 1)
        return name + "[" + std::to_string(k) + "]";
    return name;
}
