// Browser layer: the sound output over the page's Web Audio (web_sound.cpp declares these for C++). The page
// provides Module.soundOutput with play(planes, rate, loop), stop(), and, for compressed files, decode(bytes) and
// playDecoded(decoded, loop); without one there is no sound device.

// A toolchain that keeps these helpers in its library gives code only the ones it declares; an older one has them in
// the runtime itself, always there.
var frostelDeps = (names) => names.filter((name) => name in LibraryManager.library);

(typeof addToLibrary === 'function' ? addToLibrary : (lib) => mergeInto(LibraryManager.library, lib))({
    soundOutputPresent: function() { return Module['soundOutput'] ? 1 : 0; },

    soundOutputRate: function() {
        var output = Module['soundOutput'];
        return output && output.sampleRate ? output.sampleRate : 44100;
    },

    startSoundOutput: function(samples, frames, channels, rate, loop) {
        delete Module['frostelFetchedSound'];  // a sound being fetched is superseded
        var planes = [];
        for (var c = 0; c < channels; ++c) {
            var plane = new Float32Array(frames);
            for (var i = 0; i < frames; ++i) plane[i] = HEAP16[(samples >> 1) + i * channels + c] / 32768;
            planes.push(plane);
        }
        Module['soundOutput'].play(planes, rate, loop != 0);
    },
    startSoundOutput__deps: frostelDeps(['$HEAP16']),

    stopSoundOutput: function() {
        delete Module['frostelFetchedSound'];
        if (Module['soundOutput']) Module['soundOutput'].stop();
    },

    siteFetchPresent: function() { return typeof fetch === 'function' ? 1 : 0; },

    // The compressed copy (when there is one) is decoded and played by the page; failing that, the WAV's bytes wait
    // for the layer to read them. A later sound, or a stop, makes the fetch's outcome moot.
    fetchSound: function(wavName, compressedName, loop) {
        var output = Module['soundOutput'];
        var wavUrl = UTF8ToString(wavName);
        var compressedUrl = compressedName ? UTF8ToString(compressedName) : '';
        var request = {outcome: 'fetching', bytes: null};
        Module['frostelFetchedSound'] = request;
        output.stop();
        function current() { return Module['frostelFetchedSound'] === request; }
        function bytesOf(url) {
            return fetch(url).then(function(response) {
                if (!response.ok) throw new Error('HTTP ' + response.status + ' ' + response.statusText);
                return response.arrayBuffer();
            });
        }
        function wav() {
            bytesOf(wavUrl)
                .then(function(bytes) {
                    if (!current()) return;
                    request.bytes = new Uint8Array(bytes);
                    request.outcome = 'wav';
                })
                .catch(function(error) {
                    if (!current()) return;
                    console.warn('Frostel: ' + wavUrl + ': ' + error);
                    request.outcome = 'failed';
                });
        }
        if (!compressedUrl || !output.decode) {
            wav();
            return;
        }
        bytesOf(compressedUrl)
            .then(function(bytes) {
                if (!current()) return null;
                request.outcome = 'decoding';  // once the visitor has let sound start
                return output.decode(bytes);
            })
            .then(function(decoded) {
                if (!current() || !decoded) return;
                request.outcome = 'playing';
                output.playDecoded(decoded, loop != 0);
            })
            .catch(function(error) {
                if (!current()) return;
                console.warn('Frostel: ' + compressedUrl + ': ' + error + '; the WAV instead');
                wav();
            });
    },
    fetchSound__deps: frostelDeps(['$UTF8ToString']),

    // 0 while the fetch goes on (or once the page plays it), the WAV's size once its bytes are in, -1 when neither
    // file could be had.
    fetchedSoundOutcome: function() {
        var request = Module['frostelFetchedSound'];
        if (!request) return 0;
        if (request.outcome === 'failed') return -1;
        return request.outcome === 'wav' ? request.bytes.length : 0;
    },

    takeFetchedSound: function(into) {
        var request = Module['frostelFetchedSound'];
        HEAPU8.set(request.bytes, into);
        request.bytes = null;
        request.outcome = 'taken';
    },
    takeFetchedSound__deps: frostelDeps(['$HEAPU8']),

    fetchedSoundPending: function() {
        var request = Module['frostelFetchedSound'];
        return request && (request.outcome === 'fetching' || request.outcome === 'wav') ? 1 : 0;
    },
});
