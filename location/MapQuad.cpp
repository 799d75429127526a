// MapQuad::AppendTiles: the ground of one block as unshared triangles, for
// decals and shadows laid on the terrain.
#include "location/LocationTypes.h"
#include "location/TileTable.h"

#include <cstring>

void MapQuad::AppendTiles(CGeometryBuffer* out, int x0, int y0, int x1, int y1, float uOrigin, float vOrigin,
                          float scale) const
{
    if (!m_pOwner || !out || out->m_nStride < 32) return;
    const SNearSlot& slot = *m_pOwner;
    const int blockColumn = (m_nBlock & 1) * 32, blockRow = (m_nBlock >> 1) * 32;
    const float originX = 640.0f * float(slot.m_nCellX), originY = 640.0f * float(slot.m_nCellY);
    // The three tile vertices along a side are 0, 1, 2 quads from the tile's corner.
    static constexpr int kMiddle[5][2] = {
        {1, 0}, {0, 1}, {1, 1}, {2, 1}, {1, 2}}; // (column, row) per code bit

    for (int ty = y0 / 2; ty < y1 / 2; ++ty)
    {
        for (int tx = x0 / 2; tx < x1 / 2; ++tx)
        {
            if (out->m_nVertexCount + 9 >= out->m_nVertexCapacity ||
                out->m_nIndexCount + 24 >= out->m_nIndexCapacity)
                return;
            const int column = blockColumn + 2 * tx, row = blockRow + 2 * ty;
            int code = 0;
            for (int bit = 0; bit < 5; ++bit)
            {
                if (slot.At(row + kMiddle[bit][1], column + kMiddle[bit][0]).dropMask & 1) code |= 1 << bit;
            }
            const bool even = ((column / 2) + (row / 2)) % 2 == 0;
            const STileEntry& entry = GetTileEntry(TileEntryFor(code, even));

            int added = 0;
            for (; entry.kept[added] >= 0; ++added)
            {
                const int c = column + entry.kept[added] % 3, r = row + entry.kept[added] / 3;
                const float v[7] = {
                    float(c) * 10.0f + originX,
                    float(r) * 10.0f + originY,
                    slot.At(r, c).height,
                    0.0f,
                    0.0f,
                    0.0f,
                    0.0f,
                };
                std::uint8_t* vertex =
                    out->m_pVertices +
                    std::size_t(out->m_nVertexCount + std::uint32_t(added)) * out->m_nStride;
                std::memcpy(vertex, v, 12); // the fourth word is the caller's
                const float uv[4] = {(v[0] - uOrigin) / scale, (v[1] - vOrigin) / scale,
                                     (v[0] - uOrigin) / scale, (v[1] - vOrigin) / scale};
                std::memcpy(vertex + 16, uv, 16);
            }
            for (int i = 0; entry.triangles[i] >= 0; ++i)
                out->m_pIndices[out->m_nIndexCount++] =
                    std::uint16_t(out->m_nReserved + std::uint32_t(entry.triangles[i]));
            out->m_nReserved += std::uint32_t(added);
            out->m_nVertexCount += std::uint32_t(added);
        }
    }
}
