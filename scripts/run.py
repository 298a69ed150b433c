"""scripts/run: builds Selvaro.exe and starts it under Wine: the 32-bit product, or the 64-bit
build on a host that does not run 32-bit code. On a machine with no display it uses a virtual
one, saves a screenshot of the opened window in the build tree, prints its path and closes it."""

import os

import common
from common import BUILD, log


def build_and_start():
    common.use_utf8_locale()
    step = common.Steps()
    step("installing what is missing", common.ensure_packages, *common.BUILD_PACKAGES,
         *common.WINE_PACKAGES)
    preset, wine, why_not_32bit = common.runnable_build()
    if preset != "windows":
        log(f"this host does not run 32-bit code ({why_not_32bit}): starting the 64-bit build "
            "instead")
    step(f"{common.bits_of(preset)}-bit Windows build", common.build_preset, preset, "--target",
         "Selvaro")
    exe = os.path.join(BUILD, preset, "bin", "Selvaro.exe")
    common.use_wine_prefix()
    if common.has_display():
        step("Wine prefix", common.ensure_wine_prefix)
        log(f"starting {exe} on {os.environ['DISPLAY']}")
        os.execvp(wine, [wine, exe])
    with common.virtual_display() as display:
        step("Wine prefix", common.ensure_wine_prefix)
        log(f"starting {exe} on the virtual display {display}")
        screenshot = os.path.join(BUILD, "screenshot.png")
        common.while_selvaro_shows(wine, exe, lambda: common.run(
            ["import", "-window", "root", "-display", display, screenshot]))
    print(screenshot)


if __name__ == "__main__":
    common.main(build_and_start)
