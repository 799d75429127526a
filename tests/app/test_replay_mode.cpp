// The running sample application: in replay mode the number keys record a
// stretch of flight and play it back frame by frame as the frames are drawn;
// and once the player's glider is destroyed, the camera watches the glider
// that hit it last instead of the game ending at once.
#include "app/MMAppEvent.h"
#include "app/VideoStudio.h"
#include "common/GameDriver.h"

#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/GameWorldState.h"
#include "world/MMEngine.h"
#include "location/Location.h"
#include "world/Camera.h"
#include "world/ObjectList.h"
#include "world/WorldTerrain.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
constexpr int kW = 0x11;
// The number keys 1, 2 and 3.
constexpr int kKey1 = 0x02;
constexpr int kKey2 = 0x03;
constexpr int kKey3 = 0x04;

class ReplayMode : public apptest::CKeyFlightAppTest
{
};

TEST_F(ReplayMode, NumberKeysRecordAndReplayAndTheDeathCameraStaysWithTheLastAttacker)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "replay mode test"));
    ASSERT_NE(gametest::g_GameDriver.GetPlayerGlider(), nullptr);
    Fly(3);
    CVideoStudio& studio = g_VideoStudio;
    studio.m_bReplayMode = 1;
    // 1 records each frame drawn while the glider flies, 2 stops.
    m_keys.m_pressed = kKey1;
    Fly(1);
    ASSERT_EQ(studio.m_nState, CVideoStudio::kRecording);
    std::vector<CVector> path{Glider().GetPosition()};
    m_keys.m_held = kW;
    for (int i = 0; i < 8; ++i)
    {
        Fly(1);
        path.push_back(Glider().GetPosition());
    }
    m_keys.m_held = -1;
    m_keys.m_pressed = kKey2;
    Fly(1);
    ASSERT_EQ(studio.m_nState, CVideoStudio::kHeld);
    EXPECT_EQ(studio.m_nTotalFrames, 10);
    EXPECT_GT((path.back() - path.front()).Length(), 1.0f) << "the glider flew";
    // 3 plays it back: the glider goes through the recorded flight again,
    // and the replay ends by itself.
    Fly(5);
    m_keys.m_pressed = kKey3;
    Fly(1);
    ASSERT_EQ(studio.m_nState, CVideoStudio::kPlaying);
    for (int i = 0; i < 12 && studio.m_nState == CVideoStudio::kPlaying; ++i) Fly(1);
    EXPECT_EQ(studio.m_nState, CVideoStudio::kHeld);
    EXPECT_LT((Glider().GetPosition() - path.back()).Length(), 5.0f);
    studio.m_bReplayMode = 0;

    // Hit by the nearest other glider, then destroyed: with an attacker to
    // watch, the game does not end on the second frame.
    SPointerArray<CMMObject> gliders;
    g_ObjectList.GetObjectList(OBJ_GLIDER, gliders);
    CMMObject* other = nullptr;
    for (int i = 0; i < gliders.count; ++i)
    {
        CMMObject* g = gliders.items[i];
        if (g == &Glider()) continue;
        const float d = (g->GetPosition() - Glider().GetPosition()).Length();
        if (!other || d < (other->GetPosition() - Glider().GetPosition()).Length()) other = g;
    }
    ASSERT_NE(other, nullptr) << "the sample location has no glider of the world";
    ASSERT_NE(g_pAppEvent, nullptr);
    g_pAppEvent->OnPlayerHit(other);
    CMechanoid& mechanoid = *Glider().m_pMechanoid;
    mechanoid.m_GliderData.m_bDestroyed = 1;
    Fly(2);
    EXPECT_EQ(app.m_bDead, 1);
    EXPECT_FALSE(g_MMEngine.m_bLeaveCycle);
    // From the second frame on the camera is where the attacker is, raised
    // (and held above its hull), and stays with it as it flies on; the dead
    // glider is far behind.
    ASSERT_NE(g_pCameraObject, nullptr);
    EXPECT_GT((other->GetPosition() - Glider().GetPosition()).Length(), 50.0f);
    for (int i = 0; i < 40; ++i)
    {
        Fly(1);
        const CVector away = g_pCameraObject->GetPosition() - other->GetPosition();
        ASSERT_LT(away.Length(), 12.0f) << "frame " << i;
        ASSERT_GT(away.z, 3.0f) << "frame " << i;
    }
    EXPECT_EQ(g_CameraMode, 2);
    // An attacker far off (a rocket's range): the free camera's leash to
    // the player's glider does not hold the watching camera back.
    const CVector wreck = Glider().GetPosition();
    CVector inward{float(g_Location.m_nWidth) * 5.0f - wreck.x, float(g_Location.m_nHeight) * 5.0f - wreck.y, 0.0f};
    inward = inward.LengthSq() > 1.0f ? Normalize(inward) : CVector{1.0f, 0.0f, 0.0f};
    CVector far = wreck + inward * 1000.0f;
    float ground = 0.0f;
    ASSERT_TRUE(g_pWorldTerrain && g_pWorldTerrain->GetHeight(far, &ground));
    far.z = ground + 40.0f;
    other->SetPosition(far);
    for (int i = 0; i < 3; ++i)
    {
        Fly(1);
        const CVector away = g_pCameraObject->GetPosition() - other->GetPosition();
        EXPECT_LT(away.Length(), 12.0f) << "frame " << i;
    }
    EXPECT_GT((g_pCameraObject->GetPosition() - wreck).Length(), CCamera::kFreeRange);
    mechanoid.m_GliderData.m_bDestroyed = 0;
    app.Done();
}
} // namespace
