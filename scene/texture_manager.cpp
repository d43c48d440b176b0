#include "scene/texture_manager.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

// libjpeg's header needs the standard I/O types declared before it (<cstdio> above).
#include <jpeglib.h>

#include "data/archive_file.h"
#include "data/archive_reader.h"
#include "platform/opengl.h"
#include "platform/platform.h"
#include "scene/content_problem.h"
#include "scene/scene_script.h"

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
  if (file.Open(path) == 1) return true;
  ReportContentProblem(file.problem);
  return false;
}

void ReportImageProblem(const char* path, bool fromResource, int resourceId, const char* reason) {
  char message[320];
  if (fromResource) {
    std::snprintf(message, sizeof(message), "image resource %d: %s", resourceId, reason);
  } else {
    std::snprintf(message, sizeof(message), "%s: %s", path, reason);
  }
  ReportContentProblem(message);
}

// Level 0 and the levels below it, as gluBuild2DMipmaps would store them: the internal format
// is the component count. False (nothing uploaded) when the chain does not fit the image.
bool UploadMipLevels(int components, GLenum format, int width, int height, const uint8_t* pixels,
                     const std::vector<MipLevel>& levels) {
  if (levels.empty() || levels[0].width != std::max(1, width / 2) ||
      levels[0].height != std::max(1, height / 2)) {
    return false;
  }
  glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
  for (size_t i = 0; i < levels.size(); ++i) {
    glTexImage2D(GL_TEXTURE_2D, GLint(i + 1), components, levels[i].width, levels[i].height, 0,
                 format, GL_UNSIGNED_BYTE, levels[i].pixels.data());
  }
  return true;
}

// The same for every texture: a full mipmap chain, trilinear minification until the scene's
// uses say otherwise (NoteTextureUse). Sides that are powers of two get GLU's chain built here
// (or handed over, built ahead on the preparation thread); GLU itself builds the others, which
// it also scales.
uint32_t CreateTexture(int components, GLenum format, int width, int height, const uint8_t* pixels,
                       const std::vector<MipLevel>* prepared = nullptr) {
  GLuint id = 0;
  glGenTextures(1, &id);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, id);
  // Set before the upload: the renderer then allocates the whole chain with level 0, instead of
  // level 0 alone and the chain again once level 1 arrives (twice level 0's size held until
  // the texture is first drawn).
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  const bool uploaded = prepared != nullptr
                            ? UploadMipLevels(components, format, width, height, pixels, *prepared)
                            : UploadMipLevels(components, format, width, height, pixels,
                                              BuildMipLevels(pixels, width, height, components));
  if (!uploaded) {
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return id;
}

// What the scene's images take once decoded, with their mipmap chains, in bytes: the preparation
// thread and the loaders charge it before they allocate an image.
std::atomic<uint64_t> decodedImageBytes{0};

constexpr char kOverBudget[] = "the scene's images would take more than 256 MiB once decoded";
static_assert(kTextureBudget == uint64_t{256} << 20);

bool ChargeDecodedImage(int width, int height, int components) {
  const uint64_t level0 = uint64_t(width) * uint64_t(height) * uint64_t(components);
  const uint64_t bytes = level0 + level0 / 3;  // the chain below adds a third
  const uint64_t before = decodedImageBytes.fetch_add(bytes);
  if (before + bytes <= kTextureBudget) return true;
  decodedImageBytes.fetch_sub(bytes);
  return false;
}

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the
// decoding call, which abandons the image. The message is kept for the content problem; the
// warnings of damaged but decodable data are dropped.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf abandon;
  char message[JMSG_LENGTH_MAX];
};

void AbandonImage(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->abandon, 1);
}
void DropMessage(j_common_ptr) {}
void DropWarning(j_common_ptr, int) {}

// A progressive image may hold any number of scans, each a pass over the whole image; real ones
// have about ten.
constexpr int kMaxJpegScans = 256;
// Multi-scan images keep every coefficient of the image in memory; this is their limit, which
// libjpeg enforces by failing the image.
constexpr long kMaxJpegDecoderMemory = 128L << 20;

