// Writes the binary seeds of the fuzz corpus: small JPEGs of every colour space libjpeg writes
// (RGB baseline and progressive, greyscale, CMYK), small TGAs of every kind the reader takes,
// and meshes. Run by gen_corpus.sh; the output is kept in the repository.
//   fuzz_seed_files DIR   writes DIR/tga/*, DIR/jpeg/*, DIR/mesh/*
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// After the headers it needs, which it does not include itself.
#include <jpeglib.h>

#include "tests/support/content_files.h"

namespace {

using solvane::testing::Bytes;

void Write(const std::filesystem::path& path, const Bytes& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Jpeg(int components, J_COLOR_SPACE space, bool progressive, int side) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr error{};
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(side);
  cinfo.image_height = JDIMENSION(side);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 50, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(size_t(side * components));
  for (int y = 0; y < side; ++y) {
    for (size_t i = 0; i < row.size(); ++i) row[i] = JSAMPLE((y * 16 + int(i) * 7) & 0xFF);
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

// A TGA header (18 bytes) for `type` of `side` x `side` pixels at `depth` bits.
Bytes TgaHeader(uint8_t type, int side, uint8_t depth, bool mapped, uint8_t descriptor = 0) {
  Bytes b = {0, uint8_t(mapped ? 1 : 0), type, 0, 0, uint8_t(mapped ? 4 : 0), 0,
             uint8_t(mapped ? 24 : 0)};
  for (int v : {0, 0, side, side}) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
  }
  b.push_back(depth);
  b.push_back(descriptor);
  return b;
}

Bytes Tga(uint8_t type, uint8_t depth, bool mapped, uint8_t descriptor = 0) {
  constexpr int kSide = 4;
  Bytes b = TgaHeader(type, kSide, depth, mapped, descriptor);
  if (mapped) {
    for (int i = 0; i < 12; ++i) b.push_back(uint8_t(i * 20));
  }
  const int bytesPerPixel = depth / 8;
  if (type >= 9) {
    // Two packets: a run of 10, then 6 raw pixels.
    b.push_back(0x80 | 9);
    for (int c = 0; c < bytesPerPixel; ++c) b.push_back(uint8_t(c * 60 + 1));
    b.push_back(5);
    for (int p = 0; p < 6 * bytesPerPixel; ++p) b.push_back(uint8_t(p * 13 % 4));
  } else {
    for (int p = 0; p < kSide * kSide * bytesPerPixel; ++p) b.push_back(uint8_t(p * 13 % 4));
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: fuzz_seed_files DIR\n", stderr);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  Write(dir / "jpeg" / "rgb.jpg", Jpeg(3, JCS_RGB, false, 16));
  Write(dir / "jpeg" / "progressive.jpg", Jpeg(3, JCS_RGB, true, 16));
  Write(dir / "jpeg" / "grey.jpg", Jpeg(1, JCS_GRAYSCALE, false, 8));
  Write(dir / "jpeg" / "cmyk.jpg", Jpeg(4, JCS_CMYK, false, 8));

  Write(dir / "tga" / "rgb24.tga", Tga(2, 24, false));
  Write(dir / "tga" / "rgba32_top.tga", Tga(2, 32, false, 0x28));
  Write(dir / "tga" / "grey8.tga", Tga(3, 8, false));
  Write(dir / "tga" / "mapped8.tga", Tga(1, 8, true));
  Write(dir / "tga" / "rle24.tga", Tga(10, 24, false));
  Write(dir / "tga" / "rle32.tga", Tga(10, 32, false));
  Write(dir / "tga" / "rle_mapped8.tga", Tga(9, 8, true));
  Write(dir / "tga" / "rle_grey8.tga", Tga(11, 8, false));

  Write(dir / "mesh" / "triangle", solvane::testing::TriangleMesh());
  Write(dir / "mesh" / "bad_index", solvane::testing::TriangleMesh(7));
  return 0;
}
