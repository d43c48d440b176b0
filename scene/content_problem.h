// Why the content could not be loaded as written. A mod comes from strangers: a loader that meets
// something it refuses (a budget exceeded, a file too large, an image it cannot decode) records a
// one-line reason here and goes on with what it can, so that the program either shows the scene
// or says clearly why not.
#pragma once

#include <string>
#include <string_view>

namespace solvane {

// Records `message` (one line, no trailing newline) unless a reason is already recorded: the
// first problem is the one worth telling. An empty message records nothing.
void ReportContentProblem(std::string_view message);
// The first recorded reason; empty while the content loaded as written.
const std::string& ContentProblem();
void ResetContentProblem();

}  // namespace solvane
