"""Browser tests of the page: the real program in headless Chromium on WebGL (SwiftShader), read back and
checked against the camera maths and the files each test writes.

    web_test.py --site BUILD-WEB --data DEFAULT-DATA --packager FILE_PACKAGER --work DIR [--film FROSTEL-FILM] CASE
"""
import argparse
import base64
import math
import os
import shutil
import struct
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402
import camera  # noqa: E402

PAGE_FILES = ('index.html', 'page.js', 'page.css', 'frostel.js', 'frostel.wasm', 'frostel-data.js')

# The snow image: each 50 x 50 tile split in four colours, so position, tiling and turn all show.
LOW_S_LOW_T = (200, 60, 60)
HIGH_S_LOW_T = (60, 190, 70)
LOW_S_HIGH_T = (70, 80, 210)
HIGH_S_HIGH_T = (210, 190, 50)
PATTERN = (LOW_S_LOW_T, HIGH_S_LOW_T, LOW_S_HIGH_T, HIGH_S_HIGH_T)
FLAKE = (255, 0, 255)
FRAME = (20, 200, 160)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


def write_tga(path, width, height, pixel):
    """Uncompressed 32-bit TGA, first stored row the image's bottom; pixel(column, row) gives (r, g, b, a)."""
    out = bytearray(struct.pack('<BBBHHBHHHHBB', 0, 0, 2, 0, 0, 0, 0, 0, width, height, 32, 8))
    for row in range(height):
        for column in range(width):
            r, g, b, a = pixel(column, row)
            out += bytes((b, g, r, a))
    with open(path, 'wb') as f:
        f.write(out)


def snow_pattern_at(x, z):
    high_s = (x / 50.0) % 1.0 >= 0.5
    high_t = (z / 50.0) % 1.0 >= 0.5
    if high_t:
        return HIGH_S_HIGH_T if high_s else LOW_S_HIGH_T
    return HIGH_S_LOW_T if high_s else LOW_S_LOW_T


def write_test_data(folder, default_data, leave_out=(), snow_size=16, flake_size=8):
    """The default model with images of our own making whose colours the checks know."""
    os.makedirs(folder)
    for name in ('tree.ms3d', 'bark.tga', 'needles.tga', 'music.wav'):
        shutil.copy(os.path.join(default_data, name), folder)
    half = snow_size // 2

    def snow(column, row):
        c = ((LOW_S_LOW_T if column < half else HIGH_S_LOW_T) if row < half
             else (LOW_S_HIGH_T if column < half else HIGH_S_HIGH_T))
        return c + (255,)
    write_tga(os.path.join(folder, 'snow.tga'), snow_size, snow_size, snow)
    write_tga(os.path.join(folder, 'snowflake.tga'), flake_size, flake_size, lambda c, r: FLAKE + (255,))
    write_tga(os.path.join(folder, 'shine.tga'), 4, 4, lambda c, r: (255, 255, 255, 0))
    # An opaque frame six texels wide round a clear middle.
    write_tga(os.path.join(folder, 'overlay.tga'), 64, 64,
              lambda c, r: FRAME + (255,) if min(c, r, 63 - c, 63 - r) < 6 else (0, 0, 0, 0))
    for name in leave_out:
        os.remove(os.path.join(folder, name))


def make_site(args, data_folder):
    """The built page and program with another data package beside them, packed as the build packs its own."""
    site = os.path.join(args.work, 'site')
    os.makedirs(site)
    for name in PAGE_FILES:
        shutil.copy(os.path.join(args.site, name), site)
    # The package's paths are those under the working directory: data/... as the program opens them.
    staged = os.path.dirname(data_folder)
    subprocess.run([sys.executable, args.packager, os.path.join(site, 'frostel.data'), '--preload', 'data',
                    '--js-output=' + os.path.join(staged, 'frostel-data.js'), '--separate-metadata', '--no-node'],
                   cwd=staged, check=True, timeout=120, stdout=subprocess.DEVNULL)
    shutil.copy(os.path.join(staged, 'frostel-data.js.metadata'), site)
    return site


class Picture:
    def __init__(self, rgba, taken_at):
        self.rgba = rgba
        self.taken_at = taken_at

    def at(self, x, y):
        i = (int(y) * 512 + int(x)) * 4
        return tuple(self.rgba[i:i + 3])


def near(a, b, tolerance=12):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


