// Browser layer: the numbers that cross between this JavaScript and the layer's C++, under the names
// web_js_constants.h gives them; a host test reads this block and checks that both sides agree.
(typeof addToLibrary === 'function' ? addToLibrary : (lib) => mergeInto(LibraryManager.library, lib))({
    $FrostelJs: {
        // The kind of a page event, as takePageEvent answers it.
        noEvent: 0,
        keyDown: 1,
        keyUp: 2,
        pageHidden: 3,
        pageShown: 4,
        clientResized: 5,
        // A key event's flags.
        keyRepeat: 1,
        keyAlt: 2,
        keyControl: 4,
        // The kinds of our GL subset's commands to WebGL, each commandWords 32-bit words; vertexFloats a vertex.
        drawTriangles: 1,
        clearBuffers: 2,
        setViewport: 3,
        useTexture: 4,
        setAlphaTest: 5,
        setBlending: 6,
        setDepthTest: 7,
        setCulling: 8,
        commandWords: 8,
        vertexFloats: 6,
    },
});
