#include "location/Map.h"

#include "foundation/ErrorLog.h"
#include "foundation/PakFileSystem.h"
#include "graphics/ModelManager.h"
#include "graphics/TextureManager.h"
#include "location/Environment.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

void Map::Fail(const char* format, ...) const
{
    char text[400];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    char message[700];
    std::snprintf(message, sizeof(message), "Map file '%s': %s", m_szMapPath, text);
    throw CMapError(message);
}

namespace
{
std::int32_t FindTexture(const char* field, std::size_t size)
{
    char name[128];
    const std::size_t n = std::min(size, sizeof(name) - 1);
    std::memcpy(name, field, n);
    name[n] = 0;
    return g_pTextureManager ? g_pTextureManager->FindName(name) : -1;
}
} // namespace

void Map::Load()
{
    XTRACE("Map::Load");
    CPakFileSystem& files = GetPakFileSystem();
    const std::uint64_t length = files.GetLength();
    std::uint64_t position = 0;
    auto read = [&](void* buffer, std::uint64_t size, const char* record)
    {
        if (position + size > length)
            Fail("%s: needs bytes %llu..%llu, the file has %llu", record, (unsigned long long)position,
                 (unsigned long long)(position + size), (unsigned long long)length);
        if (files.ReadBytes(buffer, std::uint32_t(size)) != size) Fail("%s: read cut short", record);
        position += size;
    };

    // 1-2. Header, grid size and name.
    SMapHeader header;
    read(&header, sizeof(header), "header");
    header.horizonModel[sizeof(header.horizonModel) - 1] = 0;
    if (g_pModelManager)
    {
        const std::int32_t horizon = g_pModelManager->FindName(header.horizonModel);
        if (horizon != -1) g_Environment.m_iHorizonModel = horizon;
    }
    if (header.width < 2 || header.height < 2)
        Fail("header: grid of %d x %d vertices (at least 2 x 2)", header.width, header.height);
    const int cellsX = ((header.width - 2) >> 6) + 1;
    const int cellsY = ((header.height - 2) >> 6) + 1;
    if (cellsX > kCellGridSize || cellsY > kCellGridSize)
        Fail("header: grid of %d x %d vertices gives %d x %d cells, at most %d x %d", header.width,
             header.height, cellsX, cellsY, kCellGridSize, kCellGridSize);
    if (header.sectionCount < 0) Fail("header: section count %d", header.sectionCount);

    // 3. Sections.
    std::vector<SWaterEntry> water;
    bool haveWater = false;
    for (int i = 0; i < header.sectionCount; ++i)
    {
        char record[64];
        std::snprintf(record, sizeof(record), "section %d", i);
        SMapSectionHeader section;
        read(&section, sizeof(section), record);
        if (position + section.size > length)
            Fail("section %d (type %u): body of %u bytes at %llu runs past the end of the file (%llu bytes)",
                 i, section.type, section.size, (unsigned long long)position, (unsigned long long)length);
        const std::uint64_t end = position + section.size;
        if (section.type == kMapSectionWater)
        {
            if (section.size % sizeof(SWaterRecord) != 0)
                Fail("section %d (water): size %u is not a multiple of %zu", i, section.size,
                     sizeof(SWaterRecord));
            water.assign(section.size / sizeof(SWaterRecord), SWaterEntry{});
            for (std::size_t k = 0; k < water.size(); ++k)
            {
                std::snprintf(record, sizeof(record), "water record %zu", k);
                read(&water[k].record, sizeof(SWaterRecord), record);
            }
            for (SWaterEntry& entry : water)
            {
                const std::int32_t id1 = FindTexture(entry.record.texture, sizeof(entry.record.texture));
                const std::int32_t id2 = FindTexture(entry.record.texture2, sizeof(entry.record.texture2));
                std::memcpy(entry.record.texture, &id1, 4);
                std::memcpy(entry.record.texture2, &id2, 4);
            }
            haveWater = true;
        }
        else if (section.type == kMapSectionEnvironment)
        {
            try
            {
                g_Environment.Load(section.size);
            }
            catch (const std::runtime_error& error)
            {
                Fail("section %d (environment): %s", i, error.what());
            }
            // The environment reader consumed its body; the stream goes on
            // from the section's end whatever it read.
            files.Seek(std::int32_t(end), 0);
        }
        else
            files.Seek(std::int32_t(section.size), 1);
        position = end;
    }

    // 4. The per-cell table.
    const std::size_t cellCount = std::size_t(cellsX) * std::size_t(cellsY);
    std::vector<SCellTableEntry> table(cellCount);
    read(table.data(), cellCount * sizeof(SCellTableEntry), "cell table");

    // Every block must lie inside the file and name an existing water
    // record before the location is entered; LoadCell then reads blocks
    // that are known to be whole.
    const std::vector<SWaterEntry>& records = haveWater ? water : m_Water;
    for (int y = 0; y < cellsY; ++y)
    {
        for (int x = 0; x < cellsX; ++x)
        {
            const SCellTableEntry& entry = table[std::size_t(y) * cellsX + x];
            const std::uint64_t size =
                CellBlockSize(CellVertexCount(header.width, x), CellVertexCount(header.height, y));
            if (entry.offset + size > length)
                Fail("cell (%d, %d): data block of %llu bytes at %u runs past the end of the file (%llu "
                     "bytes)",
                     x, y, (unsigned long long)size, entry.offset, (unsigned long long)length);
            std::uint32_t waterIndex = 0;
            files.Seek(std::int32_t(entry.offset), 0);
            if (files.ReadBytes(&waterIndex, 4) != 4) Fail("cell (%d, %d): water index cut short", x, y);
            if (waterIndex != kNoWater && waterIndex >= records.size())
                Fail("cell (%d, %d): water record %u, the map has %zu", x, y, waterIndex, records.size());
        }
    }

    // Commit.
    m_nWidth = header.width;
    m_nHeight = header.height;
    m_nCellsX = cellsX;
    m_nCellsY = cellsY;
    std::memcpy(m_szName, header.name, sizeof(m_szName));
    m_szName[63] = 0;
    if (haveWater) m_Water = std::move(water);

    // 5. Cell records.
    for (int y = 0; y < cellsY; ++y)
    {
        for (int x = 0; x < cellsX; ++x)
        {
            const SCellTableEntry& entry = table[std::size_t(y) * cellsX + x];
            MapCell& cell = GetCell(x, y);
            cell.m_nOffset = entry.offset;
            cell.m_vMin = CVector{entry.min[0], entry.min[1], entry.min[2]};
            cell.m_vMax = CVector{entry.max[0], entry.max[1], entry.max[2]};
            cell.m_vCenter = (cell.m_vMin + cell.m_vMax) * 0.5f;
            cell.m_fRadius = (cell.m_vCenter - cell.m_vMin).Length();
            for (float& factor : cell.m_fFactors)
                factor = 1.0f;
            cell.m_pNear = nullptr;
            cell.m_pFar = nullptr;
            cell.m_pWater = nullptr;
            cell.m_bFlag = 0;
            cell.m_uWord = 0;
        }
    }
}
