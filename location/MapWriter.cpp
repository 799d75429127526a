#include "location/MapWriter.h"

#include "platform/File.h"
#include "world/ObjectScene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
void AppendBytes(std::vector<std::uint8_t>& out, const void* bytes, std::size_t size)
{
    const std::size_t at = out.size();
    out.resize(at + size);
    if (size) std::memcpy(out.data() + at, bytes, size);
}

template <typename T> void Append(std::vector<std::uint8_t>& out, const T& value)
{
    AppendBytes(out, &value, sizeof(T));
}

void AppendSection(std::vector<std::uint8_t>& out, std::uint32_t type, const void* body, std::size_t size,
                   SMapLayout* layout)
{
    if (layout) layout->sectionOffsets.push_back(std::uint32_t(out.size()));
    Append(out, SMapSectionHeader{type, 0, std::uint32_t(size)});
    AppendBytes(out, body, size);
}

struct SGrid
{
    const SMapSource& source;

    int Clamp(int v, int n) const { return std::clamp(v, 0, n - 1); }
    std::size_t Index(int gx, int gy) const
    {
        return std::size_t(Clamp(gy, source.height)) * std::size_t(source.width) +
               std::size_t(Clamp(gx, source.width));
    }
    float Height(int gx, int gy) const
    {
        return source.heights.empty() ? 0.0f : source.heights[Index(gx, gy)];
    }
    void Normal(int gx, int gy, float& nx, float& ny, float& nz) const
    {
        const float dx = (Height(gx + 1, gy) - Height(gx - 1, gy)) / (2.0f * kQuadSize);
        const float dy = (Height(gx, gy + 1) - Height(gx, gy - 1)) / (2.0f * kQuadSize);
        const float length = std::sqrt(dx * dx + dy * dy + 1.0f);
        nx = -dx / length;
        ny = -dy / length;
        nz = 1.0f / length;
    }
    std::uint32_t Light(float nz) const
    {
        const std::uint32_t v = std::uint32_t(std::lround(96.0f + 159.0f * std::clamp(nz, 0.0f, 1.0f)));
        return v << 16 | v << 8 | v;
    }
};

bool MayBeWet(const SMapSource& source, std::size_t at)
{
    return source.wetVertices.empty() || source.wetVertices[at] != 0;
}

// The data block of cell (x, y).
void AppendBlock(std::vector<std::uint8_t>& out, const SMapSource& source, int x, int y, int cellsX)
{
    const SGrid grid{source};
    const int cw = CellVertexCount(source.width, x), ch = CellVertexCount(source.height, y);
    const int hw = FarVertexCount(cw), hh = FarVertexCount(ch);
    const std::uint32_t waterIndex =
        source.cellWater.empty() ? kNoWater
                                 : source.cellWater[std::size_t(y) * std::size_t(cellsX) + std::size_t(x)];
    const bool hasWater = waterIndex != kNoWater && waterIndex < source.water.size();
    const float level = hasWater ? source.water[waterIndex].level : 0.0f;
    Append(out, waterIndex);

    std::vector<SFarVertex> far(std::size_t(hw * hh));
    for (int r = 0; r < hh; ++r)
    {
        for (int c = 0; c < hw; ++c)
        {
            const int gx = x * kCellQuads + 2 * c, gy = y * kCellQuads + 2 * r;
            const float h = grid.Height(gx, gy);
            float nx, ny, nz;
            grid.Normal(gx, gy, nx, ny, nz);
            SFarVertex& v = far[std::size_t(r * hw + c)];
            v.height = std::int16_t(std::clamp(std::lround(h), -32768L, 32767L));
            v.flags = 0;
            v.water = hasWater && h < level && MayBeWet(source, grid.Index(gx, gy)) ? 1 : 0;
            v.light = grid.Light(nz);
            v.normal = PackNormal(nx, ny);
            v.shadow = 0;
        }
    }
    for (int k = 0; k < 4; ++k)
    {
        for (const SFarVertex& v : far)
        {
            std::uint32_t word;
            std::memcpy(&word, reinterpret_cast<const std::uint8_t*>(&v) + 4 * k, 4);
            Append(out, word);
        }
    }

    std::vector<SNearVertex> near(std::size_t(cw * ch));
    for (int r = 0; r < ch; ++r)
    {
        for (int c = 0; c < cw; ++c)
        {
            const int gx = x * kCellQuads + c, gy = y * kCellQuads + r;
            const float h = grid.Height(gx, gy);
            float nx, ny, nz;
            grid.Normal(gx, gy, nx, ny, nz);
            const std::size_t at = grid.Index(gx, gy);
            SNearVertex& v = near[std::size_t(r * cw + c)];
            v.height = h;
            v.dropMask = source.dropMasks.empty() ? 0 : source.dropMasks[at];
            v.water = hasWater && h < level && MayBeWet(source, at) ? 1 : 0;
            v.landType = source.landTypes.empty() ? 0 : source.landTypes[at];
            v.light = grid.Light(nz);
            v.shadow = 0;
            v.normal = PackNormal(nx, ny);
        }
    }
    for (int k = 0; k < 5; ++k)
    {
        for (const SNearVertex& v : near)
        {
            std::uint32_t word;
            std::memcpy(&word, reinterpret_cast<const std::uint8_t*>(&v) + 4 * k, 4);
            Append(out, word);
        }
    }
}
} // namespace

