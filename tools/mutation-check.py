#!/usr/bin/env python3
"""Checks that the core tests catch small faults in the core: applies one-line mutations one at a
time, rebuilds the core test program in a build folder of its own, runs it, and reports for each
mutation whether a test failed (caught) or all passed (not caught).

Usage: tools/mutation-check.py [--build DIR] [--only TEXT]... [--timeout SECONDS] [--list]

Each mutation replaces one exact text, which must occur exactly once in its file. The original file
is kept in memory and in DIR/mutation-backup; it is written back after every mutation, on Ctrl-C or
a termination signal, and at the start of the next run should a run ever be killed outright.
Exit status: 0 when every mutation was caught, 1 when some were not, 2 when the check could not run.
"""

import argparse
import json
import os
import pathlib
import signal
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent

# (file, text, replacement, what the fault is)
MUTATIONS = [
    ("src/load/SaveReader.cpp", "if ((wide ? std::int64_t{2} * n : n) > size - body)",
     "if ((wide ? std::int64_t{2} * n : n) >= size - body)", "text body bound > to >= (wide text)"),
    ("src/load/SaveReader.cpp", "if (n >= 2 && n > size - body)", "if (n >= 2 && n >= size - body)",
     "text body bound > to >= (first character)"),
    ("src/load/SaveReader.cpp", "if (n < 1 || n > kMaxTextLength) return {};",
     "if (n < 1 || n >= kMaxTextLength) return {};", "longest text 1023 to 1022"),
    ("src/load/SaveReader.cpp", "if (body > remaining() - 4)", "if (body >= remaining() - 4)",
     "skipped text bound > to >="),
    ("src/load/Container.cpp", "if (p < 8) throw", "if (p < 9) throw", "earliest stream offset 8 to 9"),
    ("src/load/Container.cpp", "c > 0 && c <= size - p;", "c > 0 && c < size - p;",
     "plausible compressed length <= to <"),
    ("src/load/Container.cpp", "if (u > c * kMaxDeflateRatio) {", "if (u >= c * kMaxDeflateRatio) {",
     "U vs 1032 x C bound > to >="),
    ("src/load/inflate/ExactInflate.cpp", "if (m_total > m_out.size() + static_cast<std::size_t>(kMaxSurplusBytes))",
     "if (m_total >= m_out.size() + static_cast<std::size_t>(kMaxSurplusBytes))", "exact inflate surplus bound > to >="),
    ("src/load/inflate/FastInflate.cpp", "if (total() + 1 > m_limit) return End::TooLong;",
     "if (total() + 2 > m_limit) return End::TooLong;", "fast inflate surplus bound one byte early"),
    ("src/load/inflate/FastInflate.cpp", "if (stored != m_adler.value()) return End::GaveUp;", "",
     "fast inflate takes a wrong checksum"),
    ("src/load/inflate/FastInflate.cpp",
     "if (lengthCount > kMaxLengthCodes || distanceCount > kMaxDistanceCodes) return false;",
     "if (lengthCount > kMaxLengthCodes + 2 || distanceCount > kMaxDistanceCodes + 2) return false;",
     "fast inflate takes 288 length and 32 distance codes"),
    ("src/load/inflate/FastInflate.cpp", "if (have + copies > count) return false;",
     "if (have + copies >= count) return false;", "fast inflate gives up on a repeat that ends the lengths"),
    ("src/load/inflate/ExactInflate.cpp", "if (length != (complement ^ 0xFFFF)) throw",
     "if (length != (complement ^ 0xFFFE)) throw", "stored block length check"),
    ("src/load/inflate/Adler32.cpp", "weighted += (kStep - j) * sum;", "weighted += (kStep - j - 1) * sum;",
     "Adler-32 lane weights"),
    ("src/view/GraphPlan.cpp", "if (tableSize <= rows.size()) return {};", "if (tableSize < rows.size()) return {};",
     "graph caption for a table of exactly the charted rows"),
    ("src/view/RowLook.cpp", "filter.hidden += match ? 0 : 1;", "filter.hidden += match ? 1 : 0;",
     "row filter counts the rows shown as hidden"),
    ("src/view/RowLook.cpp", "(point >= 0xC0 && point <= 0xDE && point != 0xD7)",
     "(point >= 0xCA && point <= 0xDE && point != 0xD7)", "case folding leaves accented capitals"),
    ("src/view/RowLook.cpp", "FoldedCase(load::Windows1251ToUtf8(rec.nickName)).find(wanted) != std::string::npos",
     "false", "row filter ignores the player name"),
    ("src/view/CellTexts.cpp", "if (!parts->midnight()) text +=", "if (parts->midnight()) text +=",
     "date text shows the time at midnight only"),
    ("src/export/HtmlReport.cpp", "out += \"&lt;\";", "out += \"<\";", "HTML leaves '<' as markup"),
    ("src/export/SafeText.cpp", "if (c == ';') {", "if (c == ':') {", "results cells keep ';'"),
    ("src/export/CsvReport.cpp", "byteOrderMark ? \"\\xEF\\xBB\\xBF\" : \"\"", "byteOrderMark ? \"\\xEF\\xBB\" : \"\"",
     "CSV byte-order mark cut short"),
    ("src/load/SaveFile.cpp", "if (size > kMaxSaveFileBytes) throw", "if (size >= kMaxSaveFileBytes) throw",
     "largest save file bound > to >="),
    ("src/analysis/Batch.cpp", "if (!table[i].failure.empty()) ++progress.failed;",
     "if (table[i].failure.empty()) ++progress.failed;", "batch progress counts successes as failures"),
    ("src/analysis/Batch.cpp", "if (!table[i].failure.empty()) ++progress.failed;", "",
     "batch progress does not count failures"),
    ("src/analysis/SaveWalker.cpp", "quarters % 4 > 1 ? 1 : 0", "quarters % 4 > 2 ? 1 : 0",
     "play time rounding of quarter seconds"),
    ("src/analysis/SaveWalker.cpp", "kind >= 0 && kind <= 2)", "kind >= 0 && kind < 2)",
     "land kinds 0..2 to 0..1"),
    ("src/analysis/SaveWalker.cpp", "turn >= 0 && turn <= kLastTurn) science", "turn >= 0 && turn < kLastTurn) science",
     "science summed to the last turn <= to <"),
    ("src/analysis/PlayerWalk.cpp", "if (m_culture[1] > m_culture[0]) std::swap",
     "if (m_culture[1] < m_culture[0]) std::swap", "culture order swapped comparison"),
    ("src/analysis/FinalScore.cpp", "inputs.turnLimit > 0 ? inputs.turnLimit : 1200;",
     "inputs.turnLimit > 1 ? inputs.turnLimit : 1200;", "turn limit fallback bound"),
    ("src/reload/ReloadControl.cpp", "day < 1 || day > 31 ? 30", "day < 1 || day > 30 ? 30",
     "play days bound 31 to 30"),
    ("src/reload/ReloadControl.cpp", "judged.reloads < thresholds.average) {",
     "judged.reloads <= thresholds.average) {", "fair verdict bound < to <="),
    ("src/reload/ReloadControl.cpp", "judged.reloads < thresholds.cheat) {",
     "judged.reloads <= thresholds.cheat) {", "average verdict bound < to <="),
    ("src/reload/ReloadControl.cpp", "(bound + 3) / 4", "bound / 4", "reloads to next verdict rounds down"),
    ("src/reload/ReloadControl.cpp", "} else if (allowance == 0) {", "} else if (allowance < 1) {",
     "smallest allowance == 0 to < 1"),
    ("src/reload/Rules.cpp", "if (y < windowStart) y += 100;", "if (y <= windowStart) y += 100;",
     "two-digit year window < to <="),
    ("src/reload/Rules.cpp", "if (value > kMaxInt32) return std::nullopt;",
     "if (value >= kMaxInt32) return std::nullopt;", "largest rule number > to >="),
    ("src/session/TournamentChecks.cpp", "if (before->turn >= rec.turn) continue;",
     "if (before->turn > rec.turn) continue;", "save chain compares saves of the same turn"),
    ("src/session/TournamentChecks.cpp", "if (same.size() < 2) continue;", "if (same.size() < 3) continue;",
     "duplicates need three saves"),
    ("src/session/TournamentChecks.cpp", "if (before->loadCount > rec.loadCount &&",
     "if (before->loadCount >= rec.loadCount &&", "save chain load count > to >="),
    ("src/session/Profile.cpp", "if (m_path.size() >= kMostNesting) {", "if (m_path.size() > kMostNesting) {",
     "profile nesting bound >= to >"),
    ("src/session/Profile.cpp", "if (value.size() > kMostListEntries)", "if (value.size() >= kMostListEntries)",
     "profile list length bound > to >="),
    ("src/load/SaveStream.cpp", "const auto past = static_cast<std::size_t>(most) + 1;",
     "const auto past = static_cast<std::size_t>(most);", "stream bound reads no byte past the limit"),
    ("src/load/SaveStream.cpp", "if (got == past) throw", "if (got > past) throw", "stream bound never refuses"),
    ("src/load/SaveStream.cpp", "if (info.st_size > most)", "if (info.st_size >= most)",
     "regular standard input bound > to >="),
    ("src/session/ProgressPace.cpp", "now - *m_lastShown < m_interval", "now - *m_lastShown <= m_interval",
     "progress interval < to <="),
    ("src/session/ProgressPace.cpp", "const bool last = progress.done == progress.total;",
     "const bool last = progress.done + 1 == progress.total;", "progress final count not always shown"),
    ("src/export/ResultsFile.cpp", "if (results.lost.names++ == 0)", "if (results.lost.names++ == 1)",
     "lost characters name the second name"),
    ("src/session/Session.cpp", "for (; next < inputs.skippedAt[i]; ++next)",
     "for (; next + 1 < inputs.skippedAt[i]; ++next)", "skipped file placed one row early"),
]


