// CMesh: the engine's one geometry container. A vertex buffer of one FVF
// and an optional 16-bit index buffer of the device, or the same data in
// plain heap arrays (memory type 5), with the drawing parameters every
// renderer needs. Also here: the 64-byte work vertex used to build and edit
// meshes, the mesh statistics, the binding cache, the mesh file form, the
// Wavefront OBJ text form and the sphere generator.
//
// Memory types: 0 static vertices with a dynamic system-memory index buffer,
// 1 static (loaded geometry), 2 dynamic with discard locks (render buffers,
// screen quads, per-frame copies; default pool, so their owners re-allocate
// them around a device reset), 4 dynamic with software processing in system
// memory, 5 heap arrays that never touch the device.
//
// Ownership: a mesh owns its buffers or arrays; Free and the destructor give
// them up. Readers (LoadFromStream, LoadFromPakFile, LoadObj) check every
// count and index against the data before allocating and refuse a damaged
// file with one error-log line, leaving the mesh empty.
// Threads: meshes are built on loader threads (the device is multithreaded);
// Render and the binding cache belong to the main thread, except that Free
// clears the cache (atomically) on any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

namespace plat::d3d
{
class VertexBuffer;
class IndexBuffer;
} // namespace plat::d3d

class CPakStream;

// The editing vertex: every part any FVF of the engine can hold.
struct SWorkVertex
{
    float position[6]; // the FVF's position kind uses the first 3, 4, 5 or 6
    float normal[3];
    float pointSize;
    std::uint32_t diffuse;
    std::uint32_t specular;
    float tex0[2];
    float tex1[2];
};
static_assert(sizeof(SWorkVertex) == 64);

// Mesh file header; vertices and u16 indices follow.
//   0 u32 FVF
//   4 u32 vertex count
//   8 u32 index count (0: a point list, no index bytes)
struct SMeshFileHeader
{
    std::uint32_t fvf;
    std::uint32_t vertexCount;
    std::uint32_t indexCount;
};
static_assert(sizeof(SMeshFileHeader) == 12);

enum EMeshMemory : std::uint32_t
{
    MESH_MEMORY_STATIC_SYSINDEX = 0,
    MESH_MEMORY_STATIC = 1,
    MESH_MEMORY_DYNAMIC = 2,
    MESH_MEMORY_SOFTWARE = 4,
    MESH_MEMORY_HEAP = 5,
};

class CMesh
{
public:
    // Longest index list and vertex count 16-bit indices can address.
    static constexpr std::uint32_t kMaxVertices = 65536;
    // Scratch table size of the OBJ reader (positions, texture coordinates,
    // normals, distinct corners and faces each).
    static constexpr std::uint32_t kObjTableSize = 25500;

    CMesh(std::uint32_t memoryType, std::uint32_t fvf, std::int32_t vertexCount, std::uint32_t primitiveKind,
          std::int32_t indexCount);
    virtual ~CMesh();
    CMesh(const CMesh&) = delete;
    CMesh& operator=(const CMesh&) = delete;

    // Frees, then creates the buffers (or arrays) for the counts; a vertex
    // buffer that cannot be made even in system memory throws.
    void Allocate(std::uint32_t memoryType, std::uint32_t fvf, std::int32_t vertexCount,
                  std::uint32_t primitiveKind, std::int32_t indexCount, std::uint32_t extraUsage = 0);
    // Releases buffers or arrays; counts and FVF stay.
    void Free();
    void Lock(bool vertices, bool indices);
    void Unlock(bool vertices, bool indices);
    // Draws the mesh; with bind, sets the vertex shader, indices and stream
    // unless this mesh is bound already.
    void Render(bool bind);
    // Forgets the bound mesh: for code that sets streams, indices or the
    // vertex shader on the device itself.
    static void ResetCurrent();

    // Work vertices <-> vertex data (locked, or memory type 5).
    void StoreVertices(const SWorkVertex* source);
    // A new[] array of vertex-count work vertices, owned by the caller.
    void ExtractVertices(SWorkVertex** out);

    float GetRadius();
    void GetSize(float out[3]);
    void GetCenter(float out[3]);
    // The smallest and the largest corner of the vertex positions' box; the
    // zero vector for a mesh without vertices.
    void GetMinPoint(float out[3]);
    void GetMaxPoint(float out[3]);
    void Transform(const float matrix[16]);

    // The mesh file form: header, vertices, indices.
    bool SaveToFile(std::FILE* file);
    bool LoadFromStream(CPakStream* stream, std::uint32_t memoryType);
    // From the file the calling thread's pack-aware reader has open.
    bool LoadFromPakFile(std::uint32_t memoryType);

    // Reorders for the vertex cache and drops unused vertices; null counts
    // mean the mesh's own.
    void Optimize(void* unused, const std::int32_t* vertexCount, const std::int32_t* indexCount);

    // Wavefront OBJ text, for meshes of FVF position + normal + one set.
    bool SaveObj(const char* path);
    bool LoadObj(const char* path);

    std::uint32_t PrimitiveCount() const;
    bool IsIndexed() const { return m_nPrimitiveKind != 0; }

    plat::d3d::VertexBuffer* m_pVB = nullptr;
    plat::d3d::IndexBuffer* m_pIB = nullptr;
    std::uint8_t* m_pVertices = nullptr;
    std::uint16_t* m_pIndices = nullptr;
    std::int32_t m_nDamageEntry = 0;
    std::uint32_t m_nPrimitiveKind = 0;
    std::uint32_t m_bFrameAnimation = 0;
    std::int32_t m_nAtlasRows = 0;
    std::int32_t m_nAtlasColumns = 0;
    std::int32_t m_nAtlasFrame = 0;
    std::int32_t m_nVertexCount = 0;
    std::int32_t m_nIndexCount = 0;
    std::int32_t m_nStartIndex = 0;
    std::int32_t m_nFirstVertex = 0;
    std::uint32_t m_nFVF = 0;
    std::uint32_t m_nStride = 0;
    std::uint32_t m_nSize = 0;
    std::uint32_t m_nMemoryType = 0;

private:
    void SetAtlasTransform();
    bool ReadBody(std::uint32_t (*read)(void*, void*, std::uint32_t), void* source, std::uint32_t available,
                  std::uint32_t memoryType, const char* where);
};

// Mesh statistics of the owners that count (render buffers, location
// cells, effect meshes).
extern std::uint32_t g_MeshCount;
extern std::uint32_t g_MeshBytes;
void AddMeshMemory(const CMesh* mesh);
void SubMeshMemory(const CMesh* mesh);

// Binding cache: the mesh whose stream and indices were set last, and the
// frame-animation flag and FVF set with it. Atomic because a loader thread
// that frees a mesh clears it while the main thread draws and resets it.
extern std::atomic<CMesh*> g_pCurrentMesh;

// A lit, coloured sphere (memory type 1, triangle list).
CMesh* CreateSphereMesh(std::uint32_t fvf, float radius, int n, std::uint32_t topColour,
                        std::uint32_t horizonColour, std::uint32_t bottomColour, bool useLight,
                        const float lightDirection[3]);
