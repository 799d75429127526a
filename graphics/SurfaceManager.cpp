// The surface manager: image records, DXT3 image surfaces and tiled drawing.
#include "graphics/SurfaceManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx/D3DX.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

CSurfaceManager* g_pSurfaceManager = nullptr;

using plat::Rect;
using namespace plat::d3d;

namespace
{
int Up4(int v)
{
    return (v + 3) & ~3;
}

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

// The second coordinate set repeats a pattern every 64 screen pixels.
void SetPatternCoordinates(CGeometryBuffer* quad, const Rect& screen)
{
    if (!quad || !quad->m_pVertices || quad->m_nStride < 32) return;
    for (std::uint32_t i = 0; i < quad->m_nVertexCount; ++i)
    {
        float* v = reinterpret_cast<float*>(quad->m_pVertices + i * quad->m_nStride);
        v[6] = (v[0] + 0.5f - static_cast<float>(screen.left)) / 64.0f;
        v[7] = (v[1] + 0.5f - static_cast<float>(screen.top)) / 64.0f;
    }
}
} // namespace

CSurfaceManager::~CSurfaceManager()
{
    ReleaseSurfaces();
    FreeStaging();
}

void CSurfaceManager::FreeStaging()
{
    if (m_pStagingSurface) m_pStagingSurface->Release();
    m_pStagingSurface = nullptr;
    delete m_pStaging;
    m_pStaging = nullptr;
}

void CSurfaceManager::SetWorkTextures(CTexture* first, CTexture* second)
{
    m_pWork[0] = first;
    m_pWork[1] = second;
}

void CSurfaceManager::ClearCache()
{
    m_pLastSurface = nullptr;
    m_LastTile = plat::Rect{-1, -1, -1, -1};
}

bool CSurfaceManager::Init(const char* section)
{
    XTRACE("CSurfaceManager::Init");
    ReleaseSurfaces();
    const bool ok = DefaultManager::Init(section);
    m_Records.assign(static_cast<std::size_t>(m_nCount), SImageRecord());
    if (ok) g_ResourceDB.SelectSection(section, false);
    for (int i = 0; ok && i < m_nCount; ++i)
    {
        SImageRecord& r = m_Records[static_cast<std::size_t>(i)];
        const char* rec = GetName(i);
        g_ResourceDB.GetStringField(rec, "Filename", r.fileName, sizeof(r.fileName));
        r.width = g_ResourceDB.GetIntegerField(rec, "WIDTH", 0);
        r.height = g_ResourceDB.GetIntegerField(rec, "HEIGHT", 0);
        r.noFilter = g_ResourceDB.GetIntegerField(rec, "NOFILTER", 0) == 1;
        r.noFilterAlpha = g_ResourceDB.GetIntegerField(rec, "NOFILTERALPHA", 0) == 1;
        if (r.width == 0 || r.height == 0)
        {
            plat::d3d::SImageInfo info;
            if (!plat::Failed(plat::d3d::D3DXGetImageInfoFromFileA(r.fileName, &info)))
            {
                r.width = static_cast<std::int32_t>(info.Width);
                r.height = static_cast<std::int32_t>(info.Height);
            }
        }
    }
    FreeStaging();
    m_pStaging = new CTexture;
    m_pStaging->CreateTexture(kTile, kTile, 1, D3DFMT_DXT3, D3DPOOL_SYSTEMMEM, 0);
    if (m_pStaging->m_lpTexture) m_pStaging->m_lpTexture->GetSurfaceLevel(0, &m_pStagingSurface);
    return ok;
}

Surface* CSurfaceManager::GetSurface(int id)
{
    if (id < 0 || id >= static_cast<int>(m_Records.size())) return nullptr;
    SImageRecord& r = m_Records[static_cast<std::size_t>(id)];
    if (r.surface) return r.surface;
    if (!graph.m_lpDevice || r.width <= 0 || r.height <= 0) return nullptr;
    const auto w = static_cast<std::uint32_t>(Up4(r.width)), h = static_cast<std::uint32_t>(Up4(r.height));
    if (plat::Failed(graph.m_lpDevice->CreateImageSurface(w, h, D3DFMT_DXT3, &r.surface)) || !r.surface)
    {
        g_ErrorLog.LogError("CTexture::LoadFromFile Can`t create surface");
        r.surface = nullptr;
        return nullptr;
    }
    const std::uint32_t filter = r.noFilter ? plat::d3d::D3DX_FILTER_TRIANGLE : plat::d3d::D3DX_DEFAULT;
    if (plat::Failed(plat::d3d::D3DXLoadSurfaceFromFileA(r.surface, nullptr, nullptr, r.fileName, nullptr,
                                                         filter, 0, nullptr)))
        g_ErrorLog.LogError("CSurfaceManager::GetSurface Can`t load surface '%s'", r.fileName);
    return r.surface;
}

