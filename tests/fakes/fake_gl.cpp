// Recording OpenGL 1.1 and GLU fake for unit tests; links in place of libGL and libGLU.
#include "tests/fakes/fake_gl.h"

#include "tests/fakes/call_log.h"

#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <map>

namespace fakegl {
namespace {

struct State {
    std::vector<Matrix> modelview{identity()};
    std::vector<Matrix> projection{identity()};
    GLenum matrixMode = GL_MODELVIEW;
    std::map<GLenum, bool> enables;
    GLuint bound = 0;
    GLuint nextTexture = 1;
    std::vector<TexImage> images;
    GLint maxTextureSize = 16384;  // what Mesa's software renderer says
};

State &state()
{
    static State s;
    return s;
}

Matrix &top()
{
    auto &stack = state().matrixMode == GL_PROJECTION ? state().projection : state().modelview;
    return stack.back();
}

void multiplyTop(const Matrix &m) { top() = multiply(top(), m); }

std::vector<double> floats(const GLfloat *v, int n) { return std::vector<double>(v, v + n); }

}  // namespace

void reset()
{
    state() = State{};
    fake::log().clear();
}

const Matrix &modelview() { return state().modelview.back(); }
const Matrix &projection() { return state().projection.back(); }
size_t modelviewDepth() { return state().modelview.size(); }
bool enabled(GLenum cap) { return state().enables.count(cap) && state().enables[cap]; }
GLuint boundTexture() { return state().bound; }
std::vector<TexImage> &texImages() { return state().images; }
GLuint texturesGenerated() { return state().nextTexture - 1; }
GLint &maxTextureSize() { return state().maxTextureSize; }

Matrix identity()
{
    Matrix m{};
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    return m;
}

Matrix multiply(const Matrix &a, const Matrix &b)
{
    Matrix r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += double(a[k * 4 + row]) * double(b[c * 4 + k]);
            r[c * 4 + row] = static_cast<float>(sum);
        }
    return r;
}

Matrix translation(float x, float y, float z)
{
    Matrix m = identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

Matrix rotation(float degrees, float x, float y, float z)
{
    const double len = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    const double ux = x / len, uy = y / len, uz = z / len;
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
    Matrix m = identity();
    m[0] = float(ux * ux * t + c);
    m[1] = float(uy * ux * t + uz * s);
    m[2] = float(uz * ux * t - uy * s);
    m[4] = float(ux * uy * t - uz * s);
    m[5] = float(uy * uy * t + c);
    m[6] = float(uz * uy * t + ux * s);
    m[8] = float(ux * uz * t + uy * s);
    m[9] = float(uy * uz * t - ux * s);
    m[10] = float(uz * uz * t + c);
    return m;
}

std::array<double, 4> transform(const Matrix &m, double x, double y, double z)
{
    std::array<double, 4> out{};
    const double in[4] = {x, y, z, 1.0};
    for (int row = 0; row < 4; ++row)
        for (int k = 0; k < 4; ++k) out[row] += double(m[k * 4 + row]) * in[k];
    return out;
}

}  // namespace fakegl

using fake::record;
using fakegl::state;

