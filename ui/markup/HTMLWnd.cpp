#include "ui/markup/HTMLWnd.h"

#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "script/TextDB.h"
#include "script/game/ScriptManager.h"
#include "sound/SoundManager.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "ui/markup/HTMLObject.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr int kKeySpace = 57;
constexpr int kKeyDigit1 = 2; // 1..9 are codes 2..10
} // namespace

// ---- CHTMLWnd ----

CHTMLWnd::~CHTMLWnd()
{
    delete m_pDocument;
}

void CHTMLWnd::Init(int left, int top, int right, int bottom, IUI* screen)
{
    XTRACE("CHTMLWnd::Init");
    delete m_pDocument;
    m_pDocument = new CHTMLObject(left, top, right, bottom, screen ? screen->m_pGraphic : nullptr);
    m_pDocument->SetColors(0x00DDEAF2, 0x008CEEFF, 0x008B8A9C, 0x00FFFFFF, 0x00C4635A, 0);
    SetRectXY(left, top, right, bottom);
    m_SavedRect = m_Rect;
    if (screen) m_pScreen = screen;
    PlaceDocument();
}

void CHTMLWnd::PlaceDocument()
{
    if (!m_pDocument) return;
    m_pDocument->m_Rect[0] = m_Rect.left;
    m_pDocument->m_Rect[1] = m_Rect.top;
    m_pDocument->m_Rect[2] = m_Rect.right;
    m_pDocument->m_Rect[3] = m_Rect.bottom;
}

void CHTMLWnd::Move(int dx, int dy)
{
    CGroupControl::Move(dx, dy);
    PlaceDocument();
}

void CHTMLWnd::HTMLClear()
{
    XTRACE("CHTMLWnd::HTMLClear");
    if (m_pDocument) m_pDocument->Clear();
}

bool CHTMLWnd::AddEntry(const char* text, const char* heading, const char* blockId, std::uintptr_t userValue,
                        const char* linkPrefix, bool upperCase, bool goTo)
{
    if (!m_pDocument) return true;
    std::string body = text ? text : "";
    std::string head = heading ? heading : "";
    SubstituteNames(body);
    SubstituteNames(head);
    if (upperCase)
    {
        CXAnsiString upper(head.c_str());
        upper.MakeUpper();
        head = upper.GetText();
    }
    if (blockId && m_pDocument->FindBlock(blockId) >= 0)
    {
        m_pDocument->ScrollToBlock(blockId, false);
        return true;
    }
    if (m_pDocument->GetBlockCount() > 0 && !head.empty())
    {
        // An empty line between entries.
        m_pDocument->m_iPenY = m_pDocument->GetContentBottom() + m_pDocument->GetTextHeight(0);
        m_pDocument->m_bContinueAtPen = 1;
    }
    if (!head.empty()) m_pDocument->AddText(head.c_str(), blockId, nullptr, true);
    if (!body.empty()) m_pDocument->AddText(body.c_str(), blockId, linkPrefix, true);
    if (userValue != kNoUserValue) m_pDocument->SetBlockData(blockId, userValue);
    if (goTo) GoToBlock(blockId);
    return true;
}

bool CHTMLWnd::GoToBlock(const char* blockId)
{
    if (m_pDocument) m_pDocument->ScrollToBlock(blockId, false);
    return true;
}

void CHTMLWnd::DeleteBlock(const char* blockId)
{
    if (m_pDocument) m_pDocument->DelBlock(blockId, false);
}

void CHTMLWnd::CollapseBlock(const char* blockId, bool collapse)
{
    if (m_pDocument) m_pDocument->CollapseBlock(blockId, collapse);
}

const char* CHTMLWnd::GetCurrentBlockID()
{
    return m_pDocument ? m_pDocument->GetCurrentBlockID() : "";
}

void CHTMLWnd::ScrollToTop()
{
    if (m_pDocument) m_pDocument->Scroll(-1000);
}

void CHTMLWnd::OnWheel(float delta)
{
    if (m_pDocument) m_pDocument->Scroll(int(delta * -0.5f));
}

void CHTMLWnd::AddTextBlock(const char* key, const char* linkPrefix, bool goTo)
{
    if (!m_pTextDB || !key) return;
    CXAnsiString text, name;
    m_pTextDB->Lookup(STextKey(key), text, name);
    std::string heading = name.GetText();
    if (!text.IsEmpty() && !name.IsEmpty())
        heading = std::string("<color:ffffff><icon:MINUS>") + name.GetText() + "<color>";
    std::string prefix;
    if (linkPrefix) prefix = std::string(linkPrefix) + "#";
    AddEntry(text.GetText(), heading.c_str(), STextKey(key).name, kNoUserValue,
             linkPrefix ? prefix.c_str() : nullptr, true, goTo);
}

