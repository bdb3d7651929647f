// A no-op OpenGL 1.1 and GLU for measuring our own per-frame code: every call returns at once.
// Only what the code reads back is answered: an identity matrix, "enabled", fresh texture names.
#include <GL/gl.h>
#include <GL/glu.h>

namespace {
GLuint nextTexture = 1;
}  // namespace

void GLAPIENTRY glAlphaFunc(GLenum, GLclampf) { }
void GLAPIENTRY glBegin(GLenum) { }
void GLAPIENTRY glBindTexture(GLenum, GLuint) { }
void GLAPIENTRY glBlendFunc(GLenum, GLenum) { }
void GLAPIENTRY glClear(GLbitfield) { }
void GLAPIENTRY glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) { }
void GLAPIENTRY glClearDepth(GLclampd) { }
void GLAPIENTRY glCullFace(GLenum) { }
void GLAPIENTRY glDepthFunc(GLenum) { }
void GLAPIENTRY glDisable(GLenum) { }
void GLAPIENTRY glEnable(GLenum) { }
void GLAPIENTRY glEnd(void) { }
void GLAPIENTRY glHint(GLenum, GLenum) { }
void GLAPIENTRY glLoadIdentity(void) { }
void GLAPIENTRY glLoadMatrixf(const GLfloat *) { }
void GLAPIENTRY glMaterialf(GLenum, GLenum, GLfloat) { }
void GLAPIENTRY glMaterialfv(GLenum, GLenum, const GLfloat *) { }
void GLAPIENTRY glMatrixMode(GLenum) { }
void GLAPIENTRY glNormal3fv(const GLfloat *) { }
void GLAPIENTRY glPopMatrix(void) { }
void GLAPIENTRY glPushMatrix(void) { }
void GLAPIENTRY glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) { }
void GLAPIENTRY glShadeModel(GLenum) { }
void GLAPIENTRY glTexCoord2f(GLfloat, GLfloat) { }
void GLAPIENTRY glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid *) { }
void GLAPIENTRY glTexParameterf(GLenum, GLenum, GLfloat) { }
void GLAPIENTRY glTranslatef(GLfloat, GLfloat, GLfloat) { }
void GLAPIENTRY glVertex3fv(const GLfloat *) { }
void GLAPIENTRY glVertex3i(GLint, GLint, GLint) { }
void GLAPIENTRY glViewport(GLint, GLint, GLsizei, GLsizei) { }
void GLAPIENTRY gluLookAt(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) { }
void GLAPIENTRY gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) { }

GLboolean GLAPIENTRY glIsEnabled(GLenum) { return GL_TRUE; }

void GLAPIENTRY glGetIntegerv(GLenum, GLint *params) { params[0] = 16384; }

void GLAPIENTRY glGenTextures(GLsizei n, GLuint *textures)
{
    for (GLsizei i = 0; i < n; ++i) textures[i] = nextTexture++;
}

void GLAPIENTRY glGetFloatv(GLenum, GLfloat *params)
{
    for (int i = 0; i < 16; ++i) params[i] = i % 5 == 0 ? 1.0f : 0.0f;
}
