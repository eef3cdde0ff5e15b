#!/usr/bin/env python3
"""The differential check of the tree interface against generate.py's
expectations (run by check.sh; see there for the options).

Runs the tool over the generated tree in the default mode (-i on a copy,
JSON findings), again over its output, with --unsafe-fixes, and --stdout;
compiles each file before and after with gcc (after: with q5pairs.h), and
compares every segment with what it must become. Prints a tally per
construct and check, then the first differences of each check with the
segment's input, the expected and the actual text.
"""
import argparse
import collections
import concurrent.futures
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
COMPILE = os.path.join(os.path.dirname(HERE), "compile")
CFLAGS = ["-fsyntax-only", "-std=gnu99", "-Werror=int-conversion",
          "-Werror=incompatible-pointer-types", "-Werror=implicit-function-declaration"]
# Checks, in the order they are shown.
CHECKS = ["crash", "compile-before", "text", "findings", "compile-after", "second-run-text",
          "second-run-findings", "stdout", "unsafe-findings", "unsafe-comment",
          "unsafe-terminator"]


def read(path):
    with open(path, "rb") as fh:
        return fh.read().decode("latin-1")


class Run:
    """One run of the tool over a copy of the tree."""

    def __init__(self, tool, source, tree, include, extra, label):
        """Copies the files of `source` to `tree` and converts them there."""
        self.tree, self.label = tree, label
        argv = [tool, "-i", "--isolated", "--output-format=json", "-I", include] + extra
        self.crashed, self.findings = [], collections.defaultdict(list)
        names = sorted(n for n in os.listdir(source) if n.endswith(".c"))
        os.makedirs(tree)
        for name in names:
            shutil.copy(os.path.join(source, name), os.path.join(tree, name))
        proc = subprocess.run(argv + [tree], capture_output=True)
        self.status = proc.returncode
        if proc.returncode < 0:
            # One file took the process down: start again file by file, to
            # name it.
            for name in names:
                shutil.copy(os.path.join(source, name), os.path.join(tree, name))
                p = subprocess.run(argv + [os.path.join(tree, name)], capture_output=True)
                if p.returncode < 0:
                    self.crashed.append(name)
                self._parse(p.stderr)
        else:
            self._parse(proc.stderr)

    def _parse(self, stderr):
        for line in stderr.decode("utf-8", "replace").splitlines():
            if line.startswith("{"):
                d = json.loads(line)
                self.findings[os.path.basename(d["path"])].append(d)

    def text(self, name):
        return read(os.path.join(self.tree, name))


def gcc_errors(args):
    """Runs gcc; returns None when it compiles, else (error lines of the
    file, the first lines of gcc's output)."""
    path, extra = args
    p = subprocess.run(["gcc"] + CFLAGS + extra + [path], capture_output=True)
    if p.returncode == 0:
        return None
    out = p.stderr.decode("utf-8", "replace")
    # Each error's place in the file: where a macro use led to it (the last
    # "in expansion of" note of its chain), else where it stands.
    lines, place = set(), None
    for ln in out.splitlines():
        m = re.match(r"(.*?):(\d+):\d+: (error|note): (in expansion of macro)?", ln)
        if not m or (m.group(3) == "note" and not m.group(4)):
            continue
        if m.group(3) == "error":
            if place:
                lines.add(place)
            place = None
        if m.group(1) == path or m.group(1).endswith("/" + os.path.basename(path)):
            place = int(m.group(2))
    if place:
        lines.add(place)
    first = [ln.replace(os.path.dirname(path) + "/", "") for ln in out.splitlines()
             if ": error: " in ln][:3]
    return lines, first