extern "C" {

void glShadeModel(GLenum mode) { record("glShadeModel", {double(mode)}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record("glClearColor", {r, g, b, a}); }
void glClearDepth(GLclampd depth) { record("glClearDepth", {depth}); }
void glDepthFunc(GLenum func) { record("glDepthFunc", {double(func)}); }
void glHint(GLenum target, GLenum mode) { record("glHint", {double(target), double(mode)}); }
void glBlendFunc(GLenum s, GLenum d) { record("glBlendFunc", {double(s), double(d)}); }
void glCullFace(GLenum mode) { record("glCullFace", {double(mode)}); }
void glAlphaFunc(GLenum func, GLclampf ref) { record("glAlphaFunc", {double(func), ref}); }
void glEnable(GLenum cap)
{
    record("glEnable", {double(cap)});
    state().enables[cap] = true;
}
void glDisable(GLenum cap)
{
    record("glDisable", {double(cap)});
    state().enables[cap] = false;
}
GLboolean glIsEnabled(GLenum cap)
{
    record("glIsEnabled", {double(cap)});
    return fakegl::enabled(cap) ? GL_TRUE : GL_FALSE;
}
void glClear(GLbitfield mask) { record("glClear", {double(mask)}); }
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h)
{
    record("glViewport", {double(x), double(y), double(w), double(h)});
}
void glScissor(GLint x, GLint y, GLsizei w, GLsizei h)
{
    record("glScissor", {double(x), double(y), double(w), double(h)});
}
void glMatrixMode(GLenum mode)
{
    record("glMatrixMode", {double(mode)});
    state().matrixMode = mode;
}
void glLoadIdentity()
{
    record("glLoadIdentity", {});
    fakegl::top() = fakegl::identity();
}
void glPushMatrix()
{
    record("glPushMatrix", {});
    auto &stack = state().matrixMode == GL_PROJECTION ? state().projection : state().modelview;
    stack.push_back(stack.back());
}
void glPopMatrix()
{
    record("glPopMatrix", {});
    auto &stack = state().matrixMode == GL_PROJECTION ? state().projection : state().modelview;
    if (stack.size() > 1) stack.pop_back();  // OpenGL ignores an underflowing pop too
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    record("glTranslatef", {x, y, z});
    fakegl::multiplyTop(fakegl::translation(x, y, z));
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    record("glRotatef", {angle, x, y, z});
    fakegl::multiplyTop(fakegl::rotation(angle, x, y, z));
}
void glGetIntegerv(GLenum pname, GLint *params)
{
    record("glGetIntegerv", {double(pname)});
    *params = pname == GL_MAX_TEXTURE_SIZE ? fakegl::maxTextureSize() : 0;
}
void glGetFloatv(GLenum pname, GLfloat *params)
{
    record("glGetFloatv", {double(pname)});
    const fakegl::Matrix &m = pname == GL_PROJECTION_MATRIX ? fakegl::projection() : fakegl::modelview();
    std::memcpy(params, m.data(), sizeof(float) * 16);
}
void glLoadMatrixf(const GLfloat *m)
{
    record("glLoadMatrixf", fakegl::floats(m, 16));
    std::memcpy(fakegl::top().data(), m, sizeof(float) * 16);
}
void glGenTextures(GLsizei n, GLuint *textures)
{
    record("glGenTextures", {double(n)});
    for (GLsizei i = 0; i < n; ++i) textures[i] = state().nextTexture++;
}
void glBindTexture(GLenum target, GLuint texture)
{
    record("glBindTexture", {double(target), double(texture)});
    state().bound = texture;
}
void glTexParameterf(GLenum target, GLenum pname, GLfloat param)
{
    record("glTexParameterf", {double(target), double(pname), param});
}
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid *pixels)
{
    record("glTexImage2D", {double(target), double(level), double(internalFormat), double(width), double(height),
                            double(border), double(format), double(type)});
    const size_t components = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 1;
    const size_t row = size_t(width) * components;
    const size_t stride = (row + 3) / 4 * 4;  // default GL_UNPACK_ALIGNMENT
    const size_t size = height > 0 ? stride * size_t(height - 1) + row : 0;
    fakegl::TexImage image{state().bound, internalFormat, width, height, format, type, {}};
    if (pixels && size) {
        const auto *bytes = static_cast<const uint8_t *>(pixels);
        image.pixels.assign(bytes, bytes + size);
    }
    state().images.push_back(std::move(image));
}
void glBegin(GLenum mode) { record("glBegin", {double(mode)}); }
void glEnd() { record("glEnd", {}); }
void glTexCoord2f(GLfloat s, GLfloat t) { record("glTexCoord2f", {s, t}); }
void glVertex3i(GLint x, GLint y, GLint z) { record("glVertex3i", {double(x), double(y), double(z)}); }
void glVertex3fv(const GLfloat *v) { record("glVertex3fv", fakegl::floats(v, 3)); }
void glNormal3fv(const GLfloat *v) { record("glNormal3fv", fakegl::floats(v, 3)); }
void glMaterialfv(GLenum face, GLenum pname, const GLfloat *params)
{
    std::vector<double> args{double(face), double(pname)};
    const int n = pname == GL_SHININESS ? 1 : 4;
    for (int i = 0; i < n; ++i) args.push_back(params[i]);
    record("glMaterialfv", args);
}
void glMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    record("glMaterialf", {double(face), double(pname), param});
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    record("gluPerspective", {fovy, aspect, zNear, zFar});
    const double f = 1.0 / std::tan(fovy * M_PI / 360.0);
    fakegl::Matrix m{};
    m[0] = float(f / aspect);
    m[5] = float(f);
    m[10] = float((zFar + zNear) / (zNear - zFar));
    m[11] = -1.0f;
    m[14] = float(2 * zFar * zNear / (zNear - zFar));
    fakegl::multiplyTop(m);
}

void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux, GLdouble uy,
               GLdouble uz)
{
    record("gluLookAt", {ex, ey, ez, cx, cy, cz, ux, uy, uz});
    double f[3] = {cx - ex, cy - ey, cz - ez};
    const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (double &v : f) v /= fl;
    double s[3] = {f[1] * uz - f[2] * uy, f[2] * ux - f[0] * uz, f[0] * uy - f[1] * ux};
    const double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    for (double &v : s) v /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    fakegl::Matrix m = fakegl::identity();
    for (int i = 0; i < 3; ++i) {
        m[i * 4 + 0] = float(s[i]);
        m[i * 4 + 1] = float(u[i]);
        m[i * 4 + 2] = float(-f[i]);
    }
    fakegl::multiplyTop(m);
    fakegl::multiplyTop(fakegl::translation(float(-ex), float(-ey), float(-ez)));
}

}  // extern "C"
