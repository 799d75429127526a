#include "foundation/GeometryBuffer.h"

#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/Fvf.h"

#include <cstring>

CGeometryBuffer::~CGeometryBuffer()
{
    Free();
}

void CGeometryBuffer::Free()
{
    XFree(m_pVertices);
    XFree(m_pIndices);
    m_pVertices = nullptr;
    m_pIndices = nullptr;
    m_nVertexCount = m_nVertexCapacity = 0;
    m_nIndexCount = m_nIndexCapacity = 0;
}

std::uint16_t* CGeometryBuffer::Allocate(std::uint32_t fvf, std::uint32_t vertexCount,
                                         std::uint32_t indexCount)
{
    XTRACE("CGeometryBuffer::Allocate");
    Free();
    m_nStride = GetFVFSize(fvf);
    m_nFVF = fvf;
    // 64-bit products: counts from a damaged model must not wrap into a
    // small allocation that later writes overrun.
    m_pVertices = static_cast<std::uint8_t*>(XAlloc(static_cast<std::size_t>(vertexCount) * m_nStride));
    m_pIndices =
        indexCount ? static_cast<std::uint16_t*>(XAlloc(static_cast<std::size_t>(indexCount) * 2)) : nullptr;
    m_nVertexCount = m_nVertexCapacity = vertexCount;
    m_nIndexCount = m_nIndexCapacity = indexCount;
    return m_pIndices;
}

bool CGeometryBuffer::Append(const CGeometryBuffer& other)
{
    const std::uint64_t vertices = std::uint64_t(m_nVertexCount) + other.m_nVertexCount;
    const std::uint64_t indices = std::uint64_t(m_nIndexCount) + other.m_nIndexCount;
    if ((other.m_nVertexCount && other.m_nStride != m_nStride) || vertices > m_nVertexCapacity ||
        indices > m_nIndexCapacity)
    {
        g_ErrorLog.LogError("Geometry append of %u vertices and %u indices does not fit %u/%u of %u/%u",
                            other.m_nVertexCount, other.m_nIndexCount, m_nVertexCount, m_nIndexCount,
                            m_nVertexCapacity, m_nIndexCapacity);
        return false;
    }
    if (other.m_nVertexCount)
        std::memcpy(m_pVertices + std::size_t(m_nVertexCount) * m_nStride, other.m_pVertices,
                    std::size_t(other.m_nVertexCount) * m_nStride);
    for (std::uint32_t i = 0; i < other.m_nIndexCount; ++i)
        m_pIndices[m_nIndexCount + i] = std::uint16_t(other.m_pIndices[i] + m_nVertexCount);
    m_nVertexCount += other.m_nVertexCount;
    m_nIndexCount += other.m_nIndexCount;
    return true;
}
