// The demo product's program. It opens a window titled with its own file
// name, shows that name large, lists the product libraries it finds beside
// itself and plays the product's chime on a click. Its size comes from the
// settings file in the 配置 folder next to it.
#include <windows.h>
#include <mmsystem.h>

namespace {

constexpr int kMaxPath = 1024;
wchar_t g_folder[kMaxPath];      // this program's folder, ending in "\"
wchar_t g_name[kMaxPath];        // this program's file name without ".exe"
wchar_t g_modules[kMaxPath];     // "zvcore 1.4.2, ..." or a note that none were found

void findSelf() {
    GetModuleFileNameW(nullptr, g_folder, kMaxPath);
    wchar_t* slash = wcsrchr(g_folder, L'\\');
    const wchar_t* file = slash ? slash + 1 : g_folder;
    lstrcpynW(g_name, file, kMaxPath);
    if (wchar_t* dot = wcsrchr(g_name, L'.')) *dot = 0;
    if (slash) slash[1] = 0;
}

void inFolder(const wchar_t* relative, wchar_t* out) {
    lstrcpynW(out, g_folder, kMaxPath);
    lstrcatW(out, relative);
}

void listModules() {
    static const wchar_t* const names[] = {L"zvcore.dll", L"zvimage.dll", L"zvnet.dll"};
    g_modules[0] = 0;
    for (const wchar_t* dll : names) {
        wchar_t path[kMaxPath];
        inFolder(dll, path);
        HMODULE module = LoadLibraryW(path);
        if (!module) continue;
        using Text = const wchar_t* (*)();
        auto name = reinterpret_cast<Text>(reinterpret_cast<void*>(GetProcAddress(module, "zvModuleName")));
        auto version = reinterpret_cast<Text>(reinterpret_cast<void*>(GetProcAddress(module, "zvModuleVersion")));
        if (name && version) {
            if (g_modules[0]) lstrcatW(g_modules, L", ");
            lstrcatW(g_modules, name());
            lstrcatW(g_modules, L" ");
            lstrcatW(g_modules, version());
        }
    }
    if (!g_modules[0]) lstrcpyW(g_modules, L"未找到组件");
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT area;
    GetClientRect(window, &area);
    HBRUSH band = CreateSolidBrush(RGB(22, 131, 196));
    RECT top = {0, 0, area.right, 96};
    FillRect(dc, &top, band);
    DeleteObject(band);
    SetBkMode(dc, TRANSPARENT);

    HFONT large = CreateFontW(-36, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                              CLEARTYPE_QUALITY, 0, L"Microsoft YaHei");
    HFONT normal = CreateFontW(-15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                               CLEARTYPE_QUALITY, 0, L"Microsoft YaHei");
    HGDIOBJ old = SelectObject(dc, large);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT title = {24, 0, area.right - 24, 96};
    DrawTextW(dc, g_name, -1, &title, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);

    SelectObject(dc, normal);
    SetTextColor(dc, RGB(60, 60, 60));
    RECT line = {24, 116, area.right - 24, 140};
    DrawTextW(dc, L"版本 11.0.3　安装成功，欢迎使用！", -1, &line, DT_SINGLELINE | DT_NOPREFIX);
    OffsetRect(&line, 0, 28);
    wchar_t components[kMaxPath + 8];
    lstrcpyW(components, L"组件：");
    lstrcatW(components, g_modules);
    DrawTextW(dc, components, -1, &line, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    OffsetRect(&line, 0, 28);
    SetTextColor(dc, RGB(130, 130, 130));
    DrawTextW(dc, L"单击窗口可试听提示音。", -1, &line, DT_SINGLELINE | DT_NOPREFIX);

    SelectObject(dc, old);
    DeleteObject(large);
    DeleteObject(normal);
    EndPaint(window, &ps);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_LBUTTONUP: {
        wchar_t sound[kMaxPath];
        inFolder(L"提示音.wav", sound);
        PlaySoundW(sound, nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    findSelf();
    listModules();
    wchar_t settings[kMaxPath];
    inFolder(L"配置\\默认设置.ini", settings);
    int width = GetPrivateProfileIntW(L"Window", L"Width", 480, settings);
    int height = GetPrivateProfileIntW(L"Window", L"Height", 300, settings);

    WNDCLASSW wc = {};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"ZorvaneToolWindow";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, g_name, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, width, height,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
