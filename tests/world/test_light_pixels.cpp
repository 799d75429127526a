// The frame's dynamic lights through the Direct3D 8 layer offscreen: nine
// device lights on at once (sun, moon, a glow light and six of the light
// ware's) all reach the picture, and a lamp's light falls off on the ground
// around it at night.
#include "WorldTestScene.h"
#include "graphics/GraphicTestDevice.h"

#include "foundation/GameTime.h"
#include "world/KindManagers.h"
#include "world/LampObject.h"
#include "world/LightWare.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
using namespace plat::d3d;

struct SGroundVertex
{
    float x, y, z, nx, ny, nz;
};

class LightPixels : public gfxtest::CGraphicDeviceTest
{
protected:
    // Top-down orthographic view of the square -200..200 (64 pixels wide).
    void SetUpView()
    {
        Device* d = graph.m_lpDevice;
        CMatrix view(1.0f);
        view.m[2][2] = -1.0f;
        view.m[3][2] = 500.0f;
        CMatrix proj(1.0f);
        proj.m[0][0] = 1.0f / 200.0f;
        proj.m[1][1] = 1.0f / 150.0f;
        proj.m[2][2] = 1.0f / 1000.0f;
        CMatrix world(1.0f);
        d->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&world));
        d->SetTransform(D3DTS_VIEW, reinterpret_cast<const SMatrix*>(&view));
        d->SetTransform(D3DTS_PROJECTION, reinterpret_cast<const SMatrix*>(&proj));
        SMaterial white{};
        white.Diffuse = {1, 1, 1, 1};
        d->SetMaterial(&white);
        d->SetRenderState(D3DRS_LIGHTING, 1);
        d->SetRenderState(D3DRS_AMBIENT, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ZENABLE, 0);
        d->SetTexture(0, nullptr);
    }
    // A flat ground grid of 5-unit quads facing up.
    void DrawGround()
    {
        std::vector<SGroundVertex> v;
        const float step = 5.0f;
        for (float y = -200; y < 200; y += step)
            for (float x = -200; x < 200; x += step)
            {
                const SGroundVertex a{x, y, 0, 0, 0, 1}, b{x + step, y, 0, 0, 0, 1}, c{x, y + step, 0, 0, 0, 1},
                    e{x + step, y + step, 0, 0, 0, 1};
                v.insert(v.end(), {a, b, c, b, e, c});
            }
        Device* d = graph.m_lpDevice;
        const std::uint32_t bytes = std::uint32_t(v.size() * sizeof(SGroundVertex));
        VertexBuffer* vb = nullptr;
        ASSERT_EQ(d->CreateVertexBuffer(bytes, 0, D3DFVF_XYZ | D3DFVF_NORMAL, D3DPOOL_MANAGED, &vb), D3D_OK);
        std::uint8_t* data = nullptr;
        vb->Lock(0, 0, &data, 0);
        std::memcpy(data, v.data(), bytes);
        vb->Unlock();
        d->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL);
        d->SetStreamSource(0, vb, sizeof(SGroundVertex));
        d->BeginScene();
        d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, std::uint32_t(v.size() / 3));
        d->EndScene();
        d->SetStreamSource(0, nullptr, 0);
        vb->Release();
    }
    static std::uint32_t Red(std::uint32_t c) { return (c >> 16) & 0xFF; }
};

struct CNight : IEnvironmentLights
{
    std::uint32_t GetLightColor(int) const override { return 0; }
};

} // namespace

TEST_F(LightPixels, NineLightsOnAtOnceAllReachTheGround)
{
    ASSERT_TRUE(OpenDevice());
    SetUpView();
    Device* d = graph.m_lpDevice;
    // Each light adds 0.1 red to the middle of the ground.
    SLight down{};
    down.Type = D3DLIGHT_DIRECTIONAL;
    down.Diffuse = {0.1f, 0, 0, 1};
    down.Direction = {0, 0, -1};
    for (std::uint32_t i : {0u, 1u, 2u})
    {
        d->SetLight(i, &down);
        d->LightEnable(i, true);
    }
    std::vector<SLight> points(6);
    CLightWare ware;
    for (SLight& p : points)
    {
        p.Type = D3DLIGHT_POINT;
        p.Diffuse = {0.1f, 0, 0, 1};
        p.Position = {0, 0, 400};
        p.Range = 1000.0f;
        p.Attenuation0 = 1.0f;
        ware.AddLight(&p, 1.0f);
    }
    ware.SetLights(0, 0, 0, 10.0f);
    ASSERT_EQ(ware.m_nEnabled, 6);
    graph.Clear(D3DCLEAR_TARGET, 0);
    DrawGround();
    std::uint32_t w = 0, h = 0;
    const auto pixels = gfxtest::ReadBackBuffer(&w, &h);
    ASSERT_FALSE(pixels.empty());
    EXPECT_NEAR(double(Red(pixels[(h / 2) * w + w / 2])), 0.9 * 255.0, 8.0);
    ware.DisableLights();
    for (std::uint32_t i : {0u, 1u, 2u})
        d->LightEnable(i, false);
}

TEST_F(LightPixels, LampLightFallsOffOnTheGroundAtNight)
{
    ASSERT_TRUE(OpenDevice());
    worldtest::CScene scene;
    SetUpView();
    CNight night;
    g_pEnvironmentLights = &night;
    g_GameTime = 0.0;
    g_LightWare.ResetFrame();
    CLampObject lamp; // no type: mid grey, range 125
    CMatrix at(30.0f);
    at.SetTranslation(CVector{0, 0, 0});
    lamp.Init(at, "NO_SUCH_LAMP");
    lamp.m_nObjectNumber = 0;
    lamp.PreDraw();
    ASSERT_EQ(g_LightWare.m_nCount, 1);
    g_LightWare.SetLights(0, 0, 0, 200.0f);
    graph.Clear(D3DCLEAR_TARGET, 0);
    DrawGround();
    std::uint32_t w = 0, h = 0;
    const auto pixels = gfxtest::ReadBackBuffer(&w, &h);
    ASSERT_FALSE(pixels.empty());
    // 400 units over 64 pixels: 6.25 units a pixel.
    auto redAt = [&](float x) { return Red(pixels[(h / 2) * w + std::uint32_t(float(w) / 2 + x / 6.25f)]); };
    const std::uint32_t under = redAt(0), near = redAt(50), beyond = redAt(170);
    EXPECT_GT(under, 100u);
    EXPECT_GT(under, near + 20);
    EXPECT_GT(near, beyond);
    EXPECT_EQ(beyond, 0u);
    g_LightWare.DisableLights();
    g_LightWare.ResetFrame();
    g_pEnvironmentLights = nullptr;
}
