// The menus library's class registration: every screen, dialog and widget
// the application creates by class id is registered here.
#pragma once

void RegisterMenusClasses();