void CSurfaceManager::GetSurfaceSize(int out[2], int id) const
{
    out[0] = out[1] = 0;
    if (id < 0 || id >= static_cast<int>(m_Records.size())) return;
    out[0] = m_Records[static_cast<std::size_t>(id)].width;
    out[1] = m_Records[static_cast<std::size_t>(id)].height;
}

void CSurfaceManager::ReleaseSurfaces()
{
    for (SImageRecord& r : m_Records)
        if (r.surface)
        {
            r.surface->Release();
            r.surface = nullptr;
        }
    m_pLastSurface = nullptr;
}

void CSurfaceManager::ClearStaging()
{
    if (!m_pStagingSurface) return;
    SLockedRect locked{};
    if (plat::Failed(m_pStagingSurface->LockRect(&locked, nullptr, 0))) return;
    // DXT3 rows: 256 pixel rows are 64 block rows of 1,024 bytes.
    for (int row = 0; row < kTile / 4; ++row)
        std::memset(static_cast<std::uint8_t*>(locked.pBits) + row * locked.Pitch, 0, 4 * kTile);
    m_pStagingSurface->UnlockRect();
}

std::vector<SSurfaceTile> CSurfaceManager::PlanTiles(int width, int height, const Rect& s)
{
    std::vector<SSurfaceTile> tiles;
    if (width <= 0 || height <= 0) return tiles;
    for (int j = 0; j <= (height - 1) / kTile; ++j)
        for (int i = 0; i <= (width - 1) / kTile; ++i)
        {
            SSurfaceTile t;
            t.column = i, t.row = j;
            const int w = std::min(kTile, width - kTile * i), h = std::min(kTile, height - kTile * j);
            t.image = Rect{kTile * i, kTile * j, kTile * i + w, kTile * j + h};
            t.copy = Rect{t.image.left, t.image.top, Up4(t.image.right), Up4(t.image.bottom)};
            const long long dx = s.right - s.left, dy = s.bottom - s.top;
            t.screen.left = s.left + static_cast<int>(dx * (kTile * i) / width);
            t.screen.right = s.left + static_cast<int>(dx * (kTile * i + w) / width);
            t.screen.top = s.top + static_cast<int>(dy * (kTile * j) / height);
            t.screen.bottom = s.top + static_cast<int>(dy * (kTile * j + h) / height);
            tiles.push_back(t);
        }
    return tiles;
}

bool CSurfaceManager::CopyTile(Surface* surface, const Rect& copy)
{
    ++m_nTileCopies;
    CTexture* work = m_pWork[0];
    if (!work || !work->m_lpTexture || !graph.m_lpDevice) return false;
    const int w = copy.right - copy.left, h = copy.bottom - copy.top;
    if (work->m_bDynamic && g_Settings.DirectCopy)
    {
        XTRACE("Copy Data");
        SLockedRect src{}, dst{};
        if (plat::Failed(surface->LockRect(&src, &copy, D3DLOCK_READONLY))) return false;
        if (plat::Failed(work->m_lpTexture->LockRect(0, &dst, nullptr, D3DLOCK_DISCARD)))
        {
            surface->UnlockRect();
            return false;
        }
        // One DXT3 block row is 4 pixel rows of 16-byte blocks: 4 w bytes.
        for (int row = 0; row < h / 4; ++row)
            std::memcpy(static_cast<std::uint8_t*>(dst.pBits) + row * dst.Pitch,
                        static_cast<const std::uint8_t*>(src.pBits) + row * src.Pitch,
                        static_cast<std::size_t>(4 * w));
        work->m_lpTexture->UnlockRect(0);
        surface->UnlockRect();
        return true;
    }
    XTRACE("UpdateTexture");
    const plat::Point origin{0, 0};
    if (!m_pStagingSurface ||
        plat::Failed(graph.m_lpDevice->CopyRects(surface, &copy, 1, m_pStagingSurface, &origin)))
    {
        g_ErrorLog.LogError("Can`t copy rects");
        return false;
    }
    const Rect dirty{0, 0, w, h};
    m_pStaging->m_lpTexture->AddDirtyRect(&dirty);
    if (plat::Failed(graph.m_lpDevice->UpdateTexture(m_pStaging->m_lpTexture, work->m_lpTexture)))
    {
        g_ErrorLog.LogError("UpdateTexture fails");
        return false;
    }
    return true;
}

