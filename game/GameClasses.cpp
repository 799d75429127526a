#include "game/GameClasses.h"

#include "app/AppClasses.h"
#include "consoles/ConsolesModule.h"
#include "menus/MenusModule.h"

void RegisterGameClasses()
{
    RegisterAppClasses();
    RegisterMenusClasses();
    RegisterConsolesClasses();
}
