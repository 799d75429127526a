// The sample location's radar map: its top-down picture, one pixel per
// grid step (256 x 256 for 4 x 4 cells), beside the map file with the last
// character 'm' ("Data\Locs\sample.lom"). Land is green, lighter with
// height; the lake's wet ground is the water's blue.
#include "hud/radar/RadarMapFile.h"
#include "tools/mksample/SampleLocation.h"

#include <algorithm>
#include <cstdio>

bool WriteSampleRadar(const std::string& root)
{
    const SMapSource source = MakeSampleLocation();
    const int width = source.width - 1;
    const int height = source.height - 1;
    const float level = source.water.empty() ? -1e9f : source.water[0].level;
    const auto [low, high] = std::minmax_element(source.heights.begin(), source.heights.end());
    const float span = std::max(*high - *low, 1.0f);
    std::vector<std::uint32_t> picture(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const std::size_t at = std::size_t(y) * std::size_t(source.width) + std::size_t(x);
            const float h = source.heights[at];
            const bool wet = h < level && (source.wetVertices.empty() || source.wetVertices[at] != 0);
            const auto shade = std::uint32_t(60.0f + 150.0f * (h - *low) / span);
            picture[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
                wet ? 0xFF3060A0u : 0xFF000000u | (shade / 3) << 16 | shade << 8 | (shade / 4);
        }
    }
    const std::string path = RadarMapPathOf(root + "\\" + kSampleLocationMap);
    if (!WriteRadarMapFile(path.c_str(), width, height, picture))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
