#include "consoles/ConsolesModule.h"

#include "consoles/GCInfo.h"
#include "consoles/GCLog.h"
#include "consoles/GCMap.h"
#include "consoles/SaveLoadGC.h"

void RegisterConsolesClasses()
{
    CSaveLoadGC::RegisterClass();
    CGCLog::RegisterClass();
    CGCInfo::RegisterClass();
    CGCMap::RegisterClass();
}
