// A whole installation, driven as a user drives it: the start click, the
// warning box, the bar advancing, the finish picture, the installed files,
// the desktop shortcut, the completion box and the exit. Also the roads
// where the temporary archive or the install folder cannot be written.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/embedded.h"
#include "tests/e2e/installer_session.h"
#include "ui/jpeg_decode.h"

namespace {

const wchar_t kInstallFolder[] = L"C:\\Zorvane软件\\Zorvane工具11";
const wchar_t kProgram[] = L"Zorvane工具11";
const wchar_t kWarningText[] =
    L"由于系列正版软件都作了加壳加密处理\r\n如果部分杀毒软件提示警告，请允许即可！\r\n\r\n"
    L"软件干净无毒无木马~~支持正版 谢谢大家\r\n"
    L"软件安装好后，建议把安装的软件目录加入杀毒软件信任，再运行软件，以免影响部分功能使用。\r\n"
    L"可以阅读软件安装说明";
const wchar_t kCompletionText[] =
    L"安装完成！\r\n点<是>将启动软件\r\n点<否>不启动,可以在桌面启动软件";
const wchar_t kWriteFailedText[] =
    L"写入失败！Windows7请以管理员身份运行，建议关闭杀毒，再重试\r\n《确定》后将关闭本安装程序";
// The temporary folder made unusable: it does not exist.
const std::vector<std::wstring> kNoTemporaryFolder = {L"TEMP=C:\\no-such-folder",
                                                      L"TMP=C:\\no-such-folder"};

std::wstring temporaryFolder() {
    wchar_t buffer[MAX_PATH];
    GetTempPathW(MAX_PATH, buffer);
    return buffer;
}

std::wstring desktopFolder() {
    wchar_t buffer[MAX_PATH];
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, buffer);
    return std::wstring(buffer) + L"\\";
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }



