#include "tools/mksample/SampleLocation.h"

#include "foundation/Random.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr int kSize = 257;
constexpr std::uint32_t kSeed = 20261;

// Smooth value noise: lattice values every `spacing` vertices, drawn in row
// order from one seeded generator, blended with a smoothstep.
void AddNoise(std::vector<float>& heights, int spacing, float amplitude, std::uint32_t seed)
{
    const int n = kSize / spacing + 2;
    CRandom random(seed);
    std::vector<float> lattice(std::size_t(n * n));
    for (float& v : lattice)
        v = random.Random(1.0f);
    const auto smooth = [](float t) { return t * t * (3.0f - 2.0f * t); };
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            const int lx = x / spacing, ly = y / spacing;
            const float fx = smooth(float(x % spacing) / float(spacing));
            const float fy = smooth(float(y % spacing) / float(spacing));
            const auto at = [&](int i, int j) { return lattice[std::size_t(j * n + i)]; };
            const float top = at(lx, ly) + (at(lx + 1, ly) - at(lx, ly)) * fx;
            const float bottom = at(lx, ly + 1) + (at(lx + 1, ly + 1) - at(lx, ly + 1)) * fx;
            heights[std::size_t(y * kSize + x)] += amplitude * (top + (bottom - top) * fy);
        }
    }
}

// One look of the sample sky: its colours, two drifting cloud layers
// (grey and dense in the rain), the sun's or the moon's disc and the orange
// haze over the horizon at dawn and dusk (SampleSky.cpp has the textures).
SEnvRecord MakeRecord(const char* name, bool night, std::uint32_t sky, std::uint32_t fog, std::uint32_t sun,
                      std::uint32_t ambient, std::uint32_t weather)
{
    SEnvRecord record{};
    std::snprintf(record.text, sizeof(record.text), "%s", name);
    record.night = night ? 1 : 0;
    record.skyColor = sky;
    record.skyColorDawn = 0xFFD08050;
    record.fogToSun = record.fogToSunDawn = fog;
    record.fogFromSun = record.fogFromSunDawn = BlendColorRGB(fog, 0xFF000000, 0.7f);
    record.fogMode = 2;
    record.fogDensity = weather ? 0.0012f : 0.0006f;
    const char* clouds = weather ? "TEX_SKY_RAIN_CLOUDS" : "TEX_SKY_CLOUDS";
    std::snprintf(record.cloud1, sizeof record.cloud1, "%s", clouds);
    std::snprintf(record.cloud2, sizeof record.cloud2, "%s", clouds);
    record.cloudScale1 = 0.35f;
    record.cloudScale2 = 0.6f;
    record.cloudScroll1[0] = 0.004f;
    record.cloudScroll1[1] = 0.002f;
    record.cloudScroll2[0] = 0.007f;
    record.cloudScroll2[1] = -0.001f;
    std::snprintf(record.sun, sizeof record.sun, "%s", night || weather ? "" : "TEX_SKY_SUN");
    std::snprintf(record.moon, sizeof record.moon, "%s", night ? "TEX_SKY_MOON" : "");
    // The haze over the horizon at dawn and dusk only: over the main hours
    // the band would pale the whole sky.
    std::snprintf(record.skyDawn, sizeof record.skyDawn, "%s", "TEX_SKY_GLOW_DAWN");
    record.ambient = ambient;
    record.sunColor = sun;
    record.moonColor = night ? 0xFF404860 : 0;
    record.weight = 1.0f;
    record.wind[0] = weather ? 20.0f : 5.0f;
    record.weather = weather;
    record.weatherIntensity = weather ? 0.1f : 0.0f;
    return record;
}

