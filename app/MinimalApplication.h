// The application that runs what the engine has so far: the shell's window
// and main loop, the logo video, the graphics resources loaded behind the
// loading screen, and a frame with a line of text and the cursor. The game
// application replaces it.
#pragma once

#include "foundation/Application.h"

#include <cstdint>
#include <string>

class IGraphicInterface;

class CMinimalApplication : public CApplication
{
public:
    // Start-up error codes: they choose the text of the start-up error box.
    enum EInitError : std::uint32_t
    {
        kInitUnknown = 0,
        kInitDatabase = 1,
        kInitGraphics = 2,
        // The database was found but cannot be read (m_sInitErrorDetail says why).
        kInitDatabaseDamaged = 4,
    };

    bool Init(void* hInstance, void* hPrevInstance, char* commandLine, int showCommand, std::uint32_t flags,
              const char* title) override;
    void Main() override;

    std::uint32_t m_nInitError = kInitUnknown;
    // The error line behind the code, shown under its text; may be empty.
    std::string m_sInitErrorDetail;

private:
    // The service table in start-up order: classes, file manager, database,
    // settings, logo video, device, input, the graphics resources (the lists
    // and the music on the loader thread), the frame and the sound.
    void AddServices();
    // The input device through the factory into g_pInput, and the key names.
    void InitInput();
    void DoneInput();
    // "Data\Video\logo0.bik" full screen, skippable.
    void PlayLogoVideo();
    // The "SUF_LOADING" image over the whole screen, presented.
    void DrawLoadingScreen();
    // The graphics interface, the cursor texture and the frame clock.
    void InitFrame();
    void DoneFrame();

    IGraphicInterface* m_pGraphic = nullptr;
};

// The text of the start-up error box for an error code.
const char* GetInitErrorText(std::uint32_t error);

// The program after the single-instance test: creates the application, runs
// it and shuts it down. Returns the process exit code.
int RunApplication(char* commandLine, const char* title);

extern const char* const kGameTitle;