class Session:
    def __init__(self, site, extra_args=()):
        self.server = browser.Server(site)
        self.browser = browser.Browser(extra_args=extra_args)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.browser.close()
        self.server.close()

    def open_and_wait_for_frames(self, count=20, seconds=60):
        self.browser.open(self.server.url())
        self.browser.wait_for('frostelPage.state.frames >= %d' % count, seconds, '%d frames' % count)

    def state(self, name):
        return self.browser.evaluate('frostelPage.state.' + name)

    def read_back(self):
        data = self.browser.evaluate('''(function() {
            var gl = document.getElementById('view').getContext('webgl');
            var px = new Uint8Array(512 * 512 * 4);
            gl.readPixels(0, 0, 512, 512, gl.RGBA, gl.UNSIGNED_BYTE, px);
            var text = '';
            for (var i = 0; i < px.length; i += 0x8000) text += String.fromCharCode.apply(null, px.subarray(i, i + 0x8000));
            return [btoa(text), frostelPage.state.lastFrameAt];
        })()''')
        return Picture(base64.b64decode(data[0]), data[1])

    def centre_of(self, element_id):
        rect = self.browser.evaluate('(function() { var r = document.getElementById("%s").getBoundingClientRect();'
                                     ' return [r.left + r.width / 2, r.top + r.height / 2]; })()' % element_id)
        return rect

    def click(self, element_id):
        x, y = self.centre_of(element_id)
        for kind in ('mousePressed', 'mouseReleased'):
            self.browser.call('Input.dispatchMouseEvent', type=kind, x=x, y=y, button='left', clickCount=1)

    def key(self, key, code, virtual_key):
        """Pressed and held for a moment, as a hand does: the demo looks at Escape between frames."""
        for kind in ('keyDown', 'keyUp'):
            self.browser.call('Input.dispatchKeyEvent', type=kind, key=key, code=code,
                              windowsVirtualKeyCode=virtual_key, nativeVirtualKeyCode=virtual_key)
            if kind == 'keyDown':
                self.browser.pump(0.3)


class Failures:
    def __init__(self):
        self.count = 0

    def check(self, condition, message):
        if not condition:
            self.count += 1
            print('FAILED:', message)
        return condition


# The ground's quarter-tile centres, clear of the tree and of the overlay's frame.
def ground_samples(degrees):
    samples = []
    low, high = camera.overlay_point(0.15, 0.15), camera.overlay_point(0.85, 0.85)
    for i in range(8):
        for j in range(8):
            x, z = -87.5 + 25.0 * i, -87.5 + 25.0 * j
            if math.hypot(x, z) < 40:
                continue
            p = camera.ground_point(x, z, degrees)
            if low[0] <= p[0] <= high[0] and low[1] <= p[1] <= high[1]:
                samples.append((p, snow_pattern_at(x, z)))
    return samples


def fitted_turn(picture):
    """The world angle that best explains the ground in the picture, and the share of samples it explains."""
    best = (0, -1.0)
    for degrees in range(360):
        # A sample hidden by the tree or a flake says nothing of the ground: only those showing one of
        # the ground's colours count, and the right turn puts the right one of them at each.
        samples = [(p, c) for p, c in ground_samples(degrees)
                   if any(near(picture.at(*p), colour, 30) for colour in PATTERN)]
        if len(samples) < 12:
            continue
        share = sum(near(picture.at(*p), colour, 30) for p, colour in samples) / len(samples)
        if share > best[1]:
            best = (degrees, share)
    return best