void writeAll(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// Files under a folder, as paths relative to it.
void listFiles(const std::wstring& root, const std::wstring& sub, std::vector<std::wstring>* out) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((root + sub + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) listFiles(root, sub + name + L"\\", out);
        else out->push_back(sub + name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

BOOL CALLBACK matchProductWindow(HWND w, LPARAM found) {
    if (!IsWindowVisible(w) || windowText(w) != kProgram) return TRUE;
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
}

// A window of the started product: its title is the product's name.
HWND findProductWindow() {
    HWND found = nullptr;
    EnumWindows(matchProductWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

void closeProductWindows() {
    while (HWND w = findProductWindow()) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!p) break;
        TerminateProcess(p, 0);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
    }
}

std::wstring shortcutTarget(const std::wstring& lnk) {
    std::wstring target;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(lnk.c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    link->Release();
    return target;
}

// Everything an installation changes, removed before a test.
void cleanMachine() {
    closeProductWindows();
    removeTree(L"C:\\Zorvane软件");
    DeleteFileW((desktopFolder() + kProgram + L".lnk").c_str());
    DeleteFileW((temporaryFolder() + L"tool.zip").c_str());
    DeleteFileW(L"C:\\tool.zip");
}

// What the user saw between the start click and the next message box.
struct Watched {
    std::vector<std::wstring> statuses;
    std::vector<int> positions;
    bool barShown = false;
    MessageBoxSeen box;
};

Watched watchUntilMessageBox(InstallerSession& s, DWORD timeoutMs = 180000) {
    Watched w;
    HWND bar = s.control(kProgressBar);
    HWND status = s.control(kStatusLabel);
    waitUntil(
        [&] {
            std::wstring text = windowText(status);
            if (w.statuses.empty() || w.statuses.back() != text) w.statuses.push_back(text);
            if (IsWindowVisible(bar)) {
                if (!w.barShown) s.screenshot(L"extracting");
                w.barShown = true;
                int pos = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
                if (w.positions.empty() || w.positions.back() != pos) w.positions.push_back(pos);
            }
            for (HWND h : topLevelWindows(s.process().id())) {
                if (className(h) != L"#32770") continue;
                w.box.box = h;
                w.box.title = windowText(h);
                if (HWND t = GetDlgItem(h, 0xFFFF)) w.box.text = windowText(t);
                return true;
            }
            return !s.process().running();
        },
        timeoutMs);
    return w;
}

// Chooses the root of drive C: in the folder browser, as a user would.
bool chooseDriveRootC(InstallerSession& s) {
    HWND dialog = pressInstallLine(s);
    if (!dialog) return false;
    EXPECT_TRUE(selectInTree(dialog, {computerName(), shellName(L"C:\\")}));
    clickMessageBoxButton(dialog, IDOK);
    return waitUntil([&] { return !IsWindow(dialog); }, 20000);
}

// Answers a message box with one of its buttons; the installer must then end
// with exit code 0.
void answerAndExpectExitZero(InstallerSession& s, HWND box, int button) {
    ASSERT_TRUE(clickMessageBoxButton(box, button));
    DWORD code = 1;
    ASSERT_TRUE(s.waitExit(60000, &code));
    EXPECT_EQ(code, 0u);
}

// Clicks the start button and confirms the warning box.
void startInstalling(InstallerSession& s, bool keepScreenshot = false) {
    s.click(kStartButton);
    MessageBoxSeen warning = waitMessageBox(s.process());
    ASSERT_NE(warning.box, nullptr);
    EXPECT_EQ(warning.title, L"信息：");
    EXPECT_EQ(warning.text, kWarningText);
    if (keepScreenshot) s.screenshot(L"warning-box", true);
    ASSERT_TRUE(clickMessageBoxButton(warning.box, IDOK));
}

void expectProductInstalled(const std::wstring& folder) {
    std::wstring reference = environment(L"PRODUCT") + L"\\";
    std::vector<std::wstring> files;
    listFiles(reference, L"", &files);
    ASSERT_GE(files.size(), 7u);
    const ULONGLONG archiveTime = _wtoi64(environment(L"ARCHIVE_TIME").c_str());
    for (const std::wstring& f : files) {
        std::wstring installed = folder + L"\\" + f;
        std::string bytes = readFileBytes(installed);
        EXPECT_TRUE(bytes == readFileBytes(reference + f)) << "content of " << installed.size() << " "
                                                     << bytes.size();
        HANDLE h = CreateFileW(installed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        FILETIME write = {};
        GetFileTime(h, nullptr, nullptr, &write);
        CloseHandle(h);
        ULONGLONG t = (static_cast<ULONGLONG>(write.dwHighDateTime) << 32) | write.dwLowDateTime;
        EXPECT_EQ((t - 116444736000000000ULL) / 10000000ULL, archiveTime);
        EXPECT_EQ(GetFileAttributesW(installed.c_str()) &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                  0u);
    }
}

// The start button shows the finish picture: rows above the progress bar,
// where no other window (the completion box) covers it.
void expectFinishPicture(InstallerSession& s, HWND box) {
    RECT covered;
    GetWindowRect(box, &covered);
    DecodedImage finish;
    ASSERT_TRUE(decodeJpeg(finishPicture.data, static_cast<size_t>(finishPicture.length), &finish));
    int matching = 0, samples = 0;
    for (int y = 4; y < 70; y += 11) {
        for (int x = 4; x < 216; x += 19) {
            const uint8_t* px = finish.pixels + (y * finish.width + x) * 4;  // B, G, R
            POINT p = s.at(kStartButton, x, y);
            if (PtInRect(&covered, p)) continue;
            COLORREF c = screenPixel(p.x, p.y);
            ++samples;
            matching += abs(GetRValue(c) - px[2]) <= 8 && abs(GetGValue(c) - px[1]) <= 8 &&
                        abs(GetBValue(c) - px[0]) <= 8;
        }
    }
    freeDecodedImage(&finish);
    EXPECT_GE(samples, 20);
    EXPECT_GE(matching, samples * 9 / 10);
}

class InstallRoad : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        cleanMachine();
    }
    void TearDown() override {
        cleanMachine();
        CoUninitialize();
    }
};

TEST_P(InstallRoad, FromTheStartClickToTheExit) {
    const bool startProduct = GetParam();
    // The Western run must really have another ANSI code page.
    if (environment(L"LC_ALL").rfind(L"zh_CN", 0) != 0) EXPECT_NE(GetACP(), 936u);
    InstallerSession s;
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.text(kInstallLabel), kInstallFolder);
    DWORD clicked = GetTickCount();
    startInstalling(s, !startProduct);

    Watched w = watchUntilMessageBox(s);
    ASSERT_NE(w.box.box, nullptr) << "no completion box";
    EXPECT_EQ(w.box.title, L"温馨提示：");
    EXPECT_EQ(w.box.text, kCompletionText);
    EXPECT_TRUE(w.barShown);
    EXPECT_EQ(SendMessageW(s.control(kProgressBar), PBM_GETPOS, 0, 0), 100);
    for (size_t i = 1; i < w.positions.size(); ++i) EXPECT_GE(w.positions[i], w.positions[i - 1]);
    // Status texts in their order; the first may pass too fast to be seen.
    const std::vector<std::wstring> order = {L"", L"1.释放压缩包..", L"2.开始解压..",
                                             L"3.创建快捷方式..成功"};
    size_t k = 0;
    for (const std::wstring& seen : w.statuses) {
        while (k < order.size() && order[k] != seen) ++k;
        EXPECT_LT(k, order.size()) << "unexpected status";
    }
    EXPECT_EQ(w.statuses.back(), L"3.创建快捷方式..成功");
    expectFinishPicture(s, w.box.box);
    if (!startProduct) {
        s.screenshot(L"finished");
        s.screenshot(L"completion-box", true);
    }

    expectProductInstalled(kInstallFolder);
    std::wstring lnk = desktopFolder() + kProgram + L".lnk";
    ASSERT_TRUE(exists(lnk));
    // Wine's shell links lose Chinese names outside code page 936 (a link
    // saved and read back through the wide interface alone shows "??"), so
    // the target is read back only where the code page is 936.
    if (GetACP() == 936)
        EXPECT_EQ(shortcutTarget(lnk), std::wstring(kInstallFolder) + L"\\" + kProgram + L".exe");

    ASSERT_TRUE(clickMessageBoxButton(w.box.box, startProduct ? IDYES : IDNO));
    DWORD code = 1;
    ASSERT_TRUE(s.waitExit(60000, &code));
    std::printf("click-to-exit: %lu ms\n", GetTickCount() - clicked);
    EXPECT_EQ(code, 0u);
    if (startProduct) EXPECT_TRUE(waitUntil([] { return findProductWindow() != nullptr; }, 30000));
    else EXPECT_EQ(findProductWindow(), nullptr);
    EXPECT_FALSE(exists(temporaryFolder() + L"tool.zip"));
}

INSTANTIATE_TEST_SUITE_P(Answer, InstallRoad, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& i) {
                             return i.param ? "YesStartsTheProduct" : "NoLeavesItAlone";
                         });

class InstallOtherRoads : public InstallRoad {};

TEST_F(InstallOtherRoads, UnwritableTemporaryFolderFallsBackToTheDriveRoot) {
    InstallerSession s(kNoTemporaryFolder);
    ASSERT_TRUE(s.ok());
    startInstalling(s);
    // Extraction runs from C:\tool.zip without a word to the user; the
    // archive is deleted only after the completion box.
    Watched w = watchUntilMessageBox(s);
    ASSERT_NE(w.box.box, nullptr);
    EXPECT_EQ(w.box.text, kCompletionText);
    EXPECT_TRUE(exists(L"C:\\tool.zip"));
    expectProductInstalled(kInstallFolder);
    answerAndExpectExitZero(s, w.box.box, IDNO);
    EXPECT_FALSE(exists(L"C:\\tool.zip"));
}

TEST_F(InstallOtherRoads, UsersOwnToolZipSurvives) {
    const std::wstring users = temporaryFolder() + L"tool.zip";
    const std::string content = "the user's own archive, not the installer's";
    writeAll(users, content);
    InstallerSession s;
    ASSERT_TRUE(s.ok());
    startInstalling(s);
    Watched w = watchUntilMessageBox(s);
    ASSERT_NE(w.box.box, nullptr);
    EXPECT_EQ(w.box.text, kCompletionText);
    expectProductInstalled(kInstallFolder);
    answerAndExpectExitZero(s, w.box.box, IDNO);
    EXPECT_EQ(readFileBytes(users), content);
    std::vector<std::wstring> left;
    listFiles(temporaryFolder(), L"", &left);
    for (const std::wstring& f : left) EXPECT_NE(f.rfind(L"tool-", 0), 0u) << "left behind";
    DeleteFileW(users.c_str());
}

TEST_F(InstallOtherRoads, SecondClickWhileInstallingIsIgnored) {
    InstallerSession s;
    ASSERT_TRUE(s.ok());
    startInstalling(s);
    s.click(kStartButton);  // while the worker runs
    Watched w = watchUntilMessageBox(s);
    ASSERT_NE(w.box.box, nullptr);
    EXPECT_EQ(w.box.text, kCompletionText);  // not a second warning
    expectProductInstalled(kInstallFolder);
    answerAndExpectExitZero(s, w.box.box, IDNO);
}

TEST_F(InstallOtherRoads, CloseMarkDuringExtractionEndsAtOnce) {
    InstallerSession s;
    ASSERT_TRUE(s.ok());
    startInstalling(s);
    s.click(kCloseLabel);
    DWORD code = 1;
    ASSERT_TRUE(s.waitExit(20000, &code));
    EXPECT_EQ(code, 0u);
}

// D: is a read-only drive with plenty of space: the default install folder
// lies on it, and so does the drive-root fallback of the archive.
TEST_F(InstallOtherRoads, ReadOnlyDriveNeitherArchivePlaceWritable) {
    InstallerSession s(kNoTemporaryFolder);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s.text(kInstallLabel), L"D:\\Zorvane软件\\Zorvane工具11");
    startInstalling(s);
    Watched w = watchUntilMessageBox(s, 60000);
    ASSERT_NE(w.box.box, nullptr);
    EXPECT_EQ(w.box.title, L"信息：");
    EXPECT_EQ(w.box.text, kWriteFailedText);
    s.screenshot(L"write-failed-box", true);
    EXPECT_FALSE(w.barShown);
    answerAndExpectExitZero(s, w.box.box, IDOK);
}

