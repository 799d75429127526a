// The whole game state as text lines, for comparing two games (a game and
// the same game saved and loaded again) and saying where they part.
//
// DumpGameState writes, in a fixed order: the environment's clock, the
// camera mode, the player's name, glider placement, money and level; one
// line per saved object of the object list (type, game id, position); then
// every record that a saved game holds, as each owner writes it (scripts,
// radar, player progress, quest log, environment, relations and the
// world's records), in lines of 32 bytes of hex headed by the record's name
// and offset. What is not there (no radar, no world) is one line saying so.
// The groups' think clocks, which a load deals anew on purpose, read 0.
//
// Writing the records is what a save does: the owners' save routines run
// (the object list forgets its sensors' cached mechs, as after a save).
//
// Threads: main thread only.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> DumpGameState();

// "" when the dumps are equal; else the first line that differs in each
// (with its number), or the line one of them has beyond the other's end.
std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b);
