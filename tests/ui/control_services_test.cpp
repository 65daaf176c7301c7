// The property services and event dispatch on the real main window layout,
// with the native windows behind it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "data/embedded.h"
#include "runtime/runtime.h"
#include "runtime/wide.h"
#include "ui/control_services.h"
#include "ui/jpeg_decode.h"
#include "ui/layout.h"

namespace {

int createdEvents;
int clicks;
HandlerAnswer onCreated(const int32_t*) {
    ++createdEvents;
    // Geometry writes before the window is first shown.
    writeInt(kMainWindowId, kMainWindowControlId, PropWidth, 250);
    writeInt(kMainWindowId, kMainWindowControlId, PropHeight, 400);
    writeInt(kMainWindowId, kMainWindowControlId, PropTop, 300);
    EXPECT_FALSE(IsWindowVisible(getWindowHandle(kMainWindowId, kMainWindowControlId)));
    return HandlerAnswer();
}
HandlerAnswer onClicked(const int32_t*) {
    ++clicks;
    return {true, 0};
}

const EventBinding kBindings[] = {
    {kMainWindowControlId, kEventCreated, onCreated},
    {kStartButtonId, kEventClicked, onClicked},
};
const WindowLayout kLayout = {kMainWindowId, kMainWindowControlId, kMainWindowTitle,
                              kMainWindowWidth, kMainWindowHeight, kMainWindowBackground,
                              kMainControls, kMainControlCount, kBindings, 2};

class ControlServices : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool loaded;
        if (loaded) return;
        initRuntime();
        ASSERT_TRUE(loadWindow(kLayout));
        loaded = true;
    }
    static HWND handle(uint32_t id) { return getWindowHandle(kMainWindowId, id); }
};

// Runs `work` on another thread while this (main) thread keeps handling
// messages, as the installer's message loop does.
template <class F>
DWORD WINAPI runWork(void* work) {
    (*static_cast<F*>(work))();
    return 0;
}

template <class F>
void onWorkerThread(F work) {
    HANDLE thread = CreateThread(nullptr, 0, runWork<F>, &work, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    CloseHandle(thread);
}

TEST_F(ControlServices, CreatedEventRanOnceBeforeTheWindowWasShown) {
    EXPECT_EQ(createdEvents, 1);
    HWND main = handle(kMainWindowControlId);
    RECT rc;
    GetWindowRect(main, &rc);
    EXPECT_EQ(rc.top, 300);
    EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 250) / 2);
    EXPECT_EQ(rc.right - rc.left, 250);
    EXPECT_EQ(rc.bottom - rc.top, 400);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(GetWindowLongW(main, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), 0);
    wchar_t title[64];
    GetWindowTextW(main, title, 64);
    EXPECT_STREQ(fromWide(title).c_str(), "Zorvane工具12 - 安装程序");
}

struct ClampCase {
    uint32_t control;
    int32_t property;
    int32_t written;
    int32_t read;
};

TEST_F(ControlServices, ValuesAreClampedNeverRefused) {
    const ClampCase cases[] = {
        {kStatusLabelId, PropWidth, -5, 0},
        {kStatusLabelId, PropWidth, 40000, 32627},
        {kStatusLabelId, PropLeft, -40000, -32627},
        {kStatusLabelId, PropTop, 40000, 32627},
        {kProgressBarId, PropProgressPosition, 150, 150},
        {kProgressBarId, PropProgressPosition, 40000, 32767},
        {kProgressBarId, PropProgressPosition, -3, 0},
        {kProgressBarId, PropProgressMaximum, 99999, 32767},
    };
    for (const ClampCase& c : cases) {
        writeInt(kMainWindowId, c.control, c.property, c.written);
        EXPECT_EQ(readInt(kMainWindowId, c.control, c.property), c.read)
            << c.control << "/" << c.property << " := " << c.written;
    }
    // Put the status label and the bar back as laid out.
    writeInt(kMainWindowId, kStatusLabelId, PropLeft, 79);
    writeInt(kMainWindowId, kStatusLabelId, PropTop, 344);
    writeInt(kMainWindowId, kStatusLabelId, PropWidth, 160);
    writeInt(kMainWindowId, kProgressBarId, PropProgressMaximum, 100);
}

TEST_F(ControlServices, ProgressPositionIsClampedIntoTheNativeRangeOnly) {
    HWND bar = handle(kProgressBarId);
    writeInt(kMainWindowId, kProgressBarId, PropProgressMinimum, 0);
    writeInt(kMainWindowId, kProgressBarId, PropProgressMaximum, 100);
    writeInt(kMainWindowId, kProgressBarId, PropProgressPosition, 150);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 100);
    EXPECT_EQ(readInt(kMainWindowId, kProgressBarId, PropProgressPosition), 150);

    // A maximum below the minimum: the native range runs from the new
    // maximum to the minimum.
    writeInt(kMainWindowId, kProgressBarId, PropProgressMinimum, 50);
    writeInt(kMainWindowId, kProgressBarId, PropProgressMaximum, 20);
    PBRANGE range;
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 20);
    EXPECT_EQ(range.iHigh, 50);
    EXPECT_EQ(readInt(kMainWindowId, kProgressBarId, PropProgressMaximum), 20);
    writeInt(kMainWindowId, kProgressBarId, PropProgressMinimum, 0);
    writeInt(kMainWindowId, kProgressBarId, PropProgressMaximum, 100);
    writeInt(kMainWindowId, kProgressBarId, PropProgressPosition, 0);
}

