// TextureManager: the single owner of the game's textures, g_pTextureManager.
//
// It reads the texture list (a resource-database section: "Filename",
// "Type", "Color", "LOD", "TEXTURETYPE" per record) and loads each texture
// on first use on the loader thread of CMTResourceManager, with the bits
// per pixel and dropped top levels the record's TEXTURETYPE and the
// TextureQuality setting choose. Textures are handed out by id (the record
// index). A texture that fails to load is replaced by the list's
// "TEX_SAMPLECOLOR" record; when that one fails too, callers get null (it
// is never requested again in a loop). Types 3 and 4 become bump textures.
// It also keeps two 256 x 256 DXT3 work textures for 2-D image drawing.
//
// Ownership: the manager owns every CTexture it hands out; a pointer stays
// valid until the base releases the slot (least recently used first when
// the texture bytes pass 150 MB) or Purge.
// Threads: GetTexture/GetTextureForce and the device-object calls on the
// main thread; MT_* on the loader thread. The statistics are guarded.
#pragma once

#include "foundation/MTResourceManager.h"
#include "platform/d3d8/D3D8Types.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

class CTexture;

// One record of the texture list (the list's columns; zero when missing).
struct STextureRecord
{
    char m_szFileName[256] = {};
    std::int32_t m_iType = 0;
    std::int32_t m_iColor = 0;
    std::int32_t m_iMipLevels = 0;
    float m_fLastLoadTime = 0.0f;
    std::int32_t m_iTextureType = 0;
};

// The formats the manager loads into; 0 where the device has none.
struct STextureFormats
{
    plat::d3d::Format rgb = 0;
    plat::d3d::Format rgba = 0;
    plat::d3d::Format rgba1 = 0;
    plat::d3d::Format bump = 0;
    bool compression = false;
};

class TextureManager : public CMTResourceManager
{
public:
    static constexpr std::uint32_t kMemoryBudget = 0x9600000;
    static constexpr const char* kDefaultTextureName = "TEX_SAMPLECOLOR";

    // Probes the formats on graph's device (none without a device).
    TextureManager();
    ~TextureManager() override;

    using CMTResourceManager::Init;
    bool Init(const char* section, std::uint32_t keepNewest) override;
    bool Init(const char* section) override { return Init(section, 1); }

    void* MT_LoadResource(std::int32_t index, std::uint32_t* size) override;
    void MT_UnloadResource(void* resource, std::int32_t index) override;
    bool MT_IsPermitUnload(std::int32_t index) override;
    void MT_OnLoadResource(std::int32_t index) override;

    // Null for -1; the default texture for a failed one; null (and a load
    // request) while not loaded.
    CTexture* GetTexture(std::int32_t id);
    // Loads and waits; the default texture when the load fails.
    CTexture* GetTextureForce(std::int32_t id);
    void ResetFrameStats();
    void CreateDeviceObjects() { RestoreDeviceObjects(); }
    void RestoreDeviceObjects();
    void InvalidateDeviceObjects();
    // "TextureMemory: ..." into out (at least 160 bytes).
    void GetMemoryStatsText(char* out, std::size_t size);
    // Alpha-weighted mean colour of level 0 as ARGB; 0 with compression on,
    // for other formats and for a fully transparent texture.
    std::uint32_t GetAverageColor(CTexture* texture);
    // The texture (default on failure) scaled to 256 x 256 A8R8G8B8 pixels,
    // rows bottom-up as a device-compatible bitmap holds them. Empty when
    // there is no texture.
    std::vector<std::uint32_t> CreateBitmap(std::int32_t id);

    // Bits per pixel (16 or 32) and top levels to drop for a TEXTURETYPE
    // and a TextureQuality setting.
    static void ChooseQuality(std::int32_t textureType, std::int32_t quality, int* bits, int* levelsToDrop);
    // The format choice for a TextureBPS setting, given which formats the
    // device takes; logs each format it cannot find.
    static STextureFormats ChooseFormats(std::int32_t textureBPS, bool compression,
                                         const std::function<bool(plat::d3d::Format)>& supported);

    std::int32_t GetDefaultTexture() const { return m_iDefaultTexture; }
    std::int32_t GetRecordCount() const { return std::int32_t(m_Records.size()); }
    const STextureRecord* GetRecord(std::int32_t id) const;
    std::uint32_t GetTextureBytes();
    std::int32_t GetTextureCount();
    // Textures the manager does not own but counts in its statistics (the
    // technique manager's ramp texture, the font pages): CountTexture adds
    // one texture and its memory estimate as it is now; UncountTexture
    // takes away what was added for it (nothing for one never counted, so
    // an owner may call it before every delete). Null is ignored.
    void CountTexture(const CTexture* texture);
    void UncountTexture(const CTexture* texture);
    const STextureFormats& GetFormats() const { return m_Formats; }
    // One of the two 256 x 256 DXT3 work textures (0 or 1; null before the
    // device objects exist), for the surface manager's 2-D images.
    CTexture* GetWorkTexture(int which) const
    {
        return which == 0 || which == 1 ? m_pWorkTextures[which] : nullptr;
    }

    std::uint32_t m_nFrameCounters[2] = {};

private:
    void ReadRecords();

    std::uint32_t m_nMemoryAtStart = 0;
    std::mutex m_StatsLock; // texture bytes and count: loader and main thread
    std::uint32_t m_nTextureBytes = 0;
    std::int32_t m_nTextureCount = 0;
    std::unordered_map<const CTexture*, std::uint32_t> m_Counted; // CountTexture's, with its bytes
    std::int32_t m_iDefaultTexture = -1;
    STextureFormats m_Formats;
    std::vector<STextureRecord> m_Records;
    CTexture* m_pWorkTextures[2] = {};
};

extern TextureManager* g_pTextureManager;

// The engine clock in seconds that load times and cache ages are read
// from; the resource engine's per-frame run advances it on the main thread
// (before the model manager's Run) while the loader threads read it as they
// finish a texture: hence atomic.
extern std::atomic<float> g_fEngineTime;
