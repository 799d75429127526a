// Inside the DirectDraw facade: shows an image in a window.
//
// Contract: draws through a GL 3.3 context of its own on the window (made on
// first use, deleted with the object), or through SDL's window surface when
// the window cannot take a GL context. The GL context that was current
// before a call is current again after it. An image is stretched over the
// window; one of a logical display mode (SetLogicalMode) keeps its own
// size, centred, and is only scaled down (its shape kept) where the window
// is smaller; the rest of the window is black. Thread: the window's owner.
#pragma once

#include <cstdint>
#include <vector>

struct SDL_Window;

namespace plat::ddraw
{

class CPresenter
{
public:
    explicit CPresenter(SDL_Window* window);
    ~CPresenter();
    CPresenter(const CPresenter&) = delete;
    CPresenter& operator=(const CPresenter&) = delete;

    // Shows a width x height image (rows top first, 32-bit X8R8G8B8 or
    // 16-bit R5G6B5) over the window. With readBack the window's pixels
    // are read (A8R8G8B8, top first) instead of being swapped to the
    // screen.
    bool Show(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, std::uint32_t bits,
              std::vector<std::uint32_t>* readBack = nullptr, int* readWidth = nullptr,
              int* readHeight = nullptr);

    // The image is a display mode's screen (true) or the window's content.
    void SetLogicalMode(bool logical) { m_bLogical = logical; }
    struct SPlace
    {
        int x, y, w, h; // top-left origin
    };
    // Where a width x height image goes in a window of w x h pixels.
    SPlace Place(std::uint32_t width, std::uint32_t height, int w, int h) const;

private:
    bool InitGl();
    bool ShowGl(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, std::uint32_t bits,
                std::vector<std::uint32_t>* readBack, int* readWidth, int* readHeight);
    bool ShowSurface(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                     std::uint32_t bits, std::vector<std::uint32_t>* readBack, int* readWidth,
                     int* readHeight);

    SDL_Window* m_pWindow;
    void* m_context = nullptr;
    bool m_bTriedGl = false;
    bool m_bLogical = false;
    unsigned m_program = 0, m_texture = 0, m_vao = 0;
};

} // namespace plat::ddraw
