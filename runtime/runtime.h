#pragma once
// The small GUI runtime: start-up, the main-thread hand-over, the exit
// operation, event suppression and the message-box service.
#include <cstdint>

// Finishes the runtime's initialisation on the main thread: OLE, the program's
// own folder as current directory, the main thread's identity and the hidden
// window through which other threads reach the main thread.
void initRuntime();

bool onMainThread();

// Runs fn(context) on the main thread and returns when it has run. On the
// main thread it is a plain call; from another thread it is a sent message,
// so the main thread must keep handling messages (it never waits for workers).
void runOnMainThread(void (*fn)(void*), void* context);
template <class F>
void runOnMainThread(F& f) {
    runOnMainThread([](void* c) { (*static_cast<F*>(c))(); }, &f);
}

// Runs the main thread's message loop until the runtime ends it. Messages
// pass through `preTranslate` first; when it answers true the message is
// swallowed.
struct tagMSG;
void setMessagePreCheck(bool (*preTranslate)(const tagMSG& msg));
int runMessageLoop();

// The clean-up routine that the exit operation runs once.
void registerCleanUp(void (*cleanUp)());

// Ends the installer with `code`. From any thread; a worker's request is
// forwarded synchronously to the main thread, which runs the clean-up routine
// once and ends the process. Never returns.
[[noreturn]] void exitInstaller(int32_t code);

// Events are delivered only while the suppression counter is 0.
void suppressEvents();
void resumeEvents();
bool eventsSuppressed();

// MessageBox with no owner, flags | MB_TASKMODAL, title "信息：" when none.
// Answers 0 OK, 1 Cancel, 2 Abort, 3 Retry, 4 Ignore, 5 Yes, 6 No.
int32_t showMessageBox(const char* text, uint32_t flags, const char* title = nullptr);
