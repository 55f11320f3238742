// Where a load's time goes, kept only when the page is opened with ?profile (bench/web-bench.py
// does), so that a load pays nothing for it otherwise: spans of the page's thread (reading the
// files, taking the records in, drawing the table) and of each worker (waiting for a file's bytes
// to arrive, waiting behind the file before, the core's analysis, handing the record back).

export function profileWanted() {
    return new URLSearchParams(window.location.search).has('profile');
}

// The profile of a load that starts now.
export function startProfile() {
    return { started: performance.now(), spans: [] };
}

// Notes the span of `what` from `start` to `end` (the page's clock), of `worker` when given.
export function noteSpan(profile, what, start, end, worker) {
    if (profile !== null) profile.spans.push({ what, start, end, worker });
}

// Runs `work` on the page's thread, noted as a span of `what`.
export function timed(profile, what, work) {
    if (profile === null) return work();
    const start = performance.now();
    try {
        return work();
    } finally {
        noteSpan(profile, what, start, performance.now());
    }
}

// A time of a worker's clock (performance.now() there) on the page's: their origins differ.
export function fromWorkerClock(origin, time) {
    return origin + time - performance.timeOrigin;
}

// How long at least one of `spans` ran: spans of one kind may overlap (reads in flight at once).
function covered(spans) {
    const sorted = [...spans].sort((a, b) => a.start - b.start);
    let total = 0;
    let end = -Infinity;
    for (const span of sorted) {
        if (span.end <= end) continue;
        total += span.end - Math.max(span.start, end);
        end = span.end;
    }
    return total;
}

// The profile of a load that ended at `ended`, in milliseconds: the wall time; for each kind of
// span its count, its sum and the time it covered; each worker's analysing time and idle time;
// and the time the page's thread was busy with the load.
export function profileSummary(profile, ended) {
    const wall = ended - profile.started;
    const kinds = {};
    for (const span of profile.spans) {
        const kind = kinds[span.what] || (kinds[span.what] = { count: 0, sum: 0, spans: [] });
        kind.count += 1;
        kind.sum += span.end - span.start;
        kind.spans.push(span);
    }
    const summary = { wall, kinds: {}, workers: [], pageThread: 0 };
    for (const [what, kind] of Object.entries(kinds))
        summary.kinds[what] = { count: kind.count, sum: kind.sum, covered: covered(kind.spans) };
    const analysing = (kinds.core ? kinds.core.spans : []);
    const workers = [...new Set(analysing.map((span) => span.worker))].sort((a, b) => a - b);
    for (const worker of workers) {
        const own = analysing.filter((span) => span.worker === worker);
        const busy = covered(own);
        summary.workers.push({ worker, files: own.length, analysing: busy, idle: wall - busy });
    }
    summary.pageThread = covered(profile.spans.filter((span) => span.worker === undefined && span.what !== 'read'));
    return summary;
}
