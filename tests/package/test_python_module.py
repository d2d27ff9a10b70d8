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


@pytest.mark.parametrize("call", [
    lambda d: mirtabel.convert(d / "missing.mxp", d / "out.txt"),
    lambda d: mirtabel.recipes(d / "missing.mxp"),
])
def test_a_missing_file_raises_oserror_with_errno_and_path(tmp_path, call):
    with pytest.raises(OSError) as raised:
        call(tmp_path)
    assert raised.value.errno == errno.ENOENT
    assert str(raised.value.filename) == str(tmp_path / "missing.mxp")
    assert not (tmp_path / "out.txt").exists()


@pytest.mark.parametrize("options", [{"format": "pdf"}, {"encoding": "ebcdic"},
                                     {"format": "html", "title": "a\0b"}])
def test_bad_options_raise_valueerror(tmp_path, options):
    with pytest.raises(ValueError):
        mirtabel.convert(EXAMPLE, tmp_path / "out.txt", **options)
