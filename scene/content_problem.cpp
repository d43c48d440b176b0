#include "scene/content_problem.h"

namespace solvane {

namespace {
std::string firstProblem;
}  // namespace

void ReportContentProblem(std::string_view message) {
  if (firstProblem.empty()) firstProblem = message;
}

const std::string& ContentProblem() {
  return firstProblem;
}

void ResetContentProblem() {
  firstProblem.clear();
}

}  // namespace solvane
