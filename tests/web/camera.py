"""The fixed camera worked out apart from the code under test: where a point of the scene lands in the view.

Window coordinates as readPixels counts them: x from the left, y from the bottom of the 512 x 512 view.
"""
import math

EYE = (175.0, 275.0, 175.0)
CENTRE = (0.0, 50.0, 0.0)
SIZE = 512.0
FOCAL = 1.0 / math.tan(math.radians(22.5))  # a 45-degree vertical field of view, aspect 1
OVERLAY_ANCHOR = (162.5, 259.0, 162.5)
OVERLAY_HALF = 10.0


def _minus(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def _dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def _cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def _unit(a):
    length = math.sqrt(_dot(a, a))
    return (a[0] / length, a[1] / length, a[2] / length)


_FORWARD = _unit(_minus(CENTRE, EYE))
_SIDE = _unit(_cross(_FORWARD, (0.0, 1.0, 0.0)))
_UP = _cross(_SIDE, _FORWARD)


def to_eye(p):
    d = _minus(p, EYE)
    return (_dot(_SIDE, d), _dot(_UP, d), -_dot(_FORWARD, d))


def eye_to_screen(e):
    return ((FOCAL * e[0] / -e[2] + 1.0) * SIZE / 2.0, (FOCAL * e[1] / -e[2] + 1.0) * SIZE / 2.0)


def turned(p, degrees):
    """Turned about the vertical axis, counter-clockwise seen from above, as glRotatef(degrees, 0, 1, 0)."""
    r = math.radians(degrees)
    return (p[0] * math.cos(r) + p[2] * math.sin(r), p[1], -p[0] * math.sin(r) + p[2] * math.cos(r))


def ground_point(x, z, degrees, height=0.0):
    """A point of the turning ground's own frame on screen: the ground sits 50 below the world's origin."""
    return eye_to_screen(to_eye(turned((x, height - 50.0, z), degrees)))


def overlay_point(s, t):
    a = to_eye(OVERLAY_ANCHOR)
    return eye_to_screen((a[0] - OVERLAY_HALF + 2 * OVERLAY_HALF * s, a[1] - OVERLAY_HALF + 2 * OVERLAY_HALF * t, a[2]))


def on_screen(p, margin):
    return margin <= p[0] <= SIZE - margin and margin <= p[1] <= SIZE - margin
