#include "scene/texture_manager.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

// libjpeg's header needs the standard I/O types declared before it (<cstdio> above).
#include <jpeglib.h>

#include "data/archive_file.h"
#include "platform/opengl.h"
#include "platform/platform.h"

namespace solvane {

TextureManager textureManager;

namespace {

bool EndsWith(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

bool OpenImageData(ArchiveFile& file, const char* path, bool fromResource, int resourceId) {
  if (fromResource) {
    file.OpenResource(uint16_t(resourceId));
    return file.data != nullptr;
  }
  return file.Open(path) == 1;
}

// The same for every texture: mipmaps built by GLU (which also scales sides that are not
// powers of two), trilinear minification.
uint32_t CreateTexture(int components, GLenum format, int width, int height,
                       const uint8_t* pixels) {
  GLuint id = 0;
  glGenTextures(1, &id);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, id);
  gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return id;
}

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the
// decoding call, which abandons the image. Messages are never shown.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf abandon;
};

void AbandonImage(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->abandon, 1);
}
void DropMessage(j_common_ptr) {}
void DropWarning(j_common_ptr, int) {}

// The whole compressed image is in memory: the source hands it over at once and has nothing
// more to give, so a truncated image ends with the decoder's own end-of-image handling.
void InitSource(j_decompress_ptr) {}
boolean FillInput(j_decompress_ptr info) {
  // Two bytes of end-of-image marker let the decoder finish a cut image without reading on.
  static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
  info->src->next_input_byte = kEnd;
  info->src->bytes_in_buffer = 2;
  return TRUE;
}
void SkipInput(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  const size_t skip = std::min<size_t>(size_t(count), info->src->bytes_in_buffer);
  info->src->next_input_byte += skip;
  info->src->bytes_in_buffer -= skip;
}
void TermSource(j_decompress_ptr) {}

