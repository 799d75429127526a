// CComplexObject: a whole model as the game uses it, an ordered list of
// parts read from a model file: models (type 0), auxiliary models that are
// not drawn (1: markers, collision shapes, particle attachment points),
// sprites (2 and 3) and particle systems (4).
//
// The file (little-endian): a 68-byte header whose first i32 is the part
// count (the other 64 bytes are kept, not read), then per part its 228-byte
// record (SModelFilePart) and its payload: a model block for types 0 and 1,
// a particle-system record for type 4, nothing for 2 and 3. The part count
// is checked against the bytes left before anything is sized by it.
//
// Texture slots: the record keeps the four texture names as the file has
// them; the resolved ids live beside them (m_iTextures), so a name is never
// read as an id, whatever its bytes.
//
// Ownership: the object owns its parts' models and particle systems; the
// model manager owns the object (it creates one for every model id).
// Threads: loaded on the model manager's loader
// thread; everything else on the main thread.
#pragma once

#include "foundation/Vector.h"
#include "graphics/ModelManager.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class CModel;
class CParticleViewer;
class CPakStream;

// One triangle of a collision shape.
struct SShapeTriangle
{
    CVector corners[3];
    CVector normal;     // unit face normal; (0, 0, 1) for a degenerate one
    CVector boxCentre;  // centre of the triangle's bounding box
    float radiusSq = 0; // squared distance from the centre to the box's maximum
};
static_assert(sizeof(SShapeTriangle) == 64);

struct SObjectPart
{
    SModelFilePart m_Record{};                   // as read; names NUL-terminated
    std::int32_t m_iTextures[4] = {-1, -1, -1, -1}; // resolved ids, -1 none
    std::unique_ptr<CModel> m_pModel;             // types 0 and 1
    std::unique_ptr<CParticleViewer> m_pParticles; // type 4

    std::int32_t Type() const { return m_Record.type; }
    const char* Name() const { return m_Record.name; }
};

// What a damaged complex-object file throws; the message names the file,
// the part and the byte offset.
class CComplexObjectError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class CComplexObject : public IModelObject
{
public:
    static constexpr std::uint32_t kHeaderSize = kModelFileHeaderSize;

    CComplexObject();
    ~CComplexObject() override;
    CComplexObject(const CComplexObject&) = delete;
    CComplexObject& operator=(const CComplexObject&) = delete;

    // Reads the file from the stream's position; throws CComplexObjectError
    // (also logged) on damage; the parts read so far stay.
    void Load(CPakStream& stream);
    // Load, caught: false with one error-log line.
    bool LoadFromStream(CPakStream& stream) override;
    // Writes the object back in the file form (header kept, names as read).
    bool Save(std::FILE* file);
    void Free();

    void Run(float dt) override { Update(dt); }
    float GetRadius() override;
    void SetRadius(float radius) override { m_fRadius = radius; }
    std::uint32_t GetMemorySize() override;

    std::int32_t FindObject(const char* name) const;
    std::int32_t FindAnimation(const char* name) const;

    // Group -1: every part; another group g: parts whose mask has bit g.
    static bool InGroup(const SObjectPart& part, std::int32_t group);
    void Render(float* state, std::uint32_t damageMask, std::int32_t group);
    void RenderGroup(float* state, std::int32_t group);
    void Update(float dt);
    void SetColor(float red, float green, float blue, float alpha);
    void ResetColor();
    void SetModelsParam(std::int32_t frame);
    void SetSortingByView(const CVector& direction, bool recordOnly);
    void SetSortingMode(std::int32_t mode);
    void SetBlending(std::int32_t mode, std::int32_t profile);
    void Transform(const CMatrix& matrix);
    void FlipFaces();
    // To ids: each name through the texture manager (-1 when unknown).
    // To names: a valid id's texture name, "_DEFAULT_" for any other id.
    void ResolveTextures(bool toNames);

    void GetMaxPoint(float out[3]);
    void GetBoundingCenter(float out[3]);
    void CreateShape(bool first);

    std::int32_t GetPartCount() const { return std::int32_t(m_Parts.size()); }
    SObjectPart& GetPart(std::int32_t i) { return m_Parts[std::size_t(i)]; }

    // The camera matrix billboard and sprite parts turn to; the renderer
    // sets it each frame.
    static CMatrix s_CameraMatrix;

    std::vector<SShapeTriangle> m_Shape;
    std::vector<SShapeTriangle> m_Shape2;
    float m_vCentre[3] = {10000000.0f, 0.0f, 0.0f};
    std::vector<SObjectPart> m_Parts;
    std::uint8_t m_Header[kHeaderSize] = {};
    std::uint32_t m_nMeshBytes = 0;
    bool m_bSorted = false;
    float m_fRadius = 1.0f;

private:
    void RenderSprite(std::size_t index, const CMatrix& world);
};

