// The D3DX subset over the Direct3D 8 layer: image files into textures and
// surfaces, surface-to-surface scaling and format conversion, and the mesh
// object the engine uses to reorder its geometry for the vertex cache.
//
// Contract:
// - Image files: BMP, TGA, JPEG and PNG (decoded by stb_image) and DDS (read
//   here: DXT1/3/5, the 16/24/32-bit RGB layouts, A8, L8, A8L8 and the bump
//   layouts; 2-D images only, cube maps and volumes are refused). Paths are
//   the engine's (code page 1251, '\' separators, any case) and go through
//   plat::ResolvePath. A file that is missing or cannot be decoded fails the
//   call with D3DERR_NOTFOUND or D3DXERR_INVALIDDATA and writes one line
//   naming the file and the reason to the debug output; nothing is created.
// - Scaling filters (D3DX_FILTER_*): NONE copies without scaling (pixels
//   outside the source are transparent black), POINT takes the nearest
//   pixel, LINEAR interpolates between four, TRIANGLE weights a tent as wide
//   as the reduction, BOX averages the area a pixel covers. Edges are
//   clamped, or mirrored with the MIRROR flags. D3DX_DEFAULT is TRIANGLE for
//   images and BOX for mip levels. DITHER is accepted and not acted on.
// - Colour key: when not 0, source pixels equal to it (compared as
//   A8R8G8B8) become transparent black.
// - Threads: every function may run on a loader thread; they only create
//   and lock resources, which the device allows from any thread.
// - Ownership: created objects come with one reference; the caller releases.
#pragma once

