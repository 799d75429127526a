// Fuzz target of the world's saved-game reader: any bytes as the saved game
// "Fuzz.sav", read back into a fresh world through LoadWorldFile (the
// archive, then the world's records: mechs, organisation records,
// buildings, organisations, trade, the object list's stream with its
// object bodies and sensors, game state, configuration, clock). Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_worldsave_seeds DIR writes saved games made by the world's own
// writers (SaveWorldFile), plus damaged variants of each.
#include "foundation/FileManager.h"
#include "foundation/MemStream.h"
#include "world/KindManagers.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/StoneObject.h"
#include "world/TheThing.h"
#include "world/World.h"
#include "world/WorldSave.h"
#include "tests/fuzz/FuzzCommon.h"
#include "tests/world/WorldTestScene.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static worldtest::CScene* scene = []
    {
        fuzz::SetUp("worldsave");
        SetFileManager(new StdFileManager());
        return new worldtest::CScene;
    }();
    (void)scene;
    if (!fuzz::WriteFile("Fuzz.sav", data, size)) return 0;
    static CPlayerMech player;
    {
        CWorld world;
        world.SetPlayerMech(&player);
        SOrgData org{};
        std::strcpy(org.name, "ORG_A");
        world.m_OrgData.push_back(org);
        LoadWorldFile(world, "Fuzz.sav");
        world.SetPlayerMech(nullptr);
    }
    g_ObjectList.Clear();
    return 0;
}

#else

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The seed, cut short at a few places and with a few bytes changed.
void WriteSeed(const fs::path& dir, const std::string& name, const Bytes& seed)
{
    WriteAll(dir / (name + ".seed"), seed);
    std::mt19937 random(static_cast<unsigned>(seed.size()) * 2654435761u);
    for (std::size_t cut : {std::size_t{5}, std::size_t{60}, seed.size() / 2, seed.size() - 1})
        if (cut < seed.size())
            WriteAll(dir / (name + ".cut" + std::to_string(cut)),
                     Bytes(seed.begin(), seed.begin() + long(cut)));
    for (int variant = 0; variant < 8; ++variant)
    {
        Bytes damaged = seed;
        for (int k = 0; k <= variant % 3; ++k)
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        WriteAll(dir / (name + ".flip" + std::to_string(variant)), damaged);
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_worldsave_seeds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    SetFileManager(new StdFileManager());
    worldtest::CScene scene;

    // A world with every record filled: mechs (the player's first), an
    // organisation record, buildings, a thing and a stone to save, a sensor.
    {
        CPlayerMech player;
        std::strcpy(player.m_szId, "PLAYER");
        CWorld world;
        world.SetPlayerMech(&player);
        world.AddMech("MECH_1");
        world.m_fTime = 1234.5f;
        SOrgData org{};
        std::strcpy(org.name, "ORG_A");
        org.tradeCount = 1;
        std::strcpy(org.trade[0], "CFG_TRADE");
        world.m_OrgData.push_back(org);
        SBuildingRecord& b = world.m_Buildings[world.m_nBuildings++];
        b = SBuildingRecord{};
        std::strcpy(b.name, "HALL");
        CMatrix at(1.0f);
        at.SetTranslation(CVector{100.0f, 200.0f, 5.0f});
        auto* thing = static_cast<CTheThing*>(g_ThingManager.CreateObject("", &at, "THING_1"));
        thing->AddContent(0, "TOV_ORE", 3);
        thing->AddContent(3, "MONEY", 50);
        auto* stone = new CStoneObject;
        stone->Init(at, "STONE_A");
        stone->m_bSave = 1;
        g_ObjectList.AddObject(stone);
        g_ObjectList.AddSysObjectSensor("THING_1", "MECH_1", true);
        if (!SaveWorldFile(world, "full.sav")) return 1;
        world.SetPlayerMech(nullptr);
        g_ObjectList.Clear();
    }
    WriteSeed(dir, "full", ReadAll(dir / "full.sav"));
    fs::remove(dir / "full.sav");

    // An empty world.
    {
        CWorld world;
        if (!SaveWorldFile(world, "empty.sav")) return 1;
    }
    WriteSeed(dir, "empty", ReadAll(dir / "empty.sav"));
    fs::remove(dir / "empty.sav");
    SetFileManager(nullptr);
    return 0;
}

#endif
