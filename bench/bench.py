#!/usr/bin/env python3
"""Throughput and memory benchmark for q5upgrade; see bench/README.md.

Compares the tool (convert mode, output to a file) with `cat FILE > OUT` on
the same generated inputs and checks the results against fixed targets.
Exit status: 0 when every tool run succeeded (targets may still FAIL; this
reports, it does not gate), 1 when the tool failed or timed out on an input,
2 on usage errors.
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True     # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen  # noqa: E402
import growth  # noqa: E402
import verify  # noqa: E402

MIB = 1024 * 1024
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Targets.
TYPICAL_VS_CAT = 2.0
ADVERSARIAL_VS_CAT = 3.0
DENSE_VS_CAT = 4.0
FLOOR_VS_CAT = 1.3           # the plain input: no candidate at all
GROWTH_LIMIT = 8.5           # time(64 MiB) / time(8 MiB), files 8x bigger
SMALL_VS_CAT = 1.2
TREE_CHECK_VS_FIND_CAT = 1.5  # `q5upgrade --check TREE` / `find TREE ... -exec cat {} +`
TREE_INPLACE_SPEEDUP = 5.0    # classic upgrade, one process per file / `q5upgrade -i TREE`
PATTERN_GROWTH_LIMIT = 12.0  # time(10N files) / time(N files), pathological patterns
VERIFY_VS_PREPROCESS = 2.5    # `q5upgrade --check --verify` / the compiler's -E twice per file
RSS_SLACK = 32 * MIB         # peak RSS <= input size + this
GROWTH_KINDS = ("typical", "adversarial", "dense")


class ToolFailed(Exception):
    pass


class _Timeout(Exception):
    pass


_waiting = False


def _alarm(signum, frame):
    # Only interrupt the wait itself, never the bookkeeping around it.
    if _waiting:
        raise _Timeout()


def run(argv, stdout, stderr, timeout):
    """Run argv once; return (seconds, exit status, peak RSS in bytes).

    posix_spawn + wait4 gives the wall time of just this child and its own
    ru_maxrss (RUSAGE_CHILDREN would be the maximum over every child so far).
    """
    global _waiting
    flags = os.O_WRONLY | os.O_CREAT | os.O_TRUNC
    actions = [(os.POSIX_SPAWN_OPEN, 1, stdout, flags, 0o644),
               (os.POSIX_SPAWN_OPEN, 2, stderr, flags, 0o644)]
    signal.setitimer(signal.ITIMER_REAL, timeout)
    t0 = time.perf_counter()
    # Own process group, so a timeout can take down anything it started.
    try:
        pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions, setpgroup=0)
    except OSError as e:
        signal.setitimer(signal.ITIMER_REAL, 0)
        return None, "could not start: %s" % e, 0
    try:
        _waiting = True
        _, status, ru = os.wait4(pid, 0)
    except _Timeout:
        _waiting = False
        os.killpg(pid, signal.SIGKILL)
        os.wait4(pid, 0)
        return None, "timed out after %gs" % timeout, 0
    finally:
        _waiting = False
        signal.setitimer(signal.ITIMER_REAL, 0)
    t = time.perf_counter() - t0
    return t, os.waitstatus_to_exitcode(status), ru.ru_maxrss * 1024


def gnu_time():
    """/usr/bin/time if it is GNU time (prints %M), else None."""
    p = "/usr/bin/time"
    if not os.access(p, os.X_OK):
        return None
    try:
        fd, out = tempfile.mkstemp()
        os.close(fd)
        t, code, _ = run([p, "-f", "%M", "-o", out, "true"], os.devnull, os.devnull, 10)
        with open(out) as f:
            ok = code == 0 and f.read().strip().isdigit()
        os.unlink(out)
        return p if ok else None
    except OSError:
        return None


class Bench:
    def __init__(self, tool, cat, scratch, reps, timeout, timer):
        self.tool, self.cat, self.scratch = tool, cat, scratch
        self.reps, self.timeout = reps, timeout
        self.err = os.path.join(scratch, "stderr.txt")
        self.rssfile = os.path.join(scratch, "rss.txt")
        self.timer = timer
        self.failures = []

    def rss(self, label, src, dst):
        """Peak RSS of one separate, untimed run.

        A child's ru_maxrss starts from its parent's high-water mark (exec
        records the old mm's peak), so measuring from this Python process
        would report at least its own ~10+ MiB; GNU time is a small parent.
        Without it, fall back to the wait4 figure (an upper bound).
        """
        if not self.timer:
            return None
        t, code, _ = run([self.timer, "-f", "%M", "-o", self.rssfile, self.tool, src, dst],
                         os.devnull, self.err, self.timeout)
        self._check(label, src, code)
        with open(self.rssfile) as f:
            return int(f.read().split()[-1]) * 1024

    def _check(self, label, path, code):
        if code != 0:
            try:
                with open(self.err, errors="replace") as f:
                    tail = f.read()[-2000:]
            except OSError:
                tail = ""
            what = code if isinstance(code, str) else "exit status %d" % code
            raise ToolFailed("%s: tool failed on %s (%s)%s" % (label, path, what,
                                                                 "\n" + tail.rstrip() if tail.strip() else ""))

    def tool_once(self, label, src, dst):
        t, code, rss = run([self.tool, src, dst], os.devnull, self.err, self.timeout)
        self._check(label, src, code)
        return t, rss

    def cat_once(self, src, dst):
        t, code, rss = run([self.cat, src], dst, os.devnull, self.timeout)
        if code != 0:
            sys.exit("bench: cat failed on %s (%s)" % (src, code))
        return t, rss

    def big(self, label, src, reps):
        """Warm-up, then reps interleaved runs of tool and cat on one file."""
        out = os.path.join(self.scratch, "out.c")
        tt, tc, rss = [], [], 0

        def tool():
            _unlink(out)
            return self.tool_once(label, src, out)

        def cat():
            _unlink(out)
            return self.cat_once(src, out)

        _, rss = tool()
        if label.startswith(("typical", "dense")):
            _sanity(label, out)
        cat()
        for i in range(reps):
            # Alternate who goes first so neither always follows the other.
            order = (tool, cat) if i % 2 == 0 else (cat, tool)
            for f in order:
                t, r = f()
                if f is tool:
                    tt.append(t)
                    rss = max(rss, r)
                else:
                    tc.append(t)
        _unlink(out)
        measured = self.rss(label, src, out)
        _unlink(out)
        return statistics.median(tt), statistics.median(tc), rss if measured is None else measured

    def small(self, label, files):
        """One process per file, sequentially; the whole loop is timed."""
        outdir = os.path.join(self.scratch, "small-out")
        outs = [os.path.join(outdir, os.path.basename(f)) for f in files]
        tt, tc, rss = [], [], 0

        def fresh():
            shutil.rmtree(outdir, ignore_errors=True)
            os.mkdir(outdir)

        def tool_loop():
            nonlocal rss
            fresh()
            t0 = time.perf_counter()
            for src, dst in zip(files, outs):
                _, r = self.tool_once(label, src, dst)
                rss = max(rss, r)
            return time.perf_counter() - t0

        def cat_loop():
            fresh()
            t0 = time.perf_counter()
            for src, dst in zip(files, outs):
                self.cat_once(src, dst)
            return time.perf_counter() - t0

        tool_loop()
        cat_loop()
        for i in range(self.reps):
            if i % 2 == 0:
                tt.append(tool_loop())
                tc.append(cat_loop())
            else:
                tc.append(cat_loop())
                tt.append(tool_loop())
        if self.timer:
            fresh()
            # Every 20th file is plenty: they are all alike.
            rss = max(self.rss(label, src, dst) for src, dst in list(zip(files, outs))[::20])
        shutil.rmtree(outdir, ignore_errors=True)
        return statistics.median(tt), statistics.median(tc), rss


def _tree_copy(src, dst):
    shutil.rmtree(dst, ignore_errors=True)
    shutil.copytree(src, dst)


def _tree_bytes(root):
    """Every file's bytes by its path below root, for comparing two trees."""
    out = {}
    for d, _, names in os.walk(root):
        for n in names:
            p = os.path.join(d, n)
            with open(p, "rb") as f:
                out[os.path.relpath(p, root)] = f.read()
    return out


def tree_runs(b, tree, files):
    """The tree interface on a directory of typical files.

    check: `q5upgrade --check -q TREE` (exit 1: files would change) against
    reading the same files with find and cat. in place: `q5upgrade -i -q` on
    a fresh copy against the classic upgrade mode run once per file on
    another fresh copy (from a scratch directory on the same file system).
    The untimed first round runs `-i --unsafe-fixes`, whose text rules are the
    classic ones, and the two results must be byte for byte the same.
    """
    find_cat = ["/bin/sh", "-c",
                "exec find \"$0\" -type f -name '*.[ch]' -exec cat {} + >/dev/null", tree]
    check = [b.tool, "--check", "-q", tree]

    def timed(argv, allowed):
        t, code, _ = run(argv, os.devnull, b.err, b.timeout)
        if code not in allowed:
            b._check("tree", tree, code if code != 0 else "exit 0")
        return t

    tc, tf = [], []
    timed(check, (1,))
    timed(find_cat, (0,))
    for i in range(b.reps):
        pair = ((check, (1,), tc), (find_cat, (0,), tf))
        for argv, allowed, into in (pair if i % 2 == 0 else pair[::-1]):
            into.append(timed(argv, allowed))

    work = os.path.join(b.scratch, "tree-work")
    cwd = os.path.join(b.scratch, "tree-cwd")
    os.makedirs(cwd, exist_ok=True)
    rel = [os.path.relpath(f, tree) for f in files]
    ti, tu = [], []
    for i in range(b.reps + 1):
        _tree_copy(tree, work)
        # -i ends 1 while a call is left as it stands (a macro's body that
        # pairs its parameters, say): done all the same.
        t = timed([b.tool, "-i", "-q"] + (["--unsafe-fixes"] if i == 0 else []) + [work], (0, 1))
        if i == 0:
            in_place = _tree_bytes(work)
        else:
            ti.append(t)
        _tree_copy(tree, work)
        # One process per file, each in the scratch working directory.
        t0 = time.perf_counter()
        here = os.getcwd()
        os.chdir(cwd)
        try:
            for r in rel:
                _, code, _ = run([b.tool, "-upgrade", os.path.join(work, r)], os.devnull, b.err,
                                 b.timeout)
                b._check("tree upgrade", r, code)
        finally:
            os.chdir(here)
        t = time.perf_counter() - t0
        if i == 0:
            if _tree_bytes(work) != in_place:
                raise ToolFailed("tree: -i and the classic upgrade mode give different files")
        else:
            tu.append(t)
    shutil.rmtree(work, ignore_errors=True)
    return (statistics.median(tc), statistics.median(tf)), (statistics.median(ti), statistics.median(tu))


# Patterns that a backtracking matcher takes exponential time over: twenty
# "**" parts before a name no path has, against paths 21 parts deep, and a
# part of many '*' that a long name almost matches.
DEEP = 20
MANY_DOUBLE_STARS = "**/" * DEEP + "nothing.c"
MANY_STARS = "*a" * 24 + "*b"


def pattern_tree(root, n):
    """n files of one line, DEEP directories down, names of many 'a'; and a
    configuration file at the top whose patterns, matching below it, are
    tried on every entry."""
    deep = os.path.join(root, *("d%02d" % i for i in range(DEEP)))
    os.makedirs(deep, exist_ok=True)
    for i in range(n):
        with open(os.path.join(deep, "%s%05d.c" % ("a" * 60, i)), "w") as f:
            f.write("int a;\n")
    with open(os.path.join(root, ".q5upgrade.toml"), "w") as f:
        f.write('exclude = ["%s", "/%s"]\nextend-include = ["%s"]\n'
                % (MANY_DOUBLE_STARS, MANY_DOUBLE_STARS, MANY_STARS))
    return root


def pattern_runs(b, small, large):
    """--check over `small` and `large` (10 times the files) with and
    without the pathological patterns: the medians, keyed by case."""
    out = {}
    for label, tree in (("small", small), ("large", large)):
        config = "--config=" + os.path.join(tree, ".q5upgrade.toml")
        for kind, extra in (("patterns", [config]), ("plain", ["--isolated"])):
            argv = [b.tool, "--check", "-q", "--no-ignore"] + extra + [tree]
            times = []
            for i in range(b.reps + 1):
                t, code, _ = run(argv, os.devnull, b.err, b.timeout)
                b._check("patterns", tree, code)
                if i:
                    times.append(t)
            out[(label, kind)] = statistics.median(times)
    return out


def _unlink(path):
    try:
        os.unlink(path)
    except FileNotFoundError:
        pass


def _sanity(label, out):
    """The typical inputs are full of table calls; output without any V8
    form means the binary is not doing the conversion being measured."""
    found = False
    with open(out, "rb") as f:
        tail = b""
        # Streamed: keep this process's peak RSS (inherited by children) low.
        while not found:
            block = f.read(MIB)
            if not block:
                break
            found = b"Q5T(" in tail + block or b"Q5LT(" in tail + block
            tail = block[-8:]
    if not found:
        print("note: %s: output has no Q5T( / Q5LT( -- is this really q5upgrade?" % label)


def generate(jobs):
    """Write the inputs from a forked child: the long adversarial lines are
    built in memory, and this process's peak RSS must stay small (see
    Bench.rss)."""
    sys.stdout.flush()
    pid = os.fork()
    if pid == 0:
        code = 0
        try:
            for writer, path, size, seed, kind in jobs:
                writer(path, size, seed)
                if size > 8192 or path == jobs[-1][1]:
                    gen.check(path, kind)
        except BaseException:
            import traceback
            traceback.print_exc()
            code = 1
        os._exit(code)
    _, status = os.waitpid(pid, 0)
    if status != 0:
        sys.exit("bench: generating inputs failed")


def _growth(args, tool, scratch, failures):
    """The growth figures (see growth.py): each case at N and 10 N through
    `--check`; a crash or timeout is a tool failure (added to `failures`).
    Returns the rows; alone (--growth-only), the exit status."""
    print()
    print("growth on nested and chained input: time(10 N) / time(N), target <= %.0fx" %
          growth.LIMIT)
    sys.stdout.flush()
    rows = growth.growth_runs(run, tool, scratch, args.growth_timeout)
    failures += growth.show(rows, fmt_ms, args.growth_timeout)
    if not args.growth_only:
        return rows
    bad = [r for r in rows if r[4] is None or r[4] > growth.LIMIT]
    print("%d growth target(s) failed" % len(bad))
    for f in failures:
        print("TOOL FAILURE: " + f)
    return 1 if failures else 0


def find_tool(arg):
    if arg:
        return os.path.abspath(arg)
    for sub in ("default",):
        p = os.path.join(REPO, "build", sub, "q5upgrade")
        if os.path.isfile(p) and os.access(p, os.X_OK):
            return p
    return None


def fmt_ms(t):
    return "%.1f ms" % (t * 1000) if t < 10 else "%.2f s" % t


def fmt_mib(n):
    return "%.1f MiB" % (n / MIB)


def fmt_size(n):
    return fmt_mib(n) if n >= MIB else "%.0f KiB" % (n / 1024)


def main():
    ap = argparse.ArgumentParser(
        prog="bench/run.sh",
        description="Time q5upgrade against cat on generated inputs.")
    ap.add_argument("binary", nargs="?",
                    help="tool to run (default: build/default/q5upgrade)")
    ap.add_argument("--quick", action="store_true",
                    help="smoke check: 8 MiB inputs only and 200 small files")
    ap.add_argument("--reps", type=int, default=5, help="timed runs per side (default 5)")
    ap.add_argument("--timeout", type=float, default=120.0,
                    help="seconds before one tool run counts as failed (default 120)")
    ap.add_argument("--keep", action="store_true",
                    help="keep the scratch directory (to look at a failing input)")
    ap.add_argument("--growth-only", action="store_true",
                    help="only the growth figures (nesting and #define chains)")
    ap.add_argument("--growth-timeout", type=float, default=60.0,
                    help="seconds before one growth run counts as failed (default 60)")
    args = ap.parse_args()

    tool = find_tool(args.binary)
    if not tool or not os.access(tool, os.X_OK):
        print("bench: no tool binary (%s); build first or pass BINARY" %
              (args.binary or "build/default"), file=sys.stderr)
        return 2
    cat = shutil.which("cat")
    if not cat:
        print("bench: cat not found", file=sys.stderr)
        return 2
    if args.reps < 1:
        print("bench: --reps must be >= 1", file=sys.stderr)
        return 2

    sizes = [8] if args.quick else [8, 64]
    n_small = 200 if args.quick else 1000
    signal.signal(signal.SIGALRM, _alarm)

    scratch = tempfile.mkdtemp(prefix="q5bench.")
    try:
        if args.growth_only:
            return _growth(args, tool, scratch, [])
        return _bench(args, tool, cat, scratch, sizes, n_small)
    except KeyboardInterrupt:
        return 130
    finally:
        if args.keep:
            print("scratch kept: %s" % scratch)
        else:
            shutil.rmtree(scratch, ignore_errors=True)


def _bench(args, tool, cat, scratch, sizes, n_small):
    t_start = time.perf_counter()
    print("q5upgrade benchmark: %s" % tool)
    # Run a private copy: a rebuild during the run must neither break it nor
    # mix two binaries into one set of figures.
    copy = os.path.join(scratch, "q5upgrade")
    shutil.copy2(tool, copy)
    tool = copy
    print("mode: %s; median wall time of %d runs per side (%d for 8 MiB inputs), "
          "interleaved, after 1 warm-up" % ("quick" if args.quick else "full", args.reps,
                                            args.reps * 3))
    print("scratch: %s" % scratch)
    sys.stdout.flush()

    # Inputs: fixed seeds, so every run measures the same bytes.
    inputs = []
    jobs = []
    kinds = (("typical", 1000, gen.write_typical), ("adversarial", 2000, gen.write_adversarial),
             ("dense", 3000, gen.write_dense))
    for mib in sizes:
        for kind, seed, writer in kinds:
            path = os.path.join(scratch, "%s-%d.c" % (kind, mib))
            jobs.append((writer, path, mib * MIB, seed + mib, kind))
            inputs.append(("%s %d MiB" % (kind, mib), kind, mib, path))
    # The floor: the largest size only, no candidate in it.
    mib = max(sizes)
    path = os.path.join(scratch, "plain-%d.c" % mib)
    jobs.append((gen.write_plain, path, mib * MIB, 4000 + mib, "plain"))
    inputs.append(("plain %d MiB (floor)" % mib, "plain", mib, path))
    small_dir = os.path.join(scratch, "small")
    small = [os.path.join(small_dir, "f%04d.c" % i) for i in range(n_small)]
    jobs += [(gen.write_typical, p, 8192, 5000 + i, "typical") for i, p in enumerate(small)]
    os.mkdir(small_dir)
    # A tree of typical files, 64 MiB in all (8 MiB with --quick), in
    # nested directories as a source tree has them.
    tree_dir = os.path.join(scratch, "tree")
    n_tree = 2000 if not args.quick else 250
    tree_files = [os.path.join(tree_dir, "d%02d" % (i % 20), "e%d" % (i % 7), "f%04d.c" % i)
                  for i in range(n_tree)]
    for d in {os.path.dirname(f) for f in tree_files}:
        os.makedirs(d, exist_ok=True)
    jobs += [(gen.write_typical, p, 32 * 1024, 6000 + i, "typical") for i, p in enumerate(tree_files)]
    # A tree for --verify: typical files the compiler preprocesses.
    verify_dir = os.path.join(scratch, "vtree")
    n_verify = 100 if not args.quick else 24
    verify_files = verify.tree_files(verify_dir, n_verify)
    os.makedirs(os.path.join(verify_dir, "src"))
    jobs += [(gen.write_typical, p, 32 * 1024, 7000 + i, "typical") for i, p in enumerate(verify_files)]
    generate(jobs)
    n_patterns = 2000 if not args.quick else 200
    pattern_small = pattern_tree(os.path.join(scratch, "patterns-small"), n_patterns)
    pattern_large = pattern_tree(os.path.join(scratch, "patterns-large"), 10 * n_patterns)
    verify.prepare(verify_dir, verify_files)
    print("inputs generated in %.1f s" % (time.perf_counter() - t_start))
    print()

    timer = gnu_time()
    b = Bench(tool, cat, scratch, args.reps, args.timeout, timer)
    results = {}    # label -> (tool s, cat s, tool rss, input bytes)
    hdr = "%-24s %10s %11s %11s %8s %11s" % ("case", "input", "tool", "cat", "tool/cat", "tool RSS")
    print(hdr)
    print("-" * len(hdr))

    def row(label, size, r):
        t, c, rss = r
        results[label] = (t, c, rss, size)
        print("%-24s %10s %11s %11s %7.2fx %11s" % (label, fmt_size(size), fmt_ms(t), fmt_ms(c),
                                                   t / c, fmt_mib(rss)))
        sys.stdout.flush()

    for label, kind, mib, path in inputs:
        try:
            # Runs of a few ms are noisy: give the small inputs more of them.
            reps = args.reps * 3 if mib <= 8 else args.reps
            row(label, mib * MIB, b.big(label, path, reps))
        except ToolFailed as e:
            b.failures.append(str(e))
            print("%-24s TOOL FAILED" % label)
    small_label = "%d small files" % n_small
    try:
        row(small_label, 8192, b.small(small_label, small))
    except ToolFailed as e:
        b.failures.append(str(e))
        print("%-24s TOOL FAILED" % small_label)
    print("(small files: input is per file; times are the whole loop, one process per file)")
    tree_label = "tree of %d files" % n_tree
    try:
        (tc, tf), (ti, tu) = tree_runs(b, tree_dir, tree_files)
        size = n_tree * 32 * 1024
        results["tree --check"] = (tc, tf, 0, size)
        results["tree -i"] = (ti, tu, 0, size)
        print("%-24s %10s %11s %11s %7.2fx   (vs find -exec cat)" % (
            "tree --check", fmt_size(size), fmt_ms(tc), fmt_ms(tf), tc / tf))
        print("%-24s %10s %11s %11s %7.2fx   (vs classic upgrade per file: %.1fx faster)" % (
            "tree -i", fmt_size(size), fmt_ms(ti), fmt_ms(tu), ti / tu, tu / ti))
    except ToolFailed as e:
        b.failures.append(str(e))
        print("%-24s TOOL FAILED" % tree_label)
    try:
        pt = pattern_runs(b, pattern_small, pattern_large)
        pattern_growth = pt[("large", "patterns")] / pt[("small", "patterns")]
        results["patterns"] = (pt[("large", "patterns")], pt[("large", "plain")], 0, 0)
        results["patterns growth"] = pattern_growth
        for label, n in (("small", n_patterns), ("large", 10 * n_patterns)):
            print("%-24s %10s %11s %11s %7.2fx   (vs the same walk without patterns)" % (
                "patterns, %d files" % n, "-", fmt_ms(pt[(label, "patterns")]),
                fmt_ms(pt[(label, "plain")]), pt[(label, "patterns")] / pt[(label, "plain")]))
    except ToolFailed as e:
        b.failures.append(str(e))
        print("%-24s TOOL FAILED" % "patterns")
    verify_label = "tree --verify"
    why_not = verify.usable()
    if why_not:
        print("%-24s skipped: %s" % (verify_label, why_not))
    else:
        n_jobs = len(os.sched_getaffinity(0))
        try:
            tv, tp, summary = verify.verify_runs(tool, verify_dir, verify_files, n_jobs,
                                                 min(args.reps, 3), args.timeout)
            results[verify_label] = (tv, tp, 0, n_verify * 32 * 1024)
            print("%-24s %10s %11s %11s %7.2fx   (vs gcc -E twice per file, -j %d)" % (
                verify_label, fmt_size(n_verify * 32 * 1024), fmt_ms(tv), fmt_ms(tp), tv / tp,
                n_jobs))
            print("  %s" % summary)
        except (RuntimeError, subprocess.TimeoutExpired) as e:
            b.failures.append(str(e))
            print("%-24s TOOL FAILED" % verify_label)
    if timer:
        print("(tool RSS: %s -f %%M on one extra run per input)" % timer)
    else:
        _, _, floor = run([cat, os.devnull], os.devnull, os.devnull, 10)
        print("(tool RSS: wait4 ru_maxrss, an upper bound: any value near %s is this harness's\n"
              " own peak inherited at exec; install GNU time (apt-get install time) for exact"
              " figures)" % fmt_mib(floor))
    print()

    rows = _growth(args, tool, scratch, b.failures)
    print()

    # Targets.
    big = max(sizes)
    checks = []
    for (_, kind, _), (_, _, _, problems, ratio) in zip(growth.CASES, rows):
        value = "%.1fx" % ratio if ratio is not None else next(p for p in problems if p)
        checks.append(("growth 10x, %s" % kind, value.split(" (")[0], "<= %.0fx" % growth.LIMIT,
                       ratio is not None and ratio <= growth.LIMIT))

    def ratio_check(name, a, limit):
        if a in results:
            t, c = results[a][:2]
            checks.append((name, "%.2fx" % (t / c), "<= %.1fx" % limit, t / c <= limit))
        else:
            checks.append((name, "-", "<= %.1fx" % limit, None))

    ratio_check("typical %d MiB vs cat" % big, "typical %d MiB" % big, TYPICAL_VS_CAT)
    ratio_check("adversarial %d MiB vs cat" % big, "adversarial %d MiB" % big, ADVERSARIAL_VS_CAT)
    ratio_check("dense %d MiB vs cat" % big, "dense %d MiB" % big, DENSE_VS_CAT)
    ratio_check("floor (plain %d MiB) vs cat" % big, "plain %d MiB (floor)" % big, FLOOR_VS_CAT)
    for kind in GROWTH_KINDS:
        name = "%s growth 64/8 MiB" % kind
        a, s = "%s 64 MiB" % kind, "%s 8 MiB" % kind
        if a in results and s in results:
            g = results[a][0] / results[s][0]
            checks.append((name, "%.2f" % g, "<= %.1f" % GROWTH_LIMIT, g <= GROWTH_LIMIT))
        else:
            checks.append((name, "-", "<= %.1f" % GROWTH_LIMIT,
                           "skipped" if args.quick else None))
    ratio_check("%s vs cat" % small_label, small_label, SMALL_VS_CAT)
    ratio_check("tree --check vs find+cat", "tree --check", TREE_CHECK_VS_FIND_CAT)
    if "tree -i" in results:
        ti, tu = results["tree -i"][:2]
        checks.append(("tree -i speed-up vs upgrade per file", "%.1fx" % (tu / ti),
                       ">= %.1fx" % TREE_INPLACE_SPEEDUP, tu / ti >= TREE_INPLACE_SPEEDUP))
    else:
        checks.append(("tree -i speed-up vs upgrade per file", "-", "", None))
    if "patterns growth" in results:
        g = results["patterns growth"]
        checks.append(("patterns growth, 10x the files", "%.2f" % g,
                       "<= %.1f" % PATTERN_GROWTH_LIMIT, g <= PATTERN_GROWTH_LIMIT))
    else:
        checks.append(("patterns growth, 10x the files", "-", "", None))
    if not why_not:
        ratio_check("tree --verify vs gcc -E twice", verify_label, VERIFY_VS_PREPROCESS)
    for label, _, _, _ in inputs + [(small_label, None, None, None)]:
        name = "peak RSS %s" % label
        if label in results:
            rss, size = results[label][2], results[label][3]
            limit = size + RSS_SLACK
            checks.append((name, fmt_mib(rss), "<= %s" % fmt_mib(limit), rss <= limit))
        else:
            checks.append((name, "-", "", None))

    hdr = "%-34s %10s %14s  %s" % ("target", "value", "limit", "result")
    print(hdr)
    print("-" * len(hdr))
    n_fail = 0
    for name, value, limit, ok in checks:
        verdict = {True: "PASS", False: "FAIL", None: "n/a (tool failed)"}.get(ok, ok)
        n_fail += ok is False
        print("%-34s %10s %14s  %s" % (name, value, limit, verdict))
    print()
    if args.quick:
        print("quick mode: ratios above are for the 8 MiB inputs and %d small files" % n_small)
    print("%d target(s) failed; total bench time %.0f s" % (n_fail, time.perf_counter() - t_start))

    if b.failures:
        print()
        for f in b.failures:
            print("TOOL FAILURE: " + f)
        if not args.keep:
            print("(rerun with --keep to look at the input)")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
