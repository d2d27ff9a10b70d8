"""Mirtabel from Python: converts MXP recipe exports into flat records, JSON Lines or an HTML
cookbook, and reads their recipes as schema.org Recipe objects.

    report = mirtabel.convert("family.mxp", "family.txt")
    for entry in report.left_out:           # recipes too long to be a record
        print(entry.title, entry.reason, entry.bytes)
    for recipe in mirtabel.recipes("family.mxp"):
        print(recipe["name"])

A thin layer over the library's C API (mirtabel_convert and mirtabel_convert_stream in
mirtabel.h), through ctypes. Failures raise OSError with the errno value and the path of the file
that failed; an argument of the wrong type raises TypeError, and one the library does not take
(or a path or text holding a NUL, as open() does) ValueError, each naming the argument.
"""
# Imported under private names, so that dir(mirtabel) shows the module's own names only.
import ctypes as _ctypes
import errno as _errno
import json as _json
import os as _os
import queue as _queue
import threading as _threading
import warnings as _warnings
from dataclasses import dataclass as _dataclass, field as _field

from . import _library

__all__ = ["convert", "recipes", "Report", "LeftOut", "MxpWarning", "FORMATS", "ENCODINGS"]

#: The encodings for input without a byte-order mark.
ENCODINGS = ("utf-8", "windows-1252", "latin-1", "cp437", "cp850", "mac-roman")

(_OK, _OPTIONS, _INPUT, _OUTPUT, _LEFT_OUT_FILE, _NOT_SUPPORTED, _NO_MEMORY, _TOO_MANY,
 _SCRATCH_FILE, _NOT_TEXT) = range(10)
_REASONS = {1: "too long", 2: "cut"}


@_dataclass
class LeftOut:
    """A recipe the records format left out ("too long"), or one that JSON Lines or HTML wrote cut
    ("cut": too large to keep whole). `bytes` is its text's place in the input, after its own
    marker line: `data[entry.bytes]` for the input's bytes `data`."""
    title: str
    reason: str
    bytes: slice


class MxpWarning(UserWarning):
    """A warning about an input that converted: it does not look like MXP, its first line does
    not seem to mark its recipes (try marker="auto"), most titles came out empty, or exports were
    joined into it. The message is "INPUT TEXT", as mxpconvert prints it; `kind` names what it
    is about ("not-mxp", "marker", "empty-titles" or "joined")."""

    def __init__(self, message, kind="", text=""):
        super().__init__(message)
        self.kind = kind
        self.text = text


_WARNING_KINDS = {1: "not-mxp", 2: "marker", 3: "empty-titles", 4: "joined"}


@_dataclass
class Report:
    records: int = 0        # records (or JSON objects) written
    left_out: list = _field(default_factory=list)  # a LeftOut for each recipe left out
    cut: int = 0            # JSON objects of recipes too large to keep whole, written cut
    bytes_read: int = 0
    bytes_written: int = 0
    encoding: str = ""         # how the input was read: "utf-8", "utf-8+cp437", a name given...
    encoding_reason: str = ""  # why: "cp437: 0xF8 by a number 3 times", "cp437, as named"
    warnings: list = _field(default_factory=list)  # an MxpWarning for each warning, also issued
    too_long: int = 0       # recipes past the records' 9,500 characters (kept by json and html)
    marker: str = ""        # the marker line used (cut to 127 bytes)


class _LeftOutEntry(_ctypes.Structure):
    _fields_ = [("title", _ctypes.c_char_p), ("reason", _ctypes.c_int32),
                ("begin", _ctypes.c_uint64), ("end", _ctypes.c_uint64),
                ("first_line_end", _ctypes.c_uint64), ("records_before", _ctypes.c_int32)]


_LeftOutFunction = _ctypes.CFUNCTYPE(None, _ctypes.c_void_p, _ctypes.POINTER(_LeftOutEntry))
_ReadFunction = _ctypes.CFUNCTYPE(_ctypes.c_ssize_t, _ctypes.c_void_p,
                                  _ctypes.POINTER(_ctypes.c_ubyte), _ctypes.c_size_t)
_WriteFunction = _ctypes.CFUNCTYPE(_ctypes.c_int, _ctypes.c_void_p,
                                   _ctypes.POINTER(_ctypes.c_ubyte), _ctypes.c_size_t)
_RewindFunction = _ctypes.CFUNCTYPE(_ctypes.c_int, _ctypes.c_void_p)


