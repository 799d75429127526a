// CEffectRenderManager (g_EffectRenderManager): what the game draws outside
// the ordinary object passes. Objects queue their transparent parts with a
// sort key (the squared distance to the camera) and a pass value; after the
// terrain, objects and water the renderer calls RenderEffects, which draws
// the queue farthest first through each object's DrawEffect(pass). The
// manager also owns the render targets of the water reflection (one 512 x
// 512 A8R8G8B8 slot per water level of a frame) and of the model view
// (256 x 256), which share one 512 x 512 depth surface. The interface's
// model views (markup pictures of models) borrow the first slot when the
// reflection is done with it.
//
// It also holds the scanner strip's two 256 x 64 A4R4G4B4 textures: one in
// system memory that the CPU writes each frame (Scanner.cpp), copied to one
// in the default pool that the HUD draws.
//
// The queue is a fixed array of 8192 entries: queueing never allocates, and
// the entries beyond 8192 of a frame are dropped (counted in m_nDropped).
//
// An entry of the detail pass value (kDetailPass) holds an index into the
// detail-object list of m_pDetailLocation instead of an object.
//
// Not here yet: the textures are not counted in the texture manager's
// totals.
//
// Threads: main thread only.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "foundation/Vector.h"
#include "location/ShadowPass.h"
#include "platform/d3d8/D3D8.h"
#include "world/EffectQueue.h"

#include <cstdint>
#include <memory>

class CMMObject;
class CMesh;
class CComplexObject;
class CTexture;

// The vertex of every effect mesh (vertex format 578): position, ARGB
// colour, two texture pairs (the builders write only the first).
struct SEffectVertex
{
    float x, y, z;
    std::uint32_t color;
    float u, v, u2, v2;
};
static_assert(sizeof(SEffectVertex) == 32);

class CEffectRenderManager : public IEffectQueue
{
public:
    static constexpr int kMaxEntries = 8192;
    static constexpr std::uint32_t kDetailPass = 0xFFFF0000u;
    static constexpr std::uint32_t kSlotSize = 512;
    static constexpr std::uint32_t kModelTextureSize = 256;

    CEffectRenderManager();
    ~CEffectRenderManager() override;

    // The slot array (slotCount render targets), the device resources, and
    // the manager installed as the world's effect queue.
    void Init(int slotCount);
    void Done();
    void ResetResources();
    void InvalidateResources();
    // Empties the queue (and forgets whose detail list it indexed).
    void ResetFrame()
    {
        m_nCount = 0;
        m_nSlotsUsed = 0;
        m_pDetailLocation = nullptr;
    }

    void AddObject(float key, CMMObject* object, std::uint32_t pass) override;
    static void CallDrawEffect(CMMObject* object, std::uint32_t pass);
    // The queue, farthest first; the queue stays until ResetFrame.
    void RenderEffects();
    // Renders the sky, the details and (with FullReflection) the terrain and
    // objects above water height h into the next free slot; the slot number
    // plus 1, or 0 when there is no free slot or no render target.
    int CreateReflection(float h);
    // Renders model (its state block instance, damage mask b, group a) into
    // the 256 x 256 model texture, cleared transparent, seen from 1.44 in
    // front with a 90-degree view, matrix's rotation scaled by 0.98 / size;
    // with blur the picture goes to the blur texture and back through the
    // texture filter. Restores the render target, the projection, depth
    // test and the view camera's view. 1, or 0 (nothing touched) without a
    // model or a model texture.
    int RenderModelToTexture(CComplexObject* model, float* instance, int a, std::uint32_t b, float size,
                             CMatrix matrix, bool blur);
    // The same into another 256 x 256 render-target texture.
    int RenderModelToTarget(plat::d3d::Texture* target, CComplexObject* model, float* instance, int a,
                            std::uint32_t b, float size, CMatrix matrix, bool blur);
    // Its steps, for pictures drawn several to a target (each in a viewport
    // of 256 x 256): the picture camera (view, projection, no depth test)
    // and the first stage's alpha taken from the model's texture alone, one
    // model in the current target and viewport, and the device's view,
    // projection, depth test and first-stage alpha back. (The models'
    // techniques leave the alpha stage as they find it: a picture took the
    // alpha of whatever texture factor was set before, the hull's colour
    // when drawn during the scene, and so depended on where it was drawn.)
    void BeginModelPictures();
    void DrawModelPicture(CComplexObject* model, float* instance, int a, std::uint32_t b, float size,
                          CMatrix matrix);
    void EndModelPictures();
    // The gliders' shadows (ShadowPass.h).
    CShadowPass& Shadows() { return m_Shadows; }

