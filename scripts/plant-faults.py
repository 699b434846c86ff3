#!/usr/bin/env python3
"""Plants realistic faults one at a time in a built tree and checks that the suite catches each.

Each fault is a small source edit of the kind a tired developer makes. For every fault the tree is
rebuilt (default preset), the tests that could catch it are run, and the source is restored
whatever happens. The unchanged tree is built and tested first: a suite that already fails would
make every fault look caught.

Usage: scripts/plant-faults.py [NAME-SUBSTRING]   (from a tree with build/default configured)
"""
import pathlib
import subprocess
import sys
import tempfile

SUITE = "ctest --preset default -j2 -E '^browser_|^velkor_packages$'"
SCRIPT_TESTS = "node --test web/test/"

# (what the fault does, file, text, replacement, tests that must fail)
FAULTS = [
    ("an over-long transaction field is accepted", "src/transactions/transaction_request.cpp",
     "length != rule.length", "length < rule.length", SUITE),
    ("after 61xx more than the announced length is copied", "src/pcsc/apdu_transmit.cpp",
     "std::min(received, expected)", "received + 0 * expected", SUITE),
    ("the output is not wiped when DES padding is refused", "src/crypto/data_process_des.cpp",
     "            Wipe(output, inputLength);\n            return status::kCipherBadPadding;",
     "            return status::kCipherBadPadding;", SUITE),
    ("'no smart card' is not taken for a pulled card", "src/pcsc/probe_slot.cpp",
     " || result == kNoSmartcard", "", SUITE),
    ("velkor.js reports a full queue as a protocol error", "web/velkor.js",
     "[-32001, ErrorCode.QUEUE_FULL]", "[-32001, ErrorCode.PROTOCOL_ERROR]", SCRIPT_TESTS),
]


def run(command, log):
    return subprocess.run(f"{command} >>{log} 2>&1", shell=True, cwd=ROOT).returncode


ROOT = pathlib.Path(__file__).resolve().parent.parent
only = sys.argv[1] if len(sys.argv) > 1 else ""
log = tempfile.NamedTemporaryFile(prefix="plant-faults-", suffix=".log", delete=False).name
print(f"log: {log}")
if run("cmake --build --preset default -j2", log) or run(SUITE, log) or run(SCRIPT_TESTS, log):
    sys.exit("the unchanged tree does not build or pass; nothing to measure")

missed = 0
for name, relative, text, replacement, tests in FAULTS:
    if only not in name:
        continue
    path = ROOT / relative
    source = path.read_text()
    if source.count(text) != 1:
        print(f"STALE   {name}: the text to change is no longer in {relative} exactly once")
        missed += 1
        continue
    try:
        path.write_text(source.replace(text, replacement))
        if run("cmake --build --preset default -j2", log):
            print(f"NOBUILD {name}: the fault does not compile; change the fault, not the code")
            missed += 1
        elif run(tests, log):
            print(f"CAUGHT  {name}")
        else:
            print(f"MISSED  {name}")
            missed += 1
    finally:
        path.write_text(source)
run("cmake --build --preset default -j2", log)
sys.exit(1 if missed else 0)
