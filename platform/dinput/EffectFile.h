// Force-feedback effect files (".ffe"): reader and writer.
//
// The engine only needs, per stored effect, its kind, how long it plays,
// how strong it is and (for waves) its period; this is the reading of the
// files it takes. A file is a RIFF form, all numbers little-endian, every
// chunk padded to an even length:
//
//   "RIFF" u32 size "FORC"
//     "LIST" u32 size "efct"          one list per effect, in file order
//       "name" NUL-terminated name     optional
//       "id  " 16 bytes                the effect type's GUID (see below)
//       "data" the effect block, u32 fields, at least 20 bytes:
//              +0 block size  +4 flags  +8 duration in microseconds
//              (0xFFFFFFFF: until stopped)  +12 sample period  +16 gain
//              0..10000  +20 trigger button  +24 trigger repeat  +28 axis
//              count  +32..+51 four pointer slots (no meaning in a file)
//              +52 start delay in microseconds (when the block is 56 bytes)
//       "prm " type parameters         optional (full strength without):
//              constant {i32 magnitude}; ramp {i32 start, i32 end};
//              periodic {u32 magnitude, i32 offset, u32 phase, u32 period us};
//              condition {i32 offset, i32 positive coefficient, ...}
//       other chunks (axes, directions, envelope) are skipped.
//
// Effect type GUIDs: {13541C20-8E33-11D0-9AD0-00A0C9A06E35} is a constant
// force; the first field 0x13541C21 .. 0x13541C2B with the same remainder are
// ramp, square, sine, triangle, sawtooth up, sawtooth down, spring, damper,
// inertia, friction and custom force. An effect of another GUID is skipped.
//
// Thread safety: pure functions over the caller's data.
#pragma once

#include "platform/dinput/DInput.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat
{

struct FileEffect
{
    std::string name;
    EffectParams params;
};

// Reads every effect the engine can play from the file's bytes, in file
// order. False, with the reason in *error, when the bytes are no effect
// file or are damaged (a chunk past its parent's end, a short effect
// block); effects of unknown kinds are skipped without failing.
bool ParseEffectFile(const std::uint8_t* data, std::size_t size, std::vector<FileEffect>* effects,
                     std::string* error);
// The same for a file of the data tree (a Windows-style path).
bool ReadEffectFile(const char* path, std::vector<FileEffect>* effects, std::string* error);

// The bytes of an effect file holding the effects, in the layout above.
std::vector<std::uint8_t> WriteEffectFile(const std::vector<FileEffect>& effects);

} // namespace plat
