// Start-up, the window-created step, the product name and shutdown.
#include "app/installer.h"

#include "app/install_rules.h"
#include "runtime/fatal.h"
#include "runtime/runtime.h"
#include "ui/control_services.h"
#include "ui/layout.h"

#ifndef BRAND_NUMBER
#define BRAND_NUMBER 0
#endif
#ifndef PRODUCT_NUMBER
#define PRODUCT_NUMBER 11
#endif

int32_t productNumber;
Text productName;

namespace {

Text productListText;
TextArray productNames;

// The handlers return nothing to the event dispatch.
HandlerAnswer created(const int32_t*) {
    onWindowCreated();
    return {};
}
HandlerAnswer closeReleased(const int32_t*) {
    onCloseLabelReleased();
    return {};
}
HandlerAnswer installPressed(const int32_t* args) {
    onInstallLabelPressed(args[0], args[1], args[2]);
    return {};
}
HandlerAnswer startClicked(const int32_t*) {
    onStartClicked();
    return {};
}
HandlerAnswer extractProgress(const int32_t* args) {
    onExtractProgress(args[0]);
    return {};
}

const EventBinding kBindings[] = {
    {kMainWindowControlId, kEventCreated, created},
    {kCloseLabelId, kEventLeftReleased, closeReleased},
    {kInstallLabelId, kEventLeftPressed, installPressed},
    {kStartButtonId, kEventClicked, startClicked},
    {kZipControlId, kEventProgress, extractProgress},
};

const WindowLayout kMainWindow = {
    kMainWindowId, kMainWindowControlId, kMainWindowTitle, kMainWindowWidth, kMainWindowHeight,
    kMainWindowBackground, kMainControls, kMainControlCount, kBindings,
    sizeof kBindings / sizeof kBindings[0],
};

}  // namespace

int32_t startUp() {
    initRuntime();
    productNames = TextArray();
    registerCleanUp(cleanUp);
    if (!loadWindow(kMainWindow)) raiseRuntimeError(0, "载入启动窗口失败");
    runMessageLoop();
    return 0;
}

void cleanUp() {
    productListText = Text();
    productNames = TextArray();
    productName = Text();
}

const char* lookUpProductName() { return productNames.at(productNumber); }

Text selectBrandAndProduct() {
    productNumber = PRODUCT_NUMBER;
    const BrandRow* row = findBrandRow(BRAND_NUMBER);
    Text companyFolder(row ? row->companyFolder : nullptr);
    productListText = Text(row ? row->productList : nullptr);
    productNames = splitText(productListText.get(), "|");
    productName = Text(lookUpProductName());
    return companyFolder;
}

void onWindowCreated() {
    writeInt(kMainWindowId, kMainWindowControlId, PropWidth, kMainWindowWidth);
    writeInt(kMainWindowId, kMainWindowControlId, PropHeight, kMainWindowHeight);
    writeInt(kMainWindowId, kMainWindowControlId, PropTop, 300);
    int64_t usedMB = 0, freeMB = 0, totalMB = 0;
    queryDiskSpace("d:", &usedMB, &freeMB, &totalMB);
    const char* driveRoot = chooseDriveRoot(freeMB);
    Text companyFolder = selectBrandAndProduct();
    writeText(kMainWindowId, kInstallLabelId, PropCaption,
              concat({driveRoot, companyFolder.get(), productName.get()}).get());
}

void onCloseLabelReleased() { exitInstaller(0); }
