// gluPerspective's and gluLookAt's matrices from their definitions.
#include "platform/web/web_glu_matrices.h"

#include <cmath>

namespace platform {

namespace {

struct Vector {
    double x, y, z;
};

Vector cross(Vector a, Vector b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

Vector normalised(Vector v)
{
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0) return v;
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

Matrix4 perspectiveMatrix(double fovy, double aspect, double zNear, double zFar)
{
    const double pi = 3.14159265358979323846;
    const double half = fovy / 2.0 * pi / 180.0;
    const double sine = std::sin(half);
    Matrix4 result{};
    // GLU leaves the matrix alone for a depth range or angle it cannot divide by.
    if (zFar == zNear || sine == 0.0 || aspect == 0.0) {
        result.m[0] = result.m[5] = result.m[10] = result.m[15] = 1.0f;
        return result;
    }
    const double f = std::cos(half) / sine;
    result.m[0] = static_cast<float>(f / aspect);
    result.m[5] = static_cast<float>(f);
    result.m[10] = static_cast<float>((zFar + zNear) / (zNear - zFar));
    result.m[11] = -1.0f;
    result.m[14] = static_cast<float>(2.0 * zFar * zNear / (zNear - zFar));
    return result;
}

Matrix4 lookAtMatrix(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ, double upX,
                     double upY, double upZ)
{
    const Vector forward = normalised({centreX - eyeX, centreY - eyeY, centreZ - eyeZ});
    const Vector side = normalised(cross(forward, {upX, upY, upZ}));
    const Vector up = cross(side, forward);
    const double rows[3][3] = {{side.x, side.y, side.z}, {up.x, up.y, up.z}, {-forward.x, -forward.y, -forward.z}};
    const double eye[3] = {eyeX, eyeY, eyeZ};
    Matrix4 result{};
    for (int row = 0; row < 3; ++row) {
        double translation = 0.0;
        for (int column = 0; column < 3; ++column) {
            result.m[4 * column + row] = static_cast<float>(rows[row][column]);
            translation -= rows[row][column] * eye[column];
        }
        result.m[12 + row] = static_cast<float>(translation);
    }
    result.m[15] = 1.0f;
    return result;
}

}  // namespace platform
