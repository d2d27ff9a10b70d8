"""The Python package as installed: run by pytest against the install prefix, with the paths of
the test archives in MIRTABEL_EXAMPLE (several recipes) and MIRTABEL_LONG_ARCHIVE (one recipe
over the length limit between two short ones)."""
import errno
import json
import os
import subprocess

import pytest

import mirtabel

EXAMPLE = os.environ["MIRTABEL_EXAMPLE"]
LONG_ARCHIVE = os.environ["MIRTABEL_LONG_ARCHIVE"]
MXPCONVERT = os.environ.get("MIRTABEL_MXPCONVERT")


def read(path):
    with open(path, "rb") as f:
        return f.read()


@pytest.mark.parametrize("source", ["path", "bytes"])
def test_recipes_of_a_multi_recipe_file_as_mxpconvert_writes_them(source):
    found = list(mirtabel.recipes(EXAMPLE if source == "path" else read(EXAMPLE)))
    assert len(found) > 1 and all(r["@type"] == "Recipe" for r in found)
    if MXPCONVERT:
        lines = subprocess.run([MXPCONVERT, "-q", "--format=json", EXAMPLE], check=True,
                               capture_output=True).stdout.decode().splitlines()
        assert found == [json.loads(line) for line in lines]


def test_iteration_stopped_early_ends_the_conversion():
    many = mirtabel.recipes(read(EXAMPLE) * 2000)
    first = [next(many)["name"] for _ in range(3)]
    many.close()
    assert first[0] == next(mirtabel.recipes(EXAMPLE))["name"]


@pytest.mark.skipif(not MXPCONVERT, reason="mxpconvert not given")
def test_a_cookbook_is_the_one_mxpconvert_writes(tmp_path):
    report = mirtabel.convert(LONG_ARCHIVE, tmp_path / "long.html", format="html")
    subprocess.run([MXPCONVERT, "-q", "--format=html", "-o", tmp_path / "cli.html",
                    LONG_ARCHIVE], check=True)
    assert read(tmp_path / "long.html") == read(tmp_path / "cli.html")
    assert (report.records, report.left_out) == (3, [])


def test_a_recipe_left_out_is_reported_and_kept(tmp_path):
    output, side = tmp_path / "long.txt", tmp_path / "long.left-out.mxp"
    report = mirtabel.convert(LONG_ARCHIVE, output, left_out_file=side)
    archive = read(LONG_ARCHIVE)
    assert (report.records, report.cut) == (2, 0)
    assert (report.bytes_read, report.bytes_written) == (len(archive), len(read(output)))
    [entry] = report.left_out
    assert (entry.title, entry.reason) == ("Endless Stew", "too long")
    first_line = archive[:archive.index(b"\n") + 1]
    assert read(side) == first_line + archive[entry.bytes]
    assert [r["name"] for r in mirtabel.recipes(read(side))] == ["Endless Stew"]


@pytest.mark.parametrize("call, failed", [
    (lambda d: mirtabel.convert(d / "missing.mxp", d / "out.txt"), "missing.mxp"),
    (lambda d: mirtabel.recipes(d / "missing.mxp"), "missing.mxp"),
    (lambda d: mirtabel.convert(EXAMPLE, d / "none" / "out.txt"), "none/out.txt"),
    (lambda d: mirtabel.convert(EXAMPLE, d / "out.txt", left_out_file=d / "none" / "side.mxp"),
     "none/side.mxp"),
])
def test_a_missing_file_raises_oserror_with_errno_and_its_path(tmp_path, call, failed):
    with pytest.raises(OSError) as raised:
        call(tmp_path)
    assert raised.value.errno == errno.ENOENT
    assert str(raised.value.filename) == str(tmp_path / failed)
    assert os.listdir(tmp_path) == []