class Restorer:
    """Writes the original text of a mutated file back, whatever ends the run."""

    def __init__(self, backup: pathlib.Path):
        self.backup = backup
        self.path = None
        self.text = None

    def recover(self):
        if self.backup.exists():
            saved = json.loads(self.backup.read_text())
            pathlib.Path(saved["path"]).write_bytes(bytes.fromhex(saved["text"]))
            self.backup.unlink()
            print(f"restored {saved['path']} from an interrupted run")

    def mutate(self, path: pathlib.Path, old: str, new: str) -> bool:
        original = path.read_bytes()
        text = original.decode()
        if text.count(old) != 1:
            return False
        self.path, self.text = path, original
        self.backup.write_text(json.dumps({"path": str(path), "text": original.hex()}))
        path.write_text(text.replace(old, new))
        return True

    def restore(self):
        if self.path is not None:
            self.path.write_bytes(self.text)
            self.path = self.text = None
        if self.backup.exists():
            self.backup.unlink()


def run(cmd, timeout=None, **kwargs):
    return subprocess.run(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace",
                          timeout=timeout, **kwargs)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build-mutation", help="build folder of its own (default build-mutation)")
    parser.add_argument("--only", action="append", default=[],
                        help="only the mutations whose file or description holds this text (repeatable)")
    parser.add_argument("--timeout", type=float, default=600, help="seconds a test run may take (a hang is caught)")
    parser.add_argument("--list", action="store_true",
                        help="only check that each mutation's text occurs once in its file, building nothing")
    args = parser.parse_args()

    if args.list:
        missing = 0
        for file, old, _, what in MUTATIONS:
            found = (ROOT / file).read_text(encoding="utf-8").count(old)
            missing += found != 1
            print(f"{'ok' if found == 1 else f'found {found} times':>14}  {file}: {what}")
        return 1 if missing else 0

    build = (ROOT / args.build).resolve()
    build.mkdir(exist_ok=True)
    restorer = Restorer(build / "mutation-backup")
    restorer.recover()

    def on_signal(signum, _frame):
        restorer.restore()
        sys.exit(128 + signum)

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)

    configure = ["cmake", "-S", ".", "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                 "-DQUILLMERE_BUILD_GUI=OFF", "-DQUILLMERE_BUILD_BENCH=OFF", "-DQUILLMERE_WERROR=OFF"]
    build_cmd = ["cmake", "--build", str(build), "--target", "quillmere_core_tests"]
    tests = [str(build / "bin" / "quillmere_core_tests"), "--gtest_brief=1"]
    if run(configure).returncode != 0:
        print("cannot configure the build folder")
        return 2

    def build_and_test():
        built = run(build_cmd)
        if built.returncode != 0:
            return "does not build", built.stdout
        try:
            tested = run(tests, timeout=args.timeout)
        except subprocess.TimeoutExpired:
            return "caught (timeout)", ""
        return ("caught" if tested.returncode != 0 else "not caught"), tested.stdout

    start = time.monotonic()
    outcome, output = build_and_test()
    if outcome != "not caught":
        print(f"the unchanged tree does not pass ({outcome}):\n{output[-3000:]}")
        return 2

    selected = [m for m in MUTATIONS if not args.only or any(o in m[0] or o in m[3] for o in args.only)]
    # Grouped by file, so that restoring one file costs one compile, not two.
    selected.sort(key=lambda m: m[0])
    results = []
    try:
        for file, old, new, what in selected:
            if not restorer.mutate(ROOT / file, old, new):
                results.append((file, what, "text not found once"))
            else:
                try:
                    outcome, _ = build_and_test()
                finally:
                    restorer.restore()
                results.append((file, what, outcome))
            print(f"{results[-1][2]:>18}  {file}: {what}", flush=True)
    except KeyboardInterrupt:
        restorer.restore()
        return 2
    finally:
        restorer.restore()
    run(build_cmd)  # leave the folder built from the unchanged tree

    caught = sum(r[2].startswith("caught") for r in results)
    missed = [r for r in results if r[2] == "not caught"]
    other = [r for r in results if not r[2].startswith("caught") and r[2] != "not caught"]
    print(f"\n{caught} of {len(results)} caught, {len(missed)} not caught, {len(other)} not applied "
          f"({time.monotonic() - start:.0f} s)")
    for file, what, _ in missed:
        print(f"  not caught: {file}: {what}")
    for file, what, outcome in other:
        print(f"  {outcome}: {file}: {what}")
    return 0 if not missed and not other else 1


if __name__ == "__main__":
    sys.exit(main())
