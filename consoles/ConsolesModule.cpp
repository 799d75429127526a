#include "consoles/ConsolesModule.h"

#include "consoles/GCGarage.h"
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
    CSaveLoadGC::RegisterClass();
    CGCLog::RegisterClass();
    CGCInfo::RegisterClass();
    CGCMap::RegisterClass();
    RegisterGarageClass();
}
