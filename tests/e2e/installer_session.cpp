#include "tests/e2e/installer_session.h"

#include <shellapi.h>
#include <shlobj.h>

const wchar_t kInstallerTitle[] = L"Zorvane工具12 - 安装程序";

std::wstring installerPath() { return environment(L"INSTALLER"); }

InstallerSession::InstallerSession(const std::vector<std::wstring>& environment) {
    std::wstring exe = installerPath();
    if (exe.empty() || !process_.start(L"\"" + exe + L"\"", nullptr, environment)) return;
    main_ = process_.waitWindow(nullptr, kInstallerTitle, 60000);
    if (main_) settle(process_, 500);
}

RECT InstallerSession::windowRect() const {
    RECT rc = {};
    GetWindowRect(main_, &rc);
    return rc;
}

POINT InstallerSession::at(const ControlPlace& place, int dx, int dy) const {
    RECT rc = windowRect();
    return {rc.left + place.x + dx, rc.top + place.y + dy};
}

namespace {
struct Search {
    RECT want;
    HWND found;
};
BOOL CALLBACK matchChild(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<Search*>(lParam);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    if (EqualRect(&rc, &s->want)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND InstallerSession::control(const ControlPlace& place) const {
    POINT corner = at(place, 0, 0);
    Search s = {{corner.x, corner.y, corner.x + place.width, corner.y + place.height}, nullptr};
    EnumChildWindows(main_, matchChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::wstring InstallerSession::screenshot(const std::wstring& name, bool wholeScreen) const {
    std::wstring folder = environment(L"ARTIFACTS");
    if (folder.empty()) folder = programFolder() + L"artifacts";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\" + name + L".bmp";
    RECT rc = windowRect();
    saveScreenshot(path, wholeScreen ? nullptr : &rc);
    return path;
}

// --- the folder browser ----------------------------------------------------

// The folder browser's dialog: the process's #32770 window with a tree.
HWND folderBrowser(const DrivenProcess& p) {
    for (HWND w : windowsOfClass(p, L"#32770"))
        if (FindWindowExW(w, nullptr, L"SysTreeView32", nullptr)) return w;
    return nullptr;
}

HWND waitFolderBrowser(const DrivenProcess& p) {
    HWND found = nullptr;
    waitUntil([&] { return (found = folderBrowser(p)) != nullptr; }, 20000);
    return found;
}

// The shell's display name of a folder, as the browser's tree shows it.
std::wstring shellName(const wchar_t* path) {
    SHFILEINFOW info = {};
    SHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_DISPLAYNAME);
    return info.szDisplayName;
}

std::wstring computerName() {
    PIDLIST_ABSOLUTE computer = nullptr;
    SHGetFolderLocation(nullptr, CSIDL_DRIVES, nullptr, 0, &computer);
    SHFILEINFOW info = {};
    SHGetFileInfoW(reinterpret_cast<const wchar_t*>(computer), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_DISPLAYNAME);
    CoTaskMemFree(computer);
    return info.szDisplayName;
}

// Walks the browser's tree with the keyboard, as a user would: from the top,
// down to each name of `names` in turn, opening each one but the last. The
// dialog's edit box shows the selected item's name.
testing::AssertionResult selectInTree(HWND dialog, const std::vector<std::wstring>& names) {
    HWND tree = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
    HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    if (!tree || !edit) return testing::AssertionFailure() << "no tree or edit box";
    RECT rc;
    GetWindowRect(tree, &rc);
    SetForegroundWindow(dialog);
    // A click on the tree's empty lower part gives it the keyboard.
    clickAt(rc.right - 8, rc.bottom - 8);
    pressKey(VK_HOME);
    std::wstring shown;
    waitUntil([&] { return !(shown = windowText(edit)).empty(); }, 5000);
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            pressKey(VK_RIGHT);  // open the previous item
            pressKey(VK_DOWN);
            std::wstring before = shown;
            waitUntil([&] { return (shown = windowText(edit)) != before; }, 5000);
        }
        for (int step = 0; shown != names[i]; ++step) {
            std::wstring before = shown;
            pressKey(VK_DOWN);
            if (step > 60 || !waitUntil([&] { return (shown = windowText(edit)) != before; }, 5000))
                return testing::AssertionFailure()
                       << "no tree item \"" << utf8(names[i]) << "\"; last seen \"" << utf8(shown) << "\"";
        }
    }
    return testing::AssertionSuccess();
}

// Presses the install line and waits, with the button still held, for the
// folder browser; then releases.
HWND pressInstallLine(InstallerSession& s) {
    POINT p = s.centre(kInstallLabel);
    moveMouse(p.x, p.y);
    mouseDown();
    HWND dialog = waitFolderBrowser(s.process());
    mouseUp();
    return dialog;
}
