// Inside the Direct3D 8 layer: the OpenGL backend behind the device.
//
// Contract:
// - Owns the GL context made on the device window, the program cache, the
//   sampler objects, the vertex array and the framebuffer object, and the GL
//   storage of every resource it has seen (created lazily, uploaded from the
//   resource's CPU copy when its version changes).
// - Reads the device's live state at draw time; the device tells it what
//   changed through MarkDirty. A GL state cache skips calls that would not
//   change anything; SetCacheEnabled(false) sends every state on every draw.
// - Thread: only the thread that created the device (the context owner).
// Files by concern: GlBackend.cpp (context, start-up, deleted names),
// _Programs (program keys, generated programs, uniforms), _State (raster
// state, samplers), _Surfaces (storage, uploads, targets, clears), _Draw
// (streams, texture binding, draws), _Present (present, front buffer).
#pragma once

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/StateBlock.h"
#include "platform/d3d8/gl/ShaderGen.h"

#include <memory>
#include <string>
#include <unordered_map>

struct SDL_Window;

namespace plat::d3d::detail
{

enum EDirty : std::uint32_t
{
    kDirtyTransforms = 1u << 0,
    kDirtyLights = 1u << 1,
    kDirtyMaterial = 1u << 2,
    kDirtyMisc = 1u << 3,   // fog, points, clip planes, factor, bump, alpha ref, constants, viewport
    kDirtyKey = 1u << 4,    // anything that changes the generated program
    kDirtyRaster = 1u << 5, // blend, depth, cull, stencil, masks
    kDirtySamplers = 1u << 6,
    kDirtyStream = 1u << 7,
    kDirtyTargets = 1u << 8,
    kDirtyFactor = 1u << 9, // the texture factor alone
    kDirtyAll = 0x3FF,
};

struct SGlSurface
{
    std::uint32_t texture = 0;      // colour storage
    std::uint32_t renderbuffer = 0; // depth storage
};

// What the device resolved for a draw besides the state itself.
struct SDrawSetup
{
    int engineVs = -1; // EEngineVertexShader or -1 for an FVF
    int enginePs = -1; // EEnginePixelShader or -1 for the texture stages
    std::uint32_t fvf = 0;
};

class CGlBackend
{
public:
    explicit CGlBackend(std::shared_ptr<SDeviceCore> core);
    ~CGlBackend();

    bool Init(SDL_Window* window, std::string* error);
    void SetSwapInterval(bool vsync);

    void CreateSurfaceStorage(Surface* surface);
    void EnsureTexture(Texture* texture);
    // Colour surfaces in GL memory: read a rectangle into memory of the
    // surface's format, or write the whole surface from it.
    bool ReadSurface(Surface* surface, const Rect& rect, std::uint8_t* dst, std::size_t pitch);
    bool WriteSurface(Surface* surface, const std::uint8_t* src, std::size_t pitch);

    void SetTargets(Surface* color, Surface* depth);
    void Clear(const SStateData& state, std::uint32_t count, const SRect* rects, std::uint32_t flags,
               Color color, float z, std::uint32_t stencil);
    void Draw(const SStateData& state, const SDrawSetup& setup, std::uint32_t primitive, std::uint32_t first,
              std::uint32_t vertexCount, bool indexed, std::uint32_t indexCount);
    // Shows the back buffer through the gamma ramp. With backBufferFree (its
    // contents need not survive, as after a discarding or single flipping
    // present) and an identity ramp, the back buffer's storage simply
    // becomes the front buffer's, and the old front storage the back's.
    void Present(Surface* backBuffer, const SGammaRamp& ramp, bool backBufferFree);
    // Size of the window's drawable, the size of the front buffer.
    void FrontBufferSize(int* width, int* height) const;
    // The last presented picture (after the gamma ramp) as A8R8G8B8 rows,
    // top row first; black before the first Present.
    void ReadFrontBuffer(std::uint8_t* dst, std::size_t pitch, int width, int height);

