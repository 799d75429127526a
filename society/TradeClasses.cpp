#include "society/EqpTrade.h"
#include "society/MMTrade.h"
#include "society/OrgManager.h"
#include "society/Organization.h"

#include "foundation/ErrorLog.h"
#include "world/MMEngine.h"
#include "world/World.h"
#include "world/WorldSeams.h"

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

// The world's organisation for a location record: the organisation
// manager's, bound to the record.
IWorldOrganization* CreateWorldOrganization(SOrgData* data)
{
    if (!data || !g_pOrgManager) return nullptr;
    COrganization* org = g_pOrgManager->CreateOrganization(data->name);
    if (!org)
    {
        g_ErrorLog.LogError("organisation '%s' of the location is not in the organisations table", data->name);
        return nullptr;
    }
    org->Bind(data);
    return org;
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
    g_pfnCreateWorldOrganization = CreateWorldOrganization;
}
