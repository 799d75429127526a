#include "ui/markup/PictureButton.h"

#include "graphics/GraphicInterface.h"
#include "sound/SoundManager.h"
#include "ui/UI.h"

#include <algorithm>
#include <cstdlib>
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
    const int w = std::abs(dest.right - dest.left), h = std::abs(dest.bottom - dest.top);
    if (w == 0 || h == 0) return;
    CGuidKey key;
    MakeGuidKey(&key, texture);
    const int screen[4] = {std::min(dest.left, dest.right), std::min(dest.top, dest.bottom),
                           std::max(dest.left, dest.right), std::max(dest.top, dest.bottom)};
    // One texel a pixel from the piece's corner; the texture's corners
    // follow the screen's, so a swapped destination reads the piece the
    // other way round.
    int source[4] = {left, top, left + w, top + h};
    if (dest.left > dest.right) std::swap(source[0], source[2]);
    if (dest.top > dest.bottom) std::swap(source[1], source[3]);
    const int size[2] = {right - left, bottom - top};
    graphic->DrawTextureUV(key, screen, size, source, technique);
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
