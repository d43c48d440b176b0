// Scene scripts: one block per object, in drawing order. LoadScene reads a script and hands
// each block to the parser of its type; the parsers share the frame declared here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "data/archive_file.h"
#include "objects/scene_object.h"

namespace solvane {

// The script being read. The dispatcher and the type parsers take turns on it.
extern ArchiveFile SceneFile;

// Parse-time state of one script, reset when a script starts; read by the sphere parser.
extern float FlashPhaseCounter;  // phase of the next "flash" sphere
extern float MoonScale;          // speed factor of the next "moon" sphere
extern bool CarriedTgaFlag;      // alpha flag of the last textured sphere

// What a scene may ask of start-up, far beyond any real scene (the carried one has a few dozen
// objects in eight scripts of a few KB): past a budget, loading records a content problem and
// leaves the rest out, so that a mod cannot make start-up take minutes or the machine's memory.
inline constexpr size_t kMaxSceneObjects = 10'000;
inline constexpr int64_t kMaxSceneFileLoads = 1'000;  // scripts and "geometry" meshes
inline constexpr int64_t kMaxSceneScriptBytes = 16 << 20;

// Reads the scene script `fileName` and appends its objects to `list`, sending one load
// progress report per object and per "geometry" line.
void LoadScene(ObjectList& list, std::string_view fileName);

// One step of the loading screen: the main window redraws it before loading goes on.
void ReportLoadProgress();
// The run was asked to end while loading: the loaders stop where they are.
bool LoadingCancelled();

// The parser frame, in three steps. First: skips to the line that opens the block (the lines
// passed over are lost, another type line among them); false when the data ends first.
bool ReadBlockBegin(char* line);
// The name a "begin" line gives, cut to an object name's size; empty for a bare "begin".
std::string BlockName(const char* beginLine);

bool NextBlockLine(char* line);
bool EndsBlock(const char* line);

// Then: every line up to and including the closing "end" goes through `apply`, which may read
// further lines by position into `line` (with NextBlockLine); the block ends when the last line
// read begins with "end", or at the end of the data.
template <typename Apply>
void ForEachBlockLine(char* line, Apply&& apply) {
  do {
    if (!NextBlockLine(line)) return;
    apply(line);
  } while (!EndsBlock(line));
}
// Last: the finished object goes to the end of the list, and the scene keeps it alive.
void AppendObject(ObjectList& list, std::unique_ptr<SceneObject> object);

// The shared "texture %s" line (or another keyword's, such as a mesh material's "\tmap1"): the
// object takes the texture and counts as textured.
void ApplyTextureLine(SceneObject& object, const char* line, const char* keyword = "texture");
// The shared "parent %s ..." line: `parent` becomes the object the word names in `list`; a word
// that names nothing leaves it as it was.
void ApplyParentLine(SceneObject*& parent, const ObjectList& list, const char* line);

// The frame every type parser shares: the object starts with its type's defaults; lines up to
// "begin" are skipped; types with a BeginBlock step take what they need from the begin line (a
// name, the current geometry); every line of the block then goes through ApplyLine; the object
// is appended at the end of `list` even when the data ended inside the block.
template <typename Object>
void ParseObject(ObjectList& list) {
  auto object = std::make_unique<Object>();
  char line[ArchiveFile::kLineBufferSize];
  if (ReadBlockBegin(line)) {
    if constexpr (requires { object->BeginBlock(line); }) object->BeginBlock(line);
    ForEachBlockLine(line, [&](char* current) { object->ApplyLine(current, list); });
  }
  AppendObject(list, std::move(object));
}

// Frees every object the scripts made (the lists that held them must be emptied first).
void ResetSceneObjects();

}  // namespace solvane
