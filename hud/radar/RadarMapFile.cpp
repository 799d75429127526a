#include "hud/radar/RadarMapFile.h"

#include "foundation/ErrorLog.h"
#include "platform/File.h"

#include <algorithm>
#include <cstring>
#include <limits>

CRadarMapFile* g_pRadarMapFile = nullptr;

namespace
{
// Widest map a location can have: 1024 cells of 64 grid steps.
constexpr std::int32_t kMaxRadarPixels = 65536;

std::uint32_t ReadU32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void PutU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
} // namespace

CRadarMapFile::~CRadarMapFile()
{
    Close();
}

bool CRadarMapFile::Open(const char* path)
{
    XTRACE("CRadarMapFile::Open");
    // One map at a time: entering a location gives up the last one's file.
    Close();
    // The path is kept for messages; an over-long one is cut to the field.
    const char* source = path ? path : "";
    std::strncpy(m_szPath, source, sizeof(m_szPath) - 1);
    m_szPath[sizeof(m_szPath) - 1] = '\0';
    if (!GetPakFileSystem().OpenStream(source, m_Stream)) return false;

    std::uint8_t header[kRadarHeaderBytes];
    if (!m_Stream.Read(header, sizeof(header)))
    {
        g_ErrorLog.LogError("Radar map %s: the header is cut short", m_szPath);
        Close();
        return false;
    }
    const std::uint32_t offset = ReadU32(header);
    const std::uint32_t width = ReadU32(header + 8);
    const std::uint32_t height = ReadU32(header + 12);
    if (width == 0 || height == 0 || width > std::uint32_t(kMaxRadarPixels) ||
        height > std::uint32_t(kMaxRadarPixels))
    {
        g_ErrorLog.LogError("Radar map %s: size %u x %u is out of range", m_szPath, width, height);
        Close();
        return false;
    }
    const std::int32_t columns = std::int32_t((width + 63) / 64);
    const std::int32_t rows = std::int32_t((height + 63) / 64);
    // Every tile must be reachable by a 32-bit seek from the start.
    const std::uint64_t end = std::uint64_t(offset) + std::uint64_t(columns) * std::uint64_t(rows) * kRadarTileBytes;
    if (offset < kRadarHeaderBytes || end > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
    {
        g_ErrorLog.LogError("Radar map %s: data offset %u with %d x %d tiles lies outside the file's reach",
                            m_szPath, offset, columns, rows);
        Close();
        return false;
    }
    m_nDataOffset = offset;
    m_nWidth = std::int32_t(width);
    m_nHeight = std::int32_t(height);
    m_nColumns = columns;
    m_nRows = rows;
    return true;
}

int CRadarMapFile::ReadTile(std::uint8_t* buffer, int column, int row)
{
    if (!IsOpen() || column < 0 || row < 0 || column >= m_nColumns || row >= m_nRows)
    {
        std::memset(buffer, 0, kRadarTileBytes);
        return 0;
    }
    const std::int64_t position = std::int64_t(m_nDataOffset) +
                                  (std::int64_t(m_nColumns) * row + column) * std::int64_t(kRadarTileBytes);
    m_Stream.Seek(std::int32_t(position), SEEK_SET);
    if (!m_Stream.Read(buffer, kRadarTileBytes))
    {
        g_ErrorLog.LogError("Radar map %s: tile (%d, %d) is cut short", m_szPath, column, row);
        std::memset(buffer, 0, kRadarTileBytes);
        return 0;
    }
    return 1;
}

void CRadarMapFile::Close()
{
    m_Stream.Close();
}

std::string RadarMapPathOf(const std::string& mapPath)
{
    std::string path = mapPath;
    if (!path.empty()) path.back() = 'm';
    return path;
}

std::vector<std::uint8_t> BuildRadarMapFile(int width, int height, const std::vector<std::uint32_t>& argb)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int columns = (width + 63) / 64;
    const int rows = (height + 63) / 64;
    std::vector<std::uint8_t> file(kRadarHeaderBytes + std::size_t(columns) * rows * kRadarTileBytes, 0);
    PutU32(file.data(), kRadarHeaderBytes);
    PutU32(file.data() + 8, std::uint32_t(width));
    PutU32(file.data() + 12, std::uint32_t(height));
    const auto pixel = [&](int x, int y) -> std::uint32_t
    {
        const std::size_t i = std::size_t(y) * std::size_t(width) + std::size_t(x);
        return x < width && y < height && i < argb.size() ? argb[i] : 0u;
    };
    for (int row = 0; row < rows; ++row)
    {
        for (int column = 0; column < columns; ++column)
        {
            std::uint8_t* tile =
                file.data() + kRadarHeaderBytes + (std::size_t(columns) * row + column) * kRadarTileBytes;
            for (int by = 0; by < 16; ++by)
            {
                for (int bx = 0; bx < 16; ++bx)
                {
                    std::uint32_t sum[4] = {};
                    for (int y = 0; y < 4; ++y)
                        for (int x = 0; x < 4; ++x)
                        {
                            const std::uint32_t c = pixel(column * 64 + bx * 4 + x, row * 64 + by * 4 + y);
                            for (int k = 0; k < 4; ++k) sum[k] += (c >> (8 * k)) & 0xFF;
                        }
                    const std::uint32_t b = sum[0] / 16, g = sum[1] / 16, r = sum[2] / 16, a = sum[3] / 16;
                    std::uint8_t* block = tile + (by * 16 + bx) * 16;
                    // Explicit alpha: 4 bits for each of the 16 pixels.
                    std::memset(block, int((a >> 4) * 0x11), 8);
                    const std::uint16_t c565 = std::uint16_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
                    // Both end colours the mean, every index 0.
                    block[8] = block[10] = std::uint8_t(c565);
                    block[9] = block[11] = std::uint8_t(c565 >> 8);
                }
            }
        }
    }
    return file;
}

bool WriteRadarMapFile(const char* path, int width, int height, const std::vector<std::uint32_t>& argb)
{
    const std::vector<std::uint8_t> bytes = BuildRadarMapFile(width, height, argb);
    std::FILE* file = plat::FOpen(path, "wb");
    if (!file) return false;
    const bool ok = std::fwrite(bytes.data(), bytes.size(), 1, file) == 1;
    return std::fclose(file) == 0 && ok;
}
