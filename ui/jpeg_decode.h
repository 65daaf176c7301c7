#pragma once
// JPEG decoding with libjpeg into 32-bit pixels (B, G, R, unused), top row
// first, for the pictures of picture boxes and picture buttons.
#include <cstddef>
#include <cstdint>

struct DecodedImage {
    int width = 0;
    int height = 0;
    uint8_t* pixels = nullptr;  // width * height * 4 bytes, malloc'ed
};

// Answers false (and no pixels) for data that does not decode.
bool decodeJpeg(const uint8_t* data, size_t size, DecodedImage* out);
void freeDecodedImage(DecodedImage* image);
