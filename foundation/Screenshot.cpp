#include "foundation/Screenshot.h"

#include "foundation/ErrorLog.h"

bool SaveJpegScreenshot(int /*quality*/)
{
    // No graphics device exists yet to read a back buffer from.
    g_ErrorLog.LogError("SaveJpegScreenshot: no graphics device");
    return false;
}
