#pragma once
// The installer flow: its global state and the event handlers bound to the
// main window's controls.
#include <cstdint>

#include "runtime/text.h"

// Global state, written only by the window-created step.
extern int32_t productNumber;
extern Text productName;

int32_t startUp();
void cleanUp();
const char* lookUpProductName();  // element `productNumber` of the product names

// Brand and product selection; answers the company folder.
Text selectBrandAndProduct();

// Handlers (see the bindings in installer.cpp).
void onWindowCreated();
void onCloseLabelReleased();
void onInstallLabelPressed(int32_t x, int32_t y, int32_t keys);
void onStartClicked();
void onExtractProgress(int32_t percent);

// Services of the install location.
bool queryDiskSpace(const char* drive, int64_t* usedMB, int64_t* freeMB, int64_t* totalMB);
Text browseForFolder(void* owner, const char* title);

// Special folders: 3 the desktop, 11 the temporary folder; each ends in a
// backslash, or is empty when Windows cannot say.
constexpr int kDesktopFolder = 3;
constexpr int kTemporaryFolder = 11;
Text specialFolder(int which);
