// CModel: one mesh of a model: a base mesh with a material and a technique,
// up to four morph animations, up to eight damage variants, pre-sorted
// triangle orders for transparent drawing, a texture-frame (atlas)
// animation, a rotation about a pivot and vertex-blend weights. Also the
// marker transforms read from a model's small marker mesh.
//
// The model block (Load/Save) is stored inside the model parts of complex
// objects; its layout is given above SModelBlockHeader. Load checks every
// count against its limit and against the bytes left before allocating; a
// damaged block is refused with one error-log line and leaves the model
// empty (it then draws nothing).
//
// A model draws through the model manager's "MODELS" ring (shared-buffer
// flag) or through a work mesh of its own.
//
// Ownership: the model owns its meshes, caches, vertex copies, animation
// and damage arrays; Free releases them all.
// Threads: loaded on the model manager's loader thread; everything else on
// the main thread.
#pragma once

#include "foundation/GeometryBuffer.h"
#include "foundation/Vector.h"
#include "platform/d3d8/D3D8Types.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace plat::d3d
{
class IndexBuffer;
}

class CMesh;
class CPakStream;
class CTexture;

// Model block, little-endian, read from the current position of a stream:
//   header (144 bytes, below);
//   the base mesh in the mesh file form;
//   per animation: SAnimationFile (64 bytes), then per set the type uses:
//     the u16 vertex indices (count x 2) when the set's index word is set,
//     the deltas (count x 24: position delta, normal delta);
//   sorting mode 1 or 2: six index lists as long as the base mesh's;
//   per damage record: 77-byte header (first i32 = removed-triangle count),
//     the removed triangles (count x 2), the replacement mesh.
#pragma pack(push, 1)
struct SModelBlockHeader
{
    std::int32_t animationCount;   //   0
    float material[17];            //   4 diffuse, ambient, specular, emissive RGBA, power
    std::int32_t techniqueId;      //  72
    std::int32_t frameGrid;        //  76 negative loads as 0
    float frameTime;               //  80 clamped to 0..100 on load
    std::int32_t materialIndex;    //  84 ignored on load
    std::uint8_t pingPong;         //  88
    std::uint8_t pad[3];           //  89 zero
    float pingPongPeriod;          //  92
    std::int32_t pingPongSlot;     //  96
    std::int32_t blendMode;        // 100
    std::int32_t blendProfile;     // 104
    std::int32_t sortingMode;      // 108
    std::int32_t extraType;        // 112
    float extraValue;              // 116
    std::int32_t damageCount;      // 120
    std::int32_t rotationAxis;     // 124
    float rotationSpeed;           // 128
    float rotationPivot[3];        // 132
};
static_assert(sizeof(SModelBlockHeader) == 144);

struct SAnimationSetFile
{
    std::int32_t count;
    std::uint32_t hasIndices; // non-zero: a u16 index array follows
    std::uint32_t hasDeltas;  // non-zero in memory while deltas exist
};
static_assert(sizeof(SAnimationSetFile) == 12);

struct SAnimationFile
{
    std::int32_t type;
    char name[12];
    SAnimationSetFile sets[4];
};
static_assert(sizeof(SAnimationFile) == 64);

struct SDamageHeader
{
    std::int32_t removedCount;
    std::uint8_t rest[73]; // kept and written back unchanged
};
#pragma pack(pop)
static_assert(sizeof(SDamageHeader) == 77);

struct SAnimationSet
{
    std::int32_t m_nCount = 0;
    std::vector<std::uint16_t> m_Indices; // empty: none stored
    std::vector<float> m_Deltas;          // count x 6
    bool m_bHasIndices = false;
    bool m_bHasDeltas = false;
};

struct SAnimation
{
    std::int32_t m_iType = 0;
    char m_szName[12] = {};
    SAnimationSet m_Sets[4];
};

struct SDamageData
{
    SDamageHeader m_Header{};
    std::vector<std::uint16_t> m_Triangles;
    std::unique_ptr<CMesh> m_pMesh;
};

struct STransData
{
    std::int32_t iOrigin = 0;
    std::int32_t iForward = 1;
    std::int32_t iRight = 2;
    std::int32_t iTop = 3;
};

class CModel
{
public:
    static constexpr int kMaxAnimations = 4;
    static constexpr int kMaxDamages = 8;
    static constexpr int kCacheEntries = 8;
    static constexpr std::int32_t kMaxDamageIndices = 21000;

    struct SHardwareEntry
    {
        plat::d3d::IndexBuffer* m_pIB = nullptr;
        float m_fLastUse = 0.0f;
        std::uint32_t m_nMask = 0;
        std::int32_t m_nIndexCount = 0;
    };
    struct SCopyEntry
    {
        std::vector<std::uint16_t> m_Indices;
        float m_fLastUse = 0.0f;
        std::uint32_t m_nMask = 0;
        std::int32_t m_nIndexCount = 0;
    };

    CModel();
    ~CModel();
    CModel(const CModel&) = delete;
    CModel& operator=(const CModel&) = delete;

    // One model block; false (one error-log line, model left empty) for a
    // damaged or truncated block.
    bool Load(CPakStream& stream, bool shared);
    bool Save(std::FILE* file);
    void Free();

    void MakeWorkMesh();
    CMesh* GetRenderMesh();
    CMesh* GetCurrentMesh(float* state);
    CMesh* GetAnimatedMesh(const float* state, bool force);

    void AddAnimation(std::int32_t type, const char* name, CMesh* const* keys);
    void DeleteAnimation(const char* name);
    std::int32_t FindAnimation(const char* name) const;

