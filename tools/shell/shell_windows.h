#pragma once
// The stand-in desktop shell's windows (shell_windows.cpp).
namespace shell {
// Makes the windows on the calling thread and runs its messages until they
// are closed; 1 when they cannot be made.
int Run(bool layout24h2);
}  // namespace shell
