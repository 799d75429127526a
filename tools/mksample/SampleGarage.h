// mksample's garage: the building "SAMPLE_GARAGE" (kind "GARAGE_SAMPLE",
// type 11) south of the roads, its equipment stock (two guns, armour, a
// shield, an engine, a reactor, two kinds of ammunition and two
// modifiers), and the texts of the garage console and of what it sells.
#pragma once

#include "tools/mksample/SampleMenus.h"

#include <vector>

class CEqpTrade;

// Where the garage stands, out of the way of the start and the roads (its
// door to the south, as the hall's).
constexpr float kSampleGarageX = 1450.0f;
constexpr float kSampleGarageY = 850.0f;

// The garage's own items, added to the stock that block 5 writes.
void AddSampleGarageStock(CEqpTrade& stock);
// The garage console's texts and the names and descriptions of its goods.
std::vector<SSampleMenuText> SampleGarageTexts();
