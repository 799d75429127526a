// Inside the Direct3D 8 layer: GLSL programs generated from the state that
// matters to the fixed-function pipeline (and the engine's own programs).
//
// Contract:
// - SProgramKey is a compact, canonical description of one pipeline set-up:
//   bytes only, no padding, so it is hashed and compared as memory. Two
//   states that draw the same way produce the same key.
// - BuildVertexSource/BuildFragmentSource are pure functions of the key.
// Thread safety: pure functions; safe anywhere.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace plat::d3d::gl
{

constexpr int kMaxLights = 16;

// Attribute locations shared by every generated program.
enum EAttrib : int
{
    kAttribPosition = 0,
    kAttribWeights = 1,
    kAttribNormal = 2,
    kAttribPointSize = 3,
    kAttribDiffuse = 4,
    kAttribSpecular = 5,
    kAttribTex0 = 6, // .. 13
};

enum EFogSource : std::uint8_t
{
    kFogNone = 0,
    kFogVertex = 1,   // computed per vertex from the eye distance
    kFogTable = 2,    // computed per pixel
    kFogSpecular = 3, // pre-transformed vertices: specular alpha
    kFogShader = 4,   // the engine's vertex program writes the factor
};

struct SStageKey
{
    std::uint8_t colorOp; // 0 when the stage and all after it are off
    std::uint8_t colorArg[3];
    std::uint8_t alphaOp;
    std::uint8_t alphaArg[3];
    std::uint8_t resultTemp;
    std::uint8_t texture;   // 0 none bound, 1 colour texture, 2 signed bump texture
    std::uint8_t coordSet;  // texture coordinate set
    std::uint8_t coordGen;  // 0 pass-through, 1 normal, 2 position, 3 reflection (camera space)
    std::uint8_t coordSize; // components of the input set (1-4)
    std::uint8_t ttffCount; // 0 no transform
    std::uint8_t projected;
    std::uint8_t used; // coordinates are needed
};

struct SProgramKey
{
    std::uint8_t vs; // 0 fixed function, else 1 + EEngineVertexShader
    std::uint8_t ps; // 0 texture stages, else 1 + EEnginePixelShader
    std::uint8_t rhw;
    std::uint8_t weightCount; // blend weights in the vertex
    std::uint8_t blend;       // blend weights in use (0-3)
    std::uint8_t normal, diffuse, specular, pointSizeAttr;
    std::uint8_t lighting, localViewer, normalize;                 // the number of lights is a uniform
    std::uint8_t diffuseSrc, ambientSrc, specularSrc, emissiveSrc; // 0 material, 1 colour 1, 2 colour 2
    std::uint8_t fogSource, fogFunc, rangeFog;
    std::uint8_t points, pointScale, pointSprite;
    std::uint8_t clipMask;
    std::uint8_t specularAdd;
    std::uint8_t alphaFunc;    // 0 no test, else the compare value
    std::uint8_t fogFromDepth; // table fog reads the depth value, not the eye distance
    std::uint8_t pad[6];
    SStageKey stages[8];

    SProgramKey() { std::memset(this, 0, sizeof(*this)); }
    bool operator==(const SProgramKey& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
};
static_assert(sizeof(SStageKey) == 16);
static_assert(sizeof(SProgramKey) == 32 + 8 * 16);

struct SProgramKeyHash
{
    std::size_t operator()(const SProgramKey& k) const;
};

// Whether the fixed-function program works in world and camera space (else
// it transforms by the one world-view-projection product).
bool NeedsEyeSpace(const SProgramKey& key);
std::string BuildVertexSource(const SProgramKey& key);
std::string BuildFragmentSource(const SProgramKey& key);

} // namespace plat::d3d::gl
