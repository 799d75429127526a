// mksample's world objects: the type records of the stone, helper and
// boundary kinds in the resource database, and the sample location's
// objects file "Data\Locs\sample.loo" (the objects file of the location
// file "sample.loc"), written with the engine's own objects-file writers.
//
// The objects file holds four sections (stones, helper marks, a chain of
// three linked boundary posts, a road graph of twelve nodes) and the five
// blocks after them: block 1 holds two group descriptions (a road guard and
// a group on a set of roads), block 2 the goods trade and block 5 the
// equipment stock of the sample building "SAMPLE_HALL" (the goods trade also
// of the depot "SAMPLE_DEPOT"), block 3 the music, block 4 the location
// records of the two clans (the merchants own the hall; the depot is
// nobody's).

#include "foundation/DataBase.h"
#include "foundation/MemStream.h"
#include "platform/CodePage.h"
#include "tools/mksample/SampleGarage.h"
#include "tools/mksample/SampleLocation.h"
#include "platform/File.h"
#include "world/LocMusic.h"
#include "world/LocObjectRecord.h"
#include "world/MechGroupList.h"
#include "world/ObjectFrame.h"
#include "world/ObjectTypes.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

bool WriteSampleWorld(const std::string& root);
// SampleUnits.cpp: the equipment stock of block 5.
void WriteSampleEquipmentStock(CMemStream& out);
// SampleUnits.cpp: the goods trade of block 2.
void WriteSampleGoodsTrade(CMemStream& out);

namespace
{

bool AddSceneryRecords(DataBase& db);
void WriteScenerySections(CMemStream& out);

std::string InRoot(const std::string& root, const char* path)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    return base + "\\" + path;
}

struct SKindRow
{
    const char* name;
    const char* model;
    const char* field; // one kind-specific integer field, or null
    std::int32_t value;
};

bool AddKind(DataBase& db, const char* utf8Section, const std::vector<SKindRow>& rows)
{
    const std::string section = plat::Utf8ToCp1251(utf8Section);
    bool ok = db.SelectTable(section.c_str());
    for (const SKindRow& r : rows)
    {
        ok = ok && db.Append(r.name) && db.SetField("Model", r.model) && db.SetField("ModelAlpha", "") &&
             db.SetField("SOUND", "");
        if (r.field) ok = ok && db.SetField(r.field, r.value);
        ok = ok && db.Post();
    }
    return ok;
}

bool AddKindRecords(const std::string& root)
{
    DataBase db;
    if (!db.OpenDatabase(InRoot(root, "Data\\DB.dat").c_str(), false, false)) return false;
    const bool ok =
        AddKind(db, "Камни",
                {{"STONE_BOX", "MOD_CRATE", "Fly", 0},
                 {"STONE_BIG", "MOD_BOULDER", "NOMAPCOLOR", 1},
                 {"STONE_FLY", "MOD_CRYSTAL", "Fly", 1}}) &&
        AddKind(db, "Хелперы", {{"SPAWN", "", "TYPE", 1}, {"GATE", "", "TYPE", 2}, {"START", "", "TYPE", 9}}) &&
        AddKind(db, "Boundary", {{"POST", "MOD_POST", nullptr, 0}}) &&
        AddKind(db, "Дороги", {{"MAIN", "", nullptr, 0}, {"SIDE", "", nullptr, 0}, {"BASE", "", nullptr, 0}}) &&
        AddSceneryRecords(db);
    return db.CloseDatabase() && ok;
}

CMatrix Placement(float x, float y, float z, float heading, float scale);