void CSurfaceManager::RenderSurface(Surface* surface, int width, int height, int technique, const Rect& s,
                                    CTexture* pattern)
{
    XTRACE("CSurfaceManager::RenderSurface");
    for (const SSurfaceTile& t : PlanTiles(width, height, s))
    {
        const bool cached = m_pLastSurface == surface && m_LastTile.left == t.image.left &&
                            m_LastTile.top == t.image.top && m_LastTile.right == t.image.right &&
                            m_LastTile.bottom == t.image.bottom;
        if (!cached)
        {
            CopyTile(surface, t.copy);
            m_pLastSurface = surface;
            m_LastTile = t.image;
        }
        if (!g_pModelManager || !g_pTexShaderManager) continue;
        const int screen[4] = {t.screen.left, t.screen.top, t.screen.right, t.screen.bottom};
        const int texture[4] = {0, 0, (s.right - s.left) * kTile / width + Sign(s.right - s.left),
                                (s.bottom - s.top) * kTile / height + Sign(s.bottom - s.top)};
        CGeometryBuffer* quad = g_pModelManager->SetScreenQuad(screen, texture, false);
        SetPatternCoordinates(quad, t.screen);
        CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, quad);
        if (mesh) g_pTexShaderManager->ApplyStateBlock(technique, mesh, m_pWork[0], pattern);
    }
}

void CSurfaceManager::RenderSurfaceEx(Surface* surface, int technique, const Rect& d, const Rect& src,
                                      bool inset)
{
    XTRACE("CSurfaceManager::RenderSurfaceEx");
    const int x0 = std::max(0, src.left), y0 = std::max(0, src.top);
    const int W = std::abs(src.right - src.left), H = std::abs(src.bottom - src.top);
    if (W == 0 || H == 0) return;
    for (const SSurfaceTile& t : PlanTiles(W, H, d))
    {
        // Block-aligned in the image; the remainder before the wanted pixels
        // shifts the texture rectangle.
        const int left = x0 + t.image.left, top = y0 + t.image.top;
        const Rect copy{left & ~3, top & ~3, Up4(x0 + t.image.right), Up4(y0 + t.image.bottom)};
        CopyTile(surface, copy);
        m_pLastSurface = surface;
        m_LastTile = copy;
        if (!g_pModelManager || !g_pTexShaderManager) continue;
        // The texture rectangle is in screen pixels: the skipped remainder
        // and the span of the whole 256-texel work texture, both scaled by
        // the destination-to-source ratio (as for a whole image).
        const long long dx = d.right - d.left, dy = d.bottom - d.top;
        const int ox = static_cast<int>((left - copy.left) * dx / W);
        const int oy = static_cast<int>((top - copy.top) * dy / H);
        const int screen[4] = {t.screen.left, t.screen.top, t.screen.right, t.screen.bottom};
        const int texture[4] = {ox, oy, static_cast<int>(dx * kTile / W) + Sign(static_cast<int>(dx)),
                                static_cast<int>(dy * kTile / H) + Sign(static_cast<int>(dy))};
        CGeometryBuffer* quad = g_pModelManager->SetScreenQuad(screen, texture, inset);
        CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, quad);
        if (mesh) g_pTexShaderManager->ApplyStateBlock(technique, mesh, m_pWork[0], m_pWork[1]);
    }
}

void CSurfaceManager::DrawSurface(int id, int technique, int left, int top, int right, int bottom,
                                  CTexture* pattern)
{
    Surface* surface = GetSurface(id);
    if (!surface) return;
    const SImageRecord& r = m_Records[static_cast<std::size_t>(id)];
    RenderSurface(surface, r.width, r.height, technique, Rect{left, top, right, bottom}, pattern);
}

void CSurfaceManager::DrawSurfaceEx(int id, int technique, const Rect& destination, const Rect& source,
                                    bool inset)
{
    Surface* surface = GetSurface(id);
    if (surface) RenderSurfaceEx(surface, technique, destination, source, inset);
}
