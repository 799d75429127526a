// Fuzz target of the mechanoid's network record: any bytes as the buffer a
// record is read from. A record that reads is written again and must read
// back. Built with TVX_FUZZ_WRITE_SEEDS this file is instead the seed
// writer: fuzz_mechanoid_net_seeds DIR writes the records of mechanoids
// fitted from the configurations, plus damaged variants of each.
#include "foundation/StreamReader.h"
#include "tests/fuzz/FuzzCommon.h"
#include "tests/fuzz/FuzzUnitTables.h"
#include "units/Mechanoid.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("mechanoid_net") && fuzz::LoadUnitTables();
    if (!ready) std::abort();
    CMechanoid m;
    std::uint32_t position = 0;
    try
    {
        m.GetNetBuffer(data, static_cast<std::uint32_t>(size), &position);
    }
    catch (const CStreamError&)
    {
        return 0;
    }
    std::vector<std::uint8_t> buffer(8192);
    std::uint32_t put = 0;
    m.PutNetBuffer(buffer.data(), static_cast<std::uint32_t>(buffer.size()), &put);
    CMechanoid again;
    std::uint32_t get = 0;
    try
    {
        again.GetNetBuffer(buffer.data(), put, &get);
    }
    catch (const CStreamError&)
    {
        std::abort(); // what the mechanoid writes it must read
    }
    if (get != put) std::abort();
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_mechanoid_net_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!fuzz::SetUp("mechanoid_net_seeds") || !fuzz::LoadUnitTables()) return 1;
    for (std::int32_t config = 0; config < g_MechConfigManager.GetCount(); ++config)
    {
        CMechanoid m;
        std::strcpy(m.m_szName, "SEED");
        m.InitConfig(config, false);
        std::vector<std::uint8_t> buffer(8192);
        std::uint32_t size = 0;
        m.PutNetBuffer(buffer.data(), static_cast<std::uint32_t>(buffer.size()), &size);
        buffer.resize(size);
        fuzz::WriteSeeds(dir, g_MechConfigManager.GetName(config), buffer);
    }
    return 0;
}

#endif
