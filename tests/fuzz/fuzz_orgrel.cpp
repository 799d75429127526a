// Fuzz target of the organisation relations' reader: any bytes as an
// "ORGREL" record, read by a table of four organisations. Relations that
// load are changed, relaxed, written again and must read back. Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_orgrel_seeds DIR writes the relations of tables of four, three and
// no organisations with the engine's writer, plus damaged variants.
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "society/OrgManager.h"
#include "tests/fuzz/FuzzCommon.h"
#include "tests/society/TradeTables.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("orgrel");
    if (!ready) std::abort();
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size) std::memcpy(buffer, data, size);
    COrgManager orgs;
    tradetest::SetOrgTable(orgs);
    try
    {
        orgs.LoadFromStream(stream);
    }
    catch (const CStreamError&)
    {
        return 0;
    }
    for (float v : orgs.m_Current)
        if (!(v >= -1.0f && v <= 1.0f)) std::abort(); // relations stay in range
    orgs.ChangePolitic(2, 3, -0.1f, true);
    orgs.RelaxRelations(1.0f);
    CMemStream saved;
    orgs.SaveToStream(saved);
    saved.m_nCapacity = saved.m_nPosition;
    saved.m_nPosition = 0;
    COrgManager again;
    tradetest::SetOrgTable(again);
    try
    {
        again.LoadFromStream(saved);
    }
    catch (const CStreamError&)
    {
        std::abort();
    }
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_orgrel_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!fuzz::SetUp("orgrel_seeds")) return 1;
    g_Random.SetState(3);
    COrgManager four;
    tradetest::SetOrgTable(four);
    four.InitRelations();
    four.ChangePolitic(1, 2, -0.1f, true);
    COrgManager three;
    three.SetTable({"ORG_FREE", "ORG_PLAYER", "CLAN_A"}, {});
    three.InitRelations();
    COrgManager none;
    const std::pair<const char*, COrgManager*> tables[] = {{"four", &four}, {"three", &three}, {"none", &none}};
    for (const auto& [name, orgs] : tables)
    {
        CMemStream out;
        orgs->SaveToStream(out);
        fuzz::WriteSeeds(dir, std::string("orgrel_") + name,
                         std::vector<std::uint8_t>(out.m_pData, out.m_pData + out.m_nPosition));
    }
    return 0;
}

#endif