void WatchScans(j_common_ptr info) {
  const auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
  if (decoder->input_scan_number > kMaxJpegScans) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    std::snprintf(errors->message, sizeof(errors->message), "more than %d scans", kMaxJpegScans);
    std::longjmp(errors->abandon, 1);
  }
}

// The whole compressed image is in memory: the source hands it over at once. Asked for more, it
// has none: the image is cut short, which abandons it.
void InitSource(j_decompress_ptr) {}
boolean FillInput(j_decompress_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  std::snprintf(errors->message, sizeof(errors->message), "the data ends early");
  std::longjmp(errors->abandon, 1);
}
void SkipInput(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  if (size_t(count) > info->src->bytes_in_buffer) FillInput(info);
  info->src->next_input_byte += count;
  info->src->bytes_in_buffer -= size_t(count);
}
void TermSource(j_decompress_ptr) {}

// The smallest n for which libjpeg's scaling by n/8 during the inverse DCT brings both sides to
// `limit` or less; 1 when even an eighth is too large. Scaling there costs nothing: the full
// image is never made.
unsigned ScaleEighths(unsigned width, unsigned height, unsigned limit) {
  for (unsigned n = 8; n > 1; --n) {
    if ((width * n + 7) / 8 <= limit && (height * n + 7) / 8 <= limit) return n;
  }
  return 1;
}

// One decoded scanline of `components` samples a pixel into RGB: `width` pixels taken at evenly
// spaced columns of its `sourceWidth`. CMYK written by Adobe's programs (the files with an Adobe
// marker) is stored inverted: 255 is no ink.
void ToRgb(const JSAMPLE* line, int components, bool inverted, int width, int sourceWidth,
           uint8_t* out) {
  for (int x = 0; x < width; ++x) {
    const JSAMPLE* p = line + size_t(int64_t(x) * sourceWidth / width) * size_t(components);
    uint8_t* q = out + size_t(x) * 3;
    if (components == 1) {
      q[0] = q[1] = q[2] = p[0];
    } else if (components == 3) {
      q[0] = p[0];
      q[1] = p[1];
      q[2] = p[2];
    } else {
      const unsigned k = inverted ? p[3] : 255u - p[3];
      for (int i = 0; i < 3; ++i) {
        q[i] = uint8_t((inverted ? p[i] : 255u - p[i]) * k / 255u);
      }
    }
  }
}

