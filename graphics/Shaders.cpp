#include "graphics/Shaders.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "platform/d3d8/D3D8.h"

using namespace plat::d3d;

void SetTextureFactor(std::uint32_t colour, std::uint8_t flags)
{
    Device* device = graph.m_lpDevice;
    if (!device) return;
    if ((flags & kFactorPixelShader) && graph.m_bPixelShaders)
    {
        const float c[4] = {float((colour >> 16) & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
                            float(colour & 0xFF) / 255.0f, float((colour >> 24) & 0xFF) / 255.0f};
        device->SetPixelShaderConstant(0, c, 1);
    }
    if (flags & kFactorRenderState) device->SetRenderState(D3DRS_TEXTUREFACTOR, colour);
}

void SetTextureFactorAlpha(float alpha, std::uint8_t flags)
{
    Device* device = graph.m_lpDevice;
    if (!device) return;
    if ((flags & kFactorPixelShader) && graph.m_bPixelShaders)
    {
        const float c[4] = {alpha, 0.0f, 0.0f, alpha};
        device->SetPixelShaderConstant(0, c, 1);
    }
    if (flags & kFactorRenderState)
    {
        // Truncated toward zero, as a float-to-int conversion does.
        const std::uint32_t a = std::uint32_t(int(alpha * 255.0f)) & 0xFF;
        device->SetRenderState(D3DRS_TEXTUREFACTOR, (a << 24) | 0x00FFFFFFu);
    }
}

void SetVertexShaderMatrices(const float first[16], const float second[16])
{
    Device* device = graph.m_lpDevice;
    if (!device) return;
    float a[16], b[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
        {
            a[r * 4 + c] = first[c * 4 + r];
            b[r * 4 + c] = second[c * 4 + r];
        }
    device->SetVertexShaderConstant(0, b, 3);
    device->SetVertexShaderConstant(3, a, 4);
}

void SetVertexShaderConstant4(std::uint32_t reg, float x, float y, float z, float w)
{
    if (!graph.m_lpDevice) return;
    const float c[4] = {x, y, z, w};
    graph.m_lpDevice->SetVertexShaderConstant(reg, c, 1);
}

void CreateEngineShaders(std::uint32_t pixelSlots[], std::uint32_t vertexSlots[])
{
    Device* device = graph.m_lpDevice;
    if (!device) return;
    if (graph.m_bPixelShaders)
    {
        for (int slot = 0; slot < PS_SLOT_COUNT; ++slot)
        {
            std::uint32_t handle = 0;
            if (plat::Failed(device->CreateEnginePixelShader(EEnginePixelShader(slot), &handle))) handle = 0;
            pixelSlots[slot] = handle;
        }
    }
    if (graph.m_bVertexShaders)
    {
        std::uint32_t handle = 0;
        if (plat::Failed(device->CreateEngineVertexShader(EEngineVertexShader::Water, &handle)))
        {
            handle = 0;
            g_ErrorLog.LogError("WATER VertexShader create fail");
        }
        vertexSlots[VS_WATER] = handle;
        handle = 0;
        if (plat::Failed(device->CreateEngineVertexShader(EEngineVertexShader::MapHideColor, &handle)))
        {
            handle = 0;
            g_ErrorLog.LogError("MAPCOLORHIDE VertexShader create fail");
        }
        vertexSlots[VS_MAPHIDECOLOR] = handle;
    }
}
