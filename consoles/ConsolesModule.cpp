#include "consoles/ConsolesModule.h"

#include "consoles/GCClan.h"
#include "consoles/GCCluster.h"
#include "consoles/GCGarage.h"
#include "consoles/GCGlider.h"
#include "consoles/GCTunnel.h"
#include "consoles/GCInfo.h"
#include "consoles/GCLog.h"
#include "consoles/GCMap.h"
#include "consoles/GCQuest.h"
#include "consoles/GCTrade.h"
#include "consoles/SaveLoadGC.h"
#include "foundation/ClassFactory.h"

#include <new>

std::uint32_t g_iCGCQuest = 0;
std::uint32_t g_iCGCTrade = 0;
std::uint32_t g_iCSaveLoadGC = 0;
std::uint32_t g_iCGCLog = 0;
std::uint32_t g_iCGCInfo = 0;
std::uint32_t g_iCGCMap = 0;
std::uint32_t g_iCGCTunnel = 0;
std::uint32_t g_iCGCCluster = 0;
std::uint32_t g_iCGCClan = 0;

namespace
{
// Null when the allocation fails.
template <class T> IBaseInterface* CreateConsole()
{
    return new (std::nothrow) T();
}
} // namespace

void RegisterConsolesClasses()
{
    RegisterClassFactory(&g_iCGCQuest, CreateConsole<CGCQuest>, "IGUID_CGCQuest");
    RegisterClassFactory(&g_iCGCTrade, CreateConsole<CGCTrade>, "IGUID_CGCTrade");
    RegisterClassFactory(&g_iCSaveLoadGC, CreateConsole<CSaveLoadGC>, "IGUID_CSaveLoadGC");
    RegisterClassFactory(&g_iCGCLog, CreateConsole<CGCLog>, "IGUID_CGCLog");
    RegisterClassFactory(&g_iCGCInfo, CreateConsole<CGCInfo>, "IGUID_CGCInfo");
    RegisterClassFactory(&g_iCGCMap, CreateConsole<CGCMap>, "IGUID_CGCMap");
    RegisterGarageClass();
    RegisterGliderClass();
    RegisterClassFactory(&g_iCGCTunnel, CreateConsole<CGCTunnel>, "IGUID_CGCTunnel");
    RegisterClassFactory(&g_iCGCCluster, CreateConsole<CGCCluster>, "IGUID_CGCCluster");
    RegisterClassFactory(&g_iCGCClan, CreateConsole<CGCClan>, "IGUID_CGCClan");
}
