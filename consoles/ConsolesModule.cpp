#include "consoles/ConsolesModule.h"

void RegisterConsolesClasses() {}
