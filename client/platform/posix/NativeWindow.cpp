// Under X11 and Wayland the window manager draws the frame, GTK draws every
// control itself, and the toolkit's own raise already asks for the foreground.

#include "platform/NativeWindow.h"

namespace nimbral::platform {

void ApplyWindowFrameStyle(void*) {}
void DisableVisualStyle(void*) {}
void BringToForeground(void*) {}

}  // namespace nimbral::platform
