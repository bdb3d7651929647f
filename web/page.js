// The page's side of Frostel: fetching the program and the scene's files with a progress bar, starting a run
// on the page's one canvas, the sound output and its button, pause, ending a run, full screen (and the same view
// for the installed app), the screen kept awake, one plain message per fault, what the page says when a run ends,
// and the worker that keeps the page for offline visits. The program itself is frostel.js (createFrostel),
// loaded only once the browser is known to be able to draw it.
'use strict';

var frostelPage = (function() {
  var state = {status: 'loading', runs: 0, frames: 0, startedAt: 0, firstFrameAt: 0, lastFrameAt: 0, exitStatus: null,
               bytesArrived: 0, bytesAtFirstFrame: 0, clientSizes: [], music: 'none', paused: false,
               offline: 'none', input: 'keys', view: 'page', settling: false, heldForMotion: false};
  var elements = {};

  function element(id) {
    return elements[id] || (elements[id] = document.getElementById(id));
  }

  function problem(text) {
    var p = document.createElement('p');
    p.textContent = text;
    element('messages').appendChild(p);
  }

  // The attributes the program's pixel format asks for. The check gets the canvas's one context with them,
  // and the program, asking the same canvas, gets that same context: no run ever makes a second one.
  var contextAttributes = {alpha: false, depth: true, stencil: false, antialias: false, preserveDrawingBuffer: true};

  // A fault that stops the run: the visitor reads one sentence, the console gets the technical reason. What
  // follows from the same fault (an abort, a rejected start) adds nothing to the page.
  function fail(text, reason) {
    if (reason) console.error('Frostel: ' + reason);
    if (state.status === 'failed') return;
    state.status = 'failed';
    state.settling = false;
    element('stage').classList.remove('settling');
    showProgress(null);
    keepAwake();
    problem(text);
    showControls();
  }

  // The sound, pause and full-screen buttons and the hint only while a run is coming or going: after a fault or
  // the end they would do nothing, but for the way out of a whole-screen view. End once there is a run to end.
  // The sound button says what is heard, so never "on" once the run has ended.
  function showControls() {
    var live = state.status === 'loading' || state.status === 'starting' || state.status === 'running';
    ['sound', 'pause', 'hint'].forEach(function(id) { element(id).hidden = !live; });
    element('end').hidden = state.status !== 'running';
    var leaving = state.view === 'full' || state.view === 'filled';
    element('fullscreen').hidden = !(leaving || (live && state.view === 'page'));
    element('fullscreen').textContent = leaving ? 'Leave full screen' : 'Full screen';
    element('still-note').hidden = !(live && state.paused && state.heldForMotion);
    var on = live && sound.wanted === true;
    element('sound').textContent = on ? 'Sound: on' : 'Sound: off';
    element('sound').setAttribute('aria-pressed', on ? 'true' : 'false');
    element('pause').textContent = state.paused ? 'Play' : 'Pause';
    element('pause').setAttribute('aria-pressed', state.paused ? 'true' : 'false');
  }

  var PROGRAM_MISSING = 'The program of this page could not be loaded, so the scene cannot start. ' +
                        'Reloading the page may help; if it does not, the site is missing a file.';
  var DATA_MISSING = 'The scene\'s pictures and model could not be loaded, so the scene cannot start. ' +
                     'Reloading the page may help; if it does not, the site is missing a file.';
  function wrongType(what, type) {
    return 'The site sends ' + what + ' as "' + type + '" instead of JavaScript, so the browser will not run it ' +
           'and the scene cannot start. The site\'s server needs to send .js files as text/javascript.';
  }
  var DATA_BROKEN = 'The scene\'s pictures and model arrived damaged, so the scene cannot start. ' +
                    'Reloading the page may help; if it does not, the site has a broken file.';

  // Fetches one file, telling onBytes how many bytes have arrived so far and how many will (0 while unknown:
  // the stated length of a compressed transfer is not what arrives). Rejects with the reason on any failure,
  // a missing file (an HTTP error) included.
  function fetchBytes(url, onBytes) {
    return new Promise(function(resolve, reject) {
      var request = new XMLHttpRequest();
      request.open('GET', url);
      request.responseType = 'arraybuffer';
      function total() {
        var length = Number(request.getResponseHeader('Content-Length'));
        return !request.getResponseHeader('Content-Encoding') && length > 0 ? length : 0;
      }
      request.onprogress = function(event) { onBytes(event.loaded, total()); };
      request.onload = function() {
        if (request.status !== 200) {
          reject(new Error(url + ': HTTP ' + request.status + ' ' + request.statusText));
          return;
        }
        onBytes(request.response.byteLength, request.response.byteLength);
        resolve(request.response);
      };
      request.onerror = function() { reject(new Error(url + ': the request failed (network or server)')); };
      request.send();
    });
  }

  // The progress bar over the stage; null hides it.
  function showProgress(fraction, text) {
    var box = element('progress');
    if (fraction === null) {
      box.hidden = true;
      return;
    }
    box.hidden = false;
    var percent = (100 * Math.max(0, Math.min(1, fraction))).toFixed(1);
    element('progress-bar').style.width = percent + '%';
    box.setAttribute('aria-valuenow', percent);
    element('progress-text').textContent = text;
  }

  // What the page fetches once, kept for every run: the compiled program and the scene's files.
  var downloads = {program: null, scene: null};
  var arrived = {program: 0, scene: 0};
  var expected = {program: 0, scene: 0};

  function megabytes(bytes) {
    return (bytes / 1e6).toFixed(1) + ' MB';
  }

  function noteArrival(part, bytes, total) {
    arrived[part] = bytes;
    if (total) expected[part] = total;
    state.bytesArrived = arrived.program + arrived.scene;
    // A part whose size is not known yet (a compressed transfer) counts as much as has come.
    var whole = Math.max(expected.program, arrived.program) + Math.max(expected.scene, arrived.scene);
    if (state.status === 'loading') {
      showProgress(whole ? state.bytesArrived / whole : 0,
                   'Loading the scene: ' + megabytes(state.bytesArrived) + ' of ' + megabytes(whole));
    }
  }

  function compiledProgram() {
    if (!downloads.program) {
      downloads.program = fetchBytes('frostel.wasm', function(bytes, total) { noteArrival('program', bytes, total); })
        .then(function(bytes) { return WebAssembly.compile(bytes); })
        .catch(function(error) { downloads.program = null; throw {text: PROGRAM_MISSING, reason: String(error)}; });
    }
    return downloads.program;
  }

  // The scene's files as the file packager lays them out: one package and the list of where each file lies
  // in it.
  function sceneFiles() {
    if (!downloads.scene) {
      downloads.scene = fetchBytes('frostel-data.js.metadata', function() {})
        .catch(function(error) { throw {text: DATA_MISSING, reason: String(error)}; })
        .then(function(bytes) {
          var list;
          try {
            list = JSON.parse(new TextDecoder().decode(bytes));
          } catch (error) {
            throw {text: DATA_BROKEN, reason: 'frostel-data.js.metadata: ' + error};
          }
          if (!list || !Array.isArray(list.files) || !(list.remote_package_size >= 0)) {
            throw {text: DATA_BROKEN, reason: 'frostel-data.js.metadata: not a file list'};
          }
          expected.scene = list.remote_package_size;
          return fetchBytes('frostel.data', function(bytes) { noteArrival('scene', bytes, list.remote_package_size); })
            .catch(function(error) { throw {text: DATA_MISSING, reason: String(error)}; })
            .then(function(buffer) {
              if (buffer.byteLength !== list.remote_package_size) {
                throw {text: DATA_BROKEN, reason: 'frostel.data: ' + buffer.byteLength + ' bytes, the list says ' +
                                                  list.remote_package_size};
              }
              return {list: list.files, bytes: new Uint8Array(buffer)};
            });
        })
        .catch(function(fault) { downloads.scene = null; throw fault; });
    }
    return downloads.scene;
  }

  // Lays the scene's files out in the run's own file system, as the packager's loader would.
  function placeFiles(module, scene) {
    scene.list.forEach(function(file) {
      var path = file.filename.split('/').filter(function(part) { return part; });
      var name = path.pop();
      var folder = '/';
      path.forEach(function(part) {
        module.FS_createPath(folder, part, true, true);
        folder += (folder === '/' ? '' : '/') + part;
      });
      module.FS_createDataFile(folder, name, scene.bytes.subarray(file.start, file.end), true, true, false);
    });
  }

  function webGlPresent() {
    try {
      return !!(window.WebGLRenderingContext && element('view').getContext('webgl', contextAttributes));
    } catch (e) {
      return false;
    }
  }

  // The program's sound: one sound at a time, kept until the browser lets it play. Browsers start
  // audio only after a click or a key, so nothing is heard before one.
  var sound = {
    context: null,
    source: null,
    current: null,
    wanted: null,  // null until the first click or key, then what the button says
    get sampleRate() { return this.context ? this.context.sampleRate : 44100; },
    play: function(planes, rate, loop) {
      this.current = {planes: planes, rate: rate, loop: loop};
      this.begin();
    },
    stops: 0,
    stop: function() {
      this.stops += 1;
      this.current = null;
      this.end();
    },
    end: function() {
      if (this.source) {
        try { this.source.stop(); } catch (e) { /* never started */ }
        this.source.disconnect();
        this.source = null;
      }
    },
    // A compressed file, decoded by the browser with the context that plays it (so at its rate), once there
    // is one: until the visitor's first gesture it waits, as if still loading. Resolves with what playDecoded
    // takes (null if the sound was stopped meanwhile, as when the run ends), rejects when the browser cannot
    // decode it.
    decode: function(bytes) {
      var self = this;
      var stops = this.stops;
      state.music = 'arrived';
      return new Promise(function(resolve) { self.decodeWaiting.push(resolve); self.decodeWhenReady(); })
        .then(function(context) {
          // The callback form: Safari's older decodeAudioData returns no promise.
          return new Promise(function(resolve, reject) {
            var pending = context.decodeAudioData(bytes, resolve, function(error) {
              reject(error || new Error('the browser cannot decode it'));
            });
            if (pending && pending.catch) pending.catch(function() { /* the callback says it */ });
          });
        })
        .then(function(decoded) { state.music = 'decoded'; return self.stops === stops ? decoded : null; },
              function(error) { state.music = 'undecodable'; throw error; });
    },
    decodeWaiting: [],
    decodeWhenReady: function() {
      if (!this.context) return;
      var waiting = this.decodeWaiting;
      this.decodeWaiting = [];
      var context = this.context;
      waiting.forEach(function(resolve) { resolve(context); });
    },
    playDecoded: function(decoded, loop) {
      this.current = {decoded: decoded, loop: loop};
      this.begin();
    },
    begin: function() {
      this.end();
      if (!this.context || !this.current || !this.wanted) return;
      var c = this.current;
      var buffer = c.decoded;
      if (!buffer) {
        buffer = this.context.createBuffer(c.planes.length, c.planes[0].length, c.rate);
        for (var i = 0; i < c.planes.length; ++i) buffer.getChannelData(i).set(c.planes[i]);
      }
      var source = this.context.createBufferSource();
      source.buffer = buffer;
      source.loop = c.loop;  // the sound's own samples, looped whole, from its beginning
      source.connect(this.context.destination);
      source.start();
      var self = this;
      source.onended = function() { if (self.source === source) self.source = null; };
      this.source = source;
    },
    setWanted: function(on) {
      this.wanted = on;
      showControls();
      if (on) {
        var Context = window.AudioContext || window.webkitAudioContext;
        if (!this.context && Context) this.context = new Context();
        if (!this.context) return;
        this.decodeWhenReady();
        this.begin();
        this.follow();
      } else {
        this.end();
        if (this.context) this.context.suspend();
      }
    },
    // A paused run is silent: the context stops where the music is and goes on from there on Play.
    follow: function() {
      if (!this.context) return;
      if (state.paused || !this.wanted) {
        this.context.suspend();
        return;
      }
      var self = this;
      this.context.resume().then(function() { if (self.wanted && !self.source) self.begin(); });
    },
    report: function() {
      var s = this.source;
      return {
        wanted: this.wanted,
        contextState: this.context ? this.context.state : 'none',
        playing: !!s,
        loop: s ? s.loop : null,
        frames: s ? s.buffer.length : 0,
        channels: s ? s.buffer.numberOfChannels : 0,
        rate: s ? s.buffer.sampleRate : 0,
        firstSamples: s ? Array.prototype.slice.call(s.buffer.getChannelData(0), 0, 64) : []
      };
    }
  };

  function firstGesture(event) {
    // The sound button decides for itself.
    if (sound.wanted === null && event.target !== element('sound')) sound.setWanted(true);
  }

  // Full screen shows the page on a black screen: the progress, the messages, then the scene as a centred
  // square (page.css); the layer gives the program the new client size. The browser's own Escape leaves it. Where
  // the browser has no element full screen (iPhone and iPad), or refuses it, the page fills the window instead:
  // the same view, left by the same button, F or Escape. The installed app, and a page in the browser's own full
  // screen, open in that view too.
  function fullScreenElement() {
    return document.fullscreenElement || document.webkitFullscreenElement || null;
  }

  var APP_VIEW = '(display-mode: fullscreen), (display-mode: standalone)';
  var appView = window.matchMedia ? window.matchMedia(APP_VIEW) : {matches: false};
  var filled = false;

  function updateView() {
    state.view = fullScreenElement() ? 'full' : filled ? 'filled' : appView.matches ? 'app' : 'page';
    var whole = state.view !== 'page';
    element('page').classList.toggle('whole', whole);
    element('page').classList.toggle('filled', state.view === 'filled');
    document.documentElement.classList.toggle('whole', whole);
    if (!whole) reveal(false);
    showControls();
  }

  function fill(on) {
    filled = on;
    updateView();
  }

  function toggleFullScreen() {
    var page = element('page');
    if (filled) {
      fill(false);
      return;
    }
    if (fullScreenElement()) {
      (document.exitFullscreen || document.webkitExitFullscreen).call(document);
      return;
    }
    var request = page.requestFullscreen || page.webkitRequestFullscreen;
    if (!request || !(document.fullscreenEnabled || document.webkitFullscreenEnabled)) {
      fill(true);
      return;
    }
    var asked = request.call(page);
    if (asked && asked.catch) {
      asked.catch(function(error) {
        console.log('Frostel: full screen refused (' + error + '); filling the window instead');
        fill(true);
      });
    }
  }

  // In the whole-screen view the controls show for a few seconds after a tap on the scene, or while a finger or
  // the mouse works them.
  var revealTimer = 0;
  function reveal(on) {
    clearTimeout(revealTimer);
    element('page').classList.toggle('reveal', on);
    if (on) revealTimer = setTimeout(function() { reveal(false); }, 4000);
  }

  // What the visitor has: taps on a touch screen, keys with a keyboard. The hint and the end notice speak to it.
  var HINTS = {keys: 'Escape ends it, F is full screen, P pauses. A click or a key starts the music.',
               touch: 'A tap starts the music. In full screen, a tap on the scene shows the controls.'};
  function setInput(kind) {
    if (state.input === kind) return;
    state.input = kind;
    element('hint').textContent = HINTS[kind];
    if (state.status === 'ended') showEndText();
  }

  function plainKey(event, code) {
    return event.code === code && !event.repeat && !event.altKey && !event.ctrlKey && !event.metaKey;
  }

  // F enters full screen while its button is there, and always leaves it; P pauses and plays a run. Escape leaves
  // a filled window as the browser's own Escape leaves full screen, and so does not also end the run.
  function pageKey(event) {
    setInput('keys');
    if (plainKey(event, 'KeyF') && (fullScreenElement() || !element('fullscreen').hidden)) toggleFullScreen();
    if (plainKey(event, 'KeyP') && !element('pause').hidden) setPaused(!state.paused);
    if (filled && event.code === 'Escape') {
      event.stopImmediatePropagation();
      if (plainKey(event, 'Escape')) fill(false);
    }
  }

  // Pausing is the page being hidden, as a minimised window is: the layer stops the frames for either. It is
  // told through its own queue of page events, after the first frame, so a paused run shows the scene still.
  var runModule = null;

  function tellLayerOfPause() {
    var layer = runModule ? runModule.frostelPage : null;
    if (!layer || state.frames === 0) return;
    layer.setHidden((state.paused && !state.settling) || document.hidden);
  }

  function setPaused(paused) {
    state.paused = paused;
    if (!paused) state.heldForMotion = false;
    if (!paused && state.settling) settled();
    tellLayerOfPause();
    sound.follow();
    keepAwake();
    showControls();
  }

  // A paused run's still picture is one of the scene as it looks after a few seconds, not its sparse first frame:
  // the run goes on unseen until then (#stage.settling), and stops there.
  function settle(now) {
    if (!state.settling) return;
    var since = now - state.firstFrameAt;
    if ((state.frames >= 90 && since >= 2500) || since >= 10000) settled();
  }

  function settled() {
    state.settling = false;
    element('stage').classList.remove('settling');
    if (state.status === 'running') showProgress(null);
    tellLayerOfPause();
  }

  // The screen stays awake while the scene plays on a visible page. Where the browser has no wake lock, or
  // refuses it, nothing else changes.
  var wake = {lock: null, asking: false};
  function keepAwake() {
    var wanted = state.status === 'running' && !state.paused && !document.hidden;
    if (wanted && !wake.lock && !wake.asking && navigator.wakeLock) {
      wake.asking = true;
      var asked;
      try {
        asked = navigator.wakeLock.request('screen');
      } catch (error) {
        asked = Promise.reject(error);
      }
      asked.then(function(lock) {
        wake.asking = false;
        wake.lock = lock;
        lock.addEventListener('release', function() { if (wake.lock === lock) wake.lock = null; });
        keepAwake();  // things may have changed while it was asked for
      }, function() {
        wake.asking = false;  // refused: the screen may dim, and nothing more is said
      });
    } else if (!wanted && wake.lock) {
      var lock = wake.lock;
      wake.lock = null;
      lock.release().catch(function() { /* released already */ });
    }
  }

  function showEndText() {
    var press = state.input === 'touch' ? 'tap "Start again"' : 'press "Start again" (or Enter)';
    element('ended-text').textContent = state.exitStatus === 0
      ? 'The scene has ended. To watch it again from the beginning, ' + press + '.'
      : 'The scene stopped with a fault (exit status ' + state.exitStatus + '). ' + press.charAt(0).toUpperCase() +
        press.slice(1) + ' to try once more, or reload the page.';
  }

  function showEnd(status) {
    state.status = 'ended';
    state.exitStatus = status;
    runModule = null;
    sound.stop();
    if (state.settling) settled();
    keepAwake();
    showEndText();
    element('ended').hidden = false;
    showControls();
    element('again').focus();
  }

  // Each run is a new instance of the program on the same canvas and its one WebGL context; the program
  // starts its GL state afresh and gives back its WebGL objects when it ends. The program and the scene's
  // files come in side by side; the run begins when both are in, and the music comes after.
  function start() {
    var canvas = element('view');
    element('ended').hidden = true;
    element('messages').textContent = '';
    state.status = 'loading';
    showControls();
    state.runs += 1;
    state.frames = 0;
    state.firstFrameAt = 0;
    state.bytesAtFirstFrame = 0;
    state.exitStatus = null;
    state.clientSizes = [];
    state.startedAt = performance.now();
    state.settling = false;
    noteArrival('scene', arrived.scene);
    var program = compiledProgram();
    var scene = sceneFiles();
    scene.catch(function(fault) { fail(fault.text, fault.reason); });
    var module = {
      canvas: canvas,
      soundOutput: sound,
      showMessage: function(caption, text) { problem(caption + ': ' + text); },
      print: function(text) { console.log(text); },
      printErr: function(text) { console.error(text); },
      onSwap: function() {
        state.lastFrameAt = performance.now();
        if (state.frames++ === 0) {
          state.firstFrameAt = performance.now();
          state.bytesAtFirstFrame = state.bytesArrived;
          state.status = 'running';
          state.settling = state.paused;
          element('stage').classList.toggle('settling', state.settling);
          if (state.settling) {
            showProgress(1, 'Preparing a still picture of the scene');
          } else {
            showProgress(null);
          }
          if (state.paused) tellLayerOfPause();
          showControls();
          keepAwake();
          keepForOffline();
        }
        settle(state.lastFrameAt);
      },
      // Each WM_SIZE the layer gives the window, in CSS pixels.
      onClientSize: function(width, height) { state.clientSizes.push([width, height]); },
      onExit: showEnd,
      onAbort: function(what) {
        fail('The scene stopped because of a fault in the program. Reloading the page may help.', 'abort: ' + what);
      },
      instantiateWasm: function(imports, receive) {
        program.then(function(compiled) { return WebAssembly.instantiate(compiled, imports); })
          .then(function(instance) { receive(instance); },
                function(fault) { fail(fault.text || PROGRAM_MISSING, fault.reason || String(fault)); });
        return {};
      },
      preRun: [function() {
        module.addRunDependency('scene files');
        scene.then(function(files) {
          placeFiles(module, files);
          if (state.status === 'loading') state.status = 'starting';
          module.removeRunDependency('scene files');
        }, function() { /* said when it failed */ });
      }]
    };
    runModule = module;
    createFrostel(module).then(function(instance) {
      page.instance = instance;
    }).catch(function(error) {
      fail(PROGRAM_MISSING, 'start: ' + error);
    });
  }

  // A script the browser would not run: missing, or sent as another type than JavaScript (a server that marks
  // everything text/plain with nosniff).
  function scriptRefused(url) {
    fetch(url, {method: 'HEAD', cache: 'no-store'}).then(function(response) {
      var type = response.headers.get('Content-Type') || 'no type';
      if (response.ok && !/javascript/i.test(type)) {
        fail(wrongType('its program (' + url + ')', type), url + ' is sent as ' + type);
      } else {
        fail(PROGRAM_MISSING, url + ' could not be loaded');
      }
    }, function(error) { fail(PROGRAM_MISSING, url + ' could not be loaded: ' + error); });
  }

  function loadProgram() {
    var script = document.createElement('script');
    script.src = 'frostel.js';
    script.onload = start;
    script.onerror = function() { scriptRefused('frostel.js'); };
    document.body.appendChild(script);
  }

  // After one visit the page opens without a network: a worker keeps this build's files. It is asked for once
  // the scene is drawn and the music has come (or had its chance), so its downloads never slow the first visit's.
  function keepForOffline() {
    if (state.offline !== 'none') return;
    if (!('serviceWorker' in navigator) || !window.isSecureContext) {
      state.offline = 'unsupported';
      return;
    }
    state.offline = 'waiting';
    var asked = performance.now();
    (function register() {
      if (state.music === 'none' && performance.now() - asked < 10000) {
        setTimeout(register, 500);
        return;
      }
      state.offline = 'registering';
      navigator.serviceWorker.register('sw.js').then(function(registration) {
        // Registering again does not look for a new build: each visit asks, and a new worker fills its own
        // cache beside the old one, taking over once no page of the old build is open.
        if (registration.active) {
          registration.update().catch(function(error) { console.log('Frostel: no update of the page: ' + error); });
          return navigator.serviceWorker.ready;
        }
        // A first worker that cannot keep every file (too little storage, a file changed on the way) is
        // thrown away, and no worker is ever ready: that is the failure to report.
        var installing = registration.installing || registration.waiting;
        return new Promise(function(resolve, reject) {
          navigator.serviceWorker.ready.then(resolve);
          if (!installing) return;
          installing.addEventListener('statechange', function() {
            if (installing.state === 'redundant' && !registration.active) {
              reject(new Error('the browser could not keep its files (its storage for this site may be full)'));
            }
          });
        });
      }).then(function() { state.offline = 'ready'; }, function(error) {
        state.offline = 'failed';
        console.error('Frostel: the page cannot be kept for offline visits: ' + error);
      });
    })();
  }

  function noWebGl() {
    fail('This browser offers no WebGL (or has it turned off), so the scene cannot be drawn. ' +
         'Try another browser, or turn on hardware acceleration.', 'no WebGL context');
    state.status = 'no-webgl';
  }

  element('sound').addEventListener('click', function() { sound.setWanted(!sound.wanted); });
  element('pause').addEventListener('click', function() { setPaused(!state.paused); });
  // End is Escape pressed for the program, so a run ends the one way whatever ends it.
  element('end').addEventListener('click', function() {
    var layer = runModule ? runModule.frostelPage : null;
    if (layer && layer.press) layer.press('Escape', 'Escape');
  });
  element('again').addEventListener('click', start);
  element('fullscreen').addEventListener('click', toggleFullScreen);
  element('stage').addEventListener('click', function() { if (state.view !== 'page') reveal(true); });
  element('controls').addEventListener('pointerdown', function() { if (state.view !== 'page') reveal(true); });
  document.addEventListener('keydown', pageKey);
  document.addEventListener('pointerdown', firstGesture, true);
  document.addEventListener('pointerdown', function(event) { if (event.pointerType === 'touch') setInput('touch'); },
                            true);
  document.addEventListener('keydown', firstGesture, true);
  ['fullscreenchange', 'webkitfullscreenchange'].forEach(function(kind) {
    document.addEventListener(kind, updateView);
  });
  if (appView.addEventListener) appView.addEventListener('change', updateView);
  // Listened for on the window, so after the layer's own listener on the document: a paused run stays paused
  // when the page is shown again.
  window.addEventListener('visibilitychange', function() {
    if (state.paused && !document.hidden) tellLayerOfPause();
    keepAwake();
  });

  // A visitor who asked for less motion sees the scene still until Play, and is told why.
  state.paused = !!(window.matchMedia && window.matchMedia('(prefers-reduced-motion: reduce)').matches);
  state.heldForMotion = state.paused;
  setInput(window.matchMedia && window.matchMedia('(hover: none) and (pointer: coarse)').matches ? 'touch' : 'keys');
  updateView();

  // Nothing is downloaded for a browser that cannot draw the scene. Otherwise the downloads begin with the page,
  // not once frostel.js is in.
  if (!webGlPresent()) {
    noWebGl();
  } else {
    if (typeof fetch === 'function' && typeof WebAssembly === 'object') {
      compiledProgram().catch(function() {});
      sceneFiles().catch(function() {});
    }
    loadProgram();
  }

  var page = {state: state, sound: sound, start: start, problem: problem, fail: fail, instance: null,
              PROGRAM_MISSING: PROGRAM_MISSING};
  return page;
})();
