// The sample's key bindings: section [INPUT] of "Data\CONFIG\cfg.ini" with
// the bindings of the options page's first rows by key name (the rest take
// their defaults), the mouse and joystick options.
#include "platform/Ini.h"

#include <cstdio>
#include <string>

bool WriteSampleInput(const std::string& root)
{
    const std::string cfg = root + "\\Data\\CONFIG\\cfg.ini";
    static const char* const kEntries[][2] = {
        {"FORWARD", "W"},        {"FORWARD2", "UP"},    {"BACKWARD", "S"},     {"BACKWARD2", "DOWN"},
        {"RIGHT", "RIGHT"},      {"RIGHT2", ""},        {"LEFT", "LEFT"},      {"LEFT2", ""},
        {"STRAFERIGHT", "D"},    {"STRAFELEFT", "A"},   {"FIRE", "LCTRL"},     {"FIRE2", "MOUSE1"},
        {"FIRE3", "JOY1"},       {"JUMP", "SPACE"},     {"CRUISE", "GRAVE"},   {"MouseSensitivity", "5"},
        {"InverseMouse", "0"},   {"MouseAutoRotate", "0"}, {"Joystick", "0"}, {"SensitivityJoystick", "10"},
        {"AutoFire", "0"},       {"CenterFire", "0"},
    };
    for (const auto& e : kEntries)
        if (!plat::WritePrivateProfileString("INPUT", e[0], e[1], cfg.c_str()))
        {
            std::fprintf(stderr, "mksample: cannot write %s\n", cfg.c_str());
            return false;
        }
    return true;
}
