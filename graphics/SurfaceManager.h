// CSurfaceManager: draws the game's 2-D images (backgrounds, panels,
// pictures) of any size, g_pSurfaceManager.
//
// The images are the records of the image section ("Изображения":
// "Filename", "WIDTH", "HEIGHT", "NOFILTER", "NOFILTERALPHA"). Each is
// loaded on first use into a DXT3 image surface in system memory; drawing
// cuts it into 256 x 256 tiles, moves each tile into a 256 x 256 work
// texture (by a direct copy into a dynamic work texture while the
// DirectCopy setting is on, else through a DXT3 staging texture and
// UpdateTexture) and draws it as a screen quad through
// the "SCREEN" render buffer. A tile cache skips the copy when the work
// texture still holds the tile asked for.
//
// Ownership: the manager owns the image surfaces and the staging texture;
// the work textures belong to whoever SetWorkTextures names (the texture
// manager). Threads: main thread only.
#pragma once

#include "foundation/DefaultManager.h"
#include "platform/d3d8/D3D8Types.h"

#include <cstdint>
#include <vector>

class CTexture;
namespace plat::d3d
{
class Surface;
}

struct SImageRecord
{
    char fileName[64] = {};
    std::int32_t width = 0;
    std::int32_t height = 0;
    plat::d3d::Surface* surface = nullptr;
    std::uint8_t noFilter = 0;
    std::uint8_t noFilterAlpha = 0;
};

// One tile of an image: the image pixels it covers, the block-aligned
// rectangle copied, and where it lands on the screen.
struct SSurfaceTile
{
    int column = 0, row = 0;
    plat::Rect image{};  // pixels of the image
    plat::Rect copy{};   // right and bottom rounded up to multiples of 4
    plat::Rect screen{}; // destination
};

class CSurfaceManager : public DefaultManager
{
public:
    static constexpr int kTile = 256;

    CSurfaceManager() = default;
    ~CSurfaceManager() override;

    bool Init(const char* section) override;
    plat::d3d::Surface* GetSurface(int id);
    void GetSurfaceSize(int out[2], int id) const;
    void DrawSurface(int id, int technique, int left, int top, int right, int bottom, CTexture* pattern);
    void DrawSurfaceEx(int id, int technique, const plat::Rect& destination, const plat::Rect& source,
                       bool inset);
    void ReleaseSurfaces();
    void ClearStaging();
    // The texture manager's two 256 x 256 work textures.
    void SetWorkTextures(CTexture* first, CTexture* second);
    // Forgets the tile last copied into the work texture: before a device
    // reset the work textures go, and the next draw must copy again.
    void ClearCache();

    // The tiles of a W x H image drawn into the screen rectangle.
    static std::vector<SSurfaceTile> PlanTiles(int width, int height, const plat::Rect& screen);

    std::vector<SImageRecord> m_Records;
    plat::d3d::Surface* m_pStagingSurface = nullptr;
    CTexture* m_pStaging = nullptr;
    plat::d3d::Surface* m_pLastSurface = nullptr;
    plat::Rect m_LastTile{-1, -1, -1, -1};
    CTexture* m_pWork[2] = {};
    std::uint32_t m_nTileCopies = 0; // tiles moved into the work texture

    // A DXT3 image surface of width x height stretched into screen (the
    // save/load panel's thumbnail).
    void RenderSurface(plat::d3d::Surface* surface, int width, int height, int technique,
                       const plat::Rect& screen, CTexture* pattern);

private:
    bool CopyTile(plat::d3d::Surface* surface, const plat::Rect& copy);
    void RenderSurfaceEx(plat::d3d::Surface* surface, int technique, const plat::Rect& destination,
                         const plat::Rect& source, bool inset);
    void FreeStaging();
};

extern CSurfaceManager* g_pSurfaceManager;
