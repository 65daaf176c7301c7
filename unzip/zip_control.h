#pragma once
// The ZIP control: a non-visual control of the main window with one method,
// Extract, and one event, Progress (event number 1, one argument: the
// percentage). Its hidden child window exists only to give the control a
// native window whose destruction the runtime hears of.
#include <cstdint>

#include "ui/control_services.h"

class ZipControl {
public:
    // Creates the control's hidden child window (class with CS_DBLCLKS;
    // styles WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER; never shown). Null on
    // failure. The control deletes itself when its window is destroyed, after
    // telling the runtime (controlDestroyed).
    static ZipControl* create(HWND parent, uint32_t windowId, uint32_t controlId, int x, int y,
                              int width, int height);
    ZipControl(const ZipControl&) = delete;
    ZipControl& operator=(const ZipControl&) = delete;

    HWND window() const { return window_; }

    // Unpacks `archive` into `destination` on the calling thread, raising
    // Progress after each item and once at the end; a handler that returns 0
    // stops the run after the current item. Answers 1, 0 or -1 as
    // ZipExtractor::Run does; -1 without any event when a text is null.
    int32_t Extract(const char* archive, const char* destination);

private:
    friend class ZipControlWindow;  // its window procedure, in zip_control.cpp
    ZipControl(uint32_t windowId, uint32_t controlId) : windowId_(windowId), controlId_(controlId) {}

    HWND window_ = nullptr;
    uint32_t windowId_;
    uint32_t controlId_;
    bool created_ = false;  // set once CreateWindowEx has returned the window
};

// Extract as the flow calls it: the control named by its two identifiers
// (resolved through resolveControl, which is fatal for an unknown control).
int32_t zipExtract(uint32_t windowId, uint32_t controlId, const char* archive,
                   const char* destination);
