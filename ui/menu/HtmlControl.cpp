#include "ui/menu/HtmlControl.h"

#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "ui/markup/HTMLObject.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace
{
// The cursor blinks at half the frame rate, shared by every console line.
int g_nBlinkCounter = 0;

CGuidKey KeyOf(const char* name)
{
    CGuidKey key;
    MakeGuidKey(&key, name);
    return key;
}

std::string Trimmed(const char* text)
{
    std::string s = text ? text : "";
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && blank(s[i]))
        ++i;
    return s.substr(i);
}
} // namespace

CHtmlControl::CHtmlControl(int left, int top, int right, int bottom, CHTMLObject* document)
    : CMenuControl(left, top, right, bottom)
{
    if (document)
        m_pDocument = document;
    else
    {
        m_pDocument = new CHTMLObject(left, top, right - kScrollBarWidth, bottom, nullptr);
        m_bOwnsDocument = 1;
    }
    std::strcpy(m_szLineBlock, kConsoleBlock);
}

CHtmlControl::~CHtmlControl()
{
    if (m_bOwnsDocument) delete m_pDocument;
}

void CHtmlControl::AdoptGraphic()
{
    // A document the control made draws with its menu's interface.
    if (m_pMenu && !m_pDocument->GetGraphic()) m_pDocument->SetGraphic(m_pMenu->m_pGraphic);
}

plat::Point CHtmlControl::Mouse() const
{
    return m_pMenu ? m_pMenu->m_Mouse : plat::Point{};
}

void CHtmlControl::OnMouseDown()
{
    m_bDragging = 1;
    const plat::Point m = Mouse();
    m_nDragX = m.x;
    m_nDragY = m.y;
}

void CHtmlControl::OnMouseUp()
{
    XTRACE("CHtmlControl::OnMouseUp");
    m_bDragging = 0;
    if (m_bConsoleEnabled && m_bInputActive) return;
    const plat::Point m = Mouse();
    std::string target;
    int element = -1;
    const bool hit = m_pDocument->GetRef(m.x, m.y, target, &element);
    m_bLinkClicked = hit && !target.empty();
    std::memset(m_szLink, 0, sizeof m_szLink);
    if (m_bLinkClicked) std::strncpy(m_szLink, target.c_str(), sizeof m_szLink - 1);
    if (m_bLinkClicked && m_pMenu) m_pMenu->OnNotify(kNotifyLink);
}

void CHtmlControl::Run()
{
    AdoptGraphic();
    const plat::Point m = Mouse();
    m_pDocument->MouseMove(m.x, m.y);
    const int strip = m_Rect.right - kScrollBarWidth;
    if (m_bDragging && m.x <= strip && m_nDragX <= strip)
    {
        m_pDocument->Scroll(m_nDragY - m.y);
        m_nDragX = m.x;
        m_nDragY = m.y;
    }
    if (m_pMenu && PointInRect(m.x, m.y, m_Rect.left, m_Rect.top, m_Rect.right, m_Rect.bottom))
    {
        const float w = m_pMenu->WheelDelta();
        if (w != 0.0f) m_pDocument->Scroll(int(w * -0.1f));
    }
    m_pDocument->OnFrame(m_pMenu ? m_pMenu->m_fFrameTime : 0.0f);
}

void CHtmlControl::ShowLine(bool cursor)
{
    std::string line = m_sInput.GetText();
    if (cursor) line += "_";
    m_pDocument->ReplaceTextInBlock(m_szLineBlock, line.c_str());
}