def scene_draws(args, failures):
    data = os.path.join(args.work, 'stage', 'data')
    write_test_data(data, args.data)
    with Session(make_site(args, data)) as session:
        session.open_and_wait_for_frames()
        first = session.read_back()
        session.browser.pump(1.5)
        second = session.read_back()
        session.browser.screenshot(os.path.join(args.work, 'page.png'))

    for name, picture in (('first', first), ('second', second)):
        # The overlay's frame, opaque over everything, along every edge of the view.
        for s, t in ((0.03, 0.5), (0.97, 0.5), (0.5, 0.03), (0.5, 0.97), (0.03, 0.03), (0.97, 0.97)):
            p = camera.overlay_point(s, t)
            if camera.on_screen(p, 1):
                failures.check(near(picture.at(*p), FRAME, 6), '%s shot: overlay frame at %s is %s'
                               % (name, p, picture.at(*p)))
        # The tree up its axis, in front of the ground: the model's own colours, not the ground's. A flake
        # may pass in front of one point, and at some turns the fir's fronds leave a gap at another.
        shown = [picture.at(*camera.ground_point(0.0, 0.0, 0.0, height)) for height in (30.0, 60.0, 90.0, 120.0)]
        tree = [c for c in shown if not any(near(c, other, 40) for other in PATTERN + (FLAKE,))]
        failures.check(len(tree) >= 2, '%s shot: the tree axis shows %s' % (name, shown))
        # Falling flakes: the flake image's colour in the view, inside the frame.
        flakes = sum(1 for y in range(80, 432, 2) for x in range(80, 432, 2) if near(picture.at(x, y), FLAKE, 30))
        failures.check(flakes >= 20, '%s shot: only %d flake pixels' % (name, flakes))

    # The ground as the camera maths puts it, turned by the elapsed time: one degree per 15 ms.
    angle1, share1 = fitted_turn(first)
    angle2, share2 = fitted_turn(second)
    failures.check(share1 >= 0.9 and share2 >= 0.9, 'ground pattern explained by a turn: %.2f and %.2f'
                   % (share1, share2))
    expected = (second.taken_at - first.taken_at) / 15.0
    turned_by = (angle2 - angle1) % 360
    failures.check(abs(turned_by - expected) <= 4, 'world turned %d degrees between shots %.0f ms apart '
                   '(expected about %.0f)' % (turned_by, second.taken_at - first.taken_at, expected))
    print('angles %d and %d (shares %.2f, %.2f), %.0f ms apart' % (angle1, angle2, share1, share2,
                                                                  second.taken_at - first.taken_at))
    # Flakes over the ground (redrawn every frame) have moved between the shots.
    moved = sum(1 for y in range(100, 412, 2) for x in range(100, 412, 2)
                if near(first.at(x, y), FLAKE, 30) != near(second.at(x, y), FLAKE, 30))
    failures.check(moved >= 10, 'only %d flake pixels changed between shots' % moved)


def missing_overlay_whitens(args, failures):
    data = os.path.join(args.work, 'stage', 'data')
    write_test_data(data, args.data, leave_out=('overlay.tga',))
    with Session(make_site(args, data)) as session:
        session.open_and_wait_for_frames()
        picture = session.read_back()
    off = sum(1 for i in range(0, len(picture.rgba), 4) if not near(tuple(picture.rgba[i:i + 3]), WHITE, 2))
    failures.check(off == 0, '%d of 262144 pixels are not white' % off)


def escape_ends_and_starts_again(args, failures):
    with Session(args.site) as session:
        session.open_and_wait_for_frames()
        session.key('Escape', 'Escape', 27)
        session.browser.wait_for('frostelPage.state.status === "ended"', 20, 'the run to end')
        failures.check(session.state('exitStatus') == 0, 'exit status %s' % session.state('exitStatus'))
        failures.check(session.browser.evaluate('!document.getElementById("ended").hidden'), 'no end notice')
        frames = session.state('frames')
        session.browser.pump(1.0)
        failures.check(session.state('frames') == frames, 'frames went on after the end')
        session.click('again')
        session.browser.wait_for('frostelPage.state.runs === 2 && frostelPage.state.frames >= 10', 60,
                                 'a second run drawing')
        failures.check(session.browser.evaluate('document.getElementById("ended").hidden'), 'end notice stays')
        # The second run hears each key once: the first run's listeners went with its window.
        session.key('Escape', 'Escape', 27)
        session.browser.wait_for('frostelPage.state.status === "ended"', 20, 'the second run to end')
        failures.check(session.state('exitStatus') == 0, 'second exit status %s' % session.state('exitStatus'))


def hidden_page_stops_drawing(args, failures):
    with Session(args.site) as session:
        session.open_and_wait_for_frames()
        window = session.browser.call('Browser.getWindowForTarget')['windowId']
        session.browser.call('Browser.setWindowBounds', windowId=window, bounds={'windowState': 'minimized'})
        session.browser.wait_for('document.visibilityState === "hidden"', 10, 'the page to be hidden')
        session.browser.pump(0.5)
        frames = session.state('frames')
        session.browser.pump(1.5)
        failures.check(session.state('frames') == frames, 'drew %d frames while hidden'
                       % (session.state('frames') - frames))
        session.browser.call('Browser.setWindowBounds', windowId=window, bounds={'windowState': 'normal'})
        session.browser.wait_for('frostelPage.state.frames >= %d' % (frames + 10), 20, 'drawing again when shown')


