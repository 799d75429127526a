// CShadowPass: the pictures and patches of the gliders' shadows.
//
// A glider's shadow is its hull rendered from above into a 256 x 256
// picture (as CEffectRenderManager::RenderModelToTexture renders the model
// view) that is then laid, in black at the shadow's alpha, on the ground
// patch under the glider. Rendered while the glider drew itself, every
// shadow split the frame's scene: the rasteriser finished the scene so far
// and the picture, and the main thread waited for it, once per glider.
// Here the pictures are rendered before the scene into the 256 x 256 tiles
// of two atlas targets, each in its tile's viewport with the same camera
// (the same pixels as a picture of its own), in the visibility pass (the
// gliders' PreDraw); the scene only reads them, when each glider lays its
// patch in its Draw. (RenderPictures can draw a queue of them after one set
// of clears in one binding of each atlas; on llvmpipe that measured no
// faster than a binding per picture. What a redrawn picture costs is the
// rasteriser's work on the hull's own pixels, about 0.3 ms of CPU for the
// sample's glider: drawn into a 16 x 16 viewport, the same draws cost next
// to nothing.) A shadow whose patch lies outside the view gets no
// picture. A glider without a tile (more than kMaxPictures in a pass, or no
// PreDraw) has its picture rendered and laid at once, as before. A tile
// whose last picture was of the same hull, seen the same way (model,
// animation weights, broken parts, scale and turn all equal), is kept as it
// is: a glider at rest costs its picture once every kKeepPasses passes,
// not every frame (the limit bounds what the key cannot see, such as a
// texture of the hull that was still loading when the picture was drawn).
//
// The ground patch is made of whole quads and reaches past the picture: its
// triangles are cut to the picture's square, so that no point reads another
// tile (drawn alone, the picture repeated around the glider where the patch
// reached past it). The cut triangles are drawn with a depth bias of 1 (they
// lie in the ground's planes, but not exactly at its depths).
//
// The hull covers a small part of its picture (about a tenth for the sample's
// gliders) and every ground pixel the patch covers costs the rasteriser a
// texture read and a blend, transparent or not: laying the whole square made
// the shadows' cost that of their pixels, about 0.4 ms per glider near the
// view. The patch is therefore cut further, to the rectangle of the picture
// the hull can reach (Cover: the box of everything the model draws, seen by
// the picture's camera, two texels wider); the pixels left out read only
// transparent texels and were left as they were. A model with sprites or
// camera-facing parts (they turn with the scene's camera, not the picture's)
// keeps the whole square.
//
// A tile is cleared only over the texels its last picture and the new one
// can reach (their Cover rectangles): the rest of it is transparent since
// the atlas was made (cleared whole) and nothing else draws there.
//
// Targets: two 2048 x 2048 A8R8G8B8 atlases of 64 tiles and one 256 x 256
// picture for the gliders without a tile, made when first needed, released
// on device loss (InvalidateResources) and remade when next needed.
//
// Ownership: the effect render manager owns the pass. Threads: main thread
// only.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "foundation/Vector.h"
#include "platform/d3d8/D3D8.h"

#include <cstdint>
#include <vector>

class CComplexObject;

class CShadowPass
{
public:
    static constexpr int kAtlasSize = 2048;
    static constexpr int kTilesPerAtlas = 64;
    static constexpr int kMaxPictures = 2 * kTilesPerAtlas; // per visibility pass
    static constexpr std::uint32_t kKeepPasses = 32;          // a kept tile's longest life
    // RenderPicture's answers that are not a tile.
    static constexpr int kNoTile = -1; // draw it at once (DrawNow)
    static constexpr int kUnseen = -2; // nothing to draw

    struct SShadow
    {
        CComplexObject* model = nullptr;
        float state[4] = {}; // animation weights when animated
        bool animated = false;
        std::uint32_t broken = 0; // broken-parts mask
        float size = 1.0f;        // the picture's scale (RenderModelToTexture's size)
        CMatrix view;             // the hull seen from above (RenderModelToTexture's matrix)
        CVector centre;           // the patch's middle on the ground (z: the ground's height)
        float extent = 1.0f;      // half the width the picture covers on the ground
        float radius = 1.0f;      // half the width of the ground patch
        float alpha = 1.0f;       // the shadow's darkness
    };