    void MarkDirty(std::uint32_t bits) { m_nDirty |= bits; }
    void SetCacheEnabled(bool enabled);
    std::size_t ProgramCount() const { return m_programs.size(); }
    // Compiles (or finds) the program of a draw with this state and set-up.
    bool PrepareProgram(const SStateData& state, const SDrawSetup& setup, std::uint32_t primitive);
    void FlushGraveyard();
    void WaitIdle();

private:
    struct SProgram;
    SProgram* GetProgram(const gl::SProgramKey& key);
    gl::SProgramKey BuildKey(const SStateData& state, const SDrawSetup& setup, std::uint32_t primitive,
                             gl::SProgramInputs* inputs) const;
    void ApplyRaster(const SStateData& state);
    void ApplySamplers(const SStateData& state);
    void BindTextures(const SStateData& state, std::uint32_t stages);
    void UploadUniforms(SProgram& program, const SStateData& state, const gl::SProgramInputs& inputs);
    void SetupStream(const SStateData& state, const SDrawSetup& setup);
    void UploadBuffer(Buffer* buffer, unsigned target);
    void BindTargetFbo();
    unsigned CompileProgram(const std::string& vs, const std::string& fs, std::string* log);
    void GammaPass(unsigned backTexture, const SGammaRamp& ramp, int width, int height);
    bool InitPresent(std::string* error); // the present program, gamma ramp and front copy

    std::shared_ptr<SDeviceCore> m_pCore;
    SDL_Window* m_pWindow = nullptr;
    void* m_context = nullptr;
    std::unordered_map<gl::SProgramKey, std::unique_ptr<SProgram>, gl::SProgramKeyHash> m_programs;
    SProgram* m_pCurrent = nullptr;
    gl::SProgramKey m_key;
    std::uint32_t m_nDirty = kDirtyAll;
    std::uint64_t m_versions[5] = {1, 1, 1, 1, 1}; // transforms, lights, material, misc, factor
    // The key of the last draw's state, kept while nothing it reads changes.
    gl::SProgramKey m_stateKey;
    gl::SProgramInputs m_stateInputs;
    SDrawSetup m_stateKeySetup;
    bool m_bStateKeyPoints = false;
    bool m_bStateKeyValid = false;
    // Viewport as last sent to GL.
    SViewport m_sentViewport{};
    bool m_bViewportSent = false;
    bool m_bCache = true;
    unsigned m_samplers[kMaxStages] = {};
    unsigned m_vao = 0;
    unsigned m_fbo = 0;
    unsigned m_presentProgram = 0;
    unsigned m_gammaTexture = 0;
    // The presented picture is kept here, rows top first like every target,
    // and copied to the window, so that it can be read back after the swap
    // has made the window's copy undefined.
    unsigned m_frontTexture = 0;
    SGammaRamp m_uploadedRamp{}; // in m_gammaTexture, when m_bRampUploaded
    bool m_bRampUploaded = false;
    unsigned m_frontFbo = 0;
    int m_nFrontWidth = 0, m_nFrontHeight = 0;
    unsigned m_emptyVao = 0;
    bool m_bVaoBound = false; // m_vao is the bound vertex array
    Surface* m_pColor = nullptr;
    Surface* m_pDepth = nullptr;
    bool m_bTargetsBound = false;
    // Stream set-up last sent to GL.
    const void* m_pLastStream = nullptr;
    std::uint32_t m_nLastStride = 0, m_nLastFvf = 0xFFFFFFFFu;
    int m_nLastVs = -2;
    unsigned m_nLastBufferName = 0;
    unsigned m_nLastIndexName = 0;
    // Raster state last sent to GL.
    struct SRasterCache;
    std::unique_ptr<SRasterCache> m_pRaster;
    unsigned m_boundNames[kMaxStages] = {}; // GL texture bound on each unit
    int m_nDepthClamp = -1;                 // GL_DEPTH_CLAMP as last sent, -1 unknown
};

} // namespace plat::d3d::detail
