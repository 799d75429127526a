#include "graphics/TextureFile.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Texture.h"
#include "graphics/DXTImage.h"
#include "graphics/ImageFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace plat::d3d;

namespace
{

// Locks one level for the lifetime of the object.
class CLevelLock
{
public:
    CLevelLock(Texture* texture, std::uint32_t level, std::uint32_t flags)
        : m_pTexture(texture), m_nLevel(level)
    {
        m_bLocked = plat::Succeeded(texture->LockRect(level, &m_Rect, nullptr, flags));
    }
    ~CLevelLock()
    {
        if (m_bLocked) m_pTexture->UnlockRect(m_nLevel);
    }
    CLevelLock(const CLevelLock&) = delete;
    CLevelLock& operator=(const CLevelLock&) = delete;

    bool IsLocked() const { return m_bLocked; }
    const SLockedRect& Rect() const { return m_Rect; }

private:
    Texture* m_pTexture;
    std::uint32_t m_nLevel;
    SLockedRect m_Rect{};
    bool m_bLocked = false;
};

void ReleaseTexture(Texture*& texture)
{
    if (texture) texture->Release();
    texture = nullptr;
}

// Levels of a texture made from one read level: the requested count, or
// with 0 the smaller of the two halvings, at least 1; never more than the
// chain down to 1 x 1 holds.
std::uint32_t BuiltLevelCount(int levels, std::uint32_t width, std::uint32_t height)
{
    const int chain = 1 + IntLog2(int(std::max(width, height)));
    int count = levels > 0 ? levels : std::min(IntLog2(int(width)), IntLog2(int(height)));
    return std::uint32_t(std::clamp(count, 1, chain));
}

// Fills levels 1.. of a texture from level 0.
bool BuildMipLevels(Texture* texture, const CImageFileReader& reader, std::uint32_t count)
{
    for (std::uint32_t level = 1; level < count; ++level)
    {
        CLevelLock source(texture, level - 1, D3DLOCK_READONLY);
        CLevelLock destination(texture, level, 0);
        if (!source.IsLocked() || !destination.IsLocked()) return false;
        CDXTImage::MakeMipLevel(reader, source.Rect(), destination.Rect(), int(level));
    }
    return true;
}

// Reads the DXT5 levels the file stores from the current position on.
bool ReadCompressedLevels(Texture* texture, CImageFileReader& reader, CPakStream& stream, std::uint32_t count)
{
    const SImageFileHeader& h = reader.m_Header;
    stream.Seek(std::int32_t(reader.m_nFileOffset), SEEK_SET);
    std::vector<std::uint8_t> data;
    for (std::uint32_t level = 0; level < count; ++level)
    {
        const std::uint32_t w = std::max(1u, h.width >> level), hgt = std::max(1u, h.height >> level);
        ReadCompressedBlocks(reader, stream, w, hgt, data);
        CLevelLock lock(texture, level, 0);
        if (!lock.IsLocked()) return false;
        const std::uint32_t rowBytes = ((w + 3) / 4) * 16, rows = (hgt + 3) / 4;
        for (std::uint32_t row = 0; row < rows; ++row)
            std::memcpy(static_cast<std::uint8_t*>(lock.Rect().pBits) + std::size_t(row) * lock.Rect().Pitch,
                        data.data() + std::size_t(row) * rowBytes, rowBytes);
    }
    return true;
}

// Fills level 0 (and the levels made from it) of a texture.
bool FillTexture(Texture* texture, CImageFileReader& reader, CPakStream& stream, std::uint32_t count,
                 bool dxt5)
{
    const SImageFileHeader& h = reader.m_Header;
    if (dxt5) return ReadCompressedLevels(texture, reader, stream, count);
    if (reader.IsCompressed())
    {
        CDXTImage image;
        image.m_nWidth = h.width;
        image.m_nHeight = h.height;
        stream.Seek(std::int32_t(reader.m_nFileOffset), SEEK_SET);
        ReadCompressedBlocks(reader, stream, h.width, h.height, image.m_Compressed);
        if (!image.Decode()) reader.Fail(reader.m_nFileOffset, "compressed level could not be decoded");
        CLevelLock lock(texture, 0, 0);
        if (!lock.IsLocked()) return false;
        for (std::uint32_t y = 0; y < h.height; ++y)
            std::memcpy(static_cast<std::uint8_t*>(lock.Rect().pBits) + std::size_t(y) * lock.Rect().Pitch,
                        image.m_Decoded.data() + std::size_t(y) * h.width, std::size_t(h.width) * 4);
    }
    else
    {
        CLevelLock lock(texture, 0, 0);
        if (!lock.IsLocked()) return false;
        CDXTImage::ReadData(reader, stream, lock.Rect());
    }
    return BuildMipLevels(texture, reader, count);
}

} // namespace

