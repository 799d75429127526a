// The player's glider in the game application over the sample tree,
// flown through scripted input: it hovers, W drives it forward over the
// hills without touching the ground, Space makes it jump, Left Ctrl fires
// its gun; a frame of it in flight, firing, is read back from the real
// Direct3D 8 layer and written as "player_glider.png", and its hull, its
// shot, its engine flame and its shadow are found in it. The arrows, the
// strafe keys and the mouse steer it the way the picture shows: Left turns
// the view left, A moves it to the left of the screen, the mouse moved to
// the right turns it right as the Right arrow does.
#include "common/GameDriver.h"

#include "foundation/FrameTimer.h"
#include "foundation/Random.h"
#include "graphics/PngWriter.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "ui/menu/BaseMenu.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "units/MissileObject.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

#include "SampleAppTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace
{
constexpr int kW = 0x11;
constexpr int kSpace = 0x39;
constexpr int kLeftCtrl = 0x1D;
constexpr int kCapsLock = 0x3A;
constexpr int kLeft = 0xCB;
constexpr int kRight = 0xCD;
constexpr int kA = 0x1E;
constexpr int kD = 0x20;

// The held keys and a mouse that moves by m_mouse every frame.
class CKeysAndMouse : public apptest::CHeldKeys
{
public:
    InputVector GetMouseDelta() override { return m_mouse; }
    InputVector m_mouse;
};

// Where p lands across the screen as the frame's view shows it: -1 the
// left edge, 1 the right edge.
float ScreenX(const CVector& p)
{
    const auto& m = g_ViewCamera.m_mViewProjection.m;
    const float x = p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0];
    const float w = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
    return x / w;
}

class PlayerGlider : public apptest::CSteppedAppTest
{
protected:
    // n frames with the keys; the lowest and highest height over the
    // ground on the way.
    void Fly(int n, float* lowest = nullptr, float* highest = nullptr)
    {
        for (int i = 0; i < n; ++i)
        {
            Tick();
            ASSERT_TRUE(gametest::g_GameDriver.Frame(kStep, &m_keys));
            m_keys.Update();
            const float h = Height();
            if (lowest) *lowest = std::min(*lowest, h);
            if (highest) *highest = std::max(*highest, h);
        }
    }
    // One frame with the keys held, no time passing, read back.
    static CGliderObject* Glider() { return gametest::g_GameDriver.GetPlayerGlider(); }
    static float Height()
    {
        const CVector p = Glider()->GetPosition();
        return p.z - g_Location.GetHeight(p);
    }

    CKeysAndMouse m_keys;
};
} // namespace

TEST_F(PlayerGlider, TurnsAndStrafesTheWayThePictureShows)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "steering test"));
    ASSERT_NE(Glider(), nullptr) << Tree().ErrorLog();
    CGliderObject& glider = *Glider();
    // Settled on its hover, a mark 300 units off, ahead and to the glider's
    // right, is watched: the picture shows it right of the middle.
    Fly(40);
    glider.m_Frame.UpdateAxes();
    const CVector eye = g_ViewCamera.m_vPosition;
    const CVector at = eye + Normalize(glider.SideAxis() + glider.ForwardAxis() * 4.0f) * 300.0f;
    const float start = ScreenX(at);
    EXPECT_GT(start, 0.1f);
    EXPECT_LT(start, 0.5f);
    float lowestUp = 1.0f;
    auto steer = [&](int key, float mouse, int frames)
    {
        m_keys.m_held = key;
        m_keys.m_mouse.x = mouse;
        for (int i = 0; i < frames; ++i)
        {
            Fly(1);
            lowestUp = std::min(lowestUp, glider.UpAxis().z);
        }
        m_keys.m_held = -1;
        m_keys.m_mouse.x = 0.0f;
        return ScreenX(at);
    };
    // The chase camera lags a frame behind and catches up over a few: the
    // view is read once it has.
    auto turn = [&](int key, float mouse)
    {
        steer(key, mouse, 3);
        Fly(6);
        return ScreenX(at);
    };
    // Left turns the view left: what was right of centre goes further right.
    const float afterLeft = turn(kLeft, 0.0f);
    EXPECT_GT(afterLeft, start + 0.1f);
    // Right turns it back, and the mouse moved to the right the same way.
    const float afterRight = turn(kRight, 0.0f);
    EXPECT_LT(afterRight, afterLeft - 0.1f);
    const float afterMouse = turn(-1, 20.0f);
    std::printf("mark across the screen: %.2f, Left %.2f, Right %.2f, mouse %.2f\n", start, afterLeft,
                afterRight, afterMouse);
    EXPECT_LT(afterMouse, afterRight - 0.1f);
    // A moves the glider to the left of the screen, D to the right.
    const auto screenRight = []
    {
        const auto& v = g_ViewCamera.m_mView.m;
        return CVector{v[0][0], v[1][0], v[2][0]};
    };
    steer(kA, 0.0f, 10);
    EXPECT_LT(Dot(glider.m_vVelocity, screenRight()), -5.0f);
    Fly(20);
    steer(kD, 0.0f, 10);
    EXPECT_GT(Dot(glider.m_vVelocity, screenRight()), 5.0f);
    // Through all of it the glider stayed upright.
    EXPECT_GT(lowestUp, 0.8f);
    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}

