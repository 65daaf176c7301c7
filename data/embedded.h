#pragma once
// The constant byte sets that the installer carries. Each lies in the
// program's read-only data in the byte set layout (dimension count 1, length,
// data), so it can be handed to any service that takes a byte set; releasing
// one is a no-op because it lies inside the program image.
#include "runtime/text.h"

extern "C" {
// The product's files as one ZIP archive, written out to a file and unpacked
// from there. Its program is "<product name>.exe" at the archive root.
extern const ByteSetRecord productArchive;
// 220 x 80 JPEG shown on the start button once the installation is complete.
extern const ByteSetRecord finishPicture;
// Window artwork: the logo (424 x 534, shown stretched to 211 x 211) and the
// start button's normal and highlighted pictures (220 x 80).
extern const ByteSetRecord logoPicture;
extern const ByteSetRecord startPicture;
extern const ByteSetRecord startHotPicture;
}