// GCC 12 warns in its own std::vector code that the empty field lists of
// the record tables below "may be used uninitialized" (a known false
// positive of its optimiser on nested brace-initialised vectors).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The armed posts and the anomaly of the sample location: a tower with a
// warning and a fighting laser, a ground turret with a blaster turning 60
// degrees either way, and a burning anomaly of level 1.
template <class Add>
bool AddUnitKindRecords(Add& add)
{
    return add("Tower", true,
               {{"TOWER_SAMPLE",
                 "",
                 {{"ANGLE_UP", 60.0f}, {"ANGLE_DOWN", -20.0f}},
                 {{"FLIGHT", 0}},
                 {{"HULL_MODEL", "MOD_TOWER"},
                  {"GUN_MODEL", "MOD_TOWER_GUN"},
                  {"HARMLESS_GUN", "GUN_LASER"},
                  {"FIGHTING_GUN", "GUN_LASER"},
                  {"PUNITIVE_GUN", "GUN_BLASTER"}}}}) &&
           add("TANKS", true,
               {{"TANK_SAMPLE",
                 "",
                 {{"ROTATE_ANGLE", 60.0f}, {"ANGLE_UP", 45.0f}, {"ANGLE_DOWN", -10.0f}},
                 {},
                 {{"HULL_MODEL", "MOD_TURRET"}, {"GUN_MODEL", "MOD_TURRET_GUN"}, {"FIGHTING_GUN", "GUN_BLASTER"}}}}) &&
           add("Anomal", true,
               {{"ANOMALY_SAMPLE", "MOD_CRYSTAL", {{"FORCE", 0.5f}}, {{"TYPE", 1}}, {{"SOUND", "SND_WHOOSH"}}}});
}