TEST_F(InstallOtherRoads, ReadOnlyDriveInstallFolderCannotBeCreated) {
    InstallerSession s;
    ASSERT_TRUE(s.ok());
    startInstalling(s);
    Watched w = watchUntilMessageBox(s);
    ASSERT_NE(w.box.box, nullptr);
    EXPECT_EQ(w.box.title, L"信息：");
    EXPECT_EQ(w.box.text, L"解压失败！请检查安装目录与磁盘空间后重试。");
    EXPECT_EQ(s.text(kStatusLabel), L"解压失败！");
    s.screenshot(L"extract-failed-box", true);
    ASSERT_TRUE(clickMessageBoxButton(w.box.box, IDOK));
    // The window stays open and the temporary archive is gone.
    EXPECT_TRUE(waitUntil([&] { return !exists(temporaryFolder() + L"tool.zip"); }, 10000));
    Sleep(500);
    EXPECT_TRUE(s.process().running());
    EXPECT_TRUE(IsWindowVisible(s.window()));
    // A second attempt into a good folder then succeeds.
    ASSERT_TRUE(chooseDriveRootC(s));
    const std::wstring chosen = L"C:\\Zorvane工具11";
    EXPECT_EQ(s.text(kInstallLabel), chosen);
    startInstalling(s);
    Watched again = watchUntilMessageBox(s);
    ASSERT_NE(again.box.box, nullptr);
    EXPECT_EQ(again.box.text, kCompletionText);
    expectProductInstalled(chosen);
    removeTree(chosen);
    answerAndExpectExitZero(s, again.box.box, IDNO);
}

}  // namespace
