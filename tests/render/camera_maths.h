// The fixed camera worked out independently of the code under test: where a point lands in the 512 x 512 view.
#pragma once

#include <array>

struct Vec3 {
    double x, y, z;
};

// Window coordinates in pixels as glReadPixels counts them: x from the left, y from the bottom.
struct ScreenPoint {
    double x, y;
};

// The world angle after `elapsedMs` since the clock started: one whole degree per 15 ms.
double worldAngleAt(unsigned elapsedMs);

// Turned about the vertical axis by `degrees`, counter-clockwise seen from above, as glRotatef(degrees, 0, 1, 0).
Vec3 turnedAboutY(Vec3 p, double degrees);

// A point of the turning world (the ground's own frame) in the frame the camera sets up.
Vec3 worldToCamera(Vec3 p, double degrees);

// A point in the camera's frame (before the view transform) projected into the window.
ScreenPoint project(Vec3 p);

// The screen point showing overlay texture coordinate (s, t).
ScreenPoint overlayPoint(double s, double t);

// Where the line of sight through a camera-frame point meets the ground plane at height -50, in the ground's
// own turned frame (x, z; y is 0). False when the ray never reaches the plane.
bool groundBehind(Vec3 p, double degrees, Vec3 &onGround);

bool onScreen(ScreenPoint p, double margin);

enum class Side { inside, outside, onEdge };

// Which side of a convex screen quadrilateral a point lies on; within `margin` pixels of an edge is onEdge.
Side sideOf(const std::array<ScreenPoint, 4> &quad, ScreenPoint p, double margin);

// The ground square (+-100, 0, +-100) of the world turned by `degrees`, on screen.
std::array<ScreenPoint, 4> groundOnScreen(double degrees);
