// Models in the interface: UIRenderObject draws one model, turning about
// its vertical axis, into a screen rectangle. The model is rendered into
// the screen-effect manager's shared 512 x 512 model-view texture (with its
// depth surface, pushed on the device's render-target stack) with its own
// camera, light, material and fog states, and the texture is then put on
// screen as a sprite (technique 6). Each call renders and draws at once,
// so the one texture serves every picture.
//
// The model is named by a 32-character fixed name: when its first four
// bytes, read as a signed 32-bit number, lie in 0 to 12288 they are the
// model index itself (the type tables keep resolved ids there), otherwise
// the name is looked up in the model manager's names. A name the manager
// does not know, or a model still loading, draws nothing and leaves the
// device untouched.
//
// Threads: main thread only (it draws).
#pragma once

#include "platform/Types.h"
#include "platform/d3d8/D3D8Types.h"

#include <cstdint>

// A model's fixed name, passed by value.
struct SUIModelName
{
    char name[32] = {};

    SUIModelName() = default;
    // The name cut to 31 characters.
    explicit SUIModelName(const char* text);
    // A name whose first four bytes hold the index.
    static SUIModelName FromIndex(std::int32_t index);
    // A 32-byte name field as it stands (a resolved id stays an id).
    static SUIModelName FromField(const char (&field)[32]);
};

constexpr std::int32_t kUIModelIndexLimit = 0x3000;

// The model index the name stands for: the index in its first four bytes,
// else the manager's index of the name; -1 when none.
std::int32_t ResolveUIModel(const SUIModelName& model);

// The model's scale: 2.2 / (R - |c| / 2) with R the model's interface
// radius and c its bounding-box centre; a model whose centre lies so far
// out that the divisor is not above zero is scaled by its radius alone
// (2.2 / R, or 2.2 for a radius of 0) instead of dividing by zero or
// turning the model inside out.
float UIModelScale(float radius, float centreLength);

// Draws the model turned by angle (radians) into dest. With
// restoreViewport the viewport the device had is put back afterwards,
// otherwise the full-screen viewport is set.
void UIRenderObject(const SUIModelName& model, float angle, const plat::Rect& dest, bool restoreViewport);

// A colour whose r, g, b and a are all value (grey materials); out.
plat::d3d::SColorValue* ColorValueFromScalar(plat::d3d::SColorValue* out, float value);
