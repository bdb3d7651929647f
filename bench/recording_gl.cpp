// OpenGL 1.1 and GLU for the frame recorder: the matrix stacks and enable flags the scene reads
// back are kept as GL keeps them, so the recorded arguments are the ones a real GL would get.
#include "bench/recording_gl.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

using glrec::Op;

namespace {

using Matrix = std::array<float, 16>;  // column-major, as GL keeps it

glrec::FrameRecording *current = nullptr;
uint32_t generated = 0;
std::vector<Matrix> modelview(1), projection(1);
std::vector<Matrix> *stack = &modelview;
std::set<GLenum> enabled;

Matrix identity()
{
    Matrix m{};
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    return m;
}

struct StacksStart {
    StacksStart() { modelview[0] = projection[0] = identity(); }
} stacksStart;

// top = top * m, as every GL matrix call composes.
void multiply(const Matrix &m)
{
    Matrix &top = stack->back();
    Matrix out{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += top[4 * k + r] * m[4 * c + k];
            out[4 * c + r] = sum;
        }
    top = out;
}

void translate(float x, float y, float z)
{
    Matrix m = identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    multiply(m);
}

uint32_t bits(float value)
{
    uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

void record(Op op, std::initializer_list<uint32_t> words)
{
    if (!current) return;
    current->ops.push_back(static_cast<uint8_t>(op));
    current->words.insert(current->words.end(), words);
}

void recordFloats(Op op, const GLfloat *values, unsigned count)
{
    if (!current) return;
    current->ops.push_back(static_cast<uint8_t>(op));
    for (unsigned i = 0; i < count; ++i) current->words.push_back(bits(values[i]));
}

// A call the replay cannot issue would make the floor do less than the scene: stop instead.
void unrecordable(const char *name)
{
    if (!current) return;
    std::fprintf(stderr, "frame recorder: %s during a recorded frame cannot be replayed\n", name);
    std::exit(2);
}

}  // namespace

void startRecordingFrame(glrec::FrameRecording &recording) { current = &recording; }

void stopRecordingFrame()
{
    if (!current) return;
    current->frameOps.push_back(current->ops.size());
    current->frameWords.push_back(current->words.size());
    current = nullptr;
}

uint32_t texturesGenerated() { return generated; }

void GLAPIENTRY glClear(GLbitfield mask) { record(Op::Clear, {mask}); }
void GLAPIENTRY glEnable(GLenum cap)
{
    enabled.insert(cap);
    record(Op::Enable, {cap});
}
void GLAPIENTRY glDisable(GLenum cap)
{
    enabled.erase(cap);
    record(Op::Disable, {cap});
}
GLboolean GLAPIENTRY glIsEnabled(GLenum cap)
{
    record(Op::IsEnabled, {cap});
    return enabled.count(cap) ? GL_TRUE : GL_FALSE;
}

void GLAPIENTRY glMatrixMode(GLenum mode)
{
    unrecordable("glMatrixMode");
    stack = mode == GL_PROJECTION ? &projection : &modelview;
}
void GLAPIENTRY glLoadIdentity(void)
{
    stack->back() = identity();
    record(Op::LoadIdentity, {});
}
void GLAPIENTRY glLoadMatrixf(const GLfloat *m)
{
    std::memcpy(stack->back().data(), m, sizeof(Matrix));
    recordFloats(Op::LoadMatrixf, m, 16);
}
void GLAPIENTRY glPushMatrix(void)
{
    stack->push_back(stack->back());
    record(Op::PushMatrix, {});
}
void GLAPIENTRY glPopMatrix(void)
{
    if (stack->size() > 1) stack->pop_back();
    record(Op::PopMatrix, {});
}
void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    translate(x, y, z);
    record(Op::Translatef, {bits(x), bits(y), bits(z)});
}
void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    record(Op::Rotatef, {bits(angle), bits(x), bits(y), bits(z)});
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length > 0.0f) {
        x /= length;
        y /= length;
        z /= length;
        const float radians = angle * 3.14159265358979f / 180.0f;
        const float c = std::cos(radians), s = std::sin(radians), t = 1.0f - c;
        Matrix m = identity();
        m[0] = t * x * x + c;
        m[1] = t * x * y + s * z;
        m[2] = t * x * z - s * y;
        m[4] = t * x * y - s * z;
        m[5] = t * y * y + c;
        m[6] = t * y * z + s * x;
        m[8] = t * x * z + s * y;
        m[9] = t * y * z - s * x;
        m[10] = t * z * z + c;
        multiply(m);
    }
}
void GLAPIENTRY glGetFloatv(GLenum pname, GLfloat *params)
{
    if (pname == GL_MODELVIEW_MATRIX)
        std::memcpy(params, modelview.back().data(), sizeof(Matrix));
    else if (pname == GL_PROJECTION_MATRIX)
        std::memcpy(params, projection.back().data(), sizeof(Matrix));
    else
        unrecordable("glGetFloatv of anything but a matrix");
    record(Op::GetFloatv, {pname});
}

