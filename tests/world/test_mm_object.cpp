// The game-object base: the network descriptor's layout and round trip, the
// stream records, the dynamic object's setters and jump lock-out, and cell
// moves.
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/GameTime.h"
#include "foundation/MemStream.h"
#include "world/DynamicObject.h"
#include "world/NetDescriptor.h"
#include "world/ObjectList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace
{

class MMObject : public testutil::CLogDirTest
{
protected:
    worldtest::CScene m_Scene;
};

CMatrix Placement(float x, float y, float z)
{
    CMatrix m = MakeDefaultObjectMatrix();
    m.SetTranslation(CVector{x, y, z});
    return m;
}

} // namespace

TEST(NetDescriptor, LayoutMatchesTheWireFormat)
{
    struct SField
    {
        std::size_t offset, expected;
        const char* name;
    } fields[] = {
        {offsetof(SNetDescriptor, netId), 0, "netId"},
        {offsetof(SNetDescriptor, typeRef), 4, "typeRef"},
        {offsetof(SNetDescriptor, kind), 8, "kind"},
        {offsetof(SNetDescriptor, type), 12, "type"},
        {offsetof(SNetDescriptor, time), 16, "time"},
        {offsetof(SNetDescriptor, baseSize), 24, "baseSize"},
        {offsetof(SNetDescriptor, position), 28, "position"},
        {offsetof(SDynamicNetDescriptor, forward), 40, "forward"},
        {offsetof(SDynamicNetDescriptor, side), 52, "side"},
        {offsetof(SDynamicNetDescriptor, up), 64, "up"},
        {offsetof(SDynamicNetDescriptor, drive), 76, "drive"},
        {offsetof(SDynamicNetDescriptor, strafe), 80, "strafe"},
        {offsetof(SDynamicNetDescriptor, grip), 84, "grip"},
        {offsetof(SDynamicNetDescriptor, velocity), 88, "velocity"},
        {offsetof(SDynamicNetDescriptor, levelling), 100, "levelling"},
        {offsetof(SDynamicNetDescriptor, turn), 112, "turn"},
        {offsetof(SDynamicNetDescriptor, steps), 124, "steps"},
        {offsetof(SDynamicNetDescriptor, shown), 136, "shown"},
    };
    for (const SField& f : fields)
        EXPECT_EQ(f.offset, f.expected) << f.name;
    EXPECT_EQ(sizeof(SNetDescriptor), 40u);
    EXPECT_EQ(sizeof(SDynamicNetDescriptor), 137u);
}

