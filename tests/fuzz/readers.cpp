#include "tests/fuzz/readers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/application.h"
#include "app/display.h"
#include "app/input.h"
#include "app/settings.h"
#include "app/string_table.h"
#include "camera/camera.h"
#include "data/archive_file.h"
#include "data/archive_reader.h"
#include "objects/mesh_file.h"
#include "objects/scene_object.h"
#include "objects/view.h"
#include "platform/headless/headless_platform.h"
#include "platform/opengl.h"
#include "platform/posix/settings_file.h"
#include "scene/scene_script.h"
#include "scene/texture_manager.h"
#include "scene/world_list.h"
#include "tests/support/content_files.h"
#include "tests/support/test_data.h"

namespace solvane::fuzz {
namespace {

using Input = std::span<const uint8_t>;
using Files = std::vector<std::pair<std::string, Bytes>>;

Bytes Copy(Input input) {
  return Bytes(input.begin(), input.end());
}

std::string_view Text(Input input) {
  return {reinterpret_cast<const char*>(input.data()), input.size()};
}

void DeleteTexture(GLuint id) {
  if (id != 0) glDeleteTextures(1, &id);
}

// The process as a fresh run would find it, with `files` as its content archive and a small
// scene window with its OpenGL context current. Ends (resetting everything) when it goes.
// The platform and its context are made once and kept: a new context for each input would
// spend nearly all the time compiling the renderer's shaders anew.
class ContentProcess {
 public:
  explicit ContentProcess(const Files& files) {
    static HeadlessPlatform* const platform = new HeadlessPlatform();
    static WindowHandle sceneWindow = 0;
    ResetProcessState();
    SetHost(platform);
    UseContentArchive(testing::PackContent(files));
    viewSize.width = kSide;
    viewSize.height = kSide;
    if (sceneWindow == 0)
      sceneWindow = platform->CreateSceneWindow(kSide, kSide, sceneWindowEvents);
    MainWindow = sceneWindow;
  }
  ~ContentProcess() {
    // The context outlives the input: what the input made in it goes with the input.
    for (const Texture* texture : textureManager) DeleteTexture(texture->id);
    ResetProcessState();
  }

