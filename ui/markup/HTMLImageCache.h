// The pictures a markup document shows, read from "Data\Images\" by file
// name and kept as DXT3 textures in ten records evicted by least recent use.
//
// A record whose texture could not be filled is handed back for this draw
// (its size still places the picture) but is not kept as a valid entry: the
// next request reads the file again instead of drawing an empty texture
// for ever.
//
// ReadInfo and Fill are the two touches of the file and the device;
// tests replace them.
//
// Ownership: the cache owns its textures and releases them when a record is
// reused and in its destructor. Threads: main thread only.
#pragma once

#include <cstdint>
#include <string>

class CTexture;

struct SHTMLImage
{
    CTexture* texture = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    float lastUse = 0.0f;
    char fileName[260] = {};
    bool valid = false; // the texture holds the picture
};

class CHTMLImageCache
{
public:
    static constexpr int kRecords = 10;

    CHTMLImageCache() = default;
    virtual ~CHTMLImageCache();
    CHTMLImageCache(const CHTMLImageCache&) = delete;
    CHTMLImageCache& operator=(const CHTMLImageCache&) = delete;

    // The record of the picture, read on first use; null when the file's
    // image information cannot be read.
    const SHTMLImage* Get(const char* fileName, double now);
    int GetCount() const { return m_nCount; }
    const SHTMLImage& Record(int i) const { return m_Records[i]; }
    void ReleaseAll();

    // "<base>Data\Images\<name>": the game's base folder, or
    // m_sBaseDirectory when set (tests, tools).
    std::string ImagePath(const char* fileName) const;

    std::string m_sBaseDirectory;

protected:
    // Width and height of the file; false when unreadable.
    virtual bool ReadInfo(const std::string& path, int* width, int* height);
    // A DXT3 texture of the size rounded up to multiples of 4, filled from
    // the file; false when it could not be made or filled.
    virtual bool Fill(SHTMLImage& record, const std::string& path);

private:
    SHTMLImage m_Records[kRecords];
    int m_nCount = 0;
};
