// The main window and the install location as a user meets them: the first
// screen for each state of drive D:, the start button's pictures and click,
// the close mark "×", and the choice of another folder in the shell's folder
// browser. Everything is seen through found windows, read-back texts and
// screen pixels, and driven with the real mouse and keyboard.
#include "tests/e2e/installer_session.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/jpeg_decode.h"

namespace {

const COLORREF kPanelBlue = RGB(22, 131, 196);
const wchar_t kProductName[] = L"Zorvane工具11";
const wchar_t kMessageTitle[] = L"信息：";
const wchar_t kBrowserTitle[] = L"请选择安装位置";

int channel(COLORREF c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// Largest difference of the three colour channels.
int colourDistance(COLORREF a, COLORREF b) {
    int d = 0;
    for (int shift : {0, 8, 16}) d = std::max(d, std::abs(channel(a, shift) - channel(b, shift)));
    return d;
}


std::string describe(COLORREF c) {
    char s[32];
    std::snprintf(s, sizeof s, "(%d, %d, %d)", channel(c, 0), channel(c, 8), channel(c, 16));
    return s;
}

// The pixels of a screen rectangle, captured at one moment.
class ScreenGrab {
public:
    explicit ScreenGrab(const RECT& area)
        : left_(area.left), top_(area.top), width_(area.right - area.left),
          height_(area.bottom - area.top), pixels_(static_cast<size_t>(width_) * height_) {
        HDC screen = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screen);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width_;
        bi.bmiHeader.biHeight = -height_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, width_, height_, screen, left_, top_, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint8_t*>(bits);
        for (size_t i = 0; i < pixels_.size(); ++i)
            pixels_[i] = RGB(p[4 * i + 2], p[4 * i + 1], p[4 * i]);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
    }
    // A pixel by its place relative to the captured rectangle.
    COLORREF at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

private:
    int left_, top_, width_, height_;
    std::vector<COLORREF> pixels_;
};

// One of the window's pictures, decoded from the artwork file.
class Artwork {
public:
    explicit Artwork(const char* file) {
        std::string path = std::string(ARTWORK_DIR) + "/" + file;
        std::vector<uint8_t> bytes;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            uint8_t buffer[4096];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
                bytes.insert(bytes.end(), buffer, buffer + n);
            std::fclose(f);
        }
        DecodedImage image;
        if (!decodeJpeg(bytes.data(), bytes.size(), &image)) return;
        width_ = image.width;
        height_ = image.height;
        const uint8_t* p = image.pixels;
        for (int i = 0; i < width_ * height_; ++i) pixels_.push_back(RGB(p[4 * i + 2], p[4 * i + 1], p[4 * i]));
        freeDecodedImage(&image);
    }
    bool ok() const { return !pixels_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF at(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    // The picture scaled to w x h: the mean colour of the source pixels
    // under the target pixel (x, y), and how much they differ among
    // themselves (a large spread means an edge, where scalers disagree).
    COLORREF scaledAt(int x, int y, int w, int h, int* spread) const {
        const int x0 = x * width_ / w, x1 = std::max(x0 + 1, (x + 1) * width_ / w);
        const int y0 = y * height_ / h, y1 = std::max(y0 + 1, (y + 1) * height_ / h);
        long sum[3] = {};
        int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        // The neighbours count for the spread, so that an edge nearby shows.
        for (int sy = std::max(0, y0 - 2); sy < std::min(height_, y1 + 2); ++sy) {
            for (int sx = std::max(0, x0 - 2); sx < std::min(width_, x1 + 2); ++sx) {
                for (int k = 0; k < 3; ++k) {
                    int v = channel(at(sx, sy), 8 * k);
                    lo[k] = std::min(lo[k], v);
                    hi[k] = std::max(hi[k], v);
                }
            }
        }
        for (int sy = y0; sy < y1; ++sy)
            for (int sx = x0; sx < x1; ++sx)
                for (int k = 0; k < 3; ++k) sum[k] += channel(at(sx, sy), 8 * k);
        const long n = static_cast<long>(x1 - x0) * (y1 - y0);
        *spread = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
        return RGB(sum[0] / n, sum[1] / n, sum[2] / n);
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<COLORREF> pixels_;
};

// Mean colour distance between a picture drawn unscaled at a control's
// corner and the screen there, over a grid of points. Rows from 72 on are
// left out: the progress bar covers them once an installation runs.
double pictureDistance(const ScreenGrab& screen, const Artwork& picture) {
    double total = 0;
    int n = 0;
    for (int y = 1; y < std::min(picture.height(), 72); y += 4) {
        for (int x = 1; x < picture.width(); x += 4) {
            total += colourDistance(screen.at(x, y), picture.at(x, y));
            ++n;
        }
    }
    return total / n;
}

RECT screenRect(const InstallerSession& s, const ControlPlace& place) {
    POINT p = s.at(place, 0, 0);
    return {p.x, p.y, p.x + place.width, p.y + place.height};
}

enum class ButtonLook { Normal, Hot, Other };

const char* name(ButtonLook look) {
    return look == ButtonLook::Normal ? "normal" : look == ButtonLook::Hot ? "hot" : "other";
}

// Which picture the start button shows: the one far closer to the screen.
ButtonLook startButtonLook(const InstallerSession& s, const Artwork& normal, const Artwork& hot) {
    ScreenGrab grab(screenRect(s, kStartButton));
    const double toNormal = pictureDistance(grab, normal), toHot = pictureDistance(grab, hot);
    if (toNormal < 4 && toHot > 3 * toNormal + 4) return ButtonLook::Normal;
    if (toHot < 4 && toNormal > 3 * toHot + 4) return ButtonLook::Hot;
    return ButtonLook::Other;
}



HCURSOR cursorShown() {
    CURSORINFO ci = {};
    ci.cbSize = sizeof ci;
    GetCursorInfo(&ci);
    return ci.hCursor;
}

// The pointer over a control: waits until the pointer shape has settled on
// something other than `previous` and answers it.
HCURSOR cursorOver(const InstallerSession& s, const ControlPlace& place, HCURSOR previous) {
    POINT p = s.centre(place);
    moveMouse(p.x, p.y);
    waitUntil([&] { return cursorShown() != previous; }, 3000);
    return cursorShown();
}

// ---------------------------------------------------------------------------
// The first screen, once for each state of drive D:.

struct DriveCase {
    const char* name;         // the wrapper's drive kind
    bool present;             // D: exists
    bool enoughSpace;         // D: has at least 1000 MB free
    const wchar_t* folder;    // the install folder the label must show
};

class FirstScreen : public testing::TestWithParam<DriveCase> {};

TEST_P(FirstScreen, LooksAsLaidOut) {
    const DriveCase& drive = GetParam();
    // The run's wrapper set D: up; make sure it is the state this case means.
    ULARGE_INTEGER freeBytes = {};
    const bool present = GetDiskFreeSpaceExW(L"D:\\", nullptr, nullptr, &freeBytes) != FALSE;
    ASSERT_EQ(present, drive.present);
    if (present) {
        ASSERT_EQ(freeBytes.QuadPart >= 1000ull * 1048576, drive.enoughSpace);
    }

    InstallerSession s;
    ASSERT_TRUE(s.ok()) << "no installer window";
    const HWND main = s.window();
    const std::string shot = std::string("first_screen_") + drive.name;
    s.screenshot(std::wstring(shot.begin(), shot.end()));

    // The window: 250 x 400, centred left to right, top edge at row 300,
    // no frame, its own task-bar button, title and icons.
    RECT rc = s.windowRect();
    EXPECT_EQ(rc.right - rc.left, 250);
    EXPECT_EQ(rc.bottom - rc.top, 400);
    EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 250) / 2);
    EXPECT_EQ(rc.top, 300);
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 250);
    EXPECT_EQ(client.bottom, 400);
    const LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    const LONG exStyle = GetWindowLongW(main, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_FALSE(exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);
    EXPECT_EQ(windowText(main), kInstallerTitle);
    // The icon itself cannot be read back from another process under Wine
    // (WM_GETICON answers 0 across processes); the program carries it in
    // both sizes.
    HMODULE program = LoadLibraryExW(installerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    for (int size : {16, 32})
        EXPECT_NE(LoadImageW(program, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0), nullptr) << size;
    FreeLibrary(program);

    // Panel 1 is the window's only child; its children are stacked in the
    // layout's order, topmost first, and show what they should.
    const HWND panel = GetWindow(main, GW_CHILD);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(GetWindow(panel, GW_HWNDNEXT), nullptr);
    RECT panelRect;
    GetWindowRect(panel, &panelRect);
    EXPECT_TRUE(EqualRect(&panelRect, &rc));
    const ControlPlace stacking[] = {kStatusLabel, kCloseLabel,    kProgressBar, kStartButton,
                                     kFolderCaption, kTitleLabel, kLogoBox,     kInstallLabel};
    std::vector<HWND> expectedOrder, actualOrder;
    for (const ControlPlace& place : stacking) expectedOrder.push_back(s.control(place));
    for (HWND w = GetWindow(panel, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) actualOrder.push_back(w);
    EXPECT_EQ(actualOrder, expectedOrder);
    for (size_t i = 0; i < expectedOrder.size(); ++i) {
        ASSERT_NE(expectedOrder[i], nullptr) << "no control at stacking place " << i;
        EXPECT_EQ(GetParent(expectedOrder[i]), panel);
        EXPECT_EQ(IsWindowVisible(expectedOrder[i]) != FALSE, stacking[i].y != kProgressBar.y)
            << "visibility of the control at stacking place " << i;
    }
    EXPECT_EQ(className(s.control(kProgressBar)), L"msctls_progress32");
    // The ZIP control lies in the logo box and is never shown.
    const HWND zip = s.control({kLogoBox.x + 8, kLogoBox.y + 40, 27, 27});
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(GetParent(zip), s.control(kLogoBox));
    EXPECT_FALSE(IsWindowVisible(zip));

    EXPECT_EQ(s.text(kTitleLabel), L"安装程序");
    EXPECT_EQ(s.text(kCloseLabel), L"×");
    EXPECT_EQ(s.text(kFolderCaption), L"安装目录：");
    EXPECT_EQ(s.text(kStatusLabel), L"");
    EXPECT_EQ(s.text(kInstallLabel), drive.folder);

    // Colours: the panel around the controls, the empty status line, the
    // border, the texts, the logo stretched to its box and the start picture.
    ScreenGrab grab(rc);
    const POINT panelPoints[] = {{240, 150}, {150, 25}, {5, 300}, {120, 250}, {244, 330}};
    for (POINT p : panelPoints)
        EXPECT_EQ(describe(grab.at(p.x, p.y)), describe(kPanelBlue)) << "panel at " << p.x << "," << p.y;
    for (int y = kStatusLabel.y; y < kStatusLabel.y + kStatusLabel.height; ++y)
        for (int x = kStatusLabel.x; x < kStatusLabel.x + kStatusLabel.width; ++x)
            ASSERT_EQ(describe(grab.at(x, y)), describe(kPanelBlue)) << "status line at " << x << "," << y;
    const COLORREF border = grab.at(0, 200);
    EXPECT_NE(describe(border), describe(kPanelBlue));
    for (POINT p : {POINT{249, 200}, POINT{125, 0}, POINT{125, 399}})
        EXPECT_EQ(describe(grab.at(p.x, p.y)), describe(border)) << "border at " << p.x << "," << p.y;

    // Text pixels: yellow in the title, white in the other captions.
    auto countColour = [&](const ControlPlace& place, COLORREF colour) {
        int n = 0;
        for (int y = place.y; y < place.y + place.height; ++y)
            for (int x = place.x; x < place.x + place.width; ++x)
                if (colourDistance(grab.at(x, y), colour) < 40) ++n;
        return n;
    };
    EXPECT_GT(countColour(kTitleLabel, RGB(255, 255, 0)), 20);
    EXPECT_GT(countColour(kCloseLabel, RGB(255, 255, 255)), 2);
    EXPECT_GT(countColour(kFolderCaption, RGB(255, 255, 255)), 20);
    EXPECT_GT(countColour(kInstallLabel, RGB(255, 255, 255)), 60);

    const Artwork logo("logo.jpg"), start("start.jpg"), startHot("start_hot.jpg");
    ASSERT_TRUE(logo.ok() && start.ok() && startHot.ok());
    int compared = 0;
    for (int y = 5; y < kLogoBox.height; y += 10) {
        for (int x = 5; x < kLogoBox.width; x += 10) {
            int spread = 0;
            const COLORREF want = logo.scaledAt(x, y, kLogoBox.width, kLogoBox.height, &spread);
            if (spread > 24) continue;  // near an edge of the drawing
            ++compared;
            EXPECT_LE(colourDistance(grab.at(kLogoBox.x + x, kLogoBox.y + y), want), 16)
                << "logo at " << x << "," << y << ": screen " << describe(grab.at(kLogoBox.x + x, kLogoBox.y + y))
                << ", picture " << describe(want);
        }
    }
    EXPECT_GT(compared, 200);
    EXPECT_EQ(name(startButtonLook(s, start, startHot)), name(ButtonLook::Normal));
}

const DriveCase kDriveCases[] = {
    {"none", false, false, L"C:\\Zorvane软件\\Zorvane工具11"},
    {"small", true, false, L"C:\\Zorvane软件\\Zorvane工具11"},
    {"big", true, true, L"D:\\Zorvane软件\\Zorvane工具11"},
};
INSTANTIATE_TEST_SUITE_P(Drives, FirstScreen, testing::ValuesIn(kDriveCases),
                         [](const testing::TestParamInfo<DriveCase>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------
// Keys, dragging, pointers, the start button and the close mark.

// Removes what a finished installation leaves outside the test's drive D:
// (which the wrapper empties): the desktop shortcut.
void removeShortcut() {
    wchar_t desktop[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop) == S_OK)
        DeleteFileW((std::wstring(desktop) + L"\\" + kProductName + L".lnk").c_str());
}

TEST(MainWindow, IgnoresEscAndDraggingShowsHandAndClosesOnReleaseOverCloseMark) {
    InstallerSession s;
    ASSERT_TRUE(s.ok());
    const Artwork start("start.jpg"), startHot("start_hot.jpg");
    ASSERT_TRUE(start.ok() && startHot.ok());
    const RECT before = s.windowRect();

    // Esc, then a drag on the panel body.
    pressKey(VK_ESCAPE);
    POINT body = s.at({240, 150, 1, 1}, 0, 0);
    moveMouse(body.x, body.y);
    mouseDown();
    moveMouse(body.x + 60, body.y + 80);
    moveMouse(body.x + 120, body.y + 160);
    mouseUp();
    // Input is handled in order: once the start button lights up under the
    // pointer, the key and the drag have been handled too.
    POINT onButton = s.centre(kStartButton);
    moveMouse(onButton.x, onButton.y);
    EXPECT_TRUE(waitUntil([&] { return startButtonLook(s, start, startHot) == ButtonLook::Hot; }, 10000));
    EXPECT_TRUE(s.process().running());
    EXPECT_TRUE(IsWindowVisible(s.window()));
    const RECT after = s.windowRect();
    EXPECT_TRUE(EqualRect(&before, &after)) << "window moved to " << after.left << "," << after.top;

    // The pointing hand over "×" and the install line, the arrow elsewhere.
    const HCURSOR overButton = cursorShown();
    const HCURSOR overClose = cursorOver(s, kCloseLabel, overButton);
    const HCURSOR overLogo = cursorOver(s, kLogoBox, overClose);
    const HCURSOR overInstall = cursorOver(s, kInstallLabel, overLogo);
    EXPECT_NE(overClose, overButton);
    EXPECT_EQ(overLogo, overButton);
    EXPECT_EQ(overInstall, overClose);

    // "×" pressed, then released elsewhere: nothing happens.
    const POINT close = s.centre(kCloseLabel);
    moveMouse(close.x, close.y);
    mouseDown();
    moveMouse(body.x, body.y);
    mouseUp();
    moveMouse(onButton.x, onButton.y);
    EXPECT_TRUE(waitUntil([&] { return startButtonLook(s, start, startHot) == ButtonLook::Hot; }, 10000));
    EXPECT_TRUE(s.process().running());
    EXPECT_TRUE(IsWindowVisible(s.window()));

    // Released over "×": the installer ends with exit code 0.
    clickAt(close.x, close.y);
    DWORD code = 99;
    EXPECT_TRUE(s.waitExit(30000, &code));
    EXPECT_EQ(code, 0u);
}

TEST(MainWindow, StartButtonShowsItsPicturesAndRaisesOneClick) {
    InstallerSession s;
    ASSERT_TRUE(s.ok());
    const Artwork start("start.jpg"), startHot("start_hot.jpg");
    ASSERT_TRUE(start.ok() && startHot.ok());
    auto looks = [&](ButtonLook want) {
        return waitUntil([&] { return startButtonLook(s, start, startHot) == want; }, 10000);
    };
    const POINT onButton = s.centre(kStartButton);
    const POINT offButton = s.at(kStartButton, kStartButton.width / 2, -30);  // on the logo

    // Hover: hot picture; away: normal again.
    moveMouse(onButton.x, onButton.y);
    EXPECT_TRUE(looks(ButtonLook::Hot));
    s.screenshot(L"start_hot");
    moveMouse(offButton.x, offButton.y);
    EXPECT_TRUE(looks(ButtonLook::Normal));

    // Press: the normal picture (the button has no pressed picture). Out
    // and back in while held stays normal; a release away raises nothing.
    moveMouse(onButton.x, onButton.y);
    EXPECT_TRUE(looks(ButtonLook::Hot));
    mouseDown();
    EXPECT_TRUE(looks(ButtonLook::Normal));
    s.screenshot(L"start_pressed");
    moveMouse(offButton.x, offButton.y);
    EXPECT_TRUE(looks(ButtonLook::Normal));
    mouseUp();
    moveMouse(onButton.x, onButton.y);
    EXPECT_TRUE(looks(ButtonLook::Hot));  // the release has been handled
    EXPECT_TRUE(windowsOfClass(s.process(), L"#32770").empty()) << "a release off the button clicked it";

    // A click raises the clicked event once: exactly one message box.
    mouseDown();
    mouseUp();
    MessageBoxSeen box = waitMessageBox(s.process());
    ASSERT_NE(box.box, nullptr) << "no message box after the click";
    EXPECT_EQ(box.title, kMessageTitle);
    s.screenshot(L"start_clicked", true);
    EXPECT_EQ(windowsOfClass(s.process(), L"#32770").size(), 1u);
    EXPECT_TRUE(clickMessageBoxButton(box.box, IDOK));
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box.box); }, 10000));
    // The click starts the installation, which ends with its own question.
    // A second clicked event would have shown a second warning at once,
    // long before that question comes.
    HWND question = nullptr;
    bool secondWarning = false;
    EXPECT_TRUE(waitUntil(
        [&] {
            for (HWND w : windowsOfClass(s.process(), L"#32770")) {
                if (windowText(GetDlgItem(w, 0xFFFF)) == box.text) secondWarning = true;
                else if (GetDlgItem(w, IDNO)) question = w;
            }
            return question != nullptr || !s.process().running();
        },
        120000));
    EXPECT_FALSE(secondWarning);
    if (question) {
        EXPECT_TRUE(clickMessageBoxButton(question, IDNO));
    }
    DWORD code = 99;
    EXPECT_TRUE(s.waitExit(30000, &code));
    EXPECT_EQ(code, 0u);
    removeShortcut();
}

