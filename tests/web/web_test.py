"""Browser tests of the page: the real program in headless Chromium on WebGL (SwiftShader), read back and
checked against the camera maths and the files each test writes.

    web_test.py --site BUILD-WEB --data DEFAULT-DATA --packager FILE_PACKAGER --work DIR [--cmake CMAKE]
                [--film FROSTEL-FILM] CASE
"""
import argparse
import base64
import json
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import urllib.parse
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402
import camera  # noqa: E402

PAGE_FILES = ('index.html', 'page.js', 'page.css', 'frostel.js', 'frostel.wasm', 'manifest.webmanifest',
              'icons/frostel-192.png', 'icons/frostel-512.png', 'icons/frostel-maskable-192.png',
              'icons/frostel-maskable-512.png')
# The install sheet's screenshots: served, never kept offline.
SHEET_FILES = ('screenshots/wide.png', 'screenshots/narrow.png')
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
PACK_SCRIPT = os.path.join(SOURCE, 'cmake', 'web_data_package.cmake')
OFFLINE_SCRIPT = os.path.join(SOURCE, 'cmake', 'web_offline.cmake')

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


def write_test_data(folder, default_data, leave_out=(), snow_size=16, flake_size=8, frame=FRAME):
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
              lambda c, r: frame + (255,) if min(c, r, 63 - c, 63 - r) < 6 else (0, 0, 0, 0))
    for name in leave_out:
        os.remove(os.path.join(folder, name))


def make_site(args, data_folder, music=('music.mp3', 'music.wav'), name='site'):
    """The built page and program with another data package beside them, packed as the build packs its own, and
    the music files named (the encoded one from the build, the WAV from the data folder)."""
    site = os.path.join(args.work, name)
    os.makedirs(os.path.join(site, 'data'))
    os.makedirs(os.path.join(site, 'icons'))
    os.makedirs(os.path.join(site, 'screenshots'))
    for page_file in PAGE_FILES + SHEET_FILES:
        shutil.copy(os.path.join(args.site, page_file), os.path.join(site, page_file))
    subprocess.run([args.cmake, '-DDATA=' + data_folder, '-DSTAGE=' + os.path.join(args.work, name + '-stage'),
                    '-DOUT=' + site, '-DPACKAGER=' + args.packager, '-DPYTHON=' + sys.executable,
                    '-P', PACK_SCRIPT], check=True, timeout=120, stdout=subprocess.DEVNULL)
    for music_file in music:
        built = os.path.join(args.site, 'data', music_file)
        source = built if music_file.endswith('.mp3') else os.path.join(data_folder, music_file)
        shutil.copy(source, os.path.join(site, 'data'))
    write_worker(args, site)
    return site


def write_worker(args, site):
    """The site's offline worker, versioned by the files the site now holds, as the build writes it."""
    subprocess.run([args.cmake, '-DSITE=' + site, '-DWORKER=' + os.path.join(SOURCE, 'web', 'sw.js'),
                    '-P', OFFLINE_SCRIPT], check=True, timeout=60, stdout=subprocess.DEVNULL)


class Picture:
    def __init__(self, rgba, taken_at, size=512):
        self.rgba = rgba
        self.taken_at = taken_at
        self.size = size

    def at(self, x, y):
        i = (int(y) * self.size + int(x)) * 4
        return tuple(self.rgba[i:i + 3])


def near(a, b, tolerance=12):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


