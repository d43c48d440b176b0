#include "camera/camera.h"

#include "platform/opengl.h"

namespace solvane {

Camera camera;

// The camera holds still until its flight path exists.
void Camera::StartFlight() {}
void Camera::UpdateFlight(double) {}

void Camera::ApplyView() const {
  gluLookAt(eye.x, eye.y, eye.z, double{eye.x} + look.x, double{eye.y} + look.y,
            double{eye.z} + look.z, up.x, up.y, up.z);
}

}  // namespace solvane
