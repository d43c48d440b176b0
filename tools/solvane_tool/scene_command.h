#pragma once

namespace solvane {

// solvane-tool scene dump [--content ARCHIVE]; argv starts after "scene".
int SceneCommand(int argc, char** argv);

}  // namespace solvane
