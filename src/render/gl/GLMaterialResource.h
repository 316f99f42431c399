// CGLMaterialResource: a material on GL. Each shader line of the material file
// is translated from HLSL (CompileHlsl) and compiled; once both stages exist
// they are linked into one program. Constant buffers, found by reflection, are
// uniform buffers refilled from the parameter table on every Update (each
// variable matched to its parameter by name in advance, CConstantFiller),
// from a zeroed CPU copy, as Direct3D's map-with-discard hands out fresh memory.
// The vertex layout is the renderer's one ModelVertex layout.
#pragma once
#include "render/ConstantFiller.h"
#include "render/MaterialResource.h"
#include "render/gl/ShaderCompiler.h"

#include <epoxy/gl.h>
#include <unordered_map>
#include <vector>

class CGLRenderer;

using ShaderVariable = ReflectedVariable;

struct GLConstantBuffer {
    std::string name; // lowercased HLSL name, for reference
    uint32_t size = 0;
    uint32_t binding = 0; // uniform-buffer binding the translated shader reads
    GLuint buffer = 0;
    std::vector<ShaderVariable> variables;
    std::vector<uint8_t> shadow;
    CConstantFiller filler; // the variables, matched to their parameters

};

class CGLMaterialResource : public CMaterialResource {
public:
    CGLMaterialResource(std::string name, CGLRenderer& renderer);
    ~CGLMaterialResource() override;

    // Reads the material file, then makes the constant buffers of each stage.
    bool Load(const std::string& path);

    void Apply() override;
    void Update(float dt) override;
    // Every constant buffer's CPU copy, vertex stage first, one after another.
    void CaptureConstants(std::vector<uint8_t>& snapshot) const override;
    void LoadShader(MaterialStage stage, const std::string& file, const std::string& entry) override;
    bool FindPixelResource(const std::string& resourceName, uint32_t& bindPoint) const override;
    bool HasPixelShader() const override { return m_Pixel.reflected; }

    // The material file and the shader files it names.
    std::vector<std::string> GetSourceFiles() const override;
    // Reads the files again; only a material whose shaders compile and link
    // replaces this one's shaders, so a failed edit keeps the picture going.
    bool Reload() override;

    GLuint GetProgram() const { return m_Program; }
    // A full-screen pass drawn with this material writes every pixel of its
    // target, opaquely: what the target held before cannot show through.
    bool OverwritesTarget() const
    {
        return m_Program && m_bInputLayout && m_Vertex.facts.coversTarget && m_Pixel.facts.opaque;
    }
    const std::vector<GLConstantBuffer>& GetConstantBuffers(MaterialStage stage) const;

protected:
    // Into this user's own copy of the buffers, made on first use and written
    // only when its contents change: the driver never has to wait for draws
    // already issued with the material's buffers.
    void UploadConstants(const std::vector<uint8_t>& snapshot, const void* user) override;

private:
    struct Stage {
        GLuint shader = 0;
        bool reflected = false;
        std::vector<ReflectedConstantBuffer> constantBuffers;
        std::vector<ReflectedTexture> textures;
        std::vector<GLConstantBuffer> buffers;
        ShaderOutputFacts facts;
    };

    struct UserConstants {
        std::vector<GLuint> buffers; // one per constant buffer, vertex stage first
        std::vector<uint8_t> contents;
    };

    void Link();
    static void MakeBuffers(Stage& stage);
    static void Upload(GLConstantBuffer& buffer);

    CGLRenderer& m_Renderer;
    Stage m_Vertex;
    Stage m_Pixel;
    GLuint m_Program = 0;
    // False when the vertex shader reads an input ModelVertex lacks: Direct3D
    // makes no input layout for it, and draws with the material show nothing.
    bool m_bInputLayout = false;
    // A file that failed to read leaves its buffers unfilled (all zero), as a
    // shader without bound constant buffers reads zeros on Direct3D.
    bool m_bFillConstants = false;
    std::unordered_map<const void*, UserConstants> m_UserConstants;
    std::vector<std::string> m_ShaderFiles;
    const UserConstants* m_pBoundConstants = nullptr; // null: the material's own buffers
};