bool ReadTextureImageFile(CTexture& texture, const char* fileName, int bits, int levelsToDrop, int levels,
                          int managed)
{
    XTRACE("CTexture::ReadImageFile");
    texture.Free();
    if (!graph.m_lpDevice)
    {
        g_ErrorLog.LogError("CTexture::ReadImageFile file '%s': no device", fileName);
        return false;
    }
    CImageFileReader reader;
    CPakStream stream;
    Texture* built = nullptr;
    try
    {
        if (!CDXTImage::ReadHeader(reader, stream, fileName, bits, levelsToDrop))
        {
            g_ErrorLog.LogError("CTexture::ReadImageFile file '%s' not found", fileName);
            return false;
        }
        const SImageFileHeader& h = reader.m_Header;
        texture.m_nWidth = std::int32_t(h.width);
        texture.m_nHeight = std::int32_t(h.height);

        const bool dxt5 = reader.IsCompressed() && graph.m_bDXT5;
        Format format;
        std::uint32_t count;
        if (dxt5)
        {
            // The file's own levels from the one read on, as many as asked.
            const int stored = int(h.mipLevels) - reader.m_nLevelsToDrop;
            const int asked = (levels > 0 ? levels : int(h.mipLevels)) - reader.m_nLevelsToDrop;
            count = std::uint32_t(std::clamp(asked, 1, stored));
            format = D3DFMT_DXT5;
        }
        else
        {
            count = BuiltLevelCount(levels, h.width, h.height);
            // The reader's formats are the Direct3D codes of the same name.
            format = reader.IsCompressed() ? D3DFMT_A8R8G8B8 : Format(h.format);
        }

        const std::uint32_t pool = managed ? D3DPOOL_MANAGED : D3DPOOL_SYSTEMMEM;
        if (plat::Failed(graph.m_lpDevice->CreateTexture(h.width, h.height, count, 0, format, pool, &built)))
        {
            g_ErrorLog.LogError(dxt5 ? "CTexture::ReadImageFile can`t create DXT5 source texture"
                                     : "CTexture::ReadImageFile can`t create source texture");
            CloseResFile(stream);
            return false;
        }
        if (!FillTexture(built, reader, stream, count, dxt5))
            reader.Fail(reader.m_nFileOffset, "texture levels could not be locked");
        CloseResFile(stream);

        if (!managed)
        {
            // The default pool cannot be written by the CPU: the image goes
            // there through a system-memory copy.
            Texture* target = nullptr;
            if (plat::Failed(graph.m_lpDevice->CreateTexture(h.width, h.height, count, 0, format,
                                                             D3DPOOL_DEFAULT, &target)) ||
                plat::Failed(graph.m_lpDevice->UpdateTexture(built, target)))
            {
                ReleaseTexture(target);
                ReleaseTexture(built);
                g_ErrorLog.LogError("CTexture::ReadImageFile can`t create source texture");
                return false;
            }
            ReleaseTexture(built);
            built = target;
        }
        texture.m_lpTexture = built;
        texture.m_bDynamic = 0;
        texture.m_nMemory = dxt5 ? CTexture::EstimateMemory(h.width / 2, h.height / 2, count, format)
                                 : CTexture::EstimateMemory(h.width, h.height, count, format);
        return true;
    }
    catch (const CImageFileError& e)
    {
        ReleaseTexture(built);
        CloseResFile(stream);
        g_ErrorLog.LogError("CTexture::ReadImageFile %s", e.what());
        return false;
    }
}

void RegisterTextureFileReader()
{
    SetImageFileReader(&ReadTextureImageFile);
}
