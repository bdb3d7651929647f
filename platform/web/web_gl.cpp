// Browser layer only: Our OpenGL 1.1 subset and GLU over WebGL 1: the state GL keeps, the matrix stacks, and
// immediate mode gathered per frame into one vertex array and a few draws. Built on the host too, for its tests.
#include "platform/web/web_gl.h"

#include "platform/web/web_glu_matrices.h"
#include "platform/web/web_gl_native.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace platform {
namespace webgl {

namespace {

// Mesa's depths; GL itself promises 32 and 2.
const size_t maxStackDepth = 32;

Matrix4 identity()
{
    Matrix4 m{};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

Matrix4 product(const Matrix4 &a, const Matrix4 &b)
{
    Matrix4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[4 * k + row] * b.m[4 * c + k];
            r.m[4 * c + row] = sum;
        }
    return r;
}

// Lighting is never enabled, so materials change no pixel; they are kept as GL keeps them.
struct Material {
    GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    GLfloat diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    GLfloat specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    GLfloat emission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    GLfloat shininess = 0.0f;
};

struct Texture {
    bool hasImage = false;
    int width = 0;
    int height = 0;
    GLenum format = GL_RGBA;
    std::vector<unsigned char> pixels;  // rows padded to 4 bytes
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLenum magFilter = GL_LINEAR;
    GLenum wrapS = GL_REPEAT;
    GLenum wrapT = GL_REPEAT;

    // Only level 0 is ever given, so a mipmapping minification filter leaves the texture incomplete: GL then
    // draws as if texturing were off.
    bool complete() const { return hasImage && (minFilter == GL_LINEAR || minFilter == GL_NEAREST); }
};

// What a draw needs WebGL to have set; the commands carry a change only when one of these differs.
struct DrawState {
    GLuint texture = 0;
    GLenum alphaFunc = GL_ALWAYS;
    float alphaRef = 0.0f;
    bool blend = false;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    bool depthTest = false;
    GLenum depthFunc = GL_LESS;
    bool cull = false;
    GLenum cullFace = GL_BACK;
    int viewport[4] = {0, 0, 0, 0};
};

struct State {
    bool ready = false;

    std::vector<Matrix4> modelview{identity()};
    std::vector<Matrix4> projection{identity()};
    GLenum matrixMode = GL_MODELVIEW;
    Matrix4 toClip = identity();  // projection times modelview, made again when either has changed
    bool toClipStale = false;

    std::set<GLenum> enabled{GL_DITHER};  // GL starts with only dithering on
    GLenum alphaFunc = GL_ALWAYS;
    float alphaRef = 0.0f;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    GLenum depthFunc = GL_LESS;
    GLenum cullFace = GL_BACK;
    GLenum shadeModel = GL_SMOOTH;
    GLenum perspectiveHint = GL_DONT_CARE;
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float clearDepth = 1.0f;
    int viewport[4] = {0, 0, 0, 0};  // in buffer pixels

    GLuint bound = 0;
    std::map<GLuint, Texture> textures;
    GLuint nextName = 1;
    Material front;
    Material back;

    bool inPrimitive = false;
    GLenum primitive = 0;
    GLfloat texCoord[2] = {0.0f, 0.0f};
    GLfloat normal[3] = {0.0f, 0.0f, 1.0f};
    float corners[4][vertexFloats] = {};
    int cornerCount = 0;

