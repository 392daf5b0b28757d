# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the compiled part of tidmar with CMake (the target _tidmar, without
the desktop program or the tests) for the interpreter running this script,
and packages it with the pure-Python part of python/tidmar."""

import os
import re
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(TidmarIII VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, extension):
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DTIDMAR_BUILD_GUI=OFF", "-DTIDMAR_BUILD_TESTS=OFF",
                        f"-DPython3_EXECUTABLE={sys.executable}"], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_tidmar", "--parallel",
                        os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))], check=True)
        built = next((build / "python" / "tidmar").glob("_tidmar*.so"))
        target = Path(self.get_ext_fullpath(extension.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


setup(
    version=version(),
    packages=["tidmar"],
    package_dir={"tidmar": "python/tidmar"},
    ext_modules=[Extension("tidmar._tidmar", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-pip"}, "egg_info": {"egg_base": "build-pip"}},
)
