// CTextureResource: the platform-neutral face of a texture: its pixel size.
// Decoding images and device objects belong to the back end's texture class.
#pragma once
#include "scene/Resource.h"

class CTextureResource : public CResource {
public:
    explicit CTextureResource(std::string name) : CResource(RESOURCE_TEXTURE, std::move(name)) {}

    virtual bool Load(const std::string& /*path*/) { return false; }
    // An output-sized float RGBA target a post-process effect draws into and samples.
    virtual bool CreateRenderTarget(int /*width*/, int /*height*/) { return false; }
    // A single-channel 32-bit float texture of that size, filled by UploadFloats;
    // with no device only the size is kept.
    virtual bool CreateFloatData(int width, int height)
    {
        m_nWidth = width;
        m_nHeight = height;
        return width > 0 && height > 0;
    }
    // width * height floats, top row first.
    virtual void UploadFloats(const float* /*texels*/) {}

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }

protected:
    int m_nWidth = 0;
    int m_nHeight = 0;
};