void CHtmlControl::ProcessKeys()
{
    AdoptGraphic();
    if (!m_pMenu) return;
    const bool enter = m_pMenu->m_pInput && m_pMenu->m_pInput->IsPressed(kKeyEnter);
    if (enter && (m_bConsoleEnabled || m_bInputActive))
    {
        if (!m_bInputActive)
            BeginInput(nullptr, "\\\\", "");
        else
        {
            ShowLine(false);
            const std::string typed = std::string(m_sInput.GetText()).substr(std::size_t(m_nPrefixLength));
            ExecuteCommand(typed.c_str());
        }
    }
    else if (m_bInputActive)
    {
        const std::uint8_t c = m_pMenu->m_cTypedChar;
        const int typed = m_sInput.GetLength() - m_nPrefixLength;
        if (c == ':' || c == '=' || c == '<' || c == '>')
        {
            // Markup characters would change the line's own layout.
        }
        else if (c == 8)
        {
            if (m_sInput.GetLength() > m_nPrefixLength)
            {
                std::string s = m_sInput.GetText();
                s.pop_back();
                m_sInput = s.c_str();
            }
            ShowLine(true);
        }
        else if (c >= 32 && typed < m_nMaxInput)
        {
            std::string s = m_sInput.GetText();
            s += char(c);
            m_sInput = s.c_str();
            ShowLine(true);
        }
        else
        {
            ++g_nBlinkCounter;
            ShowLine(g_nBlinkCounter % 2 == 0);
        }
    }
    m_pMenu->TakeTypedChar();

    // Scroll-bar arrows: hovering scrolls a pixel a frame, holding the
    // button pressed inside the arrow ten.
    const plat::Point m = Mouse();
    const plat::Rect& r = m_Rect;
    if (PointInRect(m.x, m.y, r.right - 10, r.top, r.right + 1, r.top + 14))
    {
        const bool held =
            m_bDragging && PointInRect(m_nDragX, m_nDragY, r.right - 10, r.top, r.right + 1, r.top + 14);
        m_pDocument->Scroll(held ? -10 : -1);
    }
    if (PointInRect(m.x, m.y, r.right - 10, r.bottom, r.right + 1, r.bottom - 14))
    {
        const bool held = m_bDragging &&
                          PointInRect(m_nDragX, m_nDragY, r.right - 10, r.bottom, r.right + 1, r.bottom - 14);
        m_pDocument->Scroll(held ? 10 : 1);
    }

    // The thumb follows the mouse while it is dragged.
    int total = 0, page = 0, position = 0;
    ReadScrollFigures(&total, &page, &position);
    int thumbTop = 0, thumbHeight = 0;
    ThumbPlace(total, page, position, &thumbTop, &thumbHeight);
    const int trackTop = r.top + 13;
    const int track = r.bottom - r.top - 26;
    if (m_bDragging &&
        PointInRect(m_nDragX, m_nDragY, r.right - 8, thumbTop, r.right - 1, thumbTop + thumbHeight) &&
        m.y >= trackTop && m.y <= trackTop + track)
    {
        // With the whole text in view the thumb fills the track and there
        // is nothing to scroll (and nothing to divide by).
        if (track - thumbHeight > 0 && total > page)
            m_pDocument->Scroll(int((long long)(m.y - m_nDragY) * (total - page) / (track - thumbHeight)));
        m_nDragY = m.y;
    }
}

void CHtmlControl::ReadScrollFigures(int* total, int* page, int* position) const
{
    *total = 1000;
    *page = 500;
    *position = 300;
    m_pDocument->GetScrollRange(total, page, position, false);
    *total = std::max(*total, *page);
    *position = std::max(*position, 0);
    if (*position + *page > *total) *position = *total - *page;
}

void CHtmlControl::ThumbPlace(int total, int page, int position, int* top, int* height) const
{
    const int track = m_Rect.bottom - m_Rect.top - 26;
    if (total <= 0)
    {
        *top = m_Rect.top + 13;
        *height = track;
        return;
    }
    *top = int((long long)position * track / total + m_Rect.top + 13);
    *height = int((long long)page * track / total);
}

void CHtmlControl::BeginInput(const char* blockId, const char* prefix, const char* suffix)
{
    AdoptGraphic();
    std::memset(m_szLineBlock, 0, sizeof m_szLineBlock);
    std::strncpy(m_szLineBlock, blockId ? blockId : kConsoleBlock, sizeof m_szLineBlock - 1);
    if (m_bConsoleEnabled && m_pMenu) m_pMenu->m_pModal = this;
    if (m_pMenu) m_pMenu->m_bTextInput = 1;
    m_bInputActive = 1;
    const std::string p = prefix ? prefix : "";
    m_nPrefixLength = int(p.size());
    m_bPending = 1;
    m_sInput = (p + (suffix ? suffix : "")).c_str();
    if (blockId)
        m_pDocument->ReplaceTextInBlock(m_szLineBlock, m_sInput.GetText());
    else
    {
        m_pDocument->DelBlock(kConsoleBlock, false);
        m_pDocument->AddText(m_sInput.GetText(), kConsoleBlock, nullptr, true);
    }
}

void CHtmlControl::CancelInput()
{
    if (m_pMenu)
    {
        m_pMenu->m_bTextInput = 0;
        if (m_bConsoleEnabled) m_pMenu->m_pModal = nullptr;
    }
    m_bInputActive = 0;
    if (m_bPending)
    {
        m_bPending = 0;
        if (m_pMenu) m_pMenu->OnNotify(kNotifyCancelled);
    }
}

