#pragma once
// Small pictures encoded in memory, for tests that need files a decoder accepts.
#include <cstdint>
#include <vector>

namespace quorvane::testing {

// A width x height picture (colour gradient with a little deterministic noise) encoded by Qt's
// writer for `format` ("jpeg", "png", "bmp", "tiff"); quality -1 keeps the writer's default.
// Empty when Qt cannot write that format. "bmp-top-down" is the BMP with its rows stored from the
// top down (a negative height in its header), as many programs write them.
std::vector<uint8_t> EncodedImage(int width, int height, const char* format, int quality = -1,
                                  unsigned seed = 1);

} // namespace quorvane::testing
