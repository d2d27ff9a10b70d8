"""Finds and loads the Mirtabel library: the file MIRTABEL_LIBRARY names, else the one installed
with this package (the install writes its place into _location.py), else the library by name
wherever the system's loader looks."""
import ctypes
import os


def _candidates():
    named = os.environ.get("MIRTABEL_LIBRARY")
    if named:
        yield named
        return
    try:
        from ._location import LIBRARY
    except ImportError:  # not installed: run from the source tree
        pass
    else:
        yield os.path.join(os.path.dirname(os.path.abspath(__file__)), LIBRARY)
    yield "Mirtabel.dll" if os.name == "nt" else "libmirtabel.so.1"


def load():
    error = None
    for path in _candidates():
        if os.path.isabs(path) and not os.path.exists(path):
            continue
        try:
            return ctypes.CDLL(path)
        except OSError as e:
            error = e
    raise ImportError(f"cannot load the Mirtabel library: {error}")
