#include "consoles/ConsolesModule.h"

#include "consoles/GCGarage.h"

void RegisterConsolesClasses()
{
    RegisterGarageClass();
}
