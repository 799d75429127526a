#include "menus/MenusModule.h"

void RegisterMenusClasses()
{
}