  static constexpr int kSide = 48;
};

// A few frames' worth of each object's step and drawing, from the camera's start.
void StepAndDraw(const ObjectList& list, int frames = 2) {
  for (int frame = 0; frame < frames; ++frame) {
    for (SceneObject* object : list) object->Update(0.05);
    for (SceneObject* object : list) object->Draw(camera);
  }
}

// Every entry the archive lists is asked for, plus a few names.
void ReadArchive(Input input) {
  if (input.size() > 1 << 22) return;
  std::vector<ArchiveEntryInfo> entries;
  ListArchive(input, entries);
  std::vector<std::string> names = {"a.bin", "meshes", "textures\\sun.jpg"};
  for (size_t i = 0; i < entries.size() && i < 8; ++i) names.push_back(entries[i].name);
  for (const std::string& name : names) {
    ArchiveMemory memory{input.data(), uint32_t(input.size()), 0};
    uint8_t* block = nullptr;
    uint32_t produced = 0;
    const int result = ArchiveGetFile(&block, &produced, name.c_str(), memory, "");
    if (result == 0 && (block != nullptr || produced != 0)) std::abort();
    if (result == 1 && block == nullptr) std::abort();
    ArchiveFreeBlock(block);
  }
}

// Archives of every kind the packer writes.
std::vector<Bytes> PackedArchives() {
  const std::vector<PackEntry> files = {{"meshes", {}, true},
                                        {"a.bin", testing::TextLike(3000, 1)},
                                        {"textures\\sun.jpg", testing::RandomBytes(500, 2)}};
  const std::vector<PackEntry> audio = {{"a.bin", testing::AudioLike(4000, 3, 4)}};
  const PackOptions options[] = {{},
                                 {.compress = true},
                                 {.compress = true, .solid = true},
                                 {.compress = true, .multimediaChannels = 3},
                                 {.compress = true, .multimediaChannels = 1, .solid = true}};
  std::vector<Bytes> archives;
  for (const PackOptions& option : options) {
    std::string error;
    archives.push_back(PackArchive(option.multimediaChannels ? audio : files, option, error));
  }
  return archives;
}

void ReadCommandLine(Input input) {
  uint32_t parent = 1;
  const RunMode mode = ParseCommandLine(Text(input), parent);
  if (int(mode) < 0 || int(mode) > 3) std::abort();
  // Only the c and p switches carry a window.
  if (parent != 0 && mode != RunMode::Configure && mode != RunMode::Preview) std::abort();
}

void ReadDefaultsText(Input input) {
  ContentProcess process({});
  LoadDefaultsText(input);
  if (defaultsTable.size() > kMaxDefaultsEntries) std::abort();
  for (const DefaultsEntry& entry : defaultsTable) {
    for (char c : entry.key + entry.value) {
      // Blanks, controls and code-page bytes never survive, nor does a comment.
      if (static_cast<signed char>(c) <= 32 || c == ';') std::abort();
    }
  }
  ApplyDefaults(settings);
}

void ReadSettingsFile(Input input) {
  ParseSettingsFile(Text(input));
  // Whatever the file held, written values must read back as written.
  const NamedValue values[] = {{"Width", 1024}, {"Gamma", 0xFFFFFFFF}};
  const SettingsFileContents after = ParseSettingsFile(UpdateSettingsFile(Text(input), values));
  if (after.values.at("width") != 1024 || after.values.at("gamma") != 0xFFFFFFFF) std::abort();
}

// A scene script through the real dispatch into an object list, then a few frames of its
// objects. The archive also holds a one-triangle mesh ("m") for "geometry" and mesh blocks, and
// two textures are registered as the texture list would.
void ReadSceneScript(Input input) {
  ContentProcess process({{"s.txt", Copy(input)}, {"m", testing::TriangleMesh()}});
  for (const auto& [path, id] : {std::pair{"textures\\a.jpg", 1u}, {"textures\\b.tga", 2u}}) {
    auto* texture = new Texture;
    std::strncpy(texture->path.data(), path, texture->path.size() - 1);
    texture->id = id;
    textureManager.push_back(texture);
  }
  ObjectList list;
  LoadScene(list, "s.txt");
  StepAndDraw(list);
}

// The input's first byte picks the texture list, the environment list or the world list, the
// rest is that file. The scripts the lists name are small fixed ones.
void ReadLists(Input input) {
  if (input.empty()) return;
  const Bytes script =
      testing::TextBytes("sphere\nbegin a\nradius 10\nend\nps\nbegin\ndens 20\nline\nend\n");
  ContentProcess process({{"l.txt", Copy(input.subspan(1))},
                          {"e.txt", testing::TextBytes("env e\nfirstpass f.txt\nend\nENV_END\n")},
                          {"f.txt", script},
                          {"w.txt", script},
                          {"m", testing::TriangleMesh()}});
  switch (input[0] % 3) {
    case 0:
      LoadTextureList("l.txt", true);
      break;
    case 1:
      LoadEnvironments(environmentCatalog, "l.txt");
      LoadWorlds(worldCatalog, environmentCatalog, "w.txt");
      break;
    default:
      LoadEnvironments(environmentCatalog, "e.txt");
      LoadWorlds(worldCatalog, environmentCatalog, "l.txt");
      break;
  }
  for (const World* world : worldCatalog) {
    StepAndDraw(*world->firstPass, 1);
    StepAndDraw(world->objects, 1);
  }
}

// The TGA reader, then the upload as an OpenGL texture.
void ReadTga(Input input) {
  ContentProcess process({{"textures\\f.tga", Copy(input)}});
  TgaImage image;
  ReadTgaImage("textures\\f.tga", image, false, 0);
  Texture texture;
  texture.Load("f.tga", false, 0);
  DeleteTexture(texture.id);
}

// The path the texture manager takes: the real decoder, then the upload.
void ReadJpeg(Input input) {
  ContentProcess process({{"textures\\f.jpg", Copy(input)}});
  Texture texture;
  texture.Load("f.jpg", false, 0);
  DeleteTexture(texture.id);
}

// A mesh file read, compiled into a display list (with and without the perturbation), and the
// sphere arrays and atmosphere list built from one.
void ReadMesh(Input input) {
  ContentProcess process({{"m", Copy(input)}});
  const MeshFileData mesh = ReadMeshFile("m", false);
  if (mesh.bytesConsumed > input.size()) std::abort();
  if (mesh.valid &&
      (mesh.positions.size() != mesh.vertexCount || mesh.faces.size() != mesh.faceCount)) {
    std::abort();
  }
  GeometryHolder holder;
  holder.LoadGeometry("m", true);
  LoadSphereArrays("m");
  BuildAtmosphereList("m");
  // The context outlives the input: its lists go with it.
  if (holder.displayList != 0) glDeleteLists(holder.displayList, 1);
  if (AtmosphereList != 0) glDeleteLists(AtmosphereList, 1);
}

// Any text, then the lookups the dialogs make.
void ReadStringTable(Input input) {
  LoadStringTable(input);
  if (stringTable.lines.size() > kMaxStringTableLines) std::abort();
  for (const char* key : {"about_window_text", "ok", "", "#", "a"}) LookupText(key);
  ResetStringTable();
}

// The scene's text files, in the order a whole-scene input holds them between "%%" lines.
constexpr const char* kSceneTexts[] = {"texture.txt",  "env.txt",       "worlds.txt",
                                       "world.txt",    "firstpass.txt", "firstpass2.txt",
                                       "postpass.txt", "out.txt"};

// Every entry of the carried archive but the scene's text files, read once.
const Files& CarriedBinaries() {
  static const Files files = [] {
    HeadlessPlatform platform;
    const Input archive = platform.Resource("CustomData", kContentArchiveResource);
    std::vector<ArchiveEntryInfo> entries;
    ListArchive(archive, entries);
    Files kept;
    for (const ArchiveEntryInfo& entry : entries) {
      if (std::find(std::begin(kSceneTexts), std::end(kSceneTexts), entry.name) !=
              std::end(kSceneTexts) ||
          (entry.flags & 0xE0) == 0xE0) {
        continue;
      }
      ArchiveMemory memory{archive.data(), uint32_t(archive.size()), 0};
      uint8_t* block = nullptr;
      uint32_t size = 0;
      if (ArchiveGetFile(&block, &size, entry.name.c_str(), memory, "") == 1) {
        kept.emplace_back(entry.name, Bytes(block, block + size));
      }
      ArchiveFreeBlock(block);
    }
    return kept;
  }();
  return files;
}

// A whole mod: the input split at lines "%%" into the scene's text files, packed with the
// carried images, meshes and music into a content archive, goes through the full-screen
// start-up, two frames and the shutdown on a fresh headless front end, as solvane-tool render
// and scene dump run it.
void ReadScene(Input input) {
  if (input.size() > 1 << 20) return;
  Files files = CarriedBinaries();
  const std::string marker = "\n%%\n";
  size_t at = 0;
  for (size_t i = 0; i < std::size(kSceneTexts); ++i) {
    // The last text takes the rest; a marker's first newline ends the text before it.
    const auto end = i + 1 == std::size(kSceneTexts) ? input.end()
                                                     : std::search(input.begin() + at, input.end(),
                                                                   marker.begin(), marker.end());
    Bytes text(input.begin() + at, end);
    if (end != input.end()) text.push_back('\n');
    at = end == input.end() ? input.size() : size_t(end - input.begin()) + marker.size();
    files.emplace_back(kSceneTexts[i], std::move(text));
  }

  ResetProcessState();
  HeadlessOptions options;
  options.desktop = {64, 48, 32};
  options.displayModes = {{64, 48, 32}};
  options.maxFrames = 2;
  options.resources[kContentArchiveResource] = testing::PackContent(files);
  HeadlessPlatform platform(std::move(options));
  platform.Store().Set("EnableMusic", 0);
  SetHost(&platform);
  RunApplication(1);
  ResetProcessState();
  SetHost(nullptr);
}

const Reader kReaders[] = {
    {"archive", ReadArchive, 3000, {}, PackedArchives},
    {"command_line", ReadCommandLine, 20000},
    {"defaults_text", ReadDefaultsText, 20000, {"def_settings.txt"}},
    {"settings_file", ReadSettingsFile, 20000},
    {"scene_script",
     ReadSceneScript,
     400,
     {"world.txt", "firstpass.txt", "firstpass2.txt", "postpass.txt", "out.txt"}},
    {"lists", ReadLists, 200},
    {"tga", ReadTga, 600},
    {"jpeg", ReadJpeg, 300},
    {"mesh", ReadMesh, 400},
    {"string_table", ReadStringTable, 20000, {"strings.txt"}},
    {"scene", ReadScene, 20},
};

}  // namespace

const Reader* FindReader(std::string_view name) {
  for (const Reader& reader : kReaders) {
    if (reader.name == name) return &reader;
  }
  return nullptr;
}

}  // namespace solvane::fuzz
