#include "menus/MenuDrawing.h"

#include "graphics/GraphicInterface.h"
#include "graphics/TextureManager.h"
#include "sound/SoundManager.h"
#include "ui/markup/PictureButton.h"

namespace menus
{
CGuidKey TextureKey(const char* name)
{
    CGuidKey key;
    MakeGuidKey(&key, name);
    return key;
}

void DrawSprite(IGraphicInterface* graphic, CGuidKey& texture, const plat::Rect& rect, int sx, int sy,
                int technique, float fade)
{
    if (!graphic) return;
    graphic->SetFade(fade);
    DrawSheetPiece(graphic, texture, rect, sx, sy, sx + kSheetSize, sy + kSheetSize, technique);
}

int GlowCell()
{
    return int(g_fEngineTime * 30.0f) % (kGlowCells * kGlowCells);
}

void DrawGlowCell(IGraphicInterface* graphic, CGuidKey& glow, int cell, const plat::Rect& r, bool rotated,
                  float fade)
{
    if (!graphic) return;
    const int column = cell % kGlowCells, row = cell / kGlowCells;
    const int screen[4] = {r.left, r.top, r.right, r.bottom};
    const int size[2] = {rotated ? -kGlowCells : kGlowCells, kGlowCells};
    const int source[4] = {column, row, column + 1, row + 1};
    graphic->SetFade(fade);
    graphic->DrawTextureUV(glow, screen, size, source, kGlowTechnique);
}

void FillRect(IGraphicInterface* graphic, const plat::Rect& rect, std::uint32_t colour)
{
    if (!graphic) return;
    const int r[4] = {rect.left, rect.top, rect.right, rect.bottom};
    graphic->FillRect(r, colour);
}

void ShadowText(IGraphicInterface* graphic, const char* text, int x, int y, std::uint32_t colour)
{
    if (!graphic || !text) return;
    graphic->RenderText(text, x + 1, y + 1, kBlack);
    graphic->RenderText(text, x, y, colour);
}

std::int32_t SoundId(const char* name)
{
    return CPictureButton::SoundId(name);
}

namespace
{
FSoundListener s_pfnListener = nullptr;
}

void SetSoundListener(FSoundListener listener)
{
    s_pfnListener = listener;
}

void PlaySound(std::int32_t id)
{
    if (s_pfnListener) s_pfnListener(id);
    if (id >= 0 && g_pSoundManager) g_pSoundManager->Play2DById(id, false);
}

void PlaySound(const char* name)
{
    PlaySound(SoundId(name));
}
} // namespace menus

plat::Rect MirrorRectX(const plat::Rect& rect, const plat::Rect& area)
{
    const int sum = area.left + area.right;
    return plat::Rect{sum - rect.left, rect.top, sum - rect.right, rect.bottom};
}

plat::Rect MirrorRectY(const plat::Rect& rect, const plat::Rect& area)
{
    const int sum = area.top + area.bottom;
    return plat::Rect{rect.left, sum - rect.top, rect.right, sum - rect.bottom};
}
