"""scripts/test: builds everything and runs every test. The native unit tests, then the
Windows-side tests of the real Selvaro.exe under Wine on a virtual display, then checks that the
maintainers' tools still build and run (scripts/mutate, scripts/bench, scripts/fuzz) and that
their own logic holds, compares the English and the Persian guide, and makes and signs the
release. Installs what is missing first.

Both Windows builds are made on every host; where the host does not run 32-bit code, the 32-bit
product has its build-time checks only and the Windows-side tests run against the 64-bit build.
Every test runs even when one before it failed; the exit code is then 1."""

import os

import common
from common import ROOT, log


def tool(name, *arguments):
    return [os.path.join(ROOT, "scripts", name), *arguments]


def windows_side_tests(step):
    why_not_32bit = common.host_32bit()
    step.going_on = True
    if why_not_32bit == "yes":
        presets = ["windows", "windows64"]
    else:
        checked = step("build-time checks of the 32-bit build",
                       ["ctest", "--preset", "windows", "--label-exclude", "wine"])
        common.banner_without_32bit(why_not_32bit, "passed" if checked else "FAILED")
        presets = ["windows64"]
    common.use_wine_prefix()
    with common.virtual_display() as display:
        step("Wine prefix", common.ensure_wine_prefix, going_on=False)
        log(f"Windows-side tests on the virtual display {display}")
        for preset in presets:
            step(f"Windows-side tests of the {common.bits_of(preset)}-bit build under Wine",
                 ["ctest", "--preset", preset])


def tools_and_release(step):
    # The tools beside the tests still build and run, so that a change elsewhere cannot break
    # one unseen: the planted faults of scripts/mutate, the benchmark programs of both builds
    # with a quick run of scripts/bench, and the fuzz target on its seeds.
    step("scripts/mutate: every planted fault still applies", tool("mutate", "--check"))
    for preset in ("windows", "windows64"):
        step(f"scripts/bench: the benchmark programs of the {common.bits_of(preset)}-bit build",
             common.build_preset, preset, "--target", "bench_programs")
    step("scripts/bench --quick: every benchmark program runs", tool("bench", "--quick"))
    step("scripts/fuzz: the fuzz target, 5 s on its seeds", tool("fuzz"),
         env={**os.environ, "FUZZ_SECONDS": "5"})
    step("the tools' own logic: statistics, planted faults, the zip's layout",
         ["/usr/bin/python3", "-m", "unittest", "discover", "-s",
          os.path.join(ROOT, "tests", "tools"), "-q"])
    step("the English and the Persian guide tell the same facts",
         ["/usr/bin/python3", os.path.join(ROOT, "tests", "guides_test.py")])
    step("the release zip and its signing",
         ["/usr/bin/python3", os.path.join(ROOT, "tests", "release_test.py")])


def test_everything():
    common.use_utf8_locale()
    step = common.Steps()
    step("installing what is missing", common.ensure_packages, *common.BUILD_PACKAGES,
         *common.WINE_PACKAGES, *common.RELEASE_PACKAGES)
    step("native unit tests", common.build_and_test, "native")
    step("native unit tests with AddressSanitizer and UBSan", common.build_and_test,
         "native-sanitize")
    step("32-bit Windows build", common.build_preset, "windows")
    step("64-bit Windows build", common.build_preset, "windows64")
    windows_side_tests(step)
    tools_and_release(step)
    if step.failed:
        log("FAILED: " + " ".join(f'"{name}"' for name in step.failed))
        return 1
    log("all tests passed")
    return 0


if __name__ == "__main__":
    common.main(test_everything)
