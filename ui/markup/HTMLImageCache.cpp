#include "ui/markup/HTMLImageCache.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "platform/d3dx/D3DX.h"

#include <cstring>

using namespace plat::d3d;

CHTMLImageCache::~CHTMLImageCache()
{
    ReleaseAll();
}

void CHTMLImageCache::ReleaseAll()
{
    for (SHTMLImage& r : m_Records)
    {
        delete r.texture;
        r = SHTMLImage{};
    }
    m_nCount = 0;
}

std::string CHTMLImageCache::ImagePath(const char* fileName) const
{
    const std::string base = m_sBaseDirectory.empty() ? GetEngineBaseDirectory() : m_sBaseDirectory;
    return base + "Data\\Images\\" + (fileName ? fileName : "");
}

const SHTMLImage* CHTMLImageCache::Get(const char* fileName, double now)
{
    XTRACE("CHTMLObject::GetImageData");
    if (!fileName) return nullptr;
    // The record keeps at most 259 characters of the name; a longer name
    // is compared cut in the same way, so it still finds its record.
    char name[sizeof(SHTMLImage::fileName)] = {};
    std::strncpy(name, fileName, sizeof name - 1);

    for (int i = 0; i < m_nCount; ++i)
    {
        SHTMLImage& r = m_Records[i];
        if (r.valid && std::strcmp(r.fileName, name) == 0)
        {
            r.lastUse = float(now);
            return &r;
        }
    }

    const std::string path = ImagePath(name);
    int width = 0, height = 0;
    if (!ReadInfo(path, &width, &height)) return nullptr;

    // A record left invalid by an earlier failed fill is taken first, then
    // a free one, then the least recently used (the first of equals).
    int slot = -1;
    for (int i = 0; i < m_nCount && slot < 0; ++i)
        if (!m_Records[i].valid) slot = i;
    if (slot < 0 && m_nCount < kRecords) slot = m_nCount++;
    if (slot < 0)
    {
        slot = 0;
        for (int i = 1; i < kRecords; ++i)
            if (m_Records[i].lastUse < m_Records[slot].lastUse) slot = i;
    }

    SHTMLImage& r = m_Records[slot];
    delete r.texture;
    r = SHTMLImage{};
    std::memcpy(r.fileName, name, sizeof r.fileName);
    r.width = width;
    r.height = height;
    r.lastUse = float(now);
    r.valid = Fill(r, path);
    if (!r.valid) g_ErrorLog.LogError("CHTMLObject::GetImageData can`t load image file='%s'", name);
    return &r;
}

bool CHTMLImageCache::ReadInfo(const std::string& path, int* width, int* height)
{
    SImageInfo info;
    if (plat::Failed(D3DXGetImageInfoFromFileA(path.c_str(), &info))) return false;
    *width = int(info.Width);
    *height = int(info.Height);
    return true;
}

bool CHTMLImageCache::Fill(SHTMLImage& record, const std::string& path)
{
    if (!graph.m_lpDevice || record.width <= 0 || record.height <= 0) return false;
    const auto up4 = [](int v) { return std::uint32_t((v + 3) & ~3); };
    record.texture = new CTexture();
    record.texture->CreateTexture(up4(record.width), up4(record.height), 1, D3DFMT_DXT3, D3DPOOL_MANAGED, 0);
    Texture* texture = record.texture->m_lpTexture;
    if (!texture) return false;
    Surface* surface = nullptr;
    if (plat::Failed(texture->GetSurfaceLevel(0, &surface)) || !surface) return false;
    const plat::Rect area{0, 0, record.width, record.height};
    const plat::HResult hr = D3DXLoadSurfaceFromFileA(surface, nullptr, &area, path.c_str(), nullptr,
                                                      D3DX_FILTER_NONE, 0, nullptr);
    surface->Release();
    return plat::Succeeded(hr);
}
