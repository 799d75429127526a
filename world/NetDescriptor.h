// The network descriptor of an object: a fixed little-endian layout sent
// for every object of the network game. The base part (40 bytes) is written
// by every object; a dynamic object appends 97 bytes (137 in all).
//
//   offset size field
//        0    4 network id of the object
//        4    4 first four bytes of the type reference (0xFFFFFFFF none)
//        8    4 kind: 0x3001 alive, 0x3002 dead
//       12    4 object type code
//       16    8 sender's frame-timer time, seconds (f64)
//       24    4 size: 40 as the base writes it; the sender sets it to the
//                whole descriptor's size, which a reader checks against
//                the bytes received before it reads the descriptor
//       28   12 position (3 x f32)
//   dynamic extension:
//       40   12 forward axis (matrix column 2)
//       52   12 side axis (matrix column 0)
//       64   12 up axis (matrix column 1)
//       76    4 drive
//       80    4 strafe
//       84    4 grip
//       88   12 velocity
//      100   12 levelling rates
//      112   12 turn input
//      124   12 step angles
//      136    1 shown flag
#pragma once

#include <cstdint>

constexpr std::uint32_t kNetKindAlive = 0x3001;
constexpr std::uint32_t kNetKindDead = 0x3002;

#pragma pack(push, 1)
struct SNetDescriptor
{
    std::uint32_t netId;
    std::uint32_t typeRef;
    std::uint32_t kind;
    std::int32_t type;
    double time;
    std::uint32_t baseSize;
    float position[3];
};

struct SDynamicNetDescriptor
{
    SNetDescriptor base;
    float forward[3];
    float side[3];
    float up[3];
    float drive;
    float strafe;
    float grip;
    float velocity[3];
    float levelling[3];
    float turn[3];
    float steps[3];
    std::uint8_t shown;
};
#pragma pack(pop)

static_assert(sizeof(SNetDescriptor) == 40);
static_assert(sizeof(SDynamicNetDescriptor) == 137);
constexpr int kNetDescriptorSize = 40;
// No object writes a longer descriptor (a glider with its mechanoid's full
// state stays well below it): a writer needs this much room, a reader
// refuses a descriptor that claims more.
constexpr int kMaxNetDescriptorSize = 8192;
constexpr int kDynamicNetExtensionSize = 97;
