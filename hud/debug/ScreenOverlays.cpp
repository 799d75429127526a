// The two full-screen overlays of the renderer: the killed mechanoid's
// screen mask and the play recorder's status.
#include "hud/Renderer.h"
#include "hud/debug/RecorderOverlay.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "graphics/Font.h"
#include "graphics/Mesh.h"
#include "graphics/ResourceEngine.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureManager.h"

#include <cstdio>

namespace
{
using namespace plat::d3d;

CTexture* FindLoadedTexture(const char* name)
{
    if (!g_pTextureManager) return nullptr;
    const int id = g_pTextureManager->FindName(name);
    CTexture* texture = id >= 0 ? g_pTextureManager->GetTexture(id) : nullptr;
    return texture && texture->m_lpTexture ? texture : nullptr;
}

std::string FormatNumbers(const char* format, double a, double b = 0.0)
{
    char text[256];
    std::snprintf(text, sizeof(text), format, a, b);
    return text;
}

const char kKeyHelp[] =
    "3-\xCF\xF0\xEE\xE8\xE3\xF0\xFB\xE2\xE0\xED\xE8\xE5.\n"
    "4-\xCF\xE5\xF0\xE5\xEC\xEE\xF2\xE0\xF2\xFC \xE2 \xED\xE0\xF7\xE0\xEB\xEE.\n"
    "5-\xCA\xEE\xF0\xF0\xE5\xEA\xF2\xE8\xF0\xEE\xE2\xEA\xE0 \xF2\xE5\xEA\xF3\xF9\xE5\xE3\xEE "
    "\xEE\xE1\xFA\xE5\xEA\xF2\xE0.\n"
    "6-\xCA\xEE\xF0\xF0\xE5\xEA\xF2\xE8\xF0\xEE\xE2\xEA\xE0 \xEA\xE0\xEC\xE5\xF0\xFB.\n"
    "7-\xCA\xEE\xF0\xF0\xE5\xEA\xF2\xE8\xF0\xEE\xE2\xEA\xE0 \xEF\xEE\xE3\xEE\xE4\xFB.\n"
    "8-\xD2\xEE\xED\xEA\xE0\xFF \xEA\xEE\xF0\xF0\xE5\xEA\xF2\xE8\xF0\xEE\xE2\xEA\xE0.\n"
    "9-\xC7\xE0\xEF\xE8\xF1\xFC \xEA\xEB\xE8\xEF\xE0.\n"
    "0-\xD0\xE5\xED\xE4\xE5\xF0\xE8\xED\xE3.";
const char kNotRecorded[] = "\xCD\xE5 \xE7\xE0\xEF\xE8\xF1\xE0\xED!";
} // namespace

void RecorderLines(const SRecorderStatus& status, double runningTime, std::string lines[4])
{
    for (int i = 0; i < 4; ++i)
        lines[i].clear();
    const bool blink = (static_cast<long long>(runningTime * 4.0) % 2) == 0;
    switch (status.state)
    {
    case 0:
        lines[0] = "Press 1 for start record";
        break;
    case 1:
        lines[0] = "Press 2 for stop record";
        lines[1] = FormatNumbers("Record time = %5.2f", status.currentTime);
        // An empty buffer shows 0 rather than a division by zero.
        lines[2] = FormatNumbers("Buffer = %5.2f%%",
                                 status.bufferSize > 0 ? 100.0 * status.bytesUsed / status.bufferSize : 0.0);
        if (blink) lines[3] = "Record";
        break;
    case 2:
        lines[0] = status.recording.empty() ? kNotRecorded : status.recording;
        lines[1] = FormatNumbers("Recorded time = %5.2f", status.totalTime);
        if (status.paused && blink) lines[2] = "Pause";
        lines[3] = kKeyHelp;
        break;
    case 3:
        lines[0] = "Press 2 for stop playing";
        lines[1] = FormatNumbers("Play time = %5.2f / %5.2f", status.currentTime, status.totalTime);
        if (blink) lines[2] = "Play";
        break;
    case 4:
    case 5:
    case 6:
        lines[0] = "Press 2 for stop, but not good idea";
        lines[1] = FormatNumbers("Correct time = %5.2f / %5.2f", status.currentTime, status.totalTime);
        if (blink) lines[2] = "Correct";
        break;
    default:
        break;
    }
}

