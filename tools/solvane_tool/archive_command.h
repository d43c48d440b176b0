#pragma once

namespace solvane {

// solvane-tool archive list|extract|pack ...; argv starts after "archive".
int ArchiveCommand(int argc, char** argv);

}  // namespace solvane
