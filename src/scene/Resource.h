// CResource: the base of every named object a script creates, and the name
// folding shared by the registry and the parameter table. Holds no behaviour.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum ResourceKind : int32_t {
    RESOURCE_AUDIO = 1,
    RESOURCE_TEXTURE = 2,
    RESOURCE_NODE = 3,
    RESOURCE_MODEL = 4,
    RESOURCE_MATERIAL = 5,
    RESOURCE_FONT = 6,
    RESOURCE_VARIABLE = 7,
    RESOURCE_POSTPROCESS = 8,
    RESOURCE_MODELRENDERER = 9,
    RESOURCE_TEXTRENDERER = 10,
    RESOURCE_CAMERA = 11,
};

// Folds 'A'..'Z' to lowercase and leaves every other byte alone.
std::string LowerAscii(std::string text);

// The kind in words, for messages ("material", "model renderer"); "resource" when unknown.
const char* ResourceKindName(ResourceKind kind);

class CResource {
public:
    CResource(ResourceKind kind, std::string name);
    virtual ~CResource() = default;
    CResource(const CResource&) = delete;
    CResource& operator=(const CResource&) = delete;

    ResourceKind GetKind() const { return m_Kind; }
    const std::string& GetName() const { return m_Name; }

    // The files the resource was made from, as the script named them; none for
    // what a script makes from numbers alone.
    virtual std::vector<std::string> GetSourceFiles() const
    {
        return m_SourcePath.empty() ? std::vector<std::string>{} : std::vector<std::string>{m_SourcePath};
    }
    // Makes the resource again from its files, in place, for whoever holds it.
    // False, with a report, when they do not load: the resource stays as it was.
    virtual bool Reload() { return false; }

protected:
    // The file a load read, kept for a reload.
    std::string m_SourcePath;

private:
    ResourceKind m_Kind;
    std::string m_Name;
};
