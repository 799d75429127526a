// CThingCollector: a glider's pilot as a pick-up thing sees it
// (IThingCollector, world/TheThing.h): the glider's mechanoid takes the
// thing's missiles into its stock (the launchers unloaded first and loaded
// again after, the equipment and the glider's configuration refreshed) and
// its goods into its cargo hold; the glider then carries the new weight.
// RegisterUnitManagers hands the world one of these.
//
// Threads: main thread.
#pragma once

#include "world/TheThing.h"

class CThingCollector : public IThingCollector
{
public:
    // A glider still in the game with a mechanoid in action.
    bool CanCollect(CMMObject* object) override;
    bool IsHoldFull(CMMObject* object) override;
    bool AddMissiles(CMMObject* object, std::int32_t missileType, std::uint32_t amount) override;
    void AddGoods(CMMObject* object, std::uint32_t kind, const char* name, std::uint32_t amount) override;
    void UpdateWeight(CMMObject* object) override;
};
