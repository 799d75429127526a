// Fuzz target of the organisation stream's reader: any bytes as one
// organisation's record, of any version (an old one has no version word).
// An organisation that loads is run for an hour, written again and must
// read back. Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed
// writer: fuzz_organization_seeds DIR writes organisations made with the
// engine's writer under versions 4098, 4097 and the old form, plus damaged
// variants of each.
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "society/OrgManager.h"
#include "society/Organization.h"
#include "tests/fuzz/FuzzCommon.h"
#include "tests/society/TradeTables.h"
#include "world/Mech.h"
#include "world/World.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
// A world with two members of "CLAN_A", one of them with a held building.
void MakeWorld(CWorld& world)
{
    for (const char* id : {"M1", "M2"})
        std::strcpy(world.AddMech(id)->m_szOrg, "CLAN_A");
    world.m_Mechs[1]->m_bInCluster = world.m_Mechs[1]->m_bInBuilding = 1;
    std::strcpy(world.m_Mechs[1]->m_szBuilding, "HALL");
    world.CaptureBuilding("CLAN_A", "HALL");
}
} // namespace

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("organization");
    if (!ready) std::abort();
    CWorld world;
    MakeWorld(world);
    g_pWorld = &world;
    COrgManager orgs;
    tradetest::SetOrgTable(orgs);
    std::unique_ptr<COrganization> org(orgs.CreateOrganization("CLAN_A"));
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size) std::memcpy(buffer, data, size);
    try
    {
        org->LoadFromStream(stream);
    }
    catch (const CStreamError&)
    {
        g_pWorld = nullptr;
        return 0;
    }
    org->Run(120.0f);
    org->GetPower();
    CMemStream saved;
    org->SaveToStream(saved);
    saved.m_nCapacity = saved.m_nPosition;
    saved.m_nPosition = 0;
    std::unique_ptr<COrganization> again(orgs.CreateOrganization("CLAN_A"));
    try
    {
        again->LoadFromStream(saved);
    }
    catch (const CStreamError&)
    {
        std::abort();
    }
    g_pWorld = nullptr;
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_organization_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!fuzz::SetUp("organization_seeds")) return 1;
    CWorld world;
    MakeWorld(world);
    g_pWorld = &world;
    COrgManager orgs;
    tradetest::SetOrgTable(orgs);
    std::unique_ptr<COrganization> org(orgs.CreateOrganization("CLAN_A"));
    org->UpdateMechInfo();
    std::strcpy(org->m_szBase, "HALL");
    org->m_fMoney = 1500.0f;
    org->m_fDeathTimer = 180.0f;
    org->m_Construct.m_bIdle = 0;
    org->m_Construct.m_nKind = 2;
    org->m_Construct.m_nPlanned = 3;
    org->m_Construct.m_nMembers = 1;
    org->m_Construct.m_pMembers[0] = world.m_Mechs[0];
    org->m_Construct.m_nConfigCount = 3;
    CMemStream out;
    org->SaveToStream(out);
    const std::vector<std::uint8_t> bytes(out.m_pData, out.m_pData + out.m_nPosition);
    fuzz::WriteSeeds(dir, "org_v4098", bytes);
    std::vector<std::uint8_t> v4097(bytes.begin(), bytes.end() - 4);
    const std::uint32_t version = 4097;
    std::memcpy(v4097.data(), &version, 4);
    fuzz::WriteSeeds(dir, "org_v4097", v4097);
    fuzz::WriteSeeds(dir, "org_old", std::vector<std::uint8_t>(bytes.begin() + 4, bytes.end() - 8));
    g_pWorld = nullptr;
    return 0;
}

#endif
