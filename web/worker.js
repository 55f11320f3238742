'use strict';
// One analyser per worker. The page sends {index, file, path} for a few files at a time; the worker
// answers {index, record} with the core's encoded record, in the order sent. It reads the next
// file while it analyses one; the bytes go into the core's memory, into one buffer the core keeps
// from one file to the next, and the core inflates them.

// A file larger than this is not read ahead, so that at most one large file is held at a time.
const kReadAheadBytes = 32 * 1024 * 1024;

let core = null;
let analyser = null;
const waiting = [];  // {job, read}: read is the promise of the file's bytes, once started

function startRead(entry) {
    if (entry.read !== undefined) return;
    const file = entry.job.file;
    entry.read = file.size > core.maxSaveFileBytes() ? Promise.resolve(null)
        : file.arrayBuffer().then((buffer) => ({ buffer }), (error) => ({ error }));
}

function analyse({ index, file, path }, bytes) {
    if (bytes === null) {
        // Refused by its size alone, as the desktop refuses it: never read.
        const record = analyser.analyseUnread(path, file.lastModified, file.size);
        postMessage({ index, record }, [record.buffer]);
        return;
    }
    if (bytes.error !== undefined) {
        const error = bytes.error;
        postMessage({ index, path, failure: error && error.message ? error.message : 'the file cannot be read' });
        return;
    }
    // No call into the core between input() and set(): the view stays valid.
    analyser.input(bytes.buffer.byteLength).set(new Uint8Array(bytes.buffer));
    const record = analyser.analyse(path, file.lastModified);
    postMessage({ index, record }, [record.buffer]);
}

let busy = false;
async function pump() {
    if (busy || analyser === null) return;
    busy = true;
    while (waiting.length > 0) {
        const entry = waiting.shift();
        startRead(entry);
        if (waiting.length > 0 && waiting[0].job.file.size <= kReadAheadBytes) startRead(waiting[0]);
        try {
            analyse(entry.job, await entry.read);
        } catch (error) {
            const job = entry.job;
            postMessage({ index: job.index, path: job.path, failure: String(error && error.message ? error.message : error) });
        }
    }
    busy = false;
}

onmessage = (event) => {
    waiting.push({ job: event.data, read: undefined });
    pump();
};

QuillmereModule().then((module) => {
    core = module;
    analyser = new core.SaveAnalyser();
    postMessage({ ready: true });
    pump();
}, (error) => postMessage({ fatal: String(error) }));
