#include "foundation/GeometryBuffer.h"

#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/Fvf.h"

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
