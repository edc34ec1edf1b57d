// The desktop window manager library is bound on first use, so that the
// program starts on systems without it and ignores attributes it lacks.

#include "platform/NativeWindow.h"

#include <windows.h>
#include <uxtheme.h>

namespace nimbral::platform {

namespace {

using TDwmSetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

TDwmSetWindowAttribute DwmSetWindowAttributeFunction()
{
    static const TDwmSetWindowAttribute Function = [] {
        HMODULE Dwm = LoadLibraryW(L"dwmapi.dll");
        return Dwm == nullptr ? nullptr
                              : reinterpret_cast<TDwmSetWindowAttribute>(
                                    reinterpret_cast<void*>(GetProcAddress(Dwm, "DwmSetWindowAttribute")));
    }();
    return Function;
}

constexpr DWORD DwmwaUseImmersiveDarkMode = 20;
constexpr DWORD DwmwaSystemBackdropType = 38;
constexpr DWORD DwmsbtMainWindow = 2;

}  // namespace

void ApplyWindowFrameStyle(void* NativeWindow)
{
    const TDwmSetWindowAttribute SetAttribute = DwmSetWindowAttributeFunction();
    if (SetAttribute == nullptr)
        return;
    HWND Window = static_cast<HWND>(NativeWindow);
    const DWORD DarkMode = 0;
    SetAttribute(Window, DwmwaUseImmersiveDarkMode, &DarkMode, sizeof DarkMode);
    const DWORD Backdrop = DwmsbtMainWindow;
    SetAttribute(Window, DwmwaSystemBackdropType, &Backdrop, sizeof Backdrop);
}

void DisableVisualStyle(void* NativeWindow)
{
    SetWindowTheme(static_cast<HWND>(NativeWindow), L"", L"");
}

void BringToForeground(void* NativeWindow)
{
    SetForegroundWindow(static_cast<HWND>(NativeWindow));
}

}  // namespace nimbral::platform
