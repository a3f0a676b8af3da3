"""coswitch's Python package.

Its module is compiled by the project's own CMake build (the C++ program's
flags, without MPI), so that the numbers are the program's, bit for bit.
With COSWITCH_BUILD_DIR naming a configured build (as `make python` does)
the module of that build is taken; otherwise a build of the module alone is
made under this package's build folder.
"""
import os
import re
import shutil
import sys
import sysconfig

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(coswitch VERSION ([0-9.]+)", f.read()).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = os.environ.get("COSWITCH_BUILD_DIR") or os.path.join(self.build_temp, "cmake")
        build = os.path.abspath(build)
        if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
            self.spawn(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                        "-DCOSWITCH_TESTS=OFF", "-DCOSWITCH_PYTHON_EXECUTABLE=" + sys.executable])
        self.spawn(["cmake", "--build", build, "--target", "coswitch_python",
                    "-j", os.environ.get("COSWITCH_JOBS", "2")])
        built = os.path.join(build, "python", "coswitch",
                             "_coswitch" + sysconfig.get_config_var("EXT_SUFFIX"))
        if not os.path.exists(built):
            sys.exit(f"{built} is missing: {build} builds the module for another Python "
                     f"than {sys.executable}")
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built, target)


setup(
    name="coswitch",
    version=project_version(),
    description="Gene pairs whose hidden low/high states switch together over a time course",
    long_description=open(os.path.join(HERE, "README.md"), encoding="utf-8").read(),
    long_description_content_type="text/markdown",
    packages=["coswitch"],
    ext_modules=[Extension("coswitch._coswitch", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    python_requires=">=3.9",
    install_requires=["numpy", "pandas"],
    extras_require={"anndata": ["anndata"]},
    zip_safe=False,
)