// Lowers the ground along every road link to half a unit under the straight
// line between the two nodes' ground heights: the band between them is
// drawn a node radius (one unit) above that line, and would otherwise sink
// into the hills it crosses. Vertices within 15 units of a link are cut, so
// no terrain triangle under the 10-unit band rises through it; beyond, the
// cut's sides rise at a bank slope into the hills.
void CutRoads(std::vector<float>& heights)
{
    const std::vector<SSampleRoadNode> nodes = SampleRoadGrid();
    const std::vector<float> uncut = heights;
    const auto uncutGround = [&uncut](float x, float y)
    { return uncut[std::size_t(int(y * 0.1f + 0.5f) * kSize + int(x * 0.1f + 0.5f))]; };
    constexpr float kFlat = 15.0f, kBank = 0.6f, kReach = 60.0f, kBelow = 0.5f;
    for (const SSampleRoadNode& a : nodes)
    {
        for (const std::int32_t id : a.links)
        {
            const SSampleRoadNode& b = nodes[std::size_t(id - nodes.front().id)];
            const float za = uncutGround(a.x, a.y), zb = uncutGround(b.x, b.y);
            const float dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
            const int x0 = int((std::min(a.x, b.x) - kReach) * 0.1f),
                      x1 = int((std::max(a.x, b.x) + kReach) * 0.1f) + 1;
            const int y0 = int((std::min(a.y, b.y) - kReach) * 0.1f),
                      y1 = int((std::max(a.y, b.y) + kReach) * 0.1f) + 1;
            for (int j = std::max(0, y0); j <= std::min(kSize - 1, y1); ++j)
            {
                for (int i = std::max(0, x0); i <= std::min(kSize - 1, x1); ++i)
                {
                    const float px = float(i) * 10.0f, py = float(j) * 10.0f;
                    const float t = std::clamp(((px - a.x) * dx + (py - a.y) * dy) / length2, 0.0f, 1.0f);
                    const float ex = a.x + dx * t - px, ey = a.y + dy * t - py;
                    const float e = std::sqrt(ex * ex + ey * ey);
                    if (e > kReach) continue;
                    float& h = heights[std::size_t(j * kSize + i)];
                    h = std::min(h, za + (zb - za) * t - kBelow + std::max(0.0f, e - kFlat) * kBank);
                }
            }
        }
    }
}
} // namespace

std::vector<SSampleRoadNode> SampleRoadGrid()
{
    std::vector<SSampleRoadNode> nodes;
    for (int y = 0; y < 3; ++y)
    {
        for (int x = 0; x < 4; ++x)
        {
            SSampleRoadNode node{
                1100.0f + 200.0f * float(x), 1100.0f + 200.0f * float(y), 101 + y * 4 + x, {}};
            if (x < 3) node.links.push_back(node.id + 1);
            if (y < 2) node.links.push_back(node.id + 4);
            if (x == 1 && y == 1) node.links.push_back(node.id + 5);
            nodes.push_back(node);
        }
    }
    return nodes;
}