class _Warning(_ctypes.Structure):
    _fields_ = [("kind", _ctypes.c_int32), ("text", _ctypes.c_char_p)]


_WarningFunction = _ctypes.CFUNCTYPE(None, _ctypes.c_void_p, _ctypes.POINTER(_Warning))


class _Options(_ctypes.Structure):
    _fields_ = [("size", _ctypes.c_size_t), ("format", _ctypes.c_int32),
                ("encoding", _ctypes.c_char_p), ("left_out_path", _ctypes.c_char_p),
                ("left_out", _LeftOutFunction), ("left_out_context", _ctypes.c_void_p),
                ("title", _ctypes.c_char_p), ("rewind", _RewindFunction),
                ("force", _ctypes.c_int32), ("marker", _ctypes.c_char_p),
                ("warning", _WarningFunction), ("warning_context", _ctypes.c_void_p)]


class _Report(_ctypes.Structure):
    _fields_ = [("size", _ctypes.c_size_t), ("records", _ctypes.c_int32),
                ("left_out", _ctypes.c_int32), ("cut", _ctypes.c_int32), ("error", _ctypes.c_int32),
                ("bytes_read", _ctypes.c_uint64), ("bytes_written", _ctypes.c_uint64),
                ("encoding", _ctypes.c_char_p), ("encoding_reason", _ctypes.c_char * 160),
                ("not_text", _ctypes.c_char_p), ("warnings", _ctypes.c_int32),
                ("too_long", _ctypes.c_int32), ("marker", _ctypes.c_char * 128)]


_lib = _library.load()
_lib.mirtabel_convert.argtypes = [_ctypes.c_char_p, _ctypes.c_char_p, _ctypes.POINTER(_Options),
                                  _ctypes.POINTER(_Report)]
_lib.mirtabel_convert.restype = _ctypes.c_int
_lib.mirtabel_convert_stream.argtypes = [_ReadFunction, _WriteFunction, _ctypes.c_void_p,
                                         _ctypes.POINTER(_Options), _ctypes.POINTER(_Report)]
_lib.mirtabel_convert_stream.restype = _ctypes.c_int
_lib.mirtabel_error_name.argtypes = [_ctypes.c_int]
_lib.mirtabel_error_name.restype = _ctypes.c_char_p
_lib.mirtabel_version.restype = _ctypes.c_char_p
_lib.mirtabel_format_name.argtypes = [_ctypes.c_int32]
_lib.mirtabel_format_name.restype = _ctypes.c_char_p


def _formats():
    formats = {}
    while (name := _lib.mirtabel_format_name(len(formats))) is not None:
        formats[name.decode()] = len(formats)
    return formats


#: The output formats, by the names mxpconvert's --format takes, as the library names them.
FORMATS = _formats()

#: The version of the library in use.
__version__ = _lib.mirtabel_version().decode()


def _text(value, name):
    """`value` as the str an argument must be: TypeError or ValueError, naming it, otherwise."""
    if not isinstance(value, str):
        raise TypeError(f"{name} must be a str, not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{name}: embedded null byte")
    return value


def _path(value, name):
    """`value` (str, bytes or os.PathLike) as the bytes of a path, checked as open() checks it:
    TypeError or ValueError, naming the argument, otherwise. A ctypes call sees bytes only."""
    try:
        path = _os.fsencode(value)
    except TypeError:
        raise TypeError(f"{name} must be a path (str, bytes or os.PathLike), "
                        f"not {type(value).__name__}") from None
    if b"\0" in path:
        raise ValueError(f"{name}: embedded null byte")
    return path


def _options(format, encoding, left_out=None, left_out_path=None, title=None, force=False,
             marker=None, warning=None):
    if _text(format, "format") not in FORMATS:
        raise ValueError(f"unknown format {format!r}: one of {', '.join(FORMATS)}")
    if title is not None:
        title = _text(title, "title").encode("utf-8", "replace")
    if encoding is not None:
        encoding = _text(encoding, "encoding").encode("utf-8", "replace")
    if not isinstance(force, bool):
        raise TypeError(f"force must be a bool, not {type(force).__name__}")
    if marker is not None:
        marker = _text(marker, "marker").encode("utf-8", "replace")
        if not marker:
            raise ValueError("marker: the marker line's text, or 'auto', not ''")
    options = _Options(size=_ctypes.sizeof(_Options), format=FORMATS[format], encoding=encoding,
                       left_out_path=left_out_path, title=title, force=force, marker=marker)
    if left_out is not None:
        options.left_out = left_out
    if warning is not None:
        options.warning = warning
    return options


