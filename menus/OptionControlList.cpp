#include "menus/OptionControlList.h"

#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/OptionControls.h"
#include "menus/OptionKeyRows.h"
#include "ui/UI.h"

#include <algorithm>
#include <cstdio>

using options::SKeyPair;

namespace
{
constexpr int kScrollWidth = 22, kScrollHeight = 311;
constexpr int kScrollOffset = 6;
constexpr int kCaptionX = 10;
constexpr int kFirstBox = 195, kBoxWidth = 91, kBoxPitch = 95;
} // namespace

COptionControlList::COptionControlList()
{
    m_ClassID = MakeClassKey("COptionControlList", -1);
}

COptionControlList::~COptionControlList()
{
    // A list that goes while it captures leaves the screen no pointer to it.
    if (m_bCapturing) EndCapture();
    if (m_pScreen && m_pScreen->m_pHovered == this) m_pScreen->m_pHovered = nullptr;
}

void COptionControlList::Create(const plat::Rect& rect, IUI* screen)
{
    InitBase();
    m_ClassID = MakeClassKey("COptionControlList", -1);
    m_Rect = rect;
    m_pScreen = screen;
    m_pScroll = std::make_unique<COptionScrollControl>();
    m_pScroll->Init(0, 0, kScrollWidth, kScrollHeight, CScrollControl::kVertical, screen);
    m_pScroll->Move(rect.right - kScrollOffset, rect.top - kScrollOffset);
    m_pScroll->SetMax(kRows - kVisibleRows);
    m_pScroll->SetThumbSize(Height() * kVisibleRows / kRows);
    m_pScroll->Enable(1);
    SetUID(menus::TextureKey(menus::kUI1));
}

void COptionControlList::FillCaptions()
{
    for (int row = 0; row < kRows; ++row)
    {
        char key[32];
        std::snprintf(key, sizeof key, "INT_OPTIONS_KEY_%02i", options::kKeyRowTable[row].caption);
        m_Captions[std::size_t(row)] = menus::TextOf(key).c_str();
        m_Keys[std::size_t(row)] = SKeyPair{};
    }
}

void COptionControlList::SetUID(const CGuidKey& id)
{
    CControl::SetUID(id);
    if (m_pScroll) m_pScroll->SetUID(id);
}

void COptionControlList::Show()
{
    if (m_pScroll) m_pScroll->Show();
    CControl::Show();
}

void COptionControlList::Hide()
{
    if (m_bCapturing) EndCapture();
    if (m_pScroll) m_pScroll->Hide();
    CControl::Hide();
}

void COptionControlList::Move(int dx, int dy)
{
    CControl::Move(dx, dy);
    if (m_pScroll) m_pScroll->Move(dx, dy);
}

// ---- input

void COptionControlList::OnMouseLClick()
{
    CControl::OnMouseLClick();
    const int row = (CursorPos().y - m_Rect.top) / kRowHeight + m_iFirst;
    if (row >= 0 && row < kRows) m_iSelected = row;
}

void COptionControlList::OnMouseLDblClick()
{
    CControl::OnMouseLDblClick();
    StartCapture();
}

void COptionControlList::OnMouseLUp()
{
    if (!m_bCapturing) CControl::OnMouseLUp();
}

void COptionControlList::StartCapture()
{
    if (m_bCapturing || m_iSelected < 0 || m_iSelected >= kRows) return;
    SKeyPair& row = m_Keys[std::size_t(m_iSelected)];
    m_bCapturing = true;
    m_nRememberedSecondary = row.secondary;
    row.secondary = row.primary;
    if (m_pScreen)
    {
        m_pScreen->SetCapture(this);
        m_dCaptureStart = m_dLastBlink = m_pScreen->GetClock()->GetElapsedTicks();
    }
    m_bBlinkOn = true;
}

void COptionControlList::EndCapture()
{
    m_bCapturing = false;
    if (m_pScreen) m_pScreen->ReleaseCapture(this);
}

void COptionControlList::CaptureStep()
{
    // The device was read for this frame by the screen's loop.
    IInput* input = m_pScreen ? m_pScreen->m_pInput : nullptr;
    if (!input || input->IsDown(kKeyConsole)) return;
    int code = 0;
    for (int c = 1; c < kInputButtonCount && !code; ++c)
        if (input->IsPressed(c)) code = c;
    if (!code) return;
    SKeyPair& row = m_Keys[std::size_t(m_iSelected)];
    if (code == kKeyEscape)
    {
        row.secondary = m_nRememberedSecondary;
        EndCapture();
        return;
    }
    for (SKeyPair& other : m_Keys)
    {
        if (other.primary == code) other.primary = 0;
        if (other.secondary == code) other.secondary = 0;
    }
    row.primary = std::uint16_t(code);
    EndCapture();
}

