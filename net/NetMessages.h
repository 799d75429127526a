// The game's network messages: a u32 type and a u32 size, then a fixed
// payload per type (little-endian). The size word holds the message's length
// in bytes, except in the player state (0) and in the replies that carry the
// selected index there (0x2007, 0x2008). Received messages are read by their
// received length, never by the size word.
//
// Sent by the client:
//   0x00FF player state, 184: 8-19 the three session ids; 168 f32 view x;
//          172 f32 view y; 180 f32 the "VisibleRadius" setting x 10; the rest 0
//   0x1004 opening, 8: header only
//   0x1006 clock, 16: 8 f64 the connection timer's application time, s
//   0x2001 exit game, 0x2003 pause, 120: 8-19 the three session ids, the rest 0
//   0x2002 game descriptor, 120: 8-119 the own descriptor's first 112 bytes
//   0x2004 create game, 120: 8-119 the 112-byte game record
//   0x2006 games list request, 1804: payload 0
//   0x2007 details request, 5644: payload 0 (the answer to 0x2001-0x2003)
//   object updates: no header; the changed network objects' descriptors
//          back to back (world/NetDescriptor.h), each with its size at 24
// Received by the client:
//   0x2006 games list: 8 u32 count; count x 112-byte game records from 12
//   0x2007 game details: 4 i32 selected; 8 u32 count; count x 164-byte game
//          descriptors from 396
//   0x2008 selected: 4 i32 selected
//   0x2009 game state; 0xFFFF abort (ends a wait with failure)
//   0x2001, 0x2002, 0x2003 ask for a details request; others are taken in
//   without effect
#pragma once

#include <cstdint>

namespace netmsg
{

constexpr std::uint32_t kPlayerState = 0x00FF;
constexpr std::uint32_t kOpen = 0x1004;
constexpr std::uint32_t kClock = 0x1006;
constexpr std::uint32_t kExitGame = 0x2001;
constexpr std::uint32_t kGameDescriptor = 0x2002;
constexpr std::uint32_t kPause = 0x2003;
constexpr std::uint32_t kCreateGame = 0x2004;
constexpr std::uint32_t kGameCreated = 0x2005;
constexpr std::uint32_t kGamesList = 0x2006;
constexpr std::uint32_t kGameDetails = 0x2007;
constexpr std::uint32_t kSelected = 0x2008;
constexpr std::uint32_t kGameState = 0x2009;
constexpr std::uint32_t kAbort = 0xFFFF;

constexpr std::uint32_t kHeaderSize = 8;
constexpr std::uint32_t kPlayerStateSize = 184;
constexpr std::uint32_t kClockSize = 16;
constexpr std::uint32_t kSessionMessageSize = 120;
constexpr std::uint32_t kGamesListRequestSize = 1804;
constexpr std::uint32_t kDetailsRequestSize = 5644;
constexpr std::uint32_t kGamesListRecordsAt = 12;
constexpr std::uint32_t kDetailsRecordsAt = 396;

// Player state offsets.
constexpr std::uint32_t kViewXAt = 168;
constexpr std::uint32_t kViewYAt = 172;
constexpr std::uint32_t kRadiusAt = 180;

#pragma pack(push, 1)
// A game as the server lists it (112 bytes); the client shows the two texts.
struct SGameRecord
{
    std::uint8_t head[9];
    char text1[67];     // at 9, NUL-terminated when shorter
    char text2[32];     // at 76
    std::uint32_t tail; // at 108; -1 in a new record
};

// A game's descriptor (164 bytes); the client's own carries its session ids
// and its player name.
struct SGameDescriptor
{
    std::uint32_t sessionIds[3];
    std::uint32_t field12;
    std::uint16_t name[64]; // UTF-16, at 16
    std::uint32_t state;    // at 144; 2 when sent with 0x2002
    std::uint32_t field148[4];
};
#pragma pack(pop)

static_assert(sizeof(SGameRecord) == 112);
static_assert(sizeof(SGameDescriptor) == 164);
static_assert(kDetailsRecordsAt + 32 * sizeof(SGameDescriptor) == kDetailsRequestSize);

} // namespace netmsg
