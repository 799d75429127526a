// Sample markup pages: entries of the text database "SCRIPT\Quest.dat"
// (table "INFORMATION", fields "TEXT", "NAME", "DELETED") whose texts use
// links, icons, a picture of "Data\Images\" and Cyrillic text, plus that
// picture. The fuzz target of the markup parser takes the same pages as
// seeds.
#pragma once

#include <string>
#include <vector>

struct SSampleMarkupPage
{
    std::string key;  // the text-database key
    std::string name; // code page 1251
    std::string text; // markup, code page 1251
};

// The pages, in code page 1251.
std::vector<SSampleMarkupPage> SampleMarkupPages();
// The texts of the sample mission (SampleScripts.h) and the names the "%"
// placeholders look up (ratings, the player's organisation), in Russian and
// English; "INT_SAMPLE_GREETING" has an English variant ".1" beside the
// Russian key. Code page 1251.
std::vector<SSampleMarkupPage> SampleQuestTexts();
// The picture the pages show: "markup_map.bmp", 96 x 64.
constexpr const char* kSampleMarkupImage = "markup_map.bmp";
// Writes "SCRIPT\Quest.dat" (with its index and table files: the pages and
// the quest texts) and the picture; prints what went wrong and returns false on failure.
bool WriteSampleMarkup(const std::string& root);
