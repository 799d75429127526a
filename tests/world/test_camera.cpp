// The camera: the free camera's range, the ground clearance, the mode
// setters, the orbit view of a target looking straight up, the stream.
#include "WorldMotionFakes.h"
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/MemStream.h"
#include "units/GliderObject.h"
#include "world/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace worldtest;

namespace
{
class Camera : public testutil::CLogDirTest
{
protected:
    Camera()
    {
        m_Glider.m_Frame.SetPosition(CVector{1000.0f, 1000.0f, 100.0f});
        g_pPlayerGlider = &m_Glider;
        g_pViewCamera = &m_View;
    }
    ~Camera() override
    {
        g_pPlayerGlider = nullptr;
        g_pViewCamera = nullptr;
        g_CameraMode = 0;
    }

    struct CView : IViewCamera
    {
        void TakeCameraFrame(const CObjectFrame& frame) override
        {
            m_Frame = frame;
            ++m_nTaken;
        }
        void SetViewPosition(const CVector& position) override { m_Frame.m_vPosition = position; }
        CObjectFrame m_Frame;
        int m_nTaken = 0;
    };

    CFlatTerrain m_Ground;
    CGliderObject m_Glider;
    CView m_View;
};
} // namespace

TEST_F(Camera, TheFreeCameraIsPulledBackTo750AlongTheSameLine)
{
    CCamera camera;
    camera.SetMode2();
    EXPECT_EQ(g_CameraMode, 2);
    EXPECT_EQ(camera.m_bPhysics, 1);
    EXPECT_FLOAT_EQ(camera.m_fMass, 0.03f);
    EXPECT_EQ(camera.m_bGroundFollowing, 0);
    camera.SetPosition(CVector{1600.0f, 1800.0f, 100.0f});
    camera.Run();
    const CVector d = camera.GetPosition() - m_Glider.GetPosition();
    EXPECT_NEAR(d.Length(), 750.0f, 1e-2f);
    EXPECT_NEAR(d.x / d.y, 600.0f / 800.0f, 1e-5f);
    // Set free (the player's death camera), it goes however far; restoring
    // the mode leashes it again.
    camera.SetMode2(false);
    camera.SetPosition(CVector{1600.0f, 1800.0f, 100.0f});
    camera.Run();
    EXPECT_NEAR((camera.GetPosition() - m_Glider.GetPosition()).Length(), 1000.0f, 1e-2f);
    camera.RestoreMode();
    camera.Run();
    EXPECT_NEAR((camera.GetPosition() - m_Glider.GetPosition()).Length(), 750.0f, 1e-2f);
}

TEST_F(Camera, EveryModeKeepsFiveUnitsOverTheGround)
{
    m_Ground.m_fHeight = 200.0f;
    for (int mode : {0, 2, 4})
    {
        CCamera camera;
        g_CameraMode = mode;
        camera.RestoreMode();
        camera.SetPosition(CVector{1100.0f, 1000.0f, 150.0f});
        camera.Run();
        EXPECT_FLOAT_EQ(camera.GetPosition().z, 205.0f) << mode;
    }
}

TEST_F(Camera, RestoreModeOutsideTheModesDoesNothing)
{
    CCamera camera;
    camera.SetMode4(&m_Glider);
    g_CameraMode = 9;
    camera.RestoreMode();
    EXPECT_EQ(g_CameraMode, 9);
    EXPECT_EQ(camera.m_pModeTarget, &m_Glider);
}

TEST_F(Camera, AnOrbitTargetLookingStraightUpGivesTheWorldNorth)
{
    CCamera camera;
    m_Glider.m_fRadius = 10.0f;
    m_Glider.m_Frame.SetForward(CVector{0.0f, 0.0f, 1.0f});
    camera.SetOrbitMode(&m_Glider);
    EXPECT_EQ(g_CameraMode, 1);
    EXPECT_EQ(camera.m_pOwner, &m_Glider);
    camera.Run();
    // Straight up has no heading: the camera sits above the target.
    EXPECT_FLOAT_EQ(camera.GetPosition().z, 100.0f + 10.0f * 4.0f * 0.3f);
    camera.UpdateView();
    ASSERT_EQ(m_View.m_nTaken, 1);
    EXPECT_FLOAT_EQ(camera.m_Frame.m_vForward.y, 1.0f);
    EXPECT_FLOAT_EQ(m_View.m_Frame.m_Matrix.m[3][2], camera.GetPosition().z);
}

TEST_F(Camera, AttachedItRidesWithTheTarget)
{
    CCamera camera;
    m_Glider.m_Frame.SetMatrix(CMatrix(1.0f), false);
    m_Glider.m_Frame.SetPosition(CVector{1000.0f, 1000.0f, 100.0f});
    camera.SetPosition(CVector{1000.0f, 990.0f, 110.0f});
    camera.Attach(&m_Glider);
    m_Glider.m_Frame.SetPosition(CVector{1200.0f, 1000.0f, 100.0f});
    camera.Run();
    EXPECT_FLOAT_EQ(camera.GetPosition().x, 1200.0f);
    EXPECT_FLOAT_EQ(camera.GetPosition().y, 990.0f);
}

TEST_F(Camera, TheStreamRecordRoundTrips)
{
    CCamera camera;
    camera.SetMode2();
    camera.SetPosition(CVector{1010.0f, 1020.0f, 130.0f});
    camera.m_vVelocity = CVector{1.0f, 2.0f, 3.0f};
    camera.m_fModeParams[0] = 7.0f;
    CMemStream stream;
    int size = 99;
    camera.SaveToStream(stream, &size, false);
    EXPECT_EQ(size, 124);

    g_CameraMode = 0;
    CCamera loaded;
    stream.m_nPosition = 0;
    int read = 0;
    loaded.LoadFromStream(stream, &read, false);
    EXPECT_EQ(read, 124);
    EXPECT_EQ(g_CameraMode, 2);
    EXPECT_EQ(loaded.m_fModeParams[0], 7.0f);
    EXPECT_EQ(loaded.GetPosition().y, 1020.0f);
    EXPECT_EQ(loaded.m_bPhysics, 1);

    // A record cut short is refused whole.
    CMemStream shortStream;
    shortStream.Write(stream.m_pData, 110);
    shortStream.m_nCapacity = 110;
    shortStream.m_nPosition = 0;
    CCamera untouched;
    EXPECT_THROW(untouched.LoadFromStream(shortStream, &read, false), CObjectStreamError);
    EXPECT_EQ(untouched.GetPosition().y, 0.0f);
}
