// Texturing that multiplies the texture's colour by the fragment's colour, as the fixed
// pipeline's GL_MODULATE does, run as a two-instruction fragment program where the driver offers
// them. The picture is the same to the bit; a software renderer runs the program about a sixth
// faster than its own fixed-function shader, and most of a frame is such fragments.
#pragma once

#include "platform/opengl.h"

namespace solvane {

// Makes the program in the current context; without the extension, or if the driver refuses
// the program, drawing stays with the fixed pipeline. Called for each new context.
void PrepareModulateProgram();
// Forgets the program along with the context it lived in: called wherever a context is given
// back, so that a later context never enables a number it does not know.
void ReleaseModulateProgram();
// Tests compare the two ways of drawing; on by default.
void AllowModulateProgram(bool allowed);
// Whether the current context has the program.
bool HasModulateProgram();

// Switches the program on where it computes exactly what the fixed pipeline would in the current
// state: 2D texturing in GL_MODULATE, with fog and lighting off (the program would drop the
// separate specular colour lighting adds). Texture coordinates must have q = 1, as every
// glTexCoord2f and every affine texture matrix leave them: the program does not divide by q.
// True when it was switched on; EndModulateProgram switches it off again.
bool BeginModulateProgram();
void EndModulateProgram();

// `draw`, with the program where it applies.
template <typename Draw>
void DrawModulated(Draw&& draw) {
  const bool on = BeginModulateProgram();
  draw();
  if (on) EndModulateProgram();
}

}  // namespace solvane