// The scenery kinds of the sample location: trees, a street lamp, a sound
// zone, a map cover, pick-up things and a building type (records with their
// kind's keys).
bool AddSceneryRecords(DataBase& db)
{
    struct SRow
    {
        const char* name;
        const char* model;
        std::vector<std::pair<const char*, float>> floats;
        std::vector<std::pair<const char*, std::int32_t>> ints;
        std::vector<std::pair<const char*, const char*>> texts;
    };
    auto add = [&db](const char* utf8Section, bool header, const std::vector<SRow>& rows) {
        bool ok = db.SelectTable(plat::Utf8ToCp1251(utf8Section).c_str());
        for (const SRow& r : rows)
        {
            ok = ok && db.Append(r.name) && db.SetField("Model", r.model);
            if (header) ok = ok && db.SetField("ModelAlpha", "") && db.SetField("SOUND", "");
            for (const auto& [field, value] : r.floats)
                ok = ok && db.SetField(field, value);
            for (const auto& [field, value] : r.ints)
                ok = ok && db.SetField(field, value);
            for (const auto& [field, value] : r.texts)
                ok = ok && db.SetField(field, value);
            ok = ok && db.Post();
        }
        return ok;
    };
    return add("Деревья", true,
               {{"TREE_PINE", "MOD_TREE_PINE", {{"Flexibility", 1.5f}}, {{"NOSOLID", 0}}, {}},
                {"TREE_BUSH", "MOD_TREE_BUSH", {{"Flexibility", 3.0f}}, {{"NOSOLID", 1}}, {}}}) &&
           add("Фонари", true,
               {{"LAMP_STREET",
                 "MOD_LAMP",
                 {{"LIMIT", 0.0f}, {"RADIUS", 150.0f}, {"SCALE", 1.0f}},
                 {{"COLOR", 0xFFD080}},
                 {{"FLARE", "TEX_LAMP_SPOT"}, {"GLOW", "TEX_LAMP_SPOT"}, {"SHADOW", "TEX_LAMP_SPOT"}}}}) &&
           add("SoundZone", true,
               {{"ZONE_WIND", "", {{"PERIOD", 0.0f}, {"LENGTH", 0.0f}}, {{"LOOP", 1}, {"RANDOM", 0}}, {}}}) &&
           add("Покрытие", false,
               {{"COVER_SPOT", "TEX_LAMP_SPOT", {{"PERIOD", 2.0f}}, {{"TYPE", 1}}, {}}}) &&
           add("THINGS", true,
               {{"CONT_SMALL", "MOD_CRATE", {}, {{"TYPE", 1}}, {{"FLARE", "TEX_LAMP_SPOT"}}},
                {"CONT_MONEY", "MOD_CRATE", {}, {{"TYPE", 515}}, {}},
                {"CONT_WRECK", "", {}, {{"TYPE", 769}}, {}}}) &&
           add("Здания", true,
               {{"HOUSE_SMALL", "MOD_BOX_GIVEN", {}, {{"Cluster", 1}, {"NORADIATE", 1}, {"TYPE", 0}}, {}},
                {"HALL_SAMPLE", "MOD_HALL", {}, {{"Cluster", 1}, {"TYPE", 1}}, {}},
                 {"DEPOT_SAMPLE", "MOD_DEPOT", {}, {{"Cluster", 1}, {"TYPE", 1}}, {}},
                 {"STATION", "MOD_STATION", {}, {{"TYPE", 13}, {"SUBTYPE", 2}}, {}},
                 // The in-game menu offers consoles by building type: a
                 // trading post (quest, trade, map, journal), a garage (no
                 // cluster or clan) and a tunnel building (the depot's look:
                 // a glider flies in through its door).
                 {"TRADE_POST", "MOD_HALL", {}, {{"TYPE", 5}}, {}},
                 {"GARAGE_SAMPLE", "MOD_HALL", {}, {{"TYPE", 11}}, {}},
                 {"TUNNEL_SAMPLE", "MOD_DEPOT", {}, {{"TYPE", 3}}, {}}}) &&
           AddUnitKindRecords(add);
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// The sample map's height under a point (the nearest grid vertex).
float SampleGround(const SMapSource& map, float x, float y)
{
    const int i = int(x * 0.1f + 0.5f), j = int(y * 0.1f + 0.5f);
    if (i < 0 || j < 0 || i >= map.width || j >= map.height || map.heights.empty()) return 0.0f;
    return map.heights[std::size_t(j * map.width + i)];
}

// Trees around the stones and a lamp beside them, standing on the ground.
void WriteScenerySections(CMemStream& out)
{
    const SMapSource map = MakeSampleLocation();
    auto ground = [&map](float x, float y) { return SampleGround(map, x, y); };
    WriteObjectSection(out, OBJ_TREE,
                       {MakeLocObjectRecord(Placement(1180, 1360, ground(1180, 1360), 0.0f, 12.0f), "TREE_PINE", ""),
                        MakeLocObjectRecord(Placement(1230, 1400, ground(1230, 1400), 1.0f, 16.0f), "TREE_PINE", "big_pine"),
                        MakeLocObjectRecord(Placement(1350, 1330, ground(1350, 1330), 2.0f, 8.0f), "TREE_BUSH", "")});
    WriteObjectSection(out, OBJ_LAMP, {MakeLocObjectRecord(Placement(1290, 1340, ground(1290, 1340), 0.0f, 4.0f), "LAMP_STREET",
                                                           "square_lamp")});
    // A glowing spot on the ground beside the lamp.
    WriteObjectSection(out, OBJ_MAPCOVER,
                       {MakeLocObjectRecord(Placement(1310, 1300, ground(1310, 1300), 0.5f, 2.0f), "COVER_SPOT", "")});
    // A crate to pick up on the square.
    WriteObjectSection(out, OBJ_THING,
                       {MakeLocObjectRecord(Placement(1270, 1360, ground(1270, 1360) + 1.0f, 0.0f, 1.0f),
                                            "CONT_SMALL", "sample_crate")});
    // The hall ahead and to the right of the start point, beside the way
    // the player's glider first flies, its door to the south; the
    // equipment stock sells in it. East of the roads, two capsule stations
    // 400 apart, the northern one turned round so that each one's track
    // ends face the other's: the capsules run both ways on two tracks.
    WriteObjectSection(
        out, OBJ_BUILDING,
        {MakeLocObjectRecord(Placement(1130, 1450, ground(1130, 1450), 0.0f, 1.0f), "HALL_SAMPLE",
                             "SAMPLE_HALL"),
         // A second trading building, the depot, at the far corner of the
         // road grid: the merchants' caravan runs between the two.
         MakeLocObjectRecord(Placement(1730, 1450, ground(1730, 1450), 0.0f, 1.0f), "DEPOT_SAMPLE",
                             "SAMPLE_DEPOT"),
         // The garage, south of the roads (SampleGarage.cpp).
         MakeLocObjectRecord(Placement(kSampleGarageX, kSampleGarageY, ground(kSampleGarageX, kSampleGarageY), 0.0f,
                                       1.0f),
                             "GARAGE_SAMPLE", "SAMPLE_GARAGE"),
         MakeLocObjectRecord(Placement(2000, 700, ground(2000, 700), 0.0f, 1.0f), "STATION", "STATION_SOUTH"),
         MakeLocObjectRecord(Placement(2000, 1100, ground(2000, 1100), 3.14159265f, 1.0f), "STATION",
                             "STATION_NORTH"),
         // The tunnel to the second location, out east (SampleTravel.cpp).
         MakeLocObjectRecord(Placement(kSampleTunnelX, kSampleTunnelY, ground(kSampleTunnelX, kSampleTunnelY), 0.0f,
                                       1.0f),
                             "TUNNEL_SAMPLE", "TUNNEL_EAST")});
}
constexpr std::uint32_t kScenerySections = 5;

// A tower, a ground turret and an anomaly out on the hills, away from the
// start and the player's first flight (the tower watches 500 units round it,
// the turret 1000).
void WriteUnitSections(CMemStream& out)
{
    const SMapSource map = MakeSampleLocation();
    auto ground = [&map](float x, float y) { return SampleGround(map, x, y); };
    WriteObjectSection(out, OBJ_TOWER,
                       {MakeLocObjectRecord(Placement(600, 500, ground(600, 500), 0.0f, 1.0f), "TOWER_SAMPLE",
                                            "sample_tower")});
    WriteObjectSection(out, OBJ_TANK,
                       {MakeLocObjectRecord(Placement(300, 300, ground(300, 300), 0.5f, 1.0f), "TANK_SAMPLE",
                                            "sample_turret")});
    WriteObjectSection(out, OBJ_ANOMALZONE,
                       {MakeLocObjectRecord(Placement(500, 1000, ground(500, 1000), 0.0f, 40.0f), "ANOMALY_SAMPLE",
                                            "sample_anomaly")});
}
constexpr std::uint32_t kUnitSections = 3;

CMatrix Placement(float x, float y, float z, float heading, float scale)
{
    CObjectFrame frame;
    frame.RotateZ(heading);
    frame.m_Matrix.ScaleRotation(scale);
    frame.SetPosition(CVector{x, y, z});
    return frame.m_Matrix;
}

// The road grid of the map (SampleRoadGrid), standing on the ground: the
// gate node of type 2 at one corner, the diagonal side road of type 1, the
// hall's node at the corner beside it.
std::vector<SRoadEntry> SampleRoads()
{
    const SMapSource map = MakeSampleLocation();
    std::vector<SRoadEntry> roads;
    for (const SSampleRoadNode& node : SampleRoadGrid())
    {
        const bool gate = node.id == 104;
        const bool side = node.id == 106;
        // The corner by the hall bears the hall's id: groups on the road
        // go in there.
        const bool hall = node.id == 109;
        const bool depot = node.id == 112;
        char name[32];
        if (gate || hall || depot)
            std::snprintf(name, sizeof name, "%s", gate ? "GATE:2" : (hall ? "SAMPLE_HALL" : "SAMPLE_DEPOT"));
        else
            std::snprintf(name, sizeof name, "ROAD%d", int(node.id - 100));
        roads.push_back({MakeLocObjectRecord(Placement(node.x, node.y, SampleGround(map, node.x, node.y), 0, 1),
                                             gate ? "BASE" : (side ? "SIDE" : "MAIN"), name),
                         node.id, node.links});
    }
    return roads;
}

std::vector<CMechGroupDesc> SampleGroups()
{
    std::vector<CMechGroupDesc> groups(2);
    std::strcpy(groups[0].m_szName, "GUARD1");
    std::strcpy(groups[0].m_szLabel, "Guard1");
    std::strcpy(groups[0].m_szOrgName, "ORG_SAMPLE");
    groups[0].m_nType = 0;
    groups[0].m_nGuardNode = 0;
    groups[0].m_nLevel = 2;
    // The patrol's configuration: the light scout of "MECH_LIGHT" races
    // off the roads.
    groups[0].m_nMemberCount = 2;
    std::strcpy(groups[0].m_szMembers[0], "MECH_PATROL");
    std::strcpy(groups[0].m_szMembers[1], "MECH_PATROL");
    std::strcpy(groups[1].m_szName, "PATROL1");
    std::strcpy(groups[1].m_szLabel, "Patrol1");
    std::strcpy(groups[1].m_szOrgName, "ORG_SAMPLE");
    groups[1].m_nType = 2;
    groups[1].m_RoadSet = {0, 3, 11, 8};
    groups[1].m_nLevel = 4;
    // Two gliders of the world fly this round of the road grid's corners.
    groups[1].m_nMemberCount = 2;
    std::strcpy(groups[1].m_szMembers[0], "MECH_PATROL");
    std::strcpy(groups[1].m_szMembers[1], "MECH_PATROL");
    return groups;
}

// The two clans of the sample location: "ORG_SAMPLE" (the guards and the
// patrol, four mechs of level 3, no building), "ORG_MERCHANTS" (three of
// level 2; one garrisons the hall, which they own, two are free members).
void WriteSampleLocationData(CMemStream& out)
{
    std::vector<SOrgData> orgs(2);
    std::strcpy(orgs[0].name, "ORG_SAMPLE");
    orgs[0].mechCount = 4;
    orgs[0].baseLevel = 3.0f;
    orgs[0].values[0] = 0.2f; // transport share
    orgs[0].values[1] = 0.7f; // hunter share
    orgs[0].more[0] = orgs[0].more[1] = orgs[0].more[2] = 3; // largest group sizes
    std::strcpy(orgs[1].name, "ORG_MERCHANTS");
    orgs[1].mechCount = 3;
    orgs[1].baseLevel = 2.0f;
    orgs[1].values[0] = 0.6f;
    orgs[1].values[1] = 0.2f;
    orgs[1].more[0] = orgs[1].more[1] = orgs[1].more[2] = 2;
    // A configuration for a group of each kind (caravan, hunters, people):
    // a recruit of a kind without one would be fitted with no name.
    for (SOrgData& org : orgs)
    {
        std::strcpy(org.trade[0], "MECH_LIGHT");
        std::strcpy(org.attack[0], "MECH_LIGHT");
        std::strcpy(org.defaults[0], "MECH_LIGHT");
        org.tradeCount = org.attackCount = org.defaultCount = 1;
    }
    std::vector<SBuildingRecord> buildings(1);
    std::strcpy(buildings[0].name, "SAMPLE_HALL");
    std::strcpy(buildings[0].owner, "ORG_MERCHANTS");
    CWorld::WriteLocationData(out, orgs, buildings);
}

// The theme as location music; a chord now and then all day long.
SLocMusic SampleMusic()
{
    SLocMusic music;
    std::snprintf(music.m_szMusic, sizeof music.m_szMusic, "MUS_THEME");
    music.m_nZones = 1;
    SMusicZoneRecord& zone = music.m_Zones[0];
    std::snprintf(zone.sound, sizeof zone.sound, "SND_CHORD");
    zone.period = 20.0f;
    zone.length = 4.0f;
    zone.firstHour = 0;
    zone.endHour = 24;
    return music;
}

bool WriteObjectsFile(const std::string& path)
{
    CMemStream out;
    const std::uint32_t sections = 4 + kScenerySections + kUnitSections;
    out.Write(&sections, 4);
    WriteObjectSection(out, OBJ_STONE,
                       {MakeLocObjectRecord(Placement(1200, 1300, 20, 0.0f, 1.0f), "STONE_BOX", "FirstStone"),
                        MakeLocObjectRecord(Placement(1260, 1320, 22, 0.8f, 2.0f), "STONE_BIG", ""),
                        MakeLocObjectRecord(Placement(1330, 1250, 60, 1.6f, 1.0f), "STONE_FLY", "floater")});
    WriteObjectSection(out, OBJ_HELPER,
                       {MakeLocObjectRecord(Placement(1280, 1280, 30, 0.0f, 1.0f), "SPAWN", "start"),
                        MakeLocObjectRecord(Placement(1500, 1280, 30, 3.1f, 1.0f), "GATE", "gate_east"),
                        // The game's start points: one named after the hall (a
                        // game that starts in it), one at the tunnel's mouth.
                        MakeLocObjectRecord(Placement(1280, 1260, 30, 0.3f, 1.0f), "START", "SAMPLE_HALL"),
                        MakeLocObjectRecord(Placement(1480, 1300, 30, 3.1f, 1.0f), "START", "TUNNEL_EAST"),
                        // The depot's yard, where the second mission's sensor
                        // waits (SampleMission2.cpp): a point of radius 200.
                        MakeLocObjectRecord(Placement(1730, 1450, SampleGround(MakeSampleLocation(), 1730, 1450),
                                                      0.0f, 1.0f),
                                            "SPAWN", "DEPOT_YARD")});
    WriteBoundarySection(out, {{MakeLocObjectRecord(Placement(1000, 1000, 0, 0, 1), "POST", ""), 1, {2}},
                               {MakeLocObjectRecord(Placement(1000, 1600, 0, 0, 1), "POST", ""), 2, {1, 3}},
                               {MakeLocObjectRecord(Placement(1600, 1600, 0, 0, 1), "POST", ""), 3, {2}}});
    // Beside the roads, nodes of their own at the tunnel's and the garage's
    // doors, where a group that leaves the building comes out (no road
    // leads there).
    std::vector<SRoadEntry> roads = SampleRoads();
    roads.push_back({MakeLocObjectRecord(Placement(kSampleTunnelX - 60.0f, kSampleTunnelY, 30.0f, 0, 1), "MAIN",
                                         "TUNNEL_EAST"),
                     113,
                     {}});
    roads.push_back({MakeLocObjectRecord(Placement(kSampleGarageX, kSampleGarageY - 60.0f, 30.0f, 0, 1), "MAIN",
                                         "SAMPLE_GARAGE"),
                     114,
                     {}});
    WriteRoadSection(out, roads);
    WriteScenerySections(out);
    WriteUnitSections(out);
    // Blocks 1 to 5 (groups, trade, music, world data, equipment trade).
    CMemStream groups;
    WriteMechGroupBlock(groups, SampleGroups(), true);
    out.Write(&groups.m_nPosition, 4);
    out.Write(groups.m_pData, groups.m_nPosition);
    for (int block = 1; block < 4; ++block)
    {
        if (block == 1)
        {
            // Block 2: the goods trade.
            CMemStream trade;
            WriteSampleGoodsTrade(trade);
            out.Write(&trade.m_nPosition, 4);
            out.Write(trade.m_pData, trade.m_nPosition);
            continue;
        }
        if (block == 2)
        {
            // Block 3: the location's music and one ambient zone.
            CMemStream music;
            SampleMusic().Save(music);
            out.Write(&music.m_nPosition, 4);
            out.Write(music.m_pData, music.m_nPosition);
            continue;
        }
        // Block 4: the organisations' location records and the buildings.
        CMemStream world;
        WriteSampleLocationData(world);
        out.Write(&world.m_nPosition, 4);
        out.Write(world.m_pData, world.m_nPosition);
    }
    // Block 5: the equipment stock.
    CMemStream stock;
    WriteSampleEquipmentStock(stock);
    out.Write(&stock.m_nPosition, 4);
    out.Write(stock.m_pData, stock.m_nPosition);

    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(out.m_pData, out.m_nPosition, 1, file) == 1;
    return std::fclose(file) == 0 && ok;
}

} // namespace

// Called after the database and the models are written.
bool WriteSampleWorld(const std::string& root)
{
    if (!AddKindRecords(root))
    {
        std::fprintf(stderr, "mksample: cannot add the object kinds to Data\\DB.dat\n");
        return false;
    }
    const std::string path = InRoot(root, "Data\\Locs\\sample.loo");
    if (!WriteObjectsFile(path))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
