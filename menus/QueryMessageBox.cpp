#include "menus/QueryMessageBox.h"

#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "ui/UI.h"
#include "ui/UICodes.h"

#include <cmath>

using namespace menus;

namespace
{
constexpr int kKeyEscape = 1;
constexpr int kPictureOK = 45;
constexpr int kPictureCancel = 46;
constexpr int kFieldHalfWidth = 90;
constexpr int kFieldHeight = 20;

// The fade's alpha masking a colour: its RGB stays, its alpha becomes the
// AND of both alphas.
std::uint32_t Faded(std::uint32_t colour, float fade)
{
    if (fade == 0.0f) return colour;
    long alpha = std::lround(double(fade) * 255.0);
    alpha = alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha);
    return ((std::uint32_t(alpha) << 24) + 0xFFFFFFu) & colour;
}
} // namespace

// ---- CQueryEditField

void CQueryEditField::Create(int left, int top, int right, int bottom)
{
    CEdit::Create(left, top, right, bottom, "");
    m_ClassID = MakeClassKey("CQueryEditField", -1);
    m_fCaretTimer = 0.0f;
    m_bCaretShown = 0;
}

void CQueryEditField::ProcessMessages()
{
    // The field is the box's only input: it keeps the keys while the box is
    // open, wherever the mouse is.
    m_bFocused = 1;
    CEdit::ProcessMessages();
    m_bFocused = 1;
}

void CQueryEditField::Render()
{
    if (!m_bVisible || !m_pScreen || !m_pScreen->m_pGraphic) return;
    IGraphicInterface* g = m_pScreen->m_pGraphic;
    m_fCaretTimer += m_pScreen->GetClock()->GetFrameTime();
    if (m_fCaretTimer > 1.0f)
    {
        m_bCaretShown = !m_bCaretShown;
        m_fCaretTimer = 0.0f;
    }
    const int w = g->TextWidth(m_sCaption.GetText());
    if (w > Width() - 12)
    {
        m_Rect.left += (Width() - w - 12) / 2;
        m_Rect.right = m_Rect.left + w + 12;
    }
    const plat::Rect& r = m_Rect;
    menus::FillRect(g, r, kWhite);
    menus::FillRect(g, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, 0xCC000000);
    g->RenderText(m_sCaption.GetText(), r.left + 5, r.top + 3, kBlack);
    g->RenderText(m_sCaption.GetText(), r.left + 4, r.top + 2, kWhite);
    if (m_bCaretShown) menus::FillRect(g, {r.left + w + 6, r.top + 3, r.left + w + 7, r.bottom - 3}, kWhite);
}

// ---- CQueryMessageBox

CQueryMessageBox::CQueryMessageBox()
{
    m_ClassID = MakeClassKey("CQueryMessageBox", -1);
}

CQueryMessageBox::~CQueryMessageBox()
{
    if (m_pScreen && m_pScreen->m_pPopup == this) m_pScreen->SetPopup(nullptr);
    if (m_pParent) m_pParent->RemoveControl(this);
    Clear();
}

int CQueryMessageBox::Clear()
{
    for (CControl* control : {static_cast<CControl*>(m_pOK.get()), static_cast<CControl*>(m_pCancel.get()),
                              static_cast<CControl*>(m_pInput.get())})
        if (control) RemoveControl(control);
    return 0;
}

void CQueryMessageBox::Init(const plat::Rect& rect, IUI* screen, std::uint32_t flags)
{
    XTRACE("CQueryMessageBox::Init");
    Create(screen);
    m_ClassID = MakeClassKey("CQueryMessageBox", -1);
    m_Rect = rect;
    m_uFlags = flags;
    m_fFade = 0.0f;
    SetResult(0);
    Clear();
    m_pOK.reset();
    m_pCancel.reset();
    m_pInput.reset();
    if (flags & kFlagOK) m_pOK = std::make_unique<CMenuButton>();
    if (flags & kFlagCancel) m_pCancel = std::make_unique<CMenuButton>();
    if (flags & kFlagInput) m_pInput = std::make_unique<CQueryEditField>();

    const plat::Point size =
        screen && screen->m_pGraphic ? screen->m_pGraphic->GetScreenSize() : plat::Point{};
    const plat::Rect main =
        screen && screen->m_pMainGroup ? screen->m_pMainGroup->m_Rect : plat::Rect{0, 0, size.x, size.y};
    const int w = Width(), h = Height();
    if (flags & kFlagCentreMain)
    {
        m_Rect.left += (main.right - main.left - w) / 2;
        m_Rect.top += (main.bottom - main.top - h) / 2 - main.top;
        m_Rect.right = m_Rect.left + w;
        m_Rect.bottom = m_Rect.top + h;
    }
    if (flags & kFlagCentreScreen)
    {
        m_Rect.left += (size.x - w) / 2 - main.left;
        m_Rect.top += (size.y - h) / 2 - main.top;
        m_Rect.right = m_Rect.left + w;
        m_Rect.bottom = m_Rect.top + h;
    }

    // One row of 36 x 25 buttons, centred; the halving is signed, so that a
    // box narrower than its buttons keeps them beside it, not far away.
    const int x0 = ((m_pOK && m_pCancel) ? w - 3 * kButtonWidth : w - kButtonWidth) / 2;
    const CGuidKey sheet = TextureKey(kUI1);
    if (m_pOK)
    {
        m_pOK->Create(x0, h - 43, x0 + kButtonWidth, h - 18, "", CButton::kPush, uicode::kOK);
        m_pOK->SetUID(sheet);
        m_pOK->m_nPicture = kPictureOK;
        AddControl(m_pOK.get());
        if (m_pInput) m_pOK->Enable(0);
    }
    if (m_pCancel)
    {
        m_pCancel->Create(x0 + 2 * kButtonWidth, h - 43, x0 + 3 * kButtonWidth, h - 18, "", CButton::kPush,
                          uicode::kCancel);
        m_pCancel->SetUID(sheet);
        m_pCancel->m_nPicture = kPictureCancel;
        AddControl(m_pCancel.get());
    }
    if (m_pInput)
    {
        m_pInput->Create(w / 2 - kFieldHalfWidth, 0, w / 2 + kFieldHalfWidth, kFieldHeight);
        m_pInput->SetUID(sheet);
        AddControl(m_pInput.get());
    }
}

