// Fuzz target of the "TM" texture reader: any bytes as a TM file; the
// header is read with and without dropped levels and at 16 and 32 bits,
// and the level it names is read into memory as the texture loader reads
// it (planes, or DXT5 blocks decoded in software with the levels below
// made by averaging).
#include "foundation/PakFileSystem.h"
#include "graphics/DXTImage.h"
#include "graphics/ImageFile.h"
#include "platform/d3d8/D3D8Types.h"
#include "tests/fuzz/FuzzCommon.h"

#include <algorithm>
#include <vector>

namespace
{
void ReadOnce(int bits, int drop)
{
    CImageFileReader reader;
    CPakStream stream;
    try
    {
        if (!CDXTImage::ReadHeader(reader, stream, "input.tm", bits, drop)) return;
        const SImageFileHeader& h = reader.m_Header;
        std::vector<std::uint32_t> level0(std::size_t(h.width) * h.height);
        plat::d3d::SLockedRect locked{std::int32_t(h.width * 4), level0.data()};
        if (reader.IsCompressed())
        {
            CDXTImage image;
            image.m_nWidth = h.width;
            image.m_nHeight = h.height;
            stream.Seek(std::int32_t(reader.m_nFileOffset), SEEK_SET);
            ReadCompressedBlocks(reader, stream, h.width, h.height, image.m_Compressed);
            if (!image.Decode()) return;
            std::copy(image.m_Decoded.begin(), image.m_Decoded.end(), level0.begin());
        }
        else
            CDXTImage::ReadData(reader, stream, locked);
        if (!reader.IsCompressed() && bits == 16) return; // 16-bit levels: no 32-bit averaging
        std::vector<std::uint32_t> next(std::size_t(std::max(1u, h.width / 2)) * std::max(1u, h.height / 2));
        plat::d3d::SLockedRect below{std::int32_t(std::max(1u, h.width / 2) * 4), next.data()};
        CDXTImage::MakeMipLevel(reader, locked, below, 1);
    }
    catch (const CImageFileError&)
    {
    }
    CloseResFile(stream);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("tm");
    (void)ready;
    if (!fuzz::WriteFile("input.tm", data, size)) return 0;
    ReadOnce(32, 0);
    ReadOnce(16, 1);
    ReadOnce(32, 2);
    return 0;
}
