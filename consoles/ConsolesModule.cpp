#include "consoles/ConsolesModule.h"

#include "consoles/SaveLoadGC.h"

void RegisterConsolesClasses()
{
    CSaveLoadGC::RegisterClass();
}
