// Fuzz target of the equipment stock's reader: any bytes as a "TRADEEQP"
// record (or block 5 of an objects file), of any version. A stock that
// loads is priced, restocked, written again and must read back. Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_eqptrade_seeds DIR writes stocks made with the engine's writer,
// under every version word, plus damaged variants of each.
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"
#include "society/EqpTrade.h"
#include "tests/fuzz/FuzzCommon.h"
#include "tests/fuzz/FuzzUnitTables.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef TVX_FUZZ_WRITE_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("eqptrade") && fuzz::LoadUnitTables();
    if (!ready) std::abort();
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size) std::memcpy(buffer, data, size);
    CEqpTrade trade;
    try
    {
        trade.LoadFromStream(stream);
    }
    catch (const CStreamError&)
    {
        return 0;
    }
    std::vector<SEqpConsoleItem> list;
    for (const CEqpTrade::SBuilding& b : trade.m_Buildings)
        trade.GetEqpList(b.m_szName, list);
    trade.RestockEqp();
    if (!trade.m_Buildings.empty() && !trade.m_Buildings[0].m_Items.empty())
    {
        const SEqpItem item = trade.m_Buildings[0].m_Items[0];
        trade.OnBoughtEqp(trade.m_Buildings[0].m_szName, item.m_szName, 1, item.m_dwModif);
        trade.OnSoldEqp("FUZZ", item.m_szName, 1, item.m_dwModif);
    }
    CMemStream saved;
    trade.SaveToStream(saved);
    saved.m_nCapacity = saved.m_nPosition;
    saved.m_nPosition = 0;
    CEqpTrade again;
    try
    {
        again.LoadFromStream(saved);
    }
    catch (const CStreamError&)
    {
        std::abort(); // what the stock writes it must read
    }
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_eqptrade_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!fuzz::SetUp("eqptrade_seeds") || !fuzz::LoadUnitTables()) return 1;
    CEqpTrade trade;
    trade.AddConfig("CFG_SCOUT");
    trade.AddEqp("M_REACTOR_A", 0u, 0.5f);
    trade.AddEqpToBuiding("HALL", "REACTOR_1", 3, 0x3001, 2.0f);
    trade.AddEqpToBuiding("HALL", "M_GUN_RATE", 1, 0, 0.0f);
    trade.AddEqpToBuiding("DEPOT", "GL_SMALL", 1, 0, 0.0f);
    for (std::uint32_t version : {3u, 2u, 1u})
    {
        CMemStream out;
        trade.SaveToStream(out);
        std::vector<std::uint8_t> seed(out.m_pData, out.m_pData + out.m_nPosition);
        std::memcpy(seed.data(), &version, 4);
        fuzz::WriteSeeds(dir, "stock_v" + std::to_string(version), seed);
    }
    CEqpTrade empty;
    CMemStream out;
    empty.SaveToStream(out);
    fuzz::WriteSeeds(dir, "empty", std::vector<std::uint8_t>(out.m_pData, out.m_pData + out.m_nPosition));
    return 0;
}

#endif
