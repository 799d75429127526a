// Inside the Direct3D 8 layer: the work of the layer's benchmarks issued
// straight to OpenGL, as the yardsticks they are measured against.
//
// Contract: made on the thread that owns a device's context, while that
// context is current (the device must exist and stay alive). Each reference
// draws in a GL context of its own on the device's window, so that nothing
// it does disturbs the layer's state cache; Begin makes that context current
// and End gives the device's back. Calls other than the constructor,
// destructor, Begin and End belong between Begin and End.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace plat::d3d
{

// Draws of one small textured mesh into a target of its own, the way the
// layer draws them (the same clip-space mapping, point sampling, the texture
// times a colour), so that both give the same pixels.
class CRawGlDrawReference
{
public:
    // positions: x, y, z per vertex, in Direct3D clip space; texture
    // coordinates are x and y. textures: ARGB texels, width x height each.
    CRawGlDrawReference(int targetWidth, int targetHeight, const float* positions, std::uint32_t vertexCount,
                        const std::uint16_t* indices, std::uint32_t indexCount,
                        const std::vector<std::vector<std::uint32_t>>& textures, int textureWidth,
                        int textureHeight);
    ~CRawGlDrawReference();
    void Begin();
    void End();
    void Clear(std::uint32_t argb);
    void SetTexture(int texture);
    void SetColour(std::uint32_t argb);
    // Triangles from indexCount indices starting at firstIndex.
    void Draw(std::uint32_t firstIndex, std::uint32_t indexCount);
    void Finish();
    // Sum of the red, green and blue values of every pixel of the target.
    std::uint64_t PixelSum();

private:
    struct SImpl;
    std::unique_ptr<SImpl> m_pImpl;
};

// A presented frame at its plainest: clear an off-screen image, copy it to
// the window, swap.
class CRawGlPresentReference
{
public:
    CRawGlPresentReference(int width, int height);
    ~CRawGlPresentReference();
    void Begin();
    void End();
    void Frame(std::uint32_t argb);
    void Finish();

private:
    struct SImpl;
    std::unique_ptr<SImpl> m_pImpl;
};

} // namespace plat::d3d