TEST_F(PlayerGlider, HoversDrivesOverTheHillsJumpsAndFires)
{
    apptest::CSampleApp app;
    ASSERT_TRUE(StartGame(app, "glider test"));
    ASSERT_NE(Glider(), nullptr) << Tree().ErrorLog();
    EXPECT_FALSE(gametest::g_GameDriver.IsFreeCamera());
    g_Environment.SetEnvironment(0, true);
    CGliderObject& glider = *Glider();
    ASSERT_NE(glider.m_pMechanoid, nullptr);
    EXPECT_EQ(glider.m_Guns[0].m_bMounted, 1);
    EXPECT_GT(glider.m_fMass, 100.0f);

    // Two seconds untouched: it settles into its hover over the ground.
    Fly(40);
    const float hover = Height();
    EXPECT_GT(hover, 0.5f);
    EXPECT_LT(hover, 20.0f);
    EXPECT_LT(glider.m_vVelocity.Length(), 5.0f);

    // Five seconds of W: forward along its nose, never into the ground,
    // never far above it.
    glider.m_Frame.UpdateAxes();
    const CVector forward = glider.ForwardAxis();
    const CVector start = glider.GetPosition();
    m_keys.m_held = kW;
    float lowest = 1e9f, highest = -1e9f;
    Fly(100, &lowest, &highest);
    const CVector moved = glider.GetPosition() - start;
    EXPECT_GT(Dot(moved, forward), 200.0f);
    EXPECT_GT(lowest, 0.0f);
    EXPECT_LT(highest, 40.0f);
    EXPECT_GT(glider.m_vVelocity.Length(), 50.0f);

    // Let go: it slows down. Then Space: a jump well above the hover.
    m_keys.m_held = -1;
    Fly(60);
    const float before = Height();
    const float energy = glider.m_pMechanoid->m_fEnergy;
    m_keys.m_pressed = kSpace;
    highest = -1e9f;
    Fly(20, nullptr, &highest);
    EXPECT_GT(highest, before + 20.0f);
    EXPECT_LT(glider.m_pMechanoid->m_fEnergy, energy);
    // Back on its hover afterwards.
    Fly(80);
    EXPECT_LT(Height(), before + 10.0f);

    // Left Ctrl: the light gun fires while the glider flies on.
    m_keys.m_held = kW;
    m_keys.m_held2 = kLeftCtrl;
    bool fired = false;
    for (int i = 0; i < 10; ++i)
    {
        Fly(1);
        fired = fired || glider.IsFiring();
    }
    EXPECT_TRUE(fired);

    // The picture: the hull in the middle, the shot along the nose. Each
    // is checked by drawing the frame again without it.
    // The world runs a step in each of these frames: the hover dust laid
    // so far would drift and age between them, so each starts without it.
    // The view angle follows the glider's speed a little in every frame,
    // a paused one too: each starts from the same.
    std::uint32_t width = 0, height = 0;
    HoldStill();
    const float viewAngle = app.m_fViewAngleState;
    auto still = [&]
    {
        glider.m_Dust.Restart(glider.GetPosition());
        glider.m_bDustRestart = 1;
        app.m_fViewAngleState = viewAngle;
        return ViewerFrame(width, height);
    };
    // Drawing the scene takes nothing from the game's random sequence: the
    // muzzle flash's frame and the fire point the drawn shot leaves are
    // the gun's own draws (the flash shows in this frame). (The game's
    // frame also runs the world and the scanner, which draw from it.)
    CGun& gun = glider.m_Guns[0];
    ASSERT_TRUE(gun.GetGunDesc());
    EXPECT_LT(gun.m_fSinceShot, gun.GetGunDesc()->m_fFxModelTime);
    const std::uint32_t sequence = g_Random.GetState();
    const std::uint32_t looks = gun.m_LookRandom.GetState();
    graph.m_lpDevice->BeginScene();
    g_pMenuHost->RenderScene(false);
    graph.m_lpDevice->EndScene();
    EXPECT_EQ(g_Random.GetState(), sequence);
    EXPECT_NE(gun.m_LookRandom.GetState(), looks);
    const std::vector<std::uint32_t> pixels = still();
    ASSERT_EQ(pixels.size(), std::size_t(width) * height);
    const std::filesystem::path picture = gfxtest::PictureDirectory() / "player_glider.png";
    gfxtest::WritePng(picture.c_str(), pixels, width, height);
    std::printf("player glider: %s\n", picture.c_str());

    const float sinceShot = gun.m_fSinceShot, flash = gun.m_fShotFlash;
    gun.m_fSinceShot = 10.0f;
    gun.m_fShotFlash = 0.0f;
    const std::vector<std::uint32_t> noShot = still();
    gun.m_fSinceShot = sinceShot;
    gun.m_fShotFlash = flash;
    // The hull alone (the gun's model, the sample's box too, sits on it),
    // then nothing.
    gun.m_bMounted = 0;
    const std::vector<std::uint32_t> hullOnly = still();
    const SObjectTypeHeader* type = glider.m_pType;
    glider.m_pType = nullptr; // no model: no hull
    const std::vector<std::uint32_t> noHull = still();
    glider.m_pType = type;
    gun.m_bMounted = 1;
    ASSERT_EQ(noShot.size(), pixels.size());
    ASSERT_EQ(noHull.size(), pixels.size());
    // The hull covers the foot of the picture's middle third (the chase
    // camera looks level over it); the shot is drawn above it, ahead of
    // the glider, and adds light (green most of all).
    int hull = 0, shot = 0, greener = 0;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::size_t i = std::size_t(y) * width + x;
            const bool middle = x > width / 3 && x < width * 2 / 3 && y > height / 2;
            if (middle && (hullOnly[i] & 0xFFFFFF) != (noHull[i] & 0xFFFFFF)) ++hull;
            if ((pixels[i] & 0xFFFFFF) != (noShot[i] & 0xFFFFFF))
            {
                ++shot;
                greener += ((pixels[i] >> 8) & 0xFF) > ((noShot[i] >> 8) & 0xFF);
            }
        }
    // (The slim hull with its wings covers less than the box it once was.)
    EXPECT_GT(hull, int(width * height / 200));
    EXPECT_GT(shot, 50);
    EXPECT_GT(greener, shot / 2);

    // The engine flame under the tail with its glow: gone with its flame
    // point broken off.
    glider.m_dwLostFirePoints = 1;
    const std::vector<std::uint32_t> noFlame = still();
    glider.m_dwLostFirePoints = 0;
    ASSERT_EQ(noFlame.size(), pixels.size());
    int flame = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        flame += (pixels[i] & 0xFFFFFF) != (noFlame[i] & 0xFFFFFF);
    EXPECT_GT(flame, 100);
    // The hull's shadow darkens the ground under it. The chase camera looks
    // level over the hull, which hides it: it is seen from above and
    // behind, without the shot (whose flash changes from frame to frame).
    gun.m_fSinceShot = 10.0f;
    gun.m_fShotFlash = 0.0f;
    gametest::g_GameDriver.LookFromBehindAndAbove(glider);
    const std::vector<std::uint32_t> shadow = still();
    g_Environment.m_bShadowsOff = true;
    const std::vector<std::uint32_t> noShadow = still();
    g_Environment.m_bShadowsOff = false;
    gametest::g_GameDriver.SetFreeCamera(false);
    // The two pictures differ by the shadow alone (the frame timer held
    // still, nothing else moves between them): it covers the ground under
    // the hull, and no pixel of it is lighter.
    ASSERT_EQ(shadow.size(), noShadow.size());
    int shaded = 0, darker = 0, lighter = 0;
    for (std::size_t i = 0; i < shadow.size(); ++i)
        if ((shadow[i] & 0xFFFFFF) != (noShadow[i] & 0xFFFFFF))
        {
            ++shaded;
            darker += ((shadow[i] >> 8) & 0xFF) < ((noShadow[i] >> 8) & 0xFF);
            for (int shift : {0, 8, 16})
                lighter += ((shadow[i] >> shift) & 0xFF) > ((noShadow[i] >> shift) & 0xFF);
        }
    EXPECT_GT(shaded, 1000);
    EXPECT_GT(darker, shaded * 9 / 10);
    EXPECT_EQ(lighter, 0);

    // Caps Lock: a rocket from the stock leaves the launcher and is drawn
    // ahead of the glider.
    Resume();
    m_keys.m_held = kW;
    m_keys.m_held2 = kCapsLock;
    Fly(1);
    m_keys.m_held2 = -1;
    Fly(3);
    SPointerArray<CMMObject> missiles;
    g_ObjectList.GetObjectList(OBJ_MISSILE, missiles);
    ASSERT_GE(missiles.count, 1);
    auto* rocket = static_cast<CMissileObject*>(missiles.items[0]);
    EXPECT_EQ(rocket->GetKind(), CMissileObject::KIND_ROCKET);
    // The glider (hull and gun) out of the way, and the camera 30 units
    // behind the rocket on its line of flight: where the chase camera stands
    // depends on what the glider met on its way over the sample.
    const CVector rocketAt = rocket->GetPosition();
    const CVector flight = rocketAt - glider.GetPosition();
    const float heading = std::atan2(flight.x, flight.y);
    gametest::g_GameDriver.SetFreeCamera(true);
    gametest::g_GameDriver.m_fHeading = heading;
    gametest::g_GameDriver.m_fPitch = -0.1f;
    gametest::g_GameDriver.m_vPosition = rocket->GetPosition() -
                                CVector{std::sin(heading) * 30.0f, std::cos(heading) * 30.0f, -3.0f};
    const SObjectTypeHeader* hullType = glider.m_pType;
    glider.m_pType = nullptr;
    gun.m_bMounted = 0;
    const std::vector<std::uint32_t> withRocket = ViewerFrame(width, height);
    rocket->m_bActive = 0; // a spent rocket draws nothing
    const std::vector<std::uint32_t> noRocket = ViewerFrame(width, height);
    int rocketPixels = 0;
    for (std::size_t i = 0; i < withRocket.size(); ++i)
        rocketPixels += (withRocket[i] & 0xFFFFFF) != (noRocket[i] & 0xFFFFFF);
    EXPECT_GT(rocketPixels, 20);
    // A sphere missile where the rocket was (the spent rocket is gone): its
    // sphere mesh, three times along its flight, fills a round patch.
    CMatrix place(1.0f);
    place.SetTranslation(rocketAt);
    auto* sphere = static_cast<CMissileObject*>(
        g_MissileManager.CreateMissile(g_MissileManager.FindName("MIS_SPHERE"), place, nullptr, 0));
    ASSERT_NE(sphere, nullptr);
    ASSERT_EQ(sphere->GetKind(), CMissileObject::KIND_SPHERE);
    const std::vector<std::uint32_t> withSphere = ViewerFrame(width, height);
    sphere->m_fRadius = 0.0f; // nothing to draw
    const std::vector<std::uint32_t> noSphere = ViewerFrame(width, height);
    int spherePixels = 0;
    for (std::size_t i = 0; i < withSphere.size(); ++i)
        spherePixels += (withSphere[i] & 0xFFFFFF) != (noSphere[i] & 0xFFFFFF);
    EXPECT_GT(spherePixels, 200);
    glider.m_pType = hullType;
    gun.m_bMounted = 1;

    app.Done();
    EXPECT_EQ(Tree().ErrorLog(), "");
}
