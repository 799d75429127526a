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

// What a draw's render states choose among inside one program: every
// program reads these as uniforms, so that a caller switching fog, the alpha
// test, specular, clip planes, the material sources or a stage's texture on
// or off needs no other program (each switch would otherwise be a program
// compiled in the middle of play).
struct SProgramInputs
{
    std::int32_t fog[4];      // EFogSource, function (D3DFOG_*), by range, table fog by the depth value
    std::int32_t draw[4];     // alpha compare results that pass (bits: less, equal, greater), specular add,
                              // stages with a texture (bits), eye space
    std::int32_t vertex[4];   // local viewer, normalize normals, stages with a texture transform (bits 0-7)
                              // and the first clip plane enabled (bit 8), lighting
    std::int32_t material[4]; // diffuse, ambient, specular, emissive source: 0 material, 1 colour 1, 2 colour 2

    SProgramInputs() { std::memset(this, 0, sizeof(*this)); }
    bool operator==(const SProgramInputs& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
};
static_assert(sizeof(SProgramInputs) == 64);

struct SStageKey
{
    std::uint8_t colorOp; // 0 when the stage and all after it are off
    std::uint8_t colorArg[3];
    std::uint8_t alphaOp;
    std::uint8_t alphaArg[3];
    std::uint8_t resultTemp;
    std::uint8_t coordSet;  // texture coordinate set
    std::uint8_t coordGen;  // 0 pass-through, 1 normal, 2 position, 3 reflection (camera space)
    std::uint8_t coordSize; // components of the input set (1-4)
    std::uint8_t ttffCount; // components of a projected coordinate (whether a transform applies is an input)
    std::uint8_t projected;
    std::uint8_t used; // coordinates are needed
    std::uint8_t pad;
};

// The vertex format enters the key only where it changes the program: a
// normal, colour or weight the vertex lacks reads Direct3D's value for a
// missing element from the attribute's constant value.
struct SProgramKey
{
    std::uint8_t vs; // 0 fixed function, else 1 + EEngineVertexShader
    std::uint8_t ps; // 0 texture stages, else 1 + EEnginePixelShader
    std::uint8_t rhw;
    std::uint8_t blend; // blend weights in use (0-3)
    std::uint8_t pointSizeAttr;
    std::uint8_t points, pointScale, pointSprite;
    std::uint8_t clipMask; // clip planes 1-5 enabled (the first one is an input)
    std::uint8_t pad[7];
    SStageKey stages[8];

    SProgramKey() { std::memset(this, 0, sizeof(*this)); }
    bool operator==(const SProgramKey& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
};
static_assert(sizeof(SStageKey) == 16);
static_assert(sizeof(SProgramKey) == 16 + 8 * 16);

struct SProgramKeyHash
{
    std::size_t operator()(const SProgramKey& k) const;
};

// Whether the fixed-function program always works in world and camera space
// (else it transforms by the one world-view-projection product unless the
// eye-space input asks for camera space: fog by distance, clip planes).
bool NeedsEyeSpace(const SProgramKey& key);
std::string BuildVertexSource(const SProgramKey& key);
std::string BuildFragmentSource(const SProgramKey& key);
// One line naming what the key holds (its non-zero fields), for the log of a
// program compiled where none should be.
std::string DescribeKey(const SProgramKey& key);

} // namespace plat::d3d::gl
