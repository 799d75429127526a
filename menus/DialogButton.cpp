#include "menus/DialogButton.h"

#include "graphics/GraphicInterface.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "menus/MenuDrawing.h"
#include "ui/markup/PictureButton.h"

namespace
{
constexpr int kSheetSpan = 1024;
constexpr int kTechnique = 19;
} // namespace

CDialogButton::CDialogButton() : m_iSound(menus::SoundId("SND_I_OK"))
{
    m_ClassID = MakeClassKey("CDialogButton", -1);
    m_iKind = kPush;
    for (int i = 0; i < 4; ++i)
        m_Colours[i] = kColours[i];
}

void CDialogButton::Show()
{
    CButton::Show();
    m_bOwnVisible = 1;
}

void CDialogButton::Hide()
{
    CButton::Hide();
    m_bOwnVisible = 0;
}

void CDialogButton::OnMouseOver()
{
    if (m_bOwnVisible) CButton::OnMouseOver();
}

void CDialogButton::OnMouseLClick()
{
    // The sound plays even for a hidden button, which then does nothing.
    menus::PlaySound(m_iSound);
    if (m_bOwnVisible) CButton::OnMouseLClick();
}

bool CDialogButton::PictureSource(int* left, int* top) const
{
    const bool pressed = m_bChecked != 0;
    const bool hovered = m_bHovered != 0;
    // The save/load screen's three buttons: one row of looks for the
    // disabled and pressed states, one for the others.
    auto saveLoad = [&](int normalTop, int downTop)
    {
        if (!m_bEnabled || pressed)
        {
            *left = m_bEnabled ? 539 : 376;
            *top = downTop;
        }
        else
        {
            *left = hovered ? 539 : 376;
            *top = normalTop;
        }
        return true;
    };
    auto option = [&](int column)
    {
        *left = column;
        *top = pressed ? 252 : hovered ? 330 : 304;
        return true;
    };
    switch (m_iPicture)
    {
    case 3952:
        return saveLoad(821, 899);
    case 3953:
        return saveLoad(795, 873);
    case 3954:
        return saveLoad(847, 925);
    case 3966:
        return option(717);
    case 3967:
        return option(621);
    case 61443:
        return option(492);
    default:
        return false;
    }
}

void CDialogButton::Render()
{
    if (!m_bOwnVisible) return;
    IGraphicInterface* graphic = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (graphic) graphic->SelectFont(m_iFont);
    int left = 0, top = 0;
    if (!PictureSource(&left, &top))
    {
        for (int i = 0; i < 4; ++i)
            m_Colours[i] = kColours[i];
        CButton::Render();
        return;
    }
    if (!graphic || !m_bVisible) return;
    graphic->SetFade(m_bEnabled ? 1.0f : 0.5f);
    DrawSheetPiece(graphic, GetUID().name, m_Rect, left, top, left + kSheetSpan, top + kSheetSpan,
                   kTechnique);
    graphic->SetFade(1.0f);
}
