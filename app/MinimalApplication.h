// The application that runs what the engine has so far: the shell's window
// and main loop with an empty frame. The game application replaces it.
#pragma once

#include "foundation/Application.h"

#include <cstdint>

class CMinimalApplication : public CApplication
{
public:
    // Start-up error codes: they choose the text of the start-up error box.
    enum EInitError : std::uint32_t
    {
        kInitUnknown = 0,
        kInitDatabase = 1,
        kInitGraphics = 2,
    };

    bool Init(void* hInstance, void* hPrevInstance, char* commandLine, int showCommand, std::uint32_t flags,
              const char* title) override;
    void Main() override;
    void Done() override;

    std::uint32_t m_nInitError = kInitUnknown;

private:
    // The input device through the factory into g_pInput, and the key names.
    void InitInput();
};

// The text of the start-up error box for an error code.
const char* GetInitErrorText(std::uint32_t error);

// The program after the single-instance test: creates the application, runs
// it and shuts it down. Returns the process exit code.
int RunApplication(char* commandLine, const char* title);

extern const char* const kGameTitle;
