// The environment's light colours as the world's lamps read them
// (IEnvironmentLights, world/LightWare.h): the ambient colour and the sun's
// colour of the environment's working record.
//
// Ownership: one static adapter; Install points the world's seam at it,
// Uninstall clears the seam. Threads: main thread only.
#pragma once

namespace EnvironmentLights
{
void Install();
void Uninstall();
} // namespace EnvironmentLights
