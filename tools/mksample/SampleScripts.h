// mksample's compiled scripts: a few code-tree scripts in "Data\Bin\" made
// with the code-tree builder, bound to objects and events in
// "DATA\CONFIG\objects.ini". The script tests run them too.
//
//   sample_base   [OBJECTS] SAMPLE_BASE*: OnEnterBuild(object) gives
//                 "Welcome to <object>"; OnHit(object, by) counts the hits
//                 and gives the count.
//   sample_clock  [EVENTS] OnHour: counts the hours run in HOURS, sums
//                 1..10 in a loop and gives 55;
//                 [OBJECTS] SAMPLE_TOWER: its main body sets STATE to "ready".
//
// Mission text scripts: the source below "SCRIPT\" and its compiled form in
// "SCRIPT\bin\" (what the mission script manager loads).
//
//   SAMPLE_Q1.qst  a quest of two parts: START gives quest Q1 (title, first
//                  journal part, a 48-hour timer, the north base marked);
//                  ENTERBASE takes 10 TOV_CRYSTAL and gives the second part;
//                  RETURNHOME pays 500 and 10 rating and completes Q1;
//                  Q1_TIMEOUT fails it for good. Its texts are in "SCRIPT\Quest.dat"
//                  (SampleMarkup.h).
#pragma once

#include <string>

bool WriteSampleScripts(const std::string& root);

// The sample mission's source text.
extern const char* const kSampleMissionSource;
// Writes SCRIPT\<name><extension> (the source) and the compiled
// SCRIPT\bin\<name><extension>; prints what went wrong and returns false.
bool WriteMissionScript(const std::string& root, const std::string& name, const char* extension,
                        const std::string& source);
