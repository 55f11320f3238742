// The linter's rules for the browser page's scripts (web/) and the server's pages (src/server/pages/):
// the recommended rules and a few more. Run from the repository's root:
// tools/lint/node_modules/.bin/eslint --config tools/lint/eslint.config.js web src/server/pages

import js from '@eslint/js';
import globals from 'globals';

// The core's single-file script defines QuillmereModule before the page's and the worker's scripts run.
const core = { QuillmereModule: 'readonly' };

export default [
    js.configs.recommended,
    {
        files: ['web/page/**/*.js'],
        languageOptions: { sourceType: 'module', globals: { ...globals.browser, ...core } },
        rules: {
            // The modules share no mutable state but the page state (page/state.js).
            'no-restricted-syntax': ['error', {
                selector: 'Program > VariableDeclaration[kind!="const"]',
                message: 'no module-level let or var: the page state holds what changes',
            }],
        },
    },
    {
        files: ['src/server/pages/**/*.js'],
        languageOptions: { sourceType: 'module', globals: { ...globals.browser, ...core } },
    },
    {
        files: ['web/worker.js', 'src/server/pages/analyser.js'],
        languageOptions: { sourceType: 'script', globals: { ...globals.worker, ...core } },
    },
    {
        files: ['web/**/*.js', 'src/server/pages/**/*.js'],
        rules: {
            'no-var': 'error',
            'prefer-const': 'error',
            eqeqeq: 'error',
            // One name per declaration, so that the bundler (tools/inline-web.py) sees every export.
            'one-var': ['error', 'never'],
            // Text from a save or a file system goes in as text, never as markup.
            'no-restricted-properties': ['error',
                { property: 'innerHTML', message: 'set textContent or build elements' },
                { property: 'outerHTML', message: 'set textContent or build elements' },
                { property: 'insertAdjacentHTML', message: 'build elements' },
                { object: 'document', property: 'write', message: 'build elements' }],
        },
    },
];
