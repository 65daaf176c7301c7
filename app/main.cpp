#include <windows.h>

#include "app/installer.h"
#include "runtime/runtime.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // startUp returns when the message loop ends; shutting down then runs
    // the clean-up routine like every other normal end.
    exitInstaller(startUp());
}
