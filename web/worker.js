'use strict';
// One analyser per worker. The page sends {index, file, path, bytes} (bytes: the file's contents,
// transferred; none for a file larger than any save, or `failure` when it could not be read) for a
// few files at a time; the worker answers {index, record} with the core's encoded record, in the
// order sent. The bytes go into the core's memory, into one buffer the core keeps from one file to
// the next, and the core inflates them. `grown` says that the worker's memory grew past what a
// worker keeps, so that the page replaces it when the load is over. A job marked `timed` (a load
// the page profiles) is answered with `clock`: when it arrived, and when its analysis started and
// ended, on this worker's clock, whose origin it gives.

let analyser = null;
const waiting = [];

function analyse({ index, file, path, bytes, failure, timed, received }) {
    if (failure !== undefined) {
        postMessage({ index, path, failure });
        return;
    }
    const start = timed ? performance.now() : 0;
    let record;
    if (bytes === undefined) {
        // Refused by its size alone, as the desktop refuses it: never read.
        record = analyser.analyseUnread(path, file.lastModified, file.size);
    } else {
        // No call into the core between input() and set(): the view stays valid.
        analyser.input(bytes.byteLength).set(new Uint8Array(bytes));
        record = analyser.analyse(path, file.lastModified);
    }
    const clock = timed ? { origin: performance.timeOrigin, received, start, end: performance.now() } : undefined;
    postMessage({ index, record, grown: analyser.grown(), clock }, [record.buffer]);
}

function pump() {
    if (analyser === null) return;
    while (waiting.length > 0) {
        const job = waiting.shift();
        try {
            analyse(job);
        } catch (error) {
            postMessage({ index: job.index, path: job.path, failure: String(error && error.message ? error.message : error) });
        }
    }
}

onmessage = (event) => {
    if (event.data.timed) event.data.received = performance.now();
    waiting.push(event.data);
    pump();
};

QuillmereModule().then((module) => {
    analyser = new module.SaveAnalyser();
    postMessage({ ready: true });
    pump();
}, (error) => postMessage({ fatal: String(error) }));
