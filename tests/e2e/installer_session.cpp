#include "tests/e2e/installer_session.h"

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