// Decodes in a function of its own: nothing with a destructor may live across the jump back.
bool DecodeJpeg(const uint8_t* data, size_t size, Image& image) {
  jpeg_decompress_struct info;
  JpegErrors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = AbandonImage;
  errors.manager.output_message = DropMessage;
  errors.manager.emit_message = DropWarning;
  jpeg_source_mgr source{};
  source.init_source = InitSource;
  source.fill_input_buffer = FillInput;
  source.skip_input_data = SkipInput;
  source.resync_to_restart = jpeg_resync_to_restart;
  source.term_source = TermSource;
  source.next_input_byte = data;
  source.bytes_in_buffer = size;

  // Volatile: it changes after setjmp and must keep its value across the jump back.
  std::vector<JSAMPROW>* volatile rows = nullptr;
  if (setjmp(errors.abandon) != 0) {
    delete rows;
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  info.src = &source;
  jpeg_read_header(&info, TRUE);
  if (info.image_width > unsigned(kMaxImageSide) || info.image_height > unsigned(kMaxImageSide)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;  // greyscale too; CMYK and YCCK fail the start instead
  jpeg_start_decompress(&info);
  image.rowBytes = int(info.output_components * info.output_width);
  image.width = int(info.output_width);
  image.height = int(info.output_height);
  image.pixels.assign(size_t(image.rowBytes) * size_t(image.height), 0);
  // Scanline k (from the top) goes to row height - 1 - k: OpenGL's first row is the bottom.
  rows = new std::vector<JSAMPROW>(size_t(image.height));
  for (int k = 0; k < image.height; ++k) {
    (*rows)[size_t(k)] = &image.pixels[size_t(image.height - 1 - k) * size_t(image.rowBytes)];
  }
  while (info.output_scanline < info.output_height) {
    jpeg_read_scanlines(&info, rows->data() + info.output_scanline,
                        info.output_height - info.output_scanline);
  }
  delete rows;
  jpeg_destroy_decompress(&info);
  return true;
}

// Reads the TGA fields of the header at the file's position.
void ReadTgaHeader(ArchiveFile& file, TgaImage& image) {
  uint8_t h[18];
  file.Read(h, sizeof(h));
  const auto u16 = [&](int at) { return uint16_t(h[at] | h[at + 1] << 8); };
  image.idLength = h[0];
  image.colorMapType = h[1];
  image.imageType = h[2];
  image.colorMapFirst = u16(3);
  image.colorMapLength = u16(5);
  image.colorMapEntrySize = h[7];
  image.origin = u16(10);
  image.width = u16(12);
  image.height = u16(14);
  image.pixelDepth = h[16];
  image.imageDescriptor = h[17];
}

size_t Remaining(const ArchiveFile& file) {
  return file.position < file.size ? file.size - file.position : 0;
}

// Format notes: run-length packets start with a byte h; (h & 0x7F) + 1 pixels follow, one value
// repeated when h has bit 0x80, or that many values as stored. `Convert` turns one stored value
// into output bytes. The output never grows past `pixels` values, whatever the packets claim.
template <typename Convert>
void ReadPixels(ArchiveFile& file, bool runLength, size_t pixels, size_t storedBytes,
                size_t outputBytes, std::vector<uint8_t>& out, Convert convert) {
  out.assign(pixels * outputBytes, 0);
  uint8_t value[4] = {};
  for (size_t written = 0; written < pixels && !file.AtEnd();) {
    size_t count = 1;
    bool repeat = false;
    if (runLength) {
      uint8_t header = 0;
      file.Read(&header, 1);
      count = (header & 0x7F) + 1u;
      repeat = (header & 0x80) != 0;
    }
    if (repeat) file.Read(value, uint32_t(storedBytes));
    for (size_t i = 0; i < count && written < pixels; ++i, ++written) {
      if (!repeat) file.Read(value, uint32_t(storedBytes));
      convert(value, &out[written * outputBytes]);
    }
  }
}

}  // namespace

Texture* FindTexture(std::string_view path) {
  for (Texture* texture : textureManager) {
    if (std::string_view(texture->path.data()) == path) return texture;
  }
  return nullptr;
}

void Texture::Load(const char* name, bool fromResource, int resourceId) {
  path.fill('\0');
  std::snprintf(path.data(), path.size(), "textures\\%s", name);
  const std::string_view ending(name);
  if (EndsWith(ending, "jpg") || EndsWith(ending, "JPG")) {
    Image image;
    if (LoadJpegImage(path.data(), image, fromResource, resourceId)) {
      id = CreateTexture(3, GL_RGB, image.width, image.height, image.pixels.data());
    }
  } else if (EndsWith(ending, "tga") || EndsWith(ending, "TGA")) {
    id = LoadTgaTexture(path.data());
  }
}

bool LoadJpegImage(const char* path, Image& image, bool fromResource, int resourceId) {
  ArchiveFile file;
  if (!OpenImageData(file, path, fromResource, resourceId)) return false;
  return DecodeJpeg(file.data, file.size, image);
}

bool ReadTgaImage(const char* path, TgaImage& image, bool fromResource, int resourceId) {
  ArchiveFile file;
  if (!OpenImageData(file, path, fromResource, resourceId)) return false;
  ReadTgaHeader(file, image);
  image.colorMap.clear();
  image.pixels.clear();
  std::vector<uint8_t> skipped(image.idLength);
  file.Read(skipped.data(), image.idLength);

  const uint8_t type = image.imageType;
  const bool mapped = type == 1 || type == 9;
  if (mapped) {
    if (image.colorMapType != 1 || image.colorMapEntrySize != 24) return false;
    image.colorMap.resize(size_t(image.colorMapLength) * 3);
    file.Read(image.colorMap.data(), uint32_t(image.colorMap.size()));
  } else if (type != 2 && type != 3 && type != 10 && type != 11) {
    return false;
  }
  const bool runLength = type >= 9;
  const size_t pixels = size_t(image.width) * image.height;
  // An image that its data cannot possibly hold is damage: a packet of two bytes gives at most
  // 128 pixels, a stored pixel takes at least one byte.
  if (pixels > Remaining(file) * (runLength ? 128 : 1)) return false;

  const auto copy = [](size_t n) {
    return [n](const uint8_t* in, uint8_t* out) { std::memcpy(out, in, n); };
  };
  switch (image.pixelDepth) {
    case 8:
      if (image.colorMapType == 1 && image.colorMapEntrySize == 24) {
        // Indices past the end of the map give black.
        const std::vector<uint8_t>& map = image.colorMap;
        ReadPixels(file, runLength, pixels, 1, 3, image.pixels,
                   [&map](const uint8_t* in, uint8_t* out) {
                     if (size_t(in[0]) * 3 + 3 <= map.size()) std::memcpy(out, &map[in[0] * 3u], 3);
                   });
        image.colorMap.clear();
        image.pixelDepth = 24;
      } else if (type == 3 || type == 11) {
        ReadPixels(file, runLength, pixels, 1, 1, image.pixels, copy(1));
      }
      break;
    case 16:
      ReadPixels(file, runLength, pixels, 2, 3, image.pixels, [](const uint8_t* in, uint8_t* out) {
        const unsigned v = unsigned(in[0] | in[1] << 8);
        out[0] = uint8_t((v & 0x1F) << 3);
        out[1] = uint8_t(((v >> 5) & 0x1F) << 3);
        out[2] = uint8_t(((v >> 10) & 0x1F) << 3);
      });
      image.pixelDepth = 24;
      break;
    case 24:
      ReadPixels(file, runLength, pixels, 3, 3, image.pixels, copy(3));
      break;
    case 32:
      ReadPixels(file, runLength, pixels, 4, 4, image.pixels, copy(4));
      // Stored blue, green, red, alpha; uncompressed images are turned into red first.
      if (!runLength) {
        for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
          std::swap(image.pixels[i], image.pixels[i + 2]);
        }
      }
      break;
    default:
      Host().ShowMessage("Unsupported image depth.", "TGA");
      break;
  }
  return true;
}

namespace {

// The upload follows what the reader produced; an image without pixels makes no texture.
uint32_t CreateTgaTexture(const TgaImage& image) {
  const size_t pixels = size_t(image.width) * image.height;
  if (pixels == 0 || image.pixels.empty()) return 0;
  const size_t components = image.pixels.size() / pixels;
  const GLenum format = components == 4 ? GL_RGBA : components == 3 ? GL_RGB : GL_LUMINANCE;
  return CreateTexture(int(components), format, image.width, image.height, image.pixels.data());
}

TgaImage archiveTga;
TgaImage resourceTga;

}  // namespace

uint32_t LoadTgaTexture(const char* path) {
  if (!ReadTgaImage(path, archiveTga, false, 0)) return 0;
  const uint32_t id = CreateTgaTexture(archiveTga);
  archiveTga.pixels.clear();
  return id;
}

uint32_t LoadTgaTextureFromResource(const char*, int resourceId) {
  if (!ReadTgaImage(nullptr, resourceTga, true, resourceId)) return 0;
  const uint32_t id = CreateTgaTexture(resourceTga);
  resourceTga.pixels.clear();
  return id;
}

void ResetTextures() {
  for (Texture* texture : textureManager) delete texture;
  textureManager.clear();
}

}  // namespace solvane
