#include "menus/MenusModule.h"

#include "menus/NetDialog.h"
#include "menus/WidgetPictures.h"

void RegisterMenusClasses()
{
    // The picture buttons of the scroll bars and widgets draw through it.
    InstallWidgetPictures();
    RegisterNetUIClass();
}
