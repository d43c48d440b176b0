#include "tools/contentgen/writers.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>

#include <jpeglib.h>
#include <png.h>

namespace solvane::contentgen {

namespace {

void Put16(Bytes& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// BITMAPINFOHEADER: 40 bytes; `height` is doubled for icon images (colour plus mask).
void PutInfoHeader(Bytes& out, const Image& image, int bits, bool icon, uint32_t dataSize) {
  Put32(out, 40);
  Put32(out, uint32_t(image.width));
  Put32(out, uint32_t(image.height * (icon ? 2 : 1)));
  Put16(out, 1);
  Put16(out, uint16_t(bits));
  Put32(out, 0);  // uncompressed
  Put32(out, dataSize);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
}

}  // namespace

// Format notes: rows are stored bottom row first, each padded to a multiple of 4 bytes, pixels
// in blue, green, red order.
Bytes EncodeBmp24(const Image& image) {
  const uint32_t rowSize = (uint32_t(image.width) * 3 + 3) & ~3u;
  const uint32_t dataSize = rowSize * uint32_t(image.height);
  Bytes out = {'B', 'M'};
  Put32(out, 14 + 40 + dataSize);
  Put32(out, 0);
  Put32(out, 14 + 40);
  PutInfoHeader(out, image, 24, false, dataSize);
  for (int y = image.height - 1; y >= 0; --y) {
    const size_t start = out.size();
    for (int x = 0; x < image.width; ++x) {
      const Color& c = image.at(x, y);
      out.insert(out.end(), {Byte(c.b), Byte(c.g), Byte(c.r)});
    }
    out.resize(start + rowSize, 0);
  }
  return out;
}

// Format notes: an icon directory (6 bytes), one 16-byte entry per image, then each image as a
// headerless bitmap: 32-bit BGRA rows bottom first, then a 1-bit AND mask (rows padded to 4
// bytes) that stays clear because the alpha channel decides.
Bytes EncodeIco(const std::vector<Image>& images) {
  std::vector<Bytes> bodies;
  for (const Image& image : images) {
    const uint32_t maskRow = ((uint32_t(image.width) + 31) / 32) * 4;
    const uint32_t dataSize =
        uint32_t(image.width * image.height * 4) + maskRow * uint32_t(image.height);
    Bytes body;
    PutInfoHeader(body, image, 32, true, dataSize);
    for (int y = image.height - 1; y >= 0; --y) {
      for (int x = 0; x < image.width; ++x) {
        const Color& c = image.at(x, y);
        body.insert(body.end(), {Byte(c.b), Byte(c.g), Byte(c.r), Byte(c.a)});
      }
    }
    body.resize(body.size() + maskRow * uint32_t(image.height), 0);
    bodies.push_back(std::move(body));
  }
  Bytes out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, uint16_t(images.size()));
  uint32_t offset = 6 + 16 * uint32_t(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(uint8_t(images[i].width));
    out.push_back(uint8_t(images[i].height));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, uint32_t(bodies[i].size()));
    Put32(out, offset);
    offset += uint32_t(bodies[i].size());
  }
  for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

namespace {

// libjpeg reports fatal errors through error_exit, which must not return; it jumps back to
// EncodeJpeg. No object with a destructor lives between the setjmp and the jump.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr info) {
  char message[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, message);
  std::fprintf(stderr, "contentgen: libjpeg: %s\n", message);
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// A destination manager that appends to a Bytes in 4 KiB steps, so that the encoder needs
// nothing beyond the v6.2 interface.
struct JpegSink {
  jpeg_destination_mgr manager;
  Bytes* out;
  JOCTET buffer[4096];
};

void SinkInit(j_compress_ptr info) {
  auto* sink = reinterpret_cast<JpegSink*>(info->dest);
  sink->manager.next_output_byte = sink->buffer;
  sink->manager.free_in_buffer = sizeof sink->buffer;
}

boolean SinkEmpty(j_compress_ptr info) {
  auto* sink = reinterpret_cast<JpegSink*>(info->dest);
  sink->out->insert(sink->out->end(), sink->buffer, sink->buffer + sizeof sink->buffer);
  sink->manager.next_output_byte = sink->buffer;
  sink->manager.free_in_buffer = sizeof sink->buffer;
  return TRUE;
}

void SinkTerm(j_compress_ptr info) {
  auto* sink = reinterpret_cast<JpegSink*>(info->dest);
  const size_t used = sizeof sink->buffer - sink->manager.free_in_buffer;
  sink->out->insert(sink->out->end(), sink->buffer, sink->buffer + used);
}

bool CompressJpeg(const uint8_t* rgb, int width, int height, int quality, Bytes* out) {
  jpeg_compress_struct info;
  JpegError error;
  JpegSink sink;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegErrorExit;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  sink.manager.init_destination = SinkInit;
  sink.manager.empty_output_buffer = SinkEmpty;
  sink.manager.term_destination = SinkTerm;
  sink.out = out;
  info.dest = &sink.manager;
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  // 4:4:4. With subsampled chroma the decoder's smoothing upsampler bleeds colour from a lit
  // block into its black neighbour, and a billboard's border must decode to exact black.
  for (int c = 0; c < 3; ++c) {
    info.comp_info[c].h_samp_factor = 1;
    info.comp_info[c].v_samp_factor = 1;
  }
  info.dct_method = JDCT_ISLOW;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb + size_t(info.next_scanline) * size_t(width) * 3);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

Bytes EncodeJpeg(const Image& image, int quality) {
  std::vector<uint8_t> rgb;
  rgb.reserve(image.pixels.size() * 3);
  for (const Color& c : image.pixels) rgb.insert(rgb.end(), {Byte(c.r), Byte(c.g), Byte(c.b)});
  Bytes out;
  if (!CompressJpeg(rgb.data(), image.width, image.height, quality, &out)) out.clear();
  return out;
}

// Format notes: an 18-byte header (no image ID, no colour map, type 2 = uncompressed true
// colour), then BGRA pixels. Descriptor 0x08: 8 alpha bits, bit 5 clear = bottom row first.
Bytes EncodeTga32(const Image& image) {
  Bytes out = {0, 0, 2, 0, 0, 0, 0, 0};
  Put16(out, 0);  // x origin
  Put16(out, 0);  // y origin
  Put16(out, uint32_t(image.width));
  Put16(out, uint32_t(image.height));
  out.push_back(32);
  out.push_back(0x08);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Color& c = image.at(x, y);
      out.insert(out.end(), {Byte(c.b), Byte(c.g), Byte(c.r), Byte(c.a)});
    }
  }
  return out;
}

