#include "menus/ListRowButton.h"

#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "ui/markup/PictureButton.h"

#include <string>

namespace
{
constexpr int kSheetSpan = 1024;
constexpr int kTechnique = 19;
constexpr int kCaretWidth = 10;
// When Backspace went down (seconds of the screen's clock); below 0 while
// it is up. One value for every row, as there is one key.
double g_dBackspaceDown = -1.0;
} // namespace

CListRowButton::CListRowButton()
{
    m_ClassID = MakeClassKey("CListRowButton", -1);
    // A row stays marked once chosen: the push kind would drop the mark
    // when the button is let go.
    m_iKind = kRadio;
}

void CListRowButton::Render()
{
    if (!m_bVisible || !m_pScreen || !m_pScreen->m_pGraphic) return;
    IGraphicInterface* graphic = m_pScreen->m_pGraphic;
    if (m_bRowFocused)
    {
        m_fCaretTime += m_pScreen->GetClock()->GetFrameTime();
        if (m_fCaretTime > kCaretBlink)
        {
            m_bCaretOn = !m_bCaretOn;
            m_fCaretTime = 0.0f;
        }
    }
    else
    {
        m_bCaretOn = 0;
    }

    const int x = m_Rect.left + 3;
    const CXAnsiString& title = m_sText[kTitle];
    const CXAnsiString& subtitle = m_sText[kSubtitle];
    if (!title.IsEmpty())
    {
        graphic->SelectFont(0);
        graphic->RenderText(title.GetText(), x + 1, m_Rect.top + 3, m_dwShadowColour);
        graphic->RenderText(title.GetText(), x, m_Rect.top + 2, (m_dwTextColour & 0x00FFFFFF) | 0x90000000);
    }
    if (!subtitle.IsEmpty())
    {
        graphic->SelectFont(1);
        graphic->RenderText(subtitle.GetText(), x + 1, m_Rect.top + 17, m_dwShadowColour);
        graphic->RenderText(subtitle.GetText(), x, m_Rect.top + 16, m_dwTextColour);
    }
    if (m_bCaretOn)
    {
        if (!m_bEditable) return;
        graphic->SelectFont(1);
        const int left = m_Rect.left + graphic->TextWidth(subtitle.GetText()) + 2;
        Fill(plat::Rect{left + 1, m_Rect.bottom - 3, left + kCaretWidth + 1, m_Rect.bottom - 1},
             m_dwShadowColour);
        Fill(plat::Rect{left, m_Rect.bottom - 4, left + kCaretWidth, m_Rect.bottom - 2}, m_dwTextColour);
    }
    if (m_bEditable && !m_bNoOverlay)
    {
        graphic->SetFade(1.0f);
        DrawSheetPiece(graphic, GetUID().name, m_Rect, 821, 764, 821 + kSheetSpan, 764 + kSheetSpan,
                       kTechnique);
    }
}

void CListRowButton::OnMouseLDblClick()
{
    CButton::OnMouseLDblClick();
    m_bDoubleClicked = 1;
    if (m_bRowFocused) m_sText[kSubtitle] = "";
}

void CListRowButton::TakeKeys()
{
    if (m_pScreen && m_pScreen->m_pInput && !m_pScreen->m_pInput->IsDown(kBackspace)) g_dBackspaceDown = -1.0;
    if (!m_bRowFocused || !m_bEditable || !m_pScreen || !m_pScreen->m_pInput || !m_pScreen->m_pGraphic)
        return;
    const InputQueue& events = m_pScreen->m_pInput->GetEvents();
    std::string text = m_sText[kSubtitle].GetText();
    const std::string before = text;
    m_pScreen->m_pGraphic->SelectFont(1);
    for (int i = 0; i < events.count && i < InputQueue::kCapacity; ++i)
    {
        const InputEvent& e = events.entries[i];
        if (!e.isDown) continue;
        if (e.kind == 0)
        {
            const char ch = char(e.code & 0xFF);
            if (ch != ' ' && ch != '\b' && ch != 0)
            {
                const std::string longer = text + ch;
                if (m_pScreen->m_pGraphic->TextWidth(longer.c_str()) < Width() - 6) text = longer;
            }
        }
        else if (e.code == kBackspace)
        {
            const double now = m_pScreen->GetClock()->GetElapsedTicks();
            if (g_dBackspaceDown < 0.0) g_dBackspaceDown = now;
            if (!text.empty()) text.pop_back();
            if (now - g_dBackspaceDown >= kBackspaceRepeat && !text.empty()) text.pop_back();
        }
    }
    m_sText[kSubtitle] = text.c_str();
    m_bTextChanged = text != before;
}

void CListRowButton::ProcessMessages()
{
    TakeKeys();
    CButton::ProcessMessages();
}