    void Update(float dt);
    // Frames of the texture-frame animation for a frame grid.
    static std::int32_t FrameCount(std::int32_t grid);

    void SetSorting(std::int32_t order, bool recordOnly);
    void SetSortingByView(const CVector& direction, bool recordOnly);
    void CreateSortedIndices(std::int32_t mode);
    void SetBlending(std::int32_t mode, std::int32_t profile);

    void AddDamageData(const SDamageHeader& header, const std::uint16_t* triangles, CMesh* mesh);
    void SetDamageData(CMesh* mesh, std::uint32_t mask);
    void SetDamageData(CGeometryBuffer& source, std::uint32_t mask);
    plat::d3d::IndexBuffer* CreateDamageIndexBuffer(std::uint32_t mask, std::int32_t* count);
    std::vector<std::uint16_t> CreateDamageIndexes(std::uint32_t mask, std::int32_t* count);

    void Render(CMesh* mesh, CTexture* t0 = nullptr, CTexture* t1 = nullptr, CTexture* t2 = nullptr,
                CTexture* t3 = nullptr);
    void RenderState(float* state, CTexture* t0 = nullptr, CTexture* t1 = nullptr, CTexture* t2 = nullptr,
                     CTexture* t3 = nullptr);
    void RenderBuffered(float* state, CTexture* t0 = nullptr, CTexture* t1 = nullptr, CTexture* t2 = nullptr,
                        CTexture* t3 = nullptr);
    void RenderDamaged(float* state, std::uint32_t mask, CTexture* t0 = nullptr, CTexture* t1 = nullptr,
                       CTexture* t2 = nullptr, CTexture* t3 = nullptr);

    void Transform(const CMatrix& matrix);
    void SetMesh(CMesh* mesh);

    std::int32_t m_iRotationAxis = 0;
    float m_fRotationSpeed = 1.0f;
    CVector m_vRotationPivot;
    bool m_bShared = true;
    bool m_bAnimated = false;
    std::int32_t m_iMaterial = -1;
    plat::d3d::SMaterial m_Material{};
    std::int32_t m_iTechnique = 0;
    float m_fRunningTime = 0.0f;
    float m_fFrameTime = 0.0f;
    std::int32_t m_iFrameGrid = 0;
    std::int32_t m_iCurrentFrame = 0;
    bool m_bPingPong = false;
    float m_fPingPongClock = 0.0f;
    float m_fPingPongValue = 0.0f;
    float m_fPingPongPeriod = 1.0f;
    std::int32_t m_iPingPongSlot = 0;
    std::int32_t m_iBlend = 0;
    std::int32_t m_iBlendProfile = 0;
    std::int32_t m_iSorting = 0;
    bool m_bColorOverride = false;
    float m_fOverrideColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::vector<std::uint16_t> m_SortedIndices; // 6 x index count
    std::uint32_t m_nMeshBytes = 0;
    float m_fLastState[4] = {};
    std::int32_t m_iExtraType = 0;
    float m_fExtraValue = 0.0f;
    SHardwareEntry m_Hardware[kCacheEntries];
    std::int32_t m_nHardwareCount = 0;
    SCopyEntry m_Copies[kCacheEntries];
    std::int32_t m_nCopyCount = 0;
    std::int32_t m_iCurrentOrder = 0;
    std::int32_t m_iCopyEntry = 0; // the index copy entry the source record holds
    std::unique_ptr<CMesh> m_pMesh;
    std::unique_ptr<CMesh> m_pWorkMesh;
    std::unique_ptr<CGeometryBuffer> m_pSource;
    std::vector<std::uint8_t> m_AnimatedVertices;
    std::vector<std::uint8_t> m_BaseVertices;
    std::int32_t m_nAnimationCount = 0;
    SAnimation m_Animations[kMaxAnimations];
    SDamageData m_Damages[kMaxDamages];
    std::int32_t m_nDamageCount = 0;

private:
    bool LoadBody(CPakStream& stream, bool shared);
    void ResetHardwareCache();
    void CopyUndamagedIndices();
    void ReleaseBaseMesh();
    // Bytes of the vertices and indices of a mesh, for m_nMeshBytes.
    static std::uint32_t MeshBytes(const CMesh* mesh);
    template <class Entry>
    std::int32_t ChooseDamageEntry(Entry* entries, std::int32_t& count, std::int32_t current, std::uint32_t mask,
                                   bool* fresh);
};

// The top of the engine's world-matrix stack, which model transforms are
// applied on; identity until a renderer sets it.
extern CMatrix g_ModelWorldMatrix;

// The offset of the normal in a vertex of the FVF (0 with no known position kind).
std::uint32_t NormalOffset(std::uint32_t fvf);

// Per animation type, how many sets are used (0 for an unknown type).
int AnimationSetCount(std::int32_t type);

// The per-set coefficients a slot value s gives for positions and normals,
// and which set's vertex list they apply to (0, or 2 for type 1 below 0).
// False when the value contributes nothing.
bool AnimationCoefficients(std::int32_t type, float s, float position[4], float normal[4], int* listSet);

bool CreateTransData(CModel* model, STransData* out);
void GetTransMatrix(CMatrix* out, CModel* model, std::int32_t origin, std::int32_t forward, std::int32_t right,
                    std::int32_t top, float* state);
void GetTransMatrixCentered(CMatrix* out, CModel* model, std::int32_t origin, std::int32_t forward,
                            std::int32_t right, std::int32_t top, float* state);
void GetTransMatrixNormalized(CMatrix* out, CModel* model, std::int32_t origin, std::int32_t forward,
                              std::int32_t right, std::int32_t top, float* state, float lengths[3]);
