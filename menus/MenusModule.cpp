#include "menus/MenusModule.h"

#include "foundation/ClassFactory.h"
#include "menus/MainUI.h"
#include "menus/MenuButton.h"
#include "menus/NetDialog.h"
#include "menus/SimpleMessageBox.h"
#include "menus/UIMenu.h"

#include <new>

std::uint32_t g_iCBuildingUI = 0;
std::uint32_t g_iCTunnelUI = 0;
std::uint32_t g_iCGliderUI = 0;
std::uint32_t g_iCBoxUI = 0;

namespace
{
// Null when the allocation fails.
template <class T> IBaseInterface* CreateObject()
{
    return new (std::nothrow) T();
}
} // namespace

void RegisterMenusClasses()
{
    // The picture buttons of the scroll bars and widgets draw the menu
    // buttons' pictures.
    InstallMenuPicturePainter();
    RegisterClassFactory(&g_iCBoxUI, CreateObject<CBoxUI>, "IGUID_CBoxUI");
    RegisterClassFactory(&g_iCBuildingUI, CreateObject<CBuildingUI>, "IGUID_CBuildingUI");
    RegisterClassFactory(&g_iCGliderUI, CreateObject<CGliderUI>, "IGUID_CGliderUI");
    RegisterClassFactory(&g_iCTunnelUI, CreateObject<CTunnelUI>, "IGUID_CTunnelUI");
    RegisterNetUIClass();
    RegisterMainMenuClasses();
}
