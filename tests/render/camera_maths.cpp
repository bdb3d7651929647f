// Camera maths for the render tests, kept apart from GLU: look-at basis, perspective divide, viewport.
#include "tests/render/camera_maths.h"

#include <cmath>

namespace {

const double pi = 3.14159265358979323846;
const Vec3 eye = {175.0, 275.0, 175.0};
const Vec3 centre = {0.0, 50.0, 0.0};
const double viewportSize = 512.0;
// cot(fovy / 2) for a 45-degree vertical field of view; the aspect is 1.
const double focal = 1.0 / std::tan(22.5 * pi / 180.0);
// The overlay's anchor in the camera frame and its half-size.
const Vec3 overlayAnchor = {162.5, 259.0, 162.5};
const double overlayHalf = 10.0;

Vec3 minus(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 unit(Vec3 a)
{
    const double l = std::sqrt(dot(a, a));
    return {a.x / l, a.y / l, a.z / l};
}

struct Basis {
    Vec3 side, up, forward;
};

Basis viewBasis()
{
    const Vec3 forward = unit(minus(centre, eye));
    const Vec3 side = unit(cross(forward, {0.0, 1.0, 0.0}));
    return {side, cross(side, forward), forward};
}

// Eye space: x right, y up, the viewer looking down -z.
Vec3 toEye(Vec3 p)
{
    const Basis b = viewBasis();
    const Vec3 d = minus(p, eye);
    return {dot(b.side, d), dot(b.up, d), -dot(b.forward, d)};
}

ScreenPoint eyeToScreen(Vec3 e)
{
    return {(focal * e.x / -e.z + 1.0) * viewportSize / 2.0, (focal * e.y / -e.z + 1.0) * viewportSize / 2.0};
}

}  // namespace

double worldAngleAt(unsigned elapsedMs) { return static_cast<double>(elapsedMs / 15u); }

Vec3 turnedAboutY(Vec3 p, double degrees)
{
    const double r = degrees * pi / 180.0;
    return {p.x * std::cos(r) + p.z * std::sin(r), p.y, -p.x * std::sin(r) + p.z * std::cos(r)};
}

Vec3 worldToCamera(Vec3 p, double degrees) { return turnedAboutY({p.x, p.y - 50.0, p.z}, degrees); }

ScreenPoint project(Vec3 p) { return eyeToScreen(toEye(p)); }

ScreenPoint overlayPoint(double s, double t)
{
    const Vec3 a = toEye(overlayAnchor);
    return eyeToScreen({a.x - overlayHalf + 2.0 * overlayHalf * s, a.y - overlayHalf + 2.0 * overlayHalf * t, a.z});
}

bool groundBehind(Vec3 p, double degrees, Vec3 &onGround)
{
    const double groundY = -50.0;
    if (p.y >= eye.y) return false;
    const double t = (groundY - eye.y) / (p.y - eye.y);
    const Vec3 hit = {eye.x + t * (p.x - eye.x), groundY, eye.z + t * (p.z - eye.z)};
    const Vec3 local = turnedAboutY(hit, -degrees);
    onGround = {local.x, 0.0, local.z};
    return true;
}

bool onScreen(ScreenPoint p, double margin)
{
    return p.x >= margin && p.y >= margin && p.x <= viewportSize - margin && p.y <= viewportSize - margin;
}

Side sideOf(const std::array<ScreenPoint, 4> &quad, ScreenPoint p, double margin)
{
    double area = 0.0;
    for (size_t i = 0; i < 4; ++i) {
        const ScreenPoint a = quad[i], b = quad[(i + 1) % 4];
        area += a.x * b.y - b.x * a.y;
    }
    const double orientation = area > 0.0 ? 1.0 : -1.0;
    bool clear = true;
    for (size_t i = 0; i < 4; ++i) {
        const ScreenPoint a = quad[i], b = quad[(i + 1) % 4];
        const double ex = b.x - a.x, ey = b.y - a.y;
        const double distance = orientation * (ex * (p.y - a.y) - ey * (p.x - a.x)) / std::sqrt(ex * ex + ey * ey);
        if (distance < -margin) return Side::outside;
        if (distance <= margin) clear = false;
    }
    return clear ? Side::inside : Side::onEdge;
}

std::array<ScreenPoint, 4> groundOnScreen(double degrees)
{
    std::array<ScreenPoint, 4> quad;
    const double corners[4][2] = {{-100.0, -100.0}, {100.0, -100.0}, {100.0, 100.0}, {-100.0, 100.0}};
    for (size_t i = 0; i < 4; ++i) quad[i] = project(worldToCamera({corners[i][0], 0.0, corners[i][1]}, degrees));
    return quad;
}
