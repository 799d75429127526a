#include "location/TerrainUtil.h"

#include "graphics/TextureManager.h"

#include <algorithm>
#include <cmath>

float* UnpackNormal(float* out, std::int32_t packed)
{
    const auto bits = std::uint32_t(packed);
    out[0] = float(std::int16_t(bits & 0xFFFF)) / 32766.0f;
    out[1] = float(std::int16_t(bits >> 16)) / 32766.0f;
    out[2] = std::sqrt(std::max(0.0f, 1.0f - out[0] * out[0] - out[1] * out[1]));
    return out;
}

std::uint32_t ModulateColor(std::uint32_t a, std::uint32_t b)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        result |= (((a >> shift) & 0xFF) * ((b >> shift) & 0xFF) + 127) / 256 << shift;
    return result;
}

std::uint32_t ScaleColor(std::uint32_t c, std::uint32_t k)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        result |= std::min<std::uint32_t>(((c >> shift) & 0xFF) * k / 256, 255) << shift;
    return result;
}

std::uint32_t GetTextureColor(std::int32_t textureId)
{
    if (textureId == -1 || !g_pTextureManager) return 0;
    g_pTextureManager->GetTexture(textureId);
    const STextureRecord* record = g_pTextureManager->GetRecord(textureId);
    return record ? std::uint32_t(record->m_iColor) : 0;
}

void SPointList4::Push()
{
    if (m_nCount >= 4) return;
    m_fPoints[m_nCount][0] = m_fCurrent[0];
    m_fPoints[m_nCount][1] = m_fCurrent[1];
    ++m_nCount;
}

bool FindInList(SListNode* head, const void* value, SListNode** cursor)
{
    for (SListNode* node = head; node; node = node->next)
    {
        if (node->value == value)
        {
            *cursor = node->next;
            return true;
        }
    }
    *cursor = nullptr;
    return false;
}
