#include "society/EqpTrade.h"
#include "society/MMTrade.h"
#include "society/OrgManager.h"

#include "world/World.h"

namespace
{
std::uint32_t g_iIEqpTrade = 0;
std::uint32_t g_iIMMTrade = 0;
std::uint32_t g_iIOrgManager = 0;

IBaseInterface* CreateEqpTrade()
{
    return new CEqpTrade;
}

IBaseInterface* CreateMMTrade()
{
    return new CMMTrade;
}

IBaseInterface* CreateOrgManager()
{
    return new COrgManager;
}

IEquipmentStock* WorldEquipmentStock()
{
    return g_pWorld ? dynamic_cast<IEquipmentStock*>(g_pWorld->m_pEqpTrade) : nullptr;
}
} // namespace

void RegisterTradeClasses()
{
    RegisterClassFactory(&g_iIEqpTrade, CreateEqpTrade, "IGUID_IEqpTrade");
    RegisterClassFactory(&g_iIMMTrade, CreateMMTrade, "IGUID_IMMTrade");
    RegisterClassFactory(&g_iIOrgManager, CreateOrgManager, "IGUID_IOrgManager");
    g_pfnEquipmentStock = WorldEquipmentStock;
}