    // The frame gathered so far.
    std::vector<float> vertices;
    std::vector<int32_t> commands;
    int openDraw = -1;  // the draw command the next triangles join, while no state has changed
    bool drawStateChanged = true;
    bool emittedKnown = false;  // false: nothing is known to be set in WebGL
    DrawState emitted;
};

State state;

bool isOn(GLenum cap) { return state.enabled.count(cap) != 0; }

void stateChanged() { state.drawStateChanged = true; }

const Texture *boundTexture()
{
    auto it = state.textures.find(state.bound);
    return it == state.textures.end() ? nullptr : &it->second;
}

DrawState wantedState()
{
    DrawState w;
    const Texture *texture = boundTexture();
    w.texture = isOn(GL_TEXTURE_2D) && texture != nullptr && texture->complete() ? state.bound : 0;
    if (isOn(GL_ALPHA_TEST)) {
        w.alphaFunc = state.alphaFunc;
        w.alphaRef = state.alphaRef;
    }
    w.blend = isOn(GL_BLEND);
    w.blendSource = state.blendSource;
    w.blendDestination = state.blendDestination;
    w.depthTest = isOn(GL_DEPTH_TEST);
    w.depthFunc = state.depthFunc;
    w.cull = isOn(GL_CULL_FACE);
    w.cullFace = state.cullFace;
    std::copy(state.viewport, state.viewport + 4, w.viewport);
    return w;
}

int32_t floatWord(float value)
{
    int32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

void command(int32_t kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0, int32_t e = 0, int32_t f = 0)
{
    const int32_t words[commandWords] = {kind, a, b, c, d, e, f, 0};
    state.commands.insert(state.commands.end(), words, words + commandWords);
    state.openDraw = -1;
}

void emitChangedState()
{
    const DrawState w = wantedState();
    const DrawState &e = state.emitted;
    const bool all = !state.emittedKnown;
    if (all || w.texture != e.texture) command(useTexture, static_cast<int32_t>(w.texture));
    if (all || w.alphaFunc != e.alphaFunc || w.alphaRef != e.alphaRef)
        command(setAlphaTest, static_cast<int32_t>(w.alphaFunc), floatWord(w.alphaRef));
    if (all || w.blend != e.blend || w.blendSource != e.blendSource || w.blendDestination != e.blendDestination)
        command(setBlending, w.blend, static_cast<int32_t>(w.blendSource), static_cast<int32_t>(w.blendDestination));
    if (all || w.depthTest != e.depthTest || w.depthFunc != e.depthFunc)
        command(setDepthTest, w.depthTest, static_cast<int32_t>(w.depthFunc), 1);
    if (all || w.cull != e.cull || w.cullFace != e.cullFace)
        command(setCulling, w.cull, static_cast<int32_t>(w.cullFace));
    if (all || !std::equal(w.viewport, w.viewport + 4, e.viewport))
        command(setViewport, w.viewport[0], w.viewport[1], w.viewport[2], w.viewport[3]);
    state.emitted = w;
    state.emittedKnown = true;
    state.drawStateChanged = false;
}

void addTriangle(int a, int b, int c)
{
    if (state.drawStateChanged) emitChangedState();
    if (state.openDraw < 0) {
        command(drawTriangles, static_cast<int32_t>(state.vertices.size() / vertexFloats), 0);
        state.openDraw = static_cast<int>(state.commands.size()) - commandWords;
    }
    for (int corner : {a, b, c}) {
        state.vertices.insert(state.vertices.end(), state.corners[corner], state.corners[corner] + vertexFloats);
    }
    state.commands[static_cast<size_t>(state.openDraw) + 2] += 3;
}

void forgetFrame()
{
    state.vertices.clear();
    state.commands.clear();
    state.openDraw = -1;
}

void uploadTexture(GLuint name, const Texture &texture)
{
    native::textureImage(name, texture.width, texture.height, texture.format, texture.pixels.data());
    native::textureFilters(name, texture.minFilter, texture.magFilter, texture.wrapS, texture.wrapT);
}

// Runs what was gathered, so that a texture changed now is seen only by what is drawn after. A context that came
// back from a loss has lost this frame's first commands with everything else: the frame is dropped, and the next
// one starts by setting all state again.
void runGathered()
{
    if (native::takeRestored()) {
        forgetFrame();
        state.emittedKnown = false;
        stateChanged();
        for (const auto &entry : state.textures) {
            if (entry.second.hasImage) uploadTexture(entry.first, entry.second);
        }
        return;
    }
    if (!state.commands.empty()) {
        native::run(state.vertices.data(), static_cast<int>(state.vertices.size() / vertexFloats),
                    state.commands.data(), static_cast<int>(state.commands.size() / commandWords));
    }
    forgetFrame();
}

std::vector<Matrix4> &currentStack() { return state.matrixMode == GL_PROJECTION ? state.projection : state.modelview; }

void setTop(const Matrix4 &m)
{
    currentStack().back() = m;
    state.toClipStale = true;
}

void multiplyTop(const Matrix4 &m) { setTop(product(currentStack().back(), m)); }

void vertex(float x, float y, float z)
{
    if (!state.inPrimitive) return;
    if (state.toClipStale) {
        state.toClip = product(state.projection.back(), state.modelview.back());
        state.toClipStale = false;
    }
    const float *m = state.toClip.m;
    float *out = state.corners[state.cornerCount];
    for (int row = 0; row < 4; ++row) out[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    out[4] = state.texCoord[0];
    out[5] = state.texCoord[1];
    ++state.cornerCount;
    if (state.primitive == GL_TRIANGLES && state.cornerCount == 3) {
        addTriangle(0, 1, 2);
        state.cornerCount = 0;
    } else if (state.primitive == GL_QUADS && state.cornerCount == 4) {
        addTriangle(0, 1, 2);
        addTriangle(0, 2, 3);
        state.cornerCount = 0;
    }
}

float clamped(float value) { return std::min(1.0f, std::max(0.0f, value)); }

void copyColour(GLfloat *to, const GLfloat *from) { std::copy(from, from + 4, to); }

void setMaterial(Material &material, GLenum pname, const GLfloat *params)
{
    switch (pname) {
    case GL_AMBIENT: copyColour(material.ambient, params); break;
    case GL_DIFFUSE: copyColour(material.diffuse, params); break;
    case GL_SPECULAR: copyColour(material.specular, params); break;
    case GL_EMISSION: copyColour(material.emission, params); break;
    case GL_AMBIENT_AND_DIFFUSE:
        copyColour(material.ambient, params);
        copyColour(material.diffuse, params);
        break;
    case GL_SHININESS:
        // GL keeps the exponent within 0 to 128 and reports anything else as an invalid value.
        if (params[0] >= 0.0f && params[0] <= 128.0f) material.shininess = params[0];
        break;
    default: break;
    }
}

bool isComparison(GLenum func) { return func >= GL_NEVER && func <= GL_ALWAYS; }

void setViewportFromCss(int x, int y, int width, int height)
{
    double across = 1.0;
    double down = 1.0;
    native::bufferScale(across, down);
    state.viewport[0] = static_cast<int>(std::lround(x * across));
    state.viewport[1] = static_cast<int>(std::lround(y * down));
    state.viewport[2] = static_cast<int>(std::lround(width * across));
    state.viewport[3] = static_cast<int>(std::lround(height * down));
    stateChanged();
}

}  // namespace

bool createContext(const ContextRequest &request)
{
    state = State();
    if (!native::createContext(request)) return false;
    state.ready = true;
    // GL's first viewport is the whole window.
    setViewportFromCss(0, 0, request.width, request.height);
    return true;
}

void destroyContext()
{
    if (!state.ready) return;
    native::destroyContext();
    state = State();
}

void submitFrame()
{
    if (state.ready) runGathered();
}

}  // namespace webgl
}  // namespace platform

using namespace platform;
using namespace platform::webgl;

extern "C" {

void glShadeModel(GLenum mode)
{
    // Lighting is off and the colour is one colour, so flat and smooth draw the same.
    if (mode == GL_FLAT || mode == GL_SMOOTH) state.shadeModel = mode;
}

void glHint(GLenum target, GLenum mode)
{
    // WebGL always interpolates with perspective correction, GL's "nicest".
    if (target == GL_PERSPECTIVE_CORRECTION_HINT) state.perspectiveHint = mode;
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    const GLfloat colour[4] = {clamped(red), clamped(green), clamped(blue), clamped(alpha)};
    copyColour(state.clearColour, colour);
}

void glClearDepth(GLclampd depth) { state.clearDepth = clamped(static_cast<float>(depth)); }

void glClear(GLbitfield mask)
{
    if (state.inPrimitive) return;
    mask &= GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;
    if (mask == 0) return;
    const float *c = state.clearColour;
    command(clearBuffers, static_cast<int32_t>(mask), floatWord(c[0]), floatWord(c[1]), floatWord(c[2]),
            floatWord(c[3]), floatWord(state.clearDepth));
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    // The program counts in CSS pixels; the canvas's buffer may hold more of its own per CSS pixel.
    if (state.inPrimitive || width < 0 || height < 0) return;
    setViewportFromCss(x, y, width, height);
}

void glEnable(GLenum cap)
{
    if (state.inPrimitive) return;
    state.enabled.insert(cap);
    stateChanged();
}

void glDisable(GLenum cap)
{
    if (state.inPrimitive) return;
    state.enabled.erase(cap);
    stateChanged();
}

GLboolean glIsEnabled(GLenum cap) { return isOn(cap) ? GL_TRUE : GL_FALSE; }

void glDepthFunc(GLenum func)
{
    if (!isComparison(func)) return;
    state.depthFunc = func;
    stateChanged();
}

void glAlphaFunc(GLenum func, GLclampf ref)
{
    if (!isComparison(func)) return;
    state.alphaFunc = func;
    state.alphaRef = clamped(ref);
    stateChanged();
}

void glBlendFunc(GLenum sfactor, GLenum dfactor)
{
    state.blendSource = sfactor;
    state.blendDestination = dfactor;
    stateChanged();
}

void glCullFace(GLenum mode)
{
    if (mode != GL_FRONT && mode != GL_BACK && mode != GL_FRONT_AND_BACK) return;
    state.cullFace = mode;
    stateChanged();
}

void glMatrixMode(GLenum mode)
{
    if (state.inPrimitive || (mode != GL_MODELVIEW && mode != GL_PROJECTION)) return;
    state.matrixMode = mode;
}

void glLoadIdentity(void)
{
    if (!state.inPrimitive) setTop(identity());
}

void glLoadMatrixf(const GLfloat *m)
{
    if (state.inPrimitive || m == nullptr) return;
    Matrix4 loaded;
    std::copy(m, m + 16, loaded.m);
    setTop(loaded);
}

void glPushMatrix(void)
{
    std::vector<Matrix4> &stack = currentStack();
    // A full stack is GL's stack overflow: nothing changes.
    if (state.inPrimitive || stack.size() >= maxStackDepth) return;
    stack.push_back(stack.back());
}

void glPopMatrix(void)
{
    std::vector<Matrix4> &stack = currentStack();
    if (state.inPrimitive || stack.size() <= 1) return;
    stack.pop_back();
    state.toClipStale = true;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    if (state.inPrimitive) return;
    Matrix4 m = identity();
    m.m[12] = x;
    m.m[13] = y;
    m.m[14] = z;
    multiplyTop(m);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    if (state.inPrimitive) return;
    const double length =
        std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y + static_cast<double>(z) * z);
    // GL leaves the matrix alone for a rotation about no axis.
    if (length == 0.0) return;
    const double ux = x / length;
    const double uy = y / length;
    const double uz = z / length;
    const double radians = angle * 3.14159265358979323846 / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const double t = 1.0 - c;
    Matrix4 m = identity();
    m.m[0] = static_cast<float>(ux * ux * t + c);
    m.m[1] = static_cast<float>(uy * ux * t + uz * s);
    m.m[2] = static_cast<float>(ux * uz * t - uy * s);
    m.m[4] = static_cast<float>(ux * uy * t - uz * s);
    m.m[5] = static_cast<float>(uy * uy * t + c);
    m.m[6] = static_cast<float>(uy * uz * t + ux * s);
    m.m[8] = static_cast<float>(ux * uz * t + uy * s);
    m.m[9] = static_cast<float>(uy * uz * t - ux * s);
    m.m[10] = static_cast<float>(uz * uz * t + c);
    multiplyTop(m);
}

void glGetFloatv(GLenum pname, GLfloat *params)
{
    if (params == nullptr) return;
    switch (pname) {
    case GL_MODELVIEW_MATRIX: std::copy(state.modelview.back().m, state.modelview.back().m + 16, params); break;
    case GL_PROJECTION_MATRIX: std::copy(state.projection.back().m, state.projection.back().m + 16, params); break;
    case GL_COLOR_CLEAR_VALUE: copyColour(params, state.clearColour); break;
    case GL_DEPTH_CLEAR_VALUE: params[0] = state.clearDepth; break;
    case GL_CURRENT_COLOR: std::fill(params, params + 4, 1.0f); break;  // never changed from white
    default: break;
    }
}

// Only the largest texture side is asked for. This layer keeps every image for a lost context's return, so it
// holds them to the side every WebGL device in use takes.
void glGetIntegerv(GLenum pname, GLint *params)
{
    if (params != nullptr) params[0] = pname == GL_MAX_TEXTURE_SIZE ? 4096 : 0;
}

void glGenTextures(GLsizei n, GLuint *textures)
{
    if (textures == nullptr) return;
    for (GLsizei i = 0; i < n; ++i) {
        // A name bound before it was generated is taken: it is never handed out.
        while (state.textures.count(state.nextName) != 0) ++state.nextName;
        textures[i] = state.nextName;
        state.textures[state.nextName];
        ++state.nextName;
    }
}

void glBindTexture(GLenum target, GLuint texture)
{
    if (state.inPrimitive || target != GL_TEXTURE_2D) return;
    if (texture != 0) state.textures[texture];
    state.bound = texture;
    stateChanged();
}

void glTexParameterf(GLenum target, GLenum pname, GLfloat param)
{
    if (state.inPrimitive || target != GL_TEXTURE_2D || state.bound == 0) return;
    Texture &texture = state.textures[state.bound];
    const GLenum value = static_cast<GLenum>(param);
    switch (pname) {
    case GL_TEXTURE_MIN_FILTER: texture.minFilter = value; break;
    case GL_TEXTURE_MAG_FILTER: texture.magFilter = value; break;
    case GL_TEXTURE_WRAP_S: texture.wrapS = value; break;
    case GL_TEXTURE_WRAP_T: texture.wrapT = value; break;
    default: return;
    }
    stateChanged();
    if (texture.hasImage) {
        runGathered();
        native::textureFilters(state.bound, texture.minFilter, texture.magFilter, texture.wrapS, texture.wrapT);
    }
}

void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid *pixels)
{
    // Only what the texture cache gives: level 0 of a 24- or 32-bit image, kept as its own format says.
    const bool rgb = format == GL_RGB && (internalformat == GL_RGB || internalformat == 3);
    const bool rgba = format == GL_RGBA && (internalformat == GL_RGBA || internalformat == 4);
    if (state.inPrimitive || target != GL_TEXTURE_2D || level != 0 || border != 0 || type != GL_UNSIGNED_BYTE ||
        !(rgb || rgba) || width < 1 || height < 1 || state.bound == 0) {
        return;
    }
    Texture &texture = state.textures[state.bound];
    const size_t row = static_cast<size_t>(width) * (rgb ? 3 : 4);
    const size_t pitch = (row + 3) / 4 * 4;  // GL's default unpack alignment
    texture.pixels.assign(pitch * static_cast<size_t>(height), 0);
    if (pixels != nullptr) {
        // The caller's last row need not be padded.
        std::memcpy(texture.pixels.data(), pixels, pitch * static_cast<size_t>(height - 1) + row);
    }
    texture.width = width;
    texture.height = height;
    texture.format = format;
    texture.hasImage = true;
    stateChanged();
    runGathered();
    uploadTexture(state.bound, texture);
}

