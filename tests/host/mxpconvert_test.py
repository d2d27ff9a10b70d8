#!/usr/bin/env python3
"""mxpconvert as a user runs it: messages, exit statuses and files, with ASCII, UTF-8 and raw-byte
file names under the C and the C.UTF-8 locale.

usage: mxpconvert_test.py MXPCONVERT VERSION
"""
import errno
import os
import re
import subprocess
import sys
import tempfile

program, version = os.path.abspath(sys.argv[1]), sys.argv[2]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


def run(args, cwd, locale="C.UTF-8"):
    env = dict(os.environ, LC_ALL=locale)
    return subprocess.run([program] + args, cwd=cwd, env=env, capture_output=True, timeout=60)


def recipes(titles):
    """MXP text with one column-layout recipe per title, and the records it converts to."""
    text, records = b"", b""
    for title in titles:
        text += b"* Export *\r\n\r\n   " + title + b"\r\nBy: me\r\n--------\r\nStir.\r\n\r\n"
        records += title + b" " * (100 - len(title)) + b"[PAGE]Stir.[PAGE]\n"
    return text, records


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    """The file's bytes, or None when it cannot be read."""
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def stderr_line(result):
    """The one line of stderr, or None when there is not exactly one."""
    lines = result.stderr.splitlines()
    return lines[0] if len(lines) == 1 else None


with tempfile.TemporaryDirectory() as d:
    db = os.fsencode(d)

    # Conversion: the count, singular for one recipe, and the records.
    for titles in ([b"Soup", b"Bread", b"Tea"], [b"Soup"], []):
        text, records = recipes(titles)
        write(os.path.join(d, "in.mxp"), text)
        r = run(["in.mxp", "out.txt"], d)
        noun = "recipe" if len(titles) == 1 else "recipes"
        expected = f"{len(titles)} {noun} written to out.txt\n".encode()
        check(r.returncode == 0 and r.stdout == expected and r.stderr == b"",
              f"{len(titles)} recipes: {r.returncode} {r.stdout!r} {r.stderr!r}")
        check(read(os.path.join(d, "out.txt")) == records, f"{len(titles)} recipes: output")

    # Failures: exit 1, one line on stderr naming the file and the reason.
    failing = [
        (["missing.mxp", "new.txt"], b"missing.mxp", os.strerror(errno.ENOENT)),
        (["in.mxp", "no/such/dir.txt"], b"no/such/dir.txt", os.strerror(errno.ENOENT)),
        (["in.mxp", "in.mxp"], b"in.mxp", "input"),
    ]
    if os.path.exists("/dev/full"):
        failing.append((["in.mxp", "/dev/full"], b"/dev/full", os.strerror(errno.ENOSPC)))
    write(os.path.join(d, "in.mxp"), recipes([b"Soup"])[0])
    for args, name, reason in failing:
        r = run(args, d)
        line = stderr_line(r)
        check(r.returncode == 1 and r.stdout == b"" and line is not None and name in line
              and reason.encode() in line, f"{args}: {r.returncode} {r.stdout!r} {r.stderr!r}")
    check(not os.path.exists(os.path.join(d, "new.txt")), "a missing input created the output")
    check(read(os.path.join(d, "in.mxp")) == recipes([b"Soup"])[0], "the input was changed")

    # Wrong usage: exit 2 with the usage, nothing converted.
    for args in ([], ["in.mxp"], ["in.mxp", "a.txt", "b.txt"], ["-x", "in.mxp", "a.txt"],
                 ["--no-such-option"]):
        r = run(args, d)
        check(r.returncode == 2 and b"usage: mxpconvert" in r.stderr and r.stdout == b"",
              f"{args}: {r.returncode} {r.stdout!r} {r.stderr!r}")
    check(not os.path.exists(os.path.join(d, "a.txt")), "wrong usage converted a file")

    for option in ("--help", "-h"):
        r = run([option], d)
        check(r.returncode == 0 and r.stdout.startswith(b"usage: mxpconvert"), f"{option}: {r}")
    for option in ("--version", "-V"):
        r = run([option], d)
        check(r.returncode == 0 and r.stdout == f"mxpconvert {version}\n".encode(),
              f"{option}: {r.returncode} {r.stdout!r}")

    # After "--", names that start with a hyphen are files.
    write(os.path.join(d, "-in.mxp"), recipes([b"Tea"])[0])
    r = run(["--", "-in.mxp", "-out.txt"], d)
    check(r.returncode == 0 and read(os.path.join(d, "-out.txt")) == recipes([b"Tea"])[1],
          f"--: {r.returncode} {r.stderr!r}")

    # Argument bytes reach the file system unchanged, whatever the locale.
    names = ["crème brûlée 😀".encode(), b"raw\xe9\xff", "r\u00e9".encode() + b"\xc3"]
    text, records = recipes([b"Pie", b"Cake"])
    for locale in ("C", "C.UTF-8"):
        for name in names:
            source, target = name + b".mxp", name + b"-" + locale.encode() + b".txt"
            write(os.path.join(db, source), text)
            r = run([source, target], d, locale)
            check(r.returncode == 0 and r.stdout == b"2 recipes written to " + target + b"\n",
                  f"{name!r} under {locale}: {r.returncode} {r.stdout!r} {r.stderr!r}")
            check(read(os.path.join(db, target)) == records, f"{name!r} under {locale}: output")
            r = run([name + b".missing", target], d, locale)
            line = stderr_line(r)
            check(r.returncode == 1 and line is not None and name + b".missing" in line,
                  f"{name!r} under {locale}: failure names the file: {r.stderr!r}")

print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
