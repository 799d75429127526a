// CTheThing: a pick-up thing lying in the world (type 21): a container of
// goods or missiles, money, a wreck or a mechanoid's mechmind. Each frame a
// lying thing looks for a glider slow and close enough to collect it, moves
// its contents into the glider's mechanoid, rises for half a second while
// the pick-up effect plays, then deletes itself. Far from the camera a
// thing expires after five minutes (mechminds and player-only things
// never do).
//
// Kinds (the type's TYPE; 257 without a type record): 257 mechmind (the
// model of the mech whose id is the game id), 515 money, 769 wreck (one of
// "MOD_CRASH_BIG_01".."05"), any other a container.
//
// Content entry (40 bytes): u32 content kind, char name[32] (a missile
// type or a goods name), u32 amount. At most 10 per thing.
//
// Network descriptor (after the 40-byte base): u32 kind, u32 count, count x
// 40-byte entries. Save record (after the base's 13 bytes): u32 version
// 4097; char[32] type name ("_DEFAULT_" without a type); u8 player-only;
// u32 count; count x 40-byte entries; char[32] game id; u32 age (float
// bits). Version 4096 lacks the age; a record without a version word (its
// first word outside 4096..8192) is version 2457 and lacks the game id too.
// Readers throw CObjectStreamError (record, offset, reason) on a short
// record or a count above 10; nothing is applied from a bad record.
//
// The glider's pilot is the units': the thing reaches it through
// g_pThingCollector, which the units fill. Without a collector nobody
// collects.
//
// Threads: main thread.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "world/MMObject.h"

#include <cstdint>

#pragma pack(push, 1)
struct SThingContent
{
    std::uint32_t kind;
    char name[32];
    std::uint32_t amount;
};
#pragma pack(pop)
static_assert(sizeof(SThingContent) == 40);

// What a pick-up thing asks of a collecting glider's pilot (the glider as
// a world object of type 14: the world does not link the units' class).
class IThingCollector
{
public:
    virtual ~IThingCollector() = default;
    // In play, with a pilot whose state lets it collect.
    virtual bool CanCollect(CMMObject* glider) = 0;
    // (equipment weight + goods weight + 1) / cargo capacity >= 1.
    virtual bool IsHoldFull(CMMObject* glider) = 0;
    // amount of the missile type added to the pilot's stock (a new stock
    // entry when it has none of the type), then ammunition and equipment
    // refreshed; false (logged) when the stock has no room.
    virtual bool AddMissiles(CMMObject* glider, std::int32_t missileType, std::uint32_t amount) = 0;
    // The goods into the pilot's cargo hold with the content kind.
    virtual void AddGoods(CMMObject* glider, std::uint32_t kind, const char* name, std::uint32_t amount) = 0;
    // The glider's carried weight after a transfer.
    virtual void UpdateWeight(CMMObject* glider) = 0;
};

inline IThingCollector* g_pThingCollector = nullptr;

class CTheThing;
// The thing the player's glider dropped last (it cannot take it back at
// once); set by the glider's cargo ejection, cleared when the thing goes.
inline CTheThing* g_pLastDroppedThing = nullptr;

class CTheThing : public CMMObject
{
public:
    static constexpr int kMaxContents = 10;
    static constexpr std::uint32_t kSaveVersion = 4097;
    static constexpr std::uint32_t kKindMechmind = 257;
    static constexpr std::uint32_t kKindMoney = 515;
    static constexpr std::uint32_t kKindWreck = 769;
    static constexpr float kRiseTime = 0.5f;
    static constexpr float kExpiry = 300.0f;
    static constexpr int kDeviceLight = 10;

    CTheThing();
    ~CTheThing() override;

    // Placement, game id (at most 31 characters), type by name (an unknown
    // name: no record, kind 257), model and glow, radius; lying.
    virtual void Init(const CMatrix* placement, const char* typeName, const char* gameId);
    // Appends an entry; false (nothing added) when 10 are held.
    bool AddContent(std::uint32_t kind, const char* name, std::uint32_t amount);

    void Draw() override;
    void Run() override;
    void DrawEffect(int pass) override;
    void WriteNetDescriptor(void* buffer, int* size) override;
    void ReadNetDescriptor(const void* buffer, int* size) override;
    // The model by kind, the glow texture.
    void ReInitFromType() override;
    void SaveGame(CMemStream& stream) override;
    void LoadGame(CMemStream& stream) override;
    // Any damage destroys the thing.
    void Damage(float, CVector, int, CMMObject*, int, int) override { m_bAlive = 0; }

    // The collection rule: speed squared below 80^2, horizontal distance
    // squared h within 4 x 8^2, and h within 8^2 or the speed squared within
    // 80^2 x 0.05.
    static bool IsCollectedAt(float speedSquared, float horizontalSquared);

    // The flag that keeps the player from collecting (set on things the
    // player may not take back) and the second flag Draw tests.
    std::uint8_t& PlayerBarred() { return m_bKindByte3; }
    std::uint8_t& Hidden() { return m_bKindByte4; }

    CGeometryBuffer m_Glow;
    std::uint8_t m_bGlowBuilt = 0;
    std::uint8_t m_bLying = 0;
    float m_fPickupTime = 0.0f;
    std::int32_t m_nGlowTexture = -1;
    std::int32_t m_nModel = -1;
    std::uint32_t m_dwTint = 0;
    float m_fAge = 0.0f;
    std::uint32_t m_nKind = kKindMechmind;
    SThingContent m_Contents[kMaxContents] = {};
    std::uint32_t m_nContents = 0;
    std::uint8_t m_bPlayerOnly = 0;
    std::int32_t m_nTypeIndex = -1;

private:
    void Collect();
    // Moves the contents from the first one not yet moved; false when the
    // player's hold filled up (the rest stays).
    bool Transfer(CMMObject* glider, bool player);
    void DrawGlow(float distance);
};

