// Screenshots of the back buffer: "SCREENS\tarvox2_%d.jpg".
#pragma once

// Writes the next numbered JPEG with the given quality; false when no
// picture could be taken.
bool SaveJpegScreenshot(int quality);