void CHTMLWnd::AddTextLink(const char* first, const char* key, const char* target)
{
    if (!m_pTextDB || !key) return;
    CXAnsiString text, name;
    m_pTextDB->Lookup(STextKey(key), text, name);
    if (name.IsEmpty()) return;
    const std::string line =
        std::string(first ? first : "") + "<a href=" + (target ? target : "") + ">" + name.GetText() + "</a>";
    AddEntry(line.c_str(), "", STextKey(key).name, kNoUserValue, nullptr, true, true);
}

void CHTMLWnd::SubstituteNames(std::string& text)
{
    if (!g_pScriptManager || text.find('%') == std::string::npos) return;
    CXAnsiString filled(text.c_str());
    g_pScriptManager->UpdateStringWithNames(filled);
    text = filled.GetText();
}

void CHTMLWnd::PlayUISound(const char* name)
{
    if (g_pSoundManager) g_pSoundManager->Play2D(name, false);
}

void CHTMLWnd::ChooseLink(const std::string& target)
{
    PlayUISound("SND_I_LINK");
    m_sNotifyTarget = target;
    Notify(kNotifyLink, 0);
}

void CHTMLWnd::ProcessMessages()
{
    if (!m_pDocument || !m_pScreen) return;
    const plat::Point c = CursorPos();
    if (!PointInRect(m_Rect, c.x, c.y))
    {
        // A press that ends outside the window chooses nothing later.
        if (Released(uicode::kLeftButton)) m_bArmed = 0;
        return;
    }
    m_pDocument->MouseMove(c.x, c.y);
    m_pDocument->OnFrame(m_pScreen->GetClock() ? m_pScreen->GetClock()->GetFrameTime() : 0.0f);

    std::string target;
    int element = -1;
    if (Held(uicode::kLeftButton) && m_pDocument->GetRef(c.x, c.y, target, &element)) m_bArmed = 1;
    target.clear();
    if (Held(uicode::kRightButton) && m_pDocument->GetRef(c.x, c.y, target, &element) && !target.empty())
    {
        m_sNotifyTarget = target;
        Notify(kNotifyRightLink, 0);
    }
    if (Released(uicode::kLeftButton))
    {
        target.clear();
        if (m_bArmed && m_pDocument->GetRef(c.x, c.y, target, &element))
        {
            m_pDocument->SelRef(target, element, 0, 1);
            if (!target.empty())
                ChooseLink(target);
            else
                PlayUISound("SND_I_ROLL");
        }
        m_bArmed = 0;
    }

    if (HitTest())
    {
        IInput* input = m_pScreen->m_pInput;
        const float wheel = input ? input->GetMouseDelta().z : 0.0f;
        if (wheel != 0.0f) OnWheel(wheel);
        target.clear();
        bool chosen = false;
        if (Released(kKeySpace))
            chosen = m_pDocument->SelRef(target, -1, 1, 1) || !target.empty();
        else
            for (int digit = 1; digit <= 9; ++digit)
                if (Released(kKeyDigit1 + digit - 1))
                {
                    chosen = m_pDocument->SelRef(target, -1, 0, digit) || !target.empty();
                    break;
                }
        if (chosen && !target.empty()) ChooseLink(target);
    }
}

void CHTMLWnd::Render()
{
    XTRACE("CHTMLWnd::Render");
    if (m_pDocument) m_pDocument->Render();
}

// ---- CHTMLScrollWnd ----

CHTMLScrollWnd::~CHTMLScrollWnd()
{
    if (m_pScroll) RemoveControl(m_pScroll);
    delete m_pScroll;
}

void CHTMLScrollWnd::Init(int left, int top, int right, int bottom, IUI* screen)
{
    XTRACE("CHTMLScrollWnd::Init");
    if (!m_pScroll) m_pScroll = new CScrollControl();
    RemoveControl(m_pScroll);
    // The bar is built in the window's own coordinates and moves with it.
    m_pScroll->Init(0, 0, right - left, bottom - top, CScrollControl::kVertical, screen);
    CHTMLWnd::Init(left, top, right, bottom, screen);
    m_bShowFrame = 1;
    AddControl(m_pScroll);
    PlaceDocument();
}

void CHTMLScrollWnd::PlaceDocument()
{
    if (!m_pDocument) return;
    const int scroll = m_pScroll ? m_pScroll->Width() : 0;
    m_pDocument->m_Rect[0] = m_Rect.left + 8;
    m_pDocument->m_Rect[1] = m_Rect.top + 8;
    m_pDocument->m_Rect[2] = m_Rect.right - scroll - 9;
    m_pDocument->m_Rect[3] = m_Rect.bottom - 9;
}

