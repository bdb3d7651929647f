// Browser layer only: What Emscripten's fixed-function emulation lacks or gets wrong among the GL and GLU calls Frostel
// makes: materials (never lit here, so only recorded), glIsEnabled for texturing, and GLU's two matrices. glHint is
// mended in web_context.cpp.
#include "platform/glu_matrices.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <emscripten.h>

namespace {

// Lighting is never enabled, so materials change no pixel; they are kept as GL keeps them.
struct Material {
    GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    GLfloat diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    GLfloat specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    GLfloat emission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    GLfloat shininess = 0.0f;
};

Material front;
Material back;

void copyColour(GLfloat *to, const GLfloat *from)
{
    for (int i = 0; i < 4; ++i) {
        to[i] = from[i];
    }
}

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

// The emulation keeps the fixed-function switches itself, but its glIsEnabled asks WebGL, which has
// no GL_TEXTURE_2D switch and always answers false: a model drawn with textures would then leave
// texturing off for everything after it. So the emulated switches are read where the emulation keeps them.
// clang-format off
EM_JS(int, emulatedIsEnabled, (GLenum cap), {
    var gl = Module['ctx'];
    if (!gl) return 0;
    switch (cap) {
    case 0x0DE1: {  // GL_TEXTURE_2D, on the active unit
        var unit = gl.getParameter(gl.ACTIVE_TEXTURE) - gl.TEXTURE0;
        return GLImmediate.TexEnvJIT.getTexUnitType(unit) == 0x0DE1 ? 1 : 0;
    }
    case 0x0BC0: return GLEmulation.alphaTestEnabled ? 1 : 0;  // GL_ALPHA_TEST
    case 0x0B50: return GLEmulation.lightingEnabled ? 1 : 0;  // GL_LIGHTING
    case 0x0B60: return GLEmulation.fogEnabled ? 1 : 0;  // GL_FOG
    case 0x0B44: case 0x0B71: case 0x0BE2: case 0x0C11: case 0x0B90: case 0x8037: case 0x809E: case 0x80A0:
    case 0x0BD0:  // the switches WebGL itself has
        return gl.isEnabled(cap) ? 1 : 0;
    default: return 0;
    }
});
// clang-format on

void multiply(const platform::Matrix4 &matrix) { glMultMatrixf(matrix.m); }

}  // namespace

extern "C" {

GLboolean glIsEnabled(GLenum cap) { return emulatedIsEnabled(cap) != 0 ? GL_TRUE : GL_FALSE; }

void glMaterialfv(GLenum face, GLenum pname, const GLfloat *params)
{
    if (params == nullptr) {
        return;
    }
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK) setMaterial(front, pname, params);
    if (face == GL_BACK || face == GL_FRONT_AND_BACK) setMaterial(back, pname, params);
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    // Only the shininess is a single value.
    if (pname == GL_SHININESS) glMaterialfv(face, pname, &param);
}

// The emulation's own versions replace the current matrix instead of multiplying it.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    multiply(platform::perspectiveMatrix(fovy, aspect, zNear, zFar));
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ)
{
    multiply(platform::lookAtMatrix(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ));
}

}  // extern "C"