def wav_facts(path):
    """Channels, rate, frame count and the first left samples, read from the file's own chunks."""
    with open(path, 'rb') as f:
        data = f.read()
    at, channels, rate, samples = 12, 0, 0, None
    while at + 8 <= len(data):
        kind, size = data[at:at + 4], struct.unpack('<I', data[at + 4:at + 8])[0]
        if kind == b'fmt ':
            channels, rate = struct.unpack('<HI', data[at + 10:at + 16])
        elif kind == b'data':
            samples = data[at + 8:at + 8 + size]
            break
        at += 8 + size + (size & 1)
    frames = len(samples) // (2 * channels)
    left = [struct.unpack('<h', samples[2 * channels * i:2 * channels * i + 2])[0] / 32768.0 for i in range(64)]
    return channels, rate, frames, left


def sound_after_gesture(args, failures):
    channels, rate, frames, left = wav_facts(os.path.join(args.data, 'music.wav'))
    with Session(args.site) as session:
        session.open_and_wait_for_frames()
        session.browser.pump(0.5)
        before = session.browser.evaluate('frostelPage.sound.report()')
        failures.check(not before['playing'] and before['contextState'] in ('none', 'suspended'),
                       'sound before any gesture: %s' % before)
        failures.check(session.browser.evaluate('document.getElementById("sound").textContent') == 'Sound: off',
                       'sound button before a gesture')
        session.click('view')
        session.browser.wait_for('frostelPage.sound.report().playing && '
                                 'frostelPage.sound.report().contextState === "running"', 20, 'the music to start')
        after = session.browser.evaluate('frostelPage.sound.report()')
        failures.check(after['loop'] is True, 'music not looping: %s' % after['loop'])
        failures.check((after['channels'], after['rate'], after['frames']) == (channels, rate, frames),
                       'music buffer %s, file %s' % ((after['channels'], after['rate'], after['frames']),
                                                      (channels, rate, frames)))
        failures.check(all(abs(a - b) < 1e-6 for a, b in zip(after['firstSamples'], left)),
                       'first samples differ from the file')
        failures.check(session.browser.evaluate('document.getElementById("sound").textContent') == 'Sound: on',
                       'sound button after the gesture')
        # The button turns it off again.
        session.click('sound')
        session.browser.wait_for('!frostelPage.sound.report().playing', 10, 'the music to stop')


def no_webgl_message(args, failures):
    with Session(args.site, extra_args=('--disable-webgl',)) as session:
        session.browser.open(session.server.url())
        session.browser.wait_for('frostelPage.state.status === "no-webgl"', 30, 'the page to notice')
        text = session.browser.evaluate('document.getElementById("messages").textContent')
        failures.check('WebGL' in text, 'message: %r' % text)


# The film's clock: frostel-film starts at this tick and draws step n at start + 18 n.
FILM_START = 700000
FILM_STEP = 18
FILM_SHOT = 175  # the step of the film's full-size screenshot.png

# Put into the page before anything of it runs: performance.now(), the page's clock and so GetTickCount, answers
# the film's start until the program has made its GL objects (start-up and window creation are done), and from
# then on start + 18 (n + 1) while the page has counted n frames, so frame n is drawn at the film's step n. Each
# wanted frame is read back when the program waits for the browser after presenting it.
PIN_CLOCK = r"""
(function() {
  var start = %d, step = %d, windowMade = false;
  window.frostelFilm = {wanted: %s, pictures: {}};
  var createProgram = WebGLRenderingContext.prototype.createProgram;
  WebGLRenderingContext.prototype.createProgram = function() {
    windowMade = true;
    return createProgram.apply(this, arguments);
  };
  performance.now = function() {
    var frames = window.frostelPage ? frostelPage.state.frames : 0;
    return windowMade ? start + step * (frames + 1) : start;
  };
  var request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = function(callback) {
    var n = window.frostelPage ? frostelPage.state.frames : 0;
    if (frostelFilm.wanted.indexOf(n) >= 0 && !(n in frostelFilm.pictures)) {
      var canvas = document.getElementById('view');
      var gl = canvas.getContext('webgl');
      var px = new Uint8Array(canvas.width * canvas.height * 4);
      gl.readPixels(0, 0, canvas.width, canvas.height, gl.RGBA, gl.UNSIGNED_BYTE, px);
      var text = '';
      for (var i = 0; i < px.length; i += 0x8000) text += String.fromCharCode.apply(null, px.subarray(i, i + 0x8000));
      frostelFilm.pictures[n] = [canvas.width, canvas.height, btoa(text)];
    }
    return request(callback);
  };
})();
"""


