// Replaying recorded frames on the real GL: one switch per call, arguments read in place.
#include "bench/frame_replay.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

using glrec::Op;

namespace {

inline float f(const uint32_t *w)
{
    float value;
    std::memcpy(&value, w, sizeof value);
    return value;
}

inline GLdouble d(const uint32_t *w)
{
    GLdouble value;
    std::memcpy(&value, w, sizeof value);
    return value;
}

volatile GLboolean enabledSink;

}  // namespace

bool mapTextures(glrec::FrameRecording &recording, const std::vector<uint32_t> &names)
{
    uint32_t *w = recording.words.data();
    for (uint8_t op : recording.ops) {
        if (static_cast<Op>(op) == Op::BindTexture && w[1] != 0) {
            if (w[1] > names.size()) return false;
            w[1] = names[w[1] - 1];
        }
        w += glrec::wordsOf(static_cast<Op>(op));
    }
    return true;
}

void replayFrame(const glrec::FrameRecording &recording, size_t frame)
{
    const uint8_t *op = recording.ops.data() + recording.frameOps[frame];
    const uint8_t *const end = recording.ops.data() + recording.frameOps[frame + 1];
    const uint32_t *w = recording.words.data() + recording.frameWords[frame];
    GLfloat matrix[16];
    for (; op != end; ++op) {
        switch (static_cast<Op>(*op)) {
        case Op::Clear:
            glClear(w[0]);
            w += 1;
            break;
        case Op::LoadIdentity: glLoadIdentity(); break;
        case Op::Enable:
            glEnable(w[0]);
            w += 1;
            break;
        case Op::Disable:
            glDisable(w[0]);
            w += 1;
            break;
        case Op::LookAt:
            gluLookAt(d(w), d(w + 2), d(w + 4), d(w + 6), d(w + 8), d(w + 10), d(w + 12), d(w + 14), d(w + 16));
            w += 18;
            break;
        case Op::PushMatrix: glPushMatrix(); break;
        case Op::PopMatrix: glPopMatrix(); break;
        case Op::Rotatef:
            glRotatef(f(w), f(w + 1), f(w + 2), f(w + 3));
            w += 4;
            break;
        case Op::Translatef:
            glTranslatef(f(w), f(w + 1), f(w + 2));
            w += 3;
            break;
        case Op::BindTexture:
            glBindTexture(w[0], w[1]);
            w += 2;
            break;
        case Op::Begin:
            glBegin(w[0]);
            w += 1;
            break;
        case Op::End: glEnd(); break;
        case Op::TexCoord2f:
            glTexCoord2f(f(w), f(w + 1));
            w += 2;
            break;
        case Op::Vertex3i:
            glVertex3i(static_cast<GLint>(w[0]), static_cast<GLint>(w[1]), static_cast<GLint>(w[2]));
            w += 3;
            break;
        case Op::Vertex3fv:
            glVertex3fv(reinterpret_cast<const GLfloat *>(w));
            w += 3;
            break;
        case Op::Normal3fv:
            glNormal3fv(reinterpret_cast<const GLfloat *>(w));
            w += 3;
            break;
        case Op::Materialf:
            glMaterialf(w[0], w[1], f(w + 2));
            w += 3;
            break;
        case Op::Materialfv:
            glMaterialfv(w[0], w[1], reinterpret_cast<const GLfloat *>(w + 2));
            w += 6;
            break;
        case Op::GetFloatv:
            glGetFloatv(w[0], matrix);
            w += 1;
            break;
        case Op::IsEnabled:
            enabledSink = glIsEnabled(w[0]);
            w += 1;
            break;
        case Op::LoadMatrixf:
            glLoadMatrixf(reinterpret_cast<const GLfloat *>(w));
            w += 16;
            break;
        case Op::Count: return;
        }
    }
}
