#pragma once
// One run of the real installer under test, seen as a user sees it: its
// window, the controls on it (found by where they are on screen), screenshots
// of each state and its exit code.
//
// The installer under test is named by the environment: INSTALLER (a Windows
// path; the x86_64 or the shipped i686 build) and ARTIFACTS (a folder for
// screenshots, created if missing).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/gui_driver.h"

// Control rectangles in the main window's coordinates (panel 1 has a
// one-pixel border, so its children sit one pixel further in).
struct ControlPlace {
    int x, y, width, height;
};
constexpr ControlPlace kTitleLabel = {8, 9, 68, 24};
constexpr ControlPlace kCloseLabel = {231, 15, 12, 12};
constexpr ControlPlace kLogoBox = {13, 37, 211, 211};
constexpr ControlPlace kStartButton = {15, 256, 220, 80};
constexpr ControlPlace kProgressBar = {22, 328, 205, 8};
constexpr ControlPlace kFolderCaption = {8, 345, 56, 24};
constexpr ControlPlace kStatusLabel = {80, 345, 160, 24};
constexpr ControlPlace kInstallLabel = {8, 368, 232, 25};

extern const wchar_t kInstallerTitle[];  // L"Zorvane工具12 - 安装程序"

class InstallerSession {
public:
    // Starts the installer and waits for its window. Check ok() after.
    // `environment` changes variables for the installer ("NAME=value").
    explicit InstallerSession(const std::vector<std::wstring>& environment = {});
    bool ok() const { return main_ != nullptr; }
    DrivenProcess& process() { return process_; }
    HWND window() const { return main_; }
    RECT windowRect() const;

    // The child window that covers a control's place (null if none).
    HWND control(const ControlPlace& place) const;
    std::wstring text(const ControlPlace& place) const { return windowText(control(place)); }

    // Screen point of a spot inside a control (dx, dy from its corner).
    POINT at(const ControlPlace& place, int dx, int dy) const;
    POINT centre(const ControlPlace& place) const {
        return at(place, place.width / 2, place.height / 2);
    }
    void click(const ControlPlace& place) {
        POINT p = centre(place);
        clickAt(p.x, p.y);
    }

    // Saves a screenshot of the window (or of the whole screen) as
    // ARTIFACTS\<name>.bmp and answers its path.
    std::wstring screenshot(const std::wstring& name, bool wholeScreen = false) const;

    bool waitExit(DWORD timeoutMs, DWORD* code) { return process_.waitExit(timeoutMs, code); }

private:
    DrivenProcess process_;
    HWND main_ = nullptr;
};

// The installer program under test, as a Windows path.
std::wstring installerPath();

// The folder browser that a press on the install line opens.
HWND folderBrowser(const DrivenProcess& p);
HWND waitFolderBrowser(const DrivenProcess& p);
// Presses the install line and waits, with the button still held, for the
// folder browser; then releases. Answers the dialog (null if none).
HWND pressInstallLine(InstallerSession& s);
// The shell's display names, as the browser's tree shows them.
std::wstring shellName(const wchar_t* path);
std::wstring computerName();
// Walks the browser's tree with the keyboard, as a user would, down to each
// name of `names` in turn, opening each one but the last.
testing::AssertionResult selectInTree(HWND dialog, const std::vector<std::wstring>& names);
