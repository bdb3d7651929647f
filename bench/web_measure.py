"""The browser build's figures for docs/performance.md: frames per second and the main thread's script
milliseconds per frame in headless Chromium (SwiftShader; Chromium's own Performance metrics over the
DevTools protocol), beside the Linux build on Mesa (llvmpipe under Xvfb, counted by Mesa's own HUD), start-up
to the first frame, and what the page downloads. Not a test: run it by hand from the checkout after scripts/test.

    /usr/bin/python3 bench/web_measure.py build-web build [SECONDS] [RUNS] [--before OTHER-BUILD-WEB]
"""
import argparse
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


def process_cpu(b):
    """CPU seconds so far of each kind of Chromium process under the browser (the renderer runs the page's main
    thread; the GPU process runs SwiftShader, which rasterises on the CPU)."""
    ticks = float(os.sysconf('SC_CLK_TCK'))
    parents, cpu, kinds = {}, {}, {}
    for name in os.listdir('/proc'):
        if not name.isdigit():
            continue
        try:
            with open('/proc/%s/stat' % name) as f:
                fields = f.read().rsplit(')', 1)[1].split()
            with open('/proc/%s/cmdline' % name, 'rb') as f:
                # Chromium rewrites its command line as one string, spaces between the arguments.
                args = f.read().replace(b'\0', b' ').split()
        except OSError:
            continue
        pid = int(name)
        parents[pid] = int(fields[1])
        cpu[pid] = (int(fields[11]) + int(fields[12])) / ticks
        kinds[pid] = next((a.split(b'=', 1)[1].decode() for a in args if a.startswith(b'--type=')), 'browser')
    totals = {}
    for pid in cpu:
        at = pid
        while at in parents and at != b.process.pid and at > 1:
            at = parents[at]
        if at == b.process.pid:
            totals[kinds[pid]] = totals.get(kinds[pid], 0.0) + cpu[pid]
    return totals


def metrics(b):
    """Chromium's running totals for the page's main thread, in seconds (ScriptDuration is JavaScript and
    WebAssembly; TaskDuration everything the thread did)."""
    values = {m['name']: m['value'] for m in b.call('Performance.getMetrics')['metrics']}
    return values['ScriptDuration'], values['TaskDuration']


def measure_page(url, seconds, figures):
    b = browser.Browser()
    try:
        b.open(url)
        b.wait_for('frostelPage.state.frames >= 1', 60, 'the first frame')
        # performance.now() counts from the navigation: this is load, compile, data and set-up.
        figures.setdefault('start', []).append(b.evaluate('frostelPage.state.firstFrameAt'))
        b.pump(2.0)
        # The main thread's own CPU time first (threadTicks: what a busy machine does not inflate), then the
        # same totals in wall time, as a profile shows them.
        for domain in ('threadTicks', 'timeTicks'):
            b.call('Performance.disable')
            b.call('Performance.enable', timeDomain=domain)
            f0, t0 = b.evaluate('[frostelPage.state.frames, performance.now()]')
            s0, k0 = metrics(b)
            c0 = process_cpu(b)
            b.pump(seconds)
            f1, t1 = b.evaluate('[frostelPage.state.frames, performance.now()]')
            s1, k1 = metrics(b)
            c1 = process_cpu(b)
            frames = max(f1 - f0, 1)
            figures.setdefault('script ' + domain, []).append((s1 - s0) * 1000.0 / frames)
            figures.setdefault('busy ' + domain, []).append((k1 - k0) * 1000.0 / frames)
            if domain == 'threadTicks':
                figures.setdefault('fps', []).append((f1 - f0) * 1000.0 / (t1 - t0))
                for kind in c1:
                    figures.setdefault('cpu ' + kind, []).append((c1[kind] - c0.get(kind, 0.0)) * 1000.0 / frames)
    finally:
        b.close()


LINES = (('start', 'first frame after navigation, ms', '%.0f'),
         ('fps', 'frames per second', '%.1f'),
         ('script threadTicks', 'main-thread script ms per frame, CPU time', '%.2f'),
         ('busy threadTicks', 'main-thread busy ms per frame (all tasks), CPU time', '%.2f'),
         ('script timeTicks', 'main-thread script ms per frame, wall time', '%.2f'),
         ('busy timeTicks', 'main-thread busy ms per frame (all tasks), wall time', '%.2f'),
         ('cpu renderer', 'CPU ms per frame, renderer process (all its threads)', '%.2f'),
         ('cpu gpu-process', 'CPU ms per frame, GPU process (SwiftShader)', '%.2f'),
         ('cpu browser', 'CPU ms per frame, browser process', '%.2f'))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('site')
    parser.add_argument('build')
    parser.add_argument('seconds', nargs='?', type=float, default=10.0)
    parser.add_argument('runs', nargs='?', type=int, default=3)
    parser.add_argument('--before', help='another browser build to measure in the same runs, turn about')
    args = parser.parse_args()
    sites = [('before', args.before)] if args.before else []
    sites.append(('page', args.site))
    for label, site in sites:
        print(label, site)
        sizes(site)
    servers = {label: browser.Server(site) for label, site in sites}
    figures = {label: {} for label, _ in sites}
    linux = []
    try:
        for run in range(args.runs):
            for label, _ in sites:
                measure_page(servers[label].url(), args.seconds, figures[label])
            linux.append(linux_rate(args.build, args.seconds))
    finally:
        for server in servers.values():
            server.close()
    for label, _ in sites:
        print('%s, %d runs of %g s:' % (label, args.runs, args.seconds))
        for key, text, form in LINES:
            if key in figures[label]:
                print('  %-55s %s' % (text, ', '.join(form % v for v in figures[label][key])))
    print('frames per second over %g s, Linux on Mesa: %s' % (args.seconds, ', '.join('%.1f' % r for r in linux)))
    print('load average: %s' % open('/proc/loadavg').read().split()[:3])


if __name__ == '__main__':
    main()
