#include "menus/CountSelector.h"

#include "foundation/ErrorLog.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "ui/markup/CommandArgument.h"

#include <cstdint>
#include <cstdio>

namespace
{
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

// DirectInput key codes the field reads.
constexpr int kKeyHome = 0xC7, kKeyEnd = 0xCF, kKeyPageUp = 0xC9, kKeyPageDown = 0xD1;
constexpr int kKeyMinus = 0x0C, kKeyPadMinus = 0x4A, kKeyDown = 0xD0;
constexpr int kKeyPadPlus = 0x4E, kKeyUp = 0xC8;
constexpr int kKeyPadPoint = 0x53, kKeyDelete = 0xD3, kKeyBackspace = 0x0E;
constexpr int kKeyZero = 0x0B, kKeyPadZero = 0x52;
// The keypad's digits 1 to 9.
constexpr int kPadDigits[9] = {0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};

// The digit 1-9 of a key, 0 for none.
int DigitOf(int code)
{
    if (code >= 0x02 && code <= 0x0A) return code - 0x01;
    for (int d = 0; d < 9; ++d)
        if (kPadDigits[d] == code) return d + 1;
    return 0;
}

bool Over(const CControl* control, const plat::Point& c)
{
    return control && PointInRect(control->m_Rect, c.x, c.y);
}
} // namespace

// ---- CCountField

void CCountField::Create(int left, int top, int right, int bottom, IUI* screen)
{
    InitBase();
    m_ClassID = MakeClassKey("CCountField", -1);
    m_pScreen = screen;
    m_Rect = m_SavedRect = plat::Rect{left, top, right, bottom};
    m_Keys.count = 0;
    m_nValue = m_nMaximum = 1;
    SetValue(1, true);
}

void CCountField::SetValue(int value, bool notify)
{
    int v = value < 1 ? 1 : value;
    if (v > m_nMaximum)
    {
        v = m_nMaximum;
        if (notify && m_nMaximum != 1)
        {
            CCommandArgument scope(this);
            Notify(kValueCut, 0);
        }
    }
    char text[16];
    std::snprintf(text, sizeof text, "%3.0d", v);
    if (MeasureText(text) > Width())
    {
        v = 1;
        std::snprintf(text, sizeof text, "1");
    }
    m_nValue = v;
    SetText(text);
}

void CCountField::ProcessMessages()
{
    if (!m_bEnabled) return;
    CControl::ProcessMessages();
    m_Keys.count = 0;
    IInput* input = m_pScreen ? m_pScreen->m_pInput : nullptr;
    if (!input) return;
    const InputQueue& events = input->GetEvents();
    for (int i = 0; i < events.count && i < InputQueue::kCapacity; ++i)
        if (events.entries[i].kind == 1) m_Keys.entries[m_Keys.count++] = events.entries[i];
    if (m_Keys.count > 0) HandleKeys();
}

void CCountField::HandleKeys()
{
    // Worked in 64 bits: appending digits to a large maximum must not wrap.
    std::int64_t n = m_nValue;
    const std::int64_t maximum = m_nMaximum;
    for (int i = 0; i < m_Keys.count; ++i)
    {
        const int code = m_Keys.entries[i].code;
        if (!Held(code)) continue;
        if (code == kKeyHome) n = 1;
        if (code == kKeyEnd) n = maximum;
        if (code == kKeyPageUp) n += 10;
        if (code == kKeyPageDown) n -= 10;
        if (code == kKeyMinus || code == kKeyPadMinus || code == kKeyDown) n -= 1;
        if (code == kKeyPadPlus || code == kKeyUp) n += 1;
        // Stepping past the top wraps to the bottom.
        if (n > maximum) n = 1;
        if (code == kKeyPadPoint || code == kKeyDelete || code == kKeyBackspace) n /= 10;
        if (const int d = DigitOf(code))
        {
            n = n * 10 + d;
            if (n > maximum) n = d;
        }
        if (code == kKeyZero || code == kKeyPadZero)
        {
            n *= 10;
            if (n > maximum) n = 1;
        }
    }
    m_Keys.count = 0;
    SetValue(n < 1 ? 1 : int(n), true);
}

void CCountField::OnMouseLClick()
{
    CControl::OnMouseLClick();
    // The clicked mark, which leaving the control clears.
    m_bFocused = 1;
}

