// OpenGL 1.1 and GLU, the core's drawing interface on every front end.
//
// The Windows headers of OpenGL pull in <windows.h> unless the two calling-convention macros
// they need already exist; defining them here keeps the system's headers (and their macros,
// which would rename ordinary identifiers) out of the core.
#pragma once

#if defined(_WIN32) && !defined(_WINDOWS_)
#ifndef APIENTRY
#define APIENTRY __stdcall
#define SOLVANE_DEFINED_APIENTRY
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#define SOLVANE_DEFINED_WINGDIAPI
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#define SOLVANE_DEFINED_CALLBACK
#endif
#endif

#include <GL/gl.h>
#include <GL/glu.h>

#ifdef SOLVANE_DEFINED_APIENTRY
#undef APIENTRY
#undef SOLVANE_DEFINED_APIENTRY
#endif
#ifdef SOLVANE_DEFINED_WINGDIAPI
#undef WINGDIAPI
#undef SOLVANE_DEFINED_WINGDIAPI
#endif
#ifdef SOLVANE_DEFINED_CALLBACK
#undef CALLBACK
#undef SOLVANE_DEFINED_CALLBACK
#endif

// Windows' own header stops at OpenGL 1.1; drivers take the 1.2 light-model enums all the same.
#ifndef GL_LIGHT_MODEL_COLOR_CONTROL
#define GL_LIGHT_MODEL_COLOR_CONTROL 0x81F8
#endif
#ifndef GL_SEPARATE_SPECULAR_COLOR
#define GL_SEPARATE_SPECULAR_COLOR 0x81FA
#endif
