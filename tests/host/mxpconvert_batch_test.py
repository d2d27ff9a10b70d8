"""mxpconvert as a user runs it: batch conversion, collisions, parallel jobs, the report of
recipes left out, quiet and verbose, the progress line on a terminal, and the exit statuses.

usage: mxpconvert_batch_test.py MXPCONVERT EXAMPLES_DIR
"""
import os
import pty
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

MXPCONVERT, EXAMPLES = sys.argv[1], sys.argv[2]
SUMMARY = re.compile(
    r"^(\d+ of )?(\d+) files? converted(, (\d+) failed)?: ([\d,]+) recipes? written"
    r"(, ([\d,]+) left out)?; ([\d,]+) bytes? read, ([\d,]+) bytes? written in \d+\.\d\d s$")


def recipe(title, body_lines):
    """A column-layout recipe; more than 95 body lines of 99 characters exceed the limit."""
    body = "".join("x" * 99 + "\n" for _ in range(body_lines))
    return f"*  Recipe export  *\n\n      {title}\n\nRecipe By : x\n--------\n{body}"


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

    def run_tool(self, *arguments, stderr=subprocess.PIPE):
        return subprocess.run([MXPCONVERT, *arguments], cwd=self.dir, stdout=subprocess.PIPE,
                              stderr=stderr, text=True, timeout=120)

    def examples(self):
        return [os.path.join(EXAMPLES, name) for name in sorted(os.listdir(EXAMPLES))
                if name.endswith(".mxp")]

    def test_batch_names_outputs_after_inputs_and_matches_the_single_form(self):
        inputs = self.examples()
        result = self.run_tool("-o", "out", *inputs)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, "")
        lines = result.stdout.splitlines()
        self.assertEqual(len(lines), len(inputs) + 1)
        total = 0
        for line, source in zip(lines, inputs):
            name = os.path.splitext(os.path.basename(source))[0] + ".txt"
            match = re.fullmatch(r"(\d+) recipes? written to out/" + re.escape(name), line)
            self.assertTrue(match, line)
            single = self.run_tool(source, "single.txt")
            self.assertEqual(single.returncode, 0)
            self.assertEqual(single.stdout, f"{match[1]} recipes written to single.txt\n")
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
        one = self.run_tool("-j", "1", "-o", "one", *inputs)
        four = self.run_tool("-j4", "-o", "four", *inputs)
        self.assertEqual((one.returncode, four.returncode), (0, 0))
        self.assertEqual(one.stdout.splitlines()[:-1],
                         [line.replace("four/", "one/") for line in four.stdout.splitlines()[:-1]])
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
                result = self.run_tool("-o", "out", *inputs)
                self.assertEqual(result.returncode, 2)
                self.assertIn("would both be written to", result.stderr)
                self.assertIn("out/a.txt", result.stderr)
                self.assertFalse(os.path.exists(self.path("out")))

    def test_an_input_is_never_overwritten(self):
        own = self.write("notes.txt", recipe("Kept", 1))
        other = self.write("b.mxp", recipe("B", 1))
        result = self.run_tool("-o", ".", "notes.txt", "b.mxp")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.splitlines(), [
            "mxpconvert: cannot write ./notes.txt: the output path names the input file"])
        with open(own, encoding="utf-8") as f:
            self.assertEqual(f.read(), recipe("Kept", 1))
        self.assertIn("1 recipe written to ./b.txt", result.stdout)
        self.assertTrue(os.path.exists(other))

    def test_failures_name_each_file_and_the_others_still_convert(self):
        good = self.write("good.mxp", recipe("G", 1))
        os.mkdir(self.path("folder.mxp"))
        result = self.run_tool("-o", "out", "missing.mxp", good, "folder.mxp")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.splitlines(), [
            "mxpconvert: cannot read missing.mxp: No such file or directory",
            "mxpconvert: cannot read folder.mxp: Is a directory"])
        summary = SUMMARY.match(result.stdout.splitlines()[-1])
        self.assertEqual((summary[1], summary[2], summary[4]), ("1 of ", "3", "2"))
        self.assertTrue(os.path.exists(self.path("out", "good.txt")))
        self.assertFalse(os.path.exists(self.path("out", "missing.txt")))

    def test_recipes_left_out_are_counted_and_named_with_verbose(self):
        text = recipe("Short", 2) + recipe("Endless Stew", 100) + recipe("Giant Pie", 120)
        self.write("big.mxp", text)
        self.write("one.mxp", recipe("Huge", 100) + recipe("Small", 1))
        normal = self.run_tool("-o", "out", "big.mxp", "one.mxp")
        self.assertEqual(normal.stdout.splitlines()[:4], [
            "1 recipe written to out/big.txt",
            "2 recipes of big.mxp left out: their texts are longer than 9,500 characters",
            "1 recipe written to out/one.txt",
            "1 recipe of one.mxp left out: its text is longer than 9,500 characters"])
        self.assertEqual(SUMMARY.match(normal.stdout.splitlines()[4])[7], "3")
        verbose = self.run_tool("-v", "big.mxp", "big.txt")
        self.assertEqual(verbose.returncode, 0)
        self.assertEqual(verbose.stdout.splitlines(), [
            "1 recipe written to big.txt",
            "2 recipes of big.mxp left out: their texts are longer than 9,500 characters",
            "  left out: Endless Stew",
            "  left out: Giant Pie"])

    def test_quiet_prints_only_failures(self):
        good = self.write("good.mxp", recipe("Huge", 100) + recipe("G", 1))
        result = self.run_tool("-q", "-o", "out", good, "missing.mxp")
        self.assertEqual((result.returncode, result.stdout), (1, ""))
        self.assertEqual(len(result.stderr.splitlines()), 1)
        quiet = self.run_tool("-q", good, "single.txt")
        self.assertEqual((quiet.returncode, quiet.stdout, quiet.stderr), (0, "", ""))

    def test_wrong_usage_exits_2_with_the_usage(self):
        self.write("a.mxp", recipe("A", 1))
        for arguments in (["a.mxp"], ["a.mxp", "b.txt", "c.txt"], ["-o", "out"],
                          ["-j", "0", "-o", "out", "a.mxp"], ["-q", "-v", "a.mxp", "b.txt"],
                          ["--bogus", "a.mxp", "b.txt"]):
            with self.subTest(arguments=arguments):
                result = self.run_tool(*arguments)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, "")
                self.assertTrue(result.stderr.startswith("mxpconvert: "), result.stderr)
                self.assertIn("usage: mxpconvert", result.stderr)
        self.assertFalse(os.path.exists(self.path("b.txt")))
        self.assertFalse(os.path.exists(self.path("out")))
        help_text = self.run_tool("--help")
        self.assertEqual(help_text.returncode, 0)
        for option in ("--output-dir", "--jobs", "--quiet", "--verbose", "exit status"):
            self.assertIn(option, help_text.stdout)

    def test_progress_line_only_on_a_terminal(self):
        inputs = [self.write(f"p{i}.mxp", recipe("P", 1)) for i in range(3)]
        master, slave = pty.openpty()
        try:
            result = self.run_tool("-o", "out", *inputs, stderr=slave)
            os.close(slave)
            shown = b""
            while True:
                try:
                    chunk = os.read(master, 4096)
                except OSError:
                    break
                if not chunk:
                    break
                shown += chunk
        finally:
            os.close(master)
        self.assertEqual(result.returncode, 0)
        text = shown.decode()
        self.assertRegex(text, r"\r\[3/3\] ")  # drawn at least once, at the end
        self.assertTrue(text.endswith("\r"), repr(text))  # cleared before the summary
        piped = self.run_tool("-o", "out2", *inputs)
        self.assertEqual(piped.stderr, "")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
