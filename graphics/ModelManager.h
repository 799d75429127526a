// CModelManager: the owner of the game's models and of the render buffers,
// g_pModelManager.
//
// Models: the model list (a resource-database section: "Filename",
// "Radius") is loaded by id on the loader thread of CMTResourceManager.
// Each id yields an IModelObject, made by the installed object factory (the
// complex objects install theirs; until then CSingleModelObject reads the
// model parts of the file). A record with radius 0 is loaded at Init to
// measure it (1.0 when it does not load).
//
// Render buffers: named rings of 1-5 dynamic meshes into which small
// pieces of geometry are copied every frame. A piece is appended behind the
// pieces already in the ring's current mesh with a no-overwrite lock; when
// it does not fit, the ring moves on to its next mesh and discards it. A
// piece larger than the ring's capacity is refused (logged once per ring)
// and yields an empty draw. Also two prepared quads: a screen quad (FVF
// 0x204) and a billboard quad (FVF 0x112), 32-byte vertices each.
//
// Ownership: the manager owns the model objects, the rings and the quads.
// Threads: GetModel/GetModelForce, Run and every render-buffer operation on
// the main thread; loads on the loader thread.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "foundation/MTResourceManager.h"
#include "graphics/Mesh.h"

#include <cstdint>
#include <memory>
#include <vector>

class CPakStream;
class CTexture;
class CModel;

// What the model manager loads per id: a complex object in the game.
class IModelObject
{
public:
    virtual ~IModelObject() = default;
    // Reads the object from an open stream; false (logged) when it fails.
    virtual bool LoadFromStream(CPakStream& stream) = 0;
    virtual void Run(float dt) = 0;
    virtual float GetRadius() = 0;
    virtual void SetRadius(float radius) = 0;
    virtual std::uint32_t GetMemorySize() = 0;
};

// The model file as the stand-in reads it (little-endian): a 68-byte
// header whose first i32 is the part count, then per part its 228-byte
// record and, for parts of type 0 (model) and 1 (auxiliary model), one model
// block; types 2 and 3 (sprites) carry nothing more.
#pragma pack(push, 1)
struct SModelFilePart
{
    std::int32_t type;       //   0 0 model, 1 auxiliary, 2/3 sprite, 4 particles
    char name[32];           //   4
    char textures[4][32];    //  36 texture names
    std::uint32_t groupMask; // 164
    std::uint32_t flags;     // 168 bit 0 billboard
    std::uint8_t kept[8];    // 172
    std::uint32_t object;    // 180 replaced on load
    std::uint8_t rest[44];   // 184
};
#pragma pack(pop)
static_assert(sizeof(SModelFilePart) == 228);
constexpr std::uint32_t kModelFileHeaderSize = 68;

// The stand-in object until complex objects install their factory: reads
// the model file's parts of types 0 to 3 and keeps their models; a particle
// part (which it cannot read) ends the load as a failure.
class CSingleModelObject : public IModelObject
{
public:
    struct SPart
    {
        SModelFilePart record{};
        std::unique_ptr<CModel> model; // types 0 and 1
    };

    CSingleModelObject();
    ~CSingleModelObject() override;
    bool LoadFromStream(CPakStream& stream) override;
    void Run(float dt) override;
    // The largest of 0.001 and the radii of the type-0 base meshes, until
    // the manager sets one.
    float GetRadius() override;
    void SetRadius(float radius) override { m_fRadius = radius; }
    std::uint32_t GetMemorySize() override;
    // The first type-0 model, or null.
    CModel* GetModel();
    // The first part of that name, or -1.
    std::int32_t FindPart(const char* name) const;
    const std::vector<SPart>& GetParts() const { return m_Parts; }

private:
    std::vector<SPart> m_Parts;
    float m_fRadius = 0.0f;
};

using PFNCreateModelObject = IModelObject* (*)();
// Test seam: the factory the model manager creates its objects with (null:
// CComplexObject, the game's own).
void SetModelObjectFactory(PFNCreateModelObject create);

class CRenderBufferMesh : public CMesh
{
public:
    CRenderBufferMesh();

