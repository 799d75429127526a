// Inside the D3DX subset: scaling A8R8G8B8 images with the D3DX filters.
//
// Contract: pure function over caller memory; safe from any thread. The
// channels are filtered independently (colour is not weighted by alpha),
// as D3DX does.
#pragma once

#include <cstdint>

namespace plat::d3d::detail
{

// Scales src (sw x sh) into dst (dw x dh). filter is a D3DX_FILTER_* value
// with its flags; D3DX_DEFAULT means TRIANGLE.
void Resample(const std::uint32_t* src, std::uint32_t sw, std::uint32_t sh, std::uint32_t* dst,
              std::uint32_t dw, std::uint32_t dh, std::uint32_t filter);

} // namespace plat::d3d::detail
