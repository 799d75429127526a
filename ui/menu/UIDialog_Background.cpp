// What the screen dialogs draw behind their screens: the game scene, the
// 3-D side effectors, the main menu's scene and pictures, the building
// menu's lit room.
#include "ui/menu/UIDialog.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Random.h"
#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/SurfaceManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"
#include "location/Environment.h"
#include "ui/UI.h"
#include "world/World.h"

#include <cmath>
#include <cstring>

namespace
{
using namespace plat::d3d;

constexpr float kPi = 3.14159265358979f;
constexpr float kIntroTime = 0.25f; // the screen is hidden up to here
constexpr float kShowTime = 0.4f;   // its intro is drawn up to here
constexpr int kImageTechnique = 37;
constexpr std::uint32_t kEffectorColour = 0xFF6060FF;

// Rotations in the device library's form (row vectors): about X the rows
// (1, 0, 0), (0, c, s), (0, -s, c); about Z (c, s, 0), (-s, c, 0), (0, 0, 1).
CMatrix RotationX(float a)
{
    CMatrix m(1.0f);
    const float c = std::cos(a), s = std::sin(a);
    m.m[1][1] = c, m.m[1][2] = s, m.m[2][1] = -s, m.m[2][2] = c;
    return m;
}

CMatrix RotationZ(float a)
{
    CMatrix m(1.0f);
    const float c = std::cos(a), s = std::sin(a);
    m.m[0][0] = c, m.m[0][1] = s, m.m[1][0] = -s, m.m[1][1] = c;
    return m;
}

// Scale (x, y, z), then the translation t.
CMatrix ScaleMove(float x, float y, float z, const CVector& t)
{
    CMatrix m(1.0f);
    m.m[0][0] = x, m.m[1][1] = y, m.m[2][2] = z;
    m.SetTranslation(t);
    return m;
}

void SetTransform(std::uint32_t which, const CMatrix& m)
{
    if (graph.m_lpDevice) graph.m_lpDevice->SetTransform(which, reinterpret_cast<const SMatrix*>(&m));
}

void SetRenderState(std::uint32_t state, std::uint32_t value)
{
    if (graph.m_lpDevice) graph.m_lpDevice->SetRenderState(state, value);
}

void LightsOff(int count)
{
    if (!graph.m_lpDevice) return;
    for (int i = 0; i < count; ++i) graph.m_lpDevice->LightEnable(std::uint32_t(i), false);
}

void DrawImage(const char* name, int left, int top, int right, int bottom)
{
    if (!g_pSurfaceManager) return;
    const int id = g_pSurfaceManager->FindName(name);
    if (id >= 0) g_pSurfaceManager->DrawSurface(id, kImageTechnique, left, top, right, bottom, nullptr);
}
} // namespace

SColorValue ScaleColorValue(float r, float g, float b, float a, float factor)
{
    return SColorValue{r * factor, g * factor, b * factor, a};
}

SColorValue ColorValueFromARGB(std::uint32_t argb)
{
    const auto byte = [argb](int shift) { return float(argb >> shift & 0xFF) / 255.0f; };
    return SColorValue{byte(16), byte(8), byte(0), byte(24)};
}

