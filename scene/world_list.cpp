#include "scene/world_list.h"

#include <cstdio>
#include <memory>
#include <string>

#include "data/archive_file.h"
#include "objects/particle_system.h"
#include "scene/content_problem.h"
#include "scene/scene_script.h"
#include "scene/script_reader.h"
#include "scene/texture_manager.h"

namespace solvane {

EnvironmentCatalog environmentCatalog;
WorldCatalog worldCatalog;
World* CurrentWorld = nullptr;

namespace {

// The loaded records live here until the process ends (or a test resets it); the catalogues
// only list them, and the run's shutdown empties the lists alone.
std::vector<std::unique_ptr<Environment>> loadedEnvironments;
std::vector<std::unique_ptr<World>> loadedWorlds;

// A world whose environment is missing draws no passes around it.
const ObjectList kNoObjects;

// Records past these counts are left out: the carried lists hold a few dozen textures and a few
// records, and each texture costs a decode, each record a search of the others.
constexpr size_t kMaxTextures = 1'000;
constexpr size_t kMaxRecords = 1'000;

bool WithinCount(size_t count, size_t limit, const char* what, std::string_view fileName) {
  if (count < limit) return true;
  ReportContentProblem(std::string(fileName) + " lists more than " + std::to_string(limit) + " " +
                       what + "; the rest are left out");
  return false;
}

// Reads up to the line that opens the next block (`start`); false at the file's end marker or
// the end of the data. Anything between blocks is passed over.
bool NextBlock(ArchiveFile& file, char* line, const char* start, const char* fileEnd) {
  while (NextLine(file, line)) {
    if (MatchesKeyword(line, fileEnd)) return false;
    if (MatchesKeyword(line, start)) return true;
  }
  return false;
}

}  // namespace

World* FindWorld(const WorldCatalog& catalog, std::string_view name) {
  for (World* world : catalog) {
    if (world->name == name) return world;
  }
  return nullptr;
}

Environment* FindEnvironment(const EnvironmentCatalog& catalog, std::string_view name) {
  for (Environment* environment : catalog) {
    if (environment->name == name) return environment;
  }
  return nullptr;
}

namespace {

// The names of texture list `fileName`, in order, cut at kMaxTextures (reported once, when
// `report`).
std::vector<std::string> TextureListNames(std::string_view fileName, bool report) {
  ArchiveFile file;
  file.OpenText(std::string(fileName).c_str());
  ReportContentProblem(file.problem);
  char line[ArchiveFile::kLineBufferSize];
  std::vector<std::string> names;
  while (NextLine(file, line) && !MatchesKeyword(line, "END_TEXT")) {
    char word[ArchiveFile::kLineBufferSize];
    if (std::sscanf(line, "%127s", word) != 1) continue;
    if (names.size() >= kMaxTextures) {
      if (report) WithinCount(names.size(), kMaxTextures, "textures", fileName);
      break;
    }
    names.emplace_back(word);
  }
  return names;
}

}  // namespace

void PrepareTextureList(std::string_view fileName) {
  PrepareTextures(TextureListNames(fileName, false));
}

void LoadTextureList(std::string_view fileName, bool reportProgress) {
  const std::vector<std::string> names = TextureListNames(fileName, true);
  // Ignored when the list is being prepared already.
  PrepareTextures(names);
  for (const std::string& name : names) {
    if (LoadingCancelled()) break;
    auto* texture = new Texture;
    // Lookups by path only ever find a path's first record: a name listed again shares that
    // record's image instead of decoding and holding it once more.
    if (const Texture* first = FindTexture(TexturePath(name))) {
      *texture = *first;
    } else {
      texture->Load(name.c_str(), false, 0);
    }
    if (reportProgress) ReportLoadProgress();
    textureManager.push_back(texture);
  }
}

void LoadEnvironments(EnvironmentCatalog& catalog, std::string_view fileName) {
  ArchiveFile file;
  file.OpenText(std::string(fileName).c_str());
  ReportContentProblem(file.problem);
  char line[ArchiveFile::kLineBufferSize];
  while (!LoadingCancelled() && NextBlock(file, line, "env", "ENV_END")) {
    if (!WithinCount(catalog.size(), kMaxRecords, "environments", fileName)) break;
    auto* environment = loadedEnvironments.emplace_back(std::make_unique<Environment>()).get();
    environment->name = WordAfter(line, "env", 19);
    while (NextLine(file, line) && !MatchesKeyword(line, "end")) {
      if (MatchesKeyword(line, "firstpass")) {
        LoadScene(environment->firstPass, WordAfter(line, "firstpass", 99));
      }
      if (MatchesKeyword(line, "postpass")) {
        LoadScene(environment->postPass, WordAfter(line, "postpass", 99));
      }
    }
    catalog.push_back(environment);
  }
}

void LoadWorlds(WorldCatalog& worlds, const EnvironmentCatalog& environments,
                std::string_view fileName) {
  ArchiveFile file;
  file.OpenText(std::string(fileName).c_str());
  ReportContentProblem(file.problem);
  char line[ArchiveFile::kLineBufferSize];
  while (!LoadingCancelled() && NextBlock(file, line, "world", "WORLD_END")) {
    if (!WithinCount(worlds.size(), kMaxRecords, "worlds", fileName)) break;
    auto* world = loadedWorlds.emplace_back(std::make_unique<World>()).get();
    world->name = WordAfter(line, "world", 19);
    world->firstPass = &kNoObjects;
    world->postPass = &kNoObjects;
    while (NextLine(file, line) && !MatchesKeyword(line, "end")) {
      if (MatchesKeyword(line, "env")) {
        if (Environment* environment = FindEnvironment(environments, WordAfter(line, "env", 99))) {
          world->firstPass = &environment->firstPass;
          world->postPass = &environment->postPass;
        }
      }
      if (MatchesKeyword(line, "objects"))
        LoadScene(world->objects, WordAfter(line, "objects", 99));
      if (MatchesKeyword(line, "system")) world->system = true;
      if (MatchesKeyword(line, "scenedir")) world->sceneDir = WordAfter(line, "scenedir", 49);
    }
    worlds.push_back(world);
  }
  // The worlds are the last scripts loaded: the scene's whole demand is known now.
  ReportParticleBudget();
}

void ResetWorldLists() {
  worldCatalog.clear();
  environmentCatalog.clear();
  CurrentWorld = nullptr;
  loadedWorlds.clear();
  loadedEnvironments.clear();
  ResetSceneObjects();
}

}  // namespace solvane