def split_segments(text, count):
    """The text of each segment by its sentinels, or None where a sentinel
    is missing."""
    starts, ends, pos = [0], [], 0
    for k in range(1, count):
        mark = "/*@@%d@@*/" % k
        at = text.find(mark, pos)
        if at < 0:
            return [None] * count
        ends.append(at)
        after = at + len(mark)
        if text.startswith("\r\n", after):
            after += 2
        elif text[after:after + 1] in ("\n", "\r"):
            after += 1
        starts.append(after)
        pos = after
    ends.append(len(text))
    return [text[s:e] for s, e in zip(starts, ends)]


def segment_of(segs, line):
    """The segment a line belongs to (a sentinel line to the one after it)."""
    found = 0
    for k, seg in enumerate(segs):
        if (seg["line"] - 1 if k else 1) <= line:
            found = k
    return found


def by_segment(segs, findings):
    out = collections.defaultdict(list)
    for d in findings:
        out[segment_of(segs, d["line"]) if d.get("line") else -1].append(d)
    return out


def excerpt(inp, exp, got):
    """The lines where expected and actual differ, with the input's."""
    def lines(t):
        return (t or "").replace("\r\n", "\\r\\n\n").replace("\r", "\\r").replace(
            "\0", "\\0").split("\n")
    a, b, c = lines(inp), lines(exp), lines(got)
    rows = [k for k in range(max(len(b), len(c)))
            if (b[k] if k < len(b) else None) != (c[k] if k < len(c) else None)]
    lo = max(0, (rows[0] if rows else 0) - 1)
    hi = min(max(len(a), len(b), len(c)), (rows[-1] if rows else 0) + 2, lo + 8)
    out = []
    for title, src in (("input", a), ("expected", b), ("actual", c)):
        out.append("    %s:" % title)
        out += ["      | " + ln for ln in src[lo:hi]]
    return "\n".join(out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tool")
    ap.add_argument("--files", type=int, default=200)
    ap.add_argument("--seed", type=int, default=22)
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    ap.add_argument("--known-gaps", help="file of 'construct check' lines that may fail")
    ap.add_argument("--show", type=int, default=3,
                    help="constructs shown with an example, per check (default 3)")
    ap.add_argument("--self-test", action="store_true",
                    help="only compile the generated files and their expected texts")
    ap.add_argument("--keep", action="store_true")
    args = ap.parse_args()

    scratch = tempfile.mkdtemp(prefix="q5hostile.")
    try:
        return check(args, scratch)
    finally:
        if args.keep:
            print("scratch kept: %s" % scratch)
        else:
            shutil.rmtree(scratch, ignore_errors=True)


def expected_text(expect, alternative=0):
    """The whole file as the default mode must write it."""
    return "".join(("/*@@%d@@*/" % k + expect["eol"] if k else "")
                   + s["expected"][min(alternative, len(s["expected"]) - 1)]
                   for k, s in enumerate(expect["segments"]))


def self_test(args, scratch, src, include, names, expect):
    """The generator's own promise: every file compiles, and so does every
    expected text with the pair header (each alternative)."""
    pairs = ["-I", COMPILE, "-I", include, "-include", os.path.join(COMPILE, "q5pairs.h")]
    jobs = [(os.path.join(src, n), ["-I", COMPILE, "-I", include]) for n in names]
    for n in names:
        for alt in range(max(len(s["expected"]) for s in expect[n]["segments"])):
            path = os.path.join(scratch, "%s.%d.c" % (n[:-2], alt))
            with open(path, "wb") as fh:
                fh.write(expected_text(expect[n], alt).encode("latin-1"))
            jobs.append((path, pairs))
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        bad = [(j, r) for j, r in zip(jobs, pool.map(gcc_errors, jobs)) if r]
    for (path, _), (_, first) in bad[:10]:
        print("GENERATOR FAULT: %s: %s" % (os.path.basename(path), "; ".join(first)))
    print("self-test: %d files, %d compiles, %d failed" % (len(names), len(jobs), len(bad)))
    return 2 if bad else 0


def run_gcc(args, jobs):
    """gcc_errors of each (key, job), run at once: key -> result."""
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        return dict(zip([j[0] for j in jobs], pool.map(gcc_errors, [j[1] for j in jobs])))


def compile_alone(args, scratch, names, expect, first, compiled, flags):
    """For a file that no longer compiles: each segment whose text is
    wrong and that holds an error, compiled amid the expected text of all
    the others, so that an error is blamed on the segment that makes it,
    not on those an earlier error confused. (n, k) -> gcc_errors."""
    jobs = []
    os.makedirs(os.path.join(scratch, "alone"))
    for n in names:
        if compiled[("before", n)] or not compiled[("after", n)] or compiled[("expected", n)]:
            continue
        segs = expect[n]["segments"]
        out = split_segments(first.text(n), len(segs))
        holding = {segment_of(segs, ln) for ln in compiled[("after", n)][0]}
        for k, seg in enumerate(segs):
            if out[k] is None or out[k] in seg["expected"] or k not in holding:
                continue
            text = "".join(("/*@@%d@@*/" % j + expect[n]["eol"] if j else "")
                           + (out[k] if j == k else s["expected"][0])
                           for j, s in enumerate(segs))
            path = os.path.join(scratch, "alone", "%s.%d.c" % (n[:-2], k))
            with open(path, "wb") as fh:
                fh.write(text.encode("latin-1"))
            jobs.append(((n, k), (path, flags)))
    return run_gcc(args, jobs)


def compare_default(seg, out, got):
    """The default mode's text and findings for one segment: (check,
    detail) for each difference."""
    problems = []
    if out is None or out not in seg["expected"]:
        problems.append(("text", excerpt(seg["input"], seg["expected"][0], out)))
    # One finding at least per call left, of its rule where that is fixed;
    # none where nothing is left.
    left = [x for x in seg["calls"] if x["outcome"] == "left"]
    rules = collections.Counter(d["rule"] for d in got if d.get("left"))
    want = collections.Counter(x["rule"] for x in left if x["rule"])
    if want - rules or sum(rules.values()) < len(left) or any(not d.get("left") for d in got):
        problems.append(("findings", "    expected: %s\n    actual: %s" % (
            ", ".join("left [%s]" % (x["rule"] or "any rule") for x in left) or "none",
            "; ".join("%s:%s %s [%s]%s" % (d["line"], d["column"], d["severity"], d["rule"],
                                            " (left)" if d.get("left") else "")
                      for d in got) or "none")))
    return problems


def compare_second(out, out2, got, got2):
    """A second run over the output converts nothing more and reports what
    the first left."""
    problems = []
    if out2 != out:
        problems.append(("second-run-text", excerpt(out, out, out2)))
    key = lambda ds: sorted((d["line"], d["rule"]) for d in ds)
    if key(got2) != key(got):
        problems.append(("second-run-findings", "    first: %s\n    second: %s" % (
            key(got), key(got2))))
    return problems


def compare_unsafe(seg, got, outu, gotu):
    """--unsafe-fixes: at least the default mode's findings on calls it
    leaves; a comment stays one; the terminator gets its cast or a
    warning."""
    problems = []
    lost = collections.Counter(d["rule"] for d in got if d.get("left")) - \
        collections.Counter(d["rule"] for d in gotu)
    if lost:
        problems.append(("unsafe-findings", "    lost: " + ", ".join(sorted(lost.elements()))))
    if seg["unsafe"] == "unchanged" and outu != seg["input"]:
        problems.append(("unsafe-comment", excerpt(seg["input"], seg["input"], outu)))
    if seg["unsafe"] == "terminator" and not gotu and not re.search(
            r"\(char \*\)\s*NULL\s*\)\s*;", outu or ""):
        problems.append(("unsafe-terminator", excerpt(seg["input"], seg["input"], outu)))
    return problems


def check(args, scratch):
    gen = os.path.join(scratch, "gen")
    subprocess.run([sys.executable, os.path.join(HERE, "generate.py"), "--seed",
                    str(args.seed), gen, str(args.files)], check=True)
    src, include = os.path.join(gen, "src"), os.path.join(gen, "include")
    names = sorted(n for n in os.listdir(src) if n.endswith(".c"))
    expect = {n: json.load(open(os.path.join(src, n[:-2] + ".json"))) for n in names}
    if args.self_test:
        return self_test(args, scratch, src, include, names, expect)
    os.environ["Q5_HOSTILE_EXPECT"] = src   # for oracle.py, which stands in for the tool
    path = lambda sub: os.path.join(scratch, sub)
    first = Run(args.tool, src, path("default"), include, [], "default")
    again = Run(args.tool, path("default"), path("again"), include, [], "second run")
    unsafe = Run(args.tool, src, path("unsafe"), include, ["--unsafe-fixes"], "unsafe")
    stdout = subprocess.run([args.tool, "--stdout", "--isolated", "-q", "-I", include, src],
                            capture_output=True).stdout.decode("latin-1")

    # Compile every input, and every default output with the pair header;
    # where an output does not compile, the expected text too (a wrong
    # expectation shows as one), and each wrong segment alone.
    pairs = ["-I", COMPILE, "-I", include, "-include", os.path.join(COMPILE, "q5pairs.h")]
    plain = ["-I", COMPILE, "-I", include]
    jobs = []
    for n in names:
        jobs.append((("before", n), (os.path.join(src, n), plain)))
        jobs.append((("after", n), (os.path.join(scratch, "default", n), pairs)))
    compiled = run_gcc(args, jobs)
    os.makedirs(os.path.join(scratch, "expected"))
    jobs = []
    for n in names:
        if compiled[("after", n)] and not compiled[("before", n)]:
            path = os.path.join(scratch, "expected", n)
            with open(path, "wb") as fh:
                fh.write(expected_text(expect[n]).encode("latin-1"))
            jobs.append((("expected", n), (path, pairs)))
    compiled.update(run_gcc(args, jobs))
    alone = compile_alone(args, scratch, names, expect, first, compiled, pairs)

    fails = collections.defaultdict(list)   # (construct, check) -> [detail]
    seen = collections.Counter()
    blocked = collections.Counter()   # segments of files that failed elsewhere
    blocked_unsafe = collections.Counter()   # the same, with --unsafe-fixes
    generator_faults = []

    def fail(construct, what, detail):
        fails[(construct, what)].append(detail)

    walk = []
    for n in names:
        segs = expect[n]["segments"]
        for k, seg in enumerate(segs):
            seen[seg["construct"]] += 1
        where = lambda k: "%s:%d (segment %d)" % (n, segs[k]["line"], k)
        if n in first.crashed or n in unsafe.crashed or n in again.crashed:
            for seg in segs:
                fail(seg["construct"], "crash", ("%s crashed the tool" % n, ""))
            continue
        bad = compiled[("before", n)]
        if bad:
            generator_faults.append("%s does not compile before conversion: %s"
                                    % (n, "; ".join(bad[1])))
        bad = compiled.get(("expected", n))
        if bad:
            generator_faults.append("%s: the expected text does not compile: %s"
                                    % (n, "; ".join(bad[1])))

        out = split_segments(first.text(n), len(segs))
        out2 = split_segments(again.text(n), len(segs))
        outu = split_segments(unsafe.text(n), len(segs))
        found = by_segment(segs, first.findings[n])
        found2 = by_segment(segs, again.findings[n])
        foundu = by_segment(segs, unsafe.findings[n])
        for d in found.get(-1, []):
            for seg in segs:
                fail(seg["construct"], "findings", ("%s: %s" % (n, d["message"]), ""))
        # A file the tool failed on is left whole: only the segment of the
        # error says something about its construct.
        errors = {k for k, ds in found.items() for d in ds if d["severity"] == "error"}
        unsafe_failed = any(d["severity"] == "error" for ds in foundu.values() for d in ds)
        if not errors:
            walk.append(first.text(n))
        after = compiled[("after", n)] if not compiled[("before", n)] else None
        blamed = False
        for k, seg in enumerate(segs):
            c = seg["construct"]
            if errors and k not in errors:
                blocked[c] += 1
                continue
            problems = compare_default(seg, out[k], found.get(k, []))
            if alone.get((n, k)):
                blamed = True
                problems.append(("compile-after", "\n".join(
                    "    " + e for e in alone[(n, k)][1])))
            problems += compare_second(out[k], out2[k], found.get(k, []), found2.get(k, []))
            # The text rules may drop comments, sentinels among them: such a
            # file's segments cannot be told apart in their output.
            if unsafe_failed or outu[k] is None:
                blocked_unsafe[c] += 1
            else:
                problems += compare_unsafe(seg, found.get(k, []), outu[k], foundu.get(k, []))
            for what, detail in problems:
                fail(c, what, (where(k), detail))
        if after and not blamed:
            fail("frame", "compile-after", (n, "\n".join("    " + e for e in after[1])))
    if stdout != "".join(walk):
        fail("frame", "stdout", ("--stdout over the tree", "    its output differs from the "
                                 "files -i wrote"))
    return report(args, seen, (blocked, blocked_unsafe), fails, generator_faults, first, again,
                  unsafe)


def report(args, seen, blocked, fails, generator_faults, *runs):
    print("hostile C: %d files, seed %d; tool exit status: %s" % (
        args.files, args.seed, ", ".join("%s %d" % (r.label, r.status) for r in runs)))
    for r in runs:
        if r.crashed:
            print("CRASH (%s): %s" % (r.label, " ".join(r.crashed)))
    width = max(len(c) for c in seen) + 2
    cols = [c for c in CHECKS if any(k[1] == c for k in fails)]
    print()
    print("segments failing each check, by construct (of N segments):")
    print("%-*s %5s %8s  %s" % (width, "construct", "N", "blocked", "  ".join(cols)))
    for construct in sorted(seen):
        row = ["%*s" % (len(c), len(fails.get((construct, c), [])) or ".") for c in cols]
        print("%-*s %5d %8s  %s" % (width, construct, seen[construct], "%s/%s" % (
            blocked[0][construct] or ".", blocked[1][construct] or "."), "  ".join(row)))
    print("(blocked: segments not compared because the tool failed on their file for another"
          " segment's sake; default/--unsafe-fixes)")
    for check_name in CHECKS:
        shown = 0
        for (construct, c), details in sorted(fails.items()):
            if c != check_name or shown >= args.show:
                continue
            where, text = details[0]
            print("\n%s: %s at %s%s" % (c, construct, where,
                                        " (and %d more)" % (len(details) - 1)
                                        if len(details) > 1 else ""))
            if text:
                print(text)
            shown += 1
    for g in generator_faults[:10]:
        print("GENERATOR FAULT: " + g)

    failing = {(construct, c) for construct, c in fails}
    known = set()
    if args.known_gaps:
        with open(args.known_gaps) as fh:
            for line in fh:
                line = line.split("#")[0].split()
                if len(line) == 2:
                    known.add(tuple(line))
    new = sorted(failing - known)
    print()
    if args.known_gaps:
        stale = sorted(known - failing)
        print("known gaps: %d listed, %d still failing" % (len(known), len(known & failing)))
        for construct, c in stale:
            print("passes now, remove from %s: %s %s" % (os.path.basename(args.known_gaps),
                                                          construct, c))
    if generator_faults:
        print("FAIL: %d generator faults" % len(generator_faults))
        return 2
    if new:
        print("FAIL: %d construct/check pairs differ%s" % (
            len(new), " beyond the known gaps" if args.known_gaps else ""))
        for construct, c in new:
            print("  %s %s" % (construct, c))
        return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
