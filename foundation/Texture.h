// CTexture: the small texture object every texture user builds: an empty
// texture of a size and format, an image file loaded into it, binding to a
// texture stage. g_TextureStageCache remembers the texture last bound to
// each stage, so binding the same texture again costs nothing.
//
// Image files go through the D3DX file loader, except the engine's own
// "TM" files: the graphics engine, which sits above this library, reads
// those and installs its reader with SetImageFileReader at start-up.
//
// Ownership: a CTexture owns its Direct3D texture; the destructor releases
// it (and forgets it in the stage cache).
// Threads: textures are created and loaded on the loader threads (the
// device is multithreaded); SetToStage and the cache belong to the main
// thread.
#pragma once

#include "platform/d3d8/D3D8Types.h"

#include <cstdint>

namespace plat::d3d
{
class Texture;
}

class CTexture;

// Reads a "TM" file into the texture: CTexture::ReadImageFile's work.
using PFNReadImageFile = bool (*)(CTexture& texture, const char* fileName, int bits, int levelsToDrop,
                                  int levels, int managed);
void SetImageFileReader(PFNReadImageFile reader);

class CTexture
{
public:
    CTexture() = default;
    virtual ~CTexture();
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // An empty texture; D3DUSAGE_DYNAMIC is dropped when the device has no
    // dynamic textures. On failure "Graphic::CreateTexture fails" is logged
    // and the texture stays empty.
    void CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                       plat::d3d::Format format, std::uint32_t pool, std::uint32_t usage);
    // The size of level 0, read once from the texture and then cached.
    void GetSize(std::int32_t* width, std::int32_t* height);
    // Binds the texture to a stage unless the stage has it already; an
    // empty texture is not bound.
    void SetToStage(int stage);
    // Loads an image file (TM files through the engine's reader, others
    // through D3DX). False, with an error-log line, when it did not load.
    bool LoadFromFile(const char* fileName, int bits, int levelsToDrop, int levels, int managed);
    bool ReadImageFile(const char* fileName, int bits, int levelsToDrop, int levels, int managed);
    // Releases the Direct3D texture; the object is empty afterwards.
    void Free();

    // levels x 1024 plus the bytes of each level (halving from the size):
    // 4 per pixel for the 32-bit formats, 1 for A8 and P8, 2 otherwise.
    static std::uint32_t EstimateMemory(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                        plat::d3d::Format format);

    std::int32_t m_nWidth = 0;
    std::int32_t m_nHeight = 0;
    std::uint32_t m_bDynamic = 0;
    std::uint32_t m_nMemory = 0;
    plat::d3d::Texture* m_lpTexture = nullptr;
};

constexpr int kTextureStageCacheSize = 8;
extern CTexture* g_TextureStageCache[kTextureStageCacheSize];
