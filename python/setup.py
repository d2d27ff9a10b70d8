"""Builds the library the package loads and puts it beside the module, with _location.py naming
it: from this clone's sources with CMake, or, where MIRTABEL_LIBRARY_FILE names one, a library
built or installed already. The rest of the package's description is in pyproject.toml."""
import os
import re
import shutil
import subprocess
import sys

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)  # the clone's root, with CMakeLists.txt


def library_name():
    if sys.platform == "win32":
        return "Mirtabel.dll"
    if sys.platform == "darwin":
        return "libmirtabel.1.dylib"
    return "libmirtabel.so.1"


def version():
    """The library's version, defined once in its public header."""
    with open(os.path.join(SOURCE, "exports", "mirtabel.h"), encoding="utf-8") as header:
        text = header.read()
    parts = [re.search(rf"#define MIRTABEL_VERSION_{part} (\d+)", text).group(1)
             for part in ("MAJOR", "MINOR", "PATCH")]
    return ".".join(parts)


def built_library(build_temp):
    """The path of a library to ship: the one named, else one built here in Release."""
    named = os.environ.get("MIRTABEL_LIBRARY_FILE")
    if named:
        return named
    build = os.path.join(os.path.abspath(build_temp), "cmake")
    configure = ["cmake", "-S", SOURCE, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                 "-DMIRTABEL_BUILD_TESTS=OFF", "-DMIRTABEL_BUILD_HOST=OFF",
                 "-DMIRTABEL_INSTALL=OFF"]
    subprocess.run(configure, check=True)
    subprocess.run(["cmake", "--build", build, "--config", "Release", "--target", "mirtabel",
                    "--parallel"], check=True)
    for folder in (build, os.path.join(build, "Release")):
        candidate = os.path.join(folder, library_name())
        if os.path.exists(candidate):
            return candidate
    raise RuntimeError(f"the build made no {library_name()} in {build}")


class BuildWithLibrary(build_py):
    def run(self):
        super().run()
        package = os.path.join(self.build_lib, "mirtabel")
        build_temp = self.get_finalized_command("build").build_temp
        shutil.copyfile(built_library(build_temp), os.path.join(package, library_name()))
        with open(os.path.join(package, "_location.py"), "w", encoding="utf-8") as location:
            location.write("# Written by the package's build: the library beside this file.\n"
                           f"LIBRARY = {library_name()!r}\n")


class LibraryDistribution(Distribution):
    """The wheel holds a native library: it is tagged for this platform, not for any."""

    def has_ext_modules(self):
        return True


setup(version=version(), cmdclass={"build_py": BuildWithLibrary}, distclass=LibraryDistribution)
