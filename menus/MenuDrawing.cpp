#include "menus/MenuDrawing.h"

#include "graphics/GraphicInterface.h"
#include "sound/SoundManager.h"

#include <algorithm>

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
    const int w = std::abs(rect.right - rect.left), h = std::abs(rect.bottom - rect.top);
    if (w == 0 || h == 0) return;
    const int screen[4] = {std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
                           std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)};
    // The texture corners follow the screen corners: a reversed screen
    // rectangle reverses the source, which mirrors the picture.
    int source[4] = {sx, sy, sx + w, sy + h};
    if (rect.left > rect.right) std::swap(source[0], source[2]);
    if (rect.top > rect.bottom) std::swap(source[1], source[3]);
    const int size[2] = {kSheetSize, kSheetSize};
    graphic->SetFade(fade);
    graphic->DrawTextureUV(texture, screen, size, source, technique);
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
    return g_pSoundManager ? g_pSoundManager->Lookup(name) : -1;
}

void PlaySound(std::int32_t id)
{
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
