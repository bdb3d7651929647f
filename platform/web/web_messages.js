// Browser layer: the page's events for the message queue (web_messages.cpp declares these for C++). The listeners
// only gather events; the program takes them when it peeks, so no page event ever calls into the program while it
// waits for a frame.
//
// The canvas is the client area, counted in CSS pixels; its buffer follows devicePixelRatio, so the scene is sharp
// on every screen. Whenever the canvas's CSS size changes (a narrow or turned screen, full screen) the window is told
// with WM_SIZE; the first news is measured against the size the window was made with, so a canvas that never had it
// is told at the first PeekMessage, after the program set its own viewport.

// A toolchain that keeps these helpers in its library gives code only the ones it declares; an older one has them in
// the runtime itself, always there.
var frostelDeps = (names) => names.filter((name) => name in LibraryManager.library);

(typeof addToLibrary === 'function' ? addToLibrary : (lib) => mergeInto(LibraryManager.library, lib))({
    installPageListeners: function(width, height) {
        if (Module['frostelPage']) return;
        var js = FrostelJs;
        var events = [];
        var canvas = Module['canvas'];
        var told = {width: width, height: height};
        var leftFullScreenAt = -1e9;
        var scrollKeys = ['Space', 'ArrowLeft', 'ArrowUp', 'ArrowRight', 'ArrowDown', 'PageUp', 'PageDown', 'Home',
            'End'];
        function fullScreen() { return document.fullscreenElement || document.webkitFullscreenElement; }
        function onKey(e) {
            // The browser's own Escape leaves full screen; it must not also end the run.
            if (e.code === 'Escape' && (fullScreen() || performance.now() - leftFullScreenAt < 500)) return;
            var flags = (e.repeat ? js.keyRepeat : 0) | (e.altKey ? js.keyAlt : 0) | (e.ctrlKey ? js.keyControl : 0);
            events.push({type: e.type === 'keydown' ? js.keyDown : js.keyUp, code: e.code || '', key: e.key || '',
                flags: flags});
            // The keys that would scroll the page do not, unless a control has the focus: Space and Enter press a
            // button there, as on any page.
            var t = e.target, control = t && t.closest && t.closest('button, input, select, textarea, a[href]');
            if (scrollKeys.indexOf(e.code) >= 0 && !control) e.preventDefault();
        }
        function onVisibility() { events.push({type: document.hidden ? js.pageHidden : js.pageShown}); }
        function fit() {
            if (!canvas) return;
            var ratio = window.devicePixelRatio || 1;
            page.ratio = ratio;
            var cssWidth = Math.max(1, Math.round(canvas.clientWidth));
            var cssHeight = Math.max(1, Math.round(canvas.clientHeight));
            var bufferWidth = Math.round(cssWidth * ratio);
            var bufferHeight = Math.round(cssHeight * ratio);
            var bufferChanged = canvas.width !== bufferWidth || canvas.height !== bufferHeight;
            if (canvas.width !== bufferWidth) canvas.width = bufferWidth;
            if (canvas.height !== bufferHeight) canvas.height = bufferHeight;
            // A new density alone changes the buffer under the same client size: the viewport is set again.
            if (cssWidth !== told.width || cssHeight !== told.height || bufferChanged) {
                told = {width: cssWidth, height: cssHeight};
                events.push({type: js.clientResized, width: cssWidth, height: cssHeight});
            }
        }
        function onFullScreen() {
            if (!fullScreen()) leftFullScreenAt = performance.now();
            fit();
        }
        var observer = typeof ResizeObserver === 'function' ? new ResizeObserver(fit) : null;
        if (observer && canvas) observer.observe(canvas);
        var listeners = [
            [document, 'keydown', onKey],
            [document, 'keyup', onKey],
            [document, 'visibilitychange', onVisibility],
            [document, 'fullscreenchange', onFullScreen],
            [document, 'webkitfullscreenchange', onFullScreen],
            [window, 'resize', fit],
        ];
        listeners.forEach(function(l) { l[0].addEventListener(l[1], l[2]); });
        var page = {
            events: events,
            fit: fit,
            // The page's own pause is told as the page being hidden or shown, as a minimised window is.
            setHidden: function(hidden) { events.push({type: hidden ? js.pageHidden : js.pageShown}); },
            // A key that the page's own controls press for a visitor without a keyboard (End presses Escape). It is
            // held for a moment, as a hand holds it: the program may look at its keys only between frames.
            press: function(code, key) {
                events.push({type: js.keyDown, code: code, key: key, flags: 0});
                setTimeout(function() { events.push({type: js.keyUp, code: code, key: key, flags: 0}); }, 250);
            },
            stop: function() {
                listeners.forEach(function(l) { l[0].removeEventListener(l[1], l[2]); });
                if (observer) observer.disconnect();
            },
        };
        Module['frostelPage'] = page;
        if (document.hidden) onVisibility();
        fit();
    },
    installPageListeners__deps: ['$FrostelJs'],

    // For a key, fills numbers[0] with its flags and the two key names; for a resize, numbers[0] and numbers[1] with
    // the client size. Returns the event's kind.
    takePageEvent: function(numbers, code, codeSize, key, keySize) {
        var page = Module['frostelPage'];
        if (!page) return FrostelJs.noEvent;
        // A new density alone (a window dragged to another screen) fires no event everywhere: looked at here.
        if (page.ratio !== (window.devicePixelRatio || 1)) page.fit();
        if (page.events.length === 0) return FrostelJs.noEvent;
        var e = page.events.shift();
        if (e.type === FrostelJs.clientResized) {
            HEAP32[numbers >> 2] = e.width;
            HEAP32[(numbers >> 2) + 1] = e.height;
            return e.type;
        }
        HEAP32[numbers >> 2] = e.flags || 0;
        stringToUTF8(e.code || '', code, codeSize);
        stringToUTF8(e.key || '', key, keySize);
        return e.type;
    },
    takePageEvent__deps: ['$FrostelJs'].concat(frostelDeps(['$HEAP32', '$stringToUTF8'])),

    // Once main has waited, its return no longer reaches the runtime's own exit (that saw only the first unwinding):
    // the end of the whole asynchronous run is awaited here instead, so returning from main ends the program with its
    // status, as on the desktop. The exit goes through the C library's emscripten_force_exit, which every toolchain
    // has, where the JavaScript exit has had more than one name.
    waitForAnimationFrame: function() {
        Asyncify.handleSleep(function(wakeUp) {
            requestAnimationFrame(function() {
                if (!Module['frostelExitAwaited'] && Asyncify.currData && !Asyncify.asyncPromiseHandlers) {
                    Module['frostelExitAwaited'] = true;
                    Asyncify.whenDone().then(function(status) {
                        // The exit ends by throwing ExitStatus to unwind; here nothing is left to unwind.
                        try {
                            _emscripten_force_exit(status);
                        } catch (e) {
                            if (!(e && e.name === 'ExitStatus')) throw e;
                        }
                    });
                }
                wakeUp();
            });
        });
    },
    waitForAnimationFrame__deps: ['$Asyncify', 'emscripten_force_exit'],

    clientSizeToPage: function(width, height) {
        if (Module['onClientSize']) Module['onClientSize'](width, height);
    },

    fitCanvasToPage: function() {
        if (Module['frostelPage']) Module['frostelPage'].fit();
    },

    measureCanvas: function(size) {
        var canvas = Module['canvas'];
        if (!canvas || !canvas.clientWidth) return;
        HEAP32[size >> 2] = Math.max(1, Math.round(canvas.clientWidth));
        HEAP32[(size >> 2) + 1] = Math.max(1, Math.round(canvas.clientHeight));
    },
    measureCanvas__deps: frostelDeps(['$HEAP32']),

    removePageListeners: function() {
        var page = Module['frostelPage'];
        if (!page) return;
        page.stop();
        delete Module['frostelPage'];
    },
});
