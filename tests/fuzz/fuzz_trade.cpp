// Fuzz target of the goods trade's reader: any bytes as a "TRADE" record
// (or block 2 of an objects file). A table that loads is priced, traded,
// run for an hour, written again and must read back. Built with
// TVX_FUZZ_WRITE_SEEDS this file is instead the seed writer:
// fuzz_trade_seeds DIR writes tables made with the engine's writer, under
// versions 2, 1 and 0, plus damaged variants of each.
#include "foundation/MemStream.h"
#include "foundation/Random.h"
#include "foundation/StreamReader.h"
#include "society/MMTrade.h"
#include "tests/fuzz/FuzzCommon.h"
#include "tests/society/TradeTables.h"
#include "units/Garbage.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#ifndef TVX_FUZZ_WRITE_SEEDS

namespace
{
// Building types from the name, so that every rule is reached.
std::int32_t TypeOf(const char* name)
{
    static constexpr std::int32_t kTypes[] = {0, 1, 3, 12, 15};
    return kTypes[static_cast<unsigned char>(name[0]) % 5];
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = fuzz::SetUp("trade");
    if (!ready) std::abort();
    tradetest::SetGoodsTable();
    g_pfnTradeBuildingType = TypeOf;
    g_Random.SetState(1);
    CMemStream stream;
    std::uint8_t* buffer = stream.Allocate(static_cast<std::uint32_t>(size));
    if (size) std::memcpy(buffer, data, size);
    CMMTrade trade;
    try
    {
        trade.LoadFromStream(stream);
    }
    catch (const CStreamError&)
    {
        return 0;
    }
    CGarbage hold;
    hold.m_fMoney = 1.0e6f;
    std::vector<STradeGood> list;
    for (std::uint32_t i = 0; i < trade.m_nCount; ++i)
    {
        SExBuildingTrade& b = trade.m_Buildings[i];
        b.GetGoodList(list);
        b.GetHighPriceGoods(list, 3);
        b.GetLowPriceGoods(list, 3);
        if (!b.m_Goods.empty())
        {
            char name[32];
            std::memcpy(name, b.m_Goods[0].m_szName, 32);
            b.BuyGoodFromBuilding(name, 3, 10, hold);
            b.SoldGoodToBuilding(name, 2, 5, hold);
            trade.BuyGoodFromBuilding(b.m_szName, name, 4);
            trade.SoldGoodToBuilding(b.m_szName, "TOV_GEMS", 2);
        }
        trade.CalcBuilding(b.m_szName);
        trade.GetProductionValue(b.m_szName);
    }
    char good[32];
    trade.GetRandomGood(good);
    trade.ResetStocks();
    CMemStream saved;
    trade.SaveToStream(saved);
    saved.m_nCapacity = saved.m_nPosition;
    saved.m_nPosition = 0;
    CMMTrade again;
    try
    {
        again.LoadFromStream(saved);
    }
    catch (const CStreamError&)
    {
        std::abort(); // what the trade writes it must read
    }
    return 0;
}

#else

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_trade_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (!fuzz::SetUp("trade_seeds")) return 1;
    tradetest::SetGoodsTable();
    CMMTrade trade;
    SExBuildingTrade* hall = trade.AddBuilding("HALL");
    hall->AddGood("TOV_ORE", 100, 1);
    hall->AddGood("TOV_FOOD", 30, 2);
    hall->AddGood("TOV_GEMS", 3, 2);
    hall->m_fTurnover = 250.0f;
    trade.AddBuilding("DEPOT")->AddGood("TOV_CHIP", 12, 1);
    trade.AddBuilding("EMPTY");
    for (std::uint32_t version : {2u, 1u, 0u})
    {
        CMemStream out;
        trade.SaveToStream(out);
        std::vector<std::uint8_t> seed(out.m_pData, out.m_pData + out.m_nPosition);
        std::memcpy(seed.data(), &version, 4);
        fuzz::WriteSeeds(dir, "trade_v" + std::to_string(version), seed);
    }
    return 0;
}

#endif
