// What the menus' controls share for drawing and sound: the rectangle
// mirrors that turn one stored corner sprite into the other three corners,
// the sprite drawing from the two interface textures, and the 2-D sounds
// by name.
//
// Sprites: the interface textures ("TEX_INT_UI1", "TEX_INT_UII") are 1024 x
// 1024 sheets drawn one texel per screen pixel. A sprite is given by its
// screen rectangle and the sheet position of its top-left texel; a screen
// rectangle with left > right (or top > bottom), as the mirrors make, draws
// the sprite mirrored along that axis.
//
// Main thread only.
#pragma once

#include "foundation/GuidKey.h"
#include "platform/Types.h"

#include <cstdint>

class IGraphicInterface;

namespace menus
{
constexpr int kSheetSize = 1024;
constexpr int kSpriteTechnique = 19;
constexpr int kBlendTechnique = 11;
constexpr int kGlowTechnique = 38;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kBlack = 0xFF000000;
// The translucent white of the console frames.
constexpr std::uint32_t kFrameFill = 0x26FFFFFF;

// The id key of a texture by name (unresolved: the texture manager resolves
// it at the first drawing).
CGuidKey TextureKey(const char* name);
const char* const kUI1 = "TEX_INT_UI1";
const char* const kUII = "TEX_INT_UII";

// Draws the sprite at sheet position (sx, sy) into rect at the opacity
// fade (0 to 1); see above for mirrored rectangles. Nothing without a
// graphic interface or texture. The opacity is set for each sprite: the
// graphic interface's filled rectangles leave their own colour as its
// drawing factor.
void DrawSprite(IGraphicInterface* graphic, CGuidKey& texture, const plat::Rect& rect, int sx, int sy,
                int technique = kSpriteTechnique, float fade = 1.0f);
// The glow's animation cell now (4 x 4 cells at 30 a second of the engine
// clock), and one cell of the glow texture stretched over rect at the
// opacity fade; rotated for the upright bands.
constexpr int kGlowCells = 4;
int GlowCell();
void DrawGlowCell(IGraphicInterface* graphic, CGuidKey& glow, int cell, const plat::Rect& rect, bool rotated,
                  float fade = 1.0f);
void FillRect(IGraphicInterface* graphic, const plat::Rect& rect, std::uint32_t colour);
// A text twice: black one pixel right and down, then in the colour.
void ShadowText(IGraphicInterface* graphic, const char* text, int x, int y, std::uint32_t colour);

// The sound table's index of a 2-D sound by name; -1 when there is no
// sound manager or no such sound.
std::int32_t SoundId(const char* name);
// Plays a sound once by index (nothing for -1) or by name.
void PlaySound(std::int32_t id);
void PlaySound(const char* name);
// Tests hear the menus' sounds here: every id PlaySound is given (-1
// included) before it plays. Null: nobody listens.
using FSoundListener = void (*)(std::int32_t id);
void SetSoundListener(FSoundListener listener);
} // namespace menus

// The rectangle mirrored within the area: left and right trade places about
// the area's vertical middle (out.left = area.left + area.right - r.left,
// out.right = area.left + area.right - r.right), top and bottom stay. The
// result has left > right for a normal rectangle and stays inside the area;
// DrawSprite reads it as a mirrored picture.
plat::Rect MirrorRectX(const plat::Rect& rect, const plat::Rect& area);
// The same with top and bottom about the area's horizontal middle.
plat::Rect MirrorRectY(const plat::Rect& rect, const plat::Rect& area);