def _warning_collector(heard_warnings, name):
    """The warning callback: each warning as an MxpWarning, named after the input `name`."""
    def heard(context, warning):
        w = warning.contents
        text = w.text.decode("utf-8", "replace")
        heard_warnings.append(MxpWarning(f"{name} {text}", _WARNING_KINDS.get(w.kind, ""), text))
    return _WarningFunction(heard)


def _issue(heard_warnings):
    """Issues the warnings through the warnings module, from the caller's line."""
    for warning in heard_warnings:
        _warnings.warn(warning, stacklevel=3)


def _check_encoding(options, encoding):
    """Raises ValueError for an encoding the library does not take, before any reading starts:
    the library is asked to convert an empty input with `options`, whose encoding it is."""
    if encoding is None:  # chosen from the input
        return
    nothing = _ReadFunction(lambda context, buffer, capacity: 0)
    discard = _WriteFunction(lambda context, bytes, size: 0)
    plain = _Options(size=_ctypes.sizeof(_Options), encoding=options.encoding)
    report = _Report(size=_ctypes.sizeof(_Report))
    if _lib.mirtabel_convert_stream(nothing, discard, None, plain, report) != _OK:
        raise ValueError(f"unknown encoding {encoding!r}: one of {', '.join(ENCODINGS)}")


def _left_out_collector(entries):
    def heard(context, entry):
        e = entry.contents
        entries.append(LeftOut(e.title.decode("utf-8", "replace"),
                               _REASONS.get(e.reason, "unknown"), slice(e.begin, e.end)))
    return _LeftOutFunction(heard)


def _raise(code, report, paths, format):
    """Raises what a failed call's code stands for, once the arguments have been checked;
    `paths` gives the path of each file that can fail, by the code of its failure."""
    if code == _NOT_SUPPORTED:
        raise ValueError(f"format {format!r} is not written by this version")
    if code == _NO_MEMORY:
        raise MemoryError("no memory for the structured export's stores")
    if code == _NOT_TEXT:
        shown = paths.get(_INPUT)
        shown = "the input" if shown is None else repr(_os.fsdecode(shown))
        raise ValueError(f"{shown} is {report.not_text.decode()}, not an MXP text export "
                         "(force=True converts it all the same)")
    error = report.error
    name = _lib.mirtabel_error_name(code).decode()
    if code == _SCRATCH_FILE:
        raise OSError(error, f"{_os.strerror(error)} ({name}: the copy of an input that cannot be "
                      "read twice, in the directory for temporary files)")
    raise OSError(error, f"{_os.strerror(error)} ({name})", paths.get(code, paths.get(_INPUT)))


def convert(input, output, format="records", encoding=None, left_out_file=None, title=None,
            force=False, marker=None):
    """Converts the MXP file `input` into `output` (paths), as flat records, with format="json"
    JSON Lines, or with format="html" a cookbook titled `title` (by default the input's name
    without its extension, as mxpconvert titles it). The output is replaced only once complete.
    With `left_out_file`, the text of the recipes left out, or written cut, goes to that file
    (written only when there are some); it must be neither the output nor the input, under any
    name. `encoding` names how bytes without a byte-order mark are read (one of ENCODINGS);
    without it they are UTF-8, and a byte that is not is read as Windows-1252 or as code page
    437, as the input shows: the Report says which and why. An input that looks binary (a PDF, a
    picture, an archive, NUL bytes) raises ValueError, unless `force`. `marker` is the line that
    starts each recipe instead of the input's first ("auto": the line that opens recipes as MXP
    does, matched but for spacing), as mxpconvert --marker takes it. Returns a Report; its
    warnings are also issued as MxpWarning."""
    input_path, output_path = _path(input, "input"), _path(output, "output")
    side = _path(left_out_file, "left_out_file") if left_out_file is not None else None
    if title is None and format == "html":
        title = _os.path.splitext(_os.path.basename(_os.fsdecode(input_path)))[0]
    entries, heard = [], []
    name = repr(_os.fsdecode(input_path))
    options = _options(format, encoding, _left_out_collector(entries), side, title, force, marker,
                       _warning_collector(heard, name))
    _check_encoding(options, encoding)
    report = _Report(size=_ctypes.sizeof(_Report))
    code = _lib.mirtabel_convert(input_path, output_path, options, report)
    if code == _OPTIONS:  # every other option was checked above
        raise ValueError(f"left_out_file {left_out_file!r} names the output {output!r}")
    if code != _OK:
        _raise(code, report, {_INPUT: input, _TOO_MANY: input, _OUTPUT: output,
                              _LEFT_OUT_FILE: left_out_file}, format)
    _issue(heard)
    return Report(report.records, entries, report.cut, report.bytes_read, report.bytes_written,
                  report.encoding.decode(), report.encoding_reason.decode("utf-8", "replace"),
                  heard, report.too_long, report.marker.decode("utf-8", "replace"))


