// The texture manager: texture list, loading by id, formats, statistics.

#include "graphics/TextureManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/LogWriter.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "graphics/BumpMap.h"
#include "graphics/Mesh.h"
#include "platform/d3d8/D3D8.h"
#include "platform/d3dx/D3DX.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

using namespace plat::d3d;

TextureManager* g_pTextureManager = nullptr;
std::atomic<float> g_fEngineTime{0.0f};

namespace
{
constexpr std::uint32_t kWorkTextureSize = 256;

bool DeviceSupports(Format format)
{
    if (!graph.m_lpD3D) return false;
    const std::uint32_t type = graph.m_bHAL ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF;
    return Succeeded(graph.m_lpD3D->CheckDeviceFormat(std::uint32_t(graph.m_nAdapter), type, graph.m_DisplayFormat,
                                                      0, D3DRTYPE_TEXTURE, format));
}
} // namespace

TextureManager::TextureManager()
{
    XTRACE("TextureManager::TextureManager");
    m_Formats = ChooseFormats(g_Settings.TextureBPS, g_Settings.TextureCompression != 0, DeviceSupports);
    g_Settings.TextureCompression = m_Formats.compression ? 1 : 0;
}

TextureManager::~TextureManager()
{
    // The base's destructor cannot reach MT_UnloadResource any more: the
    // textures go while this object is whole.
    Done();
    Purge();
    InvalidateDeviceObjects();
    if (g_pTextureManager == this) g_pTextureManager = nullptr;
}

STextureFormats TextureManager::ChooseFormats(std::int32_t textureBPS, bool compression,
                                              const std::function<bool(Format)>& supported)
{
    STextureFormats f;
    const bool bits32 = textureBPS == 32;
    if (bits32 && supported(D3DFMT_R8G8B8))
        f.rgb = D3DFMT_R8G8B8;
    else if (bits32 && supported(D3DFMT_X8R8G8B8))
        f.rgb = D3DFMT_X8R8G8B8;
    else if (supported(D3DFMT_R5G6B5))
        f.rgb = D3DFMT_R5G6B5;
    else
        g_ErrorLog.LogError("RGB texture format is not found");

    const bool argb32 = bits32 && supported(D3DFMT_A8R8G8B8);
    if (argb32)
        f.rgba = D3DFMT_A8R8G8B8;
    else if (supported(D3DFMT_A4R4G4B4))
        f.rgba = D3DFMT_A4R4G4B4;
    else
        g_ErrorLog.LogError("RGBA texture format is not found");

    if (argb32)
        f.rgba1 = D3DFMT_A8R8G8B8;
    else if (supported(D3DFMT_A1R5G5B5))
        f.rgba1 = D3DFMT_A1R5G5B5;
    else
        g_ErrorLog.LogError("RGBA1 texture format is not found");

    f.bump = supported(D3DFMT_V8U8) ? D3DFMT_V8U8 : 0;
    f.compression = compression && supported(D3DFMT_DXT3);
    return f;
}

void TextureManager::ChooseQuality(std::int32_t textureType, std::int32_t quality, int* bits, int* levelsToDrop)
{
    // {bits, levels to drop} per quality 0..4; other qualities load at 32
    // bits with nothing dropped, and so does every unknown texture type.
    static const int kTable[4][5][2] = {
        {{32, 0}, {16, 0}, {32, 1}, {16, 1}, {16, 2}},
        {{32, 0}, {32, 0}, {16, 0}, {16, 0}, {16, 1}},
        {{32, 0}, {32, 0}, {32, 0}, {32, 0}, {32, 0}},
        {{16, 0}, {16, 0}, {16, 1}, {16, 1}, {16, 2}},
    };
    int b = 32, d = 0;
    if (textureType >= 0 && textureType < 4 && quality >= 0 && quality < 5)
    {
        b = kTable[textureType][quality][0];
        d = kTable[textureType][quality][1];
    }
    if (bits) *bits = b;
    if (levelsToDrop) *levelsToDrop = d;
}

