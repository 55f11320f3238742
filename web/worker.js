'use strict';
// One analyser per worker. The page sends {index, file, path} one file at a time; the worker answers
// {index, record} with the core's encoded record, the file's bytes dropped before the next one.

// Input is handed to the inflater in pieces, so that a stream far longer than it declares is
// stopped within one piece's output (at most 1,032 times its 64 KiB) past the limit, not inflated whole.
const kInflatePiece = 64 * 1024;

// The inflated bytes of a file, kept from one file to the next so that each save costs no new
// buffer; one grown past kKeptOutputBytes by a rare big save is given back after it.
const kKeptOutputBytes = 32 * 1024 * 1024;
let output = new Uint8Array(0);

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
    let total = 0;
    let outcome = 'complete';
    try {
        for (;;) {
            const { done, value } = await reader.read();
            if (done) break;
            if (total + value.length > limit) {
                outcome = 'too-long';
                reader.cancel().catch(() => {});
                writer.abort().catch(() => {});
                break;
            }
            if (total + value.length > output.length) {
                const grown = new Uint8Array(Math.min(limit, Math.max(2 * output.length, total + value.length)));
                grown.set(output.subarray(0, total));
                output = grown;
            }
            output.set(value, total);
            total += value.length;
        }
    } catch (error) {
        outcome = 'damaged';
    }
    await writing;
    if (outcome === 'damaged' && !writeFailed && closeFailed) outcome = 'cut';
    return { outcome, bytes: outcome === 'too-long' ? new Uint8Array(0) : output.subarray(0, total) };
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
        // The core inflates a refused stream again itself, for the desktop's message.
        record = analyser.finish(inflated.outcome === 'complete' ? inflated.bytes : new Uint8Array(0), inflated.outcome);
        if (output.length > kKeptOutputBytes) output = new Uint8Array(0);
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
