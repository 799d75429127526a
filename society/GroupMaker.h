// The world's groups made and run by the society: RegisterGroupMaker fills
// the world's group seams (WorldSeams.h) so that CWorld::CreateM1Group makes
// a real group with its AI, the world's run runs g_MechGroupList2, a mech's
// death reaches every group, the world's records own CWorldMechanoids, the
// world makes the player's group (entry 0, owned here), reanimates a
// described mech in a group of its own, hands a kill's spoils to the
// killer's group and counts the groups' states (their AI's mode word).
//
// A group of a description: its organisation (or "ORG_FREE" when the
// location has none of that name); each member's mechanoid fitted from the
// configuration of its name (an unknown name gives configuration 0); a road
// guard (type 0) holds its node (plain road following, hunters' kind
// number), a road-set group (type 2) gets the hunter kind with the route
// through its nodes, a free-roaming group (type 3) the people kind
// from a random road node. The list's entry 0, the player's group, is made
// when the list is empty (owned here until the game sets its own).
//
// Threads: main thread.
#pragma once

#include <cstdint>
#include <vector>

class CMech;
class CMechGroupDesc;
class CMechGroup2;

void RegisterGroupMaker();
// Every group deleted and the seams emptied again.
void UnregisterGroupMaker();
// Every group description of the location made into a group by the world
// (CWorld::CreateM1Group); the count made.
int CreateLocationGroups();
CMechGroup2* MakeDescribedGroup(const CMechGroupDesc& desc, const std::vector<CMech*>& mechs);
// The route through the given nodes in order: the path finder's path
// between each node and the next, joined; empty when a leg has no path.
std::vector<std::int32_t> JoinRoute(const std::vector<std::int32_t>& nodes);
