#!/usr/bin/env python3
"""Growth figures of the tree interface on inputs that nest or chain.

Each case is run at two sizes, ten times apart, through
`q5upgrade --check -q --isolated FILE`; a pass that is linear in its input
takes about ten times as long on the larger one. A run that crashes or
outlives its timeout shows as such instead of a time, so the benchmark
always ends. Used by bench.py; standalone:

    python3 bench/growth.py [--timeout S] [BINARY]
"""

import os
import statistics
import sys
import tempfile

# label, kind, the two sizes
CASES = (
    ("nested parentheses in one argument", "parens", (10_000, 100_000)),
    ("table calls nested in one another", "nested", (1_000, 10_000)),
    ("#define chain, each naming the next", "chain", (10_000, 100_000)),
)
LIMIT = 10.0     # time(10 N) / time(N)


def source(kind, n):
    """The C text of one case: n levels deep, or n lines long."""
    if kind == "parens":
        return ("void f(void *w)\n{\n    XtVaSetValues(w, XmNwidth, %s1%s, NULL);\n}\n"
                % ("(" * n, ")" * n))
    if kind == "nested":
        call = "Q5New(cl, Q5A_Width, 1, Q5TAG_END)"
        opener, closer = "Q5New(cl, Q5A_UserData, ", ", Q5TAG_END)"
        return "void f(void *cl)\n{\n    (void)%s%s%s;\n}\n" % (opener * (n - 1), call,
                                                             closer * (n - 1))
    lines = ["#define CHAIN%d CHAIN%d\n" % (k, k + 1) for k in range(n - 1)]
    return "".join(lines) + ("#define CHAIN%d XmNwidth\nvoid f(void *w)\n{\n"
                             "    XtVaSetValues(w, CHAIN0, 10, NULL);\n}\n" % (n - 1))


def measure(run, tool, path, timeout, err):
    """(seconds, None) or (None, what went wrong). Runs under two seconds
    are repeated: the median of three."""
    times = []
    for _ in range(3):
        t, code, _ = run([tool, "--check", "-q", "--isolated", path], os.devnull, err, timeout)
        if t is None:
            return None, "timeout" if "timed out" in str(code) else str(code)
        if code < 0:
            return None, "crash (signal %d)" % -code
        if code not in (0, 1):
            return None, "exit %d" % code
        times.append(t)
        if t >= 2:
            break
    return statistics.median(times), None


def growth_runs(run, tool, scratch, timeout):
    """One row per case: (label, sizes, [figure or None, ...], [problem or
    None, ...], ratio or None)."""
    rows = []
    err = os.path.join(scratch, "growth-stderr.txt")
    for label, kind, sizes in CASES:
        figures, problems = [], []
        for n in sizes:
            path = os.path.join(scratch, "growth-%s-%d.c" % (kind, n))
            with open(path, "w") as fh:
                fh.write(source(kind, n))
            t, problem = measure(run, tool, path, timeout, err)
            os.unlink(path)
            figures.append(t)
            problems.append(problem)
        ratio = figures[1] / figures[0] if None not in figures else None
        rows.append((label, sizes, figures, problems, ratio))
    return rows


def show(rows, fmt_ms, timeout):
    """Prints the growth table; returns the failures (crash, timeout)."""
    failures = []
    hdr = "%-38s %9s %17s %9s %17s %7s" % ("growth case", "N", "time", "10 N", "time",
                                          "ratio")
    print(hdr)
    print("-" * len(hdr))
    for label, sizes, figures, problems, ratio in rows:
        cells = []
        for n, t, problem in zip(sizes, figures, problems):
            cells += ["{:,}".format(n), fmt_ms(t) if t is not None else problem]
            if problem:
                failures.append("growth: %s, N = %d: %s%s" % (
                    label, n, problem, " after %g s" % timeout if problem == "timeout" else ""))
        print("%-38s %9s %17s %9s %17s %7s" % (label, cells[0], cells[1], cells[2], cells[3],
                                              "%.1fx" % ratio if ratio is not None else "-"))
    return failures


def main(argv):
    import bench   # the runner and the formats
    timeout, args = 60.0, argv[1:]
    if args[:1] == ["--timeout"]:
        timeout, args = float(args[1]), args[2:]
    tool = bench.find_tool(args[0] if args else None)
    if not tool:
        print("growth: no tool binary; build first or pass BINARY", file=sys.stderr)
        return 2
    import signal
    signal.signal(signal.SIGALRM, bench._alarm)
    with tempfile.TemporaryDirectory(prefix="q5growth.") as scratch:
        rows = growth_runs(bench.run, tool, scratch, timeout)
    failures = show(rows, bench.fmt_ms, timeout)
    for f in failures:
        print("TOOL FAILURE: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.dont_write_bytecode = True
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    sys.exit(main(sys.argv))
