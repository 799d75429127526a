// The link texts of the menus' markup windows: a comma-separated list of
// parts, each an action word or a script call, optionally preceded by an
// object name and '#':
//
//     clear,close                      two words, run left to right
//     sample_hall#Accept(Q1)           object, procedure and argument
//     GetName                          a procedure of the current object
//
// A part's word is the text after its first '#' (the whole part without
// one). A script call's procedure runs to the '(' (the rest of the part
// without one) and its argument lies between the '(' and the part's last
// character, which is dropped unchecked.
//
// Bounds: a part of at most 243 characters, an object name of at most 127,
// a procedure and an argument of at most 31 each. A part past a bound is
// refused whole (with the reason): cutting a procedure name or an argument
// would run something the link does not say.
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct SLinkPart
{
    static constexpr std::size_t kMaxPart = 243;
    static constexpr std::size_t kMaxObject = 127;
    static constexpr std::size_t kMaxName = 31;

    bool hasObject = false;
    std::string object;    // before the '#'
    std::string word;      // after the '#'
    std::string procedure; // the word up to '('
    std::string argument;  // between '(' and the last character
};

// The parts of a link, split at ','.
std::vector<std::string> SplitLinkText(std::string_view link);
// One part; false (and why in *error) when it breaks a bound.
bool ParseLinkPart(std::string_view part, SLinkPart* out, std::string* error);
// Equality without regard to the letter case of ASCII letters.
bool SameWord(std::string_view a, std::string_view b);
