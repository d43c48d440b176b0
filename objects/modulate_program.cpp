#include "objects/modulate_program.h"

#include <cstring>
#include <string_view>

#include "platform/platform.h"

#ifndef GL_FRAGMENT_PROGRAM_ARB
#define GL_FRAGMENT_PROGRAM_ARB 0x8804
#endif
#ifndef GL_PROGRAM_FORMAT_ASCII_ARB
#define GL_PROGRAM_FORMAT_ASCII_ARB 0x8875
#endif
#ifndef GL_PROGRAM_ERROR_POSITION_ARB
#define GL_PROGRAM_ERROR_POSITION_ARB 0x864B
#endif

#if defined(_WIN32)
#define SOLVANE_GL_CALL __stdcall
#else
#define SOLVANE_GL_CALL
#endif

namespace solvane {

namespace {

using GenProgramsFunction = void(SOLVANE_GL_CALL*)(GLsizei, GLuint*);
using BindProgramFunction = void(SOLVANE_GL_CALL*)(GLenum, GLuint);
using ProgramStringFunction = void(SOLVANE_GL_CALL*)(GLenum, GLenum, GLsizei, const void*);
using DeleteProgramsFunction = void(SOLVANE_GL_CALL*)(GLsizei, const GLuint*);

// The fixed pipeline's texture stage for GL_MODULATE, less its division by q.
constexpr char kModulateSource[] =
    "!!ARBfp1.0\n"
    "TEMP texel;\n"
    "TEX texel, fragment.texcoord[0], texture[0], 2D;\n"
    "MUL result.color, texel, fragment.color;\n"
    "END\n";

struct ModulateProgram {
  BindProgramFunction bind = nullptr;
  GLuint id = 0;
  bool allowed = true;
};

ModulateProgram program;

bool HasExtension(std::string_view name) {
  const auto* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (list == nullptr) return false;
  // Names are whole words of a space-separated list: one may be the prefix of another.
  for (std::string_view rest(list); !rest.empty();) {
    const size_t end = rest.find(' ');
    if (rest.substr(0, end) == name) return true;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return false;
}

// Takes the errors already recorded, so that the program's own can be told apart; a broken
// context that reports errors without end is not waited on.
void ClearGLErrors() {
  for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

template <typename Function>
Function Lookup(const char* name) {
  return reinterpret_cast<Function>(Host().GLFunction(name));
}

}  // namespace

void PrepareModulateProgram() {
  const bool allowed = program.allowed;
  program = {};
  program.allowed = allowed;
  if (!HasExtension("GL_ARB_fragment_program")) return;
  const auto gen = Lookup<GenProgramsFunction>("glGenProgramsARB");
  const auto bind = Lookup<BindProgramFunction>("glBindProgramARB");
  const auto source = Lookup<ProgramStringFunction>("glProgramStringARB");
  const auto remove = Lookup<DeleteProgramsFunction>("glDeleteProgramsARB");
  if (gen == nullptr || bind == nullptr || source == nullptr || remove == nullptr) {
    return;
  }
  ClearGLErrors();
  GLuint id = 0;
  gen(1, &id);
  bind(GL_FRAGMENT_PROGRAM_ARB, id);
  source(GL_FRAGMENT_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB, GLsizei(sizeof kModulateSource - 1),
         kModulateSource);
  GLint errorAt = 0;
  glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &errorAt);
  if (id == 0 || errorAt != -1 || glGetError() != GL_NO_ERROR) {
    if (id != 0) remove(1, &id);
    ClearGLErrors();
    return;
  }
  program.bind = bind;
  program.id = id;
}

void ReleaseModulateProgram() {
  const bool allowed = program.allowed;
  program = {};
  program.allowed = allowed;
}

void AllowModulateProgram(bool allowed) {
  program.allowed = allowed;
}

bool HasModulateProgram() {
  return program.id != 0;
}

bool BeginModulateProgram() {
  if (!program.allowed || program.id == 0) return false;
  if (!glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_FOG)) {
    return false;
  }
  GLint mode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  if (mode != GL_MODULATE) return false;
  program.bind(GL_FRAGMENT_PROGRAM_ARB, program.id);
  glEnable(GL_FRAGMENT_PROGRAM_ARB);
  return true;
}

void EndModulateProgram() {
  glDisable(GL_FRAGMENT_PROGRAM_ARB);
}

}  // namespace solvane
