// CThingCollector: a glider's pilot as a pick-up thing sees it
// (IThingCollector, world/TheThing.h): the glider's mechanoid takes the
// thing's missiles into its stock and its goods into its cargo hold.
// RegisterUnitManagers hands the world one of these.
//
// Not here yet (the glider object is a stand-in): the glider's ammunition
// and configuration refresh after a missile pick-up and its carried weight;
// the mechanoid's equipment is refreshed.
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
    void UpdateWeight(CMMObject*) override {}
};
