// CRenderer: the game's scene and HUD renderer (one instance, g_pRenderer).
//
// So far it holds the drawing operations every cockpit panel rests on:
// a scaled cell of a sprite sheet and a textured screen quad, plain or
// modulated by a colour. Texture ids are the texture manager's.
//
// Texture rectangles are s0, t0, s0 + texture width, t0 + texture height:
// the first pair is the texel where the cell starts, the difference the
// size of the whole texture; one texel is shown per screen pixel. The
// cockpit sheet is 1024 x 1024, so its cell at (x, y) is (x, y, x + 1024,
// y + 1024). No texture rectangle means the whole texture.
//
// Threads: main thread only, between the device's BeginScene and EndScene.
#pragma once

#include "platform/Types.h"

#include <cstdint>

class CTexture;

// Techniques of the screen quads.
inline constexpr int kTechniqueScreenTexture = 11;   // the texture as it is
inline constexpr int kTechniqueScreenColour = 15;    // the texture factor alone
inline constexpr int kTechniqueScreenModulated = 19; // texture x texture factor

// DrawSprite's integer arithmetic: the cell moved by origin x scale and
// grown by the scale (a negative scale mirrors it to the other side of the
// point), the texture rectangle scaled alike.
void ScaleSprite(const plat::Rect& screen, const plat::Point* origin, const plat::Rect& texture, int scaleX,
                 int scaleY, plat::Rect* outScreen, plat::Rect* outTexture);

class CRenderer
{
public:
    CRenderer() = default;
    virtual ~CRenderer() = default;
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    // A scaled cell of texture (see ScaleSprite), then as DrawQuad.
    void DrawSprite(const plat::Rect& screen, const plat::Point* origin, const plat::Rect& texture, int textureId,
                    int scaleX, int scaleY, std::uint32_t colour);
    // The screen quad with texture id: colour 0 draws the texture as it is,
    // any other colour modulates it. Nothing is drawn without the texture.
    void DrawQuad(const plat::Rect& screen, const plat::Rect* texture, int textureId, std::uint32_t colour);
    // The same with the texture itself.
    void DrawQuad(const plat::Rect& screen, const plat::Rect* texture, CTexture* textureObject,
                  std::uint32_t colour);
    // An untextured quad in colour (its alpha blends).
    void FillQuad(const plat::Rect& screen, std::uint32_t colour);
};

extern CRenderer* g_pRenderer;