void glBegin(GLenum mode)
{
    if (state.inPrimitive || (mode != GL_TRIANGLES && mode != GL_QUADS)) return;
    state.inPrimitive = true;
    state.primitive = mode;
    state.cornerCount = 0;
}

void glEnd(void)
{
    // Corners of an unfinished triangle or quad draw nothing, as in GL.
    state.inPrimitive = false;
    state.cornerCount = 0;
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    state.texCoord[0] = s;
    state.texCoord[1] = t;
}

void glNormal3fv(const GLfloat *v)
{
    if (v != nullptr) std::copy(v, v + 3, state.normal);
}

void glVertex3i(GLint x, GLint y, GLint z)
{
    vertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glVertex3fv(const GLfloat *v)
{
    if (v != nullptr) vertex(v[0], v[1], v[2]);
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat *params)
{
    if (params == nullptr) return;
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK) setMaterial(state.front, pname, params);
    if (face == GL_BACK || face == GL_FRONT_AND_BACK) setMaterial(state.back, pname, params);
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    // Only the shininess is a single value.
    if (pname == GL_SHININESS) glMaterialfv(face, pname, &param);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    if (!state.inPrimitive) multiplyTop(perspectiveMatrix(fovy, aspect, zNear, zFar));
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ)
{
    if (state.inPrimitive) return;
    multiplyTop(lookAtMatrix(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ));
}

}  // extern "C"