void CHTMLScrollWnd::OnCommand(int code, int param)
{
    if (m_pParent) m_pParent->OnCommand(code, param);
}

void CHTMLScrollWnd::OnWheel(float delta)
{
    CHTMLWnd::OnWheel(delta);
    int total = 0, page = 0, position = 0;
    if (m_pDocument && m_pScroll)
    {
        m_pDocument->GetScrollRange(&total, &page, &position, false);
        m_pScroll->SetPos(position);
    }
}

int CHTMLScrollWnd::TrackLength() const
{
    if (!m_pScroll) return 0;
    const int w = m_pScroll->Width(), h = m_pScroll->Height();
    return (h > w ? h - 44 : w - 34) - 7;
}

void CHTMLScrollWnd::ProcessMessages()
{
    if (!m_pDocument || !m_pScroll) return;
    const plat::Point c = CursorPos();
    const bool moved = m_pScroll->TakePosChanged();
    CHTMLWnd::ProcessMessages();

    int total = 0, page = 0, position = 0;
    m_pDocument->GetScrollRange(&total, &page, &position, false);
    if (total > page)
    {
        m_pScroll->Enable(1);
        const int length = int(double(page) / double(total) * double(page));
        m_pScroll->SetThumbSize(std::min(length, std::max(TrackLength(), 1)));
        m_pScroll->SetMax(total - page);
        m_pScroll->SetPos(position);
    }
    else
    {
        m_pDocument->Scroll(-10000000);
        m_pScroll->Enable(0);
    }

    if (m_pScroll->m_bVisible && m_pScroll->m_bEnabled)
    {
        m_pScroll->ProcessMessages();
        if (Released(uicode::kLeftButton))
        {
            const plat::Rect& bar = m_pScroll->m_Rect;
            const plat::Rect thumb = m_pScroll->m_pThumb ? m_pScroll->m_pThumb->m_Rect : plat::Rect{};
            auto over = [&c](const CControl* control)
            { return control && PointInRect(control->m_Rect, c.x, c.y); };
            if (over(m_pScroll->m_pBack))
                m_pDocument->Scroll(-20);
            else if (over(m_pScroll->m_pForward))
                m_pDocument->Scroll(20);
            else if (PointInRect(bar, c.x, c.y) && c.y < thumb.top)
                m_pDocument->Scroll(-200);
            else if (PointInRect(bar, c.x, c.y) && c.y >= thumb.bottom)
                m_pDocument->Scroll(200);
        }
    }
    if (total > page)
    {
        m_pDocument->GetScrollRange(&total, &page, &position, false);
        if (moved || m_pScroll->m_bPosChanged)
        {
            m_pScroll->TakePosChanged();
            m_pDocument->Scroll(m_pScroll->GetPos() - position);
        }
        else
            m_pScroll->SetPos(position);
    }
}

void CHTMLScrollWnd::Render()
{
    CHTMLWnd::Render();
    if (!m_bShowFrame) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (g)
    {
        // The script-results box gives the arrows pictures 31 and 32.
        const bool style32 = m_pScroll && m_pScroll->m_pForward && m_pScroll->m_pForward->m_nPicture == 32;
        const int sx = style32 ? 347 : 692, sy = style32 ? 796 : 0;
        const std::uint32_t line = style32 ? 0xFFACF0F4 : 0xFFFFFFFF;
        const plat::Rect& r = m_Rect;
        const int scrollLeft = m_pScroll ? m_pScroll->m_Rect.left : r.right;
        DrawSheetPiece(g, "TEX_INT_UI1", plat::Rect{r.left, r.top, r.left + 7, r.top + 7}, sx, sy, sx + 1024,
                       sy + 1024, 11);
        DrawSheetPiece(g, "TEX_INT_UI1", MirroredY(plat::Rect{r.left, r.bottom - 7, r.left + 7, r.bottom}), sx, sy,
                       sx + 1024, sy + 1024, 11);
        if (m_bShowTopLine)
        {
            const int top[4] = {r.left + 7, r.top, scrollLeft, r.top + 1};
            g->FillRect(top, line);
        }
        const int bottom[4] = {r.left + 7, r.bottom - 1, scrollLeft, r.bottom};
        g->FillRect(bottom, line);
        const int side[4] = {r.left, r.top + 7, r.left + 1, r.bottom - 7};
        g->FillRect(side, line);
    }
    if (m_pScroll) m_pScroll->Render();
}
