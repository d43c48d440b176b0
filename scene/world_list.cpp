#include "scene/world_list.h"

namespace solvane {

EnvironmentCatalog environmentCatalog;
WorldCatalog worldCatalog;
World* CurrentWorld = nullptr;

World* FindWorld(const WorldCatalog& catalog, std::string_view name) {
  for (World* world : catalog) {
    if (world->name == name) return world;
  }
  return nullptr;
}

// The list files live in the content archive; until the program carries one, nothing is
// loaded and the catalogues stay empty.
void LoadTextureList(std::string_view, bool) {}
void LoadEnvironments(EnvironmentCatalog&, std::string_view) {}
void LoadWorlds(WorldCatalog&, const EnvironmentCatalog&, std::string_view) {}

}  // namespace solvane
