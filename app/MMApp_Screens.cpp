// The loading and waiting screens and the saved-game thumbnail.
#include "app/MMApp.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "graphics/Mesh.h"
#include "graphics/Shaders.h"
#include "graphics/SurfaceManager.h"
#include "platform/d3dx/D3DX.h"

#include <cstdio>

namespace
{
// The 2-D images' technique: texture times the blend factor.
constexpr int kImageTechnique = 19;
// "SUF_BARS": the filled cell and the empty cell side by side, 20 x 40 each.
constexpr plat::Rect kFilledCell{0, 0, 20, 40};
constexpr plat::Rect kEmptyCell{20, 0, 40, 40};

// The start of both screens: nothing cached from the frame before, the
// back buffer cleared, the surfaces drawn unmodulated.
bool BeginScreen()
{
    CMesh::ResetCurrent();
    if (g_pSurfaceManager) g_pSurfaceManager->ClearCache();
    graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF000000u);
    if (graph.m_lpDevice) graph.m_lpDevice->BeginScene();
    SetTextureFactor(0xFFFFFFFF, kFactorRenderState | kFactorPixelShader);
    return g_pSurfaceManager != nullptr;
}

void DrawPicture(const char* name)
{
    const int id = g_pSurfaceManager->FindName(name);
    if (id >= 0)
        g_pSurfaceManager->DrawSurface(id, kImageTechnique, 0, 0, graph.m_nScreenWidth, graph.m_nScreenHeight,
                                       nullptr);
}

// cells cells along the bottom, the first `progress` of them filled.
void DrawCells(int cells, int progress)
{
    const int bars = g_pSurfaceManager->FindName("SUF_BARS");
    if (bars < 0) return;
    for (int i = 0; i < cells; ++i)
    {
        const plat::Rect cell = CMMApp::CellRect(i, graph.m_nScreenHeight);
        g_pSurfaceManager->DrawSurfaceEx(bars, kImageTechnique, cell, i < progress ? kFilledCell : kEmptyCell,
                                         false);
    }
}

void EndScreen()
{
    if (graph.m_lpDevice) graph.m_lpDevice->EndScene();
    CMesh::ResetCurrent();
    // Presents, clears the draw counters and counts the frame.
    graph.Present();
}
} // namespace

plat::Rect CMMApp::CellRect(int index, int screenHeight)
{
    const int left = 20 + 24 * index, top = screenHeight - 60;
    return plat::Rect{left, top, left + 20, top + 40};
}

int CMMApp::ChooseWaitPicture(CRandom& random)
{
    return random.RandomInt(kWaitPictures);
}

void CMMApp::DrawLoadingScreen(int progress)
{
    XTRACE("CMMApp::DrawLoadingScreen");
    if (!graph.m_lpDevice) return;
    SetTextureFactorAlpha(1.0f, kFactorRenderState | kFactorPixelShader);
    if (BeginScreen())
    {
        DrawPicture("SUF_LOADING");
        DrawCells(kLoadingCells, progress);
    }
    EndScreen();
}

void CMMApp::DrawWaitScreen(int progress, const char*, bool newPicture)
{
    XTRACE("CMMApp::DrawWaitScreen");
    if (newPicture) m_nWaitPicture = ChooseWaitPicture(g_Random);
    if (!graph.m_lpDevice) return;
    if (BeginScreen())
    {
        char name[32];
        std::snprintf(name, sizeof name, "SUF_WAITING%d", m_nWaitPicture);
        DrawPicture(name);
        if (progress != -1) DrawCells(kWaitCells, progress);
    }
    EndScreen();
}

// ---- thumbnails -----------------------------------------------------------------

void CMMApp::MakeScreenShot()
{
    TakeThumbnail("CMMApp::MakeScreenShot");
}

void CMMApp::MakeDialogScreenShot()
{
    TakeThumbnail("CMMApp::MakeDialogScreenShot");
}

void CMMApp::TakeThumbnail(const char* trace)
{
    XTRACE(trace);
    using namespace plat::d3d;
    Device* device = graph.m_lpDevice;
    if (!device || !m_pThumbnail || graph.m_nScreenWidth <= 0 || graph.m_nScreenHeight <= 0) return;
    // The game frame is the picture shown last: once a frame is presented
    // the back buffer holds an older one (the discarding present trades
    // the two), on a game's first frame the loading screen.
    Surface* copy = nullptr;
    if (plat::Failed(device->CreateImageSurface(std::uint32_t(graph.m_nScreenWidth),
                                                std::uint32_t(graph.m_nScreenHeight), D3DFMT_A8R8G8B8, &copy)))
    {
        g_ErrorLog.LogError("CreateImageSurface failed");
        return;
    }
    // A copy that failed leaves nothing worth scaling: the thumbnail keeps
    // the picture it had rather than the temporary surface's contents.
    if (plat::Failed(device->GetFrontBuffer(copy)))
        g_ErrorLog.LogError("Can`t copy rects from back buffer");
    else
        plat::d3d::D3DXLoadSurfaceFromSurface(m_pThumbnail, nullptr, nullptr, copy, nullptr, nullptr,
                                              plat::d3d::D3DX_DEFAULT, 0);
    copy->Release();
}
