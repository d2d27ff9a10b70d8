#!/usr/bin/env python3
"""mxpconvert as a user runs it on one input: records on standard output or in a file, every
message on standard error, '-' and the filter form, outputs replaced only when complete, input
encodings, inputs that are not MXP, the recipes left out, exit statuses, and file names of any
bytes under the C and the C.UTF-8 locale.

usage: mxpconvert_test.py MXPCONVERT VERSION
"""
import errno
import json
import os
import resource
import subprocess
import sys
import tempfile
import unittest

PROGRAM, VERSION = os.path.abspath(sys.argv[1]), sys.argv[2]


def recipes(titles, body=b"Stir."):
    """MXP text with one column-layout recipe per title, and the records it converts to."""
    text, records = b"", b""
    for title in titles:
        text += b"* Export *\r\n\r\n   " + title + b"\r\nBy: me\r\n--------\r\n" + body + b"\r\n\r\n"
        records += title + b" " * (100 - len(title)) + b"[PAGE]" + body + b"[PAGE]\n"
    return text, records


def long_recipe(title, lines=100):
    """A recipe whose text passes the 9,500-character limit, as bytes."""
    return b"* Export *\r\n\r\n   " + title + b"\r\nBy: me\r\n--------\r\n" + b"x" * 99 + \
        b"\r\n" + (b"y" * 99 + b"\r\n") * (lines - 1)


