// mksample's compiled scripts: a few code-tree scripts in "Data\Bin\" made
// with the code-tree builder, bound to objects and events in
// "DATA\CONFIG\objects.ini". The script tests run them too.
//
//   sample_base   [OBJECTS] SAMPLE_BASE*: OnEnterBuild(object) gives
//                 "Welcome to <object>"; OnHit(object, by) counts the hits
//                 and gives the count.
//   sample_clock  [EVENTS] OnHour: sums 1..10 in a loop and gives 55;
//                 [OBJECTS] SAMPLE_TOWER: its main body sets STATE to "ready".
#pragma once

#include <string>

bool WriteSampleScripts(const std::string& root);
