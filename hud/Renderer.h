// CRenderer: the game's scene and HUD renderer (one instance, g_pRenderer).
//
// Init sets the view projection, the viewport, the render states and the
// HUD's geometry and textures once the device exists. Render draws one
// frame between BeginScene and EndScene: the sky and the sun, what flies
// over the horizon, the horizon limit, the terrain, the objects, the
// weather's effects, the fog switched off, then the HUD. PresentFrame
// presents it at the very end of the application's frame.
//
// PreLoad is the caching pass before play: eight frames drawn (not shown)
// while the view turns a full circle about the camera object, so that the
// models and textures round it are requested and loaded, under the
// application's waiting screen (reached through the menu host).
//
// After the scene: the stasis flash while the player's mechanoid is in
// stasis, the cockpit when it is due (IsCockpitShown), the frame-rate text
// and, last, the screen mask while the player's mechanoid is killed.
//
// The drawing operations every cockpit panel rests on: a scaled cell of a
// sprite sheet and a textured screen quad, plain or modulated by a colour.
// Texture ids are the texture manager's.
//
// Texture rectangles are s0, t0, s0 + texture width, t0 + texture height:
// the first pair is the texel where the cell starts, the difference the
// size of the whole texture; one texel is shown per screen pixel. The
// cockpit sheet is 1024 x 1024, so its cell at (x, y) is (x, y, x + 1024,
// y + 1024). No texture rectangle means the whole texture.
//
// Threads: main thread only, between the device's BeginScene and EndScene.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "platform/Types.h"
#include "platform/d3d8/D3D8Types.h"

#include <cstdint>

class CCamera;
class CGliderObject;
class CMechanoid;
class CTexture;
struct SRecorderStatus;

// Cleared around Render when the scene is only a background (the menus).
extern bool g_bDrawCockpit;

// Techniques of the screen quads.
inline constexpr int kTechniqueScreenTexture = 11;   // the texture as it is
inline constexpr int kTechniqueScreenColour = 15;    // the texture factor alone
inline constexpr int kTechniqueScreenModulated = 19; // texture x texture factor

// DrawSprite's integer arithmetic: the cell moved by origin x scale and
// grown by the scale (a negative scale mirrors it to the other side of the
// point), the texture rectangle scaled alike.
void ScaleSprite(const plat::Rect& screen, const plat::Point* origin, const plat::Rect& texture, int scaleX,
                 int scaleY, plat::Rect* outScreen, plat::Rect* outTexture);

// The stasis flash: its strength a at t seconds of stasis left (10 down
// to 0) and the tint of that strength (0xAARRGGBB).
float StasisFlashStrength(float t);
std::uint32_t StasisFlashColour(float a);

class CRenderer
{
public:
    static constexpr float kFieldOfView = 54.0f; // degrees, vertical
    static constexpr float kNearPlane = 1.0f;
    static constexpr float kFarPlane = 14000.0f;
    static constexpr std::uint32_t kHudFVF = 0x204; // XYZRHW, two texture sets
    static constexpr std::uint32_t kFpsColour = 0x80FFFF00u;

    CRenderer() = default;
    virtual ~CRenderer() = default;
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    // The horizontal field of view in degrees: 54 x width / height, in
    // floating point (Init) or in integers, truncated (the caching pass).
    static float HorizontalFieldOfView(int width, int height, bool integer);
    // The cockpit is drawn while the switch is on, the player's mechanoid
    // (when there is one) is alive and the camera follows, orbits or is
    // held (modes 0, 1 and 6).
    static bool IsCockpitShown(bool drawCockpit, const CMechanoid* playerMech, int cameraMode);
    // The view camera's projection (and the device's) for the screen.
    static void SetProjection(bool integerAngle);

    // After the device exists: projection, viewport, render states, the
    // HUD's geometry buffers and texture ids.
    void Init();
    // One frame between BeginScene and EndScene. Exceptions pass on with
    // "CRenderer::Render" in the call-path trace.
    void Render();
    // Render with the cockpit and message panel left off this one picture
    // when hideCockpit (a menu's background, a replay being corrected); the
    // switch comes back even if drawing throws.
    void RenderHidingCockpit(bool hideCockpit);
    // Presents the back buffer (the device clears its per-frame counters
    // and counts the frame).
    void PresentFrame();
    // The caching pass (a game starts, the glider leaves a building): the
    // waiting screen with steps 0-10, eight turns of 45 degrees about the
    // camera object (m_pCameraObject), each drawn and the world run once,
    // then the model and texture loads waited for and the frame timer
    // reset. Exceptions pass on with "CRenderer::PreLoad" in the trace.
    void PreLoad();
    // The effect renderer's buffers released (shutdown).
    void Done();
    // g_ViewCamera's view matrices from its frame (and the device's view).
    static void RebuildView();

    // A scaled cell of texture (see ScaleSprite), then as DrawQuad.
    void DrawSprite(const plat::Rect& screen, const plat::Point* origin, const plat::Rect& texture, int textureId,
                    int scaleX, int scaleY, std::uint32_t colour);
    // The screen quad with texture id: colour 0 draws the texture as it is,
    // any other colour modulates it. Nothing is drawn without the texture.
    void DrawQuad(const plat::Rect& screen, const plat::Rect* texture, int textureId, std::uint32_t colour);
    // The same with the texture itself.
    void DrawQuad(const plat::Rect& screen, const plat::Rect* texture, CTexture* textureObject,
                  std::uint32_t colour);
    // An untextured quad in colour (its alpha blends).
    void FillQuad(const plat::Rect& screen, std::uint32_t colour);

