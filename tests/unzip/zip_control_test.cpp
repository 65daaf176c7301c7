// The ZIP control in a loaded window: its hidden window, Extract, and the
// Progress event travelling through the real event dispatch.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "runtime/runtime.h"
#include "runtime/wide.h"
#include "tests/unzip/test_folder.h"
#include "tests/unzip/zip_fixture.h"
#include "ui/window.h"
#include "unzip/zip_control.h"

namespace {

constexpr int32_t kProgress = 1;

// Two windows, each with one ZIP control: the second is for the test that
// destroys its control.
constexpr uint32_t kWindowId = 0x52990001, kWindowControlId = 0x06990000, kZipId = 0x1699005A;
constexpr uint32_t kOtherWindowId = 0x52990002, kOtherWindowControlId = 0x06990001,
                   kOtherZipId = 0x1699005B;

// What the handler saw, and how it answers; reset before each test.
std::vector<int32_t> percents;
std::vector<DWORD> threads;
std::function<HandlerAnswer(int32_t percent)> answer;

HandlerAnswer onProgress(const int32_t* args) {
    percents.push_back(args[0]);
    threads.push_back(GetCurrentThreadId());
    return answer ? answer(args[0]) : HandlerAnswer();
}

ControlLayout zipControlLayout(uint32_t id) {
    ControlLayout l = {};
    l.id = id;
    l.kind = ControlKind::ZipControl;
    l.x = 8, l.y = 40, l.width = 27, l.height = 27;
    return l;
}

const ControlLayout kControls[] = {zipControlLayout(kZipId)};
const ControlLayout kOtherControls[] = {zipControlLayout(kOtherZipId)};
const EventBinding kBindings[] = {{kZipId, kProgress, onProgress}};
const EventBinding kOtherBindings[] = {{kOtherZipId, kProgress, onProgress}};
const WindowLayout kLayout = {kWindowId, kWindowControlId, "ZIP", 200, 100, {255, 255, 255},
                              kControls, 1, kBindings, 1};
const WindowLayout kOtherLayout = {kOtherWindowId, kOtherWindowControlId, "ZIP 2", 200, 100,
                                   {255, 255, 255}, kOtherControls, 1, kOtherBindings, 1};

using Percents = std::vector<int32_t>;

std::vector<FixtureItem> numberedFiles(int count) {
    std::vector<FixtureItem> items;
    for (int i = 0; i < count; ++i)
        items.push_back(fileItem("file" + std::to_string(i) + ".txt", sampleText(80 + 7 * i, i)));
    return items;
}

class ZipControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool loaded;
        if (loaded) return;
        initRuntime();
        ASSERT_TRUE(loadWindow(kLayout));
        loaded = true;
    }

    void SetUp() override {
        percents.clear();
        threads.clear();
        answer = nullptr;
    }

    static ZipControl* control() { return static_cast<ZipControl*>(resolveControl(kWindowId, kZipId)); }

    int32_t extract() { return control()->Extract(archive.c_str(), destination.c_str()); }

    void makeArchive(const std::vector<FixtureItem>& items) { ASSERT_TRUE(writeZip(archive, items)); }

    bool extracted(const FixtureItem& item) const { return fileExists(destination + "\\" + item.name); }

    TestFolder folder;
    std::string archive = folder.path("product.zip");
    std::string destination = folder.path("dest");
};

TEST_F(ZipControlTest, ItsWindowIsAHiddenChildWithDoubleClicksAndABorder) {
    HWND hwnd = getWindowHandle(kWindowId, kZipId);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(control()->window(), hwnd);
    EXPECT_EQ(GetParent(hwnd), getWindowHandle(kWindowId, kWindowControlId));
    LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER),
              static_cast<LONG>(WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER));
    EXPECT_FALSE(style & WS_VISIBLE);
    EXPECT_TRUE(GetClassLongW(hwnd, GCL_STYLE) & CS_DBLCLKS);
}

TEST_F(ZipControlTest, ProgressAfterEachItemAndOneHundredAtTheEnd) {
    std::vector<FixtureItem> items = {folderItem("sub/")};
    for (int i = 1; i < 8; ++i)
        items.push_back(fileItem("sub/f" + std::to_string(i) + ".txt", sampleText(200 * i, i)));
    makeArchive(items);
    EXPECT_EQ(extract(), 1);
    EXPECT_EQ(percents, (Percents{0, 12, 25, 37, 50, 62, 75, 87, 100}));
    for (size_t i = 1; i < items.size(); ++i) EXPECT_TRUE(extracted(items[i])) << items[i].name;
}

