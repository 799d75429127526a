// Fuzz target of the D3DX image readers (DDS, TGA and the other formats
// D3DX loads): any bytes as an image file; its description is read, then
// the image with all its levels and with one, and every level converted to
// 32-bit colour.
#include "platform/d3dx/ImageFile.h"
#include "tests/fuzz/FuzzCommon.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("image");
    (void)ready;
    using namespace plat::d3d;
    using namespace plat::d3d::detail;
    std::string error;
    SImageInfo info;
    if (!ReadImageInfo(data, size, &info, &error)) return 0;
    for (std::uint32_t limit : {0u, 1u})
    {
        SImage image;
        if (!ReadImage(data, size, limit, &image, &error)) continue;
        std::vector<std::uint32_t> argb;
        for (std::uint32_t level = 0; level < image.levels.size(); ++level)
            LevelToArgb(image, level, &argb);
    }
    return 0;
}