bool TextureManager::Init(const char* section, std::uint32_t keepNewest)
{
    XTRACE("TextureManager::Init");
    const bool started = CMTResourceManager::Init(section, keepNewest);
    SetMemoryLimit(kMemoryBudget);
    if (m_bLogging)
    {
        m_pLogWriter = std::make_unique<CLogWriter>();
        if (m_pLogWriter->Init("TextureManager_Log.txt") != 0) m_pLogWriter.reset();
    }
    ReadRecords();
    m_nMemoryAtStart = graph.m_lpDevice ? graph.m_lpDevice->GetAvailableTextureMem() : 0;
    {
        std::lock_guard<std::mutex> lock(m_StatsLock);
        // The loaded textures start again from none; the work textures and
        // the counted ones of other owners made before (the technique
        // manager's ramp is made first) still exist.
        m_nTextureBytes = 0;
        m_nTextureCount = 0;
        for (const CTexture* work : m_pWorkTextures)
            if (work) m_nTextureBytes += work->m_nMemory, ++m_nTextureCount;
        for (const auto& [texture, bytes] : m_Counted)
            m_nTextureBytes += bytes, ++m_nTextureCount;
    }
    m_iDefaultTexture = FindName(kDefaultTextureName);
    return started;
}

void TextureManager::ReadRecords()
{
    m_Records.assign(std::size_t(std::max(0, GetCount())), STextureRecord{});
    for (std::int32_t i = 0; i < GetCount(); ++i)
    {
        const char* name = GetName(i);
        STextureRecord& r = m_Records[std::size_t(i)];
        g_ResourceDB.GetStringField(name, "Filename", r.m_szFileName, sizeof r.m_szFileName);
        r.m_iType = g_ResourceDB.GetIntegerField(name, "Type", 0);
        r.m_iColor = g_ResourceDB.GetIntegerField(name, "Color", 0);
        r.m_iMipLevels = g_ResourceDB.GetIntegerField(name, "LOD", 0);
        r.m_iTextureType = g_ResourceDB.GetIntegerField(name, "TEXTURETYPE", 0);
    }
}

const STextureRecord* TextureManager::GetRecord(std::int32_t id) const
{
    if (id < 0 || id >= std::int32_t(m_Records.size())) return nullptr;
    return &m_Records[std::size_t(id)];
}

void* TextureManager::MT_LoadResource(std::int32_t index, std::uint32_t* size)
{
    const STextureRecord* record = GetRecord(index);
    const char* name = GetName(index);
    if (m_pLogWriter) m_pLogWriter->WriteToLog(name ? name : "_DEFAULT_", record ? record->m_szFileName : "");
    if (!record)
    {
        g_ErrorLog.LogError("TextureManager::GetTexture error loading texture '%s'", "_DEFAULT_");
        return nullptr;
    }
    std::unique_ptr<CTexture> texture;
    CTraceBoundary boundary;
    try
    {
        texture = std::make_unique<CTexture>();
        const std::string path = g_ResourceDB.GetBaseDirectory() + record->m_szFileName;
        int bits = 32, drop = 0;
        ChooseQuality(record->m_iTextureType, g_Settings.TextureQuality, &bits, &drop);
        if (!texture->LoadFromFile(path.c_str(), bits, drop, record->m_iMipLevels, 1)) texture.reset();
    }
    catch (const std::exception& e)
    {
        boundary.Handled(record->m_szFileName, e.what());
        texture.reset();
    }
    if (!texture)
    {
        g_ErrorLog.LogError("TextureManager::GetTexture error loading texture '%s'", record->m_szFileName);
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(m_StatsLock);
        m_nTextureBytes += texture->m_nMemory;
        ++m_nTextureCount;
    }
    m_Records[std::size_t(index)].m_fLastLoadTime = g_fEngineTime;

    if (record->m_iType == 3 || record->m_iType == 4)
    {
        CTexture* bump = nullptr;
        const bool ok = record->m_iType == 3 ? CreateBumpMapFromHeight(&bump, texture.get(), m_Formats.bump)
                                             : CreateBumpMapFromNormals(&bump, texture.get(), m_Formats.bump);
        if (!ok)
        {
            // Drawing a height map as colour would be wrong: the slot fails
            // and the default texture stands in.
            g_ErrorLog.LogError("TextureManager::GetTexture error loading texture '%s'", record->m_szFileName);
            return nullptr;
        }
        texture.reset(bump);
    }
    if (size) *size = texture->m_nMemory;
    return texture.release();
}

