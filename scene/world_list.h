// Worlds and the environments they sit in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "objects/scene_object.h"

namespace solvane {

struct Environment {
  virtual ~Environment() = default;
  std::string name;      // at most 19 characters
  ObjectList firstPass;  // drawn before the world
  ObjectList postPass;   // drawn after it
};

struct World {
  virtual ~World() = default;
  ObjectList objects;
  const ObjectList* firstPass = nullptr;  // the environment's lists, not owned
  const ObjectList* postPass = nullptr;
  std::string sceneDir;    // at most 49 characters
  std::string name = " ";  // at most 19 characters
  bool system = false;     // lit by a point light at the origin, where the star is
};

// Filled once at start-up, in file order; the records live until the process ends.
using EnvironmentCatalog = std::vector<Environment*>;
using WorldCatalog = std::vector<World*>;

extern EnvironmentCatalog environmentCatalog;
extern WorldCatalog worldCatalog;
extern World* CurrentWorld;

// The first world or environment named exactly `name` (case-sensitive), or null.
World* FindWorld(const WorldCatalog& catalog, std::string_view name);
Environment* FindEnvironment(const EnvironmentCatalog& catalog, std::string_view name);

// Start-up loaders: the texture list, then the environments with their scripts, then the worlds.
// Each reads its file from the content archive up to its end marker, or to the end of the data.
void LoadTextureList(std::string_view fileName, bool reportProgress);
// Starts decoding the images of texture list `fileName` ahead, on a thread of its own, for the
// LoadTextureList that follows: called before the window is made, the decoding runs while the
// window and its renderer start. LoadTextureList starts it itself when nobody did.
void PrepareTextureList(std::string_view fileName);
void LoadEnvironments(EnvironmentCatalog& catalog, std::string_view fileName);
void LoadWorlds(WorldCatalog& worlds, const EnvironmentCatalog& environments,
                std::string_view fileName);

// Empties both catalogues and frees the records and scene objects the loaders made.
void ResetWorldLists();

}  // namespace solvane
