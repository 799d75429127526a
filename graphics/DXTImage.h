// CDXTImage: the software decoder of DXT5 (and DXT3) blocks into 32-bit
// A8R8G8B8 pixels, for devices that cannot use DXT5 textures; the reading
// operations of the engine's "TM" texture files (ImageFile.h), which act on
// a CImageFileReader; a small DXT5 block encoder for the tools and tests
// that write such files; and the sharper 2:1 surface reduction.
//
// Decoding gives the colours a GPU gives for the same blocks, so a texture
// looks the same whether the device samples the blocks or the engine
// decodes them: 5- and 6-bit colours expand by bit replication, and a DXT3
// or DXT5 colour block always uses its four-colour form (c0 and c1 ordered
// either way), as the texture-compression standards define those formats.
//
// Ownership: the decoder owns its compressed and decoded buffers.
// Thread safety: none; one decoder belongs to one loading thread.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <vector>

namespace plat::d3d
{
class Surface;
struct SLockedRect;
} // namespace plat::d3d

class CImageFileReader;
class CPakStream;

class CDXTImage
{
public:
    CDXTImage() = default;
    virtual ~CDXTImage() = default;
    CDXTImage(const CDXTImage&) = delete;
    CDXTImage& operator=(const CDXTImage&) = delete;

    // DXT5 blocks of m_Compressed into a new zero-filled m_Decoded of
    // width x height pixels. Partial blocks at the right and bottom edges
    // are decoded as far as the image reaches. False (and nothing decoded)
    // when m_Compressed holds fewer bytes than the blocks need.
    bool Decode();
    // The same for DXT3 blocks, into m_Decoded (made when it is missing).
    bool DecodeDXT3();

    // Bytes of the DXT blocks that cover width x height pixels.
    static std::uint32_t CompressedSize(std::uint32_t width, std::uint32_t height);

    // ---- reading "TM" files (ImageFile.cpp) ----
    // Opens path through the pack file system into stream and reads the
    // header into reader, applying the level-dropping and 16-bit rules.
    // False when the file cannot be opened; a damaged header throws
    // CImageFileError.
    static bool ReadHeader(CImageFileReader& reader, CPakStream& stream, const char* path, int bits,
                           int levelsToDrop);
    // Reads the uncompressed level the header chose into a locked texture
    // level of the reader's format. Throws CImageFileError when the data is
    // cut short or the format is not one the reader produces.
    static bool ReadData(CImageFileReader& reader, CPakStream& stream, const plat::d3d::SLockedRect& locked);
    // Fills level `level` (>= 1) from level - 1 by 2 x 2 averaging. The
    // levels are 32-bit, or the reader's 16-bit A4R4G4B4 or R5G6B5 format.
    static void MakeMipLevel(const CImageFileReader& reader, const plat::d3d::SLockedRect& source,
                             const plat::d3d::SLockedRect& destination, int level);

    std::vector<std::uint8_t> m_Compressed;
    std::vector<std::uint32_t> m_Decoded; // A8R8G8B8, row by row
    std::uint32_t m_nWidth = 0;
    std::uint32_t m_nHeight = 0;

private:
    void DecodeColorBlock(const std::uint8_t* block, std::uint32_t x0, std::uint32_t y0);
    void DecodeDXT5AlphaBlock(const std::uint8_t* block);
    void DecodeDXT3AlphaBlock(const std::uint8_t* block);
    bool DecodeBlocks(bool dxt5);

    // Scratch of the block being decoded.
    std::uint8_t m_AlphaPalette[8] = {};
    std::uint8_t m_AlphaIndices[16] = {};
    std::uint8_t m_AlphaBlock[16] = {};
};

// The four colours a DXT3/DXT5 colour block's indices select (A8R8G8B8,
// alpha 255).
void DXTColorPalette(std::uint16_t c0, std::uint16_t c1, std::uint32_t palette[4]);
// The eight alphas a DXT5 alpha block's indices select.
void DXT5AlphaPalette(std::uint8_t a0, std::uint8_t a1, std::uint8_t palette[8]);

// Encodes 16 A8R8G8B8 pixels (row by row) as one 16-byte DXT5 block. A
// plain bounding-box encoder: good enough for sample data and tests.
void EncodeDXT5Block(const std::uint32_t pixels[16], std::uint8_t block[16]);
// Encodes a whole image (any size; edge blocks repeat the last row and
// column) into CDXTImage::CompressedSize bytes.
std::vector<std::uint8_t> EncodeDXT5(const std::uint32_t* argb, std::uint32_t width, std::uint32_t height);

// A sharper 2:1 reduction of a 32-bit surface: each destination pixel is the
// weighted mean of 6 x 6 source pixels around its 2 x 2 source block,
// wrapping at the edges; sharpness scales the weight of the inner taps
// (80 / sharpness). E_FAIL unless both surfaces are X8R8G8B8 or both
// A8R8G8B8 and the source is twice the destination in each dimension (a
// dimension of 1 may stay 1, but not both).
plat::HResult DownsampleSurface(plat::d3d::Surface* source, plat::d3d::Surface* destination, float sharpness);
