#include "ui/jpeg_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// jump back to decodeJpeg. No object with a destructor lives in between.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onFatalError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr, int) {}  // corrupt-data warnings stay quiet

}  // namespace

bool decodeJpeg(const uint8_t* data, size_t size, DecodedImage* out) {
    *out = DecodedImage();
    if (!data || size == 0) return false;

    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onFatalError;
    errors.base.emit_message = onMessage;
    uint8_t* volatile pixels = nullptr;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::free(pixels);
        *out = DecodedImage();
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);

    const size_t stride = static_cast<size_t>(info.output_width) * 4;
    pixels = static_cast<uint8_t*>(std::malloc(stride * info.output_height));
    if (!pixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    out->width = static_cast<int>(info.output_width);
    out->height = static_cast<int>(info.output_height);
    out->pixels = pixels;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

void freeDecodedImage(DecodedImage* image) {
    std::free(image->pixels);
    *image = DecodedImage();
}
