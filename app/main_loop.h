// The main loop of the full-screen run and the drawing of one frame.
#pragma once

#include <cstdint>

#include "objects/scene_object.h"

namespace solvane {

struct FrameClock {
  double secondsPerTick = 0;
  uint64_t lastTick = 0;  // end of the previous time measurement
  double frameTime = 0;   // the current frame's time step in seconds, unbounded either way
  uint64_t fpsStartTick = 0;
  int32_t frameCount = 0;  // frames completed since fpsStartTick
  int32_t shownFps = 0;    // frames of the last completed interval; 0 until one completes
};

extern FrameClock frameClock;

// Copies of the current world's lists, refreshed every frame.
extern ObjectList FirstPassList;
extern ObjectList WorldList;
extern ObjectList PostPassList;

// The camera's time scale: the camera-speed setting, 50 giving 1.5.
extern float cameraSpeedFactor;
float CameraSpeedFactor(int32_t cameraSpeed);

// Keeps frames at least 1 / maxFps apart by sleeping after each one, so that a capped run does
// not keep the processor busy. The schedule advances by whole periods, so the average rate
// meets the cap even when the system wakes a sleeper late.
struct FramePacer {
  double period = 0;  // seconds; 0 for no cap
  uint64_t nextFrame = 0;
  void Start(int32_t maxFps);
  void Wait();  // after a frame is presented
};

// Handles messages and draws frames until a quit message arrives or an exit condition was met
// (which still lets that iteration draw and present its frame).
void RunMainLoop();

// Draws one frame without presenting it. A further view of the same frame passes false: the
// frame counter counts frames, not views.
void RenderFrame(bool countFrame = true);

// Calls `draw` for every view that wants a frame now, with the scene projected for that view's
// size, and presents each: `first` is true for the first one drawn.
void DrawViews(void (*draw)(bool first));

}  // namespace solvane
