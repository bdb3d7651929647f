// The page's side of Frostel: starting a run on a fresh canvas, the sound output and its button, messages,
// and what the page says when a run ends. The program itself is frostel.js (createFrostel).
'use strict';

var frostelPage = (function() {
  var state = {status: 'loading', runs: 0, frames: 0, startedAt: 0, firstFrameAt: 0, lastFrameAt: 0, exitStatus: null};
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
    stop: function() {
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
    begin: function() {
      this.end();
      if (!this.context || !this.current || !this.wanted) return;
      var c = this.current;
      var buffer = this.context.createBuffer(c.planes.length, c.planes[0].length, c.rate);
      for (var i = 0; i < c.planes.length; ++i) buffer.getChannelData(i).set(c.planes[i]);
      var source = this.context.createBufferSource();
      source.buffer = buffer;
      source.loop = c.loop;  // the WAV's own samples, looped whole
      source.connect(this.context.destination);
      source.start();
      var self = this;
      source.onended = function() { if (self.source === source) self.source = null; };
      this.source = source;
    },
    setWanted: function(on) {
      this.wanted = on;
      var button = element('sound');
      button.textContent = on ? 'Sound: on' : 'Sound: off';
      button.setAttribute('aria-pressed', on ? 'true' : 'false');
      if (on) {
        var Context = window.AudioContext || window.webkitAudioContext;
        if (!this.context && Context) this.context = new Context();
        if (!this.context) return;
        var self = this;
        this.context.resume().then(function() { if (self.wanted && !self.source) self.begin(); });
        this.begin();
      } else {
        this.end();
        if (this.context) this.context.suspend();
      }
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

  function showEnd(status) {
    state.status = 'ended';
    state.exitStatus = status;
    sound.stop();
    element('ended-text').textContent = status === 0
      ? 'The demo has ended (Escape). Closing has no meaning on a page.'
      : 'The demo could not run (exit status ' + status + ').';
    element('ended').hidden = false;
    element('again').focus();
  }

  // Each run is a new instance of the program on the same canvas and its one WebGL context; the program
  // starts its GL state afresh and gives back its WebGL objects when it ends.
  function start() {
    if (!webGlPresent()) {
      state.status = 'no-webgl';
      problem('This browser offers no WebGL (or has it turned off), so the scene cannot be drawn. ' +
              'Try another browser, or turn on hardware acceleration.');
      return;
    }
    var canvas = element('view');
    element('ended').hidden = true;
    element('messages').textContent = '';
    state.status = 'starting';
    state.runs += 1;
    state.frames = 0;
    state.firstFrameAt = 0;
    state.exitStatus = null;
    state.startedAt = performance.now();
    createFrostel({
      canvas: canvas,
      soundOutput: sound,
      showMessage: function(caption, text) { problem(caption + ': ' + text); },
      print: function(text) { console.log(text); },
      printErr: function(text) { console.error(text); },
      onSwap: function() {
        state.lastFrameAt = performance.now();
        if (state.frames++ === 0) {
          state.firstFrameAt = performance.now();
          state.status = 'running';
        }
      },
      onExit: showEnd,
      onAbort: function(what) {
        state.status = 'failed';
        problem('The program stopped: ' + what);
      }
    }).then(function(instance) {
      page.instance = instance;
    }).catch(function(error) {
      state.status = 'failed';
      problem('The program could not start: ' + error);
    });
  }

  document.addEventListener('DOMContentLoaded', function() {
    element('sound').addEventListener('click', function() { sound.setWanted(!sound.wanted); });
    element('again').addEventListener('click', start);
    document.addEventListener('pointerdown', firstGesture, true);
    document.addEventListener('keydown', firstGesture, true);
  });

  var page = {state: state, sound: sound, start: start, problem: problem, instance: null};
  return page;
})();