TEST_F(ZipControlTest, HandlerAnsweringFalseAfterIndexTwoStopsTheRun) {
    std::vector<FixtureItem> items = numberedFiles(6);
    makeArchive(items);
    answer = [](int32_t) {
        return percents.size() == 3 ? HandlerAnswer{true, 0} : HandlerAnswer();
    };
    EXPECT_EQ(extract(), 1);
    EXPECT_EQ(percents, (Percents{0, 16, 33}));
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(extracted(items[i]), i <= 2) << items[i].name;
}

TEST_F(ZipControlTest, HandlerAnsweringTrueOrNothingNeverStops) {
    const std::function<HandlerAnswer(int32_t)> answers[] = {
        [](int32_t) { return HandlerAnswer(); },
        [](int32_t) { return HandlerAnswer{true, 1}; },
        [](int32_t) { return HandlerAnswer{true, -1}; },
        [](int32_t) { return HandlerAnswer{false, 0}; },  // no value, whatever the field says
    };
    makeArchive(numberedFiles(3));
    for (size_t i = 0; i < sizeof answers / sizeof answers[0]; ++i) {
        percents.clear();
        answer = answers[i];
        EXPECT_EQ(extract(), 1) << i;
        EXPECT_EQ(percents, (Percents{0, 33, 66, 100})) << i;
    }
}

TEST_F(ZipControlTest, ResultsAndEventsOfTheFailurePaths) {
    makeArchive(numberedFiles(3));
    std::string missing = folder.path("missing.zip");
    std::string text = folder.path("text.zip");
    ASSERT_TRUE(writeWholeFile(text, "this is a text file of more than thirty-two bytes"));
    struct Case {
        const char* what;
        const char* archive;
        const char* destination;
        int32_t result;
        Percents events;
    } cases[] = {
        {"no archive text", nullptr, destination.c_str(), -1, {}},
        {"no destination text", archive.c_str(), nullptr, -1, {}},
        {"archive file missing", missing.c_str(), destination.c_str(), -1, {0}},
        {"not a ZIP", text.c_str(), destination.c_str(), 0, {0}},
    };
    for (const Case& c : cases) {
        percents.clear();
        EXPECT_EQ(control()->Extract(c.archive, c.destination), c.result) << c.what;
        EXPECT_EQ(percents, c.events) << c.what;
        EXPECT_FALSE(fileExists(destination + "\\file0.txt")) << c.what;
    }
}

// Runs `work` on another thread while this (main) thread keeps handling
// messages, as the installer's message loop does during its install worker.
DWORD WINAPI runWork(void* work) {
    (*static_cast<std::function<void()>*>(work))();
    return 0;
}

TEST_F(ZipControlTest, ExtractOnTheWorkerThreadRaisesProgressThere) {
    std::vector<FixtureItem> items = numberedFiles(3);
    makeArchive(items);
    int32_t result = 0;
    DWORD workerId = 0;
    std::function<void()> work = [&] {
        workerId = GetCurrentThreadId();
        result = zipExtract(kWindowId, kZipId, archive.c_str(), destination.c_str());
    };
    HANDLE thread = CreateThread(nullptr, 0, runWork, &work, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    CloseHandle(thread);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(percents, (Percents{0, 33, 66, 100}));
    ASSERT_EQ(threads.size(), 4u);
    for (DWORD id : threads) EXPECT_EQ(id, workerId);
    EXPECT_NE(workerId, GetCurrentThreadId());
    for (const FixtureItem& item : items) EXPECT_TRUE(extracted(item)) << item.name;
}

TEST_F(ZipControlTest, DestroyedWindowSilencesTheEventsAndTheRunCompletes) {
    ASSERT_TRUE(loadWindow(kOtherLayout));
    std::vector<FixtureItem> items = numberedFiles(5);
    makeArchive(items);
    HWND zipWindow = getWindowHandle(kOtherWindowId, kOtherZipId);
    // The first handler call destroys the control's window and asks to stop;
    // with the window gone the request is not honoured either.
    answer = [zipWindow](int32_t) {
        DestroyWindow(zipWindow);
        return HandlerAnswer{true, 0};
    };
    int32_t result = zipExtract(kOtherWindowId, kOtherZipId, archive.c_str(), destination.c_str());
    EXPECT_FALSE(IsWindow(zipWindow));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(percents, Percents{0});
    for (const FixtureItem& item : items) EXPECT_TRUE(extracted(item)) << item.name;
}

}  // namespace
