'use strict';
// One analyser per worker. The page sends {index, file, path} one file at a time; the worker answers
// {index, record} with the core's encoded record, the file's bytes dropped before the next one.

// Input is handed to the inflater in pieces, so that a stream far longer than it declares is
// stopped after about one piece's worth of output past the limit instead of inflated whole.
const kInflatePiece = 1 << 20;

let core = null;
let analyser = null;
const waiting = [];

// Inflates `stream` (a zlib stream) until it ends or its output passes `limit`. Returns
// {outcome, bytes}: "complete", "cut" (the input ended first), "damaged" (the browser refused the
// stream, a checksum mismatch included) or "too-long".
async function inflate(stream, limit) {
    const decompressor = new DecompressionStream('deflate');
    const writer = decompressor.writable.getWriter();
    const reader = decompressor.readable.getReader();
    let writeFailed = false;
    let closeFailed = false;
    const writing = (async () => {
        try {
            for (let at = 0; at < stream.length; at += kInflatePiece) {
                await writer.write(stream.subarray(at, Math.min(stream.length, at + kInflatePiece)));
            }
        } catch (error) {
            writeFailed = true;
            return;
        }
        try {
            await writer.close();
        } catch (error) {
            closeFailed = true;
        }
    })();
    const pieces = [];
    let total = 0;
    let outcome = 'complete';
    try {
        for (;;) {
            const { done, value } = await reader.read();
            if (done) break;
            total += value.length;
            if (total > limit) {
                outcome = 'too-long';
                reader.cancel().catch(() => {});
                writer.abort().catch(() => {});
                break;
            }
            pieces.push(value);
        }
    } catch (error) {
        outcome = 'damaged';
    }
    await writing;
    if (outcome === 'damaged' && !writeFailed && closeFailed) outcome = 'cut';
    if (outcome === 'too-long') return { outcome, bytes: new Uint8Array(0) };
    if (pieces.length === 1) return { outcome, bytes: pieces[0] };
    const bytes = new Uint8Array(total);
    let at = 0;
    for (const piece of pieces) {
        bytes.set(piece, at);
        at += piece.length;
    }
    return { outcome, bytes };
}

async function analyse({ index, file, path }) {
    if (file.size > core.maxSaveFileBytes()) {
        // Refused by its size alone, as the desktop refuses it: never read.
        analyser.beginUnread(path, file.lastModified, file.size);
        const record = analyser.finish(new Uint8Array(0), 'none');
        postMessage({ index, record }, [record.buffer]);
        return;
    }
    let bytes;
    try {
        bytes = new Uint8Array(new FileReaderSync().readAsArrayBuffer(file));
    } catch (error) {
        postMessage({ index, path, failure: error && error.message ? error.message : 'the file cannot be read' });
        return;
    }
    const step = analyser.begin(path, file.lastModified, bytes);
    let record;
    if (step.inflate) {
        const stream = bytes.subarray(step.streamOffset, step.streamOffset + step.streamLength);
        const inflated = await inflate(stream, step.outputLimit);
        bytes = null;
        record = analyser.finish(inflated.bytes, inflated.outcome);
    } else {
        bytes = null;
        record = analyser.finish(new Uint8Array(0), 'none');
    }
    postMessage({ index, record }, [record.buffer]);
}

let busy = false;
async function pump() {
    if (busy || analyser === null) return;
    busy = true;
    while (waiting.length > 0) {
        const job = waiting.shift();
        try {
            await analyse(job);
        } catch (error) {
            postMessage({ index: job.index, path: job.path, failure: String(error && error.message ? error.message : error) });
        }
    }
    busy = false;
}

onmessage = (event) => {
    waiting.push(event.data);
    pump();
};

QuillmereModule().then((module) => {
    core = module;
    analyser = new core.SaveAnalyser();
    postMessage({ ready: true });
    pump();
}, (error) => postMessage({ fatal: String(error) }));
