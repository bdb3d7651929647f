"""The page's weight and its first frame as a visitor's browser sees them, for docs/performance.md: headless
Chromium over its DevTools protocol, the page served gzipped from 127.0.0.1 as common static hosts serve it, on
an unthrottled link and on 1.5 Mbit/s with 100 ms latency. Not a test: run it by hand after scripts/web.

    /usr/bin/python3 bench/web_load_measure.py build-web [RUNS]
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
import browser  # noqa: E402

LINKS = (('fast (unthrottled), gzip', None, 0, True), ('1.5 Mbit/s, 100 ms, gzip', 1.5, 100, True),
         ('1.5 Mbit/s, 100 ms, no compression', 1.5, 100, False))


def load(server, megabits, latency):
    """Bytes over the wire before the first frame, its time after navigation, and the whole page's bytes."""
    b = browser.Browser()
    try:
        b.watch_network(megabits, latency)
        b.open(server.url())
        b.wait_for('frostelPage.state.frames >= 1', 120, 'the first frame')
        before = b.bytes_received()
        first = b.evaluate('frostelPage.state.firstFrameAt')
        b.wait_for('frostelPage.state.music === "arrived"', 120, 'the music')
        b.pump(0.5)
        files = {r['url'].rsplit('/', 1)[-1]: b.finished().get(i) for i, r in b.responses().items()}
        return before, first, sum(v or 0 for v in files.values()), files
    finally:
        b.close()


def offline_weight(site, cached):
    """What the offline worker adds to the first visit (its own fetches, counted by the server as it sends them,
    gzipped), and what a second visit fetches over the network once the worker keeps the page; served with
    no-store as the tests serve, or with a host's usual validators, which the worker's fetches revalidate."""
    server = browser.Server(site, gzipped=True, cached=cached)
    b = browser.Browser()
    try:
        b.open(server.url())
        b.wait_for('frostelPage.state.offline === "ready"', 120, 'the worker')
        b.pump(1.0)
        first = list(server.served)
        del server.served[:]
        b.open(server.url())
        b.wait_for('frostelPage.state.frames >= 1 && frostelPage.state.offline === "ready"', 120, 'the second visit')
        b.pump(3.0)
        second = list(server.served)
    finally:
        b.close()
        server.close()
    label = 'validators' if cached else 'no-store'
    print('%s: first visit, the worker included: %d bytes of bodies sent: %s' % (label, sum(n for _, n in first),
                                                                                 first))
    print('%s: second visit: %d bytes of bodies sent: %s' % (label, sum(n for _, n in second), second))


def main():
    site = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    music = os.path.join(site, 'data', 'music.mp3')
    kind = subprocess.run(['file', '-b', music], capture_output=True, text=True).stdout.strip()
    print('music: %d bytes (%s); the WAV it comes from: %d bytes'
          % (os.path.getsize(music), kind, os.path.getsize(os.path.join(site, 'data', 'music.wav'))))
    for label, megabits, latency, gzipped in LINKS:
        server = browser.Server(site, gzipped=gzipped)
        try:
            results = [load(server, megabits, latency) for _ in range(runs)]
        finally:
            server.close()
        print('%s: first frame after %s ms, %s bytes before it; whole page %s bytes'
              % (label, ', '.join('%.0f' % r[1] for r in results), ', '.join('%d' % r[0] for r in results),
                 ', '.join('%d' % r[2] for r in results)))
        print('  per file, as sent: %s' % sorted(results[-1][3].items()))
    offline_weight(site, False)
    offline_weight(site, True)


if __name__ == '__main__':
    main()