SMapSource MakeSampleLocation()
{
    SMapSource source;
    source.width = source.height = kSize;
    source.name = u"sample";
    source.horizonModel = "MOD_HORIZON";
    source.heights.assign(std::size_t(kSize * kSize), 40.0f);
    AddNoise(source.heights, 64, 120.0f, kSeed);
    AddNoise(source.heights, 16, 25.0f, kSeed + 1);

    // A bowl carved into the hills, filled up to two units under its rim.
    const float lakeX = 170.0f, lakeY = 90.0f, lakeRadius = 28.0f;
    float rim = 1e30f;
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            const float d = std::hypot(float(x) - lakeX, float(y) - lakeY) / lakeRadius;
            float& h = source.heights[std::size_t(y * kSize + x)];
            if (d < 1.0f) h -= 60.0f * (1.0f - d * d);
            if (d >= 1.0f && d < 1.05f) rim = std::min(rim, h);
        }
    }
    const float level = rim - 2.0f;
    CutRoads(source.heights);
    source.water.push_back(MakeWaterRecord(0x3060A0, level, "TEX_WATER_WAVES", "TEX_WATER_WAVES2"));

    // The land types: shore round the lake, sand along the roads and on the
    // squares before the hall and the depot, rock where the ground is steep
    // (a little noise in the limit, so that the edge is not a contour
    // line), grass on the rest.
    const std::vector<SSampleRoadNode> roads = SampleRoadGrid();
    const auto nearRoad = [&roads](float px, float py)
    {
        for (const SSampleRoadNode& a : roads)
            for (const std::int32_t id : a.links)
            {
                const SSampleRoadNode& b = roads[std::size_t(id - roads.front().id)];
                const float dx = b.x - a.x, dy = b.y - a.y;
                const float t = std::clamp(((px - a.x) * dx + (py - a.y) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
                if (std::hypot(a.x + dx * t - px, a.y + dy * t - py) < 12.0f) return true;
            }
        return false;
    };
    const float squares[2][2] = {{1130.0f, 1390.0f}, {1730.0f, 1390.0f}};
    std::vector<float> rough(source.heights.size(), 0.0f);
    AddNoise(rough, 16, 0.3f, kSeed + 2);
    source.landTypes.resize(source.heights.size());
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            const auto h = [&](int i, int j) {
                return source
                    .heights[std::size_t(std::clamp(j, 0, kSize - 1) * kSize + std::clamp(i, 0, kSize - 1))];
            };
            const float slope = std::hypot(h(x + 1, y) - h(x - 1, y), h(x, y + 1) - h(x, y - 1)) / 20.0f;
            const float shore = std::hypot(float(x) - lakeX, float(y) - lakeY) / lakeRadius;
            const float px = float(x) * 10.0f, py = float(y) * 10.0f;
            bool square = false;
            for (const auto& s : squares)
                square = square || (std::fabs(px - s[0]) < 45.0f && std::fabs(py - s[1]) < 40.0f);
            const std::size_t at = std::size_t(y * kSize + x);
            source.landTypes[at] = shore < 1.1f            ? kSampleLandShore
                                   : square || nearRoad(px, py) ? kSampleLandSand
                                   : slope > 0.45f + rough[at] ? kSampleLandRock
                                                               : kSampleLandGrass;
        }
    }

    // Cells with a vertex under the water level carry the water record;
    // only the lake's vertices are wet (a hollow of the hills that lies in
    // a lake's cell stays dry).
    const int cells = ((kSize - 2) >> 6) + 1;
    source.cellWater.assign(std::size_t(cells * cells), kNoWater);
    source.wetVertices.assign(source.heights.size(), 0);
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            if (source.heights[std::size_t(y * kSize + x)] >= level) continue;
            const float d = std::hypot(float(x) - lakeX, float(y) - lakeY);
            if (d > lakeRadius) continue;
            source.wetVertices[std::size_t(y * kSize + x)] = 1;
            for (int cy = std::max(0, (y - 1) / 64); cy <= std::min(cells - 1, y / 64); ++cy)
                for (int cx = std::max(0, (x - 1) / 64); cx <= std::min(cells - 1, x / 64); ++cx)
                    source.cellWater[std::size_t(cy * cells + cx)] = 0;
        }
    }

    SEnvSectionHeader header{};
    std::snprintf(header.horizonModel, sizeof(header.horizonModel), "MOD_HORIZON");
    header.upperLimit = 900.0f;
    header.deathHeight = -200.0f;
    source.environment = BuildEnvironmentSection(
        header, {
                    MakeRecord("day", false, 0xFF80B0E0, 0xFFB0C8E0, 0xFFFFF0D0, 0xFF505860, 0),
                    MakeRecord("night", true, 0xFF101830, 0xFF202838, 0xFF000000, 0xFF181C28, 0),
                    MakeRecord("rain", false, 0xFF707880, 0xFF808890, 0xFF909090, 0xFF505050, 1),
                });
    return source;
}

bool WriteSampleLocation(const std::string& root)
{
    const std::string path = root + "\\" + kSampleLocationMap;
    if (!WriteMapFile(path.c_str(), MakeSampleLocation()))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

SMapSource MakeTiledSampleLocation()
{
    SMapSource large = MakeSampleLocation();
    constexpr int side = 4097;
    std::vector<float> heights(std::size_t(side) * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            heights[std::size_t(y) * side + x] = large.heights[std::size_t((y % 64) * 257 + x % 64)];
    large.width = large.height = side;
    large.heights = std::move(heights);
    large.landTypes.clear();
    large.cellWater.assign(64 * 64, kNoWater);
    large.shareOneBlock = true;
    return large;
}
