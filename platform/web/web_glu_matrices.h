// The two GLU matrices Frostel asks for, written from GLU's definitions.
// Portable: plain arithmetic, so the web layer's GLU can be checked against independent camera maths.
#pragma once

namespace platform {

// Column-major, as glMultMatrixf takes it.
struct Matrix4 {
    float m[16];
};

// gluPerspective: fovy in degrees; the caller multiplies the current matrix by it.
Matrix4 perspectiveMatrix(double fovy, double aspect, double zNear, double zFar);

// gluLookAt's rotation and translation in one matrix. An up vector along the line of sight
// leaves zero rows, as GLU's own normalisation of a zero vector does.
Matrix4 lookAtMatrix(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ, double upX,
                     double upY, double upZ);

}  // namespace platform