// ---------------------------------------------------------------------------
// The folder browser, opened by pressing the install line.


TEST(FolderBrowser, ChoosesFolderOrDriveRootAndCancelKeepsTheFolder) {
    // The user's folder on the other drive.
    ASSERT_TRUE(CreateDirectoryW(L"E:\\Soft", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring computer = computerName(), driveE = shellName(L"E:\\");
    ASSERT_FALSE(computer.empty());
    ASSERT_FALSE(driveE.empty());

    InstallerSession s;
    ASSERT_TRUE(s.ok());
    const std::wstring initial = s.text(kInstallLabel);

    struct Choice {
        const char* what;
        std::vector<std::wstring> treePath;  // empty: Cancel
        std::wstring folder;                 // the install line afterwards
    };
    const Choice choices[] = {
        {"a folder on E:", {computer, driveE, L"Soft"}, L"E:\\Soft\\" + std::wstring(kProductName)},
        {"the root of E:", {computer, driveE}, L"E:\\" + std::wstring(kProductName)},
        {"Cancel", {}, L"E:\\" + std::wstring(kProductName)},
    };
    EXPECT_NE(initial, choices[0].folder);
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.what);
        HWND dialog = pressInstallLine(s);
        ASSERT_NE(dialog, nullptr) << "the press opened no folder browser";
        // The request's title is shown in the dialog.
        EXPECT_NE(FindWindowExW(dialog, nullptr, L"Static", kBrowserTitle), nullptr);
        if (c.treePath.empty()) {
            s.screenshot(L"browser_open", true);
            ASSERT_TRUE(clickMessageBoxButton(dialog, IDCANCEL));
        } else {
            ASSERT_TRUE(selectInTree(dialog, c.treePath));
            s.screenshot(std::wstring(L"browser_") + (c.treePath.size() == 3 ? L"folder" : L"root"), true);
            ASSERT_TRUE(clickMessageBoxButton(dialog, IDOK));
        }
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, 10000));
        EXPECT_EQ(s.text(kInstallLabel), c.folder);
    }
    s.screenshot(L"browser_chosen");
}

}  // namespace