#include "platform/d3d8/D3D8.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat::d3d
{

constexpr std::uint32_t D3DX_DEFAULT = 0xFFFFFFFFu;

constexpr std::uint32_t D3DX_FILTER_NONE = 1;
constexpr std::uint32_t D3DX_FILTER_POINT = 2;
constexpr std::uint32_t D3DX_FILTER_LINEAR = 3;
constexpr std::uint32_t D3DX_FILTER_TRIANGLE = 4;
constexpr std::uint32_t D3DX_FILTER_BOX = 5;
constexpr std::uint32_t D3DX_FILTER_MIRROR_U = 0x00010000;
constexpr std::uint32_t D3DX_FILTER_MIRROR_V = 0x00020000;
constexpr std::uint32_t D3DX_FILTER_MIRROR = 0x00070000;
constexpr std::uint32_t D3DX_FILTER_DITHER = 0x00080000;

constexpr HResult D3DXERR_INVALIDDATA = MakeD3dError(2905);

enum EImageFileFormat : std::uint32_t
{
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
};

struct SImageInfo
{
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Depth = 0;
    std::uint32_t MipLevels = 0;
    std::uint32_t Format = D3DFMT_UNKNOWN; // the file's own pixel layout
    std::uint32_t ResourceType = D3DRTYPE_TEXTURE;
    std::uint32_t ImageFileFormat = D3DXIFF_BMP;
};

// ---- image files ----

HResult D3DXGetImageInfoFromFileA(const char* path, SImageInfo* info);
// Why the calling thread's last failed image-file call (the *FromFile*
// functions) failed: "cannot read image 'path': reason"; empty after a
// call that did not fail. The reason is also written to the debug output;
// the engine puts it into its error log.
const char* D3DXGetLastErrorText();
HResult D3DXGetImageInfoFromFileInMemory(const void* data, std::size_t size, SImageInfo* info);

// width/height 0 or D3DX_DEFAULT take the file's size; mipLevels 0 or
// D3DX_DEFAULT make the full chain; format D3DFMT_UNKNOWN keeps the file's.
// Mip levels a DDS file carries are used where their size matches; the
// others are made from the level above with mipFilter. palette is unused
// (no palettized formats) and may be null.
HResult D3DXCreateTextureFromFileExA(Device* device, const char* path, std::uint32_t width,
                                     std::uint32_t height, std::uint32_t mipLevels, std::uint32_t usage,
                                     Format format, std::uint32_t pool, std::uint32_t filter,
                                     std::uint32_t mipFilter, Color colorKey, SImageInfo* srcInfo,
                                     void* palette, Texture** texture);
HResult D3DXCreateTextureFromFileInMemoryEx(Device* device, const void* data, std::size_t size,
                                            std::uint32_t width, std::uint32_t height,
                                            std::uint32_t mipLevels, std::uint32_t usage, Format format,
                                            std::uint32_t pool, std::uint32_t filter, std::uint32_t mipFilter,
                                            Color colorKey, SImageInfo* srcInfo, void* palette,
                                            Texture** texture);

// The source rectangle of the file's first image (null: all of it) scaled
// into the destination rectangle (null: the whole surface) and converted to
// the surface's format (DXT formats are encoded).
HResult D3DXLoadSurfaceFromFileA(Surface* dst, const void* dstPalette, const Rect* dstRect, const char* path,
                                 const Rect* srcRect, std::uint32_t filter, Color colorKey,
                                 SImageInfo* srcInfo);
HResult D3DXLoadSurfaceFromFileInMemory(Surface* dst, const void* dstPalette, const Rect* dstRect,
                                        const void* data, std::size_t size, const Rect* srcRect,
                                        std::uint32_t filter, Color colorKey, SImageInfo* srcInfo);
// Any lockable surface into another (the same surface is allowed).
HResult D3DXLoadSurfaceFromSurface(Surface* dst, const void* dstPalette, const Rect* dstRect, Surface* src,
                                   const void* srcPalette, const Rect* srcRect, std::uint32_t filter,
                                   Color colorKey);

// ---- meshes ----

constexpr std::uint32_t D3DXMESH_32BIT = 0x001;
constexpr std::uint32_t D3DXMESH_DONOTCLIP = 0x002;
constexpr std::uint32_t D3DXMESH_POINTS = 0x004;
constexpr std::uint32_t D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr std::uint32_t D3DXMESH_VB_MANAGED = 0x020;
constexpr std::uint32_t D3DXMESH_VB_WRITEONLY = 0x040;
constexpr std::uint32_t D3DXMESH_VB_DYNAMIC = 0x080;
constexpr std::uint32_t D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr std::uint32_t D3DXMESH_IB_MANAGED = 0x200;
constexpr std::uint32_t D3DXMESH_IB_WRITEONLY = 0x400;
constexpr std::uint32_t D3DXMESH_IB_DYNAMIC = 0x800;
constexpr std::uint32_t D3DXMESH_VB_SOFTWAREPROCESSING = 0x8000;
constexpr std::uint32_t D3DXMESH_IB_SOFTWAREPROCESSING = 0x10000;
constexpr std::uint32_t D3DXMESH_SYSTEMMEM = D3DXMESH_VB_SYSTEMMEM | D3DXMESH_IB_SYSTEMMEM;
constexpr std::uint32_t D3DXMESH_MANAGED = D3DXMESH_VB_MANAGED | D3DXMESH_IB_MANAGED;
constexpr std::uint32_t D3DXMESH_WRITEONLY = D3DXMESH_VB_WRITEONLY | D3DXMESH_IB_WRITEONLY;
constexpr std::uint32_t D3DXMESH_DYNAMIC = D3DXMESH_VB_DYNAMIC | D3DXMESH_IB_DYNAMIC;

constexpr std::uint32_t D3DXMESHOPT_COMPACT = 0x01000000;
constexpr std::uint32_t D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr std::uint32_t D3DXMESHOPT_VERTEXCACHE = 0x04000000;
constexpr std::uint32_t D3DXMESHOPT_STRIPREORDER = 0x08000000;
constexpr std::uint32_t D3DXMESHOPT_IGNOREVERTS = 0x10000000;

// Adjacency entries with no neighbour.
constexpr std::uint32_t kNoNeighbour = 0xFFFFFFFFu;

// An indexed triangle list of one FVF in a vertex and an index buffer of the
// device (16-bit indices unless D3DXMESH_32BIT).
// Thread safety: one thread at a time; the buffers follow the device's rules.
class Mesh : public Unknown
{
public:
    std::uint32_t GetNumFaces() const { return m_nFaces; }
    std::uint32_t GetNumVertices() const { return m_nVertices; }
    std::uint32_t GetFVF() const { return m_nFvf; }
    std::uint32_t GetOptions() const { return m_nOptions; }
    std::uint32_t GetNumBytesPerVertex() const { return m_nStride; }
    HResult GetVertexBuffer(VertexBuffer** vb);
    HResult GetIndexBuffer(IndexBuffer** ib);
    HResult LockVertexBuffer(std::uint32_t flags, std::uint8_t** data);
    HResult UnlockVertexBuffer();
    HResult LockIndexBuffer(std::uint32_t flags, std::uint8_t** data);
    HResult UnlockIndexBuffer();

    // Three entries per face: the face across each edge (corner 0-1, 1-2,
    // 2-0), or kNoNeighbour. Vertices whose positions lie within epsilon of
    // each other count as one.
    HResult GenerateAdjacency(float epsilon, std::uint32_t* adjacency);
    // COMPACT drops faces with an index past the vertices and vertices no
    // face uses; VERTEXCACHE reorders faces for the post-transform cache;
    // unless IGNOREVERTS, vertices are then renumbered in order of first use.
    // faceRemap (one per face of the result) and vertexRemap (one per vertex
    // of the result) name the old face and vertex; adjacencyOut gets the
    // adjacency of the result. All three may be null.
    HResult OptimizeInplace(std::uint32_t flags, const std::uint32_t* adjacencyIn,
                            std::uint32_t* adjacencyOut, std::uint32_t* faceRemap,
                            std::vector<std::uint32_t>* vertexRemap);

    Mesh(std::uint32_t faces, std::uint32_t vertices, std::uint32_t options, std::uint32_t fvf,
         std::uint32_t stride, VertexBuffer* vb, IndexBuffer* ib);
    ~Mesh() override;

private:
    bool Read(std::vector<std::uint8_t>* vertices, std::vector<std::uint32_t>* indices);
    bool Write(const std::vector<std::uint8_t>& vertices, const std::vector<std::uint32_t>& indices);

    std::uint32_t m_nFaces, m_nVertices, m_nOptions, m_nFvf, m_nStride;
    VertexBuffer* m_pVb;
    IndexBuffer* m_pIb;
};

// Bytes per vertex of an FVF code: the position (12 for XYZ, 16 for XYZRHW
// and XYZB1, 4 more for each further blend weight; 0 for other codes), then
// normal, point size, colours and the texture coordinate sets.
std::uint32_t FvfStride(std::uint32_t fvf);

HResult D3DXCreateMeshFVF(std::uint32_t faces, std::uint32_t vertices, std::uint32_t options,
                          std::uint32_t fvf, Device* device, Mesh** mesh);

} // namespace plat::d3d