def read_png_rgb(path):
    """Rows from the top, three bytes a pixel, of an 8-bit RGB or RGBA PNG without interlacing."""
    with open(path, 'rb') as f:
        data = f.read()
    at, chunks, header = 8, [], None
    while at < len(data):
        size, kind = struct.unpack('>I4s', data[at:at + 8])
        body = data[at + 8:at + 8 + size]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            chunks.append(body)
        at += 12 + size
    width, height, depth, colour, _, _, interlace = header
    assert depth == 8 and colour in (2, 6) and interlace == 0, header
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(b''.join(chunks))
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(line))
        previous = line
    out = bytearray()
    for line in rows:
        for x in range(width):
            out += line[x * channels:x * channels + 3]
    return width, height, bytes(out)


def share_differing(film, page_rgba, size, threshold=32):
    """The share of pixels where a channel differs by more than the threshold; the page's rows run from the bottom."""
    differing = 0
    for y in range(size):
        film_row = (size - 1 - y) * size * 3
        page_row = y * size * 4
        for x in range(size):
            f, p = film_row + 3 * x, page_row + 4 * x
            if (abs(film[f] - page_rgba[p]) > threshold or abs(film[f + 1] - page_rgba[p + 1]) > threshold
                    or abs(film[f + 2] - page_rgba[p + 2]) > threshold):
                differing += 1
    return differing / float(size * size)


def film_fidelity(args, failures):
    film_folder = os.path.join(args.work, 'film')
    os.makedirs(film_folder)
    env = dict(os.environ, SDL_VIDEODRIVER='x11', SDL_AUDIODRIVER='dummy')
    subprocess.run([args.film, film_folder, '150'], cwd=os.path.dirname(os.path.abspath(args.data)), env=env,
                   check=True, timeout=240, stdout=subprocess.DEVNULL)
    width, height, film = read_png_rgb(os.path.join(film_folder, 'screenshot.png'))
    steps = [FILM_SHOT - 1, FILM_SHOT, FILM_SHOT + 1]
    with Session(args.site) as session:
        session.browser.call('Page.addScriptToEvaluateOnNewDocument',
                             source=PIN_CLOCK % (FILM_START, FILM_STEP, steps))
        session.browser.open(session.server.url())
        session.browser.wait_for('Object.keys(frostelFilm.pictures).length === %d' % len(steps), 120,
                                 'frames %s' % steps)
        pictures = session.browser.evaluate('frostelFilm.pictures')
    for step in steps:
        w, h, data = pictures[str(step)]
        if not failures.check((w, h) == (width, height), 'page frame %dx%d, film %dx%d' % (w, h, width, height)):
            return
        share = share_differing(film, base64.b64decode(data), width)
        print('page frame %d against film step %d: %.2f %% of pixels differ by more than 32'
              % (step, FILM_SHOT, 100 * share))
        if step == FILM_SHOT:
            failures.check(share <= 0.03, 'the same step differs in %.2f %% of pixels' % (100 * share))
        else:
            failures.check(share > 0.03, 'frame %d, a step off, passes for step %d (%.2f %%)'
                           % (step, FILM_SHOT, 100 * share))


def scene_is_shown(picture, failures, what):
    """The test data's scene: the overlay's frame along the edges and flakes inside it."""
    for s, t in ((0.03, 0.5), (0.97, 0.5), (0.5, 0.03), (0.5, 0.97)):
        p = camera.overlay_point(s, t)
        if camera.on_screen(p, 1):
            failures.check(near(picture.at(*p), FRAME, 6), '%s: overlay frame at %s is %s' % (what, p, picture.at(*p)))
    flakes = sum(1 for y in range(80, 432, 2) for x in range(80, 432, 2) if near(picture.at(x, y), FLAKE, 30))
    failures.check(flakes >= 20, '%s: only %d flake pixels' % (what, flakes))
    _, share = fitted_turn(picture)
    failures.check(share >= 0.9, '%s: ground pattern explained by a turn: %.2f' % (what, share))


