#include "menus/NewGameGC.h"

#include "foundation/Application.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "graphics/VideoPlayer.h"
#include "menus/MenuDrawing.h"
#include "ui/UI.h"

using namespace menus;

namespace
{
constexpr int kCornerX = 831, kCornerY = 753, kCornerSize = 9;
constexpr int kSideX = 1018, kSideY = 743;
} // namespace

plat::Point MainMenuOrigin(int screenWidth, int screenHeight)
{
    // Truncated toward zero: a screen under 466 pixels high gives a
    // negative top.
    return plat::Point{int(double(screenWidth) / 1024.0 * 170.0), int(double(screenHeight) / 768.0 * 330.0 - 200.0)};
}

void DrawDialogFrame(IGraphicInterface* graphic, const char* texture, const plat::Rect& r,
                     std::uint32_t background, int sideWidth)
{
    if (!graphic) return;
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    FillRect(graphic, r, background);
    FillRect(graphic, {L + 4, T + 13, L + 5, T + 27}, kWhite);
    FillRect(graphic, {L + 4, T + 154, L + 5, B - 13}, kWhite);
    FillRect(graphic, {R - 5, T + 13, R - 4, B - 13}, kWhite);
    FillRect(graphic, {L + 13, T + 4, L + 408, T + 5}, kWhite);
    FillRect(graphic, {L + 13, B - 5, L + 408, B - 4}, kWhite);
    CGuidKey sheet = TextureKey(texture);
    const int c = kCornerSize;
    // A rectangle with left > right (top > bottom) draws the piece mirrored.
    DrawSprite(graphic, sheet, {L + 4, T + 4, L + 4 + c, T + 4 + c}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {L + 4, B - 4, L + 4 + c, B - 4 - c}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {R - 4, B - 4, R - 4 - c, B - 4 - c}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {R - 4, T + 4, R - 4 - c, T + 4 + c}, kCornerX, kCornerY);
    DrawSprite(graphic, sheet, {L + 3, T + 27, L + 3 + sideWidth, T + 154}, kSideX, kSideY, kBlendTechnique);
    graphic->SetFade(1.0f);
}

CNewGameGC::CNewGameGC()
{
    m_ClassID = MakeClassKey("CNewGameGC", -1);
}

CNewGameGC::~CNewGameGC()
{
    CNewGameGC::Clear();
}

int CNewGameGC::Clear()
{
    if (m_pPlayer)
    {
        m_pPlayer->Done();
        delete m_pPlayer;
        m_pPlayer = nullptr;
    }
    return 0;
}

void CNewGameGC::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CNewGameGC::Init");
    Clear();
    CGroupControl::Init(rect, screen);
    m_ClassID = MakeClassKey("CNewGameGC", -1);
    CGuidKey sheet = TextureKey(kUI1);
    SetUID(sheet);
    const plat::Point size = screen && screen->m_pGraphic ? screen->m_pGraphic->GetScreenSize() : plat::Point{};
    const plat::Point origin = MainMenuOrigin(size.x, size.y);
    m_MenuOrigin[0] = m_MenuOrigin[2] = origin.x;
    m_MenuOrigin[1] = m_MenuOrigin[3] = origin.y;
    m_VideoRect = plat::Rect{rect.left + origin.x, rect.top + origin.y, rect.right + origin.x, rect.bottom + origin.y};
    m_pPlayer = CreateClassInstanceAs<IBinkPlayer>(int(g_iIBinkPlayer));
    if (!m_pPlayer)
    {
        g_ErrorLog.LogDebug("CNewGameGC::Init: no video player; %s is not shown", kVideo);
        return;
    }
    m_pPlayer->InitOnScreen(g_pApplication ? g_pApplication->m_hWnd : nullptr, m_VideoRect);
    m_pPlayer->Open(kVideo);
}

void CNewGameGC::Render()
{
    if (!m_bVisible) return;
    DrawDialogFrame(m_pScreen ? m_pScreen->m_pGraphic : nullptr, kUI1, m_Rect, m_uBackground, kSideWidth);
    CGroupControl::Render();
    // Drawn over the panel in the running frame (no screen clear, no
    // present of its own); the video starts again after its end.
    if (m_pPlayer) m_pPlayer->ShowFrame(true, false);
}
