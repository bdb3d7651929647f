"""The browser build's figures for docs/performance.md: frames per second in headless Chromium (SwiftShader)
beside the Linux build on Mesa (llvmpipe under Xvfb, counted by Mesa's own HUD), start-up to the first
frame, and what the page downloads. Not a test: run it by hand from the checkout after scripts/test.

    /usr/bin/python3 bench/web_measure.py build-web build [SECONDS]
"""
import gzip
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
import browser  # noqa: E402

PARTS = (('code', ('frostel.js', 'frostel.wasm', 'page.js', 'index.html', 'page.css')),
         ('data', ('frostel.data', 'frostel-data.js.metadata')),
         ('music', ('data/music.mp3',)))


def sizes(site):
    for label, names in PARTS:
        raw = sum(os.path.getsize(os.path.join(site, n)) for n in names)
        packed = sum(len(gzip.compress(open(os.path.join(site, n), 'rb').read(), 6)) for n in names)
        print('%-5s %10d bytes, %10d gzipped' % (label, raw, packed))


def linux_rate(build, seconds):
    """Mesa's HUD writes the frame rate of each second to a file; the first two seconds are start-up."""
    with tempfile.TemporaryDirectory() as dump:
        env = dict(os.environ, SDL_VIDEODRIVER='x11', SDL_AUDIODRIVER='dummy', GALLIUM_HUD='fps',
                   GALLIUM_HUD_PERIOD='1', GALLIUM_HUD_DUMP_DIR=dump)
        subprocess.run(['xvfb-run', '-a', '-s', '-screen 0 640x640x24 +extension GLX', 'timeout', '-s', 'TERM',
                        str(int(seconds + 3)), './frostel'], cwd=build, env=env, timeout=seconds + 60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(dump, 'fps')) as f:
            values = [float(v) for v in f.read().split()][2:]
    return sum(values) / len(values)


def main():
    site, build = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 10.0
    sizes(site)
    linux = []
    server = browser.Server(site)
    starts, rates = [], []
    try:
        for run in range(3):
            b = browser.Browser()
            try:
                b.open(server.url())
                b.wait_for('frostelPage.state.frames >= 1', 60, 'the first frame')
                # performance.now() counts from the navigation: this is load, compile, data and set-up.
                starts.append(b.evaluate('frostelPage.state.firstFrameAt'))
                b.pump(2.0)
                f0, t0 = b.evaluate('[frostelPage.state.frames, performance.now()]')
                b.pump(seconds)
                f1, t1 = b.evaluate('[frostelPage.state.frames, performance.now()]')
                rates.append((f1 - f0) * 1000.0 / (t1 - t0))
            finally:
                b.close()
            linux.append(linux_rate(build, seconds))
    finally:
        server.close()
    print('first frame after navigation: %s ms' % ', '.join('%.0f' % s for s in starts))
    print('frames per second over %g s, browser: %s' % (seconds, ', '.join('%.1f' % r for r in rates)))
    print('frames per second over %g s, Linux on Mesa: %s' % (seconds, ', '.join('%.1f' % r for r in linux)))


if __name__ == '__main__':
    main()
