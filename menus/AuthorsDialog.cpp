#include "menus/AuthorsDialog.h"

#include "foundation/ErrorLog.h"
#include "foundation/XString.h"
#include "menus/MenuDrawing.h"
#include "menus/NewGameGC.h"
#include "platform/Time.h"
#include "script/game/TextDatabase.h"
#include "ui/UI.h"
#include "ui/markup/HTMLObject.h"

using namespace menus;

namespace
{
// "INT_AUTORS5" is not among them.
constexpr const char* kKeys[] = {"INT_AUTORS",  "INT_AUTORS1", "INT_AUTORS2", "INT_AUTORS3",
                                 "INT_AUTORS4", "INT_AUTORS6", "INT_AUTORS7", "INT_AUTORS8"};
constexpr const char* kBlock = "EMPTY";
constexpr int kGridSpacing = 30;
constexpr int kDocumentInset = 20;
constexpr int kBackToTop = -1000000;
} // namespace

CAuthorsDialog::CAuthorsDialog() : m_pfnTicks(plat::GetTickCount)
{
    m_ClassID = MakeClassKey("CAuthorsDialog", -1);
}

CAuthorsDialog::~CAuthorsDialog() = default;

void CAuthorsDialog::SetTicks(FTicks ticks)
{
    m_pfnTicks = ticks ? ticks : plat::GetTickCount;
}

void CAuthorsDialog::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CAuthorsDialog::Init");
    CGroupControl::Create(screen);
    m_ClassID = MakeClassKey("CAuthorsDialog", -1);
    m_Frame = rect;
    IGraphicInterface* graphic = screen ? screen->m_pGraphic : nullptr;
    // A second Init replaces the document.
    m_pDocument = std::make_unique<CHTMLObject>(rect.left + kDocumentInset, rect.top + kDocumentInset,
                                                rect.right - kDocumentInset, rect.bottom - kDocumentInset, graphic);
    for (const char* key : kKeys)
    {
        CXAnsiString text;
        if (g_pTextDB && g_pTextDB->GetText(STextKey(key), text))
            m_pDocument->AddText(text.GetText(), kBlock, nullptr, true);
    }
    for (int i = 0; i < kBlankBlocks; ++i)
        m_pDocument->AddText(" ", kBlock, nullptr, true);
    CGuidKey sheet = TextureKey(kUI1);
    SetUID(sheet);
    m_uLastStep = m_pfnTicks();
    m_bScrolling = false;
}

void CAuthorsDialog::ProcessMessages()
{
    CGroupControl::ProcessMessages();
    const std::uint32_t now = m_pfnTicks();
    // Unsigned: a tick count that wrapped still gives the time passed.
    const std::uint32_t passed = now - m_uLastStep;
    if (!m_bScrolling)
    {
        if (passed >= kWait)
        {
            m_uLastStep = now;
            m_bScrolling = true;
        }
        return;
    }
    if (passed < kStep || !m_pDocument) return;
    m_uLastStep = now;
    if (!m_pDocument->Scroll(1))
    {
        m_pDocument->Scroll(kBackToTop);
        m_bScrolling = false;
    }
}

void CAuthorsDialog::Render()
{
    IGraphicInterface* graphic = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!graphic || !m_bVisible) return;
    const plat::Rect& r = m_Frame;
    DrawDialogFrame(graphic, kUI1, r, m_uBackground, kSideWidth);
    for (int x = r.left + kGridSpacing - 11; x < r.right - 23; x += kGridSpacing)
        FillRect(graphic, {x, r.top + 4, x + 1, r.bottom - 4}, kGridColour);
    for (int y = r.top + kGridSpacing - 11; y < r.bottom - 23; y += kGridSpacing)
        FillRect(graphic, {r.left + 4, y, r.right - 4, y + 1}, kGridColour);
    if (m_pDocument) m_pDocument->Render();
    CGroupControl::Render();
}