void MakeBaseLights(float clock, SLight out[7])
{
    struct SPoint
    {
        CVector at;
        std::uint32_t colour;
        float range;
    };
    static const SPoint kPoints[6] = {
        {{221, -84, 169}, 0xFFFFFFFF, 300}, {{-221, -84, 169}, 0xFFFFFFFF, 300},
        {{221, 145, 169}, 0xFFFF3D3D, 300}, {{-221, 30, 169}, 0xFFFFFFFF, 300},
        {{0, -250, 70}, 0xFF5C98EA, 300},   {{0, 150, 70}, 0xFF5C98EA, 350},
    };
    const float factors[6] = {1.0f, 1.0f, std::sin(3.0f * clock + 2.0f) + 1.0f, 1.0f,
                              0.05f * std::sin(10.0f * clock + 1.0f) + 1.0f,
                              0.05f * std::sin(11.0f * clock + 2.0f) + 1.0f};
    const auto scaled = [](std::uint32_t colour, float f)
    {
        const SColorValue c = ColorValueFromARGB(colour);
        return ScaleColorValue(c.r, c.g, c.b, c.a, f);
    };
    for (int i = 0; i < 6; ++i)
    {
        const SPoint& p = kPoints[i];
        const float f = factors[i];
        SLight& l = out[i];
        l = SLight{};
        l.Type = D3DLIGHT_POINT;
        l.Diffuse = scaled(p.colour, f);
        l.Specular = scaled(p.colour, 1.25f * f);
        l.Ambient = scaled(p.colour, 0.2f * f);
        l.Position = SVector{p.at.x, p.at.y, p.at.z};
        l.Range = p.range;
        l.Attenuation0 = 1.0f;
        l.Attenuation2 = 8.0f / (p.range * p.range);
    }
    // The spot light turns with the clock.
    constexpr std::uint32_t kSpot = 0xFFFFA1A1;
    constexpr float kSpotRange = 500.0f;
    SLight& spot = out[6];
    spot = SLight{};
    spot.Type = D3DLIGHT_SPOT;
    spot.Diffuse = scaled(kSpot, 1.25f);
    spot.Specular = scaled(kSpot, 1.25f);
    spot.Ambient = scaled(kSpot, 0.3f);
    spot.Position = SVector{0.0f, 50.0f, 70.0f};
    spot.Direction = SVector{std::sin(2.0f * clock), std::cos(2.0f * clock), 0.0f};
    spot.Range = kSpotRange;
    spot.Falloff = 4.0f;
    spot.Theta = kPi / 2.0f;
    spot.Phi = 2.98451f;
    spot.Attenuation0 = 1.0f;
    spot.Attenuation2 = std::sqrt(3.0f) * (2.0f / kSpotRange) * (2.0f / kSpotRange);
}

bool CUIDialog::DrawModel(const char* name, const CMatrix& entry, bool setWorld)
{
    if (!g_pModelManager) return false;
    const std::int32_t id = g_pModelManager->FindName(name);
    auto* model = id >= 0 ? dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id)) : nullptr;
    if (!model) return false;
    g_ModelWorldMatrix = entry;
    if (setWorld) SetTransform(D3DTS_WORLD, entry);
    model->Render(nullptr, 0, -1);
    CMesh::ResetCurrent();
    return true;
}

void CUIDialog::RenderBackGround()
{
    XTRACE("CUIDialog::RenderBackGround");
    if (m_bWorldBehind) RenderMap(true);
    g_Environment.SetFog(false, 1.0f, 0.0f);
    const EScreenKind kind = ScreenKindOf(m_pScreen);
    const int width = graph.m_nScreenWidth, height = graph.m_nScreenHeight > 0 ? graph.m_nScreenHeight : 768;
    if (kind == EScreenKind::kEsc || kind == EScreenKind::kMain || width >= 1000)
    {
        // The two side effectors: the left one slides in during the first
        // quarter second (and out at the end of the fade-out), the rays
        // show once it is in.
        const float t = m_fFadeTime;
        graph.Clear(D3DCLEAR_ZBUFFER, 0);
        graph.SetProjection(14000.0f, 1.0f, 72.0f, 54.0f, false);
        CMatrix view = RotationX(kPi / 2.0f);
        view.SetTranslation(CVector{0.0f, 0.0f, 50.0f});
        SetTransform(D3DTS_VIEW, view);
        SetRenderState(D3DRS_LIGHTING, 1);
        SetRenderState(D3DRS_NORMALIZENORMALS, 1);
        SetRenderState(D3DRS_AMBIENT, 0xFF000000u);
        const SColorValue colour = ColorValueFromARGB(kEffectorColour);
        SLight light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        const float n = std::sqrt(5.0f);
        light.Direction = SVector{1.0f / n, -2.0f / n, 0.0f};
        light.Ambient = SColorValue{1.0f, 1.0f, 1.0f, 1.0f};
        light.Diffuse = ScaleColorValue(colour.r, colour.g, colour.b, 1.0f, (g_Random.Random(10.0f) * 0.1f + 1.0f) * 0.5f);
        light.Specular =
            ScaleColorValue(colour.r, colour.g, colour.b, 1.0f, (std::sin(10.0f * g_fEngineTime) + 1.0f) * 0.5f);
        if (graph.m_lpDevice)
        {
            graph.m_lpDevice->SetLight(1, &light);
            graph.m_lpDevice->LightEnable(1, true);
        }
        const float x = t > kIntroTime ? -34.5f : -34.5f - 40.0f * (kIntroTime - t);
        DrawModel("MOD_INT_MENU_EFFR_LEFT", ScaleMove(0.2f, 0.2f, 0.2f, CVector{x, 0.0f, 7.75f}));
        if (t > kIntroTime)
        {
            const float tall = 768.0f / float(height);
            DrawModel("MOD_INT_EFECTOR_FX_RAYS", ScaleMove(0.2f, 0.2f, 0.2f * tall, CVector{-25.5f, 0.0f, 5.75f * tall}));
        }
        if (graph.m_lpDevice) graph.m_lpDevice->LightEnable(1, false);
        graph.ApplyProjection();
    }
    if (!m_pScreen) return;
    if (m_fFadeTime > kShowTime)
        m_pScreen->Render();
    else if (m_fFadeTime > kIntroTime)
        m_pScreen->RenderIntro();
}

