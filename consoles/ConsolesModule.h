// The consoles library's class registration: every console the menu hosts
// create by class id is registered here.
#pragma once

void RegisterConsolesClasses();
