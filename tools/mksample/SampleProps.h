// The sample's procedural models (SampleProps.cpp, SampleBuildings.cpp):
// the player's glider and its engine flame, the machines (capsule, flying
// observer, rescuer), nature (pine, bush, grass tuft, pebble, boulder,
// crystal), props (crate, street lamp, boundary post), the armed posts
// (tower and turret with their gun heads) and the buildings (hall, depot,
// capsule station), all textured from the one prop sheet.
#pragma once

#include <string>

// The model files below "Data\Models\", the prop sheet and their texture
// and model records (after the database exists); prints what went wrong and
// returns false on failure.
bool WriteSampleProps(const std::string& root);

// SampleBuildings.cpp: the hall, the depot and the capsule station into
// dir ("...\Data\Models"); false when a file cannot be written.
bool WriteSampleBuildings(const std::string& dir);