void CCountField::Render()
{
    if (!m_bVisible) return;
    const std::uint32_t colour = m_bEnabled ? kWhite : kDisabledColour;
    const plat::Rect& r = m_Rect;
    Fill(plat::Rect{r.left, r.top, r.left + 40, r.top + 1}, colour);
    Fill(plat::Rect{r.left, r.bottom, r.left + 40, r.bottom + 1}, colour);
    Fill(plat::Rect{r.left, r.top, r.left + 1, r.bottom}, colour);
    Fill(plat::Rect{r.right - 1, r.top, r.right, r.bottom}, colour);
    const char* text = m_sCaption.GetText();
    const int x = r.right - MeasureText(text) - 3;
    const int y = r.top + (Height() - LineHeight()) / 2 + 2;
    DrawText(text, x, y, colour);
}

// ---- CCountSelector

CCountSelector::~CCountSelector()
{
    DeleteChildren();
}

void CCountSelector::DeleteChildren()
{
    for (CControl* child : {static_cast<CControl*>(m_pUp), static_cast<CControl*>(m_pDown),
                            static_cast<CControl*>(m_pField)})
    {
        RemoveControl(child);
        delete child;
    }
    m_pUp = m_pDown = nullptr;
    m_pField = nullptr;
}

void CCountSelector::Init(int left, int top, int right, int bottom, IUI* screen)
{
    XTRACE("CCountSelector::Init");
    DeleteChildren();
    CGroupControl::Init(plat::Rect{left, top, right, bottom}, screen);
    m_ClassID = MakeClassKey("CCountSelector", -1);
    const int H = bottom - top;
    m_pUp = new CMenuButton();
    m_pDown = new CMenuButton();
    m_pField = new CCountField();
    m_pUp->SetClickSound(CMenuButton::SoundId("SND_I_SCROLL"));
    m_pDown->SetClickSound(CMenuButton::SoundId("SND_I_SCROLL"));
    m_pUp->Create(0, 0, 40, 11, "", CButton::kPush, uicode::kNoCommand);
    m_pDown->Create(0, H - 11, 40, H, "", CButton::kPush, uicode::kNoCommand);
    m_pField->Create(0, 12, 40, m_pDown->m_Rect.top - m_pUp->m_Rect.bottom + 9, screen);
    m_pUp->m_nPicture = kUpPicture;
    m_pDown->m_nPicture = kDownPicture;
    AddControl(m_pUp);
    AddControl(m_pDown);
    AddControl(m_pField);
}

void CCountSelector::SetValue(int value)
{
    if (!m_pField || m_pField->GetValue() == value) return;
    m_pField->SetValue(value, true);
    CCommandArgument scope(this);
    if (m_pParent)
        m_pParent->OnCommand(kChanged, 0);
    else if (m_pScreen)
        m_pScreen->OnCommand(kChanged, 0);
}

void CCountSelector::ProcessMessages()
{
    if (!m_pUp || !m_pDown || !m_pField) return;
    CGroupControl::ProcessMessages();
    const plat::Point c = CursorPos();
    const bool buttonHovered = m_pUp->m_bHovered || m_pDown->m_bHovered;
    int step = 1;
    if (Pressed(uicode::kLeftButton) && buttonHovered && (Over(m_pUp, c) || Over(m_pDown, c)))
    {
        m_fHoldTime = m_fRepeatTime = 0.0f;
    }
    else if (Held(uicode::kLeftButton) && buttonHovered)
    {
        const float dt = m_pScreen ? m_pScreen->GetClock()->GetFrameTime() : 0.0f;
        m_fHoldTime += dt;
        m_fRepeatTime += dt;
        if (m_fHoldTime > 5.0f)
            step = 10;
        else if (m_fHoldTime > 3.0f)
            step = 5;
        else if (m_fHoldTime > 2.0f)
            step = 2;
        if (m_fRepeatTime > 0.2f / float(step))
        {
            const int value = m_pField->GetValue();
            if (Over(m_pUp, c) && value != m_pField->m_nMaximum) SetValue(value + step);
            if (Over(m_pDown, c) && value != 0) SetValue(value - step);
            m_fRepeatTime = 0.0f;
        }
    }
    else if (Released(uicode::kLeftButton))
    {
        if (Over(m_pUp, c)) SetValue(m_pField->GetValue() + 1);
        if (Over(m_pDown, c)) SetValue(m_pField->GetValue() - 1);
    }
}