# A lost context answers no extension: the test keeps the one it got before.
def images_of_any_size_repeat(args, failures):
    """WebGL 1 repeats only images whose sides are powers of two; the layer repeats the others itself."""
    data = os.path.join(args.work, 'stage', 'data')
    write_test_data(data, args.data, snow_size=12, flake_size=6)
    with Session(make_site(args, data)) as session:
        session.open_and_wait_for_frames()
        scene_is_shown(session.read_back(), failures, '12 x 12 ground, 6 x 6 flake')


LOSE_CONTEXT = ("(window.frostelLose = window.frostelLose || "
                "document.getElementById('view').getContext('webgl').getExtension('WEBGL_lose_context')).%s()")


def context_lost_and_restored(args, failures):
    data = os.path.join(args.work, 'stage', 'data')
    write_test_data(data, args.data)
    with Session(make_site(args, data)) as session:
        session.open_and_wait_for_frames()
        session.browser.evaluate(LOSE_CONTEXT % 'loseContext')
        session.browser.wait_for("document.getElementById('view').getContext('webgl').isContextLost()", 5,
                                 'the context to be lost')
        session.browser.pump(0.5)
        frames = session.state('frames')
        session.browser.evaluate(LOSE_CONTEXT % 'restoreContext')
        restored_at = time.monotonic()
        # The bound for a visitor: the scene moves again within a second.
        session.browser.wait_for('frostelPage.state.frames >= %d' % (frames + 3), 1.0, 'frames after the restore')
        picture = session.read_back()
        scene_is_shown(picture, failures, 'after the restore (%.2f s)' % (time.monotonic() - restored_at))
        failures.check(not session.browser.exceptions, 'exceptions: %s' % session.browser.exceptions)
        failures.check(session.state('status') == 'running', 'status %s' % session.state('status'))
        # Lost and restored again: the second time works as the first.
        session.browser.evaluate(LOSE_CONTEXT % 'loseContext')
        session.browser.pump(0.3)
        frames = session.state('frames')
        session.browser.evaluate(LOSE_CONTEXT % 'restoreContext')
        session.browser.wait_for('frostelPage.state.frames >= %d' % (frames + 3), 1.0, 'frames after a second restore')
        scene_is_shown(session.read_back(), failures, 'after the second restore')
        session.key('Escape', 'Escape', 27)
        session.browser.wait_for('frostelPage.state.status === "ended"', 20, 'Escape to end the run')


LISTENERS = r"""(function() {
    var counts = {};
    [['window', window], ['document', document], ['canvas', document.getElementById('view')]].forEach(function(t) {
        var all = getEventListeners(t[1]);
        for (var kind in all) counts[t[0] + ' ' + kind] = all[kind].length;
    });
    return counts;
})()"""


def page_memory(session):
    """The page's JavaScript heap and the ArrayBuffers behind it (each run's WebAssembly memory is one), after a
    full collection."""
    session.browser.call('HeapProfiler.collectGarbage')
    session.browser.call('HeapProfiler.collectGarbage')
    usage = session.browser.call('Runtime.getHeapUsage')
    return usage['usedSize'] + usage.get('backingStorageSize', 0)


def restarts_do_not_leak(args, failures):
    runs = 20
    with Session(args.site) as session:
        session.browser.call('HeapProfiler.enable')
        session.browser.call('Log.enable')
        session.browser.call('Page.addScriptToEvaluateOnNewDocument', source=r"""
            (function() {
              var getContext = HTMLCanvasElement.prototype.getContext;
              window.frostelContexts = [];
              HTMLCanvasElement.prototype.getContext = function() {
                var c = getContext.apply(this, arguments);
                if (c && window.frostelContexts.indexOf(c) < 0) window.frostelContexts.push(c);
                return c;
              };
            })();""")
        session.open_and_wait_for_frames(10)
        memory, listeners = [], []
        for run in range(1, runs + 1):
            session.key('Escape', 'Escape', 27)
            session.browser.wait_for('frostelPage.state.status === "ended"', 20, 'run %d to end' % run)
            memory.append(page_memory(session))
            listeners.append(session.browser.evaluate(LISTENERS, command_line=True))
            if run < runs:
                session.click('again')
                session.browser.wait_for('frostelPage.state.runs === %d && frostelPage.state.frames >= 5' % (run + 1),
                                         60, 'run %d drawing' % (run + 1))
        contexts = session.browser.evaluate('frostelContexts.length')
        log = session.browser.log
    growth = (memory[-1] - memory[0]) / float(runs - 1)
    print('page memory after run 1: %.1f MB, after run %d: %.1f MB; %.0f KB a run'
          % (memory[0] / 1e6, runs, memory[-1] / 1e6, growth / 1e3))
    failures.check(growth <= 1e6, 'memory grows by %.0f KB a run' % (growth / 1e3))
    failures.check(contexts == 1, '%d WebGL contexts made' % contexts)
    failures.check(all(c == listeners[0] for c in listeners), 'listeners changed across runs: first %s, last %s'
                   % (listeners[0], listeners[-1]))
    failures.check(not any('WebGL' in line for line in log), 'browser log: %s' % log[-5:])


