#include "society/EqpTrade.h"

#include "world/World.h"

namespace
{
std::uint32_t g_iIEqpTrade = 0;

IBaseInterface* CreateEqpTrade()
{
    return new CEqpTrade;
}

IEquipmentStock* WorldEquipmentStock()
{
    return g_pWorld ? dynamic_cast<IEquipmentStock*>(g_pWorld->m_pEqpTrade) : nullptr;
}
} // namespace

void RegisterTradeClasses()
{
    RegisterClassFactory(&g_iIEqpTrade, CreateEqpTrade, "IGUID_IEqpTrade");
    g_pfnEquipmentStock = WorldEquipmentStock;
}
