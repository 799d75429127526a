// The terrain pixel fixtures: RenderTest (a location on the heap with a
// view camera that passes every sphere) and TerrainPixels (a device, the
// technique manager and test textures), with an orthographic top view and
// an off-screen target read back pixel by pixel.
#pragma once

#include "LocationFixture.h"
#include "location/Environment.h"

#include "foundation/Texture.h"
#include "graphics/GraphicTestDevice.h"
#include "graphics/Mesh.h"
#include "graphics/TexShaderManager.h"
#include "location/ViewCamera.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace terraintest
{
using namespace plat::d3d;
using testutil::CLocationTest;
using testutil::MakeSource;

class RenderTest : public CLocationTest
{
protected:
    void SetUp() override
    {
        CLocationTest::SetUp();
        m_savedCamera = g_ViewCamera;
        g_ViewCamera.m_mViewProjection = CMatrix(0.0f); // every sphere passes
    }
    void TearDown() override
    {
        g_ViewCamera = m_savedCamera;
        CLocationTest::TearDown();
    }
    // A map of n x n cells sharing one data block.
    bool OpenGrid(int cells)
    {
        SMapSource source = MakeSource(64 * cells + 1, 64 * cells + 1);
        source.heights.clear();
        source.shareOneBlock = true;
        return Open(source);
    }
    void ViewFrom(float cellX, float cellY)
    {
        g_ViewCamera.SetPosition(CVector{cellX * 640.0f, cellY * 640.0f, 300.0f});
        m_location->CycleSetVisibility();
    }
    std::vector<CLocation::SVisibleCell> Visible() const
    {
        return {m_location->GetVisibleCells(), m_location->GetVisibleCells() + m_location->GetVisibleCount()};
    }
    CViewCamera m_savedCamera;
};

inline std::unique_ptr<CTexture> MakeTexture(std::uint32_t (*texel)(int x, int y))
{
    auto t = std::make_unique<CTexture>();
    t->CreateTexture(32, 32, 1, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 0);
    SLockedRect locked{};
    if (t->m_lpTexture && t->m_lpTexture->LockRect(0, &locked, nullptr, 0) == D3D_OK)
    {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
            {
                const std::uint32_t c = texel(x, y);
                std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, &c, 4);
            }
        t->m_lpTexture->UnlockRect(0);
    }
    return t;
}

// Textures by id for the terrain; the last one is the default.
class CTestTextures : public ITerrainTextures
{
public:
    CTexture* GetTexture(std::int32_t id) override
    {
        return id >= 0 && id < std::int32_t(m_textures.size()) ? m_textures[std::size_t(id)].get() : nullptr;
    }
    std::int32_t GetDefaultTexture() override { return std::int32_t(m_textures.size()) - 1; }
    std::vector<std::unique_ptr<CTexture>> m_textures;
};

inline int Luma(std::uint32_t c)
{
    return int((c >> 16) & 0xFF) + int((c >> 8) & 0xFF) + int(c & 0xFF);
}

// A device, the technique manager and the location initialised on them.
class TerrainPixels : public RenderTest
{
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        m_window = gfxtest::HiddenWindow(64, 48);
        ASSERT_NE(m_window, nullptr);
        ASSERT_TRUE(graph.CreateDirect3D());
        ASSERT_TRUE(graph.CreateDevice(gfxtest::WindowedParameters(), m_window));
        ASSERT_TRUE(m_techniques.Init(true));
        g_pTexShaderManager = &m_techniques;
        m_location->m_pTextures = &m_textures;
        // The terrain's own colours are measured: the environment's fog
        // stays out of them.
        g_Environment.m_fFogMultiplier = 0.0f;
    }
    void TearDown() override
    {
        g_Environment.m_fFogMultiplier = 1.0f;
        m_location->Done();
        m_textures.m_textures.clear();
        g_pTexShaderManager = nullptr;
        m_techniques.Purge();
        CMesh::ResetCurrent();
        graph.Release();
        if (m_window) plat::DestroyWindow(m_window);
        RenderTest::TearDown();
    }

    // Draws from straight above, orthographic, size x size world units
    // around (cx, cy), into a width x height target; the game's camera
    // looks down with world +x to the left of the picture and +y up.
    void BeginTarget(std::uint32_t width, std::uint32_t height)
    {
        Device* d = graph.m_lpDevice;
        ASSERT_EQ(d->CreateRenderTarget(width, height, D3DFMT_X8R8G8B8, 0, true, &m_target), D3D_OK);
        ASSERT_EQ(d->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, 0, &m_depth), D3D_OK);
        ASSERT_TRUE(graph.PushRenderTarget(m_target, m_depth));
        m_width = width;
        m_height = height;
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    }
    void Look(float cx, float cy, float size, std::uint32_t x0, std::uint32_t side)
    {
        Device* d = graph.m_lpDevice;
        const SViewport viewport{x0, 0, side, side, 0.0f, 1.0f};
        d->SetViewport(&viewport);
        SMatrix view = IdentityMatrix();
        view.m[0][0] = -1.0f;
        view.m[2][2] = -1.0f;
        view.m[3][0] = cx;
        view.m[3][1] = -cy;
        view.m[3][2] = 2000.0f;
        SMatrix projection = IdentityMatrix();
        projection.m[0][0] = 2.0f / size;
        projection.m[1][1] = 2.0f / size;
        projection.m[2][2] = 1.0f / 4000.0f;
        d->SetTransform(D3DTS_VIEW, &view);
        d->SetTransform(D3DTS_PROJECTION, &projection);
        SetDefaultStates();
        d->SetRenderState(D3DRS_LIGHTING, 1);
        d->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
        SLight sun{};
        sun.Type = D3DLIGHT_DIRECTIONAL;
        sun.Diffuse = {1, 1, 1, 1};
        sun.Direction = {-0.7071f, 0.0f, -0.7071f}; // from +x, downwards
        d->SetLight(0, &sun);
        d->LightEnable(0, true);
    }
    std::vector<std::uint32_t> EndTarget()
    {
        graph.PopRenderTarget();
        std::vector<std::uint32_t> pixels(std::size_t(m_width) * m_height);
        SLockedRect locked{};
        if (m_target->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK)
        {
            for (std::uint32_t row = 0; row < m_height; ++row)
                std::memcpy(&pixels[std::size_t(row) * m_width],
                            static_cast<const std::uint8_t*>(locked.pBits) + row * locked.Pitch, m_width * 4);
            m_target->UnlockRect();
        }
        m_target->Release();
        m_depth->Release();
        m_target = m_depth = nullptr;
        return pixels;
    }
    void DrawFrame()
    {
        m_location->PreRender();
        graph.m_lpDevice->BeginScene();
        m_location->CycleRender();
        graph.m_lpDevice->EndScene();
    }

    plat::Window* m_window = nullptr;
    TexShaderManager m_techniques;
    CTestTextures m_textures;
    Surface* m_target = nullptr;
    Surface* m_depth = nullptr;
    std::uint32_t m_width = 0, m_height = 0;
};
} // namespace terraintest