def clean_console_and_free_input(args, failures):
    with Session(args.site) as session:
        session.browser.call('Log.enable')
        session.open_and_wait_for_frames()
        # A listener of the test's own, last on the page, sees whether anything took the mouse and the wheel.
        session.browser.evaluate(r"""(function() {
            window.frostelTaken = [];
            ['mousemove', 'wheel', 'mousedown', 'mouseup'].forEach(function(kind) {
                window.addEventListener(kind, function(e) { if (e.defaultPrevented) frostelTaken.push(kind); });
            });
        })()""")
        x, y = session.centre_of('view')
        for i in range(200):
            session.browser.call('Input.dispatchMouseEvent', type='mouseMoved', x=x - 100 + i, y=y)
        session.browser.call('Input.dispatchMouseEvent', type='mouseWheel', x=x, y=y, deltaX=0, deltaY=120)
        session.browser.pump(0.5)
        failures.check(session.browser.evaluate('frostelTaken') == [],
                       'mouse events taken: %s' % session.browser.evaluate('frostelTaken')[:5])
        # Space and Enter on the focused sound button press it, while the demo runs.
        for key, code, text, virtual_key, wanted in (('Enter', 'Enter', '\r', 13, 'Sound: on'),
                                                     (' ', 'Space', ' ', 32, 'Sound: off')):
            session.browser.evaluate('document.getElementById("sound").focus()')
            session.browser.call('Input.dispatchKeyEvent', type='keyDown', key=key, code=code, text=text,
                                 windowsVirtualKeyCode=virtual_key, nativeVirtualKeyCode=virtual_key)
            session.browser.call('Input.dispatchKeyEvent', type='keyUp', key=key, code=code,
                                 windowsVirtualKeyCode=virtual_key, nativeVirtualKeyCode=virtual_key)
            session.browser.wait_for('document.getElementById("sound").textContent === "%s"' % wanted, 5,
                                     '%s to press the sound button' % code)
        failures.check(session.state('status') == 'running', 'status %s' % session.state('status'))
        session.key('Escape', 'Escape', 27)
        session.browser.wait_for('frostelPage.state.status === "ended"', 20, 'the run to end')
        session.click('again')
        session.browser.wait_for('frostelPage.state.runs === 2 && frostelPage.state.frames >= 10', 60, 'run 2')
        session.key('Escape', 'Escape', 27)
        session.browser.wait_for('frostelPage.state.status === "ended"', 20, 'run 2 to end')
        session.browser.pump(0.5)
        failures.check(not session.browser.console, 'console: %s' % session.browser.console[:8])
        failures.check(not session.browser.exceptions, 'exceptions: %s' % session.browser.exceptions[:3])
        failures.check(not session.browser.log, 'browser log: %s' % session.browser.log[:5])


CASES = {f.__name__: f for f in (scene_draws, missing_overlay_whitens, escape_ends_and_starts_again,
                                  hidden_page_stops_drawing, sound_after_gesture, no_webgl_message, film_fidelity,
                                  context_lost_and_restored, restarts_do_not_leak, clean_console_and_free_input,
                                  images_of_any_size_repeat)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--site', required=True)
    parser.add_argument('--data', required=True)
    parser.add_argument('--packager', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--film', help='frostel-film, for film_fidelity')
    parser.add_argument('case', choices=sorted(CASES))
    args = parser.parse_args()
    args.work = os.path.join(os.path.abspath(args.work), args.case)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    failures = Failures()
    started = time.monotonic()
    CASES[args.case](args, failures)
    print('%s: %s in %.1f s' % (args.case, 'passed' if failures.count == 0 else '%d failures' % failures.count,
                                time.monotonic() - started))
    return 1 if failures.count else 0


if __name__ == '__main__':
    sys.exit(main())