void CUIMainDialog::RenderBackGround()
{
    XTRACE("CUIMainDialog::RenderBackGround");
    const int width = graph.m_nScreenWidth, height = graph.m_nScreenHeight > 0 ? graph.m_nScreenHeight : 768;
    g_Environment.SetFog(false, 1.0f, 0.0f);
    LightsOff(8);
    graph.SetProjection(200.0f, 0.01f, float(35 * width / height), 35.0f, false);
    SetTransform(D3DTS_WORLD, RotationZ(kPi));
    const CMatrix view = RotationX(kPi / 2.0f);
    SetTransform(D3DTS_VIEW, view);
    SetRenderState(D3DRS_LIGHTING, 1);
    SetRenderState(D3DRS_AMBIENT, 0xFF808080u);
    SLight light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = SVector{-1.0f, -1.0f, -1.0f};
    light.Diffuse = light.Specular = ColorValueFromARGB(0xFF808080u);
    if (graph.m_lpDevice)
    {
        graph.m_lpDevice->SetLight(0, &light);
        graph.m_lpDevice->LightEnable(0, true);
    }
    // The model's own world transform stays (a half turn); the view is its
    // renderer's entry.
    DrawModel("MOD_INT_MENU1", view, false);
    LightsOff(7);
    SetTextureFactor(0xFFFFFFFF, kFactorRenderState | kFactorPixelShader);
    DrawImage("SUF_MAINMENU", 0, 0, width, height);
    DrawImage("SUF_LOGO", width - 532, height - 84, width - 20, height - 20);
    CMesh::ResetCurrent();
    CUIDialog::RenderBackGround();
}

void CUIBaseDialog::RenderBackGround()
{
    XTRACE("CUIBaseDialog::RenderBackGround");
    const float clock = g_fEngineTime;
    graph.SetProjection(14000.0f, 1.0f, 72.0f, 54.0f, false);
    SetTextureFactor(0xFFFFFFFF, kFactorRenderState | kFactorPixelShader);
    SetRenderState(D3DRS_LIGHTING, 1);
    SetDefaultStates();
    g_Environment.SetFog(false, 1.0f, 0.0f);
    LightsOff(8);
    SetTransform(D3DTS_WORLD, CMatrix(1.0f));
    CMatrix view = RotationX(kPi / 2.0f);
    view.SetTranslation(CVector{4.0f * std::sin(0.25f * clock), 4.0f * std::sin(0.605f * clock) - 70.0f,
                                410.0f + std::sin(0.155f * clock)});
    SetTransform(D3DTS_VIEW, view);
    SLight lights[7];
    MakeBaseLights(clock, lights);
    if (graph.m_lpDevice)
        for (int i = 0; i < 7; ++i)
        {
            graph.m_lpDevice->SetLight(std::uint32_t(i), &lights[i]);
            graph.m_lpDevice->LightEnable(std::uint32_t(i), true);
        }
    SetRenderState(D3DRS_AMBIENT, 0xFF000000u);
    DrawModel("MOD_INTERFACE", view, false);
    LightsOff(7);
    if (g_pWorld && g_pWorld->FindBuilding(m_szBuildingName))
    {
        // The building's own model, turning, for the screen's 3-D objects.
        CMatrix world = RotationZ(2.0f * clock);
        world.ScaleRotation(5.0f);
        world.SetTranslation(CVector{0.0f, 0.0f, 100.0f});
        SetTransform(D3DTS_WORLD, world);
        g_ModelWorldMatrix = world;
    }
    graph.ApplyProjection();
    CUIDialog::RenderBackGround();
}

void CUIBoxDialog::RenderBackGround()
{
    XTRACE("CUIBoxDialog::RenderBackGround");
    RenderMap(false);
    if (m_pScreen) m_pScreen->Render();
}