void GLAPIENTRY gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
                          GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    const double args[9] = {eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ};
    if (current) {
        current->ops.push_back(static_cast<uint8_t>(Op::LookAt));
        for (double a : args) {
            uint32_t halves[2];
            std::memcpy(halves, &a, sizeof halves);
            current->words.push_back(halves[0]);
            current->words.push_back(halves[1]);
        }
    }
    // As GLU builds it: forward, side and up as rows, then the eye moved to the origin.
    float f[3] = {static_cast<float>(centreX - eyeX), static_cast<float>(centreY - eyeY),
                  static_cast<float>(centreZ - eyeZ)};
    const float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    auto normalise = [](float *v) {
        const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length > 0.0f)
            for (int i = 0; i < 3; ++i) v[i] /= length;
    };
    auto cross = [](const float *a, const float *b, float *out) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    normalise(f);
    float s[3], u[3];
    cross(f, up, s);
    normalise(s);
    cross(s, f, u);
    Matrix m = identity();
    for (int i = 0; i < 3; ++i) {
        m[4 * i + 0] = s[i];
        m[4 * i + 1] = u[i];
        m[4 * i + 2] = -f[i];
    }
    multiply(m);
    translate(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}

void GLAPIENTRY gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) { unrecordable("gluPerspective"); }

void GLAPIENTRY glBindTexture(GLenum target, GLuint texture) { record(Op::BindTexture, {target, texture}); }
void GLAPIENTRY glBegin(GLenum mode) { record(Op::Begin, {mode}); }
void GLAPIENTRY glEnd(void) { record(Op::End, {}); }
void GLAPIENTRY glTexCoord2f(GLfloat s, GLfloat t) { record(Op::TexCoord2f, {bits(s), bits(t)}); }
void GLAPIENTRY glVertex3i(GLint x, GLint y, GLint z)
{
    record(Op::Vertex3i, {static_cast<uint32_t>(x), static_cast<uint32_t>(y), static_cast<uint32_t>(z)});
}
void GLAPIENTRY glVertex3fv(const GLfloat *v) { recordFloats(Op::Vertex3fv, v, 3); }
void GLAPIENTRY glNormal3fv(const GLfloat *v) { recordFloats(Op::Normal3fv, v, 3); }
void GLAPIENTRY glMaterialf(GLenum face, GLenum pname, GLfloat value)
{
    record(Op::Materialf, {face, pname, bits(value)});
}
void GLAPIENTRY glMaterialfv(GLenum face, GLenum pname, const GLfloat *params)
{
    if (pname != GL_AMBIENT && pname != GL_DIFFUSE && pname != GL_SPECULAR && pname != GL_EMISSION &&
        pname != GL_AMBIENT_AND_DIFFUSE)
        unrecordable("glMaterialfv of a single value");
    if (!current) return;
    record(Op::Materialfv, {face, pname});
    for (int i = 0; i < 4; ++i) current->words.push_back(bits(params[i]));
}

void GLAPIENTRY glGetIntegerv(GLenum, GLint *params)
{
    unrecordable("glGetIntegerv");
    params[0] = 16384;
}
void GLAPIENTRY glGenTextures(GLsizei n, GLuint *textures)
{
    unrecordable("glGenTextures");
    for (GLsizei i = 0; i < n; ++i) textures[i] = ++generated;
}
void GLAPIENTRY glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid *)
{
    unrecordable("glTexImage2D");
}
void GLAPIENTRY glTexParameterf(GLenum, GLenum, GLfloat) { unrecordable("glTexParameterf"); }

// Set-up state the scene fixes once; none of it can occur inside a frame.
void GLAPIENTRY glAlphaFunc(GLenum, GLclampf) { unrecordable("glAlphaFunc"); }
void GLAPIENTRY glBlendFunc(GLenum, GLenum) { unrecordable("glBlendFunc"); }
void GLAPIENTRY glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) { unrecordable("glClearColor"); }
void GLAPIENTRY glClearDepth(GLclampd) { unrecordable("glClearDepth"); }
void GLAPIENTRY glCullFace(GLenum) { unrecordable("glCullFace"); }
void GLAPIENTRY glDepthFunc(GLenum) { unrecordable("glDepthFunc"); }
void GLAPIENTRY glHint(GLenum, GLenum) { unrecordable("glHint"); }
void GLAPIENTRY glShadeModel(GLenum) { unrecordable("glShadeModel"); }
void GLAPIENTRY glViewport(GLint, GLint, GLsizei, GLsizei) { unrecordable("glViewport"); }