// Decodes in a function of its own: nothing with a destructor may live across the jump back
// (the image's vector lives in the caller). The sides are checked from the header before
// anything is allocated; what libjpeg allocates goes with jpeg_destroy_decompress.
// `abandon`, when given, is watched between scanlines: a decoding thread that is told to stop
// leaves the image unfinished (false) instead of finishing it for nobody.
bool DecodeJpeg(const uint8_t* data, size_t size, int maxSide, bool charged, Image& image,
                char* reason, size_t reasonSize, const std::atomic<bool>* abandon = nullptr) {
  jpeg_decompress_struct info;
  JpegErrors errors;
  errors.message[0] = '\0';
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = AbandonImage;
  errors.manager.output_message = DropMessage;
  errors.manager.emit_message = DropWarning;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = WatchScans;
  jpeg_source_mgr source{};
  source.init_source = InitSource;
  source.fill_input_buffer = FillInput;
  source.skip_input_data = SkipInput;
  source.resync_to_restart = jpeg_resync_to_restart;
  source.term_source = TermSource;
  source.next_input_byte = data;
  source.bytes_in_buffer = size;

  if (setjmp(errors.abandon) != 0) {
    jpeg_destroy_decompress(&info);
    image.pixels = {};
    std::snprintf(reason, reasonSize, "cannot decode the JPEG image: %s", errors.message);
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMaxJpegDecoderMemory;
  info.progress = &progress;
  info.src = &source;
  jpeg_read_header(&info, TRUE);
  const uint64_t pixels = uint64_t(info.image_width) * info.image_height;
  if (pixels > kMaxJpegPixels) {
    std::snprintf(reason, reasonSize, "a JPEG image of %u x %u pixels is larger than any can be",
                  info.image_width, info.image_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  bool inverted = false;
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      info.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      info.out_color_space = JCS_RGB;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      info.out_color_space = JCS_CMYK;
      inverted = info.saw_Adobe_marker;
      break;
    default:
      std::snprintf(reason, reasonSize, "a JPEG image of %d colour components is not supported",
                    info.num_components);
      jpeg_destroy_decompress(&info);
      return false;
  }
  info.scale_num = ScaleEighths(info.image_width, info.image_height, unsigned(maxSide));
  info.scale_denom = 8;
  jpeg_start_decompress(&info);

  // Even an eighth may be longer than the limit (a side over eight times it): the rest of the
  // way is nearest-neighbour sampling, row by row as the scanlines come.
  const int sourceWidth = int(info.output_width);
  const int sourceHeight = int(info.output_height);
  const int longest = std::max(sourceWidth, sourceHeight);
  int width = sourceWidth;
  int height = sourceHeight;
  if (longest > maxSide) {
    width = std::max(1, int(int64_t(sourceWidth) * maxSide / longest));
    height = std::max(1, int(int64_t(sourceHeight) * maxSide / longest));
  }
  if (charged && !ChargeDecodedImage(width, height, 3)) {
    std::snprintf(reason, reasonSize, "%s", kOverBudget);
    jpeg_destroy_decompress(&info);
    return false;
  }
  image.width = width;
  image.height = height;
  image.rowBytes = width * 3;
  image.pixels.assign(size_t(image.rowBytes) * size_t(height), 0);
  JSAMPARRAY line = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                              JDIMENSION(sourceWidth * info.output_components), 1);
  // Output row y (from the top) is taken from scanline y * sourceHeight / height and goes to
  // row height - 1 - y: OpenGL's first row is the bottom.
  int y = 0;
  while (info.output_scanline < info.output_height) {
    if (abandon != nullptr && abandon->load(std::memory_order_relaxed)) {
      jpeg_destroy_decompress(&info);
      image.pixels = {};
      std::snprintf(reason, reasonSize, "abandoned");
      return false;
    }
    const int scanline = int(info.output_scanline);
    if (jpeg_read_scanlines(&info, line, 1) != 1) break;  // only a suspending source stops
    for (; y < height && int64_t(y) * sourceHeight / height == scanline; ++y) {
      ToRgb(line[0], info.output_components, inverted, width, sourceWidth,
            &image.pixels[size_t(height - 1 - y) * size_t(image.rowBytes)]);
    }
  }
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

std::vector<MipLevel> BuildMipLevels(const uint8_t* pixels, int width, int height, int components) {
  std::vector<MipLevel> levels;
  if (pixels == nullptr || width <= 0 || height <= 0 || components <= 0 ||
      !std::has_single_bit(unsigned(width)) || !std::has_single_bit(unsigned(height))) {
    return levels;
  }
  const size_t group = size_t(components);
  const uint8_t* source = pixels;
  while (width > 1 || height > 1) {
    MipLevel& level = levels.emplace_back();
    level.width = std::max(1, width / 2);
    level.height = std::max(1, height / 2);
    level.pixels.resize(size_t(level.width) * size_t(level.height) * group);
    uint8_t* out = level.pixels.data();
    const size_t row = size_t(width) * group;
    if (width > 1 && height > 1) {
      // GLU rounds the 2 x 2 mean to nearest (halves up).
      for (int y = 0; y < level.height; ++y) {
        const uint8_t* top = source + size_t(2 * y) * row;
        const uint8_t* bottom = top + row;
        for (int x = 0; x < level.width; ++x, top += 2 * group, bottom += 2 * group) {
          for (size_t k = 0; k < group; ++k) {
            *out++ = uint8_t((top[k] + top[k + group] + bottom[k] + bottom[k + group] + 2) / 4);
          }
        }
      }
    } else {
      // One side is 1: the pairs lie along the other one, and GLU truncates their mean.
      const size_t step = width > 1 ? group : row;
      const size_t count = size_t(level.width) * size_t(level.height);
      const uint8_t* p = source;
      for (size_t i = 0; i < count; ++i, p += 2 * step) {
        for (size_t k = 0; k < group; ++k) *out++ = uint8_t((p[k] + p[k + step]) / 2);
      }
    }
    width = level.width;
    height = level.height;
    source = level.pixels.data();
  }
  return levels;
}

namespace {

// An archive JPEG of the texture list, decoded off the main thread.
struct PreparedImage {
  std::string path;  // "textures\" and the name, cut as Texture::path is
  bool done = false;
  bool prepared = false;  // done by the thread, not passed over when it stopped
  bool taken = false;
  bool found = false;  // the archive holds the entry
  Image image;         // no pixels when the entry is missing or cannot be decoded
  std::vector<MipLevel> levels;
  std::vector<std::array<float, 2>> outline;  // ImageOutline of the image
  std::string problem;  // why it cannot be decoded; recorded when the texture is loaded
};

// Toolchains without the standard thread library (mingw-w64's win32 thread model) prepare
// nothing: every image is decoded when its texture loads, as it always was.
#if defined(__GLIBCXX__) && !defined(_GLIBCXX_HAS_GTHREADS)
class TexturePreparation {
 public:
  void Start(std::vector<std::string>, std::span<const uint8_t>, int) {}
  bool Take(const char*, int, PreparedImage&) { return false; }
  void Stop() {}
};
#else
// The preparation thread works through its list in order; Texture::Load takes what it needs.
// Everything the thread reads is fixed before it starts: the archive's bytes (linked into the
// program, held by the platform for as long as the process state lives, or a mod's, which stay
// until the textures are reset and the thread with them), the side limit.
class TexturePreparation {
 public:
  ~TexturePreparation() { Stop(); }

  void Start(std::vector<std::string> names, std::span<const uint8_t> archive, int maxSide) {
    if (thread_.joinable()) return;
    items_.clear();
    for (const std::string& name : names) {
      auto item = std::make_unique<PreparedImage>();
      std::array<char, 32> path{};
      std::snprintf(path.data(), path.size(), "textures\\%s", name.c_str());
      item->path = path.data();
      items_.push_back(std::move(item));
    }
    archive_ = archive;
    maxSide_ = maxSide;
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
  }

  // The prepared image of `path` (waited for), or false when there is none to take: the name
  // was not prepared, was taken before, or the image was decoded for another side limit.
  bool Take(const char* path, int maxSide, PreparedImage& out) {
    std::unique_lock lock(mutex_);
    for (auto& item : items_) {
      if (item->taken || item->path != path) continue;
      // A run asked to end does not wait for an image it will never show.
      while (!ready_.wait_for(lock, std::chrono::milliseconds(20), [&] { return item->done; })) {
        if (LoadingCancelled()) return false;
      }
      item->taken = true;
      if (!item->prepared || maxSide != maxSide_) return false;
      out = std::move(*item);
      return true;
    }
    return false;
  }

  void Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    items_.clear();
  }

 private:
  void Run() {
    for (auto& item : items_) {
      if (stopping_) break;
      PreparedImage result;
      Prepare(item->path, result);
      std::lock_guard lock(mutex_);
      result.path = std::move(item->path);
      result.done = result.prepared = true;
      *item = std::move(result);
      ready_.notify_all();
    }
    // Whatever is left undone is marked so, and a waiting Take goes on without it.
    std::lock_guard lock(mutex_);
    for (auto& item : items_) item->done = true;
    ready_.notify_all();
  }

  // As ArchiveFile::Open and LoadJpegImage do it, without the platform or OpenGL.
  void Prepare(const std::string& path, PreparedImage& result) const {
    ArchiveMemory memory;
    if (!archive_.empty() && archive_.size() <= UINT32_MAX) {
      memory = {archive_.data(), uint32_t(archive_.size()), 0};
    }
    std::array<char, 100> name{};
    std::strncpy(name.data(), path.c_str(), name.size() - 1);
    uint8_t* block = nullptr;
    uint32_t size = 0;
    ArchiveError error = ArchiveError::None;
    if (ArchiveGetFile(&block, &size, name.data(), memory, "", &error) != 1) {
      if (error != ArchiveError::Missing) result.problem = ArchiveErrorText(error);
      return;
    }
    result.found = true;
    char reason[JMSG_LENGTH_MAX + 64];
    if (DecodeJpeg(block, size, maxSide_, true, result.image, reason, sizeof(reason), &stopping_)) {
      const Image& image = result.image;
      if (stopping_) {
        ArchiveFreeBlock(block);
        return;
      }
      result.levels = BuildMipLevels(image.pixels.data(), image.width, image.height, 3);
      result.outline =
          ImageOutline(image.pixels.data(), image.width, image.height, size_t(image.rowBytes), 3);
    } else {
      result.problem = reason;
    }
    ArchiveFreeBlock(block);
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<std::unique_ptr<PreparedImage>> items_;
  std::span<const uint8_t> archive_;
  int maxSide_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};
#endif

TexturePreparation texturePreparation;

}  // namespace

std::string TexturePath(std::string_view name) {
  std::array<char, sizeof(Texture::path)> path{};
  std::snprintf(path.data(), path.size(), "textures\\%.*s", int(name.size()), name.data());
  return path.data();
}

void PrepareTextures(std::vector<std::string> names) {
  // A name listed again shares its first record's image (LoadTextureList): it is decoded once.
  std::set<std::string> seen;
  std::erase_if(names,
                [&](const std::string& name) { return !seen.insert(TexturePath(name)).second; });
  texturePreparation.Start(std::move(names), ContentArchive(), textureSideCap);
}

Texture* FindTexture(std::string_view path) {
  for (Texture* texture : textureManager) {
    if (std::string_view(texture->path.data()) == path) return texture;
  }
  return nullptr;
}

void Texture::Load(const char* name, bool fromResource, int resourceId) {
  path.fill('\0');
  TexturePath(name).copy(path.data(), path.size() - 1);
  const std::string_view ending(name);
  if (EndsWith(ending, "jpg") || EndsWith(ending, "JPG")) {
    PreparedImage prepared;
    if (!fromResource && texturePreparation.Take(path.data(), MaxTextureSide(), prepared)) {
      if (!prepared.problem.empty())
        ReportImageProblem(path.data(), false, 0, prepared.problem.c_str());
      const Image& image = prepared.image;
      if (!image.pixels.empty()) {
        id = CreateTexture(3, GL_RGB, image.width, image.height, image.pixels.data(),
                           &prepared.levels);
        outline = std::move(prepared.outline);  // found by the thread, beside the levels
      }
      return;
    }
    if (LoadingCancelled()) return;
    Image image;
    if (LoadJpegImage(path.data(), image, fromResource, resourceId)) {
      id = CreateTexture(3, GL_RGB, image.width, image.height, image.pixels.data());
      outline =
          ImageOutline(image.pixels.data(), image.width, image.height, size_t(image.rowBytes), 3);
    }
  } else if (EndsWith(ending, "tga") || EndsWith(ending, "TGA")) {
    id = LoadTgaTexture(path.data());
  }
}

int textureSideCap = kMaxTextureSide;

int MaxTextureSide() {
  GLint limit = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
  // Without a current context the query gives nothing: the fixed cap alone holds.
  return std::max(1, limit > 0 ? std::min(int(limit), textureSideCap) : textureSideCap);
}

bool LoadJpegImage(const char* path, Image& image, bool fromResource, int resourceId) {
  ArchiveFile file;
  if (!OpenImageData(file, path, fromResource, resourceId)) return false;
  char reason[JMSG_LENGTH_MAX + 64];
  if (DecodeJpeg(file.data, file.size, MaxTextureSide(), !fromResource, image, reason,
                 sizeof(reason))) {
    return true;
  }
  ReportImageProblem(path, fromResource, resourceId, reason);
  return false;
}

bool ReadTgaImage(const char* path, TgaImage& image, bool fromResource, int resourceId) {
  ArchiveFile file;
  if (!OpenImageData(file, path, fromResource, resourceId)) return false;
  ReadTgaHeader(file, image);
  image.colorMap.clear();
  image.pixels.clear();
  std::vector<uint8_t> skipped(image.idLength);
  file.Read(skipped.data(), image.idLength);

  const auto refuse = [&](const char* reason) {
    ReportImageProblem(path, fromResource, resourceId, reason);
    image.colorMap = {};
    return false;
  };
  const uint8_t type = image.imageType;
  const bool mapped = type == 1 || type == 9;
  if (mapped) {
    if (image.colorMapType != 1 || image.colorMapEntrySize != 24) {
      return refuse("a TGA colour map must have entries of 24 bits");
    }
  } else if (type != 2 && type != 3 && type != 10 && type != 11) {
    return refuse("not a TGA image type this program reads");
  }
  // Refused before anything is allocated: TGA images are not scaled down.
  const int maxSide = MaxTextureSide();
  if (image.width > maxSide || image.height > maxSide) {
    char reason[96];
    std::snprintf(reason, sizeof(reason),
                  "a TGA image of %d x %d pixels is larger than a texture may be (%d x %d)",
                  image.width, image.height, maxSide, maxSide);
    return refuse(reason);
  }
  if (mapped) {
    image.colorMap.resize(size_t(image.colorMapLength) * 3);
    file.Read(image.colorMap.data(), uint32_t(image.colorMap.size()));
  }
  const bool runLength = type >= 9;
  const size_t pixels = size_t(image.width) * image.height;
  // An image that its data cannot possibly hold is damage: a packet of two bytes gives at most
  // 128 pixels, a stored pixel takes at least one byte.
  if (pixels > Remaining(file) * (runLength ? 128 : 1)) {
    return refuse("the TGA image holds fewer pixels than its header says");
  }
  if (!fromResource &&
      !ChargeDecodedImage(image.width, image.height, image.pixelDepth == 32 ? 4 : 3)) {
    return refuse(kOverBudget);
  }

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
      // A content problem like any image that cannot be read: one line, never a box that an
      // idle desktop would wait on.
      ReportImageProblem(path, fromResource, resourceId, "the TGA pixel depth is not supported");
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

// OpenGL holds its own copy after the upload: the decoded pixels are freed, not kept for reuse.
// (Assigning {} would pick the initializer-list overload, which empties a vector but keeps its
// capacity.)
void FreePixels(TgaImage& image) {
  std::vector<uint8_t>().swap(image.pixels);
  std::vector<uint8_t>().swap(image.colorMap);
}

}  // namespace

uint32_t LoadTgaTexture(const char* path) {
  const uint32_t id = ReadTgaImage(path, archiveTga, false, 0) ? CreateTgaTexture(archiveTga) : 0;
  FreePixels(archiveTga);
  return id;
}

uint32_t LoadTgaTextureFromResource(const char*, int resourceId) {
  const uint32_t id =
      ReadTgaImage(nullptr, resourceTga, true, resourceId) ? CreateTgaTexture(resourceTga) : 0;
  FreePixels(resourceTga);
  return id;
}

namespace {
uint32_t lastNotedTexture = 0;

int PowerOfTwoAtMost(int side) {
  int power = 1;
  while (power <= side / 2) power *= 2;
  return power;
}
}  // namespace

const Texture* FindTextureById(uint32_t id) {
  for (const Texture* texture : textureManager) {
    if (texture->id == id) return texture;
  }
  return nullptr;
}

std::vector<std::array<float, 2>> ImageOutline(const uint8_t* pixels, int width, int height,
                                               size_t rowBytes, int components) {
  if (pixels == nullptr || width <= 0 || height <= 0) return {};
  // A coloured texel reaches one texel further under bilinear sampling, and one more where the
  // upload scales the side to a power of two (never below the largest power under it).
  const double marginS = 2.0 / PowerOfTwoAtMost(width);
  const double marginT = 2.0 / PowerOfTwoAtMost(height);
  // The hull of a row's coloured texels is the span between its outermost two, so those are
  // all the polygon needs: the corners of their reach.
  std::vector<std::array<double, 2>> points;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels + size_t(y) * rowBytes;
    int first = -1, last = -1;
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = row + size_t(x) * size_t(components);
      bool coloured = false;
      for (int c = 0; c < components; ++c) coloured = coloured || p[c] != 0;
      if (!coloured) continue;
      if (first < 0) first = x;
      last = x;
    }
    if (first < 0) continue;
    const double t = (y + 0.5) / height;
    for (const int x : {first, last}) {
      const double s = (x + 0.5) / width;
      for (const double ds : {-marginS, marginS}) {
        for (const double dt : {-marginT, marginT}) {
          // Sampling repeats the image: colour this near the border shows on the other side.
          if (s + ds < 0 || s + ds > 1 || t + dt < 0 || t + dt > 1) return {};
          points.push_back({s + ds, t + dt});
        }
      }
    }
  }
  if (points.empty()) return {};
  // Sixteen lines that touch the points' hull from every side, at even angles about the
  // centre; neighbours meet at the corners. Each touches the hull, so none is redundant, and
  // the polygon is convex and holds every point.
  constexpr double kStep = 2 * 3.14159265358979323846 / kOutlineSides;
  std::array<double, kOutlineSides> reach;
  reach.fill(-1e9);
  for (int k = 0; k < kOutlineSides; ++k) {
    const double ux = std::cos(k * kStep), uy = std::sin(k * kStep);
    for (const auto& p : points)
      reach[k] = std::max(reach[k], (p[0] - 0.5) * ux + (p[1] - 0.5) * uy);
  }
  std::vector<std::array<float, 2>> corners;
  for (int k = 0; k < kOutlineSides; ++k) {
    const int n = (k + 1) % kOutlineSides;
    const double a0 = k * kStep, a1 = (k + 1) * kStep;
    const double s = 0.5 + (reach[k] * std::sin(a1) - reach[n] * std::sin(a0)) / std::sin(kStep);
    const double t = 0.5 + (reach[n] * std::cos(a0) - reach[k] * std::cos(a1)) / std::sin(kStep);
    // A corner past the square would draw texels the square never showed.
    if (s < 0 || s > 1 || t < 0 || t > 1) return {};
    corners.push_back({float(s), float(t)});
  }
  return corners;
}

int MinFilter(const Texture& texture) {
  return texture.used && !texture.mayShrink ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
}

void NoteTextureUse(std::optional<uint32_t> own, bool mayShrink) {
  const uint32_t id = own.value_or(lastNotedTexture);
  lastNotedTexture = id;
  const auto found = std::find_if(textureManager.begin(), textureManager.end(),
                                  [id](const Texture* texture) { return texture->id == id; });
  if (id == 0 || found == textureManager.end()) return;
  Texture& texture = **found;
  const int before = MinFilter(texture);
  texture.used = true;
  texture.mayShrink = texture.mayShrink || mayShrink;
  if (MinFilter(texture) == before) return;
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, MinFilter(texture));
  glBindTexture(GL_TEXTURE_2D, GLuint(bound));
}

void ResetTextures() {
  texturePreparation.Stop();
  for (Texture* texture : textureManager) delete texture;
  textureManager.clear();
  decodedImageBytes = 0;
  lastNotedTexture = 0;
  textureSideCap = kMaxTextureSide;
}

}  // namespace solvane