class Mxpconvert(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.addCleanup(self.tmp.cleanup)

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return name

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def run_tool(self, *args, stdin=None, stdout=subprocess.PIPE, locale="C.UTF-8", limits=(),
                 environment=()):
        def apply_limits():
            os.umask(0o022)  # the usual one, under which a new file is readable by all
            for which, value in limits:
                resource.setrlimit(which, (value, value))
        return subprocess.run([PROGRAM, *args], cwd=self.dir, stdin=stdin, stdout=stdout,
                              stderr=subprocess.PIPE,
                              env=dict(os.environ, LC_ALL=locale, **dict(environment)),
                              timeout=120, preexec_fn=apply_limits)

    def test_records_go_to_standard_output_and_messages_to_standard_error(self):
        text, records = recipes([b"Soup", b"Bread", b"Tea"])
        self.write("in.mxp", text)
        for args in (["in.mxp"], ["-"], [], ["in.mxp", "-"], ["-o", "-", "-"]):
            with self.subTest(args=args), open(self.path("in.mxp"), "rb") as stdin:
                r = self.run_tool(*args, stdin=stdin)
                self.assertEqual((r.returncode, r.stdout), (0, records))
                self.assertEqual(r.stderr, b"3 recipes written to standard output\n")
        # A descriptor's name is written through that descriptor, where the shell stands in the
        # file: what the shell writes before and after stays in place around the records.
        r = subprocess.run(f"{{ echo head; '{PROGRAM}' -q in.mxp /dev/stdout; "
                           f"'{PROGRAM}' -q in.mxp /dev/fd/3 3>&1; echo foot; }} > so.txt",
                           shell=True, cwd=self.dir, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        self.assertEqual(self.read("so.txt"), b"head\n" + records * 2 + b"foot\n")
        for args in (["in.mxp", "out.txt"], ["-o", "out.txt", "in.mxp"], ["in.mxp", "-oout.txt"]):
            with self.subTest(args=args):
                r = self.run_tool(*args)
                self.assertEqual((r.returncode, r.stdout), (0, b""))
                self.assertEqual(r.stderr, b"3 recipes written to 'out.txt'\n")
                self.assertEqual(self.read("out.txt"), records)
        one = self.write("one.mxp", recipes([b"Soup"])[0])
        self.assertEqual(self.run_tool("-q", one, "o.txt").stderr, b"")
        self.assertEqual(self.run_tool(one, "o.txt").stderr, b"1 recipe written to 'o.txt'\n")

    def test_a_failed_write_keeps_the_previous_output(self):
        text, records = recipes([b"Soup %d" % i for i in range(3000)])
        self.write("in.mxp", text)
        self.write("lim.txt", b"the previous output\n")
        r = self.run_tool("in.mxp", "lim.txt", limits=[(resource.RLIMIT_FSIZE, 100000)])
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr.decode(), "mxpconvert: cannot write 'lim.txt': %s\n"
                         % os.strerror(errno.EFBIG))
        self.assertEqual(self.read("lim.txt"), b"the previous output\n")
        self.assertEqual(sorted(os.listdir(self.dir)), ["in.mxp", "lim.txt"])
        if os.path.exists("/dev/full"):
            for args in (["in.mxp"], ["--version"], ["--help"]):
                with open("/dev/full", "wb") as full:
                    r = self.run_tool(*args, stdout=full)
                self.assertEqual(r.returncode, 1, args)
                self.assertIn(os.strerror(errno.ENOSPC).encode(), r.stderr)

    def test_a_closed_pipe_ends_the_run_quietly(self):
        self.write("in.mxp", recipes([b"Soup %d" % i for i in range(20000)])[0])
        p = subprocess.Popen([PROGRAM, "in.mxp"], cwd=self.dir, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
        p.stdout.read(10)
        p.stdout.close()
        self.assertEqual(p.wait(timeout=60), 1)
        self.assertEqual(p.stderr.read(), b"")
        p.stderr.close()

    def test_failures_name_the_file_and_the_reason(self):
        self.write("in.mxp", recipes([b"Soup"])[0])
        self.write("kept.txt", b"kept")
        self.write("doc.pdf", b"%PDF-1.7\n" + recipes([b"Soup"])[0])
        # A NUL past the first read's bytes, within those judged.
        self.write("nul.mxp", recipes([b"Soup %d" % i for i in range(400)])[0][:20000] + b"\0")
        no_tmp = {"TMPDIR": "/nonexistent-mirtabel"}
        failing = [
            (["missing.mxp", "new.txt"], "cannot read 'missing.mxp': " + os.strerror(errno.ENOENT)),
            ([""], "cannot read '': " + os.strerror(errno.ENOENT)),
            (["in.mxp", "no/such/dir.txt"],
             "cannot write 'no/such/dir.txt': the directory 'no/such' does not exist; create it "
             "first, or convert into it with -d DIR, which creates the directories it needs"),
            (["in.mxp", "in.mxp"], "cannot write 'in.mxp': the output path names the input file"),
            (["-n", "in.mxp", "kept.txt"],
             "cannot write 'kept.txt': it exists, and -n (--no-clobber) never replaces a file"),
            (["doc.pdf", "new.txt"], "'doc.pdf' is a PDF document, not an MXP text export; "
             "nothing was converted (--force converts it all the same)"),
            (["--format=html", "nul.mxp", "new.txt"], "'nul.mxp' is a binary file with NUL "
             "bytes, not an MXP text export; nothing was converted (--force converts it all the "
             "same)"),
            # The cookbook reads a device twice through a copy, which it cannot keep here.
            (["--format=html", "-", "new.txt"], "cannot keep a copy of standard input to read it "
             "twice in '/nonexistent-mirtabel', the directory for temporary files: "
             + os.strerror(errno.ENOENT)),
        ]
        for args, message in failing:
            with self.subTest(args=args):
                r = self.run_tool(*args, stdin=subprocess.DEVNULL, environment=no_tmp)
                self.assertEqual((r.returncode, r.stdout), (1, b""))
                self.assertEqual(r.stderr.decode(), "mxpconvert: " + message + "\n")
        self.assertFalse(os.path.exists(self.path("new.txt")))
        self.assertEqual(self.run_tool("-q", "--force", "doc.pdf", "forced.txt").returncode, 0)
        self.assertIn(b"[PAGE]Stir.[PAGE]", self.read("forced.txt"))
        self.assertEqual(self.read("in.mxp"), recipes([b"Soup"])[0])
        self.assertEqual(self.read("kept.txt"), b"kept")
        self.assertEqual(self.run_tool("-n", "in.mxp", "fresh.txt").returncode, 0)
        self.assertEqual(sorted(os.listdir(self.dir)),
                         ["doc.pdf", "forced.txt", "fresh.txt", "in.mxp", "kept.txt", "nul.mxp"])

    def test_wrong_usage_exits_2_with_the_usage_and_converts_nothing(self):
        self.write("in.mxp", recipes([b"Soup"])[0])
        os.symlink("a.txt", self.path("link.mxp"))  # the output's name, through a link
        for args in (["in.mxp", "a.txt", "b.txt"], ["-x", "in.mxp"], ["--no-such-option"],
                     ["-o"], ["-f", "ebcdic", "in.mxp", "a.txt"], ["in.mxp", "--left-out=-"],
                     ["in.mxp", "a.txt", "--left-out", "./a.txt"],
                     ["in.mxp", "a.txt", "--left-out", "link.mxp"],
                     ["in.mxp", "a.txt", "--left-out", "./in.mxp"],
                     ["--left-out=s.mxp", "-d", "a.txt", "in.mxp"],
                     ["--title=Soups", "in.mxp", "a.txt"]):
            with self.subTest(args=args):
                r = self.run_tool(*args)
                self.assertEqual((r.returncode, r.stdout), (2, b""))
                self.assertTrue(r.stderr.startswith(b"mxpconvert: "), r.stderr)
                self.assertIn(b"usage: mxpconvert", r.stderr)
        self.assertFalse(os.path.exists(self.path("a.txt")))
        for option in ("--help", "-h"):
            r = self.run_tool(option)
            self.assertEqual(r.returncode, 0)
            for text in (b"usage: mxpconvert", b"--output=FILE", b"--encoding=NAME",
                         b"--no-clobber", b"--strict", b"exit status"):
                self.assertIn(text, r.stdout)
        for option in ("--version", "-V"):
            self.assertEqual(self.run_tool(option).stdout, f"mxpconvert {VERSION}\n".encode())
        # Nothing to convert but what a person would type: the usage, not a silent wait.
        controller, terminal = os.openpty()
        self.addCleanup(os.close, controller)
        with os.fdopen(terminal, "rb") as stdin:
            for args in ([], ["-v"], ["-o", "a.txt"]):
                r = self.run_tool(*args, stdin=stdin)
                self.assertEqual((r.returncode, r.stdout), (2, b""), args)
                self.assertIn(b"usage: mxpconvert", r.stderr)
        # After "--", names that start with a hyphen are files.
        self.write("-in.mxp", recipes([b"Tea"])[0])
        r = self.run_tool("--", "-in.mxp", "-out.txt")
        self.assertEqual((r.returncode, self.read("-out.txt")), (0, recipes([b"Tea"])[1]))

    def test_help_fits_80_columns_and_fills_its_lines(self):
        lines = self.run_tool("--help").stdout.decode().splitlines()
        for line in lines:
            self.assertLessEqual(len(line), 79, line)
        # A line that its paragraph or option entry goes on after is full: the next word did not
        # fit on it.
        for line, after in zip(lines, lines[1:]):
            indent = len(after) - len(after.lstrip(" "))
            goes_on = line.strip() and after.strip() and (
                (indent == 0 and not line.endswith(":")) or indent >= 20)
            if goes_on:
                self.assertGreater(len(line) + 1 + len(after.split()[0]), 79, (line, after))

    def test_an_output_operand_that_holds_recipes_is_not_replaced(self):
        text, records = recipes([b"Soup"])
        archive = recipes([b"Tea", b"Cake"])[0]
        self.write("a.mxp", text)
        refused = [("b.mxp", archive), ("export.txt", archive), ("old.mxp", b"not read")]
        for name, data in refused:
            with self.subTest(name=name):
                self.write(name, data)
                r = self.run_tool("a.mxp", name)  # as `mxpconvert *.mxp` may give it
                self.assertEqual((r.returncode, r.stdout), (2, b""))
                self.assertEqual(r.stderr.decode(), (
                    "mxpconvert: '%s' holds MXP recipes and would be replaced by the records of "
                    "'a.mxp'; to convert several files, name a directory with -d DIR; to replace "
                    "it, name it with -o FILE or add --force\n" % name))
                self.assertEqual(self.read(name), data)
        # Named with -o or with --force, it is replaced; so is a previous output, or an empty
        # file.
        for args in (["a.mxp", "-o", "b.mxp"], ["--force", "a.mxp", "export.txt"],
                     ["a.mxp", "out.txt"], ["a.mxp", "out.txt"], ["a.mxp", "empty.mxp"]):
            with self.subTest(args=args):
                self.write("b.mxp", archive)
                self.write("export.txt", archive)
                self.write("empty.mxp", b"")
                self.assertEqual(self.run_tool("-q", *args).returncode, 0)
                self.assertEqual(self.read(args[-1]), records)

    def test_a_read_only_directory_is_named_as_the_reason(self):
        os.chmod(self.dir, 0o755)
        self.write("in.mxp", recipes([b"Soup"])[0])
        os.mkdir(self.path("ro"))
        self.write("ro/out.txt", b"old")
        os.chmod(self.path("ro/out.txt"), 0o666)
        os.chmod(self.path("ro"), 0o555)
        self.addCleanup(os.chmod, self.path("ro"), 0o755)

        def unprivileged():
            if os.geteuid() == 0:  # root may write anywhere: run as "nobody"
                os.setgroups([])
                os.setgid(65534)
                os.setuid(65534)
        if os.geteuid() != 0 and os.access(self.path("ro"), os.W_OK):
            self.skipTest("this user may write to a read-only directory")
        try:
            r = subprocess.run([PROGRAM, "in.mxp", "ro/out.txt"], cwd=self.dir,
                               capture_output=True, preexec_fn=unprivileged, timeout=60)
        except PermissionError:
            self.skipTest("the user nobody cannot run mxpconvert where it was built")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr.decode(), (
            "mxpconvert: cannot write 'ro/out.txt': %s: the directory 'ro' must be writable too, "
            "since an output is written there under a temporary name and takes its place only "
            "when complete\n" % os.strerror(errno.EACCES)))
        self.assertEqual(self.read("ro/out.txt"), b"old")

    def test_every_code_page_byte_decodes_as_python_decodes_it(self):
        high = bytes(range(0x80, 0x100))
        encodings = [("windows-1252", "cp1252"), ("latin-1", "latin-1"), ("cp437", "cp437"),
                     ("cp850", "cp850"), ("mac-roman", "mac_roman")]
        for name, codec in encodings:
            with self.subTest(encoding=name):
                def char(b):
                    try:
                        return bytes([b]).decode(codec)
                    except UnicodeDecodeError:  # windows-1252's five unassigned bytes
                        return chr(b)
                text, _ = recipes([b"Codes"], high)
                with open(self.path(self.write("in.mxp", text)), "rb") as stdin:
                    r = self.run_tool("--encoding", name, stdin=stdin)
                expected = "Codes".ljust(100) + "[PAGE]" + "".join(map(char, high)) + "[PAGE]\n"
                self.assertEqual(r.stdout.decode("utf-8"), expected)
        # The degree sign of old DOS-era exports.
        self.write("dos.mxp", recipes([b"Roast"], b"Bake at 350\xf8F.")[0])
        r = self.run_tool("-f", "cp437", "dos.mxp")
        self.assertIn("Bake at 350\u00b0F.".encode(), r.stdout)
        # Unnamed, it is chosen from the bytes, and said; a name still decides. Typed on Windows
        # with the temperatures from DOS, the degree signs alone are read as code page 437.
        self.write("mixed.mxp", recipes([b"Roast"], b"Saut\xe9 the caf\xe9 mix at 350\xf8F.")[0])
        for args, text, notice in (
                (["dos.mxp"], "350\u00b0F", b"mxpconvert: 'dos.mxp' read as cp437: 0xF8 by a "
                 b"number 1 time (-f names another encoding)\n"),
                (["-f", "windows-1252", "dos.mxp"], "350\u00f8F", b""),
                (["mixed.mxp"], "Saut\u00e9 the caf\u00e9 mix at 350\u00b0F",
                 b"mxpconvert: 'mixed.mxp' read as windows-1252, and 0xF8 as cp437's degree sign: "
                 b"windows-1252 letters in words 2 times, against 0xF8 by a number 1 time (-f "
                 b"names another encoding)\n")):
            r = self.run_tool(*args)
            self.assertIn(text.encode(), r.stdout)
            self.assertEqual(r.stderr, notice + b"1 recipe written to standard output\n")

    def test_inputs_that_do_not_look_like_mxp_are_warned_about(self):
        text, records = recipes([b"Soup", b"Tea"])
        layout = ("its first recipe has neither a 'Title:' line nor a line of hyphens under its "
                  "heading, one of which every recipe in MXP has")
        not_mxp = "does not look like an MXP recipe export: "
        seem = ("; recipes seem to start at line 2 ('* Export *', which opens 2 recipes in the "
                "first 32 KiB): try --marker=auto")
        marks = "yet that line marks where each recipe starts" + seem
        joined = text + text.replace(b"* Export *", b"*  Export\t*")
        cases = [
            ("binary.mxp", b"\x7fELF\x02\x01\x01\x03\x03\x03\x03" * 50,
             "its first line holds bytes that are not text, as a program, a picture or a "
             "compressed file does"),
            ("utf16.mxp", text.decode().encode("utf-16-le"), "it seems to be UTF-16 text that "
             "lacks the mark at its start that says so; save it again as UTF-8"),
            ("blank.mxp", b"\r\n" + text, "its first line is empty, " + marks),
            # The three shapes that the marker "auto" mends; a joined export, that it mends too.
            ("spaces.mxp", b"   \r\n" + text, "has a first line of blanks only, " + marks),
            ("junk.mxp", b"Garbage\r\n" + text, "has a first line that is found only once, " +
             marks),
            ("joined.mxp", joined, "holds 2 lines that are its marker line but for spacing, as "
             "where exports were joined into one file; the recipes they start were read as "
             "parts of others: try --marker=auto"),
            ("empty.mxp", b"", "it is empty"),
            ("letter.mxp", b"Dear John,\nhow are you?\n", "no recipe was found in it"),
            ("passwd", b"root:x:0:0:root:/root:/bin/sh\nbin:x:1:1:bin:/bin:/bin/false\n"
             b"sys:x:2:2:sys:/dev:/bin/false\n", layout),
            ("notes.md", b"# Notes\n\nThe header of a recipe ends at a rule.\nThe rule is "
             b"`--------`, eight hyphens.\n", layout),
        ]
        for name, data, reason in cases:
            with self.subTest(name=name):
                self.write(name, data)
                r = self.run_tool("-q", name, "out.txt")
                self.assertEqual(r.returncode, 0)
                if not reason.startswith(("has ", "holds ")):
                    reason = not_mxp + reason
                self.assertEqual(r.stderr.decode(), "mxpconvert: warning: '%s' %s\n"
                                 % (name, reason))
                r = self.run_tool("--strict", "-q", "--format=json", name, "out.jsonl")
                self.assertEqual(r.returncode, 3)
                if name in ("blank.mxp", "spaces.mxp", "junk.mxp", "joined.mxp"):
                    # A marker given exactly still tells of lines that are it but for spacing.
                    markers = ["--marker=auto"] + (["--marker=* Export *"] * (name != "joined.mxp"))
                    for marker in markers:
                        r = self.run_tool("--strict", "-q", marker, name, "out.txt")
                        self.assertEqual((r.returncode, r.stderr), (0, b""), marker)
                        expected = records * (2 if name == "joined.mxp" else 1)
                        self.assertEqual(self.read("out.txt"), expected, marker)
        self.write("good.mxp", text)
        r = self.run_tool("--strict", "-q", "good.mxp", "out.txt")
        self.assertEqual((r.returncode, r.stderr), (0, b""))

    def test_recipes_left_out_are_kept_and_convert_again_once_shortened(self):
        short, records = recipes([b"Short"])
        text = short + long_recipe(b"Endless Stew") + short + long_recipe(b"Evil \xc2\x9b2J", 120)
        self.write("big.mxp", text)
        # A filter leaves no file behind unasked: the warning names the recipes left out.
        with open(self.path("big.mxp"), "rb") as stdin:
            r = self.run_tool("--strict", stdin=stdin)
        self.assertEqual((r.returncode, r.stdout), (3, records * 2))
        self.assertEqual(r.stderr.decode(), (
            "mxpconvert: warning: 2 recipes of standard input left out: their texts are longer "
            "than 9,500 characters; give --left-out FILE to keep their texts\n"
            "  left out: Endless Stew\n"
            "  left out: Evil ?2J\n"  # U+009B would start an escape sequence
            "2 recipes written to standard output\n"))
        self.assertEqual(sorted(os.listdir(self.dir)), ["big.mxp"])
        # Through a pipe, which cannot be read twice.
        r = subprocess.run(f"cat big.mxp | '{PROGRAM}' -q --left-out=kept.mxp > out.txt",
                           shell=True, cwd=self.dir, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(r.returncode, 0)
        self.assertEqual(self.read("out.txt"), records * 2)
        self.assertEqual(r.stderr.decode(), (
            "mxpconvert: warning: 2 recipes of standard input left out: their texts are longer "
            "than 9,500 characters; they are in 'kept.mxp'\n"))
        side = self.read("kept.mxp")
        self.assertEqual(side, long_recipe(b"Endless Stew") + long_recipe(b"Evil \xc2\x9b2J", 120))
        # The side file is as private as the output.
        self.write("o.txt", b"")
        os.chmod(self.path("o.txt"), 0o600)
        self.assertEqual(self.run_tool("--strict", "big.mxp", "o.txt").returncode, 3)
        self.assertEqual(self.read("o.left-out.mxp"), side)
        self.assertEqual(os.stat(self.path("o.left-out.mxp")).st_mode & 0o777, 0o600)
        # -n keeps a side file that is there already, and the run fails for it.
        os.remove(self.path("o.txt"))
        r = self.run_tool("-q", "-n", "big.mxp", "o.txt")
        self.assertEqual(r.returncode, 1)
        self.assertTrue(r.stderr.endswith(b"mxpconvert: cannot write 'o.left-out.mxp' for the "
                                          b"recipes left out: it exists, and -n "
                                          b"(--no-clobber) never replaces a file\n"), r.stderr)

        self.write("shortened.mxp", side.replace(b"y" * 99 + b"\r\n", b""))
        r = self.run_tool("--strict", "shortened.mxp", "again.txt")
        self.assertEqual(r.returncode, 0, r.stderr)
        titles = [line[:100].rstrip() for line in self.read("again.txt").splitlines()]
        self.assertEqual(titles, [b"Endless Stew", b"Evil \xc2\x9b2J"])

        # A run that leaves nothing out takes away the side file of an earlier one, which would
        # pass for its own, and says so; -n keeps it, saying that too; and an input is kept.
        removed = b"mxpconvert: removed 'o.left-out.mxp' of an earlier run: no recipe was left " \
                  b"out this time\n"
        for args, message in [(["-n", "shortened.mxp", "new.txt"], b"mxpconvert: warning: "
                                b"'new.left-out.mxp' is from an earlier run and kept (-n): no "
                                b"recipe was left out this time\n"),
                              (["shortened.mxp", "o.txt"], removed),
                              (["o.left-out.mxp", "o.txt"], b"")]:
            with self.subTest(args=args):
                side_name = args[-1].replace(".txt", ".left-out.mxp")
                self.write(side_name, self.read("shortened.mxp") if side_name in args else side)
                r = self.run_tool("-q", *args)
                self.assertEqual((r.returncode, r.stderr), (0, message))
                self.assertEqual(os.path.exists(self.path(side_name)), message != removed)

        # In UTF-16 the byte-order mark starts the side file only, not each recipe after the first.
        for codec, mark in (("utf-16-le", b"\xff\xfe"), ("utf-16-be", b"\xfe\xff")):
            with self.subTest(codec=codec):
                self.write("wide.mxp", mark + text.decode().encode(codec))
                self.assertEqual(self.run_tool("-q", "wide.mxp", "wide.txt").returncode, 0)
                self.assertEqual(self.read("wide.left-out.mxp"), mark + side.decode().encode(codec))

    def test_json_lines_keep_every_recipe(self):
        short, _ = recipes([b"Short"])
        self.write("big.mxp", short + long_recipe(b"Endless Stew"))
        r = self.run_tool("--format", "json", "--strict", "big.mxp")
        # Kept whole, but so long a recipe is most likely a framing fault: --strict says so.
        self.assertEqual((r.returncode, r.stderr), (3, (
            "mxpconvert: warning: 1 recipe of 'big.mxp' longer than a record's 9,500 characters, "
            "kept whole here; so long a recipe may be several read as one\n"
            "2 recipes written to standard output\n").encode()))
        objects = [json.loads(line) for line in r.stdout.decode().splitlines()]
        self.assertEqual([(o["@type"], o["name"]) for o in objects],
                         [("Recipe", "Short"), ("Recipe", "Endless Stew")])
        self.assertFalse(os.path.exists(self.path("big.left-out.mxp")))
        self.assertEqual(self.run_tool("--format=json", "-qd", "out", "big.mxp").returncode, 0)
        self.assertEqual(self.read("out/big.jsonl"), r.stdout)
        # Without --format, the output's name chooses.
        for name in ("named.jsonl", "named.JSON"):
            self.assertEqual(self.run_tool("-q", "big.mxp", name).returncode, 0)
            self.assertEqual(self.read(name), r.stdout)
        self.assertEqual(self.run_tool("-q", "--format=records", "big.mxp", "flat.json")
                         .returncode, 0)
        self.assertEqual(self.read("flat.json")[:5], b"Short")
        # A cookbook under either HTML name, the same as --format html writes.
        for name in ("page.html", "page.HTM"):
            self.assertEqual(self.run_tool("-q", "big.mxp", "-o", name).returncode, 0)
        self.assertEqual(self.run_tool("-q", "--format=html", "-d", "out", "big.mxp").returncode, 0)
        self.assertTrue(self.read("page.html").startswith(b"<!DOCTYPE html>"))
        self.assertEqual(self.read("page.html"), self.read("page.HTM"))
        self.assertEqual(self.read("page.html"), self.read("out/big.html"))
        # From a pipe, which the cookbook reads twice through a copy: the same but for the title.
        r = subprocess.run(f"cat big.mxp | '{PROGRAM}' -q --format=html", shell=True, cwd=self.dir,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        self.assertEqual((r.returncode, r.stderr[:41]),
                         (0, b"mxpconvert: warning: 1 recipe of standard"))
        self.assertEqual(r.stdout, self.read("page.html").replace(b">big<", b">Cookbook<"))
        r = subprocess.run(f"cat big.mxp | '{PROGRAM}' -q --format=html --title=big", shell=True,
                           cwd=self.dir, stdout=subprocess.PIPE, timeout=120)
        self.assertEqual((r.returncode, r.stdout), (0, self.read("page.html")))

        # More fields than the stores hold: written cut, and whole in the side file, which
        # --strict counts as questionable.
        huge = b"* Export *\r\n\r\n   Huge\r\n--------\r\n" + \
            b"".join(b"Stir %d.\r\n" % n for n in range(20000))
        self.write("huge.mxp", short + long_recipe(b"Endless Stew") + huge + short)
        r = self.run_tool("--strict", "-v", "huge.mxp", "huge.jsonl")
        self.assertEqual(r.returncode, 3, r.stderr)
        self.assertIn(b"1 recipe of 'huge.mxp' too large to keep whole (more than 1 MiB of text or "
                      b"16,384 fields), written cut; it is whole in 'huge.jsonl.left-out.mxp'\n"
                      b"  cut: Huge\n", r.stderr)
        self.assertEqual(self.read("huge.jsonl.left-out.mxp"), huge)
        self.assertEqual([json.loads(line)["name"] for line in self.read("huge.jsonl").splitlines()],
                         ["Short", "Endless Stew", "Huge", "Short"])
        # Each format keeps its own side file; a clean run of one takes away only its own.
        self.assertEqual(self.run_tool("-q", "huge.mxp", "huge.txt").returncode, 0)
        self.assertEqual(self.read("huge.jsonl.left-out.mxp"), huge)
        r = self.run_tool("-q", "big.mxp", "huge.jsonl")
        self.assertEqual((r.returncode, r.stderr.splitlines()[-1]), (0, b"mxpconvert: removed "
                         b"'huge.jsonl.left-out.mxp' of an earlier run: no recipe was left out "
                         b"this time"))
        self.assertFalse(os.path.exists(self.path("huge.jsonl.left-out.mxp")))
        self.assertTrue(self.read("huge.left-out.mxp").endswith(huge))
        r = self.run_tool("--format", "json", "huge.mxp")  # a filter: no side file unasked
        self.assertEqual(r.returncode, 0)
        self.assertIn(b"written cut\n4 recipes written", r.stderr)

    def test_file_names_of_any_bytes_under_any_locale(self):
        names = ["crème brûlée 😀".encode(), b"raw\xe9\xff", "r\u00e9".encode() + b"\xc3",
                 "photo\u202egpj".encode()]  # a right-to-left override would show "jpg"
        text, records = recipes([b"Pie", b"Cake"])
        for locale in ("C", "C.UTF-8"):
            for name in names:
                with self.subTest(name=name, locale=locale):
                    source, target = name + b".mxp", name + b"-" + locale.encode() + b".txt"
                    with open(os.path.join(os.fsencode(self.dir), source), "wb") as f:
                        f.write(text)
                    r = self.run_tool(source, target, locale=locale)
                    self.assertEqual(r.returncode, 0, r.stderr)
                    with open(os.path.join(os.fsencode(self.dir), target), "rb") as f:
                        self.assertEqual(f.read(), records)
                    r = self.run_tool(name + b".missing", target, locale=locale)
                    shown = name.decode("utf-8", "replace").replace("\ufffd", "?") \
                        .replace("\u202e", "?").encode()
                    self.assertEqual(r.returncode, 1)
                    self.assertIn(b"'" + shown + b".missing'", r.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
