// Inside the Direct3D 8 layer: the same draw mix issued straight to OpenGL,
// as the yardstick the layer's draw benchmark is measured against.
//
// Contract: made on the thread that owns the device's context (the device
// must exist and stay alive); draws into the device's current target.
#pragma once

#include <cstdint>
#include <memory>

namespace plat::d3d
{

class CRawGlReference
{
public:
    // meshVertices/meshIndices: one small indexed mesh (16-bit indices);
    // textures: how many distinct textures the mix alternates.
    CRawGlReference(const float* positions, std::uint32_t vertexCount, const std::uint16_t* indices,
                    std::uint32_t indexCount, int textures);
    ~CRawGlReference();
    // One draw with a state change: a texture, a colour and a translation.
    void Draw(int texture, std::uint32_t colour, float dx, float dy);
    void Finish();

private:
    struct SImpl;
    std::unique_ptr<SImpl> m_pImpl;
};

} // namespace plat::d3d
