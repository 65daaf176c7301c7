#pragma once
// Control services: the flow names a control by (window identifier, control
// identifier) and reads or writes numbered properties, looks up native
// handles, resolves control objects and raises events through them.
//
// Every failure here is fatal (raiseRuntimeError without a code). Calls from
// a thread other than the main thread are carried out on the main thread
// while the caller waits, so a write has taken effect when it returns.
#include <cstdint>

#include "runtime/text.h"

struct HWND__;
typedef HWND__* HWND;

// Common properties 0-7; kinds' own properties start at 8.
enum PropertyNumber : int32_t {
    PropLeft = 0, PropTop = 1, PropWidth = 2, PropHeight = 3,
    PropTag = 4, PropVisible = 5, PropDisabled = 6, PropMousePointer = 7,
    PropCaption = 8,                  // label, transparent label
    PropPictureNormal = 10,           // picture button
    PropPictureHot = 11,              // picture button
    PropProgressMinimum = 11,         // progress bar
    PropProgressMaximum = 12,         // progress bar
    PropProgressPosition = 13,        // progress bar
};

// A property value travels as (low word, high word). The low word is
// pointer-sized so that it can carry a Text or a byte set on 64-bit builds
// too; integers and booleans use its low 32 bits.
struct PropertyValue {
    uintptr_t low = 0;
    uint32_t high = 0;
};
inline PropertyValue intValue(int32_t v) {
    return {static_cast<uintptr_t>(static_cast<uint32_t>(v)), 0};
}
inline PropertyValue textValue(const char* t) { return {reinterpret_cast<uintptr_t>(t), 0}; }
inline PropertyValue bytesValue(const ByteSetRecord* b) { return {reinterpret_cast<uintptr_t>(b), 0}; }

constexpr int32_t kWholeValue = -1;  // the sub-field argument: the whole value

void writeProperty(uint32_t windowId, uint32_t controlId, int32_t property, int32_t subField,
                   PropertyValue value);
// Texts and byte sets answered belong to the caller (see the helpers below).
PropertyValue readProperty(uint32_t windowId, uint32_t controlId, int32_t property,
                           int32_t subField);

// Typed helpers over the two services (sub-field -1).
void writeInt(uint32_t windowId, uint32_t controlId, int32_t property, int32_t v);
void writeText(uint32_t windowId, uint32_t controlId, int32_t property, const char* t);
void writeBytes(uint32_t windowId, uint32_t controlId, int32_t property, const ByteSetRecord* b);
int32_t readInt(uint32_t windowId, uint32_t controlId, int32_t property);
Text readText(uint32_t windowId, uint32_t controlId, int32_t property);
ByteSet readBytes(uint32_t windowId, uint32_t controlId, int32_t property);

HWND getWindowHandle(uint32_t windowId, uint32_t controlId);
// The control's own object (for a ZIP control: its ZipControl).
void* resolveControl(uint32_t windowId, uint32_t controlId);
// A control whose native window is being destroyed reports it.
void controlDestroyed(uint32_t windowId, uint32_t controlId);

// One event on its way from the control that raises it to the bound handler.
struct EventRecord {
    uint32_t windowId;
    uint32_t controlId;   // the window's own identifier (or 0) for window events
    int32_t event;
    int32_t argCount;     // 0..5
    int32_t args[5];
    int32_t hasResult;    // 0 when sent; 1 when the handler returned a value
    int32_t result;       // 0 when sent; the handler's value when hasResult is 1
};

// Calls the bound handler directly on the calling thread. Answers nonzero when
// a handler was found and run; 0 when none is bound or events are suppressed.
int32_t fireEvent(EventRecord* record);

// What a handler answers: most handlers return nothing.
struct HandlerAnswer {
    bool hasValue = false;
    int32_t value = 0;
};
using EventHandler = HandlerAnswer (*)(const int32_t* args);

struct EventBinding {
    uint32_t controlId;
    int32_t event;
    EventHandler handler;
};
