// CGeometryBuffer: a system-memory vertex array of one flexible vertex format
// with a 16-bit index array.
//
// The buffer owns both arrays. Models size their work meshes and particle
// systems their stores with Allocate; the render buffers copy out of it.
// Not thread-safe: one owner at a time.
#pragma once

#include <cstdint>

class CGeometryBuffer
{
public:
    CGeometryBuffer() = default;
    ~CGeometryBuffer();
    CGeometryBuffer(const CGeometryBuffer&) = delete;
    CGeometryBuffer& operator=(const CGeometryBuffer&) = delete;

    // Frees the arrays, then allocates vertexCount x GetFVFSize(fvf) bytes
    // and indexCount u16 values (contents undefined) and sets the counts,
    // capacities, FVF and stride. Returns the index array (null for 0
    // indices). Allocation failure throws.
    std::uint16_t* Allocate(std::uint32_t fvf, std::uint32_t vertexCount, std::uint32_t indexCount);
    void Free();
    // Copies other's vertices and indices behind this buffer's, the indices
    // moved by this buffer's old vertex count. The arrays do not grow:
    // when other does not fit the capacities (or has another stride),
    // nothing is copied, one error line is logged and the result is false.
    bool Append(const CGeometryBuffer& other);

    std::uint8_t* m_pVertices = nullptr;
    std::uint16_t* m_pIndices = nullptr;
    std::uint32_t m_nIndexCount = 0;
    std::uint32_t m_nVertexCount = 0;
    std::uint32_t m_nReserved = 0;
    std::uint32_t m_nVertexCapacity = 0;
    std::uint32_t m_nIndexCapacity = 0;
    std::uint32_t m_nFVF = 0;
    std::uint32_t m_nStride = 0;
    std::uint32_t m_nFirstIndex = 0;
    std::uint32_t m_nFirstVertex = 0;
};