TEST_F(ControlServices, BooleansAndTexts) {
    HWND bar = handle(kProgressBarId);
    EXPECT_EQ(readInt(kMainWindowId, kProgressBarId, PropVisible), 0);  // hidden as laid out
    writeInt(kMainWindowId, kProgressBarId, PropVisible, 7);            // any nonzero is true
    EXPECT_EQ(readInt(kMainWindowId, kProgressBarId, PropVisible), 1);
    EXPECT_TRUE(IsWindowVisible(bar));
    writeInt(kMainWindowId, kProgressBarId, PropVisible, 0);
    EXPECT_FALSE(IsWindowVisible(bar));

    writeInt(kMainWindowId, kStatusLabelId, PropDisabled, 1);
    EXPECT_FALSE(IsWindowEnabled(handle(kStatusLabelId)));
    EXPECT_EQ(readInt(kMainWindowId, kStatusLabelId, PropDisabled), 1);
    writeInt(kMainWindowId, kStatusLabelId, PropDisabled, 0);

    // The empty label answers null; a written caption comes back as a copy.
    EXPECT_EQ(readText(kMainWindowId, kStatusLabelId, PropCaption).get(), nullptr);
    const char* caption = "2.开始解压..";
    writeText(kMainWindowId, kStatusLabelId, PropCaption, caption);
    Text back = readText(kMainWindowId, kStatusLabelId, PropCaption);
    EXPECT_STREQ(back.c_str(), caption);
    EXPECT_NE(back.get(), caption);
    writeText(kMainWindowId, kStatusLabelId, PropCaption, nullptr);
    EXPECT_TRUE(readText(kMainWindowId, kStatusLabelId, PropCaption).empty());

    writeText(kMainWindowId, kStatusLabelId, PropTag, "标记");
    EXPECT_STREQ(readText(kMainWindowId, kStatusLabelId, PropTag).c_str(), "标记");
}

TEST_F(ControlServices, PicturesAreKeptAsWrittenAndReadBackAsNewByteSets) {
    writeBytes(kMainWindowId, kStartButtonId, PropPictureHot, &finishPicture);
    ByteSet hot = readBytes(kMainWindowId, kStartButtonId, PropPictureHot);
    ASSERT_NE(hot.get(), nullptr);
    EXPECT_NE(hot.get(), &finishPicture);
    EXPECT_EQ(hot.get()->dimensions, 1);
    ASSERT_EQ(hot.get()->length, finishPicture.length);
    EXPECT_EQ(std::memcmp(hot.data(), finishPicture.data, hot.size()), 0);

    // Bytes that do not decode are stored all the same.
    const uint8_t junk[] = {'n', 'o', 't', 'j', 'p', 'g'};
    ByteSet notAPicture(junk, sizeof junk);
    writeBytes(kMainWindowId, kStartButtonId, PropPictureNormal, notAPicture.get());
    ByteSet normal = readBytes(kMainWindowId, kStartButtonId, PropPictureNormal);
    ASSERT_EQ(normal.size(), sizeof junk);
    EXPECT_EQ(std::memcmp(normal.data(), junk, sizeof junk), 0);

    writeBytes(kMainWindowId, kStartButtonId, PropPictureNormal, &startPicture);
    writeBytes(kMainWindowId, kStartButtonId, PropPictureHot, &startHotPicture);
}

TEST_F(ControlServices, WorkerCaptionWriteHasReachedTheWindowWhenItReturns) {
    HWND label = handle(kStatusLabelId);
    std::wstring seen;
    bool wasMainThread = true;
    onWorkerThread([&] {
        wasMainThread = onMainThread();
        writeText(kMainWindowId, kStatusLabelId, PropCaption, "1.释放压缩包..");
        wchar_t buffer[64];
        GetWindowTextW(label, buffer, 64);
        seen = buffer;
    });
    EXPECT_FALSE(wasMainThread);
    EXPECT_EQ(seen, L"1.释放压缩包..");
    writeText(kMainWindowId, kStatusLabelId, PropCaption, nullptr);
}

TEST_F(ControlServices, EventsAreDispatchedOnlyWhileNotSuppressed) {
    EventRecord e = {kMainWindowId, kStartButtonId, kEventClicked, 0, {}, 0, 0};
    EXPECT_EQ(fireEvent(&e), 1);
    EXPECT_EQ(e.hasResult, 1);
    EXPECT_EQ(e.result, 0);
    int before = clicks;
    suppressEvents();
    EventRecord dropped = {kMainWindowId, kStartButtonId, kEventClicked, 0, {}, 0, 0};
    EXPECT_EQ(fireEvent(&dropped), 0);
    resumeEvents();
    EXPECT_EQ(clicks, before);
    EventRecord unbound = {kMainWindowId, kStatusLabelId, kEventLeftPressed, 3, {1, 2, 0}, 0, 0};
    EXPECT_EQ(fireEvent(&unbound), 0);
}

TEST(JpegDecode, FinishPictureIs220By80AndJunkDoesNotDecode) {
    DecodedImage image;
    ASSERT_TRUE(decodeJpeg(finishPicture.data, static_cast<size_t>(finishPicture.length), &image));
    EXPECT_EQ(image.width, 220);
    EXPECT_EQ(image.height, 80);
    freeDecodedImage(&image);
    const uint8_t junk[] = {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3};
    EXPECT_FALSE(decodeJpeg(junk, sizeof junk, &image));
    EXPECT_EQ(image.pixels, nullptr);
}

}  // namespace
