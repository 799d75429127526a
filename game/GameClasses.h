// Every library's class registration, as the game starts: the application's
// (RegisterAppClasses: the libraries below it and its own services), then
// the screens' and the consoles', which build on the application.
#pragma once

void RegisterGameClasses();
