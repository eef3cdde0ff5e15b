"""--verify over a tree, against its floor: the compiler itself.

A tree of typical files (which include <Xm/Xm.h> and "q5.h") with a
compilation database; `q5upgrade --check --verify -p TREE -j N TREE` is
timed against running the same compiler's -E twice over every file, N at a
time, with the same flags. Run by bench/bench.py; see bench/README.md.
"""

import json
import os
import shutil
import statistics
import subprocess
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FLAGS = ["-std=gnu99", "-Iinclude"]


def tree_files(root, count):
    """The paths of the tree's files (written by the caller's generator)."""
    return [os.path.join(root, "src", "v%03d.c" % i) for i in range(count)]


def prepare(root, files):
    """The header the files include and the database that compiles them."""
    os.makedirs(os.path.join(root, "include"), exist_ok=True)
    shutil.copy(os.path.join(REPO, "tests", "compile", "q5toolkit.h"),
                os.path.join(root, "include", "q5.h"))
    entries = [{"directory": root, "file": f,
                "arguments": ["gcc"] + FLAGS + ["-c", f, "-o", f[:-2] + ".o"]} for f in files]
    with open(os.path.join(root, "compile_commands.json"), "w") as out:
        json.dump(entries, out, indent=1)


def usable():
    """Why the case cannot run here, or None."""
    if not shutil.which("gcc"):
        return "gcc not found"
    probe = subprocess.run(["gcc", "-E", "-x", "c", "-", "-o", os.devnull],
                           input=b"#include <Xm/Xm.h>\n", stderr=subprocess.DEVNULL)
    if probe.returncode != 0:
        return "the Motif headers are missing (libmotif-dev)"
    return None


def _preprocess_twice(root, files, jobs):
    """Wall time of gcc -E twice over every file, `jobs` at a time."""
    pending = [f for f in files for _ in range(2)]
    running = []
    t0 = time.perf_counter()
    while pending or running:
        while pending and len(running) < jobs:
            running.append(subprocess.Popen(["gcc"] + FLAGS + ["-E", pending.pop(), "-o", os.devnull],
                                            cwd=root))
        done = running.pop(0)
        if done.wait() != 0:
            raise RuntimeError("gcc -E failed on a benchmark file")
    return time.perf_counter() - t0


def verify_runs(tool, root, files, jobs, reps, timeout):
    """Median wall times (tool, floor) over `reps` interleaved runs after a
    warm-up of each; raises RuntimeError when the tool fails."""
    argv = [tool, "--check", "--verify", "-p", root, "-j", str(jobs), os.path.join(root, "src")]
    tool_times, floor_times = [], []
    for i in range(reps + 1):
        t0 = time.perf_counter()
        done = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                              timeout=timeout)
        t = time.perf_counter() - t0
        if done.returncode not in (0, 1):
            raise RuntimeError("tree --verify: exit %d\n%s" % (
                done.returncode, done.stderr.decode(errors="replace")[-2000:]))
        f = _preprocess_twice(root, files, jobs)
        if i > 0:
            tool_times.append(t)
            floor_times.append(f)
    lines = done.stderr.decode(errors="replace").strip().splitlines()
    return statistics.median(tool_times), statistics.median(floor_times), lines[-1] if lines else ""
