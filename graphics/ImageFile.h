// The engine's own texture files, extension "TM": a 76-byte header and the
// mip levels, level 0 first, either as DXT5 blocks or as uncompressed colour
// split into two planes so that a 16-bit texture can be read from the first
// plane alone.
//
// CImageFileReader holds what the reading operations of CDXTImage
// (DXTImage.h) learn about one file; it lives for that one file.
// CImageFileError is what they throw for a damaged file: the message names
// the file, the byte offset and what is wrong. WriteImageFile is the one
// writer of the format (tools and tests).
//
// Thread safety: a reader belongs to one loading thread.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class CPakStream;

// The file header, little-endian:
//   0   4  width in pixels
//   4   4  height in pixels
//   8   4  format: a Direct3D format code, 21 (A8R8G8B8) or 22 (X8R8G8B8)
//          for uncompressed images
//  12   4  not used by the reader
//  16   4  compressed flag, read from its first byte: non-zero means DXT5
//  20   4  number of mip levels stored; 0 reads as 1
//  24  52  not used by the reader
//  76   -  the levels, each half the width and height of the one before
// Sizes of a level of n pixels: compressed, n bytes (its 4 x 4 DXT5 blocks
// when both sides are multiples of 4; a smaller level stores only the start
// of its block, the reader fills the rest with zeros); format 21, 4n bytes (plane 1: n
// 16-bit values of the high nibbles of A, R, G, B in bits 12-15, 8-11, 4-7,
// 0-3; plane 2: n 16-bit values of the low nibbles); format 22, 3n bytes
// (plane 1: n R5G6B5 values of the top bits; plane 2: n bytes of the low
// bits, red's 3 in bits 5-7, green's 2 in bits 3-4, blue's 3 in bits 0-2).
struct SImageFileHeader
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t format = 0;
    std::uint32_t unused12 = 0;
    std::uint32_t compressed = 0;
    std::uint32_t mipLevels = 0;
    std::uint8_t unused24[52] = {};
};
static_assert(sizeof(SImageFileHeader) == 76, "the image file header is 76 bytes on disk");

constexpr std::uint32_t kImageFormatA8R8G8B8 = 21;
constexpr std::uint32_t kImageFormatX8R8G8B8 = 22;
constexpr std::uint32_t kImageFormatR5G6B5 = 23;
constexpr std::uint32_t kImageFormatA4R4G4B4 = 26;
// Larger sides are refused as damage: no texture of the engine comes near.
constexpr std::uint32_t kMaxImageSide = 8192;

class CImageFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class CImageFileReader
{
public:
    bool IsCompressed() const { return (m_Header.compressed & 0xFF) != 0; }
    // Bytes of level `level` of an image of the given level-0 size as the
    // file stores it (the compressed flag and format of this header).
    std::uint32_t StoredLevelSize(std::uint32_t width, std::uint32_t height, int level) const;
    // Throws CImageFileError naming the file and the offset.
    [[noreturn]] void Fail(std::uint32_t offset, const char* format, ...) const
        __attribute__((format(printf, 3, 4)));

    // Offset in the file of the level to read.
    std::uint32_t m_nFileOffset = 0;
    // width x height of the file's level 0, then of the level read.
    std::int32_t m_nPixelCount = 0;
    std::int32_t m_nLevelsToDrop = 0;
    // As read; width, height and format then describe the level to read.
    SImageFileHeader m_Header;

    // What the header said before the rules changed it.
    std::uint32_t m_nFileWidth = 0;
    std::uint32_t m_nFileHeight = 0;
    std::uint32_t m_nFileFormat = 0;
    std::string m_Path;
};

// Bytes the file stores for a compressed level of width x height pixels:
// one per pixel.
std::uint32_t StoredCompressedSize(std::uint32_t width, std::uint32_t height);
// Reads the compressed level of width x height pixels at the stream's
// position into `blocks`, sized to whole DXT5 blocks, the bytes the file
// does not store left zero. Throws CImageFileError when the stream ends
// early.
void ReadCompressedBlocks(CImageFileReader& reader, CPakStream& stream, std::uint32_t width, std::uint32_t height,
                          std::vector<std::uint8_t>& blocks);

// Closes the stream's disk file, if any, and marks it closed.
void CloseResFile(CPakStream& stream);

// One image as the writer takes it: level 0 first, each level width x
// height A8R8G8B8 pixels, sizes halving (at least 1).
struct SImageFileLevels
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::vector<std::uint32_t>> levels;
};

// The whole file as bytes: compressed (DXT5 blocks of each level) or
// format 21/22 (planes). The header's mip count is the number of levels.
std::vector<std::uint8_t> BuildImageFile(const SImageFileLevels& image, bool compressed,
                                         std::uint32_t format);
// Builds the levels of an image by 2 x 2 averaging from level 0, down to
// 1 x 1 or to `count` levels.
SImageFileLevels MakeImageLevels(const std::vector<std::uint32_t>& level0, std::uint32_t width,
                                 std::uint32_t height, std::uint32_t count = 0);
// Writes BuildImageFile's bytes to a disk file; false when it cannot.
bool WriteImageFile(const char* path, const SImageFileLevels& image, bool compressed, std::uint32_t format);
