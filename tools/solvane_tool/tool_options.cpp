#include "tools/solvane_tool/tool_options.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/mod_content.h"
#include "data/archive_file.h"

namespace solvane {

int ToolUsage() {
  std::fputs(
      "usage: solvane-tool <command> [options] | solvane-tool --version\n"
      "  parse-cmdline TEXT       the run mode and window a command line selects\n"
      "  settings [--desktop WxHxB]\n"
      "                           the settings a run would use, then the defaults\n"
      "  render --out FILE.png [--size WxH] [--frames N] [--dt SECONDS] [--seed S]\n"
      "         [--clock HH:MM:SS] [--set Name=Value]... [--content ARCHIVE]\n"
      "                           runs the full-screen saver off screen; writes its last frame\n"
      "                           (the clock shows 12:34:56 unless --clock says otherwise;\n"
      "                           --frames 0 writes the loading screen)\n"
      "  scene dump [--content ARCHIVE]\n"
      "                           loads the scene as the full-screen start-up does and prints\n"
      "                           its textures, meshes, environments and worlds as JSON\n"
      "  mesh info NAME [--content ARCHIVE]\n"
      "                           vertex, face and texture counts of a mesh file, and the\n"
      "                           bytes read\n"
      "  strings lookup KEY | strings about\n"
      "                           a text of the dialogs' string table; the About lines\n"
      "  archive list|extract|pack ...\n"
      "                           content archives (solvane-tool archive for details)\n",
      stderr);
  return kUsageError;
}

int ReadContentOption(int argc, char** argv, HeadlessOptions& options) {
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--content") != 0 || i + 1 >= argc) return ToolUsage();
    if (!ReadContentFile(argv[++i], options)) return 1;
  }
  return 0;
}

bool ReadContentFile(const char* path, HeadlessOptions& options) {
  // The saver's own checks: a mod the saver would refuse is refused here in the same words.
  std::vector<uint8_t> bytes;
  if (const std::string reason = ReadModArchive(path, bytes); !reason.empty()) {
    std::fprintf(stderr, "solvane-tool: %s\n", reason.c_str());
    return false;
  }
  options.resources[kContentArchiveResource] = std::move(bytes);
  return true;
}

}  // namespace solvane
