// Opening SDL's video subsystem only where there is a display to show things on.
#pragma once

#include <optional>

#include "platform/platform.h"

namespace solvane {

// Initialises SDL video when a display server is named in the environment (or a driver is
// forced with SDL_VIDEODRIVER) and the driver SDL picks really shows windows; false otherwise,
// with the subsystem closed again.
bool OpenSdlVideo();

// The primary display's current mode, opening and closing SDL video around the query.
std::optional<DisplayMode> SdlDesktopMode();

// SDL's pixel formats as the system counts them: 24 colour bits in 4 bytes are 32 bits.
int SdlBitsPerPixel(unsigned format);

}  // namespace solvane