# Each argument's type and value are checked before a ctypes call sees it, and the error names it.
@pytest.mark.parametrize("error, arguments, named", [
    (TypeError, lambda d: {"encoding": 5}, "encoding"),
    (TypeError, lambda d: {"input": 5}, "input"),
    (TypeError, lambda d: {"left_out_file": 5.0}, "left_out_file"),
    (TypeError, lambda d: {"format": ["json"]}, "format"),
    (TypeError, lambda d: {"format": "html", "title": b"Pies"}, "title"),
    (TypeError, lambda d: {"source": 0}, "source"),
    (TypeError, lambda d: {"source": EXAMPLE, "encoding": 5}, "encoding"),
    (TypeError, lambda d: {"force": 1}, "force"),
    (ValueError, lambda d: {"format": "pdf"}, "format"),
    (ValueError, lambda d: {"encoding": "ebcdic"}, "encoding"),
    (ValueError, lambda d: {"format": "html", "title": "a\0b"}, "title"),
    (ValueError, lambda d: {"input": EXAMPLE + "\0junk"}, "input"),
    (ValueError, lambda d: {"output": str(d / "report.txt") + "\0.html"}, "output"),
    (ValueError, lambda d: {"left_out_file": "side\0.mxp"}, "left_out_file"),
    (ValueError, lambda d: {"encoding": "utf-8\0"}, "encoding"),
    (ValueError, lambda d: {"source": EXAMPLE + "\0junk"}, "source"),
    (ValueError, lambda d: {"output": d / "out.txt", "left_out_file": f"{d}/./out.txt"},
     "left_out_file"),
])
def test_a_wrong_argument_raises_an_error_that_names_it(tmp_path, error, arguments, named):
    given = arguments(tmp_path)
    with pytest.raises(error, match=named):
        if "source" in given:
            list(mirtabel.recipes(**given))
        else:
            mirtabel.convert(**{"input": EXAMPLE, "output": tmp_path / "out.txt", **given})
    assert os.listdir(tmp_path) == []


def _archive(marker=b"* Export *"):
    return b"".join(marker + b"\n\n   " + title + b"\nBy: me\n--------\nStir.\n\n"
                    for title in (b"Soup", b"Tea"))


@pytest.mark.parametrize("name, data, kind", [
    ("blank", b"\n" + _archive(), "marker"),
    ("spaces", b"   \n" + _archive(), "marker"),
    ("junk", b"Garbage\n" + _archive(), "marker"),
    ("joined", _archive() + _archive(b"*  Export\t*"), "joined"),
])
def test_warnings_are_heard_and_the_marker_auto_mends_them(tmp_path, name, data, kind):
    (tmp_path / "in.mxp").write_bytes(data)
    with pytest.warns(mirtabel.MxpWarning) as issued:
        report = mirtabel.convert(tmp_path / "in.mxp", tmp_path / "out.jsonl")
    assert [w.kind for w in report.warnings] == [kind]
    assert [str(w.message) for w in issued] == [str(report.warnings[0])]
    assert "--marker=auto" in str(report.warnings[0])
    report = mirtabel.convert(tmp_path / "in.mxp", tmp_path / "out.jsonl", marker="auto")
    assert (report.warnings, report.marker) == ([], "* Export *")
    titles = [r["name"] for r in mirtabel.recipes(data, marker="auto")]
    assert titles == ["Soup", "Tea"] * (2 if name == "joined" else 1)


DOS_ARCHIVE = b"* Export *\r\n\r\n   Roast\r\nBy: me\r\n--------\r\nBake at 350\xf8F.\r\n"


@pytest.mark.parametrize("encoding, text, read_as, why", [
    (None, "350\u00b0F", "utf-8+cp437", "cp437: 0xF8 by a number 1 time"),
    ("windows-1252", "350\u00f8F", "windows-1252", "windows-1252, as named"),
])
def test_the_code_page_is_chosen_unless_named_and_reported(tmp_path, encoding, text, read_as, why):
    (tmp_path / "dos.mxp").write_bytes(DOS_ARCHIVE)
    report = mirtabel.convert(tmp_path / "dos.mxp", tmp_path / "out.txt", encoding=encoding)
    assert text in read(tmp_path / "out.txt").decode()
    assert (report.encoding, report.encoding_reason) == (read_as, why)


def test_a_binary_file_is_refused_unless_forced(tmp_path):
    pdf = tmp_path / "doc.pdf"
    pdf.write_bytes(b"%PDF-1.7\n" + DOS_ARCHIVE)
    with pytest.raises(ValueError, match=f"^'{pdf}' is a PDF document, not an MXP text export"):
        mirtabel.convert(pdf, tmp_path / "out.txt")
    with pytest.raises(ValueError, match="^the input is a PNG image"):
        list(mirtabel.recipes(b"\x89PNG\r\n\x1a\n" + DOS_ARCHIVE))
    assert os.listdir(tmp_path) == ["doc.pdf"]
    assert mirtabel.convert(pdf, tmp_path / "out.txt", force=True).records == 1


def test_the_module_shows_its_own_names_only():
    assert not {"ctypes", "os", "json", "threading"} & set(dir(mirtabel))
