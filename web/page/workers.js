// The analysers: a pool of workers, each running the core (worker.js), that turn the files of a
// load into the core's encoded records.

import { $ } from './dom.js';
import { fromWorkerClock, noteSpan } from './profile.js';

// How many files each worker is handed at a time, and how many bytes of them at most (but always
// one file): the next are read while it analyses one, and a cancel waits for the files handed.
export const kFilesPerWorker = 3;
const kBytesPerWorker = 48 * 1024 * 1024;

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

// Analyses `files` ({file, path} in load order) on the workers, a few at a time each;
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
        // Each worker is handed files until it holds kFilesPerWorker or kBytesPerWorker of them. The
        // page's thread reads them and hands their bytes over: a worker busy in the core would take
        // in its own reads only between analyses (measured: a fifth slower on one worker). A file
        // larger than any save is refused by its size alone: never read.
        const held = new Map();  // worker -> Map(index -> bytes) of the files handed, not answered yet
        const bytesHeld = (holds) => [...holds.values()].reduce((sum, size) => sum + size, 0);
        const feed = (worker) => {
            const holds = held.get(worker) || new Map();
            held.set(worker, holds);
            while (!cancelled && next < files.length && holds.size < kFilesPerWorker &&
                   (holds.size === 0 || bytesHeld(holds) + files[next].file.size <= kBytesPerWorker)) {
                const index = next++;
                const { file, path } = files[index];
                const unread = file.size > core.maxSaveFileBytes();
                const size = unread ? 0 : file.size;
                pending += 1;
                holds.set(index, size);
                const job = { index, file, path, unread, timed: profile !== null };
                if (unread) {
                    worker.postMessage(job);
                    continue;
                }
                const reading = performance.now();
                file.arrayBuffer().then((bytes) => {
                    noteSpan(profile, 'read', reading, performance.now());
                    if (profile !== null) postedAt.set(index, performance.now());
                    worker.postMessage({ ...job, bytes }, [bytes]);
                }, (error) => worker.postMessage({ ...job, failure: error && error.message ? error.message
                    : 'the file cannot be read' }));
            }
        };
        const answered = (worker, index) => {
            held.get(worker).delete(index);
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
                    // The page read the bytes: they were in the worker when it took the job in.
                    const { origin, received, start, end } = message.clock;
                    const on = (time) => fromWorkerClock(origin, time);
                    const which = pool.workers.indexOf(worker);
                    noteSpan(profile, 'to worker', postedAt.get(message.index), on(received), which);
                    noteSpan(profile, 'queued', on(received), on(start), which);
                    noteSpan(profile, 'core', on(start), on(end), which);
                    noteSpan(profile, 'hand-over', on(end), performance.now(), which);
                }
                answered(worker, message.index);
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
            feed(worker);
        }
        state.loading.cancel = () => {
            cancelled = true;
            finishIfDone();
        };
    });
}