void CRenderer::DrawScreenMask()
{
    XTRACE("CRenderer::DrawScreenMask");
    Device* d = graph.m_lpDevice;
    if (!d || !g_pModelManager) return;
    const int rect[4] = {0, 0, graph.m_nScreenWidth, graph.m_nScreenHeight};
    CGeometryBuffer* quad = g_pModelManager->SetScreenQuad(rect, nullptr, false);
    struct SVertex
    {
        float x, y, z, rhw, u0, v0, u1, v1;
    };
    auto* v = reinterpret_cast<SVertex*>(quad->m_pVertices);
    for (int i = 0; i < 4; ++i)
    {
        v[i].u1 = float(i % 2) * float(graph.m_nScreenWidth) * 0.0625f;
        v[i].v1 = float(i / 2) * float(graph.m_nScreenHeight) * 0.0625f;
    }
    d->SetPixelShader(0);
    d->SetRenderState(D3DRS_TEXTUREFACTOR, 0x00C0C0FFu);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    d->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    if (CTexture* interlace = FindLoadedTexture("TEX_INT_INTERLACE"))
    {
        interlace->SetToStage(1);
        d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
        d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
        d->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEXTURE);
        d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_BLENDTEXTUREALPHA);
    }
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
    if (CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, quad))
        mesh->Render(true);
    d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    if (CTexture* mask = FindLoadedTexture("TEX_INT_SCREEN_MASK"); mask && g_pTexShaderManager)
    {
        if (CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, quad))
            g_pTexShaderManager->ApplyStateBlock(kTechniqueScreenTexture, mesh, mask);
    }
    d->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    CMesh::ResetCurrent();
}

void CRenderer::DrawRecorderInfo()
{
    XTRACE("CRenderer::DrawRecorderInfo");
    if (!m_pRecorder || m_pRecorder->state == 9 || !g_pFontSmall) return;
    const SRecorderStatus& status = *m_pRecorder;
    std::string lines[4];
    RecorderLines(status, g_FrameTimer.GetElapsed(), lines);
    for (int i = 0; i < 4; ++i)
        if (!lines[i].empty())
            g_pFontSmall->RenderText(2.0f, 150.0f + 15.0f * float(i), lines[i].c_str(), 0xE0FFFFFFu);
    const float right = float(graph.m_nScreenWidth - 200);
    g_pFontSmall->RenderText(
        right, 165.0f,
        "\xD0\xE5\xE6\xE8\xEC\xFB \xEA\xE0\xEC\xE5\xF0\xFB:\n"
        "F1-\xE2\xED\xF3\xF2\xF0\xFC \xE3\xEB\xE0\xE9\xE4\xE5\xF0\xE0\n"
        "F2-\xE7\xE0 \xE3\xEB\xE0\xE9\xE4\xE5\xF0\xEE\xEC\n"
        "F3-\xF1\xE2\xEE\xE1\xEE\xE4\xED\xE0\xFF \xEA\xE0\xEC\xE5\xF0\xE0\n"
        "F4-\xF1\xE2\xEE\xE1\xEE\xE4\xED\xEE\xE5 \xF1\xEB\xE5\xE6\xE5\xED\xE8\xE5\n"
        "F5-\xF4\xE8\xEA\xF1\xE8\xF0\xEE\xE2\xE0\xED\xED\xEE\xE5 \xF1\xEB\xE5\xE6\xE5\xED\xE8\xE5\n"
        "F6-\xEF\xF0\xE8\xE2\xFF\xE7\xEA\xE0 \xEA \xEE\xE1\xFA\xE5\xEA\xF2\xF3",
        0xE000FF80u);
    const std::string speed =
        FormatNumbers("\xD1\xEA\xEE\xF0\xEE\xF1\xF2\xFC \xEA\xE0\xEC\xE5\xF0\xFB: %5.2f%%",
                      status.cameraSpeed != 0.0f ? 3.0 / status.cameraSpeed : 0.0);
    g_pFontSmall->RenderText(right, 150.0f, speed.c_str(), 0xE0FFFF80u);
    char mech[256];
    std::snprintf(mech, sizeof(mech),
                  "\xCC\xE5\xF5\xE0\xED\xEE\xE8\xE4: %s \n\xC3\xEB\xE0\xE9\xE4\xE5\xF0:%s",
                  status.mechName.c_str(), status.gliderKey.c_str());
    g_pFontSmall->RenderText(float((graph.m_nScreenWidth >> 1) - 100), 40.0f, mech, 0xFF00FF00u);
    CMesh::ResetCurrent();
}
