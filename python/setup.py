# Builds the sarvik package: the core library's sources and the binding in one
# extension module, so that nothing but a compiler, zlib and pybind11 is needed:
#   pip install ./python     (see the README for Debian 12)
import glob
import os
import platform

from concurrent.futures import ThreadPoolExecutor

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)


def pybind11_include():
    try:
        import pybind11

        return [pybind11.get_include()]
    except ImportError:  # Debian's pybind11-dev alone
        return ["/usr/include"]


core_dirs = [os.path.join(root, "core", part) for part in ("common", "input", "search", "output", "run")]
core = [p for d in core_dirs for p in glob.glob(os.path.join(d, "*.cpp"))
        if not p.endswith("console_frontend.cpp")]

extension = Extension(
    "sarvik._sarvik",
    sources=["src/_sarvik.cpp"] + sorted(core),
    include_dirs=[os.path.join(root, "include")] + core_dirs + pybind11_include(),
    libraries=["z"],
    # TLS descriptors: the parameters are per thread, and a module loaded by
    # dlopen cannot rely on static TLS.
    define_macros=[("SARVIK_DYNAMIC_TLS", "1")],
    language="c++",
    # The same floating-point rules as the programs, so thresholds round alike.
    extra_compile_args=["-std=c++17", "-O3", "-ffp-contract=off", "-fno-fast-math", "-fvisibility=hidden", "-pthread"]
    + (["-mtls-dialect=gnu2"] if platform.machine() in ("x86_64", "AMD64") else []),
    extra_link_args=["-pthread"],
)

class parallel_build_ext(build_ext):
    """Compiles the sources side by side (setuptools compiles one at a time)."""

    def build_extensions(self):
        compile_one = self.compiler.compile
        jobs = int(os.environ.get("SARVIK_BUILD_JOBS", os.cpu_count() or 1))

        def compile_all(sources, output_dir=None, *args, **kwargs):
            # The folders first: threads creating them at once would race.
            for obj in self.compiler.object_filenames(sources, output_dir=output_dir):
                os.makedirs(os.path.dirname(obj) or ".", exist_ok=True)
            kwargs["output_dir"] = output_dir
            with ThreadPoolExecutor(max(1, jobs)) as pool:
                return [o for objs in pool.map(lambda s: compile_one([s], *args, **kwargs), sources) for o in objs]

        self.compiler.compile = compile_all
        super().build_extensions()


setup(
    name="sarvik",
    cmdclass={"build_ext": parallel_build_ext},
    version="3.3.10",
    description="Tandem repeats (microsatellites and satellites) in DNA sequences",
    packages=["sarvik"],
    ext_modules=[extension],
    python_requires=">=3.7",
    extras_require={"pandas": ["pandas"]},
)