    // The cockpit, panel by panel, over the scene (hud/Cockpit.cpp and
    // hud/Cockpit_Glider.cpp); the message panel last.
    void DrawKokpit();
    void DrawCockpitCursor();
    void DrawCockpitHP();
    void DrawCockpitGuns();
    void DrawCockpitMap();
    void DrawCockpitEquipment();
    void DrawCockpitSpeed();
    void DrawCockpitTargetInfo();
    void DrawCockpiTarget();
    void DrawCockpitCommands();
    void DrawCockpitDamage();
    void DrawCockpitAnomaly();
    void DrawCockpitInfo();
    void DrawQuest();
    // The engine clock the panels blink and pulse by (seconds).
    static double CockpitClock();
    // The player glider's mechanoid, null without one.
    CMechanoid* CockpitMechanoid() const;

    // The stasis tint over the whole screen for t seconds of stasis left
    // (depth test off for the quad).
    void DrawStasisFlash(float t);
    // The killed mechanoid's screen: the picture multiplied by 0x00C0C0FF
    // with the interlace pattern, then the screen mask texture, each when
    // loaded (hud/debug/ScreenOverlays.cpp).
    void DrawScreenMask();
    // The play recorder's status, key and camera help (m_pRecorder); the
    // game does not call it.
    void DrawRecorderInfo();
    // Diagnostic panels the game does not call (hud/debug/InfoPanels.cpp):
    // what the player carries, the control flags and the target's AI
    // (m_pTargetAI); markers on the target's group; the target's text box.
    void ShowInfo();
    void DrawTarget();
    void DrawTargetInfo();

    std::int32_t m_iTexAll = -1;           // "TEX_KT_ALL"
    std::int32_t m_iTexIcons = -1;         // "TEX_INT_ICONS"
    std::int32_t m_iTexTargetArrow = -1;   // "TEX_KT_TARGET_ARROW"
    std::int32_t m_iTexTargetCorner = -1;  // "TEX_KT_TARGET_CORNER"
    std::int32_t m_iTexUI1 = -1;           // "TEX_INT_UI1", the 1024 x 1024 cockpit sheet
    std::int32_t m_iTexUII = -1;           // "TEX_INT_UII"
    CGeometryBuffer m_HudBuffer;    // 160 vertices, 240 indices; the first 48 eight quads
    CGeometryBuffer m_BigHudBuffer; // 800 vertices, 1200 indices
    std::int32_t m_iWarning = -1;   // the cockpit's warning, -1 none
    plat::d3d::SViewport m_Viewport{};
    float m_fWarningTime[4] = {};
    float m_fEquipTime[4] = {};
    // The player's mechanoid (the application's), for the cockpit's test.
    const CMechanoid* m_pPlayerMech = nullptr;
    // The camera object (the application's), for the caching pass.
    CCamera* m_pCameraObject = nullptr;
    // How many frames drew the cockpit.
    std::uint32_t m_nCockpitFrames = 0;
    // The player's mechanoid's stasis: on, and the seconds left (10 to 0),
    // set by the game each frame.
    bool m_bStasis = false;
    float m_fStasisTime = 0.0f;
    // The play recorder's status for DrawRecorderInfo (the application's).
    const SRecorderStatus* m_pRecorder = nullptr;

    // What the cockpit reads of the game, set by the application each frame:
    // the player's glider, the glider it targets, the frame time, the pause
    // flag, the command menu level (-1 none) with the answers of the
    // player's group and mech record and the player's money, the four
    // warning-icon flags of the situation analysis, the three anomaly damage
    // levels, the heading-sight option; and, once the renderer exists, the
    // units' weapon-icon and anomaly textures.
    CGliderObject* m_pPlayerGlider = nullptr;
    CGliderObject* m_pTargetGlider = nullptr;
    float m_fFrameTime = 0.0f;
    bool m_bPaused = false;
    std::int32_t m_nCommandLevel = -1;
    bool m_bGroupCommandAvailable = false;
    bool m_bPlayerMechQuery = false;
    float m_fPlayerMoney = 0.0f;
    bool m_bWarningFlags[4] = {};
    float m_fAnomalyLevel[3] = {};
    bool m_bHeadingSight = false;
    bool m_bMiddleSpeedKey = false; // left Alt held: the speed panel shows the middle speed
    std::int32_t m_iTexWeaponIcons = -1;
    std::int32_t m_iTexAnomaly = -1;
    // The colour the target's group AI gives its markers (white without).
    std::uint32_t (*m_pfnTargetColour)(const CGliderObject* target) = nullptr;
    // The player's control flags and the target AI's report for ShowInfo.
    bool m_bAlwaysRun = false;
    bool m_bCruise = false;
    bool m_bAntiRocket = false;
    const struct SAIReport* m_pTargetAI = nullptr;
    // The number of equipment entries drawn last frame.
    std::int32_t m_nEquipEntries = 0;

private:
    // The cockpit sheet of this frame (null: the panels draw nothing).
    CTexture* m_pSheet = nullptr;
    // A bar: the sheet's white cell stretched and tinted.
    void DrawBar(const plat::Rect& rect, std::uint32_t colour);
    // The sheet cell at texel (x, y) over screen, tinted unless colour is 0.
    void DrawSheet(const plat::Rect& screen, int x, int y, std::uint32_t colour);
};

extern CRenderer* g_pRenderer;
