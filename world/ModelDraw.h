// What every object's drawing does with the device and the model list: the
// world transform set from an object's matrix, and a model id looked up as
// a complex model. Both do nothing without a device or a model list (tools
// and tests run without them).
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>

class CComplexObject;

void SetWorldTransform(const CMatrix& m);
// Null for a negative id, without a model list, or for a model of another kind.
CComplexObject* GetComplexModel(std::int32_t id);
