// Fuzz target of the group list's stream: any bytes as the world's saved
// groups, loaded, saved and cleared the way the world does it (through the
// group seams RegisterGroupMaker fills: every mech record out of its group
// before a load, the player's group owned by the group maker). A list that
// loads saves and loads again to the same groups.
// Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_groups_seeds DIR writes lists saved by the groups themselves (with
// members, AIs and routes), plus damaged variants of each.
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "society/GroupAI.h"
#include "society/GroupMaker.h"
#include "society/MechGroup.h"
#include "world/Mech.h"
#include "world/World.h"
#include "world/WorldSeams.h"
#include "tests/common/NullOrganization.h"
#include "tests/fuzz/FuzzCommon.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace
{
using COrg = testutil::CNullOrganization;

// The world the members and organisations are looked up in.
CWorld& World()
{
    static CWorld* world = []
    {
        auto* w = new CWorld;
        for (const char* id : {"M0", "M1", "M2", "M3", "M4", "M5"})
            w->AddMech(id);
        for (const char* org : {"ORG_FREE", "ORG_A"})
            w->m_Organizations.push_back(std::make_unique<COrg>(org));
        g_pWorld = w;
        return w;
    }();
    return *world;
}

} // namespace

#ifndef TVX_FUZZ_WRITE_SEEDS

namespace
{
// The groups gone and every member out of its group, as the world clears
// them; a player's group deleted with its members still pointing at it
// would be asked to let them go by the next load.
void Forget()
{
    g_pfnClearGroups();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("groups") && (RegisterGroupMaker(), true);
    (void)ready;
    (void)World();
    CMemStream stream;
    std::uint8_t* bytes = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size) std::memcpy(bytes, data, size);
    try
    {
        g_pfnLoadGroups(stream);
    }
    catch (const CStreamError&)
    {
        Forget();
        return 0;
    }
    const int count = g_MechGroupList2.GetCount();
    if (count < 1 || g_MechGroupList2.GetGroup(0) != g_pPlayerGroup) std::abort();
    std::vector<int> members;
    for (int i = 0; i < count; ++i)
    {
        const CMechGroup2* g = g_MechGroupList2.GetGroup(i);
        if (g->GetMemberCount() < 0 || g->GetMemberCount() > CMechGroup2::kMaxMembers) std::abort();
        if (i > 0 && !g->m_pOrg) std::abort(); // dropped on reading
        members.push_back(g->GetMemberCount());
    }
    CMemStream saved;
    g_pfnSaveGroups(saved);
    CMemStream again;
    std::memcpy(again.Allocate(saved.m_nPosition), saved.m_pData, saved.m_nPosition);
    Forget();
    g_pfnLoadGroups(again);
    if (g_MechGroupList2.GetCount() != count) std::abort();
    for (int i = 0; i < count; ++i)
        if (g_MechGroupList2.GetGroup(i)->GetMemberCount() != members[size_t(i)]) std::abort();
    Forget();
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_groups_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    CWorld& world = World();
    auto* player = new CPlayerMechGroup2;
    player->InitGroup("ORG_FREE");
    g_pPlayerGroup = player;
    g_MechGroupList2.AddGroup(player);
    // A caravan, hunters and people, each knowing the others.
    const char* names[] = {"CARAVAN", "GUARDS", "PEOPLE"};
    for (int k = 0; k < 3; ++k)
    {
        auto* g = new CMechGroup2;
        std::snprintf(g->m_szName, sizeof g->m_szName, "%s", names[k]);
        g->InitGroup("ORG_A");
        for (int m = 0; m < 2; ++m)
            g->AddMech(world.FindMech(("M" + std::to_string(k * 2 + m)).c_str()));
        g->SetAI(k);
        CGroupAI* ai = g->GetGroupAI();
        ai->m_Route = {0, 1, 2, 3};
        ai->m_nMode = CGroupAI::MODE_MOVE;
        ai->m_nRelations = 2;
        for (int r = 0; r < 2; ++r)
        {
            ai->m_Relations[r].m_nIndex = 1 + (k + r + 1) % 3;
            ai->m_Relations[r].m_fRelation = 0.25f * float(r) - 0.5f;
        }
        std::snprintf(ai->m_szLastBuilding, sizeof ai->m_szLastBuilding, "HALL");
        g_MechGroupList2.AddGroup(g);
    }
    CMemStream s;
    g_MechGroupList2.SaveToStream(s);
    fuzz::WriteSeeds(dir, "groups", std::vector<std::uint8_t>(s.m_pData, s.m_pData + s.m_nPosition));
    g_MechGroupList2.Clear();
    delete g_pPlayerGroup;
    g_pPlayerGroup = nullptr;
    return 0;
}

#endif