    char m_szName[32] = {};
    std::int32_t m_nVertexCapacity = 0;
    std::int32_t m_nIndexCapacity = 0;
    std::uint32_t m_nAppended = 0;
    std::uint32_t m_nRestarts = 0;
    std::int32_t m_nHighestIndex = 0;
    std::int32_t m_nHighestVertex = 0;
    std::int32_t m_nRingSize = 0;
    std::uint32_t m_nFewestFrames = 100;
    std::uint32_t m_nFrames = 0;
    bool m_bPoints = false;
    bool m_bRefusedLogged = false;
};

struct SModelRecord
{
    char m_szFileName[68] = {};
    float m_fRadius = 0.0f;
};

class CModelManager : public CMTResourceManager
{
public:
    static constexpr int kSlotCount = 64;
    static constexpr std::uint32_t kMemoryBudget = 0x1e00000;

    CModelManager();
    ~CModelManager() override;

    using CMTResourceManager::Init;
    // The model list.
    bool Init(const char* section, std::uint32_t keepNewest) override;
    bool Init(const char* section) override { return Init(section, 1); }
    // The four rings and the prepared quads; false when a ring failed.
    bool Init();

    void* MT_LoadResource(std::int32_t index, std::uint32_t* size) override;
    void MT_UnloadResource(void* resource, std::int32_t index) override;
    bool MT_IsPermitUnload(std::int32_t index) override;
    void MT_OnLoadResource(std::int32_t index) override;

    IModelObject* GetModel(std::int32_t id);
    IModelObject* GetModelForce(std::int32_t id);
    // Advances every loaded model by dt (not marking it used); the engine
    // clock is the caller's to advance.
    void Run(float dt);

    std::int32_t CreateRenderBuffer(const char* name, std::uint32_t fvf, std::int32_t vertexCount,
                                    std::int32_t indexCount, std::int32_t ringSize, bool points);
    // Different for every manager the program makes: a holder of render
    // buffer slots keeps it to know its slots belong to this manager and not
    // to one made before at the same address.
    std::uint32_t GetSerial() const { return m_nSerial; }
    CMesh* GetRenderSingleBufMesh(std::int32_t slot, const CGeometryBuffer* piece);
    CMesh* GetRenderSingleBufMeshPoints(std::int32_t slot, const CGeometryBuffer* piece);
    void AgeRenderBuffers();
    // Once per frame: every slot's frame count grows by one.
    void NewFrame();
    void InvalidateDeviceObjects();
    void RestoreDeviceObjects();

    CGeometryBuffer* SetScreenQuad(const int screen[4], const int* texture, bool inset);
    CGeometryBuffer* SetScreenQuadUV(const int screen[4], int textureWidth, int textureHeight,
                                     const int* texture, bool rotate);
    CGeometryBuffer* SetBillboardQuad(float heightScale, float widthScale, bool centred);
    void DrawTexturedRect(int left, int top, int right, int bottom, int texLeft, int texTop, int texRight,
                          int texBottom, CTexture* texture, int technique);

    CRenderBufferMesh* GetSlot(std::int32_t slot);
    std::int32_t GetRingPosition(std::int32_t slot) const;
    const SModelRecord* GetRecord(std::int32_t id) const;
    // The one size the model list gives each model, its "Radius" (measured
    // at Init where the list gives 0): objects scale by it, and a building
    // without a sign part puts its sign this high. 1.0 for an id outside
    // the list.
    float GetModelScale(std::int32_t id) const;
    std::int32_t GetRecordCount() const { return std::int32_t(m_Records.size()); }

    CGeometryBuffer m_ScreenQuad;
    CGeometryBuffer m_BillboardQuad;
    std::int32_t m_nSlotsUsed = 0;
    std::int32_t m_iScreenSlot = -1;
    std::int32_t m_iModelsSlot = -1;
    std::int32_t m_iEffectSlot = -1;
    std::int32_t m_iEffectPointSlot = -1;

private:
    std::uint32_t m_nSerial;
    struct SRingSpec
    {
        char name[32];
        std::uint32_t fvf;
        std::int32_t vertices, indices, ringSize;
        bool points;
    };

    CMesh* CopyPiece(std::int32_t slot, const CGeometryBuffer* piece, bool points);
    void CreateVideoMeshes();
    void ReadRecords();

    std::unique_ptr<CRenderBufferMesh> m_Slots[kSlotCount];
    std::int32_t m_RingPosition[kSlotCount] = {};
    std::vector<SRingSpec> m_Rings; // what RestoreDeviceObjects re-creates
    std::vector<SModelRecord> m_Records;
};

extern CModelManager* g_pModelManager;
