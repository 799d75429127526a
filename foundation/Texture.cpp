#include "foundation/Texture.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx/D3DX.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <string>

using namespace plat::d3d;

CTexture* g_TextureStageCache[kTextureStageCacheSize] = {};

namespace
{

std::atomic<PFNReadImageFile> g_pImageFileReader{nullptr};

std::uint32_t BytesPerPixel(Format format)
{
    switch (format)
    {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 4;
    case D3DFMT_A8:
    case D3DFMT_P8:
        return 1;
    default:
        return 2;
    }
}

// The upper-cased extension after the last '.', or "".
std::string Extension(const char* fileName)
{
    const char* dot = std::strrchr(fileName, '.');
    std::string ext = dot ? dot + 1 : "";
    for (char& c : ext)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

void SetImageFileReader(PFNReadImageFile reader)
{
    g_pImageFileReader = reader;
}

CTexture::~CTexture()
{
    Free();
}

void CTexture::Free()
{
    // Only a texture that holds a device texture is ever bound, so an empty
    // one is in no stage-cache entry; and the cache is the main thread's: a
    // loader thread filling a new texture must not even read it.
    if (!m_lpTexture) return;
    // A texture that goes away must not keep its stage-cache entries: a new
    // texture made at the same address would otherwise never be bound.
    for (CTexture*& cached : g_TextureStageCache)
        if (cached == this) cached = nullptr;
    if (m_lpTexture) m_lpTexture->Release();
    m_lpTexture = nullptr;
}

std::uint32_t CTexture::EstimateMemory(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                       Format format)
{
    std::uint32_t bytes = levels * 1024;
    for (std::uint32_t level = 0; level < levels; ++level)
    {
        bytes += width * height * BytesPerPixel(format);
        width /= 2;
        height /= 2;
    }
    return bytes;
}

void CTexture::CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, Format format,
                             std::uint32_t pool, std::uint32_t usage)
{
    Free();
    if (!graph.m_bDynamicTextures) usage &= ~D3DUSAGE_DYNAMIC;
    m_bDynamic = (usage & D3DUSAGE_DYNAMIC) ? 1 : 0;
    Texture* texture = nullptr;
    if (!graph.m_lpDevice ||
        plat::Failed(graph.m_lpDevice->CreateTexture(width, height, levels, usage, format, pool, &texture)))
    {
        g_ErrorLog.LogError("Graphic::CreateTexture fails");
        return;
    }
    m_lpTexture = texture;
    m_nWidth = std::int32_t(width);
    m_nHeight = std::int32_t(height);
    m_nMemory = EstimateMemory(width, height, levels, format);
}

void CTexture::GetSize(std::int32_t* width, std::int32_t* height)
{
    if ((m_nWidth == 0 || m_nHeight == 0) && m_lpTexture)
    {
        SSurfaceDesc desc{};
        if (plat::Succeeded(m_lpTexture->GetLevelDesc(0, &desc)))
        {
            m_nWidth = std::int32_t(desc.Width);
            m_nHeight = std::int32_t(desc.Height);
        }
    }
    if (width) *width = m_nWidth;
    if (height) *height = m_nHeight;
}

void CTexture::SetToStage(int stage)
{
    if (!m_lpTexture || stage < 0 || stage >= kTextureStageCacheSize || !graph.m_lpDevice) return;
    if (g_TextureStageCache[stage] == this) return;
    graph.m_lpDevice->SetTexture(std::uint32_t(stage), m_lpTexture);
    g_TextureStageCache[stage] = this;
}

bool CTexture::ReadImageFile(const char* fileName, int bits, int levelsToDrop, int levels, int managed)
{
    const PFNReadImageFile reader = g_pImageFileReader;
    if (!reader)
    {
        g_ErrorLog.LogError("CTexture::ReadImageFile file '%s': no reader for TM files", fileName);
        return false;
    }
    return reader(*this, fileName, bits, levelsToDrop, levels, managed);
}

namespace
{

// The D3DX file loader: a managed texture of the requested format and mip
// count, or null.
Texture* LoadWithD3DX(const char* fileName, std::uint32_t levels, Format format)
{
    if (!graph.m_lpDevice) return nullptr;
    Texture* texture = nullptr;
    const plat::HResult hr = D3DXCreateTextureFromFileExA(
        graph.m_lpDevice, fileName, D3DX_DEFAULT, D3DX_DEFAULT, levels, 0, format, D3DPOOL_MANAGED,
        D3DX_FILTER_BOX, D3DX_DEFAULT, 0, nullptr, nullptr, &texture);
    return plat::Succeeded(hr) ? texture : nullptr;
}

} // namespace

bool CTexture::LoadFromFile(const char* fileName, int bits, int levelsToDrop, int levels, int managed)
{
    XTRACE("CTexture::LoadFromFile");
    Free();
    if (!fileName) return false;
    const std::string ext = Extension(fileName);
    if (ext == "TM") return ReadImageFile(fileName, bits, levelsToDrop, levels, managed);

    Format format;
    if (ext == "TGA" || ext == "DDS")
        format = bits == 16 ? D3DFMT_A4R4G4B4 : D3DFMT_A8R8G8B8;
    else
        format = bits == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    m_lpTexture = LoadWithD3DX(fileName, std::uint32_t(std::max(0, levels)), format);
    if (!m_lpTexture)
    {
        // Callers substitute their fallback texture on false; an empty
        // texture reported as loaded would draw as nothing.
        g_ErrorLog.LogError("CTexture::LoadFromFile file '%s' not loaded: %s", fileName,
                            *D3DXGetLastErrorText() ? D3DXGetLastErrorText() : "no device");
        return false;
    }

    SSurfaceDesc desc{};
    m_lpTexture->GetLevelDesc(0, &desc);
    m_nWidth = std::int32_t(desc.Width);
    m_nHeight = std::int32_t(desc.Height);
    std::uint32_t count = std::uint32_t(std::max(0, levels));
    if (count == 0) count = std::uint32_t(1 + std::min(IntLog2(m_nWidth), IntLog2(m_nHeight)));
    std::uint32_t w = desc.Width, h = desc.Height;
    if (desc.Format == D3DFMT_DXT3 || desc.Format == D3DFMT_DXT5)
    {
        w /= 2;
        h /= 2;
    }
    m_nMemory = EstimateMemory(w, h, count, desc.Format);
    return true;
}
