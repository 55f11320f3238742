#!/usr/bin/env python3
"""Runs the Final score probe of the desktop and of the WebAssembly build (under node) and fails on
any difference: every exact case line by line, the random inputs block by block, and for a block
that differs the inputs that differ.
Usage: compare-final-score.py NATIVE_PROBE NODE WASM_PROBE_JS"""
import subprocess
import sys

native, node, wasm = sys.argv[1:4]


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout.splitlines()


desktop = run(native)
web = run(node, wasm)
exact = [line for line in desktop if not line.startswith("block ")]
if len(desktop) != len(web):
    sys.exit(f"the probes print {len(desktop)} and {len(web)} lines")
differing = [(d, w) for d, w in zip(desktop, web) if d != w]
for d, w in differing[:20]:
    if d.startswith("block "):
        block = d.split()[1].rstrip(":")
        for dl, wl in zip(run(native, block), run(node, wasm, block)):
            if dl != wl:
                print(f"desktop {dl}\nwasm    {wl}")
    else:
        print(f"desktop {d}\nwasm    {w}")
blocks = len(desktop) - len(exact)
print(f"{len(exact)} exact cases and {blocks * 10000} random inputs; {len(differing)} lines differ")
sys.exit(1 if differing else 0)
