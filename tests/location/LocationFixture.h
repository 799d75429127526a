// Shared set-up of the location tests: maps written by the map writer into
// the test's own directory, a location on the heap (small pools: radius
// 128), and the game clock reset.
#pragma once

#include "common/LogDirTest.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Settings.h"
#include "foundation/GameTime.h"
#include "location/Location.h"
#include "location/MapWriter.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace testutil
{

using Bytes = std::vector<std::uint8_t>;

// Heights that vary in both directions and are not linear, so that means
// along an edge differ from the odd vertices' own heights.
inline std::vector<float> WavyHeights(int width, int height)
{
    std::vector<float> heights(std::size_t(width * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            heights[std::size_t(y * width + x)] =
                float((x * 7 + y * 3) % 23) + 0.25f * float(x % 2) + float(y);
    return heights;
}

inline SMapSource MakeSource(int width, int height)
{
    SMapSource source;
    source.width = width;
    source.height = height;
    source.name = u"Test";
    source.heights = WavyHeights(width, height);
    return source;
}

class CLocationTest : public CLogDirTest
{
protected:
    void SetUp() override
    {
        CLogDirTest::SetUp();
        m_savedRadius = g_Settings.VisibleRadius;
        g_Settings.VisibleRadius = 128;
        g_GameTime = 0.0;
        m_location = std::make_unique<CLocation>();
    }
    void TearDown() override
    {
        m_location->m_CellStream.Close();
        m_location.reset();
        g_Settings.VisibleRadius = m_savedRadius;
        g_GameTime = 0.0;
        CLogDirTest::TearDown();
    }

    std::string PathOf(const char* name) const { return (m_dir / name).string(); }

    std::string WriteBytes(const char* name, const Bytes& bytes) const
    {
        const std::string path = PathOf(name);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file)
        {
            if (!bytes.empty()) std::fwrite(bytes.data(), bytes.size(), 1, file);
            std::fclose(file);
        }
        return path;
    }

    // Writes the map and opens it; Init first when cells are to be loaded.
    bool Open(const SMapSource& source, bool init = true)
    {
        if (init) m_location->Init(0, 0);
        m_location->ClearCache();
        return m_location->OpenMap(WriteBytes("test.map", BuildMap(source)).c_str());
    }

    void Load(int x, int y, int level)
    {
        m_location->GetCell(x, y).m_nLevel = level;
        m_location->LoadCell(unsigned(x), unsigned(y));
    }

    std::unique_ptr<CLocation> m_location;
    int m_savedRadius = 256;
};

} // namespace testutil
