// The install location: disk figures, the folder browser and the install
// label's press handler.
#include <windows.h>
#include <shlobj.h>

#include "app/install_rules.h"
#include "app/installer.h"
#include "runtime/wide.h"
#include "ui/control_services.h"
#include "ui/layout.h"

bool queryDiskSpace(const char* drive, int64_t* usedMB, int64_t* freeMB, int64_t* totalMB) {
    ULARGE_INTEGER available, total, totalFree;
    available.QuadPart = static_cast<uint64_t>(*usedMB);
    total.QuadPart = static_cast<uint64_t>(*totalMB);
    totalFree.QuadPart = static_cast<uint64_t>(*freeMB);
    BOOL ok = GetDiskFreeSpaceExW(WideText(drive), &available, &total, &totalFree);
    DiskFigures f = megabytesFromBytes(static_cast<int64_t>(available.QuadPart),
                                       static_cast<int64_t>(total.QuadPart),
                                       static_cast<int64_t>(totalFree.QuadPart));
    *usedMB = f.usedMB;
    *freeMB = f.freeMB;
    *totalMB = f.totalMB;
    return ok != FALSE;
}

namespace {
// A buffer of 260 spaces and a NUL, as the dialog and the path lookup get it.
void fillWithSpaces(wchar_t (&buffer)[MAX_PATH + 1]) {
    for (int i = 0; i < MAX_PATH; ++i) buffer[i] = L' ';
    buffer[MAX_PATH] = L'\0';
}
}  // namespace

Text browseForFolder(void* owner, const char* title) {
    HWND ownerWindow = static_cast<HWND>(owner);
    PIDLIST_ABSOLUTE desktop = nullptr;
    SHGetFolderLocation(ownerWindow, CSIDL_DESKTOP, nullptr, 0, &desktop);

    WideText titleText(textEmpty(title) ? "请选择文件夹路径" : title);
    wchar_t displayName[MAX_PATH + 1];
    fillWithSpaces(displayName);
    BROWSEINFOW request = {};
    request.hwndOwner = ownerWindow;
    request.pidlRoot = desktop;
    request.pszDisplayName = displayName;
    request.lpszTitle = titleText;
    request.ulFlags = 0x77;  // file-system folders, no domain, status, edit box, validate, new style
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&request);

    Text path;
    bool pathOk = false;
    if (item) {
        wchar_t buffer[MAX_PATH + 1];
        fillWithSpaces(buffer);
        pathOk = SHGetPathFromIDListW(item, buffer) != FALSE;
        if (pathOk) path = fromWide(buffer);
    }
    Text answer = folderBrowserAnswer(fromWide(displayName).get(), item != nullptr,
                                      pathOk ? path.c_str() : nullptr);
    CoTaskMemFree(item);
    CoTaskMemFree(desktop);
    return answer;
}

void onInstallLabelPressed(int32_t, int32_t, int32_t) {
    HWND owner = getWindowHandle(kMainWindowId, kMainWindowControlId);
    Text chosen = browseForFolder(owner, "请选择安装位置");
    if (chosen.empty()) return;
    writeText(kMainWindowId, kInstallLabelId, PropCaption,
              concat({chosen.get(), "\\", lookUpProductName()}).get());
}