    CShadowPass() = default;
    ~CShadowPass();
    CShadowPass(const CShadowPass&) = delete;
    CShadowPass& operator=(const CShadowPass&) = delete;

    // Gives the shadow's picture the next tile of visibility pass `pass` (a
    // new pass starts with the first tile) and queues it for RenderPictures
    // unless the tile holds it already; the tile, kUnseen when the patch
    // lies outside the view or there is no device, kNoTile when the pass's
    // tiles are used up.
    int RenderPicture(const SShadow& shadow, std::uint32_t pass);
    // Draws the pictures RenderPicture gave tiles to and has not drawn yet
    // (their tiles' clears first, then the pictures, atlas by atlas).
    void RenderPictures();
    // Lays the patch of a shadow whose picture is in tile of the current
    // pass's atlases.
    void LayPatch(const SShadow& shadow, int tile);
    // Renders the picture and lays the patch at once (unless unseen).
    void DrawNow(const SShadow& shadow);
    // Pictures rendered, tiles kept from an earlier pass and patches laid
    // since the start (for tests and benchmarks).
    std::uint64_t GetPictures() const { return m_nPictures; }
    std::uint64_t GetKept() const { return m_nKept; }
    std::uint64_t GetDrawn() const { return m_nDrawn; }
    // Without the atlases every shadow is rendered and laid at once (for
    // tests and benchmarks that compare the two ways).
    void SetAtlasesUsed(bool used) { m_bAtlases = used; }
    void InvalidateResources();

    // The rectangle of the picture, in its own (u, v) from 0 to 1, that the
    // shadow's hull can cover; the whole square where that is not known.
    struct SCover
    {
        float u0 = 0.0f, v0 = 0.0f, u1 = 1.0f, v1 = 1.0f;
    };
    static SCover Cover(const SShadow& shadow);
    // Off: every patch is laid over the whole square (for tests and
    // benchmarks that compare the two).
    void SetCoverUsed(bool used) { m_bCover = used; }

private:
    // What a tile's picture shows.
    struct SPictureKey
    {
        const CComplexObject* model = nullptr;
        bool animated = false;
        float state[4] = {};
        std::uint32_t broken = 0;
        float size = 0.0f;
        float view[4][4] = {};
        bool operator==(const SPictureKey& o) const;
    };
    static SPictureKey KeyOf(const SShadow& s);

    // A rectangle of a tile's texels, x0 <= x < x1 and y0 <= y < y1 (empty
    // when x0 >= x1).
    struct STexels
    {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    };
    static STexels TexelsOf(const SCover& cover);

    plat::d3d::Texture* Atlas(int i);
    bool Seen(const SShadow& s) const;
    // m_Patch cut to the picture's square into m_Clipped; false when
    // nothing is left.
    bool ClipPatch(const SShadow& s, const SCover& cover);
    // The patch with the picture at (u0, v0) + (u, v) x scale of texture,
    // cut to cover.
    void Lay(const SShadow& s, const SCover& cover, plat::d3d::Texture* texture, float u0, float v0, float scale);

    plat::d3d::Texture* m_Atlas[2] = {};
    plat::d3d::Texture* m_pPicture = nullptr;
    std::uint32_t m_nPass = 0;
    int m_nTiles = 0; // tiles given in m_nPass
    CGeometryBuffer m_Patch, m_Clipped;
    SPictureKey m_Tiles[kMaxPictures];
    bool m_bTileKept[kMaxPictures] = {};   // m_Tiles[i] is what tile i holds
    std::uint32_t m_nTilePass[kMaxPictures] = {}; // the pass tile i was drawn in
    SCover m_Covers[kMaxPictures];                 // what tile i's hull can cover
    STexels m_Drawn[kMaxPictures];                 // outside it tile i is transparent
    // The pictures given tiles and not yet drawn.
    struct SPending
    {
        int tile = 0;
        SShadow shadow;
    };
    SPending m_Pending[kMaxPictures];
    int m_nPending = 0;
    bool m_bAtlases = true;
    bool m_bCover = true;
    std::uint64_t m_nPictures = 0;
    std::uint64_t m_nKept = 0;
    std::uint64_t m_nDrawn = 0;
};
