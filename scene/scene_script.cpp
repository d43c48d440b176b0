#include "scene/scene_script.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "objects/billboard.h"
#include "objects/flame.h"
#include "objects/lens_flare.h"
#include "objects/mesh.h"
#include "objects/mesh_file.h"
#include "objects/particle_system.h"
#include "objects/sphere.h"
#include "objects/view.h"
#include "platform/platform.h"
#include "scene/content_problem.h"
#include "scene/script_reader.h"
#include "scene/texture_manager.h"

namespace solvane {

ArchiveFile SceneFile;
float FlashPhaseCounter = 0;
float MoonScale = 1;
bool CarriedTgaFlag = false;

namespace {

// The scene's objects live here until the process ends (or a test resets it); the lists only
// point at them.
std::vector<std::unique_ptr<SceneObject>> loadedObjects;

// What loading has cost so far, against the budgets of scene_script.h.
struct LoadBudget {
  int64_t fileLoads = 0;
  int64_t scriptBytes = 0;
};
LoadBudget loadBudget;

using TypeParser = void (*)(ObjectList&);

struct TypeKeyword {
  const char* keyword;
  TypeParser parse;
};

// Tested in this order: any line that begins with "ps" is a particle system.
constexpr TypeKeyword kTypeKeywords[] = {
    {"sphere", ParseSphere}, {"billboard", ParseBillboard}, {"flare", ParseLensFlare},
    {"mesh", ParseMesh},     {"flame", ParseFlame},         {"ps", ParseParticleSystem},
};

TypeParser TypeOf(const char* line) {
  for (const TypeKeyword& type : kTypeKeywords) {
    if (MatchesKeyword(line, type.keyword)) return type.parse;
  }
  return nullptr;
}

// Counts one more file load (a script, or a "geometry" line's mesh); false past the budget.
bool ChargeFileLoad() {
  if (++loadBudget.fileLoads <= kMaxSceneFileLoads) return true;
  ReportContentProblem("the scene loads more than " + std::to_string(kMaxSceneFileLoads) +
                       " scripts and meshes");
  return false;
}

}  // namespace

void ReportLoadProgress() {
  Host().SendLoadProgress(MainWindow);
}

bool LoadingCancelled() {
  return Host().QuitRequested();
}

void LoadScene(ObjectList& list, std::string_view fileName) {
  FlashPhaseCounter = 0;
  MoonScale = 1;
  CarriedTgaFlag = false;
  // The lists may name one script many times, each load parsing it again: what they may ask
  // for in all is bounded, as each file is.
  if (!ChargeFileLoad()) return;
  SceneFile.OpenText(std::string(fileName).c_str());
  ReportContentProblem(SceneFile.problem);
  loadBudget.scriptBytes += SceneFile.size;
  if (loadBudget.scriptBytes > kMaxSceneScriptBytes) {
    ReportContentProblem("the scene's scripts hold more than " +
                         std::to_string(kMaxSceneScriptBytes) + " bytes in all");
    SceneFile.Release();
    return;
  }

  char line[ArchiveFile::kLineBufferSize];
  while (!LoadingCancelled() && NextLine(SceneFile, line)) {
    if (const TypeParser parse = TypeOf(line)) {
      parse(list);
      ReportLoadProgress();
    } else if (MatchesKeyword(line, "ENDWORLD")) {
      break;
    } else if (MatchesKeyword(line, "geometry")) {
      // The word buffer holds 31 characters; a longer path is cut there.
      if (!ChargeFileLoad()) continue;
      char word[32] = {};
      std::sscanf(line, "geometry %31s", word);
      ReportContentProblem(SceneGeometryMesh.LoadGeometry(word, false));
      ReportLoadProgress();
    }
  }
  SceneFile.Release();
}

bool ReadBlockBegin(char* line) {
  while (NextLine(SceneFile, line)) {
    if (MatchesKeyword(line, "begin")) return true;
  }
  return false;
}

std::string BlockName(const char* beginLine) {
  return WordAfter(beginLine, "begin", SceneObject::kMaxNameLength);
}

bool NextBlockLine(char* line) {
  return NextLine(SceneFile, line);
}

bool EndsBlock(const char* line) {
  return MatchesKeyword(line, "end");
}

void AppendObject(ObjectList& list, std::unique_ptr<SceneObject> object) {
  if (loadedObjects.size() >= kMaxSceneObjects) {
    ReportContentProblem("the scene has more than " + std::to_string(kMaxSceneObjects) +
                         " objects; the rest are left out");
    return;
  }
  NoteTextureUse(object->hasTexture ? std::optional(object->texture) : std::nullopt,
                 object->TextureMayShrink());
  list.push_back(object.get());
  loadedObjects.push_back(std::move(object));
}

void ApplyTextureLine(SceneObject& object, const char* line, const char* keyword) {
  object.SetTexture(WordAfter(line, keyword, kWordLimit));
  object.hasTexture = true;
}

void ApplyParentLine(SceneObject*& parent, const ObjectList& list, const char* line) {
  const std::string word = WordAfter(line, "parent", kWordLimit);
  if (word.empty()) return;
  if (SceneObject* found = FindObjectByName(list, word)) parent = found;
}

void ResetSceneObjects() {
  loadedObjects.clear();
  loadBudget = {};
  ResetParticleBudget();
}

}  // namespace solvane