class Session:
    def __init__(self, site, extra_args=(), gzipped=False, size=(800, 800), plain=()):
        self.server = browser.Server(site, gzipped, plain)
        self.browser = browser.Browser(width=size[0], height=size[1], extra_args=extra_args)

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

    def read_back(self, size=512):
        data = self.browser.evaluate('''(function() {
            var gl = document.getElementById('view').getContext('webgl');
            var px = new Uint8Array(%d * %d * 4);
            gl.readPixels(0, 0, %d, %d, gl.RGBA, gl.UNSIGNED_BYTE, px);
            var text = '';
            for (var i = 0; i < px.length; i += 0x8000) text += String.fromCharCode.apply(null, px.subarray(i, i + 0x8000));
            return [btoa(text), frostelPage.state.lastFrameAt];
        })()''' % (size, size, size, size))
        return Picture(base64.b64decode(data[0]), data[1], size)

    def canvas(self):
        """The canvas as the page lays it out, its buffer, the viewport the program set, and each WM_SIZE."""
        return self.browser.evaluate('''(function() {
            var c = document.getElementById('view'), r = c.getBoundingClientRect(), gl = c.getContext('webgl');
            return {css: [c.clientWidth, c.clientHeight], buffer: [c.width, c.height], left: r.left,
                    right: r.right, viewport: Array.prototype.slice.call(gl.getParameter(gl.VIEWPORT)),
                    sizes: frostelPage.state.clientSizes, screen: [window.innerWidth, window.innerHeight],
                    full: document.fullscreenElement === c, status: frostelPage.state.status,
                    frames: frostelPage.state.frames};
        })()''')

    def wait_for_client_size(self, width, height, what):
        self.browser.wait_for('(function(s) { s = s[s.length - 1]; return s && s[0] === %d && s[1] === %d; })'
                              '(frostelPage.state.clientSizes)' % (width, height), 20, what)
        # A frame or two drawn at the new size.
        frames = self.state('frames')
        self.browser.wait_for('frostelPage.state.frames >= %d' % (frames + 3), 20, 'frames after ' + what)

    def centre_of(self, element_id):
        rect = self.browser.evaluate('(function() { var r = document.getElementById("%s").getBoundingClientRect();'
                                     ' return [r.left + r.width / 2, r.top + r.height / 2]; })()' % element_id)
        return rect

    def click(self, element_id):
        x, y = self.centre_of(element_id)
        for kind in ('mousePressed', 'mouseReleased'):
            self.browser.call('Input.dispatchMouseEvent', type=kind, x=x, y=y, button='left', clickCount=1)

    def tap(self, element_id):
        """A finger's tap at the element's centre (touch emulation must be on)."""
        x, y = self.centre_of(element_id)
        self.browser.call('Input.dispatchTouchEvent', type='touchStart', touchPoints=[{'x': x, 'y': y}])
        self.browser.call('Input.dispatchTouchEvent', type='touchEnd', touchPoints=[])

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
        # may pass in front of one point, and at some turns the fir's fronds leave a gap at another, through
        # which the sky shows the flakes' trails: a height counts when the tree shows within 3 pixels of it.
        def tree_colour(c):
            return not any(near(c, other, 40) for other in PATTERN + (FLAKE,))

        axis = [camera.ground_point(0.0, 0.0, 0.0, height) for height in (30.0, 60.0, 90.0, 120.0)]
        shown = [[picture.at(x + dx, y) for dx in range(-3, 4)] for x, y in axis]
        tree = [row for row in shown if any(tree_colour(c) for c in row)]
        failures.check(len(tree) >= 3, '%s shot: the tree axis shows %s' % (name, [row[3] for row in shown]))
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
    # Shots more than a turn apart (a loaded machine) are compared by the angle they end at.
    failures.check(abs((turned_by - expected + 180) % 360 - 180) <= 4, 'world turned %d degrees between shots %.0f ms apart '
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
        session.browser.pump(2.0)
        failures.check(session.state('frames') == frames, 'frames went on after the end')
        # Escape was the first key, so it let sound start: the music, decoded meanwhile, stays silent.
        failures.check(not session.browser.evaluate('frostelPage.sound.report().playing'), 'music after the end')
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


BLOCK_SECONDS = 2.5


def envelope(samples, rate):
    """The root mean square of each whole block of BLOCK_SECONDS, from every 25th sample."""
    size = int(rate * BLOCK_SECONDS)
    return [math.sqrt(sum(v * v for v in samples[i:i + size:25]) / len(samples[i:i + size:25]))
            for i in range(0, len(samples) - size + 1, size)]


def wav_left(path):
    with open(path, 'rb') as f:
        data = f.read()
    channels, rate, frames, _ = wav_facts(path)
    at = data.index(b'data') + 8
    return [v / 32768.0 for v in struct.unpack_from('<%dh' % (frames * channels), data, at)[::channels]]


PLAYING = ('frostelPage.sound.report().playing && frostelPage.sound.report().contextState === "running"')


def music_after_gesture(args, failures):
    """The page as built: the MP3 comes after the first frame, and plays once a gesture has let sound start."""
    wav = os.path.join(args.data, 'music.wav')
    channels, rate, frames, _ = wav_facts(wav)
    with Session(args.site) as session:
        session.browser.watch_network()
        session.open_and_wait_for_frames()
        session.browser.wait_for('frostelPage.state.music === "arrived"', 30, 'the music to arrive')
        session.browser.pump(0.5)
        before = session.browser.evaluate('frostelPage.sound.report()')
        failures.check(not before['playing'] and before['contextState'] in ('none', 'suspended'),
                       'sound before any gesture: %s' % before)
        failures.check(session.browser.evaluate('document.getElementById("sound").textContent') == 'Sound: off',
                       'sound button before a gesture')
        session.click('view')
        session.browser.wait_for(PLAYING, 20, 'the music to start')
        after = session.browser.evaluate('frostelPage.sound.report()')
        failures.check(after['loop'] is True and session.state('music') == 'decoded',
                       'music: loop %s, %s' % (after['loop'], session.state('music')))
        # Decoded at the context's rate: the same length of time, within the encoder's padding.
        failures.check(after['channels'] == channels and abs(after['frames'] / after['rate'] - frames / rate) < 0.1,
                       'music buffer %s, file %s' % ((after['channels'], after['rate'], after['frames']),
                                                      (channels, rate, frames)))
        heard = session.browser.evaluate('''(function(samples, size) {
            var blocks = [];
            for (var at = 0; at + size <= samples.length; at += size) {
                var sum = 0, n = 0;
                for (var i = at; i < at + size; i += 25, ++n) sum += samples[i] * samples[i];
                blocks.push(Math.sqrt(sum / n));
            }
            return blocks;
        })(frostelPage.sound.source.buffer.getChannelData(0), %d)''' % int(after['rate'] * BLOCK_SECONDS))
        written = envelope(wav_left(wav), rate)
        print('decoded %d frames at %d Hz (%.4f s); the WAV %d frames at %d Hz (%.4f s)'
              % (after['frames'], after['rate'], after['frames'] / after['rate'], frames, rate, frames / rate))
        failures.check(len(heard) == len(written) and all(abs(h - w) <= 0.1 * w for h, w in zip(heard, written)),
                       'loudness by 2.5 s: heard %s, file %s' % (['%.3f' % v for v in heard],
                                                                 ['%.3f' % v for v in written]))
        fetched = sorted(r['url'].rsplit('/', 1)[-1] for r in session.browser.responses().values())
        failures.check('music.mp3' in fetched and 'music.wav' not in fetched, 'fetched %s' % fetched)
        failures.check(session.browser.evaluate('document.getElementById("sound").textContent') == 'Sound: on',
                       'sound button after the gesture')
        # The button turns it off again.
        session.click('sound')
        session.browser.wait_for('!frostelPage.sound.report().playing', 10, 'the music to stop')


def music_falls_back(args, failures):
    """Without a usable MP3 the WAV's own samples play; without either, the chime sounds once."""
    data = os.path.join(args.work, 'stage', 'data')
    write_test_data(data, args.data)
    channels, rate, frames, left = wav_facts(os.path.join(data, 'music.wav'))
    sites = {'no-mp3': make_site(args, data, music=('music.wav',), name='no-mp3'),
             'broken-mp3': make_site(args, data, music=('music.wav',), name='broken-mp3'),
             'none': make_site(args, data, music=(), name='none')}
    with open(os.path.join(sites['broken-mp3'], 'data', 'music.mp3'), 'wb') as f:
        f.write(b'\xff\xfb not a frame of sound' * 64)
    with Session(args.work) as session:
        for name in ('no-mp3', 'broken-mp3', 'none'):
            session.browser.open(session.server.url(name + '/index.html'))
            session.browser.wait_for('frostelPage.state.frames >= 10', 60, name + ': frames')
            session.click('view')
            session.browser.wait_for(PLAYING, 20, name + ': a sound to start')
            heard = session.browser.evaluate('frostelPage.sound.report()')
            if name == 'none':
                # The chime: once, mono, short.
                failures.check(heard['loop'] is False and heard['channels'] == 1 and heard['frames'] < 2 * heard['rate'],
                               'none: %s' % {k: heard[k] for k in ('loop', 'channels', 'frames', 'rate')})
                continue
            failures.check(heard['loop'] is True and (heard['channels'], heard['rate'], heard['frames'])
                           == (channels, rate, frames), '%s: %s, file %s' % (
                               name, (heard['loop'], heard['channels'], heard['rate'], heard['frames']),
                               (channels, rate, frames)))
            failures.check(all(abs(a - b) < 1e-6 for a, b in zip(heard['firstSamples'], left)),
                           '%s: first samples differ from the file' % name)


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


def frame_fills(picture, failures, what, frame=FRAME):
    """The overlay's frame along every edge of the whole buffer: the viewport covers all of it."""
    scale = picture.size / 512.0
    for s, t in ((0.03, 0.5), (0.97, 0.5), (0.5, 0.03), (0.5, 0.97), (0.03, 0.03), (0.97, 0.97)):
        p = camera.overlay_point(s, t)
        if camera.on_screen(p, 1):
            q = (p[0] * scale, p[1] * scale)
            failures.check(near(picture.at(*q), frame, 6), '%s: overlay frame at %s is %s' % (what, q, picture.at(*q)))


def sharp_and_narrow(args, failures):
    data = os.path.join(args.work, 'stage', 'data')
    write_test_data(data, args.data)
    with Session(make_site(args, data)) as session:
        metrics = session.browser
        # A phone-sized screen of density 2: the canvas shrinks to fit beside the page's 12 px margins.
        metrics.call('Emulation.setDeviceMetricsOverride', width=400, height=900, deviceScaleFactor=2, mobile=False)
        session.open_and_wait_for_frames()
        session.wait_for_client_size(376, 376, 'the narrow client size')
        c = session.canvas()
        failures.check(c['css'] == [376, 376] and c['buffer'] == [752, 752], 'narrow at 2: %s' % c)
        failures.check(c['left'] >= 0 and c['right'] <= 400, 'canvas out of the screen: %s' % c)
        failures.check(c['viewport'] == [0, 0, 752, 752], 'narrow viewport %s' % c['viewport'])
        frame_fills(session.read_back(752), failures, 'narrow')
        # Wider than the canvas again: 512 CSS pixels, twice as many in the buffer.
        metrics.call('Emulation.setDeviceMetricsOverride', width=800, height=900, deviceScaleFactor=2, mobile=False)
        session.wait_for_client_size(512, 512, 'the full client size')
        c = session.canvas()
        failures.check(c['css'] == [512, 512] and c['buffer'] == [1024, 1024], 'wide at 2: %s' % c)
        failures.check(c['viewport'] == [0, 0, 1024, 1024], 'viewport at 2: %s' % c['viewport'])
        frame_fills(session.read_back(1024), failures, 'density 2')
        # A new density alone: the same client size, half the buffer, and the viewport follows it.
        told = len(c['sizes'])
        metrics.call('Emulation.setDeviceMetricsOverride', width=800, height=900, deviceScaleFactor=1, mobile=False)
        session.browser.wait_for('frostelPage.state.clientSizes.length > %d' % told, 20, 'a WM_SIZE at density 1')
        session.wait_for_client_size(512, 512, 'the client size at density 1')
        c = session.canvas()
        failures.check(c['buffer'] == [512, 512] and c['viewport'] == [0, 0, 512, 512], 'density 1: %s' % c)
        frame_fills(session.read_back(512), failures, 'density 1')
        print('client sizes told: %s' % c['sizes'])


def full_screen_both_ways(args, failures):
    data = os.path.join(args.work, 'stage', 'data')
    write_test_data(data, args.data)
    with Session(make_site(args, data)) as session:
        session.open_and_wait_for_frames()
        for enter in ('button', 'key'):
            if enter == 'button':
                session.click('fullscreen')
            else:
                session.key('f', 'KeyF', 70)
            session.browser.wait_for('document.fullscreenElement === document.getElementById("page")', 10,
                                     'full screen by the ' + enter)
            width, height = session.browser.evaluate('[window.innerWidth, window.innerHeight]')
            side = min(width, height)
            session.wait_for_client_size(side, side, 'the screen size')
            c = session.canvas()
            failures.check(c['css'] == [side, side] and c['buffer'] == [side, side],
                           'full screen by the %s: %s' % (enter, c))
            failures.check(c['viewport'] == [0, 0, side, side], 'full-screen viewport %s' % c['viewport'])
            frame_fills(session.read_back(side), failures, 'full screen')
            # The browser's own Escape leaves full screen (the test leaves it as the browser would if this
            # one does not); the run goes on either way.
            session.key('Escape', 'Escape', 27)
            session.browser.evaluate('document.fullscreenElement ? document.exitFullscreen() : null', awaiting=True)
            session.wait_for_client_size(512, 512, 'the window size again')
            c = session.canvas()
            failures.check(c['status'] == 'running', 'the run after leaving full screen: %s' % c['status'])
            failures.check(c['buffer'] == [512, 512] and c['viewport'] == [0, 0, 512, 512], 'back: %s' % c)
        frame_fills(session.read_back(), failures, 'after full screen')
        # Out of full screen, Escape ends the run as before.
        session.browser.pump(1.0)
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


# Keys as a visitor's hands give them: letters (with Shift), function keys, arrows, modifiers on their own and one
# key held until it repeats. F is left out: the page takes it for full screen.
VISITOR_KEYS = (('a', 'KeyA', 65, 0), ('q', 'KeyQ', 81, 0), ('Z', 'KeyZ', 90, 8), ('F1', 'F1', 112, 0),
                ('F2', 'F2', 113, 0), ('F10', 'F10', 121, 0), ('ArrowLeft', 'ArrowLeft', 37, 0),
                ('ArrowUp', 'ArrowUp', 38, 0), ('ArrowRight', 'ArrowRight', 39, 0), ('ArrowDown', 'ArrowDown', 40, 0),
                ('Shift', 'ShiftLeft', 16, 8), ('Control', 'ControlRight', 17, 2), ('Alt', 'AltLeft', 18, 1),
                ('Home', 'Home', 36, 0), ('PageDown', 'PageDown', 34, 0))


def press_visitor_keys(session):
    b = session.browser
    for key, code, virtual_key, modifiers in VISITOR_KEYS:
        text = key if len(key) == 1 else ''
        b.call('Input.dispatchKeyEvent', type='keyDown', key=key, code=code, text=text, modifiers=modifiers,
               windowsVirtualKeyCode=virtual_key, nativeVirtualKeyCode=virtual_key)
        b.call('Input.dispatchKeyEvent', type='keyUp', key=key, code=code, modifiers=modifiers,
               windowsVirtualKeyCode=virtual_key, nativeVirtualKeyCode=virtual_key)
    for repeat in (False, True, True):
        b.call('Input.dispatchKeyEvent', type='keyDown', key='s', code='KeyS', text='s', autoRepeat=repeat,
               windowsVirtualKeyCode=83, nativeVirtualKeyCode=83)
    b.call('Input.dispatchKeyEvent', type='keyUp', key='s', code='KeyS', windowsVirtualKeyCode=83,
           nativeVirtualKeyCode=83)


def keys_without_page_errors(args, failures):
    """Every key reaches the program through the layer's JavaScript with no page error, and Escape ends the run
    with status 0, in a first run and in one started again."""
    with Session(args.site) as session:
        b = session.browser
        b.call('Log.enable')
        session.open_and_wait_for_frames(10)
        for run in (1, 2):
            press_visitor_keys(session)
            frames = session.state('frames')
            # The program takes the keys when it peeks; it goes on drawing once it has.
            b.wait_for('frostelPage.state.frames >= %d' % (frames + 10), 20, 'frames after the keys in run %d' % run)
            failures.check(session.state('status') == 'running', 'run %d: status %s after the keys'
                           % (run, session.state('status')))
            session.key('Escape', 'Escape', 27)
            b.wait_for('frostelPage.state.status === "ended"', 20, 'run %d to end' % run)
            failures.check(session.state('exitStatus') == 0, 'run %d: exit status %s' % (run, session.state('exitStatus')))
            # With the run over, the keys go to the page alone.
            press_visitor_keys(session)
            b.pump(0.5)
            if run == 1:
                session.click('again')
                b.wait_for('frostelPage.state.runs === 2 && frostelPage.state.frames >= 10', 60, 'run 2')
        errors = [line for line in b.log if ' error: ' in line]
        failures.check(not b.exceptions, 'exceptions: %s' % b.exceptions[:3])
        failures.check(not b.console_errors, 'console errors: %s' % b.console_errors[:5])
        failures.check(not errors, 'browser log errors: %s' % errors[:5])


def page_is_reproducible(args, failures):
    """No folder of the machine in anything served, and the scene's package the same bytes from two folders."""
    source = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
    folders = [p.encode() for p in (os.path.abspath(args.site), os.path.realpath(args.site), source,
                                    os.path.realpath(source), os.path.abspath(args.work))]
    served = [os.path.join(args.site, n) for n in PAGE_FILES + ('frostel.data', 'frostel-data.js.metadata', 'sw.js')]
    served += [os.path.join(args.site, 'data', n) for n in sorted(os.listdir(os.path.join(args.site, 'data')))]
    for path in served:
        with open(path, 'rb') as f:
            content = f.read()
        found = [p.decode() for p in folders if p in content]
        failures.check(not found, '%s holds %s' % (os.path.relpath(path, args.site), found))
    packed = []
    for name in ('one', 'another/folder'):
        out = os.path.join(args.work, name)
        os.makedirs(out)
        subprocess.run([args.cmake, '-DDATA=' + args.data, '-DSTAGE=' + os.path.join(out, 'stage'), '-DOUT=' + out,
                        '-DPACKAGER=' + args.packager, '-DPYTHON=' + sys.executable, '-P', PACK_SCRIPT],
                       check=True, timeout=120, stdout=subprocess.DEVNULL)
        packed.append([open(os.path.join(out, n), 'rb').read() for n in ('frostel.data', 'frostel-data.js.metadata')])
    failures.check(packed[0] == packed[1], 'the package differs between two folders')
    built = [open(os.path.join(args.site, n), 'rb').read() for n in ('frostel.data', 'frostel-data.js.metadata')]
    failures.check(packed[0] == built, 'the package differs from the built one')
    failures.check(b'music' not in packed[0][1], 'the music is in the package')
    print('%d files served, none naming a folder of the machine' % len(served))


# Each fault the page can meet on loading, the file behind it, and words of the one message it must give.
FAULTS = (('frostel.data', None, 'scene\'s pictures and model could not be loaded'),
          ('frostel-data.js.metadata', None, 'scene\'s pictures and model could not be loaded'),
          ('frostel.data', b'cut short', 'scene\'s pictures and model arrived damaged'),
          ('frostel-data.js.metadata', b'{"files": [', 'scene\'s pictures and model arrived damaged'),
          ('frostel.wasm', None, 'program of this page could not be loaded'),
          ('frostel.js', None, 'program of this page could not be loaded'))


def missing_file_messages(args, failures):
    root = os.path.join(args.work, 'sites')
    served = PAGE_FILES + ('frostel.data', 'frostel-data.js.metadata')
    for number, (name, replacement, words) in enumerate(FAULTS):
        site = os.path.join(root, str(number))
        os.makedirs(os.path.join(site, 'icons'))
        for page_file in served:
            shutil.copy(os.path.join(args.site, page_file), os.path.join(site, page_file))
        if replacement is None:
            os.remove(os.path.join(site, name))
        else:
            with open(os.path.join(site, name), 'wb') as f:
                f.write(replacement)
    with Session(root) as session:
        for number, (name, replacement, words) in enumerate(FAULTS):
            fault = '%s %s' % (name, 'missing' if replacement is None else 'damaged')
            session.browser.console.clear()
            session.browser.exceptions.clear()
            session.browser.open(session.server.url('%d/index.html' % number))
            # Within 10 s, as a visitor would wait.
            session.browser.wait_for('frostelPage.state.status === "failed"', 10, 'a message for ' + fault)
            session.browser.pump(1.0)
            shown = session.browser.evaluate(
                'Array.prototype.map.call(document.querySelectorAll("#messages p"), function(p) {'
                ' return p.textContent; })')
            failures.check(len(shown) == 1 and words in shown[0], '%s: the page says %s' % (fault, shown))
            failures.check(not any(w in ' '.join(shown) for w in ('rebuild', 'ASSERTIONS', '-s', 'abort')),
                           '%s: the message speaks to a developer: %s' % (fault, shown))
            failures.check(any(name in line for line in session.browser.console),
                           '%s: the console does not name the file: %s' % (fault, session.browser.console[-5:]))
            failures.check(not session.browser.exceptions, '%s: uncaught %s' % (fault, session.browser.exceptions))
            failures.check(session.browser.evaluate('document.getElementById("progress").hidden'),
                           '%s: the progress bar stays' % fault)


def slow_link_first_frame(args, failures):
    """The page as built, gzipped as common hosts serve it, over 1.5 Mbit/s with 100 ms latency."""
    with Session(args.site, gzipped=True) as session:
        b = session.browser
        b.watch_network(megabits=1.5, latency_ms=100)
        b.open(session.server.url())
        bars = []
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            status, hidden, width, frames = b.evaluate(
                'typeof frostelPage === "undefined" ? ["", true, 0, 0] :'
                ' [frostelPage.state.status, document.getElementById("progress").hidden,'
                ' parseFloat(document.getElementById("progress-bar").style.width) || 0, frostelPage.state.frames]')
            if frames >= 1:
                break
            if status == 'loading' and not hidden:
                bars.append(width)
            b.pump(0.25)
        by_first_frame = b.bytes_received()
        first_frame_ms = session.state('firstFrameAt')
        failures.check(first_frame_ms and first_frame_ms <= 15000, 'first frame after %s ms' % first_frame_ms)
        failures.check(by_first_frame <= 1.5e6, '%d bytes before the first frame' % by_first_frame)
        # The bar moved, in steps, and went once the scene was drawn.
        steps = sorted(set(w for w in bars if 0 < w < 100))
        failures.check(len(steps) >= 3 and bars == sorted(bars), 'progress bar widths %s' % bars[:40])
        failures.check(b.evaluate('document.getElementById("progress").hidden'), 'the progress bar stays')
        # Then the music, the last of the page.
        b.wait_for('frostelPage.state.music === "arrived"', 60, 'the music to arrive')
        b.pump(0.5)
        urls = {r['url'].rsplit('/', 1)[-1]: (r['status'], r['mimeType']) for r in b.responses().values()}
        failures.check(urls.get('music.mp3', (0,))[0] == 200 and 'music.wav' not in urls,
                       'music fetched: %s' % urls)
        finished = b.finished()
        sizes = {r['url'].rsplit('/', 1)[-1]: finished.get(i) for i, r in b.responses().items()}
        failures.check(all(sizes.values()), 'requests not finished: %s' % sizes)
        whole = sum(finished.values())
        failures.check(whole <= 3e6, 'the whole page is %d bytes' % whole)
        print('1.5 Mbit/s, 100 ms: first frame after %.0f ms and %d bytes; whole page %d bytes: %s'
              % (first_frame_ms, by_first_frame, whole, sorted(sizes.items())))


def screenshot_rgb(session, name):
    """The whole viewport as the visitor sees it: (width, height, rows of RGB bytes from the top)."""
    path = os.path.join(session.work, name)
    session.browser.screenshot(path)
    width, height, flat = read_png_rgb(path)
    return width, height, [flat[3 * width * y:3 * width * (y + 1)] for y in range(height)]


def lit_beside(shot, square):
    """How many pixels outside the square (left, top, right, bottom) are not black."""
    width, height, rows = shot
    left, top, right, bottom = square
    lit = 0
    for y in range(height):
        row = rows[y]
        for x in range(0, width, 1):
            if left <= x < right and top <= y < bottom:
                continue
            if max(row[3 * x:3 * x + 3]) > 8:
                lit += 1
    return lit


def centred_square(session, failures, what):
    """The canvas a centred square as large as the window's shorter side, at that size for the program."""
    width, height = session.browser.evaluate('[window.innerWidth, window.innerHeight]')
    side = min(width, height)
    session.wait_for_client_size(side, side, what)
    rect = session.browser.evaluate('(function() { var r = document.getElementById("view").getBoundingClientRect();'
                                    ' return [r.left, r.top, r.right, r.bottom]; })()')
    square = [int(round(v)) for v in rect]
    expected = [(width - side) // 2, (height - side) // 2, (width + side) // 2, (height + side) // 2]
    failures.check(all(abs(a - e) <= 1 for a, e in zip(square, expected)), '%s: the square at %s, not centred at %s'
                   % (what, square, expected))
    return side


def dark_beside(session, failures, what):
    """How many pixels beside the canvas are lit on the screen (none should be), in a screenshot of device pixels."""
    rect = session.browser.evaluate('(function() { var r = document.getElementById("view").getBoundingClientRect();'
                                    ' return [r.left, r.top, r.right, r.bottom, window.innerWidth]; })()')
    shot = screenshot_rgb(session, what.replace(' ', '-') + '.png')
    scale = shot[0] / rect[4]
    lit = lit_beside(shot, [int(round(v * scale)) for v in rect[:4]])
    failures.check(lit == 0, '%s: %d pixels lit beside the square' % (what, lit))
    return lit


def full_screen_square(args, failures, size):
    data = os.path.join(args.work, 'stage', 'data')
    write_test_data(data, args.data)
    with Session(make_site(args, data), size=size) as session:
        session.work = args.work
        session.open_and_wait_for_frames()
        session.click('fullscreen')
        session.browser.wait_for('!!document.fullscreenElement', 10, 'full screen')
        what = 'full screen on %dx%d' % size
        side = centred_square(session, failures, what)
        c = session.canvas()
        failures.check(c['css'] == [side, side] and c['buffer'] == [side, side] and
                       c['viewport'] == [0, 0, side, side], '%s: %s' % (what, c))
        frames = session.state('frames')
        session.browser.pump(30.0)
        failures.check(session.state('frames') >= frames + 30, 'only %d frames in 30 s'
                       % (session.state('frames') - frames))
        frame_fills(session.read_back(side), failures, 'full screen after 30 s')
        lit = dark_beside(session, failures, what + ' after 30 s')
        print('%s: %d frames, %d pixels lit beside the square' % (what, session.state('frames'), lit))


def full_screen_wide_stays_black(args, failures):
    full_screen_square(args, failures, (1920, 1080))


def full_screen_portrait_stays_black(args, failures):
    full_screen_square(args, failures, (600, 960))


def visible_in_screen(session, element_id):
    """The element is shown and the topmost thing at its own centre, inside the screen."""
    return session.browser.evaluate('''(function() {
        var e = document.getElementById('%s'), r = e.getBoundingClientRect();
        if (e.hidden || r.width === 0 || r.height === 0) return false;
        var x = r.left + r.width / 2, y = r.top + r.height / 2;
        if (x < 0 || y < 0 || x > window.innerWidth || y > window.innerHeight) return false;
        var at = document.elementFromPoint(x, y);
        return !!at && (at === e || e.contains(at));
    })()''' % element_id)


def full_screen_while_loading(args, failures):
    """Full screen pressed after frostel.js has come and before the first frame, on a slow link."""
    with Session(args.site, gzipped=True) as session:
        session.work = args.work
        b = session.browser
        b.watch_network(megabits=1.5, latency_ms=100)
        b.open(session.server.url())
        b.wait_for('typeof createFrostel === "function" && frostelPage.state.frames === 0', 30, 'frostel.js')
        session.click('fullscreen')
        b.wait_for('!!document.fullscreenElement', 10, 'full screen while loading')
        failures.check(session.state('frames') == 0, 'the scene came before the check: raise the throttle')
        failures.check(visible_in_screen(session, 'progress'), 'no progress bar in full screen')
        width, height, rows = screenshot_rgb(session, 'full-screen-loading.png')
        bar = sum(1 for row in rows for x in range(0, width) if near(tuple(row[3 * x:3 * x + 3]), (0x1c, 0x24, 0x33), 3)
                  or near(tuple(row[3 * x:3 * x + 3]), (0x8f, 0xb4, 0xe8), 3))
        failures.check(bar > 200, 'the progress bar shows in %d pixels of the screenshot' % bar)
        # F leaves full screen while loading, and the button enters it again.
        session.key('f', 'KeyF', 70)
        b.wait_for('!document.fullscreenElement', 10, 'F to leave full screen while loading')
        b.pump(1.0)
        session.click('fullscreen')
        b.wait_for('!!document.fullscreenElement', 10, 'full screen again')
        # Then the scene, a square as large as the screen allows.
        b.wait_for('frostelPage.state.frames >= 5', 60, 'the scene in full screen')
        side = min(b.evaluate('[window.innerWidth, window.innerHeight]'))
        session.wait_for_client_size(side, side, 'the square in full screen')
        failures.check(not visible_in_screen(session, 'progress'), 'the progress bar stays over the scene')
        session.key('f', 'KeyF', 70)
        b.wait_for('!document.fullscreenElement', 10, 'F to leave full screen')
        failures.check(session.state('status') == 'running', 'status %s' % session.state('status'))
    # A fault met in full screen shows its message there, and F still leaves.
    broken = os.path.join(args.work, 'broken')
    os.makedirs(broken)
    for name in ('index.html', 'page.js', 'page.css', 'frostel.js', 'frostel.wasm', 'frostel-data.js.metadata'):
        shutil.copy(os.path.join(args.site, name), broken)
    with open(os.path.join(args.site, 'frostel.data'), 'rb') as f, open(os.path.join(broken, 'frostel.data'), 'wb') as out:
        out.write(f.read()[:-1])
    with Session(broken) as session:
        b = session.browser
        b.watch_network(megabits=1.5, latency_ms=100)
        b.open(session.server.url())
        b.wait_for('typeof createFrostel === "function"', 30, 'frostel.js')
        session.click('fullscreen')
        b.wait_for('!!document.fullscreenElement', 10, 'full screen before the fault')
        b.wait_for('frostelPage.state.status === "failed"', 60, 'the damaged scene')
        b.pump(0.5)
        failures.check(b.evaluate('!!document.fullscreenElement'), 'the fault left full screen')
        failures.check(visible_in_screen(session, 'messages'), 'no message in full screen')
        b.screenshot(os.path.join(args.work, 'fault-in-full-screen.png'))
        session.key('f', 'KeyF', 70)
        b.wait_for('!document.fullscreenElement', 10, 'F to leave full screen after the fault')


# A phone: 390 x 844 CSS pixels at density 3, touch only.
PHONE = (390, 844)

# Placed before the page's own script: a wake lock that grants every request and records each request and release.
# The page alone releases it (this one never lets go by itself), so what is held is what the page holds.
WAKE_LOCK_RECORDER = r"""(function() {
    var record = window.frostelWake = {log: [], held: 0};
    var wakeLock = {request: function(type) {
        record.log.push('request ' + type);
        record.held += 1;
        var listeners = [], released = false;
        return Promise.resolve({type: type, get released() { return released; },
            addEventListener: function(kind, listener) { if (kind === 'release') listeners.push(listener); },
            release: function() {
                if (!released) {
                    released = true;
                    record.held -= 1;
                    record.log.push('release');
                    listeners.forEach(function(listener) { listener(); });
                }
                return Promise.resolve();
            }});
    }};
    Object.defineProperty(Navigator.prototype, 'wakeLock', {get: function() { return wakeLock; }, configurable: true});
})();"""

# The hint and the end notice on a touch screen name no key.
KEY_WORDS = re.compile(r'\b(Escape|Esc|Enter|Space|F|P|key|keys|keyboard)\b')

SHOWN_BUTTONS = r"""[].filter.call(document.querySelectorAll('button'), function(b) {
    var r = b.getBoundingClientRect(); return !b.hidden && r.width > 0 && r.height > 0;
}).map(function(b) { var r = b.getBoundingClientRect(); return [b.id, r.width, r.height]; })"""


def phone_session(args, site, before_load=()):
    session = Session(site, size=PHONE)
    session.work = args.work
    b = session.browser
    b.call('Emulation.setDeviceMetricsOverride', width=PHONE[0], height=PHONE[1], deviceScaleFactor=3, mobile=True)
    b.call('Emulation.setTouchEmulationEnabled', enabled=True, maxTouchPoints=5)
    for script in before_load:
        b.call('Page.addScriptToEvaluateOnNewDocument', source=script)
    return session


def check_touch_sizes(session, failures, what):
    shown = session.browser.evaluate(SHOWN_BUTTONS)
    failures.check(shown and all(w >= 44 and h >= 44 for _, w, h in shown), '%s: buttons %s' % (what, shown))
    return [name for name, _, _ in shown]


def show_controls(session, what):
    """A tap on the scene in a whole-screen view shows the controls."""
    session.tap('view')
    session.browser.wait_for('document.getElementById("page").classList.contains("reveal")', 5, what)


def wake_held(session, held, what):
    session.browser.wait_for('frostelWake.held === %d' % held, 5, 'the wake lock %s' % what)


def phone_touch_run(args, failures):
    """A touch-only visitor on a phone: controls of a finger's size, a hint of taps, and every action by tap."""
    with phone_session(args, args.site, (WAKE_LOCK_RECORDER,)) as session:
        b = session.browser
        session.open_and_wait_for_frames()
        failures.check(check_touch_sizes(session, failures, 'the page') == ['sound', 'pause', 'end', 'fullscreen'],
                       'the page\'s controls: %s' % b.evaluate(SHOWN_BUTTONS))
        hint = b.evaluate('document.getElementById("hint").textContent')
        failures.check('tap' in hint and not KEY_WORDS.search(hint), 'the hint on a phone: %r' % hint)
        b.screenshot(os.path.join(args.work, 'phone-page.png'))
        wake_held(session, 1, 'while playing')
        # Sound on by tap, then Pause silences the music and stops the picture; Play brings both back.
        session.tap('sound')
        b.wait_for(PLAYING, 20, 'the music by tap')
        session.tap('pause')
        b.wait_for('frostelPage.sound.report().contextState === "suspended"', 5, 'Pause to stop the music')
        wake_held(session, 0, 'released on Pause')
        b.pump(0.5)
        still, drawn = picture_still(session, 1.5)
        failures.check(still and drawn == 0, 'Pause by tap: still %s, %d frames' % (still, drawn))
        session.tap('pause')
        b.wait_for(PLAYING, 5, 'Play to start the music again')
        wake_held(session, 1, 'taken again on Play')
        b.pump(0.5)
        failures.check(not picture_still(session, 1.0)[0], 'Play by tap: the picture is still')
        # Hidden, the lock goes; shown again while playing, it comes back.
        window = b.call('Browser.getWindowForTarget')['windowId']
        b.call('Browser.setWindowBounds', windowId=window, bounds={'windowState': 'minimized'})
        b.wait_for('document.visibilityState === "hidden"', 10, 'the page to be hidden')
        wake_held(session, 0, 'released when hidden')
        b.call('Browser.setWindowBounds', windowId=window, bounds={'windowState': 'normal'})
        b.wait_for('document.visibilityState === "visible"', 10, 'the page to be shown')
        wake_held(session, 1, 'taken again when shown')
        # Full screen by tap; a tap on the scene shows the controls, with the way out among them.
        session.tap('fullscreen')
        b.wait_for('document.fullscreenElement === document.getElementById("page")', 10, 'full screen by tap')
        b.pump(0.5)
        failures.check(b.evaluate(SHOWN_BUTTONS) == [], 'controls over the scene before a tap: %s'
                       % b.evaluate(SHOWN_BUTTONS))
        show_controls(session, 'the controls on a tap')
        shown = check_touch_sizes(session, failures, 'full screen')
        failures.check(shown == ['sound', 'pause', 'end', 'fullscreen'] and
                       b.evaluate('document.getElementById("fullscreen").textContent') == 'Leave full screen',
                       'full-screen controls: %s' % shown)
        b.screenshot(os.path.join(args.work, 'phone-full-screen-controls.png'))
        # End by tap ends the run as Escape does; the lock goes with it. (The screenshot may outlast the controls.)
        show_controls(session, 'the controls again')
        session.tap('end')
        b.wait_for('frostelPage.state.status === "ended"', 20, 'End to end the run')
        failures.check(session.state('exitStatus') == 0, 'exit status %s' % session.state('exitStatus'))
        wake_held(session, 0, 'released at the end')
        text = b.evaluate('document.getElementById("ended-text").textContent')
        failures.check('tap "Start again"' in text and not KEY_WORDS.search(text), 'the end on a phone: %r' % text)
        failures.check(visible_in_screen(session, 'again'), 'Start again is out of reach in full screen')
        b.screenshot(os.path.join(args.work, 'phone-ended.png'))
        show_controls(session, 'the way out after the end')
        session.tap('fullscreen')
        b.wait_for('frostelPage.state.view === "page"', 10, 'Leave full screen by tap')
        session.tap('again')
        b.wait_for('frostelPage.state.runs === 2 && frostelPage.state.frames >= 5', 60, 'Start again by tap')
        wake_held(session, 1, 'in the second run')
        failures.check(b.console_errors == [] and b.exceptions == [], 'errors: %s %s' % (b.console_errors,
                                                                                         b.exceptions))


# Before the page's script: a browser with no element full screen, as Safari on an iPhone.
NO_ELEMENT_FULL_SCREEN = r"""(function() {
    ['requestFullscreen', 'webkitRequestFullscreen'].forEach(function(name) { delete Element.prototype[name]; });
    ['fullscreenEnabled', 'webkitFullscreenEnabled'].forEach(function(name) {
        Object.defineProperty(Document.prototype, name, {get: function() { return false; }, configurable: true});
    });
})();"""

# Before the page's script: the display mode an installed app (or the browser's own full screen) has, which the
# browser offers no other way to force.
APP_DISPLAY_MODE = r"""(function() {
    var real = window.matchMedia;
    window.matchMedia = function(query) {
        var answer = real.call(window, query);
        if (!/display-mode: *(fullscreen|standalone)/.test(query)) return answer;
        return {matches: true, media: query, addEventListener: function() {}, removeEventListener: function() {}};
    };
})();"""


def phone_full_screen_views(args, failures):
    """The whole-screen view where the browser has no element full screen, and as the installed app opens."""
    with phone_session(args, args.site, (NO_ELEMENT_FULL_SCREEN,)) as session:
        b = session.browser
        session.open_and_wait_for_frames()
        session.tap('fullscreen')
        b.wait_for('frostelPage.state.view === "filled"', 5, 'the window filled')
        failures.check(not b.evaluate('!!document.fullscreenElement'), 'element full screen after all')
        b.pump(4.5)  # the controls shown by the tap are gone again
        centred_square(session, failures, 'filled window')
        dark_beside(session, failures, 'filled window')
        # Escape leaves the filled window as it leaves full screen, without ending the run.
        session.key('Escape', 'Escape', 27)
        b.wait_for('frostelPage.state.view === "page"', 5, 'Escape to leave the filled window')
        b.pump(0.5)
        failures.check(session.state('status') == 'running', 'Escape ended the run in the filled window')
        session.tap('fullscreen')
        b.wait_for('frostelPage.state.view === "filled"', 5, 'the window filled again')
        show_controls(session, 'the controls on a tap')
        session.tap('fullscreen')
        b.wait_for('frostelPage.state.view === "page"', 5, 'Leave full screen to leave the filled window')
        session.wait_for_client_size(366, 366, 'the page again')
        failures.check(visible_in_screen(session, 'fullscreen') and session.state('status') == 'running',
                       'the page after the filled window')
        failures.check(b.console_errors == [] and b.exceptions == [], 'errors: %s %s' % (b.console_errors,
                                                                                         b.exceptions))
    with phone_session(args, args.site, (APP_DISPLAY_MODE,)) as session:
        b = session.browser
        session.open_and_wait_for_frames()
        failures.check(session.state('view') == 'app', 'the app opens in view %s' % session.state('view'))
        centred_square(session, failures, 'installed app')
        dark_beside(session, failures, 'installed app')
        show_controls(session, 'the app\'s controls')
        failures.check(check_touch_sizes(session, failures, 'the app') == ['sound', 'pause', 'end'],
                       'the app\'s controls: %s' % b.evaluate(SHOWN_BUTTONS))
        failures.check(not visible_in_screen(session, 'hint') and
                       b.evaluate('getComputedStyle(document.querySelector("h1")).display') == 'none',
                       'the title or the hint in the app')


def no_webgl_message(args, failures):
    with Session(args.site, extra_args=('--disable-webgl',)) as session:
        session.browser.watch_network()
        session.browser.open(session.server.url())
        session.browser.wait_for('frostelPage.state.status === "no-webgl"', 30, 'the page to notice')
        text = session.browser.evaluate('document.getElementById("messages").textContent')
        failures.check('WebGL' in text, 'message: %r' % text)
        # Said before anything of the program or the scene is fetched.
        session.browser.pump(2.0)
        fetched = [r['url'].rsplit('/', 1)[-1] for r in session.browser.responses().values()]
        failures.check(not any(n in fetched for n in ('frostel.js', 'frostel.wasm', 'frostel.data')),
                       'fetched without WebGL: %s' % fetched)
        # The buttons and hint that could do nothing are gone; F does not hide the message behind black.
        shown = session.browser.evaluate('["sound", "pause", "fullscreen", "hint"].filter(function(id) {'
                                         ' return !document.getElementById(id).hidden; })')
        failures.check(shown == [], 'shown after the fault: %s' % shown)
        session.key('f', 'KeyF', 70)
        session.browser.pump(0.5)
        failures.check(visible_in_screen(session, 'messages'), 'the message is hidden after F')


def controls_after_the_end(args, failures):
    with Session(args.site) as session:
        session.open_and_wait_for_frames()
        session.click('view')
        session.browser.wait_for('frostelPage.sound.wanted === true', 10, 'the click to turn the sound on')
        failures.check(session.browser.evaluate('document.getElementById("sound").textContent') == 'Sound: on',
                       'the button before the end')
        session.key('Escape', 'Escape', 27)
        session.browser.wait_for('frostelPage.state.status === "ended"', 20, 'the run to end')
        controls = session.browser.evaluate('["sound", "pause", "fullscreen", "hint"].map(function(id) {'
                                            ' var e = document.getElementById(id);'
                                            ' return [id, e.hidden, e.textContent]; })')
        failures.check(all(hidden for _, hidden, _ in controls), 'controls after the end: %s' % controls)
        failures.check(not any(text == 'Sound: on' for _, _, text in controls), 'after the end: %s' % controls)
        text = session.browser.evaluate('document.getElementById("ended-text").textContent')
        failures.check('has ended' in text and 'Start again' in text and 'Closing' not in text,
                       'the end says %r' % text)
        session.browser.screenshot(os.path.join(args.work, 'ended.png'))
        # Enter presses the focused "Start again": the controls come back, and the sound as it was wanted.
        failures.check(session.browser.evaluate('document.activeElement.id') == 'again', 'Start again has no focus')
        for kind in ('keyDown', 'keyUp'):
            session.browser.call('Input.dispatchKeyEvent', type=kind, key='Enter', code='Enter', text='\r',
                                 windowsVirtualKeyCode=13, nativeVirtualKeyCode=13)
        session.browser.wait_for('frostelPage.state.runs === 2 && frostelPage.state.frames >= 5', 60, 'a second run')
        controls = session.browser.evaluate('["sound", "pause", "fullscreen", "hint"].map(function(id) {'
                                            ' var e = document.getElementById(id); return [e.hidden, e.textContent];'
                                            ' })')
        failures.check(not any(hidden for hidden, _ in controls) and controls[0][1] == 'Sound: on',
                       'controls in the second run: %s' % controls)


def picture_still(session, seconds):
    """Two read-backs the given time apart and the frames drawn between them."""
    frames = session.state('frames')
    first = session.read_back()
    session.browser.pump(seconds)
    second = session.read_back()
    return first.rgba == second.rgba, session.state('frames') - frames


def accessible_name(session, selector):
    document = session.browser.call('DOM.getDocument')['root']['nodeId']
    node = session.browser.call('DOM.querySelector', nodeId=document, selector=selector)['nodeId']
    ax = session.browser.call('Accessibility.getPartialAXTree', nodeId=node, fetchRelatives=False)['nodes'][0]
    return ax.get('role', {}).get('value'), ax.get('name', {}).get('value', '')


def reduced_motion_still_until_play(args, failures):
    with Session(args.site) as session:
        session.browser.call('Emulation.setEmulatedMedia',
                             features=[{'name': 'prefers-reduced-motion', 'value': 'reduce'}])
        session.open_and_wait_for_frames(count=1)
        role, name = accessible_name(session, '#view')
        failures.check(role == 'image' and 'snow' in name and 'tree' in name, 'the canvas is %s %r' % (role, name))
        # The still is the scene after a few seconds, settled unseen: never shown moving.
        failures.check(not visible_in_screen(session, 'view') and visible_in_screen(session, 'progress'),
                       'the canvas shows while the still settles')
        session.browser.wait_for('!frostelPage.state.settling', 30, 'the still picture')
        session.browser.pump(0.5)
        settled = session.state('frames')
        still, drawn = picture_still(session, 3.0)
        failures.check(still and drawn == 0, 'with reduced motion: still %s, %d frames in 3 s' % (still, drawn))
        failures.check(settled >= 90 and visible_in_screen(session, 'view'), 'the still after %d frames' % settled)
        label = session.browser.evaluate('document.getElementById("pause").textContent')
        failures.check(label == 'Play', 'the button says %r' % label)
        note = session.browser.evaluate('document.getElementById("still-note").textContent')
        failures.check(visible_in_screen(session, 'still-note') and 'reduced motion' in note and 'Play' in note,
                       'the reason for the still: %r' % note)
        session.browser.screenshot(os.path.join(args.work, 'reduced-motion.png'))
        session.click('pause')
        session.browser.wait_for('frostelPage.state.frames >= %d' % (settled + 20), 30, 'frames after Play')
        still, drawn = picture_still(session, 1.0)
        failures.check(not still and drawn > 0, 'after Play: still %s, %d frames' % (still, drawn))
        failures.check(not visible_in_screen(session, 'still-note'), 'the reason stays after Play')


def audio_state(session):
    return session.browser.evaluate('frostelPage.sound.report().contextState')


def pause_and_play(args, failures):
    with Session(args.site) as session:
        session.open_and_wait_for_frames()
        session.click('view')
        session.browser.wait_for(PLAYING, 20, 'the music to start')
        session.key('p', 'KeyP', 80)
        session.browser.wait_for('frostelPage.sound.report().contextState === "suspended"', 5, 'P to stop the music')
        session.browser.pump(0.5)
        still, drawn = picture_still(session, 2.0)
        failures.check(still and drawn == 0, 'P paused: still %s, %d frames' % (still, drawn))
        # Hidden and shown again while paused: still paused.
        window = session.browser.call('Browser.getWindowForTarget')['windowId']
        session.browser.call('Browser.setWindowBounds', windowId=window, bounds={'windowState': 'minimized'})
        session.browser.wait_for('document.visibilityState === "hidden"', 10, 'the page to be hidden')
        session.browser.call('Browser.setWindowBounds', windowId=window, bounds={'windowState': 'normal'})
        session.browser.wait_for('document.visibilityState === "visible"', 10, 'the page to be shown')
        session.browser.pump(0.5)
        still, drawn = picture_still(session, 2.0)
        failures.check(still and drawn == 0, 'shown again while paused: still %s, %d frames' % (still, drawn))
        failures.check(audio_state(session) == 'suspended', 'shown again while paused: %s' % audio_state(session))
        session.click('pause')
        session.browser.wait_for(PLAYING, 5, 'Play to start the music again')
        session.browser.pump(1.0)
        still, drawn = picture_still(session, 1.0)
        failures.check(not still and drawn > 0, 'Play: still %s, %d frames' % (still, drawn))
        # The music goes on from where it stopped: the context's clock moved on by no more than the time played.
        played = session.browser.evaluate('frostelPage.sound.context.currentTime')
        session.click('pause')
        session.browser.pump(0.5)
        failures.check(audio_state(session) == 'suspended', 'the Pause button: %s' % audio_state(session))
        still, drawn = picture_still(session, 2.0)
        failures.check(still and drawn == 0, 'the Pause button: still %s, %d frames' % (still, drawn))
        stopped = session.browser.evaluate('frostelPage.sound.context.currentTime')
        failures.check(stopped - played < 0.6, 'the music went on %.2f s while paused' % (stopped - played))
        session.key('p', 'KeyP', 80)
        session.browser.pump(1.0)
        failures.check(not picture_still(session, 1.0)[0], 'P plays')
        failures.check(session.state('status') == 'running', 'status %s' % session.state('status'))


def worker_version(site):
    with open(os.path.join(site, 'sw.js')) as f:
        text = f.read()
    return text.split("version: '", 1)[1].split("'", 1)[0]


def cache_names(session):
    return session.browser.evaluate('caches.keys()', awaiting=True)


def cache_name(session, version, path=''):
    """A build's cache, named by its version and its worker's scope."""
    return 'frostel-%s %s' % (version, session.server.url(path))


def kept_files(session, version, path=''):
    """The files a build's cache holds, by their path below the scope."""
    scope = session.server.url(path)
    return session.browser.evaluate(
        'caches.open("%s").then(function(c) { return c.keys(); }).then(function(ks) {'
        ' return ks.map(function(k) { return k.url.slice(%d); }).sort(); })' % (cache_name(session, version, path),
                                                                              len(scope)),
        awaiting=True)


def offline_after_one_visit(args, failures):
    data = os.path.join(args.work, 'stage', 'data')
    write_test_data(data, args.data)
    site = make_site(args, data)
    version = worker_version(site)
    with Session(site) as session:
        session.open_and_wait_for_frames()
        session.browser.wait_for('frostelPage.state.offline === "ready"', 60, 'the worker')
        failures.check(cache_names(session) == [cache_name(session, version)], 'caches %s' % cache_names(session))
        kept = kept_files(session, version)
        wanted = sorted(PAGE_FILES + ('frostel.data', 'frostel-data.js.metadata', 'data/music.mp3'))
        failures.check(kept == wanted, 'kept %s, not %s' % (kept, wanted))
        manifest = session.browser.call('Page.getAppManifest')
        failures.check(not manifest.get('errors'), 'manifest errors %s' % manifest.get('errors'))
        installability = session.browser.call('Page.getInstallabilityErrors')['installabilityErrors']
        failures.check(installability == [], 'installability errors %s' % installability)
        parsed = json.loads(manifest['data'])
        # The id is read against the start URL, itself read against the manifest's own.
        app_id = urllib.parse.urljoin(urllib.parse.urljoin(manifest['url'], parsed['start_url']), parsed['id'])
        failures.check(app_id == session.server.url(''), 'the app id %s' % app_id)
        check_install_sheet(site, parsed, failures)
        # The network off: the server gone.
        session.server.close()
        session.browser.open(session.server.url())
        session.browser.wait_for('frostelPage.state.runs === 1 && frostelPage.state.frames >= 20', 60,
                                 'the scene offline')
        frame_fills(session.read_back(), failures, 'offline')
        session.browser.wait_for('frostelPage.state.music === "arrived"', 20, 'the music offline')
        failures.check(session.browser.evaluate('document.getElementById("messages").textContent') == '',
                       'offline messages')


def png_size(path):
    with open(path, 'rb') as f:
        return struct.unpack('>II', f.read(24)[16:24])


def check_install_sheet(site, manifest, failures):
    """A maskable icon, and a wide and a narrow screenshot of the sizes the manifest states."""
    maskable = [i for i in manifest['icons'] if i.get('purpose') == 'maskable']
    failures.check(any(i['sizes'] == '512x512' for i in maskable), 'maskable icons %s' % maskable)
    shots = {s.get('form_factor'): s for s in manifest.get('screenshots', [])}
    failures.check(sorted(shots) == ['narrow', 'wide'], 'screenshots %s' % sorted(shots))
    for entry in maskable + list(shots.values()):
        width, height = png_size(os.path.join(site, entry['src']))
        failures.check(entry['sizes'] == '%dx%d' % (width, height), '%s is %dx%d' % (entry, width, height))
    for form, wider in (('wide', True), ('narrow', False)):
        if form in shots:
            width, height = png_size(os.path.join(site, shots[form]['src']))
            failures.check((width > height) == wider, 'the %s screenshot is %dx%d' % (form, width, height))


def wait_for_promise(session, expression, seconds, what):
    deadline = time.monotonic() + seconds
    while not session.browser.evaluate(expression, awaiting=True):
        if time.monotonic() > deadline:
            raise browser.BrowserError('timed out after %g s waiting for %s' % (seconds, what))
        session.browser.pump(0.2)


def site_update_replaces_whole(args, failures):
    old_data = os.path.join(args.work, 'stage', 'data')
    write_test_data(old_data, args.data)
    site = make_site(args, old_data)
    new_data = os.path.join(args.work, 'stage-new', 'data')
    new_frame = (230, 120, 20)
    write_test_data(new_data, args.data, frame=new_frame)
    new_site = make_site(args, new_data, name='site-new')
    old, new = worker_version(site), worker_version(new_site)
    failures.check(old != new, 'one version for two data packages')

    def visit(what, frame):
        session.browser.open(session.server.url())
        session.browser.wait_for('frostelPage.state.frames >= 10', 60, what)
        frame_fills(session.read_back(), failures, what, frame)

    with Session(site) as session:
        session.open_and_wait_for_frames()
        session.browser.wait_for('frostelPage.state.offline === "ready"', 60, 'the worker')
        # Halfway through an upload: the new worker is there, the new scene not yet. It must not be kept.
        shutil.copy(os.path.join(new_site, 'sw.js'), site)
        visit('the old site with the new worker', FRAME)
        session.browser.pump(3.0)
        failures.check(cache_names(session) == [cache_name(session, old)],
                       'half an upload kept: %s' % cache_names(session))
        # The whole new site: the page open now stays the old one whole, the next is the new one whole.
        for name in ('frostel.data', 'frostel-data.js.metadata'):
            shutil.copy(os.path.join(new_site, name), site)
        visit('the old site while the new one installs', FRAME)
        wait_for_promise(session, 'navigator.serviceWorker.getRegistration().then(function(r) {'
                         ' return !!r.waiting; })', 30, 'the new worker to wait')
        session.browser.open('about:blank')
        session.browser.pump(1.0)
        visit('the new site', new_frame)
        wait_for_promise(session, 'caches.keys().then(function(k) { return k.length === 1 && k[0] === "%s"; })'
                         % cache_name(session, new), 20, 'the old cache to go')


def music_by_gesture(session, what):
    """A click starts the music; it must be the MP3, decoded, with no fallback to the WAV."""
    session.click('view')
    session.browser.wait_for(PLAYING + ' && frostelPage.state.music === "decoded"', 30, 'the music ' + what)


def offline_on_tight_and_shared_hosts(args, failures):
    """Storage too small for the music, too small for the page, and two copies of the page on one host."""
    with Session(args.site) as session:
        b = session.browser
        origin = session.server.url('')[:-1]
        # Room for the page's files but not the music: the music is still heard, on every visit.
        b.call('Storage.overrideQuotaForOrigin', origin=origin, quotaSize=2600000)
        b.watch_network()
        session.open_and_wait_for_frames()
        music_by_gesture(session, 'on the first visit')
        b.wait_for('frostelPage.state.offline === "ready"', 60, 'the worker with a tight quota')
        b.network.clear()
        session.open_and_wait_for_frames()
        failures.check(b.evaluate('!!navigator.serviceWorker.controller'), 'the second visit has no worker')
        music_by_gesture(session, 'through the worker that cannot keep it')
        fetched = [r['url'].rsplit('/', 1)[-1] for r in b.responses().values()]
        failures.check('music.wav' not in fetched, 'the WAV fetched with a tight quota: %s' % fetched)
        failures.check('data/music.mp3' not in kept_files(session, worker_version(args.site)),
                       'the music kept beyond the quota')
        failures.check(b.console_errors == [], 'console errors: %s' % b.console_errors)
        # Room for nothing: installing fails, is said once, and the page stops saying it is registering.
        tiny = browser.Server(args.site)
        try:
            b.call('Storage.overrideQuotaForOrigin', origin=tiny.url('')[:-1], quotaSize=1000000)
            b.open(tiny.url())
            b.wait_for('frostelPage.state.frames >= 5', 60, 'the scene with a tiny quota')
            b.wait_for('frostelPage.state.offline === "failed"', 60, 'the failed install to be said')
            b.pump(2.0)
            said = [e for e in b.console_errors if 'offline' in e]
            failures.check(len(said) == 1 and len(b.console_errors) == 1, 'the failure said as %s' % b.console_errors)
            failures.check(session.state('offline') == 'failed' and session.state('status') == 'running',
                           'after the failed install: %s, %s' % (session.state('offline'), session.state('status')))
        finally:
            tiny.close()

    # Two builds in two folders of one host, each with an old cache from before caches had scopes.
    host = os.path.join(args.work, 'host')
    data_a = os.path.join(args.work, 'stage-a', 'data')
    write_test_data(data_a, args.data)
    data_b = os.path.join(args.work, 'stage-b', 'data')
    frame_b = (230, 120, 20)
    write_test_data(data_b, args.data, frame=frame_b)
    versions = {'a/': worker_version(make_site(args, data_a, name='host/a')),
                'b/': worker_version(make_site(args, data_b, name='host/b'))}
    with Session(host) as session:
        b = session.browser

        def visit(folder, frame, what):
            b.open(session.server.url(folder + 'index.html'))
            b.wait_for('frostelPage.state.runs === 1 && frostelPage.state.frames >= 20', 60, what)
            frame_fills(session.read_back(), failures, what, frame)

        visit('a/', FRAME, '/a/')
        b.wait_for('frostelPage.state.offline === "ready"', 60, 'the worker of /a/')
        for folder in ('a/', 'b/'):
            b.evaluate('caches.open("frostel-%s").then(function(c) { return c.put("%s", new Response("old")); })'
                       % (folder[0] * 16, session.server.url(folder + 'index.html')), awaiting=True)
        visit('b/', frame_b, '/b/')
        b.wait_for('frostelPage.state.offline === "ready"', 60, 'the worker of /b/')
        wait_for_promise(session, 'caches.keys().then(function(k) { return k.indexOf("frostel-%s") < 0; })'
                         % ('b' * 16), 20, '/b/\'s old cache to go')
        names = sorted(cache_names(session))
        wanted = sorted([cache_name(session, versions['a/'], 'a/'), cache_name(session, versions['b/'], 'b/'),
                         'frostel-' + 'a' * 16])
        failures.check(names == wanted, 'caches %s, not %s' % (names, wanted))
        session.server.close()
        visit('a/', FRAME, '/a/ offline after /b/')
        visit('b/', frame_b, '/b/ offline')


def wrong_types_said(args, failures):
    """A host that sends files as text/plain with nosniff: the page says what is wrong instead of loading on."""
    for plain, words in ((('*',), 'the page\'s script as "text/plain"'),
                         (('frostel.js',), 'its program (frostel.js) as "text/plain"')):
        with Session(args.site, plain=plain) as session:
            session.browser.open(session.server.url())
            session.browser.wait_for('document.getElementById("messages").textContent', 10, 'a message')
            text = session.browser.evaluate('document.getElementById("messages").textContent')
            failures.check(words in text and 'text/javascript' in text, '%s plain: %r' % (plain, text))
            failures.check(session.browser.evaluate('document.getElementById("progress").hidden'),
                           '%s plain: the progress bar stays' % (plain,))
            if plain == ('*',):
                session.browser.screenshot(os.path.join(args.work, 'wrong-types.png'))


CASES = {f.__name__: f for f in (scene_draws, missing_overlay_whitens, escape_ends_and_starts_again,
                                  hidden_page_stops_drawing, music_after_gesture, music_falls_back, no_webgl_message,
                                  missing_file_messages, slow_link_first_frame, sharp_and_narrow,
                                  full_screen_both_ways, page_is_reproducible, film_fidelity, context_lost_and_restored,
                                  restarts_do_not_leak, clean_console_and_free_input, images_of_any_size_repeat,
                                  keys_without_page_errors, full_screen_wide_stays_black, full_screen_portrait_stays_black,
                                  full_screen_while_loading, controls_after_the_end, reduced_motion_still_until_play,
                                  pause_and_play, offline_after_one_visit, site_update_replaces_whole,
                                  wrong_types_said, phone_touch_run, phone_full_screen_views,
                                  offline_on_tight_and_shared_hosts)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--site', required=True)
    parser.add_argument('--data', required=True)
    parser.add_argument('--packager', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--film', help='frostel-film, for film_fidelity')
    parser.add_argument('--cmake', default='cmake')
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
