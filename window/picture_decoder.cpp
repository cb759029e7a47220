#include "window/picture_decoder.h"

#include <csetjmp>
#include <cstddef>

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <jpeglib.h>
// clang-format on

namespace setup {
namespace {

// Where the decoder puts the pixels: the C-style decoding routine below asks for the buffer once it
// knows the picture's size. `allocate` gives null to refuse the size.
struct PixelSink {
  std::uint8_t* (*allocate)(void* context, std::int32_t width, std::int32_t height);
  void* context;
};

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
};

// libjpeg's default error exit ends the process; this one jumps back into DecodeInto instead.
extern "C" void ErrorExit(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1); }
// Warnings (for example a truncated file) are not printed.
extern "C" void OutputMessage(j_common_ptr) {}

// Decodes `bytes` into the buffer that `sink` gives. Written C-style: nothing between the setjmp and a
// longjmp out of libjpeg has a destructor, so the jump skips no clean-up. Returns false on any error.
bool DecodeInto(const std::uint8_t* bytes, std::size_t size, const PixelSink* sink) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = &ErrorExit;
  errors.base.output_message = &OutputMessage;
  if (setjmp(errors.escape) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&info);
  std::uint8_t* pixels = nullptr;
  if (info.output_components == 4 && info.output_width > 0 && info.output_height > 0 &&
      info.output_width <= static_cast<JDIMENSION>(kMaxPictureSide) &&
      info.output_height <= static_cast<JDIMENSION>(kMaxPictureSide) &&
      static_cast<std::int64_t>(info.output_width) * info.output_height <= kMaxPicturePixels) {
    pixels = sink->allocate(sink->context, static_cast<std::int32_t>(info.output_width),
                            static_cast<std::int32_t>(info.output_height));
  }
  if (pixels == nullptr) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const std::size_t stride = static_cast<std::size_t>(info.output_width) * 4;
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  // A file cut short shows as a warning in libjpeg, which fills the missing rows grey: refuse it.
  const bool complete = info.err->num_warnings == 0;
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return complete;
}

std::uint8_t* AllocatePixels(void* context, std::int32_t width, std::int32_t height) {
  auto* picture = static_cast<DecodedPicture*>(context);
  picture->width = width;
  picture->height = height;
  picture->pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
  return picture->pixels.data();
}

}  // namespace

std::optional<DecodedPicture> DecodeJpeg(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  DecodedPicture picture;
  const PixelSink sink{&AllocatePixels, &picture};
  if (!DecodeInto(bytes.data(), bytes.size(), &sink)) return std::nullopt;
  return picture;
}

}  // namespace setup
