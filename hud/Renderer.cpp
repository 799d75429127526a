#include "hud/Renderer.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "graphics/Font.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TextureManager.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "ui/menu/BaseMenu.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/LightWare.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

CRenderer* g_pRenderer = nullptr;
bool g_bDrawCockpit = true;

namespace
{
void DrawScreenQuad(const plat::Rect& screen, const plat::Rect* texture, int technique, CTexture* textureObject)
{
    if (!g_pModelManager || !g_pTexShaderManager) return;
    const int rect[4] = {screen.left, screen.top, screen.right, screen.bottom};
    int texels[4] = {};
    if (texture)
    {
        texels[0] = texture->left;
        texels[1] = texture->top;
        // The model manager takes the texture's size, not its far corner.
        texels[2] = texture->right - texture->left;
        texels[3] = texture->bottom - texture->top;
    }
    CGeometryBuffer* quad = g_pModelManager->SetScreenQuad(rect, texture ? texels : nullptr, false);
    CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, quad);
    if (mesh) g_pTexShaderManager->ApplyStateBlock(technique, mesh, textureObject);
}
} // namespace

void ScaleSprite(const plat::Rect& screen, const plat::Point* origin, const plat::Rect& texture, int scaleX,
                 int scaleY, plat::Rect* outScreen, plat::Rect* outTexture)
{
    const plat::Point at = origin ? *origin : plat::Point{};
    outScreen->left = screen.left - at.x * scaleX;
    outScreen->top = screen.top - at.y * scaleY;
    outScreen->right = outScreen->left + (screen.right - screen.left) * scaleX;
    outScreen->bottom = outScreen->top + (screen.bottom - screen.top) * scaleY;
    outTexture->left = texture.left * scaleX;
    outTexture->top = texture.top * scaleY;
    outTexture->right = texture.right * scaleX;
    outTexture->bottom = texture.bottom * scaleY;
}

void CRenderer::DrawSprite(const plat::Rect& screen, const plat::Point* origin, const plat::Rect& texture,
                           int textureId, int scaleX, int scaleY, std::uint32_t colour)
{
    plat::Rect scaledScreen, scaledTexture;
    ScaleSprite(screen, origin, texture, scaleX, scaleY, &scaledScreen, &scaledTexture);
    DrawQuad(scaledScreen, &scaledTexture, textureId, colour);
}

void CRenderer::DrawQuad(const plat::Rect& screen, const plat::Rect* texture, int textureId, std::uint32_t colour)
{
    CTexture* textureObject = g_pTextureManager && textureId >= 0 ? g_pTextureManager->GetTexture(textureId) : nullptr;
    DrawQuad(screen, texture, textureObject, colour);
}

void CRenderer::DrawQuad(const plat::Rect& screen, const plat::Rect* texture, CTexture* textureObject,
                         std::uint32_t colour)
{
    if (!textureObject) return;
    if (colour == 0)
    {
        DrawScreenQuad(screen, texture, kTechniqueScreenTexture, textureObject);
        return;
    }
    SetTextureFactor(colour, kFactorRenderState | kFactorPixelShader);
    DrawScreenQuad(screen, texture, kTechniqueScreenModulated, textureObject);
}

void CRenderer::FillQuad(const plat::Rect& screen, std::uint32_t colour)
{
    SetTextureFactor(colour, kFactorRenderState | kFactorPixelShader);
    DrawScreenQuad(screen, nullptr, kTechniqueScreenColour, nullptr);
}

float CRenderer::HorizontalFieldOfView(int width, int height, bool integer)
{
    if (height <= 0) return kFieldOfView;
    if (integer) return float(width * 54 / height);
    return kFieldOfView * float(width) / float(height);
}

bool CRenderer::IsCockpitShown(bool drawCockpit, const CMechanoid* playerMech, int cameraMode)
{
    const bool following = cameraMode == 0 || cameraMode == 1 || cameraMode == 6;
    return drawCockpit && following && !(playerMech && playerMech->IsKilled());
}

void CRenderer::SetProjection(bool integerAngle)
{
    // The device's projection, kept so that the menus' own 3-D scenes can
    // put it back, and the view camera's copy.
    const float across = HorizontalFieldOfView(graph.m_nScreenWidth, graph.m_nScreenHeight, integerAngle);
    graph.SetProjection(kFarPlane, kNearPlane, across, kFieldOfView, true);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) g_ViewCamera.m_mProjection.m[r][c] = graph.m_KeptProjection.m[r][c];
    g_ViewCamera.UpdateViewProjection();
}