void CQueryMessageBox::SetCaption(const char* caption)
{
    m_sBoxCaption = caption ? caption : "";
}

bool CQueryMessageBox::AddLine(const char* line)
{
    if (m_nLines >= kMaxLines) return false;
    m_Lines[m_nLines++] = line ? line : "";
    return true;
}

void CQueryMessageBox::ResetLines()
{
    for (std::string& line : m_Lines)
        line.clear();
    m_nLines = 0;
}

std::string CQueryMessageBox::GetInputText() const
{
    return m_pInput ? std::string(m_pInput->GetText().GetText()) : std::string();
}

std::uint32_t CQueryMessageBox::BackgroundColour() const
{
    return Faded(kBackground, m_fFade);
}

std::uint32_t CQueryMessageBox::CaptionBandColour() const
{
    return Faded(kCaptionBand, m_fFade);
}

void CQueryMessageBox::ProcessMessages()
{
    XTRACE("CQueryMessageBox::ProcessMessages");
    CGroupControl::ProcessMessages();
    IInput* input = m_pScreen ? m_pScreen->m_pInput : nullptr;
    if (input && input->IsPressed(uicode::kKeyEnter)) Notify(uicode::kOK, 0);
    if (input && input->IsPressed(kKeyEscape)) Notify(uicode::kCancel, 0);
    if (m_pOK && m_pInput) m_pOK->Enable(GetInputText().empty() ? 0 : 1);
}

void CQueryMessageBox::OnCommand(int code, int)
{
    if (code == uicode::kOK)
    {
        if (m_pInput && GetInputText().empty()) return;
        SetResult(1);
    }
    else if (code == uicode::kCancel)
        SetResult(2);
}

void CQueryMessageBox::Render()
{
    XTRACE("CQueryMessageBox::Render");
    if (!m_bVisible || !m_pScreen || !m_pScreen->m_pGraphic) return;
    IGraphicInterface* g = m_pScreen->m_pGraphic;
    const int l = m_Rect.left, t = m_Rect.top, r = m_Rect.right, b = m_Rect.bottom;
    const int w = Width();
    const int h = g->GetTextHeight();
    const std::uint32_t back = BackgroundColour();
    menus::FillRect(g, {l, t, r, t + 9}, back);
    menus::FillRect(g, {l, t + 9, r, t + 9 + h}, CaptionBandColour());
    menus::FillRect(g, {l, t + 9 + h, r, b}, back);
    menus::FillRect(g, m_Rect, kFrameFill);
    menus::FillRect(g, {l + 2, t + 2, r - 2, t + 3}, kWhite);
    menus::FillRect(g, {l + 2, b - 2, r - 2, b - 1}, kWhite);
    menus::FillRect(g, {l + 2, t + 2, l + 3, b - 2}, kWhite);
    menus::FillRect(g, {r - 2, t + 2, r - 1, b - 1}, kWhite);
    CGroupControl::Render();

    g->SelectFont(0);
    int y = b - 85 - g->GetTextHeight() * m_nLines / 2;
    g->SelectFont(1);
    const int captionX = l + (w - g->TextWidth(m_sBoxCaption.c_str())) / 2;
    g->RenderText(m_sBoxCaption.c_str(), captionX + 1, t + 10, kBlack);
    g->RenderText(m_sBoxCaption.c_str(), captionX, t + 9, kWhite);
    g->SelectFont(0);
    for (int i = 0; i < m_nLines && i < kMaxLines; ++i)
    {
        const char* line = m_Lines[i].c_str();
        const int x = l + (w - g->TextWidth(line)) / 2;
        g->RenderText(line, x + 1, y + 1, 0xA0000000);
        g->RenderText(line, x, y, kWhite);
        y += g->GetTextHeight();
    }
    if (m_pInput)
    {
        const int height = m_pInput->Height();
        m_pInput->m_Rect.top = y;
        m_pInput->m_Rect.bottom = y + height;
    }
}
