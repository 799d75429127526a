// The sample's vehicles, machines, plants and props as procedural models
// (model space: x left, y up, z forward; SampleMeshKit.h), their texture
// sheet and their records in "Текстуры" and "Модели".
//
// Sizes follow what the kinds expect of them: the glider keeps the unit
// box as its collision shape ("SHAPE") and its marker points, so that it
// flies and hovers as before, and its hull stays about that size; a crate
// is the unit box around its origin (the stones drop and settle on it);
// plants, lamps and posts stand on their origin; the armed posts' gun
// heads carry their own height, since the kinds draw them at the post's
// origin, with the muzzle point "FX".
#include "tools/mksample/SampleProps.h"

#include "foundation/DataBase.h"
#include "graphics/Mesh.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tools/mksample/SampleMeshKit.h"
#include "tools/mksample/SamplePropSheet.h"

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace
{
using P = SKitPoint;

template <class... Parts>
std::vector<SKitPart> PartList(Parts&&... parts)
{
    std::vector<SKitPart> list;
    (list.push_back(std::forward<Parts>(parts)), ...);
    return list;
}

// ---- the gliders: a round hull, a cone for a nose, a glass canopy over
// the front, swept wings with a band, a fin and the engine at the back;
// the front is plain from every side. The player's is grey with a red
// nose; the scout yellow and black, the hauler dark with a cargo pod.
struct SGliderLook
{
    EProp body, nose, wings, fin;
    bool pod;
};

std::vector<SKitPart> Glider(const SGliderLook& look)
{
    CMeshKit hull;
    hull.ColumnZ(P{0, 0, -0.55f}, 0.28f, 0.3f, 1.0f, 8, PropSwatch(look.body), PropSwatch(EProp::HullDark));
    hull.ColumnZ(P{0, 0, 0.45f}, 0.3f, 0.03f, 0.55f, 8, PropSwatch(look.nose), PropSwatch(look.nose));
    hull.ColumnZ(P{0, 0, -0.8f}, 0.24f, 0.28f, 0.25f, 8, PropSwatch(EProp::Engine), PropSwatch(EProp::Exhaust));
    hull.Ellipsoid(P{0, 0.2f, 0.2f}, P{0.17f, 0.15f, 0.32f}, 6, 10, PropSwatch(EProp::Canopy));
    for (const float side : {1.0f, -1.0f})
    {
        const P wing[8] = {{0.25f * side, -0.06f, 0.15f}, {0.95f * side, -0.04f, -0.2f},
                           {0.95f * side, -0.04f, -0.4f}, {0.25f * side, -0.06f, -0.45f},
                           {0.25f * side, 0.01f, 0.15f},  {0.95f * side, 0.02f, -0.2f},
                           {0.95f * side, 0.02f, -0.4f},  {0.25f * side, 0.01f, -0.45f}};
        hull.Block(wing, PropSwatch(look.wings));
    }
    const P fin[8] = {{0.03f, 0.2f, -0.2f},    {-0.03f, 0.2f, -0.2f},   {-0.03f, 0.2f, -0.6f},
                      {0.03f, 0.2f, -0.6f},    {0.02f, 0.55f, -0.45f},  {-0.02f, 0.55f, -0.45f},
                      {-0.02f, 0.55f, -0.68f}, {0.02f, 0.55f, -0.68f}};
    hull.Block(fin, PropSwatch(look.fin));
    if (look.pod) hull.Box(P{-0.22f, -0.42f, -0.45f}, P{0.22f, -0.2f, 0.35f}, PropSwatch(EProp::Crate));
    // What it collides with: the unit box it always had.
    CMeshKit shape;
    shape.Box(P{-0.5f, -0.5f, -0.5f}, P{0.5f, 0.5f, 0.5f}, PropSwatch(EProp::Hull));
    // The engine flame under the tail and the light gun's mount on the nose.
    return PartList(PropPart("HULL", hull), MakeMarkerPart("SHAPE", shape.Mesh()),
                    MakeMarkerPart("FIRE", MakePointMarker(P{0, -0.2f, -0.6f})),
                    MakeMarkerPart("LIGHTGUN", MakePointMarker(P{0, 0.5f, 0.3f})));
}

std::vector<SKitPart> PlayerGlider()
{
    return Glider({EProp::Hull, EProp::Nose, EProp::Stripe, EProp::Nose, false});
}

std::vector<SKitPart> ScoutGlider()
{
    return Glider({EProp::Gold, EProp::HullDark, EProp::Hazard, EProp::HullDark, false});
}

std::vector<SKitPart> HaulerGlider()
{
    return Glider({EProp::ArmourDark, EProp::Armour, EProp::Armour, EProp::Hazard, true});
}

std::vector<SKitPart> Flame()
{
    CMeshKit flame;
    flame.Ellipsoid(P{0, 0, 0}, P{0.07f, 0.07f, 0.07f}, 4, 6, PropSwatch(EProp::Exhaust));
    return PartList(PropPart("FLAME", flame));
}

// ---- machines

std::vector<SKitPart> Capsule()
{
    CMeshKit capsule;
    capsule.ColumnZ(P{0, 0, -0.7f}, 0.45f, 0.45f, 1.4f, 10, PropSwatch(EProp::CapsuleTeal),
                    PropSwatch(EProp::CapsuleWhite));
    for (const float end : {0.7f, -0.7f})
        capsule.Ellipsoid(P{0, 0, end}, P{0.45f, 0.45f, 0.35f}, 6, 10, PropSwatch(EProp::CapsuleWhite));
    capsule.Ellipsoid(P{0, 0.3f, 0.45f}, P{0.25f, 0.2f, 0.3f}, 4, 8, PropSwatch(EProp::Canopy));
    return PartList(PropPart("CAPSULE", capsule));
}

std::vector<SKitPart> Drone()
{
    CMeshKit drone;
    drone.Ellipsoid(P{0, 0, 0}, P{0.6f, 0.22f, 0.6f}, 6, 12, PropSwatch(EProp::HullDark));
    drone.Ellipsoid(P{0, 0.16f, 0.1f}, P{0.25f, 0.2f, 0.25f}, 4, 8, PropSwatch(EProp::Canopy));
    drone.Ellipsoid(P{0, 0, 0.58f}, P{0.1f, 0.08f, 0.1f}, 4, 6, PropSwatch(EProp::Nose));
    for (const float x : {0.75f, -0.75f})
        for (const float z : {0.75f, -0.75f})
        {
            drone.Box(P{x * 0.5f - 0.05f, 0.0f, z * 0.5f - 0.05f}, P{x * 0.5f + 0.05f, 0.08f, z * 0.5f + 0.05f},
                      PropSwatch(EProp::GunMetal));
            drone.Column(P{x, 0.04f, z}, 0.3f, 0.3f, 0.04f, 10, PropSwatch(EProp::GunMetal),
                         PropSwatch(EProp::Engine));
        }
    return PartList(PropPart("DRONE", drone));
}

std::vector<SKitPart> Rescuer()
{
    CMeshKit rescuer;
    rescuer.Taper(-0.3f, -0.5f, -0.8f, 0.5f, 0.8f, 0.3f, -0.4f, -0.6f, 0.4f, 0.6f, PropSwatch(EProp::Hazard));
    rescuer.Ellipsoid(P{0, 0.32f, 0.35f}, P{0.3f, 0.2f, 0.3f}, 4, 8, PropSwatch(EProp::Canopy));
    rescuer.Column(P{0, -0.8f, 0}, 0.05f, 0.05f, 0.5f, 6, PropSwatch(EProp::GunMetal), PropSwatch(EProp::GunMetal));
    rescuer.Box(P{-0.25f, -0.95f, -0.1f}, P{0.25f, -0.8f, 0.1f}, PropSwatch(EProp::GunMetal));
    return PartList(PropPart("RESCUER", rescuer));
}

// ---- nature

std::vector<SKitPart> Pine()
{
    CMeshKit pine;
    pine.Column(P{0, 0, 0}, 0.06f, 0.04f, 0.45f, 6, PropSwatch(EProp::Bark), PropSwatch(EProp::Bark));
    pine.Column(P{0, 0.25f, 0}, 0.34f, 0.0f, 0.5f, 9, PropSwatch(EProp::Leaves), PropSwatch(EProp::Leaves));
    pine.Column(P{0, 0.5f, 0}, 0.27f, 0.0f, 0.45f, 9, PropSwatch(EProp::Leaves), PropSwatch(EProp::Leaves));
    pine.Column(P{0, 0.75f, 0}, 0.19f, 0.0f, 0.4f, 9, PropSwatch(EProp::Leaves), PropSwatch(EProp::Leaves));
    return PartList(PropPart("TREE", pine));
}

std::vector<SKitPart> Bush()
{
    CMeshKit bush;
    bush.Column(P{0, 0, 0}, 0.05f, 0.04f, 0.25f, 6, PropSwatch(EProp::Bark), PropSwatch(EProp::Bark));
    bush.Ellipsoid(P{0, 0.35f, 0}, P{0.42f, 0.3f, 0.4f}, 6, 10, PropSwatch(EProp::LeavesLight), 0.08f, 11);
    bush.Ellipsoid(P{0.2f, 0.5f, 0.1f}, P{0.25f, 0.22f, 0.25f}, 5, 8, PropSwatch(EProp::LeavesLight), 0.08f, 12);
    bush.Ellipsoid(P{-0.15f, 0.45f, -0.15f}, P{0.28f, 0.25f, 0.26f}, 5, 8, PropSwatch(EProp::Leaves), 0.08f, 13);
    return PartList(PropPart("BUSH", bush));
}

std::vector<SKitPart> Grass()
{
    CMeshKit grass;
    // Five thin blades leaning out from one root.
    static const float kLean[5][2] = {{0.0f, 0.0f}, {0.25f, 0.1f}, {-0.2f, 0.15f}, {0.1f, -0.25f}, {-0.15f, -0.2f}};
    for (const auto& l : kLean)
    {
        const float w = 0.03f;
        const P blade[8] = {{-w, 0, -w}, {w, 0, -w}, {w, 0, w}, {-w, 0, w},
                            {l[0] - 0.005f, 0.8f, l[1] - 0.005f}, {l[0] + 0.005f, 0.8f, l[1] - 0.005f},
                            {l[0] + 0.005f, 0.8f, l[1] + 0.005f}, {l[0] - 0.005f, 0.8f, l[1] + 0.005f}};
        grass.Block(blade, PropSwatch(EProp::Grass));
    }
    return PartList(PropPart("GRASS", grass));
}

std::vector<SKitPart> Pebble()
{
    CMeshKit pebble;
    pebble.Ellipsoid(P{0, 0.05f, 0}, P{0.3f, 0.15f, 0.25f}, 4, 7, PropSwatch(EProp::Pebble), 0.2f, 21);
    return PartList(PropPart("PEBBLE", pebble));
}

std::vector<SKitPart> Boulder()
{
    CMeshKit boulder;
    boulder.Ellipsoid(P{0, 0, 0}, P{0.75f, 0.55f, 0.65f}, 6, 9, PropSwatch(EProp::Rock), 0.18f, 7);
    return PartList(PropPart("BOULDER", boulder));
}

std::vector<SKitPart> Crystal()
{
    CMeshKit crystal;
    crystal.Column(P{0, 0, 0}, 0.4f, 0.0f, 0.8f, 6, PropSwatch(EProp::Crystal), PropSwatch(EProp::Crystal));
    crystal.Column(P{0, -0.6f, 0}, 0.0f, 0.4f, 0.6f, 6, PropSwatch(EProp::Crystal), PropSwatch(EProp::Crystal));
    return PartList(PropPart("CRYSTAL", crystal));
}

// ---- props

std::vector<SKitPart> Crate()
{
    CMeshKit crate;
    crate.Box(P{-0.5f, -0.5f, -0.5f}, P{0.5f, 0.5f, 0.5f}, PropSwatch(EProp::Crate));
    return PartList(PropPart("CRATE", crate));
}

std::vector<SKitPart> Lamp()
{
    CMeshKit lamp;
    lamp.Column(P{0, 0, 0}, 0.15f, 0.12f, 0.15f, 8, PropSwatch(EProp::LampPost), PropSwatch(EProp::LampPost));
    lamp.Column(P{0, 0, 0}, 0.07f, 0.05f, 2.4f, 8, PropSwatch(EProp::LampPost), PropSwatch(EProp::LampPost));
    lamp.Box(P{-0.04f, 2.3f, 0}, P{0.04f, 2.38f, 0.5f}, PropSwatch(EProp::LampPost));
    lamp.Taper(2.2f, -0.12f, 0.38f, 0.12f, 0.62f, 2.32f, -0.16f, 0.34f, 0.16f, 0.66f, PropSwatch(EProp::LampGlow));
    return PartList(PropPart("LAMP", lamp));
}

std::vector<SKitPart> Post()
{
    CMeshKit post;
    post.Column(P{0, 0, 0}, 0.25f, 0.18f, 3.0f, 6, PropSwatch(EProp::Post), PropSwatch(EProp::Post));
    post.Ellipsoid(P{0, 3.15f, 0}, P{0.22f, 0.22f, 0.22f}, 5, 8, PropSwatch(EProp::Crystal));
    return PartList(PropPart("POST", post));
}

// ---- armed posts: a tapered tower with a platform and its gun head, a
// low armoured turret base and its domed head with twin barrels.

std::vector<SKitPart> Tower()
{
    CMeshKit tower;
    tower.Taper(0.0f, -1.2f, -1.2f, 1.2f, 1.2f, 7.0f, -0.7f, -0.7f, 0.7f, 0.7f, PropSwatch(EProp::Armour));
    tower.Box(P{-0.8f, 6.0f, -0.8f}, P{0.8f, 6.4f, 0.8f}, PropSwatch(EProp::Hazard));
    tower.Box(P{-1.3f, 7.0f, -1.3f}, P{1.3f, 7.5f, 1.3f}, PropSwatch(EProp::ArmourDark));
    return PartList(PropPart("TOWER", tower));
}

std::vector<SKitPart> TowerGun()
{
    CMeshKit gun;
    gun.Box(P{-0.6f, 7.5f, -0.6f}, P{0.6f, 8.5f, 0.6f}, PropSwatch(EProp::Armour));
    gun.ColumnZ(P{0, 8.0f, 0.5f}, 0.12f, 0.1f, 1.4f, 8, PropSwatch(EProp::GunMetal), PropSwatch(EProp::GunMetal));
    return PartList(PropPart("HEAD", gun), MakeMarkerPart("FX", MakePointMarker(P{0, 8.0f, 1.9f})));
}

std::vector<SKitPart> Turret()
{
    CMeshKit turret;
    turret.Column(P{0, 0, 0}, 1.3f, 1.1f, 0.7f, 8, PropSwatch(EProp::ArmourDark), PropSwatch(EProp::ArmourDark));
    turret.Column(P{0, 0.7f, 0}, 0.9f, 0.8f, 0.15f, 8, PropSwatch(EProp::Hazard), PropSwatch(EProp::ArmourDark));
    return PartList(PropPart("BASE", turret));
}

std::vector<SKitPart> TurretGun()
{
    CMeshKit gun;
    gun.Ellipsoid(P{0, 0.85f, 0}, P{0.75f, 0.5f, 0.75f}, 6, 10, PropSwatch(EProp::Armour));
    for (const float x : {0.2f, -0.2f})
        gun.ColumnZ(P{x, 1.0f, 0.4f}, 0.08f, 0.07f, 1.4f, 6, PropSwatch(EProp::GunMetal), PropSwatch(EProp::GunMetal));
    return PartList(PropPart("HEAD", gun), MakeMarkerPart("FX", MakePointMarker(P{0, 1.0f, 1.85f})));
}

// ---- the horizon: a ring of far hills round the eye (the sky draws it at
// the camera without the object placement, so its space is the world's, z
// up), reaching well below the eye so that no sky shows under the edge of
// the map.
std::vector<SKitPart> Horizon()
{
    constexpr int kSegments = 96;
    constexpr float kRadius = 3500.0f, kTwoPi = 6.2831853f;
    CTileNoise hills(12, 3301);
    CMeshKit ring;
    for (int i = 0; i < kSegments; ++i)
    {
        const auto at = [&](int k, bool top)
        {
            const float a = kTwoPi * float(k % kSegments) / float(kSegments);
            const float n = hills.Fractal(float(k % kSegments) / float(kSegments) * 12.0f, 0.5f, 3);
            return P{kRadius * std::cos(a), kRadius * std::sin(a), top ? 20.0f + 500.0f * n * n : -1500.0f};
        };
        const float u0 = float(i % 16) / 16.0f, u1 = float(i % 16 + 1) / 16.0f;
        // Counter-clockwise seen from outside: drawn unmirrored, the inside
        // is the front.
        ring.Quad(at(i + 1, false), at(i, false), at(i, true), at(i + 1, true), SSwatch{u0, 0.0f, u1, 1.0f});
    }
    ring.InvertNormals();
    return PartList(MakeDrawnPart("HILLS", "TEX_SKY_HILLS", ring));
}

struct SModelFile
{
    const char* key; // empty: the record is written elsewhere (SampleModels.cpp)
    const char* file;
    std::vector<SKitPart> (*make)();
};

const SModelFile kModels[] = {
    {"", "glider.mdl", PlayerGlider},
    {"MOD_GL_SCOUT", "glider_scout.mdl", ScoutGlider},
    {"MOD_GL_HAULER", "glider_hauler.mdl", HaulerGlider},
    {"", "flame.mdl", Flame},
    {"", "capsule.mdl", Capsule},
    {"", "drone.mdl", Drone},
    {"", "rescuer.mdl", Rescuer},
    {"MOD_TREE_PINE", "pine.mdl", Pine},
    {"MOD_TREE_BUSH", "bush.mdl", Bush},
    {"MOD_GRASS", "grass.mdl", Grass},
    {"MOD_PEBBLE", "pebble.mdl", Pebble},
    {"MOD_BOULDER", "boulder.mdl", Boulder},
    {"MOD_CRYSTAL", "crystal.mdl", Crystal},
    {"MOD_CRATE", "crate.mdl", Crate},
    {"MOD_LAMP", "lamp.mdl", Lamp},
    {"MOD_POST", "post.mdl", Post},
    {"MOD_TOWER", "tower.mdl", Tower},
    {"MOD_TOWER_GUN", "tower_gun.mdl", TowerGun},
    {"MOD_TURRET", "turret.mdl", Turret},
    {"MOD_TURRET_GUN", "turret_gun.mdl", TurretGun},
    {"MOD_HORIZON", "horizon.mdl", Horizon},
};

bool AddRecords(const std::string& root)
{
    const std::string base = root[0] == '/' ? root : plat::GetCurrentDirectory() + "/" + root;
    DataBase db;
    if (!db.OpenDatabase((base + "\\Data\\DB.dat").c_str(), false, false)) return false;
    bool ok = db.SelectTable(plat::Utf8ToCp1251("Текстуры").c_str()) && db.Append(kPropSheet) &&
              db.SetField("Filename", "Data\\Textures\\props.tm") && db.SetField("Type", std::int32_t(0)) &&
              db.SetField("Color", std::int32_t(0)) && db.SetField("LOD", std::int32_t(0)) &&
              db.SetField("TEXTURETYPE", std::int32_t(0)) && db.Post();
    // Radius 0: the model manager measures each model at start.
    ok = ok && db.SelectTable(plat::Utf8ToCp1251("Модели").c_str());
    const std::pair<const char*, const char*> buildings[] = {{"MOD_DEPOT", "depot.mdl"}};
    auto add = [&](const char* key, const char* file)
    {
        ok = ok && db.Append(key) && db.SetField("Filename", (std::string("Data\\Models\\") + file).c_str()) &&
             db.SetField("Radius", 0.0f) && db.Post();
    };
    for (const SModelFile& m : kModels)
        if (m.key[0]) add(m.key, m.file);
    for (const auto& [key, file] : buildings)
        add(key, file);
    return db.CloseDatabase() && ok;
}
} // namespace

// Called after the database and SampleModels.cpp's records are written.
bool WriteSampleProps(const std::string& root)
{
    const std::string dir = root + "\\Data\\Models";
    const std::string sheet = root + "\\Data\\Textures\\props.tm";
    if (!WritePropSheet(sheet))
    {
        std::fprintf(stderr, "mksample: cannot write %s\n", sheet.c_str());
        return false;
    }
    for (const SModelFile& m : kModels)
    {
        std::vector<SKitPart> parts = m.make();
        const std::string path = dir + "\\" + m.file;
        if (!WriteKitModel(path, parts))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
            return false;
        }
    }
    if (!WriteSampleBuildings(dir)) return false;
    if (!AddRecords(root))
    {
        std::fprintf(stderr, "mksample: cannot add the prop models' records to Data\\DB.dat\n");
        return false;
    }
    return true;
}
