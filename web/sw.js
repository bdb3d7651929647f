// The page's service worker: keeps every file of one build, each checked against the hash the build wrote
// into this file, so a visitor can open the page again without a network. Any changed file makes a new worker
// (its version is a hash of all of them); it fills a cache of its own and, once no page of the old one is
// open, takes over and drops the old cache: a page is always served by one build, never a mix. Caches are the
// whole host's, so each is named by the worker's scope as well: another copy of the page on the same host, in
// another folder, keeps its own.
'use strict';

// Filled in by the build: each served file's SHA-256, and whether it is kept at install ('kept'), tried then
// without it being needed ('early': the music the page will fetch), or kept once a page fetches it.
var SITE = {version: 'unbuilt', files: {}};
var SCOPE = self.registration.scope;
var CACHE = 'frostel-' + SITE.version + ' ' + SCOPE;  // a URL holds no space

// An older cache of this scope. The caches of builds before scoped names ('frostel-<version>') are this
// scope's when their page is this scope's page.
function ownOldCache(name) {
  if (name === CACHE || name.indexOf('frostel-') !== 0) return Promise.resolve(false);
  var parts = name.split(' ');
  if (parts.length === 2) return Promise.resolve(parts[1] === SCOPE);
  if (parts.length !== 1) return Promise.resolve(false);
  return caches.open(name).then(function(cache) { return cache.match(new URL('index.html', SCOPE).href); })
    .then(function(page) { return !!page; });
}

// The file's name in the site, relative to this worker, or null for anything else.
function siteName(url) {
  var base = new URL('./', self.location.href).href;
  if (url.indexOf(base) !== 0) return null;
  var name = url.slice(base.length).split(/[?#]/)[0];
  return name === '' ? 'index.html' : name;
}

function hex(digest) {
  return Array.prototype.map.call(new Uint8Array(digest), function(b) { return (b < 16 ? '0' : '') + b.toString(16); })
    .join('');
}

// Fetches past any stale copy in the HTTP cache and rejects unless the bytes are this build's own (a site
// caught halfway through an upload has some of another).
function fetchChecked(name) {
  return fetch(name, {cache: 'no-cache'}).then(function(response) {
    if (!response.ok) throw new Error(name + ': HTTP ' + response.status);
    var type = response.headers.get('Content-Type');
    return response.arrayBuffer().then(function(bytes) {
      return crypto.subtle.digest('SHA-256', bytes).then(function(digest) {
        if (hex(digest) !== SITE.files[name].sha256) throw new Error(name + ': not the file of build ' + SITE.version);
        // Decoded already: the length is what is kept, and no Content-Encoding goes with it.
        var headers = {'Content-Length': String(bytes.byteLength)};
        if (type) headers['Content-Type'] = type;
        return new Response(bytes, {status: 200, headers: headers});
      });
    });
  });
}

function keep(cache, name) {
  return fetchChecked(name).then(function(response) { return cache.put(name, response); });
}

function named(kind) {
  return Object.keys(SITE.files).filter(function(name) { return SITE.files[name].keep === kind; });
}

self.addEventListener('install', function(event) {
  event.waitUntil(caches.open(CACHE).then(function(cache) {
    return Promise.all(named('kept').map(function(name) { return keep(cache, name); })).then(function() {
      return Promise.all(named('early').map(function(name) { return keep(cache, name).catch(function() {}); }));
    });
  }).catch(function(error) {
    // An incomplete build is never kept: the old worker goes on serving its own.
    return caches.delete(CACHE).then(function() { throw error; });
  }));
});

self.addEventListener('activate', function(event) {
  event.waitUntil(caches.keys().then(function(names) {
    return Promise.all(names.map(function(name) {
      return ownOldCache(name).then(function(old) { return old && caches.delete(name); });
    }));
  }));
});

self.addEventListener('fetch', function(event) {
  if (event.request.method !== 'GET') return;
  var name = siteName(event.request.url);
  if (!name || !SITE.files[name]) return;  // not this build's: the network, as without a worker
  event.respondWith(caches.open(CACHE).then(function(cache) {
    return cache.match(name).then(function(kept) {
      if (kept) return kept;
      // The music, or a file the browser evicted: this build's bytes or nothing (the page says what failed).
      // Storage too small to keep it costs the next visit a download, never this one its file.
      return fetchChecked(name).then(function(response) {
        var served = function() { return response; };
        return cache.put(name, response.clone()).then(served, served);
      });
    });
  }));
});
