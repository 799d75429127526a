// The texts of the save/load panel, the information desk, the journal and
// the map console, added to
// the sample's text database (after WriteSampleMenus).
#pragma once

#include "tools/mksample/SampleMenus.h"

#include <string>
#include <vector>

std::vector<SSampleMenuText> SampleInfoTexts();
bool WriteSampleInfo(const std::string& root);