namespace {

void PngAppend(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

bool CompressPng(const uint8_t* pixels, int width, int height, int channels, Bytes* out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, PngAppend, PngFlush);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
               channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t stride = size_t(width) * size_t(channels);
  for (int y = 0; y < height; ++y) {
    png_write_row(png, const_cast<png_bytep>(pixels + size_t(y) * stride));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

Bytes EncodePng(const Image& image) {
  std::vector<uint8_t> rgb;
  rgb.reserve(image.pixels.size() * 3);
  for (const Color& c : image.pixels) rgb.insert(rgb.end(), {Byte(c.r), Byte(c.g), Byte(c.b)});
  Bytes out;
  if (!CompressPng(rgb.data(), image.width, image.height, 3, &out)) out.clear();
  return out;
}

Bytes EncodePngRgba(const Image& image) {
  std::vector<uint8_t> rgba;
  rgba.reserve(image.pixels.size() * 4);
  for (const Color& c : image.pixels) {
    rgba.insert(rgba.end(), {Byte(c.r), Byte(c.g), Byte(c.b), Byte(c.a)});
  }
  Bytes out;
  if (!CompressPng(rgba.data(), image.width, image.height, 4, &out)) out.clear();
  return out;
}

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  if (bytes.empty()) {
    std::fprintf(stderr, "contentgen: cannot encode %s\n", path.string().c_str());
    return false;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "contentgen: cannot write %s\n", path.string().c_str());
  return bool(out);
}

}  // namespace solvane::contentgen
