// Fuzz target of the player progress' reader: any bytes as a "GAMEDATA"
// chunk. A chunk that loads keeps every rating level within the table, is
// changed by a few events, written again, and must read back to the same
// bytes. Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed
// writer: fuzz_gamedata_seeds DIR writes the chunk of a played career and
// of a new game with the engine's writer, the same career in the layouts
// of versions 8 and 6, and a version-5 chunk, plus damaged variants.
#include "app/GameData.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
std::vector<std::uint8_t> Saved(const CGameData& data)
{
    CMemStream stream;
    data.SaveToStream(stream);
    return {stream.m_pData, stream.m_pData + stream.m_nPosition};
}
} // namespace

#ifndef TVX_FUZZ_WRITE_SEEDS

namespace
{
bool Load(CGameData& data, const std::uint8_t* bytes, std::size_t size)
{
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size) std::memcpy(buffer, bytes, size);
    try
    {
        data.LoadFromStream(stream);
        return true;
    }
    catch (const CStreamError&)
    {
        return false;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("gamedata");
    if (!ready) std::abort();
    CGameData loaded;
    const std::vector<std::uint8_t> before = Saved(loaded);
    if (!Load(loaded, data, size))
    {
        if (Saved(loaded) != before) std::abort(); // a refused chunk changes nothing
        return 0;
    }
    for (int kind = 0; kind < 3; ++kind)
    {
        const float level = loaded.GetRatingLevel(kind);
        if (!(level >= 1.0f && level <= 11.0f)) std::abort();
    }
    loaded.OnBuyGood(10.0f, 2);
    loaded.ChangeRating2(-5.0f);
    loaded.OnShoot(1.0f, 3);
    loaded.OnDamageObject(1.0f, 3);
    loaded.GetLocInfo("FUZZ").tickets += 1;
    SGameStatistics statistics;
    loaded.GetStatistics("FUZZ", statistics, true);
    const std::vector<std::uint8_t> saved = Saved(loaded);
    CGameData again;
    if (!Load(again, saved.data(), saved.size())) std::abort(); // what it writes it must read
    if (Saved(again) != saved) std::abort();
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_gamedata_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!fuzz::SetUp("gamedata_seeds")) return 1;

    CGameData fresh;
    fresh.OnNewGame();
    fuzz::WriteSeeds(dir, "gamedata_new", Saved(fresh));

    CGameData career;
    career.OnNewGame();
    career.m_PlayerName = "Ilsa";
    career.m_ClanName = "Wolves";
    career.m_BuildingName.Set("HALL_7");
    career.OnBuyGood(120.0f, 5);
    career.OnSoldGood(300.0f, 2, true);
    career.ChangeRating0(80.0f);
    career.ChangeRating2(700.0f);
    career.ChangeRating2(-30.0f);
    career.OnShoot(40.0f, 0);
    career.OnDamageObject(25.0f, 0);
    career.OnCaptureLocation("NORTH");
    SGameStatistics statistics;
    career.GetStatistics("NORTH", statistics, true);
    career.CaptureBuilding("ORG_PLAYER", "HALL_7");
    career.m_Kills.Append(SOrgKills{"CLAN_A", 3});
    career.GetLocInfo("SOUTH").tickets = 2;
    career.GetLocInfo("EAST").subscription = 1;
    const std::vector<std::uint8_t> current = Saved(career);
    fuzz::WriteSeeds(dir, "gamedata_career", current);

    // Version 8: the counter block without counters 6 and 7.
    std::vector<std::uint8_t> v8 = current;
    v8[0] = 8;
    v8.erase(v8.begin() + 4 + 20, v8.begin() + 4 + 28);
    fuzz::WriteSeeds(dir, "gamedata_v8", v8);
    // Version 6: that block and the four statistics arrays only.
    std::size_t end = 4 + 80;
    for (std::uint32_t recordSize : {44u, 36u, 32u, 12u})
    {
        std::uint32_t count = 0;
        std::memcpy(&count, v8.data() + end, 4);
        end += 4 + std::size_t(count) * recordSize;
    }
    std::vector<std::uint8_t> v6(v8.begin(), v8.begin() + long(end));
    v6[0] = 6;
    fuzz::WriteSeeds(dir, "gamedata_v6", v6);
    fuzz::WriteSeeds(dir, "gamedata_v5", {5, 0, 0, 0});
    return 0;
}

#endif
