#include "scene/world_list.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/display.h"
#include "data/archive_file.h"
#include "platform/platform.h"
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

// Keywords match by prefix over their own length, case-sensitively.
bool StartsWith(const char* line, const char* keyword) {
  return std::strncmp(line, keyword, std::strlen(keyword)) == 0;
}

// The word after `keyword` (the way "keyword %s" reads it), cut to `limit` characters.
std::string WordAfter(const char* line, const char* keyword, size_t limit) {
  char word[ArchiveFile::kLineBufferSize] = {};
  const std::string format = std::string(keyword) + " %127s";
  if (std::sscanf(line, format.c_str(), word) != 1) return {};
  return std::string(word).substr(0, limit);
}

// The next line, or false once the data is used up: files without their end marker stop there.
bool NextLine(ArchiveFile& file, char* line) {
  if (file.position >= file.size) {
    line[0] = '\0';
    return false;
  }
  file.ReadLine(line);
  return true;
}

void ReportProgress() {
  Host().SendLoadProgress(MainWindow);
}

// Reads up to the line that opens the next block (`start`); false at the file's end marker or
// the end of the data. Anything between blocks is passed over.
bool NextBlock(ArchiveFile& file, char* line, const char* start, const char* fileEnd) {
  while (NextLine(file, line)) {
    if (StartsWith(line, fileEnd)) return false;
    if (StartsWith(line, start)) return true;
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

void LoadTextureList(std::string_view fileName, bool reportProgress) {
  ArchiveFile file;
  file.Open(std::string(fileName).c_str());
  char line[ArchiveFile::kLineBufferSize];
  while (NextLine(file, line) && !StartsWith(line, "END_TEXT")) {
    char word[ArchiveFile::kLineBufferSize];
    if (std::sscanf(line, "%127s", word) != 1) continue;
    auto* texture = new Texture;
    texture->Load(word, false, 0);
    if (reportProgress) ReportProgress();
    textureManager.push_back(texture);
  }
}

void LoadEnvironments(EnvironmentCatalog& catalog, std::string_view fileName) {
  ArchiveFile file;
  file.Open(std::string(fileName).c_str());
  char line[ArchiveFile::kLineBufferSize];
  while (NextBlock(file, line, "env", "ENV_END")) {
    auto* environment = loadedEnvironments.emplace_back(std::make_unique<Environment>()).get();
    environment->name = WordAfter(line, "env", 19);
    while (NextLine(file, line) && !StartsWith(line, "end")) {
      if (StartsWith(line, "firstpass")) {
        LoadScene(environment->firstPass, WordAfter(line, "firstpass", 99));
      }
      if (StartsWith(line, "postpass")) {
        LoadScene(environment->postPass, WordAfter(line, "postpass", 99));
      }
    }
    catalog.push_back(environment);
  }
}

void LoadWorlds(WorldCatalog& worlds, const EnvironmentCatalog& environments,
                std::string_view fileName) {
  ArchiveFile file;
  file.Open(std::string(fileName).c_str());
  char line[ArchiveFile::kLineBufferSize];
  while (NextBlock(file, line, "world", "WORLD_END")) {
    auto* world = loadedWorlds.emplace_back(std::make_unique<World>()).get();
    world->name = WordAfter(line, "world", 19);
    world->firstPass = &kNoObjects;
    world->postPass = &kNoObjects;
    while (NextLine(file, line) && !StartsWith(line, "end")) {
      if (StartsWith(line, "env")) {
        if (Environment* environment = FindEnvironment(environments, WordAfter(line, "env", 99))) {
          world->firstPass = &environment->firstPass;
          world->postPass = &environment->postPass;
        }
      }
      if (StartsWith(line, "objects")) LoadScene(world->objects, WordAfter(line, "objects", 99));
      if (StartsWith(line, "system")) world->system = true;
      if (StartsWith(line, "scenedir")) world->sceneDir = WordAfter(line, "scenedir", 49);
    }
    worlds.push_back(world);
  }
}

// Scene scripts create their objects through the object types' parsers; until those exist a
// script adds nothing.
void LoadScene(ObjectList&, std::string_view) {}

void ResetWorldLists() {
  worldCatalog.clear();
  environmentCatalog.clear();
  CurrentWorld = nullptr;
  loadedWorlds.clear();
  loadedEnvironments.clear();
}

}  // namespace solvane
