"""mxpconvert as a user runs it on many files: conversion into a directory, collisions, parallel
jobs, the report of recipes left out, quiet and verbose, the progress line on a terminal, an
interruption, a low limit on open files, and the exit statuses.

usage: mxpconvert_batch_test.py MXPCONVERT EXAMPLES_DIR
"""
import os
import pty
import re
import resource
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

MXPCONVERT, EXAMPLES = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
SUMMARY = re.compile(
    r"^(\d+ of )?(\d+) files? converted(, (\d+) failed)?: ([\d,]+) recipes? written"
    r"(, ([\d,]+) left out)?; ([\d,]+) bytes? read, ([\d,]+) bytes? written in \d+\.\d\d s$")


def recipe(title, body_lines):
    """A column-layout recipe; more than 95 body lines of 99 characters exceed the limit."""
    body = "".join("x" * 99 + "\n" for _ in range(body_lines))
    return f"*  Recipe export  *\n\n      {title}\n\nRecipe By : x\n--------\n{body}"


def open_fifo_for_writing(path, process, seconds=30):
    """The FIFO's writing end, once `process` has opened it for reading; never hangs."""
    end = time.monotonic() + seconds
    while True:
        try:
            fd = os.open(path, os.O_WRONLY | os.O_NONBLOCK)
            os.set_blocking(fd, True)
            return os.fdopen(fd, "wb", buffering=0)
        except OSError:
            if process.poll() is not None or time.monotonic() > end:
                raise AssertionError("mxpconvert did not open the FIFO") from None
            time.sleep(0.01)


def read_available(fd, seconds):
    """What arrives on `fd` within `seconds`, or until it closes."""
    data, end = b"", time.monotonic() + seconds
    while time.monotonic() < end:
        if select.select([fd], [], [], max(0.0, end - time.monotonic()))[0]:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                break
            if not chunk:
                break
            data += chunk
    return data


class MxpconvertTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="mxpconvert-test-")
        self.addCleanup(shutil.rmtree, self.dir)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write(self, name, text):
        path = self.path(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def run_tool(self, *arguments, stderr=subprocess.PIPE, open_files=None):
        def limit():
            if open_files is not None:
                resource.setrlimit(resource.RLIMIT_NOFILE, (open_files, open_files))
        return subprocess.run([MXPCONVERT, *arguments], cwd=self.dir, stdout=subprocess.PIPE,
                              stderr=stderr, text=True, timeout=120, preexec_fn=limit)

    def examples(self):
        return [os.path.join(EXAMPLES, name) for name in sorted(os.listdir(EXAMPLES))
                if name.endswith(".mxp")]

    def test_batch_names_outputs_after_inputs_and_matches_the_single_form(self):
        inputs = self.examples()
        result = self.run_tool("-d", "out", *inputs)
        self.assertEqual((result.returncode, result.stdout), (0, ""))
        lines = result.stderr.splitlines()
        self.assertEqual(len(lines), len(inputs) + 1)
        total = 0
        for line, source in zip(lines, inputs):
            name = os.path.splitext(os.path.basename(source))[0] + ".txt"
            match = re.fullmatch(r"(\d+) recipes? written to 'out/" + re.escape(name) + "'", line)
            self.assertTrue(match, line)
            single = self.run_tool(source, "-o", "single.txt")
            self.assertEqual(single.returncode, 0)
            self.assertEqual(single.stderr, f"{match[1]} recipes written to 'single.txt'\n")
            with open(self.path("out", name), "rb") as a, open(self.path("single.txt"), "rb") as b:
                self.assertEqual(a.read(), b.read())
            total += int(match[1])
        summary = SUMMARY.match(lines[-1])
        self.assertTrue(summary, lines[-1])
        self.assertEqual(int(summary[2]), len(inputs))
        self.assertEqual(int(summary[5]), total)
        self.assertEqual(int(summary[8].replace(",", "")), sum(map(os.path.getsize, inputs)))

    def test_parallel_jobs_give_the_same_files_and_messages_as_one_job(self):
        inputs = []
        for i in range(12):
            count = 300 if i % 4 == 0 else 2
            inputs.append(self.write(f"in/f{i:02}.mxp", "".join(recipe(f"R{i}-{r}", 3)
                                                                for r in range(count))))
        one = self.run_tool("-j", "1", "-d", "one", *inputs)
        four = self.run_tool("-j4", "--output-dir=four", *inputs)
        self.assertEqual((one.returncode, four.returncode), (0, 0))
        self.assertEqual(one.stderr.splitlines()[:-1],
                         [line.replace("four/", "one/") for line in four.stderr.splitlines()[:-1]])
        for name in os.listdir(self.path("one")):
            with open(self.path("one", name), "rb") as a, open(self.path("four", name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
        self.assertEqual(len(os.listdir(self.path("four"))), len(inputs))

    def test_collisions_are_refused_before_anything_is_converted(self):
        a = self.write("x/a.mxp", recipe("A", 1))
        cases = [
            [a, self.write("y/a.mxp", recipe("B", 1))],    # same name in two folders
            [a, self.write("x/a.text", recipe("C", 1))],   # same stem
            [self.write("b.mxp", recipe("B", 1)), a, a],   # one input twice
        ]
        for inputs in cases:
            with self.subTest(inputs=inputs):
                result = self.run_tool("-d", "out", *inputs)
                self.assertEqual(result.returncode, 2)
                self.assertIn("would both be written to 'out/a.txt'", result.stderr)
                self.assertNotIn("usage", result.stderr)  # the command line itself was right
                self.assertFalse(os.path.exists(self.path("out")))

    def test_an_input_is_never_overwritten(self):
        own = self.write("notes.txt", recipe("Kept", 1))
        other = self.write("b.mxp", recipe("B", 1))
        result = self.run_tool("-d", ".", "notes.txt", "b.mxp")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.splitlines()[:2], [
            "mxpconvert: cannot write './notes.txt': the output path names the input file",
            "1 recipe written to './b.txt'"])
        with open(own, encoding="utf-8") as f:
            self.assertEqual(f.read(), recipe("Kept", 1))
        self.assertTrue(os.path.exists(other))

    def test_failures_name_each_file_and_the_others_still_convert(self):
        good = self.write("good.mxp", recipe("G", 1))
        os.mkdir(self.path("folder.mxp"))
        result = self.run_tool("-q", "-d", "out", "missing.mxp", good, "folder.mxp")
        self.assertEqual((result.returncode, result.stdout), (1, ""))
        self.assertEqual(result.stderr.splitlines(), [
            "mxpconvert: cannot read 'missing.mxp': No such file or directory",
            "mxpconvert: cannot read 'folder.mxp': Is a directory"])
        self.assertTrue(os.path.exists(self.path("out", "good.txt")))
        self.assertFalse(os.path.exists(self.path("out", "missing.txt")))

    def test_recipes_left_out_are_warned_about_kept_and_named_with_verbose(self):
        self.write("big.mxp", recipe("Short", 2) + recipe("Endless Stew", 100) +
                   recipe("Giant Pie", 120))
        self.write("one.mxp", recipe("Huge", 100) + recipe("Small", 1))
        for quiet in ([], ["-q"]):
            result = self.run_tool(*quiet, "-d", "out", "big.mxp", "one.mxp")
            self.assertEqual(result.returncode, 0)
            warnings = [line for line in result.stderr.splitlines() if "warning" in line]
            self.assertEqual(warnings, [
                "mxpconvert: warning: 2 recipes of 'big.mxp' left out: their texts are longer "
                "than 9,500 characters; they are in 'out/big.left-out.mxp'",
                "mxpconvert: warning: 1 recipe of 'one.mxp' left out: its text is longer than "
                "9,500 characters; it is in 'out/one.left-out.mxp'"])
            if not quiet:
                self.assertEqual(SUMMARY.match(result.stderr.splitlines()[-1])[7], "3")
        with open(self.path("out", "one.left-out.mxp"), encoding="utf-8") as f:
            self.assertEqual(f.read(), recipe("Huge", 100))
        verbose = self.run_tool("-v", "-d", "out", "--strict", "big.mxp")
        self.assertEqual(verbose.returncode, 3)
        self.assertEqual(verbose.stderr.splitlines()[2:4], ["  left out: Endless Stew",
                                                            "  left out: Giant Pie"])

    def test_progress_line_counts_bytes_on_a_terminal_only(self):
        inputs = [self.write(f"p{i}.mxp", recipe("P", 1)) for i in range(3)]
        master, slave = pty.openpty()
        try:
            result = self.run_tool("-d", "out", *inputs, stderr=slave)
            os.close(slave)
            shown = read_available(master, 5).decode()
        finally:
            os.close(master)
        self.assertEqual(result.returncode, 0)
        self.assertRegex(shown, r"\r\[3/3\] 0\.0 MB of 0\.0 MB ")  # drawn at least once
        piped = self.run_tool("-d", "out2", *inputs)
        self.assertNotIn("\r", piped.stderr)

        # One file arriving slowly: the line moves with the bytes read before the file is done.
        fifo = self.path("slow.mxp")
        os.mkfifo(fifo)
        master, slave = pty.openpty()
        process = subprocess.Popen([MXPCONVERT, "slow.mxp", "slow.txt"], cwd=self.dir,
                                   stderr=slave)
        os.close(slave)
        try:
            with open_fifo_for_writing(fifo, process) as f:
                f.write(recipe("Slow", 50).encode() * 400)
                shown = read_available(master, 1.0).decode()
            self.assertEqual(process.wait(timeout=60), 0)
        finally:
            os.close(master)
        self.assertRegex(shown, r"\r\[0/1\] [12]\.\d MB slow\.mxp")

    def test_an_interrupted_batch_leaves_no_partial_file(self):
        self.write("small.mxp", recipe("Small", 1))
        self.write("out/big.txt", "the previous output\n")
        fifo = self.path("big.mxp")
        os.mkfifo(fifo)
        process = subprocess.Popen([MXPCONVERT, "-j", "1", "-d", "out", "small.mxp", "big.mxp"],
                                   cwd=self.dir, stderr=subprocess.DEVNULL)
        with open_fifo_for_writing(fifo, process) as f:
            # 20 MB of generated recipes: once written, most of it is converted into the
            # temporary file, and the conversion waits for the rest.
            block = recipe("Big", 50).encode() * 100
            for _ in range(40):
                f.write(block)
            deadline = time.monotonic() + 30
            while not any(name.startswith(".big.txt.") and
                          os.path.getsize(self.path("out", name)) > 1000000
                          for name in os.listdir(self.path("out"))):
                self.assertLess(time.monotonic(), deadline)
                time.sleep(0.01)
            process.send_signal(signal.SIGINT)
            self.assertEqual(process.wait(timeout=30), -signal.SIGINT)
        self.assertEqual(sorted(os.listdir(self.path("out"))), ["big.txt", "small.txt"])
        with open(self.path("out", "big.txt"), encoding="utf-8") as f:
            self.assertEqual(f.read(), "the previous output\n")

    def test_many_jobs_under_a_low_limit_on_open_files(self):
        inputs = [self.write(f"in/f{i:03}.mxp", recipe(f"R{i}", 2)) for i in range(200)]
        result = self.run_tool("-q", "-j", "1024", "-d", "out", *inputs, open_files=64)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertEqual(len(os.listdir(self.path("out"))), 200)

    def test_a_closed_pipe_on_standard_error_does_not_stop_a_batch(self):
        inputs = [self.write(f"in/f{i:02}.mxp", recipe(f"R{i}", 2)) for i in range(40)]
        process = subprocess.Popen([MXPCONVERT, "-j", "1", "-d", "out", *inputs], cwd=self.dir,
                                   stderr=subprocess.PIPE)
        process.stderr.readline()
        process.stderr.close()
        self.assertEqual(process.wait(timeout=60), 0)
        self.assertEqual(len(os.listdir(self.path("out"))), 40)

    def test_wrong_usage_exits_2_with_the_usage(self):
        self.write("a.mxp", recipe("A", 1))
        for arguments in (["a.mxp", "b.txt", "c.txt"], ["-d", "out"], ["-j", "0", "-d", "out",
                          "a.mxp"], ["-d", "out", "-o", "x.txt", "a.mxp"], ["--bogus", "a.mxp"]):
            with self.subTest(arguments=arguments):
                result = self.run_tool(*arguments)
                self.assertEqual((result.returncode, result.stdout), (2, ""))
                self.assertTrue(result.stderr.startswith("mxpconvert: "), result.stderr)
                self.assertIn("usage: mxpconvert", result.stderr)
        self.assertFalse(os.path.exists(self.path("b.txt")))
        self.assertFalse(os.path.exists(self.path("out")))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
