// Encoders from Image to file bytes. Each returns the whole file; WriteFile reports a failure
// on stderr and returns false.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "tools/contentgen/image.h"

namespace solvane::contentgen {

using Bytes = std::vector<uint8_t>;

Bytes EncodeBmp24(const Image& image);
Bytes EncodeIco(const std::vector<Image>& images);
// Baseline, three components, no chroma subsampling; an empty result means libjpeg failed.
Bytes EncodeJpeg(const Image& image, int quality);
Bytes EncodeTga32(const Image& image);
// RGB, or RGBA with straight alpha; no time or text chunks, so the bytes depend on the pixels
// only. An empty result means libpng failed.
Bytes EncodePng(const Image& image);
Bytes EncodePngRgba(const Image& image);

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace solvane::contentgen
