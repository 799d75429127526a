#include "consoles/ConsolesModule.h"

#include "consoles/GCTrade.h"
#include "foundation/ClassFactory.h"

#include <new>

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
    RegisterClassFactory(&g_iCGCTrade, CreateConsole<CGCTrade>, "IGUID_CGCTrade");
}
