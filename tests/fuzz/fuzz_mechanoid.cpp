// Fuzz target of the mechanoid record: any bytes as a saved mechanoid, of
// any version. A record that loads is written again and must read back.
// Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_mechanoid_seeds DIR writes records of mechanoids fitted from the
// configurations with the engine's writer, under every version word, plus
// damaged variants of each.
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "tests/fuzz/FuzzCommon.h"
#include "tests/fuzz/FuzzUnitTables.h"
#include "units/Mechanoid.h"

#include <cstdlib>
#include <cstring>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("mechanoid") && fuzz::LoadUnitTables();
    if (!ready) std::abort();
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size) std::memcpy(buffer, data, size);
    CMechanoid m;
    try
    {
        m.LoadFromStream(stream);
    }
    catch (const CStreamError&)
    {
        return 0;
    }
    m.UpdateEquipment();
    m.GetWarPower();
    CMemStream saved;
    m.SaveToStream(saved);
    saved.m_nCapacity = saved.m_nPosition;
    saved.m_nPosition = 0;
    CMechanoid again;
    try
    {
        again.LoadFromStream(saved);
    }
    catch (const CStreamError&)
    {
        std::abort(); // what the mechanoid writes it must read
    }
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_mechanoid_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!fuzz::SetUp("mechanoid_seeds") || !fuzz::LoadUnitTables()) return 1;
    for (std::int32_t config = 0; config < g_MechConfigManager.GetCount(); ++config)
    {
        CMechanoid m;
        std::strcpy(m.m_szName, "SEED");
        m.InitConfig(config, false);
        m.AddToConfig("EQP_BOOSTER", "", 1, 0, false);
        m.m_Garbage.m_fMoney = 250.0f;
        m.m_Garbage.m_Items.push_back({0, "TOV_ORE", 3, 3, 10.0f});
        m.UpdateEquipment();
        CMemStream out;
        m.SaveToStream(out);
        std::vector<std::uint8_t> seed(out.m_pData, out.m_pData + out.m_nPosition);
        const std::string name = g_MechConfigManager.GetName(config);
        fuzz::WriteSeeds(dir, name, seed);
        // The same bytes under the older version words (the oldest layout
        // starts with its additional count instead).
        for (std::uint32_t version : {259u, 258u, 257u, 256u, 1u})
        {
            std::vector<std::uint8_t> older = seed;
            std::memcpy(older.data(), &version, 4);
            fuzz::WriteSeeds(dir, name + "_v" + std::to_string(version), older);
        }
    }
    return 0;
}

#endif
