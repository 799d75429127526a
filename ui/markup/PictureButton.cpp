#include "ui/markup/PictureButton.h"

#include "graphics/GraphicInterface.h"
#include "sound/SoundManager.h"
#include "ui/UI.h"

#include <utility>

namespace
{
IPicturePainter* s_pPainter = nullptr;
} // namespace

void SetPicturePainter(IPicturePainter* painter)
{
    s_pPainter = painter;
}

IPicturePainter* GetPicturePainter()
{
    return s_pPainter;
}

void DrawSheetPiece(IGraphicInterface* graphic, const char* texture, const plat::Rect& dest, int left, int top,
                    int right, int bottom, int technique)
{
    if (!graphic) return;
    CGuidKey key;
    MakeGuidKey(&key, texture);
    // The quad takes the piece's corner and the sheet's size.
    const int source[4] = {left, top, right - left, bottom - top};
    const int screen[4] = {dest.left, dest.top, dest.right, dest.bottom};
    graphic->DrawTexture(key, screen, source, technique);
}

plat::Rect MirroredX(const plat::Rect& dest)
{
    plat::Rect r = dest;
    std::swap(r.left, r.right);
    return r;
}

plat::Rect MirroredY(const plat::Rect& dest)
{
    plat::Rect r = dest;
    std::swap(r.top, r.bottom);
    return r;
}

void CPictureButton::SetUID(const CGuidKey& id)
{
    if (m_UID.id == CGuidKey::kNone) CControl::SetUID(id);
}

void CPictureButton::Render()
{
    if (!m_bVisible) return;
    if (m_pScreen && m_pScreen->m_pGraphic) m_pScreen->m_pGraphic->SetFade(1.0f);
    if (s_pPainter) s_pPainter->DrawPicture(*this);
    RenderToolTip();
}

void CPictureButton::OnMouseLClick()
{
    if (m_bEnabled && !m_sClickSound.empty() && g_pSoundManager) g_pSoundManager->Play2D(m_sClickSound.c_str(), false);
    CButton::OnMouseLClick();
}
