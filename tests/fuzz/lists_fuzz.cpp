// The list files: the input's first byte picks the texture list, the environment list or the
// world list, the rest is that file. The scripts the lists name are small fixed ones, and the
// textures a small JPEG and TGA of the seed corpus' kind.
#include <cstdint>

#include "scene/world_list.h"
#include "tests/fuzz/fuzz_content.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace solvane;
  if (size == 0) return 0;
  const int which = data[0] % 3;
  const fuzz::Bytes list = fuzz::Input(data + 1, size - 1);
  const fuzz::Bytes environments = testing::TextBytes("env e\nfirstpass f.txt\nend\nENV_END\n");
  const fuzz::Bytes script =
      testing::TextBytes("sphere\nbegin a\nradius 10\nend\nps\nbegin\ndens 20\nline\nend\n");
  fuzz::ContentProcess process({{"l.txt", list},
                                {"e.txt", environments},
                                {"f.txt", script},
                                {"w.txt", script},
                                {"m", testing::TriangleMesh()}});
  switch (which) {
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
    fuzz::StepAndDraw(*world->firstPass, 1);
    fuzz::StepAndDraw(world->objects, 1);
  }
  return 0;
}