void CHtmlControl::ExecuteCommand(const char* text)
{
    if (m_pMenu)
    {
        m_pMenu->m_bTextInput = 0;
        if (m_bConsoleEnabled) m_pMenu->m_pModal = nullptr;
    }
    m_bInputActive = 0;
    CXAnsiString command(Trimmed(text).c_str());
    command.MakeUpper();
    if (m_bPending)
    {
        m_sSubmitted = text ? text : "";
        m_bPending = 0;
        if (m_pMenu) m_pMenu->OnNotify(kNotifySubmitted);
    }
    if (m_bFramed) return;
    const std::string c = command.GetText();
    if (c.rfind("GO ", 0) == 0)
    {
        const std::string name = c.substr(3);
        if (name.size() <= 31) GoToMechanoid(name.c_str());
    }
    else if (c.rfind("JUMP TO ", 0) == 0)
    {
        const std::string name = c.substr(8);
        if (name.size() <= 31) JumpToBuilding(name.c_str());
    }
}

void CHtmlControl::GoToMechanoid(const char* name)
{
    if (g_pMenuHost) g_pMenuHost->GoToMechanoid(name);
}

void CHtmlControl::JumpToBuilding(const char* gameId)
{
    if (g_pMenuHost) g_pMenuHost->JumpToBuilding(gameId);
}

void CHtmlControl::DrawPiece(const int screen[4], int u, int v, int w, int h, bool flip)
{
    IGraphicInterface* g = m_pMenu ? m_pMenu->m_pGraphic : nullptr;
    if (!g) return;
    static CGuidKey all = KeyOf("TEX_KT_ALL");
    const int size[2] = {512, 512};
    const int rect[4] = {u, flip ? v + h : v, u + w, flip ? v : v + h};
    g->DrawTextureUV(all, screen, size, rect, 19);
}

void CHtmlControl::Render()
{
    XTRACE("CHtmlControl::Render");
    AdoptGraphic();
    IGraphicInterface* g = m_pMenu ? m_pMenu->m_pGraphic : nullptr;
    static CGuidKey all = KeyOf("TEX_KT_ALL");
    if (g && CGraphicInterface::ResolveTexture(all))
    {
        const plat::Rect& r = m_Rect;
        const plat::Point m = Mouse();
        if (m_bScrollBar)
        {
            int total = 0, page = 0, position = 0;
            ReadScrollFigures(&total, &page, &position);
            g->SetFade(m_pDocument->m_fFade * 0.75f);
            const int column = m_bFramed ? 108 : 130;
            const int track[4] = {r.right - 10, r.top + 12, r.right + 1, r.bottom - 12};
            DrawPiece(track, column, 182, 11, 1, false);
            const int up[4] = {r.right - 10, r.top, r.right + 1, r.top + 14};
            const bool overUp = PointInRect(m.x, m.y, up[0], up[1], up[2], up[3]);
            DrawPiece(up, column, overUp ? 153 : 167, 11, 14, false);
            const int down[4] = {r.right - 10, r.bottom - 14, r.right + 1, r.bottom};
            const bool overDown = PointInRect(m.x, m.y, r.right - 10, r.bottom, r.right + 1, r.bottom - 14);
            DrawPiece(down, column, overDown ? 153 : 167, 11, 14, true);
            if (total != 0)
            {
                int top = 0, height = 0;
                ThumbPlace(total, page, position, &top, &height);
                const int thumb[4] = {r.right - 8, top, r.right - 1, top + height};
                const bool over = PointInRect(m.x, m.y, thumb[0], thumb[1], thumb[2], thumb[3]);
                DrawPiece(thumb, 121 + (over ? 22 : 0), 153, 7, 14, false);
            }
        }
        if (m_bFramed)
        {
            const int corners[4][4] = {{r.left - 6, r.top - 4, r.left + 2, r.top + 4},
                                       {r.right - 4, r.top - 4, r.right + 4, r.top + 4},
                                       {r.left - 6, r.bottom - 4, r.left + 2, r.bottom + 4},
                                       {r.right - 4, r.bottom - 4, r.right + 4, r.bottom + 4}};
            for (int i = 0; i < 4; ++i)
                DrawPiece(corners[i], 108, 194, 8, 8, i >= 2);
            const int edges[4][4] = {{r.left + 2, r.top - 4, r.right - 4, r.top - 1},
                                     {r.left + 2, r.bottom + 1, r.right - 4, r.bottom + 4},
                                     {r.left - 6, r.top + 4, r.left - 3, r.bottom - 4},
                                     {r.right + 1, r.top + 4, r.right + 4, r.bottom - 4}};
            for (const auto& e : edges)
                DrawPiece(e, 112, 194, 1, 3, false);
            static CGuidKey grid = KeyOf("TEX_KT_SETKA");
            const int area[4] = {r.left - 2, r.top, r.right - 10, r.bottom};
            const int size[2] = {16, 16};
            const int rect[4] = {0, 0, area[2] - area[0], area[3] - area[1]};
            g->DrawTextureUV(grid, area, size, rect, 19);
        }
    }
    m_pDocument->Render();
}
