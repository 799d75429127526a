// CPictureButton: a push button drawn as one picture of the interface
// sheets ("TEX_INT_UI1", "TEX_INT_UII"), chosen by its picture number and
// its state, with a click sound of its own. The scroll control's thumb and
// arrows are picture buttons, and so are the steppers of the game widgets;
// the menus' CMenuButton is one too.
//
// Which picture lies where on the sheets is the game's artwork, not the
// framework's: the picture is drawn by the painter the menus install with
// SetPicturePainter (the menu buttons' picture table). Without a painter a
// picture button draws nothing and still works as a button.
//
// Click sound: an id of the sound manager's table ("SND_I_OK" at
// construction), -1 for none; played as a 2-D sound on a click.
//
// Sheet pieces: the interface sheets are cut by source rectangles given as
// (x, y, x + S, y + S) with S the sheet's size; one screen pixel is one
// texel, so the destination's size decides how much is cut from (x, y). A
// destination whose left and right (or top and bottom) are swapped draws
// the same piece mirrored along that axis.
//
// Ownership: a picture button belongs to its creator; the painter is
// borrowed and must outlive every draw. Threads: main thread only.
#pragma once

#include "ui/Controls.h"

#include <cstdint>

class IGraphicInterface;
class CPictureButton;

// Draws the picture of a button for its state (see CPictureButton).
class IPicturePainter
{
public:
    virtual ~IPicturePainter() = default;
    virtual void DrawPicture(CPictureButton& button) = 0;
};

// The painter every picture button draws with (null: none).
void SetPicturePainter(IPicturePainter* painter);
IPicturePainter* GetPicturePainter();

// Cuts the piece (left, top, right, bottom) of the sheet texture into dest
// with the technique (-1: 19): by the texture's key (which keeps the
// texture's id once resolved) or by its name.
void DrawSheetPiece(IGraphicInterface* graphic, CGuidKey& texture, const plat::Rect& dest, int left, int top,
                    int right, int bottom, int technique);
void DrawSheetPiece(IGraphicInterface* graphic, const char* texture, const plat::Rect& dest, int left, int top,
                    int right, int bottom, int technique);
// dest with its left and right swapped, or its top and bottom.
plat::Rect MirroredX(const plat::Rect& dest);
plat::Rect MirroredY(const plat::Rect& dest);

class CPictureButton : public CButton
{
public:
    static constexpr const char* kDefaultClickSound = "SND_I_OK";

    CPictureButton();

    // The id of a sound of the sound manager's table by name; -1 without a
    // sound manager or such a sound.
    static std::int32_t SoundId(const char* name);

    // Sets the user id only while none is set: a set id stays.
    void SetUID(const CGuidKey& id) override;
    // The painter's picture, then the frame with the tooltip.
    void Render() override;
    // The click sound (2-D), then the button's click.
    void OnMouseLClick() override;
    // A sound id (SoundId); -1 silences the button.
    virtual void SetClickSound(std::int32_t id) { m_nClickSound = id; }

    std::int32_t m_nPicture = 0;
    // A value for the owner's use (the goods grid keeps a filter button's
    // category mask here).
    std::int32_t m_nValue = 0;
    std::uint8_t m_bSelected = 0;
    std::int32_t m_nClickSound = -1;
};
