// The two small interfaces through which the application shell reaches the
// graphics device and the engine's resources without including them: the
// device wrapper (Graphic) implements IShellDevice, and the graphics engine
// installs its cursor painter from RegisterEngineClasses.
#pragma once

#include "platform/Types.h"

// What the shell needs of the graphics device to watch for loss and reset
// it; the device wrapper provides it. With none, the device is never lost.
class IShellDevice
{
public:
    static constexpr plat::HResult kDeviceLost = static_cast<plat::HResult>(0x88760868u);
    static constexpr plat::HResult kDeviceNotReset = static_cast<plat::HResult>(0x88760869u);

    virtual ~IShellDevice() = default;
    virtual plat::HResult TestCooperativeLevel() = 0;
    // Resets with the stored presentation parameters.
    virtual plat::HResult Reset() = 0;
    virtual void Release() = 0;
};

// What the shell's cursor needs of the graphics resources, which live in a
// library above this one: RegisterEngineClasses installs the engine's
// painter, which draws nothing while the resources are absent. Main thread
// only.
class ICursorPainter
{
public:
    virtual ~ICursorPainter() = default;
    // Whether the texture id gives a texture now.
    virtual bool IsAvailable(int texture) = 0;
    // Draws the screen quad {left, top, right, bottom} with the texture and
    // technique; false (nothing drawn) when the texture is not available.
    virtual bool DrawQuad(const int screen[4], int texture, int technique) = 0;
    virtual void SetBlendFactor(float factor) = 0;
    // The engine's clock in seconds.
    virtual float GetEngineTime() = 0;
};

// Null: RenderCursor draws nothing.
void SetCursorPainter(ICursorPainter* painter);