void CRenderer::Init()
{
    XTRACE("CRenderer::Init");
    SetProjection(false);
    m_Viewport = plat::d3d::SViewport{0, 0, std::uint32_t(std::max(graph.m_nScreenWidth, 0)),
                                      std::uint32_t(std::max(graph.m_nScreenHeight, 0)), 0.0f, 1.0f};
    if (plat::d3d::Device* device = graph.m_lpDevice)
    {
        device->SetRenderState(plat::d3d::D3DRS_LIGHTING, 1);
        device->SetRenderState(plat::d3d::D3DRS_DITHERENABLE, 1);
        device->SetRenderState(plat::d3d::D3DRS_COLORVERTEX, 1);
        device->SetRenderState(plat::d3d::D3DRS_ALPHABLENDENABLE, 1);
        device->SetViewport(&m_Viewport);
    }
    std::uint16_t* indices = m_HudBuffer.Allocate(kHudFVF, 160, 240);
    m_BigHudBuffer.Allocate(kHudFVF, 800, 1200);
    static constexpr std::uint16_t kQuad[6] = {0, 1, 2, 2, 3, 0};
    for (int quad = 0; quad < 8; ++quad)
        for (int i = 0; i < 6; ++i) indices[quad * 6 + i] = std::uint16_t(kQuad[i] + 4 * quad);
    const auto find = [](const char* name) { return g_pTextureManager ? g_pTextureManager->FindName(name) : -1; };
    m_iTexAll = find("TEX_KT_ALL");
    m_iTexIcons = find("TEX_INT_ICONS");
    m_iTexTargetArrow = find("TEX_KT_TARGET_ARROW");
    m_iTexTargetCorner = find("TEX_KT_TARGET_CORNER");
    m_iTexUI1 = find("TEX_INT_UI1");
    m_iTexUII = find("TEX_INT_UII");
}

void CRenderer::RenderHidingCockpit(bool hideCockpit)
{
    const bool cockpit = g_bDrawCockpit;
    if (hideCockpit) g_bDrawCockpit = false;
    try
    {
        Render();
    }
    catch (...)
    {
        g_bDrawCockpit = cockpit;
        throw;
    }
    g_bDrawCockpit = cockpit;
}

void CRenderer::Render()
{
    XTRACE("CRenderer::Render");
    RebuildView();
    plat::d3d::Device* device = graph.m_lpDevice;
    if (device) device->BeginScene();
    // The scene: sky and sun, what flies over the horizon, the horizon
    // limit, the terrain, the objects, the detail objects, the water, the queued effects, the weather; the fog off for the HUD.
    g_Environment.ClearScreen();
    g_Environment.RenderEnv();
    g_ObjectList.RenderFly();
    g_Environment.RenderHorizonLimit();
    g_Location.CycleRender();
    g_ObjectList.Render(false);
    g_Location.RenderDetailObjects();
    g_Location.CycleRenderWater();
    g_EffectRenderManager.RenderEffects();
    g_Environment.RenderFX(false);
    g_Environment.SetFog(false, 1.0f, 0.0f);
    CMesh::ResetCurrent();
    if (m_bStasis) DrawStasisFlash(m_fStasisTime);
    // The HUD.
    if (IsCockpitShown(g_bDrawCockpit, m_pPlayerMech, g_CameraMode))
    {
        ++m_nCockpitFrames;
        DrawKokpit();
    }
    if (g_Settings.ShowFPS && g_pFontSmall)
    {
        char text[32];
        std::snprintf(text, sizeof(text), "FPS=%u", g_FrameTimer.GetFps());
        g_pFontSmall->RenderText(172.0f, 1.0f, text, kFpsColour);
        CMesh::ResetCurrent();
    }
    if (m_pPlayerMech && m_pPlayerMech->IsKilled()) DrawScreenMask();
    if (device) device->EndScene();
}

void CRenderer::PresentFrame()
{
    graph.Present();
}

void CRenderer::RebuildView()
{
    g_ViewCamera.m_mView = g_ViewCamera.m_Matrix;
    g_ViewCamera.UpdateViewProjection();
    InvertMatrix(g_ViewCamera.m_mView, g_ViewCamera.m_mInverseView);
    if (graph.m_lpDevice)
        graph.m_lpDevice->SetTransform(plat::d3d::D3DTS_VIEW,
                                       reinterpret_cast<const plat::d3d::SMatrix*>(&g_ViewCamera.m_mView));
}

void CRenderer::PreLoad()
{
    XTRACE("CRenderer::PreLoad");
    constexpr int kPasses = 8;
    constexpr float kTurn = 3.14159265358979f / 4.0f;
    const auto waitScreen = [](int step, const char* caption, bool flag)
    {
        if (g_pMenuHost) g_pMenuHost->DrawWaitScreen(step, caption, flag);
    };
    waitScreen(0, kCachingCaption, true);
    if (m_pCameraObject)
    {
        m_pCameraObject->Run();
        m_pCameraObject->UpdateView();
    }
    SetProjection(true);
    for (int pass = 0; pass < kPasses; ++pass)
    {
        const float frameTime = g_FrameTimer.GetFrameTime();
        graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0);
        g_ResourceEngine.GlobalRun(frameTime);
        g_EffectRenderManager.ResetFrame();
        g_LightWare.DisableLights();
        g_LightWare.ResetFrame();
        g_Environment.Run(0.0f);
        // Eight eighths of a turn: every side of the camera is drawn once.
        g_ViewCamera.RotateZ(kTurn);
        if (m_pCameraObject) g_ViewCamera.SetViewPosition(m_pCameraObject->GetPosition());
        RebuildView();
        g_Location.PreRender();
        g_ObjectList.CheckVisibility(true);
        Render();
        if (g_pWorld) g_pWorld->RunWorld(frameTime);
        g_ObjectList.Run();
        waitScreen(pass + 1, "", false);
        g_FrameTimer.Update();
    }
    if (g_pModelManager) g_pModelManager->WaitLoad();
    waitScreen(kPasses + 1, "", false);
    if (g_pTextureManager) g_pTextureManager->WaitLoad();
    waitScreen(kPasses + 2, "", false);
    g_FrameTimer.Reset();
}

void CRenderer::Done()
{
    g_EffectRenderManager.Done();
}
