#!/usr/bin/env python3
"""A stand-in for q5upgrade that answers with generate.py's expectations,
to check the checker: `check.sh tests/hostile/oracle.py` must find no
difference at all (so every expected text compiles with the pair header,
a second run over it is stable, and nothing the checker compares is off
by itself).

It takes what check.py gives the tool: -i or --stdout, --unsafe-fixes
(answered the same), and a directory or file last; the expectations are
read from the directory named by Q5_HOSTILE_EXPECT. A file that is
neither the generated input nor its expected text is an error (exit 2).
Each call left gets one finding on its segment's first line, of its rule
(any rule where none is fixed).
"""
import json
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check import expected_text, read  # noqa: E402


def answer(path, expect_dir):
    """(output text, findings) for one file."""
    with open(os.path.join(expect_dir, os.path.basename(path)[:-2] + ".json")) as fh:
        expect = json.load(fh)
    text = read(path)
    want = expected_text(expect)
    if text != want and text != "".join(("/*@@%d@@*/" % k + expect["eol"] if k else "")
                                         + s["input"] for k, s in
                                         enumerate(expect["segments"])):
        raise ValueError("%s: neither the generated file nor its expected text" % path)
    findings = []
    for seg in expect["segments"]:
        for call in seg["calls"]:
            if call["outcome"] == "left":
                findings.append({"path": path, "line": seg["line"], "column": 1,
                                 "severity": "warning",
                                 "rule": call["rule"] or "q5-shifted-pairing",
                                 "message": "call left as it stands", "left": True})
    return want, findings


def main(argv):
    target = argv[-1]
    paths = [os.path.join(target, n) for n in sorted(os.listdir(target)) if n.endswith(".c")] \
        if os.path.isdir(target) else [target]
    stdout = "--stdout" in argv
    for path in paths:
        try:
            text, findings = answer(path, os.environ["Q5_HOSTILE_EXPECT"])
        except (OSError, KeyError, ValueError) as e:
            print("oracle: %s" % e, file=sys.stderr)
            return 2
        for d in findings:
            print(json.dumps(d), file=sys.stderr)
        if stdout:
            sys.stdout.buffer.write(text.encode("latin-1"))
        elif "-i" in argv:
            with open(path, "wb") as fh:
                fh.write(text.encode("latin-1"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
