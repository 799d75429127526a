// The notification and command codes of the control tree.
//
// A control reports what happens to it as a (code, param) pair that travels
// up through its groups to the screen's OnCommand. Buttons send their
// command id the same way; 0xF000 means "no command".
#pragma once

namespace uicode
{
constexpr int kActivated = 0xF01;     // OnActivated; param 0
constexpr int kDeactivated = 0xF02;   // OnDeactivated; param 0
constexpr int kMouseLeave = 0xF05;    // the mouse left the control; param 0
constexpr int kMouseOver = 0xF06;     // sent every frame the mouse is over it; param 0
constexpr int kClick = 0xF0D;         // param kLeftButton, kRightButton, or 0 (press outside)
constexpr int kDoubleClick = 0xF0E;   // a second left click within 0.3 s
constexpr int kRedrawHovered = 0xF0F; // screen command: the hovered control draws itself again
constexpr int kStopPass = 0xF10;      // a screen result that stops a group's input pass
constexpr int kSubRect1 = 0xF11;      // left press on the vertical bar's up arrow
constexpr int kSubRect2 = 0xF12;      // ... down arrow
constexpr int kSubRect3 = 0xF13;      // ... the horizontal bar's left arrow
constexpr int kSubRect4 = 0xF14;      // ... right arrow
constexpr int kHeld = 0xF15;          // left button held while the control holds the capture
constexpr int kReleased = 0xF16;      // left button released while the control held the capture
constexpr int kBeginDrag = 0xF17;     // a drag of the control has begun
constexpr int kPopupResult = 0x1037;  // a popup returned a non-zero result (param), popup still shown
constexpr int kPopupRemoved = 0x1038; // the popup with that result (param) is gone
constexpr int kNoCommand = 0xF000;    // a button with this id sends nothing
constexpr int kOK = 0xF001;           // ends the screen with this result
constexpr int kCancel = 0xF002;       // ends the screen with this result

// Input codes of the mouse buttons (the input device's button space).
constexpr int kLeftButton = 0x101;
constexpr int kRightButton = 0x102;

// DirectInput key codes the controls read.
constexpr int kKeyBackspace = 14;
constexpr int kKeyEnter = 28;
constexpr int kKeyUp = 200;
constexpr int kKeyLeft = 203;
constexpr int kKeyRight = 205;
constexpr int kKeyDown = 208;
} // namespace uicode
