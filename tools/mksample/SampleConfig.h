// mksample's configuration files: "DATA\CONFIG\cfg.ini", the key-name table
// "Data\CONFIG\DICode.ini" and the force-feedback effects in "Data\FFE\".
// Each writer prints what went wrong and returns false on failure.
#pragma once

#include <string>

bool WriteSampleConfig(const std::string& root);
bool WriteSampleKeyCodes(const std::string& root);
bool WriteSampleEffects(const std::string& root);
