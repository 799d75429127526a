#include "platform/d3dx/Resample.h"

#include "platform/d3dx/D3DX.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace plat::d3d::detail
{

namespace
{

struct STap
{
    std::uint32_t index;
    float weight;
};

// Source pixels outside the image: the nearest edge pixel, or the mirror
// image across the edge.
std::uint32_t Address(std::int64_t i, std::uint32_t n, bool mirror)
{
    if (mirror && n > 1)
    {
        const std::int64_t period = 2 * std::int64_t(n);
        i %= period;
        if (i < 0) i += period;
        if (i >= std::int64_t(n)) i = period - 1 - i;
        return std::uint32_t(i);
    }
    return std::uint32_t(std::clamp<std::int64_t>(i, 0, std::int64_t(n) - 1));
}

// For every destination pixel of one axis, the source pixels it takes and
// their weights (summing to 1). Pixel i covers [i, i + 1) in its own units.
std::vector<std::vector<STap>> AxisTaps(std::uint32_t srcN, std::uint32_t dstN, std::uint32_t type,
                                        bool mirror)
{
    std::vector<std::vector<STap>> taps(dstN);
    const double scale = double(srcN) / double(dstN);
    for (std::uint32_t d = 0; d < dstN; ++d)
    {
        std::vector<STap>& t = taps[d];
        const double centre = (d + 0.5) * scale;
        auto add = [&](std::int64_t i, double w)
        {
            if (w > 0) t.push_back({Address(i, srcN, mirror), float(w)});
        };
        switch (type)
        {
        case D3DX_FILTER_POINT:
            add(std::int64_t(std::floor(centre)), 1.0);
            break;
        case D3DX_FILTER_LINEAR:
        {
            const double c = centre - 0.5;
            const double i0 = std::floor(c);
            add(std::int64_t(i0), 1.0 - (c - i0));
            add(std::int64_t(i0) + 1, c - i0);
            break;
        }
        case D3DX_FILTER_BOX:
        {
            // The area the destination pixel covers, at least one source
            // pixel wide.
            const double half = std::max(scale, 1.0) * 0.5;
            const double lo = centre - half, hi = centre + half;
            for (std::int64_t i = std::int64_t(std::floor(lo)); double(i) < hi; ++i)
                add(i, std::min(hi, double(i + 1)) - std::max(lo, double(i)));
            break;
        }
        default: // triangle: a tent as wide as the reduction, bilinear when enlarging
        {
            const double radius = std::max(scale, 1.0);
            const std::int64_t first = std::int64_t(std::floor(centre - radius - 0.5));
            const std::int64_t last = std::int64_t(std::ceil(centre + radius));
            for (std::int64_t i = first; i <= last; ++i)
                add(i, 1.0 - std::fabs(double(i) + 0.5 - centre) / radius);
            break;
        }
        }
        float sum = 0;
        for (const STap& tap : t)
            sum += tap.weight;
        if (sum <= 0)
            t.assign(1, {Address(std::int64_t(centre), srcN, mirror), 1.0f});
        else
            for (STap& tap : t)
                tap.weight /= sum;
    }
    return taps;
}

} // namespace

void Resample(const std::uint32_t* src, std::uint32_t sw, std::uint32_t sh, std::uint32_t* dst,
              std::uint32_t dw, std::uint32_t dh, std::uint32_t filter)
{
    const std::uint32_t type = filter == D3DX_DEFAULT ? D3DX_FILTER_TRIANGLE : (filter & 0xFF);
    if (type == D3DX_FILTER_NONE)
    {
        // No scaling: the overlap is copied, the rest is transparent black.
        for (std::uint32_t y = 0; y < dh; ++y)
            for (std::uint32_t x = 0; x < dw; ++x)
                dst[std::size_t(y) * dw + x] = (x < sw && y < sh) ? src[std::size_t(y) * sw + x] : 0u;
        return;
    }
    if (sw == dw && sh == dh)
    {
        std::memcpy(dst, src, std::size_t(sw) * sh * 4);
        return;
    }
    const bool mirrorU = filter != D3DX_DEFAULT && (filter & D3DX_FILTER_MIRROR_U);
    const bool mirrorV = filter != D3DX_DEFAULT && (filter & D3DX_FILTER_MIRROR_V);
    const auto tx = AxisTaps(sw, dw, type, mirrorU);
    const auto ty = AxisTaps(sh, dh, type, mirrorV);
    // Rows first into floats, then columns.
    std::vector<float> rows(std::size_t(dw) * sh * 4);
    for (std::uint32_t y = 0; y < sh; ++y)
        for (std::uint32_t x = 0; x < dw; ++x)
        {
            float acc[4] = {};
            for (const STap& t : tx[x])
            {
                const std::uint32_t c = src[std::size_t(y) * sw + t.index];
                for (int k = 0; k < 4; ++k)
                    acc[k] += t.weight * float((c >> (8 * k)) & 255);
            }
            std::memcpy(&rows[(std::size_t(y) * dw + x) * 4], acc, sizeof(acc));
        }
    for (std::uint32_t y = 0; y < dh; ++y)
        for (std::uint32_t x = 0; x < dw; ++x)
        {
            float acc[4] = {};
            for (const STap& t : ty[y])
                for (int k = 0; k < 4; ++k)
                    acc[k] += t.weight * rows[(std::size_t(t.index) * dw + x) * 4 + k];
            std::uint32_t c = 0;
            for (int k = 0; k < 4; ++k)
                c |= std::uint32_t(std::clamp(int(acc[k] + 0.5f), 0, 255)) << (8 * k);
            dst[std::size_t(y) * dw + x] = c;
        }
}

} // namespace plat::d3d::detail