TEST_F(MMObject, DescriptorRoundTripCarriesTheDynamicState)
{
    CDynamicObject sender;
    sender.m_nNetId = 77;
    sender.m_nType = OBJ_GLIDER;
    std::memcpy(sender.m_TypeRef, "\x05\x00\x00\x00", 4); // a missile's type index
    sender.SetMatrix(Placement(100, 200, 30));
    sender.m_Frame.RotateZ(0.7f);
    sender.m_fDrive = 25;
    sender.m_fStrafe = 2;
    sender.m_fGrip = 3;
    sender.m_vVelocity = {1, 2, 3};
    sender.m_vLevelling = {0, 0.5f, 0.25f};
    sender.m_vR = {0.1f, 0.2f, 0};
    sender.m_vSteps = {4, 5, 6};
    sender.m_bShown = 1;

    std::uint8_t wire[200] = {};
    int size = 0;
    sender.WriteNetDescriptor(wire, &size);
    EXPECT_EQ(size, 137);
    EXPECT_EQ(sender.m_bChanged, 0);
    SDynamicNetDescriptor d;
    std::memcpy(&d, wire, sizeof d);
    EXPECT_EQ(d.base.netId, 77u);
    EXPECT_EQ(d.base.typeRef, 5u);
    EXPECT_EQ(d.base.kind, kNetKindAlive);
    EXPECT_EQ(d.base.type, OBJ_GLIDER);
    EXPECT_EQ(d.base.baseSize, 40u);
    EXPECT_EQ(wire[137], 0); // nothing written past the record

    CDynamicObject receiver;
    int read = 0;
    receiver.ReadNetDescriptor(wire, &read);
    EXPECT_EQ(read, 137);
    EXPECT_EQ(receiver.GetPosition().x, 100.0f);
    EXPECT_EQ(receiver.GetPosition().y, 200.0f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(receiver.m_Frame.m_Matrix.m[r][c], sender.m_Frame.m_Matrix.m[r][c], 1e-6f);
    EXPECT_EQ(receiver.m_fDrive, 25.0f);
    EXPECT_EQ(receiver.m_vVelocity.z, 3.0f);
    EXPECT_EQ(receiver.m_vSteps.y, 5.0f);
    EXPECT_EQ(receiver.m_bShown, 1);
    EXPECT_EQ(receiver.m_dSenderTime, d.base.time);
}

TEST_F(MMObject, ADeadObjectsDescriptorQueuesTheCopyForDeletion)
{
    CMMObject sender;
    sender.m_bAlive = 0;
    std::uint8_t wire[40];
    int size = 0;
    sender.WriteNetDescriptor(wire, &size);
    EXPECT_EQ(size, 40);
    SNetDescriptor d;
    std::memcpy(&d, wire, sizeof d);
    EXPECT_EQ(d.kind, kNetKindDead);

    auto* copy = new CMMObject;
    copy->m_bQueueOnDelete = 1;
    g_ObjectList.AddObject(copy);
    copy->ReadNetDescriptor(wire, &size);
    EXPECT_EQ(copy->m_bAlive, 0);
    ASSERT_EQ(g_ObjectList.m_nDeleteQueue, 1);
    EXPECT_EQ(g_ObjectList.m_DeleteQueue[0], copy);
    g_ObjectList.Pack(true);
    EXPECT_EQ(g_ObjectList.m_Objects.GetCount(), 0);
}

TEST_F(MMObject, StreamRecordsRoundTripAndStateOnlyKeepsTheRest)
{
    CDynamicObject a;
    a.SetMatrix(Placement(1, 2, 3));
    a.m_bMoving = 1;
    a.m_bShown = 1;
    a.m_fDrive = 50;
    a.m_vVelocity = {7, 8, 9};
    CMemStream s;
    int size = 0;
    a.SaveToStream(s, &size, false);
    EXPECT_EQ(size, 108);
    EXPECT_EQ(s.m_nPosition, 108u);

    // State only: the first 67 bytes stay as they are in the stream.
    a.m_bShown = 0;
    a.SetMatrix(Placement(9, 9, 9));
    s.m_nPosition = 0;
    size = 0;
    a.SaveToStream(s, &size, true);
    EXPECT_EQ(size, 108);
    float x;
    std::memcpy(&x, s.m_pData + 48, 4);
    EXPECT_EQ(x, 1.0f);
    EXPECT_EQ(s.m_pData[67], 0);

    CDynamicObject b;
    s.m_nPosition = 0;
    size = 0;
    b.LoadFromStream(s, &size, false);
    EXPECT_EQ(size, 108);
    EXPECT_EQ(b.GetPosition().x, 1.0f);
    EXPECT_EQ(b.m_bMoving, 1);
    EXPECT_EQ(b.m_bShown, 0);
    EXPECT_EQ(b.m_fDrive, 50.0f);
    EXPECT_EQ(b.m_vVelocity.y, 8.0f);

    // A record cut short is refused whole.
    CMemStream cut;
    cut.Write(s.m_pData, 100);
    cut.m_nCapacity = 100;
    cut.m_nPosition = 0;
    CDynamicObject c;
    size = 0;
    EXPECT_THROW(c.LoadFromStream(cut, &size, false), CObjectStreamError);
    EXPECT_EQ(c.GetPosition().x, 0.0f);
    EXPECT_EQ(size, 0);
}

TEST_F(MMObject, LoadGameRestoresThePositionWithoutACellMove)
{
    CMMObject* o = new CMMObject;
    o->SetMatrix(Placement(100, 100, 0));
    g_ObjectList.AddObject(o);
    o->m_bShown = 1;
    CMemStream s;
    o->SaveGame(s);
    EXPECT_EQ(s.m_nPosition, 13u);

    o->SetPosition(CVector{5000, 5000, 0}); // another cell
    EXPECT_EQ(m_Scene.m_Cells.m_nMoves, 1);
    s.m_nPosition = 0;
    o->m_bShown = 0;
    o->LoadGame(s);
    EXPECT_EQ(o->GetPosition().x, 100.0f);
    EXPECT_EQ(o->m_bShown, 1);
    EXPECT_EQ(m_Scene.m_Cells.m_nMoves, 1);
}

TEST_F(MMObject, DynamicSettersAndJumpLockout)
{
    CDynamicObject o;
    o.m_fMass = 2.0f;
    o.m_bChanged = 0;
    o.SetTraction(1.0f);
    EXPECT_EQ(o.m_fDrive, 25.0f);
    EXPECT_EQ(o.m_bChanged, 1);
    o.m_bChanged = 0;
    o.SetTraction(1.0f);
    EXPECT_EQ(o.m_bChanged, 0);

    o.SetRotationX(std::nanf(""));
    EXPECT_EQ(o.m_vR.x, 0.0f);
    EXPECT_NE(ReadText("error.log").find("m_vR.x is nan"), std::string::npos);

    const double saved = g_GameTime;
    g_GameTime = 100.0;
    o.Jump(10.0f);
    EXPECT_FLOAT_EQ(o.m_vVelocity.z, 5.0f);
    g_GameTime = 101.9;
    o.Jump(10.0f);
    EXPECT_FLOAT_EQ(o.m_vVelocity.z, 5.0f);
    g_GameTime = 102.1;
    o.Jump(10.0f);
    EXPECT_FLOAT_EQ(o.m_vVelocity.z, 10.0f);
    g_GameTime = saved;
}

TEST_F(MMObject, WithoutASoundTypeNoSourceIsEverMade)
{
    CMMObject o;
    o.Run();
    EXPECT_EQ(o.m_iSoundSource, -1);
    o.m_bAlive = 0;
    o.Run();
    EXPECT_EQ(o.m_iSoundSource, -1);
}
