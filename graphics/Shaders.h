// The shader constants glue of the technique manager: the constant blend
// colour (fixed-function texture factor and pixel-shader c0), the two
// matrices of the water and map vertex programs, and the constants the
// water techniques record into their pass blocks.
//
// The programs themselves are the device layer's (CreateEngineVertexShader,
// CreateEnginePixelShader): two vertex programs (VSWater, VSMapHideColor)
// and seven pixel programs, created by the manager into its handle slots.
//
// Threads: main thread only (they set device state). While a state block
// is being recorded the calls are recorded into it.
#pragma once

#include <cstdint>

// Pixel-shader handle slots of the manager.
enum EPixelShaderSlot : int
{
    PS_SPECMAP = 0,
    PS_SKYLAYER = 1,
    PS_SPECBUMP = 2,
    PS_MAPHIDECOLOR = 3,
    PS_SPECMAPMASK = 4,
    PS_SPECMAPMASK11 = 5,
    PS_MAPMASK = 6,
    PS_SLOT_COUNT = 7,
};

// Vertex-shader handle slots.
enum EVertexShaderSlot : int
{
    VS_WATER = 0,
    VS_MAPHIDECOLOR = 1,
    VS_SLOT_COUNT = 2,
};

// Vertex-shader constant registers the water program reads.
constexpr std::uint32_t kVSReflectionOffset = 8;    // c8: (0.5, 0.5, -0.25, 1.0)
constexpr std::uint32_t kVSReflectionScale = 9;     // c9: x, y scale, z offset
constexpr std::uint32_t kVSFog = 10;                // c10.w: fog height factor
constexpr std::uint32_t kVSWaveWeights = 11;        // c11: wave weights, w eye reference
constexpr std::uint32_t kVSEye = 13;                // c13: eye, w alpha slope
constexpr std::uint32_t kVSReflectionStrength = 14; // c14: (0.5, 0, 1.0, 1.3)

// Flags of SetTextureFactor and SetTextureFactorAlpha.
constexpr std::uint8_t kFactorRenderState = 1; // D3DRS_TEXTUREFACTOR
constexpr std::uint8_t kFactorPixelShader = 2; // pixel-shader c0 (devices with pixel shaders)

// Bit 1: c0 = (R, G, B, A) / 255 when the device has pixel shaders; bit 0:
// the texture factor render state = colour.
void SetTextureFactor(std::uint32_t colour, std::uint8_t flags);
// Bit 1: c0 = (alpha, 0, 0, alpha); bit 0: the texture factor = white with
// alpha x 255 truncated.
void SetTextureFactorAlpha(float alpha, std::uint8_t flags);
// c0-c2 = the first three rows of the transposed second matrix, c3-c6 the
// transposed first matrix (row-major 4 x 4 each).
void SetVertexShaderMatrices(const float first[16], const float second[16]);
// Sets a vertex-shader constant register to four values.
void SetVertexShaderConstant4(std::uint32_t reg, float x, float y, float z, float w);

// Creates the programs into the slots: pixel programs when the device has
// pixel shaders (a failed slot stays 0), vertex programs when it has vertex
// shaders (a failure is logged). Slots must be 0 on entry.
void CreateEngineShaders(std::uint32_t pixelSlots[], std::uint32_t vertexSlots[]);
