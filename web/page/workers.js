// The analysers: a pool of workers, each running the core (worker.js), that turn the files of a
// load into the core's encoded records.

import { $ } from './dom.js';
import { fromWorkerClock, noteSpan } from './profile.js';

// How many files each worker is handed at a time: the page reads the next while it analyses one.
export const kFilesPerWorker = 2;

class WorkerPool {
    constructor(count) {
        // Each worker runs the core's script and worker.js, both inside the page: nothing is fetched.
        const source = $('quillmere-core').textContent + '\n' + $('quillmere-worker').textContent;
        this.url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
        this.workers = [];
        for (let i = 0; i < count; ++i) this.workers.push(new Worker(this.url));
        this.grown = new Set();
        this.replaced = 0;
    }

    // Replaces the workers whose memory a big save grew: WebAssembly memory never shrinks.
    renew() {
        this.workers = this.workers.map((worker) => {
            if (!this.grown.has(worker)) return worker;
            worker.terminate();
            this.replaced += 1;
            return new Worker(this.url);
        });
        this.grown.clear();
    }
}

// The page's ?workers=N, else one worker per processor.
function workerCount() {
    const asked = Number(new URLSearchParams(location.search).get('workers'));
    if (Number.isInteger(asked) && asked > 0) return asked;
    return Math.max(1, navigator.hardwareConcurrency || 1);
}

// Analyses `files` ({file, path} in load order) on the workers, kFilesPerWorker at a time each;
// resolves to the entries for session.adopt, in the files' order. Reports progress and each entry
// as it comes to, and takes its cancel from, `state.loading`.
export function analyseFiles(state, files) {
    const { core, names, profile } = state;
    const postedAt = new Map();  // when each file's bytes were handed to a worker, for the profile
    if (state.pool === null) state.pool = new WorkerPool(workerCount());
    const entries = new Array(files.length);
    let next = 0;
    let done = 0;
    let failed = 0;
    let pending = 0;
    let cancelled = false;
    return new Promise((resolve) => {
        const finishIfDone = (workers = state.pool.workers) => {
            if (done < files.length && !(cancelled && pending === 0)) return false;
            for (let i = 0; i < files.length; ++i) {
                if (entries[i] === undefined) entries[i] = { path: files[i].path, failure: names.notLoaded };
            }
            for (const worker of workers) {
                worker.onmessage = null;
                worker.onerror = null;
            }
            if (state.pool !== null) state.pool.renew();
            resolve(entries);
            return true;
        };
        // The page reads each file and hands its bytes over: a worker busy in the core could not
        // take them in before its analysis ends, the page's thread reads while the workers work.
        const feed = (worker) => {
            if (cancelled || next >= files.length) return;
            const index = next++;
            pending += 1;
            const { file, path } = files[index];
            if (file.size > core.maxSaveFileBytes()) {
                worker.postMessage({ index, file, path });  // refused by its size alone: never read
                return;
            }
            const reading = performance.now();
            file.arrayBuffer().then(
                (bytes) => {
                    noteSpan(profile, 'read', reading, performance.now());
                    if (profile !== null) postedAt.set(index, performance.now());
                    worker.postMessage({ index, file, path, bytes, timed: profile !== null }, [bytes]);
                },
                (error) => worker.postMessage({ index, file, path, failure: error && error.message ? error.message
                    : 'the file cannot be read' }));
        };
        // A worker that cannot run fails the files not yet analysed, so that the load still ends.
        const giveUp = (reason) => {
            for (let i = 0; i < files.length; ++i) {
                if (entries[i] === undefined) entries[i] = { path: files[i].path, failure: reason };
            }
            done = files.length;
            // A file may still be on its way in a worker: none of these workers is used again.
            const workers = state.pool.workers;
            for (const worker of workers) worker.terminate();
            state.pool = null;
            finishIfDone(workers);
        };
        const pool = state.pool;
        for (const worker of pool.workers) {
            worker.onerror = (event) => {
                event.preventDefault();
                giveUp(`the analyser stopped (${event.message || 'an error in the worker'})`);
            };
            worker.onmessage = (event) => {
                const message = event.data;
                if (message.ready) return;
                if (message.fatal !== undefined) {
                    giveUp(`the analyser could not start (${message.fatal})`);
                    return;
                }
                if (message.clock && profile !== null) {
                    const { origin, received, start, end } = message.clock;
                    const on = (time) => fromWorkerClock(origin, time);
                    const which = pool.workers.indexOf(worker);
                    noteSpan(profile, 'to worker', postedAt.get(message.index), on(received), which);
                    noteSpan(profile, 'queued', on(received), on(start), which);
                    noteSpan(profile, 'core', on(start), on(end), which);
                    noteSpan(profile, 'hand-over', on(end), performance.now(), which);
                }
                pending -= 1;
                done += 1;
                if (message.grown) pool.grown.add(worker);
                if (message.record) {
                    entries[message.index] = message.record;
                } else {
                    entries[message.index] = { path: message.path, failure: message.failure };
                    failed += 1;
                }
                state.loading.arrived(entries[message.index]);
                state.loading.progress(done, files.length, failed);
                if (!finishIfDone()) feed(worker);
            };
            for (let i = 0; i < kFilesPerWorker; ++i) feed(worker);
        }
        state.loading.cancel = () => {
            cancelled = true;
            finishIfDone();
        };
    });
}
