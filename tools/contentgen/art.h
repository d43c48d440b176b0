// The pictures. Every function is deterministic: its seeds are fixed inside.
#pragma once

#include <vector>

#include "tools/contentgen/image.h"

namespace solvane::contentgen {

// Sphere maps: longitude across, latitude down, seamless left to right.
Image SunSurface();  // 512 x 256, the photosphere
Image Flash();       // 512 x 256, flaring filaments on black, drawn additively over the surface
Image SkySphere();   // 512 x 512, the star sky

// Additive billboards: each decodes to exact black on its border.
Image Corona(bool outer);      // 512 x 512; the outer one is larger, fainter and streakier
Image StarField(bool second);  // 512 x 512
Image Sprite();                // 64 x 64, a prominence particle

Image GlyphAtlas();   // 256 x 256: digits 0-9, the clock colon, "am", "pm", three blank cells
Image Sign();         // 128 x 128, the loading-screen emblem
Image LoadScene();    // 256 x 256, shown under the emblem
Image ProductName();  // 256 x 128 with alpha: "Solvane"
Image Transparent(int width, int height);

Image Preview(const Image& sun);        // 155 x 115
Image DialogPicture(const Image& sun);  // 263 x 179
// The program's icon at `size` pixels, with alpha.
Image Icon(int size);

// All pictures scaled into equal cells on dark grey, alpha composited.
Image ContactSheet(const std::vector<const Image*>& images);

}  // namespace solvane::contentgen