    // ---- effect meshes (EffectMesh.cpp) ----
    // Each builder writes the front of the shared effect buffer and returns
    // the model manager's EFFECT slot mesh of it (null without a model
    // manager), to be drawn before the next builder runs. A segment of
    // length 0, or one whose side vector is not a number, builds nothing
    // (the buffer's counts are 0) and returns null.
    static constexpr std::uint32_t kEffectFvf = 578;
    static CMesh* GetShotMesh(CVector a, CVector b, float halfWidth, CVector eye, float age, bool spanMode,
                              float texScale, float texOffset);
    static CMesh* GetRayMesh2(CVector a, CVector b, float halfWidth, CVector eye, float texLength, float texStart);
    static CMesh* GetClotMesh(const CVector* a, const CVector* b, float halfWidth, const CVector* eye,
                              float uStart);
    static CMesh* GetBeamMesh(const CVector* a, const CVector* b, float width, const CVector* eye, float age,
                              float texScale, float texOffset);
    // A sphere of radius r into the given buffer, its texture facing
    // direction; with fade the sides seen edge-on are transparent.
    static void CreateSphereEx(CGeometryBuffer* buffer, float r, int n, std::uint32_t color, CVector direction,
                               bool fade);
    // The shared effect buffer (4000 vertices, 12000 indices once Init ran).
    static CGeometryBuffer& EffectBuffer();
    // The camera-facing side vector of the segment a-b seen from eye; false
    // for a segment of length 0 or a side vector that is not a number.
    static bool SideVector(const CVector& a, const CVector& b, const CVector& eye, CVector* side, CVector* axis,
                           float* length);

    // The interface's model views borrow slot 0 and the depth surface:
    // BeginModelView makes them the render target and clears the colour to
    // colour and the depth to 1; false (nothing changed) without them.
    // EndModelView puts the previous target back.
    bool BeginModelView(std::uint32_t colour);
    void EndModelView();
    // A slot's picture on screen through the screen quad (texture rectangle
    // as the model manager's SetScreenQuad takes it) with technique.
    void DrawSlot(int slot, const int screen[4], const int textureRect[4], int technique);

    // ---- scanner strip (Scanner.cpp) ----
    static constexpr int kScannerWidth = 256;
    static constexpr int kScannerHeight = 64;
    static constexpr int kScannerColumns = 225;
    static constexpr int kScannerMiddle = 32; // rows 11..52 are written
    static constexpr std::uint16_t kScannerClear = 0xF000;
    // Opaque black over the written part; copied to the drawn texture.
    void ClearScanner();
    // The frame's strip: bars for gliders, buildings, things and every
    // object near the camera, then copied to the drawn texture.
    void RenderScanner();
    // The column of an object at (dx, dy) from the camera for a heading H
    // (see Scanner.cpp): straight ahead 113, straight behind 0.
    static int ScannerColumn(float heading, float dx, float dy);
    // The heading of a viewing axis (fx, fy).
    static float ScannerHeading(float fx, float fy);
    // The pixel of column c at distance m from the middle row for the seven
    // bar heights (pulse included) G8, G5, F, N, B, T, A.
    static std::uint16_t ScannerPixel(const float heights[7], int column, int m);
    plat::d3d::Texture* GetScannerTexture() const { return m_pScanner[0]; }
    plat::d3d::Texture* GetScannerSystemTexture() const { return m_pScanner[1]; }

    plat::d3d::Texture* GetSlotTexture(int slot) const
    {
        return slot >= 0 && slot < m_nSlots ? m_pSlots[slot] : nullptr;
    }
    // The slot's render target as a texture object for a technique (one
    // shared object: valid until the next call); null without the slot.
    CTexture* LendSlotTexture(int slot);

    struct SEntry
    {
        float key;
        CMMObject* object;
        std::uint32_t pass;
    };

    plat::d3d::Texture* m_pModelTexture = nullptr;
    plat::d3d::Texture* m_pBlurTexture = nullptr;
    int m_nSlots = 0;
    plat::d3d::Texture** m_pSlots = nullptr;
    plat::d3d::Surface* m_pDepth = nullptr;
    int m_nSlotsUsed = 0;
    bool m_bDeferred = true;
    SEntry m_Queue[kMaxEntries];
    int m_nCount = 0;
    int m_Sort[kMaxEntries];
    // Entries refused this run because the queue was full.
    std::uint32_t m_nDropped = 0;
    // The location whose detail-object list the detail entries index (set
    // by its RenderDetailObjects, valid until ResetFrame).
    class CLocation* m_pDetailLocation = nullptr;

private:
    CShadowPass m_Shadows;
    std::uint32_t m_nPictureAlpha[2] = {}; // the first stage's alpha op and argument before the pictures
    std::unique_ptr<CTexture> m_pLent;
    // The drawn (default pool) and the written (system memory) strip.
    plat::d3d::Texture* m_pScanner[2] = {};
};

extern CEffectRenderManager g_EffectRenderManager;