void TextureManager::MT_UnloadResource(void* resource, std::int32_t)
{
    delete static_cast<CTexture*>(resource);
}

bool TextureManager::MT_IsPermitUnload(std::int32_t)
{
    return true;
}

void TextureManager::MT_OnLoadResource(std::int32_t) {}

CTexture* TextureManager::GetTexture(std::int32_t id)
{
    if (id == -1) return nullptr;
    // At most two rounds: the texture, then the default in its place. A
    // default that failed itself yields null instead of asking again.
    for (int round = 0; round < 2; ++round)
    {
        if (void* resource = Get(id, 1)) return static_cast<CTexture*>(resource);
        const std::int32_t state = GetState(id);
        if (state == kFailed)
        {
            if (m_iDefaultTexture < 0 || id == m_iDefaultTexture) return nullptr;
            id = m_iDefaultTexture;
            continue;
        }
        if (state == kNotLoaded) Request(id, 0);
        return nullptr;
    }
    return nullptr;
}

CTexture* TextureManager::GetTextureForce(std::int32_t id)
{
    if (id == -1) return nullptr;
    if (void* resource = GetResourceForce(id)) return static_cast<CTexture*>(resource);
    if (m_iDefaultTexture < 0 || id == m_iDefaultTexture) return nullptr;
    return static_cast<CTexture*>(GetResourceForce(m_iDefaultTexture));
}

void TextureManager::ResetFrameStats()
{
    m_nFrameCounters[0] = 0;
    m_nFrameCounters[1] = 0;
}

void TextureManager::RestoreDeviceObjects()
{
    for (CTexture*& work : m_pWorkTextures)
    {
        if (work) continue;
        work = new CTexture();
        work->CreateTexture(kWorkTextureSize, kWorkTextureSize, 1, D3DFMT_DXT3, D3DPOOL_DEFAULT, D3DUSAGE_DYNAMIC);
        work->m_nMemory = CTexture::EstimateMemory(kWorkTextureSize, kWorkTextureSize, 1, D3DFMT_DXT3);
        std::lock_guard<std::mutex> lock(m_StatsLock);
        m_nTextureBytes += work->m_nMemory;
        ++m_nTextureCount;
    }
}

void TextureManager::InvalidateDeviceObjects()
{
    for (CTexture*& work : m_pWorkTextures)
    {
        if (!work) continue;
        {
            std::lock_guard<std::mutex> lock(m_StatsLock);
            m_nTextureBytes -= std::min(m_nTextureBytes, work->m_nMemory);
            --m_nTextureCount;
        }
        delete work;
        work = nullptr;
    }
}

std::uint32_t TextureManager::GetTextureBytes()
{
    std::lock_guard<std::mutex> lock(m_StatsLock);
    return m_nTextureBytes;
}

std::int32_t TextureManager::GetTextureCount()
{
    std::lock_guard<std::mutex> lock(m_StatsLock);
    return m_nTextureCount;
}

void TextureManager::CountTexture(const CTexture* texture)
{
    if (!texture) return;
    std::lock_guard<std::mutex> lock(m_StatsLock);
    // Counted again (a texture created anew in place): the old count goes.
    if (auto it = m_Counted.find(texture); it != m_Counted.end())
    {
        m_nTextureBytes -= std::min(m_nTextureBytes, it->second);
        --m_nTextureCount;
    }
    m_Counted[texture] = texture->m_nMemory;
    m_nTextureBytes += texture->m_nMemory;
    ++m_nTextureCount;
}

void TextureManager::UncountTexture(const CTexture* texture)
{
    std::lock_guard<std::mutex> lock(m_StatsLock);
    auto it = m_Counted.find(texture);
    if (it == m_Counted.end()) return;
    m_nTextureBytes -= std::min(m_nTextureBytes, it->second);
    --m_nTextureCount;
    m_Counted.erase(it);
}

