"""Headless Chromium over its DevTools protocol, and a static server on 127.0.0.1, for the browser tests.

Every wait is bounded: a page that never draws or a browser that never answers fails the test instead of
hanging the run.
"""
import base64
import functools
import gzip
import http.server
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import urllib.request

import websocket

CHROMIUM = os.environ.get('FROSTEL_CHROMIUM', 'chromium-headless-shell')


# The types docs/web.md asks a host for: the program's and the music's above all.
MIME_TYPES = {'.wasm': 'application/wasm', '.js': 'text/javascript', '.mp3': 'audio/mpeg', '.wav': 'audio/wav',
              '.data': 'application/octet-stream', '.metadata': 'application/json',
              '.webmanifest': 'application/manifest+json'}
# What common static hosts compress on the way; the MP3 is compressed already.
GZIPPED = ('.html', '.css', '.js', '.wasm', '.data', '.metadata', '.wav')


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **MIME_TYPES)
    gzip = False
    plain = ()  # file names sent as text/plain with nosniff, as a misconfigured host does ('*': all but the HTML)

    def guess_type(self, path):
        name = os.path.basename(path)
        if name in self.plain or ('*' in self.plain and not name.endswith('.html')):
            return 'text/plain'
        return super().guess_type(path)

    def log_message(self, *args):
        pass

    def end_headers(self):
        # Every run loads afresh: a test's own data must never come from the cache. A host's usual validators
        # (Last-Modified, answered with 304) where asked for.
        if not self.cached:
            self.send_header('Cache-Control', 'no-store')
        if self.plain:
            self.send_header('X-Content-Type-Options', 'nosniff')
        super().end_headers()

    cached = False
    served = None  # a list that gets (path, body bytes) of each answer, for measuring what a worker fetches

    def send_header(self, keyword, value):
        if keyword == 'Content-Length' and self.served is not None:
            self.served.append((self.path, int(value)))
        super().send_header(keyword, value)

    def do_GET(self):
        path = self.translate_path(self.path)
        if not (self.gzip and path.endswith(GZIPPED) and os.path.isfile(path)
                and 'gzip' in self.headers.get('Accept-Encoding', '')):
            return super().do_GET()
        modified = self.date_time_string(int(os.path.getmtime(path)))
        if self.cached and self.headers.get('If-Modified-Since') == modified:
            self.send_response(304)
            self.end_headers()
            return
        with open(path, 'rb') as f:
            body = gzip.compress(f.read(), 6, mtime=0)
        self.send_response(200)
        if self.cached:
            self.send_header('Last-Modified', modified)
        self.send_header('Content-Type', self.guess_type(path))
        self.send_header('Content-Encoding', 'gzip')
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the page went on to another (a test's next site)


class Server:
    """Serves one folder on 127.0.0.1 at a free port."""

    def __init__(self, folder, gzipped=False, plain=(), cached=False):
        self.served = []
        handler = functools.partial(type('Handler', (QuietHandler,), {'gzip': gzipped, 'plain': plain,
                                                                      'served': self.served, 'cached': cached}),
                                    directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path='index.html'):
        return 'http://127.0.0.1:%d/%s' % (self.port, path)

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class BrowserError(Exception):
    pass


class Browser:
    """One headless Chromium with a fresh profile, and a DevTools session on its one page."""

    def __init__(self, width=800, height=800, timeout=30.0, extra_args=()):
        self.profile = tempfile.mkdtemp(prefix='frostel-chromium-')
        self.log_path = os.path.join(self.profile, 'stderr.log')
        self.timeout = timeout
        self.console = []
        self.console_errors = []  # console.error and failed console.assert, also in console
        self.exceptions = []
        self.log = []  # the browser's own messages (WebGL warnings, violations), once Log is enabled
        self.network = []  # Network.* events, once watch_network has been called
        self.next_id = 0
        args = [CHROMIUM, '--headless', '--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader',
                '--enable-unsafe-swiftshader', '--disable-background-networking', '--disable-component-update',
                '--disable-sync', '--no-first-run', '--no-default-browser-check', '--mute-audio',
                '--autoplay-policy=user-gesture-required', '--user-data-dir=' + self.profile,
                '--remote-debugging-address=127.0.0.1', '--remote-debugging-port=0',
                '--window-size=%d,%d' % (width, height)] + list(extra_args) + ['about:blank']
        # Its own process group, so the renderer and GPU processes go with it.
        with open(self.log_path, 'w') as log:
            self.process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=log, start_new_session=True)
        try:
            self.socket = websocket.create_connection(self._page_socket(), timeout=timeout)
            self.call('Runtime.enable')
            self.call('Page.enable')
        except Exception:
            self.close()
            raise

    def _page_socket(self):
        deadline = time.monotonic() + self.timeout
        port = None
        while time.monotonic() < deadline and port is None:
            if self.process.poll() is not None:
                raise BrowserError('chromium exited early: ' + self._log_tail())
            with open(self.log_path) as log:
                for line in log:
                    if 'DevTools listening on ws://' in line:
                        port = line.split('ws://', 1)[1].split('/', 1)[0].rsplit(':', 1)[1]
            time.sleep(0.05)
        if port is None:
            raise BrowserError('chromium gave no DevTools address: ' + self._log_tail())
        while time.monotonic() < deadline:
            with urllib.request.urlopen('http://127.0.0.1:%s/json' % port, timeout=5) as answer:
                pages = [t for t in json.load(answer) if t.get('type') == 'page']
            if pages:
                return pages[0]['webSocketDebuggerUrl']
            time.sleep(0.1)
        raise BrowserError('chromium opened no page')

    def _log_tail(self):
        try:
            with open(self.log_path) as log:
                return log.read()[-2000:]
        except OSError:
            return ''

    def _note(self, event):
        method = event.get('method')
        if method == 'Runtime.consoleAPICalled':
            args = event['params'].get('args', [])
            text = ' '.join(str(a.get('value', a.get('description', ''))) for a in args)
            self.console.append(text)
            if event['params'].get('type') in ('error', 'assert'):
                self.console_errors.append(text)
        elif method == 'Log.entryAdded':
            entry = event['params']['entry']
            self.log.append('%s %s: %s' % (entry.get('source'), entry.get('level'), entry.get('text')))
        elif method == 'Runtime.exceptionThrown':
            details = event['params']['exceptionDetails']
            self.exceptions.append(details.get('exception', {}).get('description', details.get('text')))
        elif method and method.startswith('Network.'):
            self.network.append(event)

    def call(self, method, **params):
        self.next_id += 1
        wanted = self.next_id
        self.socket.send(json.dumps({'id': wanted, 'method': method, 'params': params}))
        deadline = time.monotonic() + self.timeout
        while time.monotonic() < deadline:
            message = json.loads(self.socket.recv())
            if message.get('id') == wanted:
                if 'error' in message:
                    raise BrowserError('%s: %s' % (method, message['error']))
                return message.get('result', {})
            self._note(message)
        raise BrowserError(method + ' got no answer')

    def evaluate(self, expression, awaiting=False, command_line=False):
        result = self.call('Runtime.evaluate', expression=expression, returnByValue=True, awaitPromise=awaiting,
                           includeCommandLineAPI=command_line)
        if 'exceptionDetails' in result:
            raise BrowserError('%s: %s' % (expression, result['exceptionDetails']))
        return result['result'].get('value')

    def pump(self, seconds):
        """Lets real time pass while taking the page's events (animation frames need real time)."""
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return
            self.socket.settimeout(left)
            try:
                self._note(json.loads(self.socket.recv()))
            except websocket.WebSocketTimeoutException:
                return
            finally:
                self.socket.settimeout(self.timeout)

    def wait_for(self, expression, seconds, what):
        deadline = time.monotonic() + seconds
        guarded = '(function() { try { return (%s); } catch (e) { return false; } })()' % expression
        while time.monotonic() < deadline:
            value = self.evaluate(guarded)
            if value:
                return value
            self.pump(0.1)
        raise BrowserError('timed out after %g s waiting for %s; console: %s; exceptions: %s'
                           % (seconds, what, self.console[-10:], self.exceptions[-5:]))

    def open(self, url):
        self.call('Page.navigate', url=url)

    def watch_network(self, megabits=None, latency_ms=0):
        """Records the page's network events from here on; with megabits, throttles the link both ways."""
        self.call('Network.enable')
        self.call('Network.setCacheDisabled', cacheDisabled=True)
        if megabits:
            rate = megabits * 1e6 / 8
            self.call('Network.emulateNetworkConditions', offline=False, latency=latency_ms,
                      downloadThroughput=rate, uploadThroughput=rate)

    def bytes_received(self):
        """Bytes that have come over the wire so far (compressed, as sent), counted from the network events."""
        finished = self.finished()
        partial = sum(e['params'].get('encodedDataLength', 0) for e in self.network
                      if e['method'] == 'Network.dataReceived' and e['params']['requestId'] not in finished)
        return sum(finished.values()) + partial

    def responses(self):
        """The URL, status and headers of each response, by request."""
        return {e['params']['requestId']: e['params']['response'] for e in self.network
                if e['method'] == 'Network.responseReceived'}

    def finished(self):
        """Bytes over the wire for each finished request, by request (headers included)."""
        return {e['params']['requestId']: e['params']['encodedDataLength'] for e in self.network
                if e['method'] == 'Network.loadingFinished'}

    def screenshot(self, path, clip=None):
        params = {'format': 'png'}
        if clip:
            params['clip'] = dict(clip, scale=1)
        data = self.call('Page.captureScreenshot', **params)['data']
        with open(path, 'wb') as out:
            out.write(base64.b64decode(data))

    def close(self):
        try:
            self.socket.close()
        except Exception:
            pass
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            pass
        shutil.rmtree(self.profile, ignore_errors=True)
