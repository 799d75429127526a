#include "foundation/Fvf.h"

std::uint32_t GetFVFSize(std::uint32_t fvf)
{
    std::uint32_t size = 0;
    switch (fvf & 0x00E)
    {
    case 0x002:
        size = 12;
        break;
    case 0x004:
    case 0x006:
        size = 16;
        break;
    case 0x008:
        size = 20;
        break;
    case 0x00A:
        size = 24;
        break;
    default:
        break;
    }
    if (fvf & 0x010) size += 12;
    if (fvf & 0x020) size += 4;
    if (fvf & 0x040) size += 4;
    if (fvf & 0x080) size += 4;
    size += 8 * ((fvf >> 8) & 0xF);
    return size;
}
