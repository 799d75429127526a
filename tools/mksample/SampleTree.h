// The whole sample data tree: the folders the game reads from and writes
// to, and every sample file of the writers below. mksample writes it; tests
// that need a complete game data tree (tests/common) write it too.
#pragma once

#include <string>

// Creates root and the tree in it; prints what went wrong and returns false
// on failure.
bool WriteSampleTree(const std::string& root);
