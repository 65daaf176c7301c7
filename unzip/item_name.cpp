#include "unzip/item_name.h"

#include "runtime/text.h"

const char* lastPathSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = path ? path : ""; *p; p += gbkCharLength(p))
        if (isPathSeparator(*p)) last = p;
    return last;
}

bool isAbsolutePath(const char* path) {
    if (!path || !*path) return false;
    if (isPathSeparator(path[0])) return true;
    const char* second = path + gbkCharLength(path);
    return *second == ':';
}

bool hasParentComponent(const char* path) {
    const char* p = path ? path : "";
    while (*p) {
        // One component: up to the next separator character.
        int dots = 0;
        bool onlyDotsAndSpaces = true;
        while (*p && !isPathSeparator(*p)) {
            if (*p == '.') {
                ++dots;
            } else if (*p != ' ') {
                onlyDotsAndSpaces = false;
            }
            p += gbkCharLength(p);
        }
        if (onlyDotsAndSpaces && dots >= 2) return true;
        if (*p) ++p;  // the separator
    }
    return false;
}
