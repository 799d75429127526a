// Fuzz target of the location objects file: any bytes as the objects file
// "Fuzz.loo" below "Data\Locs", entered through the world engine's
// LoadWorld (the typed object sections, then the five blocks: group
// descriptions, trade, music, world data, equipment trade). Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_objects_seeds DIR writes objects files made with the engine's
// writers, plus damaged variants of each.
#include "foundation/MemStream.h"
#include "world/LocObjectRecord.h"
#include "world/MechGroupList.h"
#include "world/ObjectList.h"
#include "world/ObjectManager.h"
#include "world/ObjectTypes.h"
#include "world/RoadManager.h"
#include "world/World.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#ifndef TVX_FUZZ_WRITE_SEEDS

#include "tests/world/WorldTestScene.h"
#include "world/MMEngine.h"
#include "world/WorldTerrain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The location's part of entering is not the objects file's: a location
    // that does nothing, cells that list the objects.
    static IWorldLocation location;
    static worldtest::CScene* scene = []
    {
        fuzz::SetUp("objects");
        std::filesystem::create_directories(fuzz::Directory() / "Data" / "Locs");
        g_pWorldLocation = &location;
        g_LightManager.Init(nullptr);
        return new worldtest::CScene;
    }();
    (void)scene;
    if (!fuzz::WriteFile((fuzz::Directory() / "Data" / "Locs" / "Fuzz.loo").string(), data, size)) return 0;
    CMMEngine engine;
    engine.m_sRoot = fuzz::Directory().string() + "/";
    engine.m_pfnMessageBox = [](const char*) {};
    engine.LoadWorld("Fuzz.loc");
    g_ObjectList.Clear();
    engine.Done();
    return 0;
}

#else

namespace
{
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Put32(CMemStream& s, std::uint32_t v)
{
    s.Write(&v, 4);
}

void PutBlock(CMemStream& s, const CMemStream& block)
{
    Put32(s, block.m_nPosition);
    s.Write(block.m_pData, block.m_nPosition);
}

Bytes Take(const CMemStream& s)
{
    return Bytes(s.m_pData, s.m_pData + s.m_nPosition);
}

CMatrix At(float x, float y)
{
    CMatrix m(1.0f);
    m.SetTranslation(CVector{x, y, 10.0f});
    return m;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_objects_seeds DIR\n");
        return 2;
    }
    const fs::path dir = argv[1];
    fs::remove_all(dir);
    fs::create_directories(dir);

    // Every kind of section the loaders know, an unknown one, and all five
    // blocks.
    CMemStream full;
    Put32(full, 5);
    WriteObjectSection(full, OBJ_LIGHT, {MakeLocObjectRecord(At(100, 100), "L", "lamp_a")});
    WriteObjectSection(full, OBJ_STONE, {MakeLocObjectRecord(At(200, 100), "S", "stone_a")});
    WriteObjectSection(full, 99, {MakeLocObjectRecord(At(300, 100), "X", "odd")});
    WriteBoundarySection(full, {{MakeLocObjectRecord(At(100, 300), "P", ""), 1, {2}},
                                {MakeLocObjectRecord(At(100, 500), "P", ""), 2, {1}}});
    WriteRoadSection(full, {{MakeLocObjectRecord(At(400, 400), "MAIN", "A"), 1, {2}},
                            {MakeLocObjectRecord(At(600, 400), "MAIN", "B"), 2, {1}}});
    CMemStream groups;
    CMechGroupDesc group;
    std::strcpy(group.m_szName, "GRP");
    WriteMechGroupBlock(groups, {group}, true);
    PutBlock(full, groups);
    Put32(full, 0); // trade
    CMemStream music;
    char names[2][32] = {"MUS_DAY", "MUS_NIGHT"};
    music.Write(names, sizeof names);
    Put32(music, 0);
    Put32(music, 0);
    PutBlock(full, music);
    CMemStream world;
    SBuildingRecord building{};
    std::strcpy(building.name, "HALL");
    CWorld::WriteLocationData(world, {}, {building});
    PutBlock(full, world);
    Put32(full, 0); // equipment trade
    fuzz::WriteSeeds(dir, "full", Take(full));

    // No sections and empty blocks.
    CMemStream empty;
    for (int i = 0; i < 6; ++i)
        Put32(empty, 0);
    fuzz::WriteSeeds(dir, "empty", Take(empty));
    return 0;
}

#endif