std::uint32_t PackNormal(float x, float y)
{
    const auto pack = [](float v)
    { return std::uint16_t(std::int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32766.0f))); };
    return std::uint32_t(pack(x)) | std::uint32_t(pack(y)) << 16;
}

std::vector<std::uint8_t> BuildEnvironmentSection(const SEnvSectionHeader& header,
                                                  const std::vector<SEnvRecord>& records)
{
    std::vector<std::uint8_t> out;
    SEnvSectionHeader h = header;
    h.count = std::int32_t(records.size());
    Append(out, h);
    for (const SEnvRecord& record : records)
        Append(out, record);
    return out;
}

SWaterRecord MakeWaterRecord(std::uint32_t color, float level, const char* texture, const char* texture2)
{
    SWaterRecord record{};
    record.color = color;
    record.waveLength = 8.0f;
    record.waveFrequency = 1.5f;
    record.waveAmplitude = 0.5f;
    record.fadeFactor = 0.05f;
    record.level = level;
    std::snprintf(record.texture, sizeof(record.texture), "%s", texture ? texture : "");
    record.framePeriod = 1.0f;
    record.materialPower = 20.0f;
    std::snprintf(record.texture2, sizeof(record.texture2), "%s", texture2 ? texture2 : "");
    return record;
}

std::vector<std::uint8_t> BuildMap(const SMapSource& source, SMapLayout* layout)
{
    const int cellsX = ((source.width - 2) >> 6) + 1;
    const int cellsY = ((source.height - 2) >> 6) + 1;
    std::vector<std::uint8_t> out;

    SMapHeader header{};
    for (std::size_t i = 0; i < source.name.size() && i < 63; ++i)
        header.name[i] = source.name[i];
    header.width = source.width;
    header.height = source.height;
    header.sectionCount = std::int32_t(source.extraSections.size()) + (source.water.empty() ? 0 : 1) +
                          (source.environment.empty() ? 0 : 1);
    std::snprintf(header.horizonModel, sizeof(header.horizonModel), "%s", source.horizonModel.c_str());
    Append(out, header);

    if (!source.water.empty())
        AppendSection(out, kMapSectionWater, source.water.data(), source.water.size() * sizeof(SWaterRecord),
                      layout);
    for (const auto& [type, body] : source.extraSections)
        AppendSection(out, type, body.data(), body.size(), layout);
    if (!source.environment.empty())
        AppendSection(out, kMapSectionEnvironment, source.environment.data(), source.environment.size(),
                      layout);

    // The table is written with placeholder offsets, filled in once the
    // blocks are placed after it.
    const std::size_t tableOffset = out.size();
    if (layout) layout->tableOffset = std::uint32_t(tableOffset);
    out.resize(out.size() + std::size_t(cellsX * cellsY) * sizeof(SCellTableEntry));
    const SGrid grid{source};
    for (int y = 0; y < cellsY; ++y)
    {
        for (int x = 0; x < cellsX; ++x)
        {
            const int cw = CellVertexCount(source.width, x), ch = CellVertexCount(source.height, y);
            SCellTableEntry entry{};
            const bool shared = source.shareOneBlock && (x || y);
            entry.offset = shared ? reinterpret_cast<const SCellTableEntry*>(out.data() + tableOffset)->offset
                                  : std::uint32_t(out.size());
            float low = 1e30f, high = -1e30f;
            for (int r = 0; r < ch; ++r)
            {
                for (int c = 0; c < cw; ++c)
                {
                    const float h = grid.Height(x * kCellQuads + c, y * kCellQuads + r);
                    low = std::min(low, h);
                    high = std::max(high, h);
                }
            }
            entry.min[0] = 640.0f * float(x);
            entry.min[1] = 640.0f * float(y);
            entry.min[2] = low;
            entry.max[0] = 640.0f * float(x) + kQuadSize * float(cw - 1);
            entry.max[1] = 640.0f * float(y) + kQuadSize * float(ch - 1);
            entry.max[2] = high;
            if (!shared) AppendBlock(out, source, x, y, cellsX);
            std::memcpy(out.data() + tableOffset + std::size_t(y * cellsX + x) * sizeof(SCellTableEntry),
                        &entry, sizeof(entry));
            if (layout) layout->blockOffsets.push_back(entry.offset);
        }
    }
    return out;
}

bool WriteMapFile(const char* path, const SMapSource& source)
{
    const std::vector<std::uint8_t> bytes = BuildMap(source);
    std::FILE* file = plat::FOpen(path, "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), bytes.size(), 1, file) == 1;
    return std::fclose(file) == 0 && ok;
}
