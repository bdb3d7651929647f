// Browser layer: the WebGL 1 side of our GL subset (web_gl_native.cpp declares these for C++). The page's one
// context; shader programs that do what fixed-function GL does with lighting off and the colour white (modulate by
// the texture, the alpha test); one vertex buffer; textures under their GL names; the loop that runs a frame's
// commands. Everything lives in Module.frostelGl, made again when a lost context is restored. The context itself
// belongs to the canvas, which the page keeps for all runs: getContext answers the same one each time.

// A toolchain that keeps these helpers in its library gives code only the ones it declares; an older one has them in
// the runtime itself, always there.
var frostelDeps = (names) => names.filter((name) => name in LibraryManager.library);

(typeof addToLibrary === 'function' ? addToLibrary : (lib) => mergeInto(LibraryManager.library, lib))({
    makeContext: function(alpha, depth, stencil, width, height) {
        var canvas = Module['canvas'];
        if (!canvas || typeof WebGLRenderingContext === 'undefined') return 0;
        canvas.width = width;
        canvas.height = height;
        // The drawing buffer is kept between frames: the scene clears only depth, and blends each frame over the
        // last, as a desktop back buffer keeps it.
        var gl = canvas.getContext('webgl', {
            alpha: alpha != 0,
            depth: depth != 0,
            stencil: stencil != 0,
            antialias: false,
            preserveDrawingBuffer: true,
        });
        if (!gl) return 0;
        var g = {gl: gl, canvas: canvas, textures: {}, current: 0, restored: false};
        function shader(kind, text) {
            var s = gl.createShader(kind);
            gl.shaderSource(s, text);
            gl.compileShader(s);
            return s;
        }
        // One program for each alpha comparison and for each way of repeating, made when first wanted: a shader
        // that may discard, or branches on a uniform, costs a software rasteriser (and some GPUs) much more per
        // pixel than one that does neither, and the overlay covers every pixel with the alpha test off.
        var passes = ['false', 'a < r', 'a == r', 'a <= r', 'a > r', 'a != r', 'a >= r', 'true'];
        var always = gl.ALWAYS - gl.NEVER;
        g.program = function(func, repeatInShader) {
            var key = func + (repeatInShader ? 'r' : '');
            var p = g.programs[key];
            if (p) return p;
            // Texture coordinates reach far beyond 0 to 1 (the ground's run from -2 to 2): high precision where
            // there is.
            var fragment = shader(gl.FRAGMENT_SHADER,
                '#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\nprecision mediump float;\n#endif\n' +
                    'uniform sampler2D image; uniform vec2 wrap; uniform float alphaRef; varying vec2 st;' +
                    'void main() {' +
                    (repeatInShader ? '  vec4 c = texture2D(image, mix(st, fract(st), wrap));'
                                    : '  vec4 c = texture2D(image, st);') +
                    (func === always ? '' : '  float a = c.a, r = alphaRef; if (!(' + passes[func] + ')) discard;') +
                    '  gl_FragColor = c;' +
                    '}');
            var program = gl.createProgram();
            gl.attachShader(program, g.vertexShader);
            gl.attachShader(program, fragment);
            gl.bindAttribLocation(program, 0, 'position');
            gl.bindAttribLocation(program, 1, 'texCoord');
            gl.linkProgram(program);
            gl.deleteShader(fragment);
            p = {
                program: program,
                wrapAt: gl.getUniformLocation(program, 'wrap'),
                alphaRefAt: gl.getUniformLocation(program, 'alphaRef'),
                alphaRef: -1,
                wrapS: -1,
                wrapT: -1,
            };
            gl.useProgram(program);
            gl.uniform1i(gl.getUniformLocation(program, 'image'), 0);
            g.programs[key] = p;
            g.using = p;
            return p;
        };
        // The program for the alpha test and texture in force, with their values.
        g.use = function() {
            var t = g.textures[g.current];
            var wrapS = t ? t.wrapS : 0, wrapT = t ? t.wrapT : 0;
            var p = g.program(g.alphaFunc, wrapS || wrapT);
            if (g.using !== p) gl.useProgram(p.program);
            g.using = p;
            if (p.alphaRef !== g.alphaRef) gl.uniform1f(p.alphaRefAt, p.alphaRef = g.alphaRef);
            if (p.wrapS !== wrapS || p.wrapT !== wrapT) gl.uniform2f(p.wrapAt, p.wrapS = wrapS, p.wrapT = wrapT);
        };
        g.make = function() {
            g.vertexShader = shader(gl.VERTEX_SHADER,
                'attribute vec4 position; attribute vec2 texCoord; varying vec2 st;' +
                    'void main() { gl_Position = position; st = texCoord; }');
            g.programs = {};
            g.using = null;
            g.alphaFunc = always;
            g.alphaRef = 0;
            g.buffer = gl.createBuffer();
            gl.bindBuffer(gl.ARRAY_BUFFER, g.buffer);
            gl.enableVertexAttribArray(0);
            gl.enableVertexAttribArray(1);
            var stride = FrostelJs.vertexFloats * 4;
            gl.vertexAttribPointer(0, 4, gl.FLOAT, false, stride, 0);
            gl.vertexAttribPointer(1, 2, gl.FLOAT, false, stride, 16);
            // Texture 0, or a texture GL would not draw with, is drawn untextured: white, modulated by white.
            g.white = gl.createTexture();
            gl.activeTexture(gl.TEXTURE0);
            gl.bindTexture(gl.TEXTURE_2D, g.white);
            var white = new Uint8Array([255, 255, 255, 255]);
            gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, 1, 1, 0, gl.RGBA, gl.UNSIGNED_BYTE, white);
            gl.pixelStorei(gl.UNPACK_ALIGNMENT, 4);
            gl.pixelStorei(gl.UNPACK_FLIP_Y_WEBGL, false);
            gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
            gl.colorMask(true, true, true, true);
            gl.disable(gl.SCISSOR_TEST);
            g.textures = {};
            g.current = 0;
        };
        g.bind = function(name) {
            var t = g.textures[name];
            gl.bindTexture(gl.TEXTURE_2D, t ? t.texture : g.white);
            g.current = name;
        };
        // The browser gives a lost context back only to a page that asks for it.
        g.onLost = function(e) { e.preventDefault(); };
        g.onRestored = function() {
            g.make();
            g.restored = true;
        };
        canvas.addEventListener('webglcontextlost', g.onLost);
        canvas.addEventListener('webglcontextrestored', g.onRestored);
        g.make();
        Module['frostelGl'] = g;
        return 1;
    },
    makeContext__deps: ['$FrostelJs'],

    dropContext: function() {
        var g = Module['frostelGl'];
        if (!g) return;
        var gl = g.gl;
        for (var name in g.textures) gl.deleteTexture(g.textures[name].texture);
        gl.deleteTexture(g.white);
        gl.deleteBuffer(g.buffer);
        for (var key in g.programs) gl.deleteProgram(g.programs[key].program);
        gl.deleteShader(g.vertexShader);
        g.canvas.removeEventListener('webglcontextlost', g.onLost);
        g.canvas.removeEventListener('webglcontextrestored', g.onRestored);
        delete Module['frostelGl'];
    },

    takeRestoredFlag: function() {
        var g = Module['frostelGl'];
        if (!g || !g.restored) return 0;
        g.restored = false;
        return 1;
    },

    readBufferScale: function(across, down) {
        var canvas = Module['canvas'];
        var w = canvas ? canvas.clientWidth : 0;
        var h = canvas ? canvas.clientHeight : 0;
        HEAPF64[across >> 3] = w > 0 ? canvas.width / w : 1;
        HEAPF64[down >> 3] = h > 0 ? canvas.height / h : 1;
    },
    readBufferScale__deps: frostelDeps(['$HEAPF64']),

    putTextureImage: function(name, width, height, format, pixels) {
        var g = Module['frostelGl'];
        if (!g) return;
        var gl = g.gl;
        var t = g.textures[name];
        if (!t) t = g.textures[name] = {texture: gl.createTexture(), wrapS: 0, wrapT: 0};
        function powerOfTwo(n) { return (n & (n - 1)) === 0; }
        t.powerOfTwo = powerOfTwo(width) && powerOfTwo(height);
        // Rows are padded to 4 bytes, as GL's default unpack alignment reads them.
        var pitch = (width * (format === gl.RGB ? 3 : 4) + 3) & ~3;
        gl.bindTexture(gl.TEXTURE_2D, t.texture);
        gl.texImage2D(gl.TEXTURE_2D, 0, format, width, height, 0, format, gl.UNSIGNED_BYTE,
            HEAPU8.subarray(pixels, pixels + pitch * height));
        g.bind(g.current);
    },
    putTextureImage__deps: frostelDeps(['$HEAPU8']),

    // WebGL 1 repeats only images whose sides are powers of two; any other repeats in the shader, over an image
    // clamped at its edges.
    putTextureFilters: function(name, minFilter, magFilter, wrapS, wrapT) {
        var g = Module['frostelGl'];
        var t = g && g.textures[name];
        if (!t) return;
        var gl = g.gl;
        function filter(f) { return f === gl.NEAREST ? gl.NEAREST : gl.LINEAR; }
        function wrap(w) { return w === gl.REPEAT ? gl.REPEAT : gl.CLAMP_TO_EDGE; }
        gl.bindTexture(gl.TEXTURE_2D, t.texture);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, filter(minFilter));
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, filter(magFilter));
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, t.powerOfTwo ? wrap(wrapS) : gl.CLAMP_TO_EDGE);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, t.powerOfTwo ? wrap(wrapT) : gl.CLAMP_TO_EDGE);
        t.wrapS = !t.powerOfTwo && wrapS === gl.REPEAT ? 1 : 0;
        t.wrapT = !t.powerOfTwo && wrapT === gl.REPEAT ? 1 : 0;
        g.bind(g.current);
    },

    runCommands: function(vertices, vertexCount, commands, commandCount) {
        var g = Module['frostelGl'];
        if (!g) return;
        var gl = g.gl;
        var js = FrostelJs;
        if (vertexCount > 0) {
            var first = vertices >> 2;
            gl.bufferData(gl.ARRAY_BUFFER, HEAPF32.subarray(first, first + vertexCount * js.vertexFloats),
                gl.STREAM_DRAW);
        }
        var words = HEAP32, floats = HEAPF32;
        function set(on, what) {
            if (on) gl.enable(what);
            else gl.disable(what);
        }
        for (var i = 0; i < commandCount; ++i) {
            var at = (commands >> 2) + i * js.commandWords;
            switch (words[at]) {
            case js.drawTriangles:
                g.use();
                gl.drawArrays(gl.TRIANGLES, words[at + 1], words[at + 2]);
                break;
            case js.clearBuffers:
                gl.clearColor(floats[at + 2], floats[at + 3], floats[at + 4], floats[at + 5]);
                gl.clearDepth(floats[at + 6]);
                gl.clear(words[at + 1]);
                break;
            case js.setViewport: gl.viewport(words[at + 1], words[at + 2], words[at + 3], words[at + 4]); break;
            case js.useTexture: g.bind(words[at + 1]); break;
            case js.setAlphaTest:
                g.alphaFunc = words[at + 1] - gl.NEVER;
                g.alphaRef = floats[at + 2];
                break;
            case js.setBlending:
                set(words[at + 1], gl.BLEND);
                gl.blendFunc(words[at + 2], words[at + 3]);
                break;
            case js.setDepthTest:
                set(words[at + 1], gl.DEPTH_TEST);
                gl.depthFunc(words[at + 2]);
                gl.depthMask(words[at + 3] != 0);
                break;
            case js.setCulling:
                set(words[at + 1], gl.CULL_FACE);
                gl.cullFace(words[at + 2]);
                break;
            }
        }
    },
    runCommands__deps: ['$FrostelJs'].concat(frostelDeps(['$HEAP32', '$HEAPF32'])),
});
