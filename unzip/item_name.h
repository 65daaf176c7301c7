#pragma once
// Rules about item names and output paths, walked character by character in
// GBK: the second byte of a double-byte character is never taken for "\\"
// (0x5C) or "/". No platform calls.

// True for "/" and "\\".
inline bool isPathSeparator(char c) { return c == '/' || c == '\\'; }

// The last "/" or "\\" of `path` that is a character of its own, or null.
const char* lastPathSeparator(const char* path);

// True when `path` is absolute: it begins with "/" or "\\", or its second
// character is ":" (a drive prefix).
bool isAbsolutePath(const char* path);

// True when some "/"- or "\\"-separated component of `path` climbs to the
// parent folder. Windows drops trailing dots and spaces from a component, so
// any component made only of dots and spaces with at least two dots counts
// (".." itself, but also "..." and ".. ").
bool hasParentComponent(const char* path);

// True when a path put under a folder would leave that folder: an absolute
// path, or one with a parent component.
inline bool leavesFolder(const char* path) {
    return isAbsolutePath(path) || hasParentComponent(path);
}
