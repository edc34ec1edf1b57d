#pragma once
// What the client asks of the system's own windows beyond the toolkit: the
// frame's look, a control drawn without the system theme, and the foreground.
// The handle is the toolkit's native handle (an HWND on Windows); on Linux
// the window manager owns all three and the calls do nothing.

namespace nimbral::platform {

// A light title bar (immersive dark mode off) with the main-window backdrop.
// Results are ignored: a system that does not know an attribute keeps its frame.
void ApplyWindowFrameStyle(void* NativeWindow);

// Draw the control without the system's visual style, so that the colours
// set on it show.
void DisableVisualStyle(void* NativeWindow);

// Ask the system to move the window to the foreground (its foreground rules
// decide).
void BringToForeground(void* NativeWindow);

}  // namespace nimbral::platform
