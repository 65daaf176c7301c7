#pragma once
// The write-file service: puts byte sets into a file, one after another.
#include <initializer_list>

#include "runtime/text.h"

// Creates `path` (a GBK text), or truncates it if it exists, with exclusive
// access, writes the data bytes of each part in order and closes the file.
// Only the data reaches the file, never the dimension and length fields; an
// empty part (null, or a length of 0 or less) writes nothing, so with only
// empty parts the file is left empty. Answers true when the file was opened
// and every write and the close succeeded; false for an empty path or on any
// failure, in which case a partly written file stays on disk.
bool writeFile(const char* path, std::initializer_list<const ByteSetRecord*> parts);
