// Formats the device failure's message once, at construction.
#include "assets/sprite/ComException.h"

#include <cstdio>

namespace DirectX {

com_exception::com_exception(int32_t result) : m_nResult(result)
{
    std::snprintf(m_Message, sizeof(m_Message), "Failure with HRESULT of %08X", static_cast<uint32_t>(result));
}

} // namespace DirectX
