#pragma once
// The desktop part of the program lives in a module of its own, loaded only
// when a display exists: a run without one never loads Qt or any other
// window-system library.

namespace artisanscope {

// File name of the module, looked for beside the executable and in the
// installed library folder.
inline constexpr const char* kDesktopModuleName = "artisanscope-desktop.so";
// The module's entry point: runs the application with the dialog and
// returns the process's exit status.
inline constexpr const char* kDesktopEntryName = "ArtisanscopeRunDesktop";
using DesktopEntry = int (*)(int argc, char** argv, const char* appName, int printTree);

}  // namespace artisanscope