void TextureManager::GetMemoryStatsText(char* out, std::size_t size)
{
    if (!out || size == 0) return;
    const std::uint32_t available = graph.m_lpDevice ? graph.m_lpDevice->GetAvailableTextureMem() : 0;
    std::snprintf(out, size, "TextureMemory: %d Kb Available= %d Kb UsedTexture= %d/%d Kb UsedMeshes= %d/%d Kb",
                  int(m_nMemoryAtStart >> 10), int(available >> 10), int(GetTextureCount()),
                  int(GetTextureBytes() >> 10), int(g_MeshCount), int(g_MeshBytes >> 10));
}

std::uint32_t TextureManager::GetAverageColor(CTexture* texture)
{
    if (g_Settings.TextureCompression) return 0;
    if (!texture || !texture->m_lpTexture) return 0;
    Texture* t = texture->m_lpTexture;
    SSurfaceDesc desc{};
    if (Failed(t->GetLevelDesc(0, &desc))) return 0;
    const Format f = desc.Format;
    if (f != D3DFMT_R8G8B8 && f != D3DFMT_A8R8G8B8 && f != D3DFMT_X8R8G8B8 && f != D3DFMT_R5G6B5 &&
        f != D3DFMT_A4R4G4B4)
        return 0;
    SLockedRect locked{};
    if (Failed(t->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return 0;
    double sumA = 0, sumR = 0, sumG = 0, sumB = 0;
    for (std::uint32_t y = 0; y < desc.Height; ++y)
    {
        const std::uint8_t* row = static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch;
        for (std::uint32_t x = 0; x < desc.Width; ++x)
        {
            double r = 0, g = 0, b = 0, a = 255;
            if (f == D3DFMT_R8G8B8)
            {
                const std::uint8_t* p = row + x * 3;
                b = p[0], g = p[1], r = p[2];
            }
            else if (f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8)
            {
                const std::uint8_t* p = row + x * 4;
                b = p[0], g = p[1], r = p[2];
                if (f == D3DFMT_A8R8G8B8) a = p[3];
            }
            else
            {
                std::uint16_t w;
                std::memcpy(&w, row + x * 2, 2);
                if (f == D3DFMT_R5G6B5)
                {
                    r = double(w >> 11) * 8, g = double((w >> 5) & 63) * 4, b = double(w & 31) * 8;
                }
                else
                {
                    a = double(w >> 12) * 16, r = double((w >> 8) & 15) * 16;
                    g = double((w >> 4) & 15) * 16, b = double(w & 15) * 16;
                }
            }
            sumA += a;
            sumR += a * r / 255.0;
            sumG += a * g / 255.0;
            sumB += a * b / 255.0;
        }
    }
    t->UnlockRect(0);
    if (sumA == 0) return 0;
    const double scale = sumA / 255.0;
    const auto channel = [scale](double sum) { return std::uint32_t(std::min(255.0, sum / scale)); };
    const double pixels = double(desc.Width) * double(desc.Height);
    const std::uint32_t alpha = std::uint32_t(sumA / pixels);
    return alpha << 24 | channel(sumR) << 16 | channel(sumG) << 8 | channel(sumB);
}

std::vector<std::uint32_t> TextureManager::CreateBitmap(std::int32_t id)
{
    std::vector<std::uint32_t> bitmap;
    CTexture* texture = GetTextureForce(id);
    if (!texture || !texture->m_lpTexture || !graph.m_lpDevice) return bitmap;
    Surface* image = nullptr;
    if (Failed(graph.m_lpDevice->CreateImageSurface(kWorkTextureSize, kWorkTextureSize, D3DFMT_A8R8G8B8, &image)))
        return bitmap;
    Surface* level = nullptr;
    if (Succeeded(texture->m_lpTexture->GetSurfaceLevel(0, &level)))
    {
        if (Succeeded(D3DXLoadSurfaceFromSurface(image, nullptr, nullptr, level, nullptr, nullptr, D3DX_DEFAULT, 0)))
        {
            SLockedRect locked{};
            if (Succeeded(image->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
            {
                bitmap.resize(std::size_t(kWorkTextureSize) * kWorkTextureSize);
                for (std::uint32_t y = 0; y < kWorkTextureSize; ++y)
                    std::memcpy(&bitmap[std::size_t(kWorkTextureSize - 1 - y) * kWorkTextureSize],
                                static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch,
                                kWorkTextureSize * 4);
                image->UnlockRect();
            }
        }
        level->Release();
    }
    image->Release();
    return bitmap;
}
