'use strict';
// One analyser per worker. The page sends {index, file, path, timed} for a few files at a time,
// with the file's `bytes` (transferred), `failure` when it could not read them, or `unread` for a
// file larger than any save; without any of these the worker reads the file itself. It answers
// {index, record} with the core's encoded record, or {index, path, failure}, in the order sent.
// The bytes go into the core's memory, into one buffer the core keeps from one file to the next,
// and the core inflates them. `grown` says that the worker's memory grew past what a worker keeps,
// so that the page replaces it when the load is over. A job marked `timed` (a load the page
// profiles) is answered with `clock`: when it arrived, when its bytes were in, and when its
// analysis started and ended, on this worker's clock, whose origin it gives.

let analyser = null;
let running = false;
const waiting = [];

function readError(error) {
    return error && error.message ? error.message : 'the file cannot be read';
}

async function analyse({ index, file, path, unread, timed, received, reading }) {
    let record;
    if (unread) {
        // Refused by its size alone, as the desktop refuses it: never read.
        record = analyser.analyseUnread(path, file.lastModified, file.size);
        postMessage({ index, record, grown: analyser.grown() }, [record.buffer]);
        return;
    }
    const { bytes, readAt, failure } = await reading;
    if (failure !== undefined) {
        postMessage({ index, path, failure });
        return;
    }
    const start = timed ? performance.now() : 0;
    // No call into the core between input() and set(): the view stays valid.
    analyser.input(bytes.byteLength).set(new Uint8Array(bytes));
    record = analyser.analyse(path, file.lastModified);
    const clock = timed ? { origin: performance.timeOrigin, received, readAt, start, end: performance.now() } : undefined;
    postMessage({ index, record, grown: analyser.grown(), clock }, [record.buffer]);
}

async function pump() {
    if (analyser === null || running) return;
    running = true;
    while (waiting.length > 0) {
        const job = waiting.shift();
        try {
            await analyse(job);
        } catch (error) {
            postMessage({ index: job.index, path: job.path, failure: String(error && error.message ? error.message : error) });
        }
    }
    running = false;
}

onmessage = (event) => {
    const job = event.data;
    if (job.timed) job.received = performance.now();
    if (job.failure !== undefined) {
        job.reading = Promise.resolve({ failure: job.failure });
    } else if (job.bytes !== undefined) {
        job.reading = Promise.resolve({ bytes: job.bytes, readAt: job.received });
    } else if (!job.unread) {
        job.reading = job.file.arrayBuffer().then((bytes) => ({ bytes, readAt: performance.now() }),
            (error) => ({ failure: readError(error) }));
    }
    waiting.push(job);
    pump();
};

QuillmereModule().then((module) => {
    analyser = new module.SaveAnalyser();
    postMessage({ ready: true });
    pump();
}, (error) => postMessage({ fatal: String(error) }));