class _StreamRun:
    """A JSON Lines conversion on a thread of its own, whose lines the iterator takes one by one
    through a short queue, so that the archive and its recipes are never held whole."""

    def __init__(self, read_bytes, options):
        self._read_bytes = read_bytes
        self._options = options
        self._lines = _queue.Queue(maxsize=64)
        self._partial = b""
        self._stopped = False
        self.failure = None  # an exception from reading the input
        self.code, self.report = _OK, _Report(size=_ctypes.sizeof(_Report))
        self._read = _ReadFunction(self._on_read)
        self._write = _WriteFunction(self._on_write)
        self._thread = _threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        try:
            self.code = _lib.mirtabel_convert_stream(self._read, self._write, None,
                                                     self._options, self.report)
        finally:
            if self._partial and self.code == _OK:  # a last line without its line feed
                self._put(self._partial)
            self._put(None)

    def _put(self, item):
        while not self._stopped:
            try:
                self._lines.put(item, timeout=0.1)
                return True
            except _queue.Full:
                pass
        return False

    def _on_read(self, context, buffer, capacity):
        try:
            data = self._read_bytes(capacity)
        except BaseException as e:  # an exception cannot cross the C call; raised later
            self.failure = e
            return -_errno.ECANCELED
        _ctypes.memmove(buffer, data, len(data))
        return len(data)

    def _on_write(self, context, data, size):
        lines = (self._partial + _ctypes.string_at(data, size)).split(b"\n")
        self._partial = lines.pop()
        for line in lines:
            if not self._put(line):
                return _errno.ECANCELED
        return 0

    def lines(self):
        while (line := self._lines.get()) is not None:
            yield line

    def stop(self):
        self._stopped = True
        self._thread.join()


def _reader(source):
    """A function that gives up to n bytes of `source` (bytes-like, or a path), and a closer."""
    if isinstance(source, (bytes, bytearray, memoryview)):
        view = memoryview(source).cast("B")
        position = 0

        def read(n):
            nonlocal position
            piece = view[position:position + n]
            position += len(piece)
            return piece.tobytes()
        return read, lambda: None
    if not isinstance(source, (str, _os.PathLike)):  # open() would take a number as a descriptor
        raise TypeError("source must be a path (str or os.PathLike) or the archive's bytes, "
                        f"not {type(source).__name__}")
    _path(source, "source")  # a NUL named as the argument's
    file = open(source, "rb")
    return file.read, file.close


def recipes(source, encoding=None, force=False, marker=None):
    """The recipes of an MXP archive, one schema.org Recipe object (a dict) at a time, as
    format="json" writes them. `source` is a path or the archive's bytes; `encoding`, `force` and
    `marker` are those of convert(). The archive is read as the iteration goes; no temporary file
    is written. The warnings are issued as MxpWarning once the last recipe is taken."""
    heard = []
    name = repr(_os.fsdecode(source)) if isinstance(source, (str, _os.PathLike)) else "the archive"
    options = _options("json", encoding, force=force, marker=marker,
                       warning=_warning_collector(heard, name))
    _check_encoding(options, encoding)
    read, close = _reader(source)  # a missing file fails here, before the first recipe
    path = source if not isinstance(source, (bytes, bytearray, memoryview)) else None

    def iterate():
        run = _StreamRun(read, options)
        try:
            for line in run.lines():
                yield _json.loads(line)
        finally:
            run.stop()
            close()
        if run.failure is not None:
            raise run.failure
        if run.code != _OK:
            _raise(run.code, run.report, {_INPUT: path, _TOO_MANY: path}, "json")
        _issue(heard)
    return iterate()
