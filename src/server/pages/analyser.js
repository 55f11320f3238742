'use strict';
// The player's page's analyser: the browser core, then the browser edition's own worker over it.
importScripts('/static/quillmere-core.js', '/static/worker.js');
