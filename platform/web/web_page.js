// Browser layer: what the layer tells the page beyond the canvas (web_window.cpp, web_context.cpp and
// web_message_box.cpp declare these for C++). Each hook is the page's own, on Module; a page without it hears
// nothing.

// A toolchain that keeps these helpers in its library gives code only the ones it declares; an older one has them in
// the runtime itself, always there.
var frostelDeps = (names) => names.filter((name) => name in LibraryManager.library);

(typeof addToLibrary === 'function' ? addToLibrary : (lib) => mergeInto(LibraryManager.library, lib))({
    // The page shows what the program is called, as a title bar would.
    setPageTitle: function(title) {
        if (typeof document !== 'undefined') document.title = UTF8ToString(title);
    },
    setPageTitle__deps: frostelDeps(['$UTF8ToString']),

    // The page counts frames (its start-up time is the first one's).
    tellPageOfFrame: function() {
        if (Module['onSwap']) Module['onSwap']();
    },

    showOnPage: function(caption, text) {
        if (Module['showMessage']) Module['showMessage'](UTF8ToString(caption), UTF8ToString(text));
    },
    showOnPage__deps: frostelDeps(['$UTF8ToString']),
});
