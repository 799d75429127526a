// The sample's buildings as procedural models: the hall and the depot (one
// layout, two looks) and the capsule station. Model space: x left, y up,
// z forward; a building's door side is -z (the default placement turns it
// to the south).
//
// The hall and the depot: a 60 x 60 block 26 high whose front holds a
// porch 10 deep with a doorway 24 wide and 20 high; the door's two leaves
// ("DOOR", its animation "OPEN") slide apart into the porch walls and show
// the dark inside; a sign board over the doorway; windows along the sides
// and the back; a hipped roof (hall) or a flat roof with a water tank
// (depot). The block with its porch is the first part and so the
// collision shape: a glider can fly into the doorway up to the door. The
// marker parts are the kinds': the door zone "OPEN" in front, the entry
// zone "INTO" across the doorway, the exit "EXIT_01" before the door and
// the sign point "SIGN" over the roof (a zone spans from its centre, the
// part's lowest corner, to its size, the highest corner).
#include "tools/mksample/SampleProps.h"

#include "graphics/Mesh.h"
#include "tools/mksample/SampleMeshKit.h"
#include "tools/mksample/SamplePropSheet.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace
{
using P = SKitPoint;

struct SMarkerSpan
{
    const char* name;
    P lo, hi;
};

void AddMarkers(std::vector<SKitPart>& parts, const std::vector<SMarkerSpan>& markers)
{
    for (const SMarkerSpan& m : markers)
    {
        parts.push_back(MakeMarkerPart(m.name, MakeSpanMarker(m.lo, m.hi)));
    }
}

// The two door leaves, shifted apart by `open` each.
CMeshKit DoorLeaves(float open)
{
    CMeshKit door;
    door.Box(P{open, 0.0f, -20.6f}, P{12.0f + open, 20.0f, -20.15f}, PropSwatch(EProp::Door));
    door.Box(P{-12.0f - open, 0.0f, -20.6f}, P{-open, 20.0f, -20.15f}, PropSwatch(EProp::Door));
    return door;
}

bool WriteTradingBuilding(const std::string& path, bool depot)
{
    const SSwatch wall = PropSwatch(depot ? EProp::WallDepot : EProp::Wall);
    CMeshKit block;
    block.Box(P{-30, 0, -20}, P{30, 26, 30}, wall);
    block.Box(P{12, 0, -30}, P{30, 26, -20}, wall);   // the porch's left wall
    block.Box(P{-30, 0, -30}, P{-12, 26, -20}, wall); // its right wall
    block.Box(P{-12, 20, -30}, P{12, 26, -20}, wall); // over the doorway
    if (depot)
    {
        block.Box(P{-31, 26, -31}, P{31, 28, 31}, PropSwatch(EProp::Roof));
        block.Column(P{15, 28, 15}, 5.0f, 5.0f, 7.0f, 10, PropSwatch(EProp::ArmourDark), PropSwatch(EProp::Roof));
        block.Box(P{-20, 28, 5}, P{-8, 31, 15}, PropSwatch(EProp::Engine));
    }
    else
        block.Taper(26.0f, -31, -31, 31, 31, 33.0f, -18, -10, 18, 10, PropSwatch(EProp::Roof));
    // Windows along both sides and the back.
    block.Box(P{30, 11, -12}, P{30.3f, 17, 24}, PropSwatch(EProp::Window));
    block.Box(P{-30.3f, 11, -12}, P{-30, 17, 24}, PropSwatch(EProp::Window));
    block.Box(P{-24, 11, 30}, P{24, 17, 30.3f}, PropSwatch(EProp::Window));
    // The sign over the doorway, its face to the front.
    block.Box(P{-11, 20.7f, -30.6f}, P{11, 25.5f, -30}, PropSwatch(depot ? EProp::SignDepot : EProp::SignHall));
    // The dark inside behind the door (seen when it opens), facing -z.
    block.Quad(P{12, 0, -20.05f}, P{-12, 0, -20.05f}, P{-12, 20, -20.05f}, P{12, 20, -20.05f},
               PropSwatch(EProp::Opening));
    // A hazard sill before the doorway.
    block.Box(P{-12, 0, -31}, P{12, 0.3f, -30}, PropSwatch(EProp::Hazard));

    std::vector<SKitPart> parts;
    parts.push_back(PropPart(depot ? "DEPOT" : "HALL", block));
    SKitPart door = PropPart("DOOR", DoorLeaves(0.0f));
    door.animation = "OPEN";
    door.key = DoorLeaves(12.0f).Mesh();
    parts.push_back(std::move(door));
    AddMarkers(parts, {
                          {"OPEN", {0, 5, -45}, {40, 30, 30}},
                          {"INTO", {0, 5, -30}, {24, 20, 12}},
                          {"EXIT_01", {0, 3, -70}, {1, 4, -69}},
                          {"SIGN", {0, 40, 0}, {1, 41, 1}},
                      });
    return WriteKitModel(path, parts);
}

// The capsule station: a 40 x 40 platform 8 high under a roof on four
// posts, with rail stubs out to its two track ends 30 out on either side:
// "INTO", where the capsules leaving it start, and "INTO1", where those
// coming to it end.
bool WriteStation(const std::string& path)
{
    CMeshKit station;
    station.Box(P{-20, 0, -20}, P{20, 8, 20}, PropSwatch(EProp::Concrete));
    for (const float x : {16.0f, -16.0f})
        for (const float z : {16.0f, -16.0f})
            station.Column(P{x, 8, z}, 0.8f, 0.7f, 10.0f, 8, PropSwatch(EProp::LampPost),
                           PropSwatch(EProp::LampPost));
    station.Box(P{-19, 18, -19}, P{19, 19.5f, 19}, PropSwatch(EProp::Roof));
    station.Box(P{20, 5, -1.5f}, P{33, 6, 1.5f}, PropSwatch(EProp::GunMetal));
    station.Box(P{-33, 5, -1.5f}, P{-20, 6, 1.5f}, PropSwatch(EProp::GunMetal));
    std::vector<SKitPart> parts;
    parts.push_back(PropPart("STATION", station));
    AddMarkers(parts, {
                          {"INTO", {30, 4, 0}, {32, 6, 6}},
                          {"INTO1", {-30, 4, 0}, {32, 6, 6}},
                      });
    return WriteKitModel(path, parts);
}
} // namespace

bool WriteSampleBuildings(const std::string& dir)
{
    const std::pair<const char*, int> files[] = {{"hall.mdl", 0}, {"depot.mdl", 1}, {"station.mdl", 2}};
    for (const auto& [file, which] : files)
    {
        const std::string path = dir + "\\" + file;
        const bool ok = which == 2 ? WriteStation(path) : WriteTradingBuilding(path, which == 1);
        if (!ok)
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}
