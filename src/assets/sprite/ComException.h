// The device failure of the sprite path: a result code from a device call that
// failed, carried with the message "Failure with HRESULT of %08X".
#pragma once
#include <cstdint>
#include <exception>

namespace DirectX {

// Result codes the neutral sprite code raises itself.
inline constexpr int32_t kResultFail = static_cast<int32_t>(0x80004005u);       // E_FAIL
inline constexpr int32_t kResultInvalidArg = static_cast<int32_t>(0x80070057u); // E_INVALIDARG

class com_exception : public std::exception {
public:
    explicit com_exception(int32_t result);
    const char* what() const noexcept override { return m_Message; }
    int32_t get_result() const { return m_nResult; }

private:
    int32_t m_nResult;
    char m_Message[40];
};

} // namespace DirectX
