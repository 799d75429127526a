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

void DrawSheetPiece(IGraphicInterface* graphic, CGuidKey& texture, const plat::Rect& dest, int left, int top,
                    int right, int bottom, int technique)
{
    if (!graphic) return;
    const int w = std::abs(dest.right - dest.left), h = std::abs(dest.bottom - dest.top);
    if (w == 0 || h == 0) return;
    const int screen[4] = {std::min(dest.left, dest.right), std::min(dest.top, dest.bottom),
                           std::max(dest.left, dest.right), std::max(dest.top, dest.bottom)};
    // One texel a pixel from the piece's corner; the texture's corners
    // follow the screen's, so a swapped destination reads the piece the
    // other way round.
    int source[4] = {left, top, left + w, top + h};
    if (dest.left > dest.right) std::swap(source[0], source[2]);
    if (dest.top > dest.bottom) std::swap(source[1], source[3]);
    const int size[2] = {right - left, bottom - top};
    graphic->DrawTextureUV(texture, screen, size, source, technique);
}

void DrawSheetPiece(IGraphicInterface* graphic, const char* texture, const plat::Rect& dest, int left, int top,
                    int right, int bottom, int technique)
{
    CGuidKey key;
    MakeGuidKey(&key, texture);
    DrawSheetPiece(graphic, key, dest, left, top, right, bottom, technique);
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

CPictureButton::CPictureButton() : m_nClickSound(SoundId(kDefaultClickSound)) {}

std::int32_t CPictureButton::SoundId(const char* name)
{
    return g_pSoundManager ? g_pSoundManager->Lookup(name) : -1;
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
    if (m_bEnabled && m_nClickSound >= 0 && g_pSoundManager) g_pSoundManager->Play2DById(m_nClickSound, false);
    CButton::OnMouseLClick();
}