void COptionControlList::FollowSelection()
{
    if (m_iSelected < m_iFirst) m_iFirst = m_iSelected;
    if (m_iSelected >= m_iFirst + kVisibleRows) m_iFirst = m_iSelected - kVisibleRows + 1;
    m_pScroll->SetPos(m_iFirst);
    m_pScroll->UpdateThumb();
}

void COptionControlList::ProcessMessages()
{
    if (m_bCapturing)
    {
        CaptureStep();
        return;
    }
    CControl::ProcessMessages();
    if (!m_bVisible || !m_pScroll) return;
    m_pScroll->ProcessMessages();
    if (Pressed(kKeyEnter)) StartCapture();
    if (m_bCapturing) return;
    if (Pressed(kKeyDelete))
    {
        SKeyPair& row = m_Keys[std::size_t(m_iSelected)];
        (row.primary ? row.primary : row.secondary) = 0;
    }
    bool moved = false;
    if (Pressed(kKeyUp))
    {
        m_iSelected = std::max(0, m_iSelected - 1);
        moved = true;
    }
    if (Pressed(kKeyDown))
    {
        m_iSelected = std::min(kRows - 1, m_iSelected + 1);
        moved = true;
    }
    if (moved) FollowSelection();
    // The scroll bar's position is the first row shown (GetPos lowers a
    // position above the range).
    m_iFirst = std::clamp(m_pScroll->GetPos(), 0, kRows - kVisibleRows);
}

// ---- drawing

void COptionControlList::Render()
{
    IGraphicInterface* graphic = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!m_bVisible || !graphic) return;
    if (m_bCapturing)
    {
        const double now = m_pScreen->GetClock()->GetElapsedTicks();
        if (now - m_dLastBlink > kBlink)
        {
            m_bBlinkOn = !m_bBlinkOn;
            m_dLastBlink = now;
        }
    }
    graphic->SelectFont(0);
    const int textHeight = graphic->GetTextHeight();
    for (int i = 0; i < kVisibleRows && m_iFirst + i < kRows; ++i)
    {
        const int row = m_iFirst + i;
        const int top = m_Rect.top + i * kRowHeight;
        if (row == m_iSelected)
            menus::FillRect(graphic, {m_Rect.left, top, m_Rect.right, top + kRowHeight},
                            m_bCapturing ? kCaptureColour : kHighlight);
        const int textY = top + (kRowHeight - textHeight) / 2;
        menus::ShadowText(graphic, m_Captions[std::size_t(row)].GetText(), m_Rect.left + kCaptionX, textY,
                          kTextColour);
        const SKeyPair& pair = m_Keys[std::size_t(row)];
        for (int column = 0; column < 2; ++column)
        {
            const std::uint16_t code = column == 0 ? pair.primary : pair.secondary;
            const char* name = code ? CInputConfig::GetKeyNameByCode(code) : "---";
            if (m_bCapturing && row == m_iSelected && column == 0) name = m_bBlinkOn ? "???" : "";
            if (!name) name = "";
            const int left = m_Rect.right - kFirstBox + column * kBoxPitch;
            const int x = left + (kBoxWidth - graphic->TextWidth(name)) / 2;
            menus::ShadowText(graphic, name, x, textY, kTextColour);
        }
    }
    if (m_pScroll) m_pScroll->Render();
}

// ---- files

void COptionControlList::LoadOptionKeys(const char* fileName, std::array<SKeyPair, kRows>& keys,
                                        SInputOptions& input)
{
    std::uint16_t codes[CInputConfig::kKeyCount] = {};
    g_InputConfig.LoadKeyConfig(fileName, codes, &input);
    options::SlotsToRows(codes, keys);
}

void COptionControlList::SaveOptionKeys(const char* fileName, const std::array<SKeyPair, kRows>& keys,
                                        const SInputOptions& input)
{
    std::uint16_t codes[CInputConfig::kKeyCount];
    std::copy(std::begin(g_InputConfig.m_Keys), std::end(g_InputConfig.m_Keys), codes);
    options::RowsToSlots(keys, codes);
    g_InputConfig.SaveKeyConfig(fileName, codes, &input);
}
