"""scripts/picture: makes the guides' pictures: the real Selvaro.exe under Wine on a virtual
display, once it has faded in, with labels on the drive boxes and the three buttons.

  scripts/picture              docs/window-labelled.png, English labels
  scripts/picture --lang fa    docs/window-labelled-fa.png, Persian labels, right to left

The places of the labels are read from the running window: window_places (tests/win/), run under
Wine beside Selvaro.exe, finds the window and its controls as the Windows-side tests do and
prints their rectangles, so the picture follows the window when it changes. Pango lays out the
labels, so Persian comes out shaped: letters joined, read from the right. Installs what is
missing first."""

import collections
import os
import re
import shutil
import sys
import time

import common
from common import BUILD, ROOT, log

# Each language's picture, and its labels: the drive boxes', then each button's. In Persian,
# \u200c is the zero-width non-joiner, which keeps a word's parts apart without a space.
PICTURES = {
    "en": ("window-labelled.png", {
        "boxes": "Drive boxes, A to Q: tick the drives to hide",
        "Command1": "Left button: HIDE the ticked drives",
        "Command2": "Middle button: SHOW all drives",
        "Command4": "Right button: REFRESH Explorer"}),
    "fa": ("window-labelled-fa.png", {
        "boxes": "کادرهای درایو، A تا Q: درایوهایی را که باید پنهان شوند تیک بزنید",
        "Command1": "دکمهٔ چپ: درایوهای تیک\u200cخورده را پنهان می\u200cکند",
        "Command2": "دکمهٔ وسط: همهٔ درایوها را دوباره نشان می\u200cدهد",
        "Command4": "دکمهٔ راست: Explorer را تازه می\u200cکند"}),
}
BOXES_COLOUR = "#1565c0"
# The buttons from right to left, each with its colour.
BUTTONS = [("Command4", "#6a1b9a"), ("Command2", "#2e7d32"), ("Command1", "#c62828")]
# DejaVu Sans covers Persian too (its bold is drawn from the regular face there). A font package
# that covers Persian better, such as fonts-noto-core, becomes fontconfig's match for Tahoma, and
# Wine would then draw the window itself in that font: the picture would not show the window as
# the tests see it.
FONT = "DejaVu Sans Bold 15"
WORK = os.path.join(BUILD, "picture")

Rect = collections.namedtuple("Rect", "left top right bottom")
# A label's picture and where it goes: its left and top, in pixels of the window picture.
Placed = collections.namedtuple("Placed", "path x y width")


def window_places(wine, preset):
    """The window's frame and client area on the screen, and each control's rectangle in the
    client area, by name ("frame", "client", "Check1", ...), as window_places prints them."""
    probe = os.path.join(BUILD, preset, "bin", "window_places.exe")
    places = {}
    for line in common.output_of([wine, probe]).splitlines():
        name, *numbers = line.split()
        places[name] = Rect(*map(int, numbers))
    missing = {"frame", "client", "Check1", *dict(BUTTONS)} - places.keys()
    if missing:
        raise common.Failure(f"window_places did not find {', '.join(sorted(missing))}")
    return places


def photograph(wine, preset):
    """The window alone in WORK/window.png, with the mouse off the box it would light up; returns
    the controls' rectangles in pixels of that picture, frame and caption included, and the
    client area's."""
    common.run(["xdotool", "mousemove", "0", "0"])
    time.sleep(1)
    places = window_places(wine, preset)
    frame, client = places.pop("frame"), places.pop("client")
    width, height = frame.right - frame.left, frame.bottom - frame.top
    common.run(["import", "-window", "root", "-crop", f"{width}x{height}+{frame.left}+{frame.top}",
                "+repage", os.path.join(WORK, "window.png")])
    dx, dy = client.left - frame.left, client.top - frame.top
    places = {name: Rect(place.left + dx, place.top + dy, place.right + dx, place.bottom + dy)
              for name, place in places.items()}
    places["client"] = Rect(dx, dy, client.right - frame.left, client.bottom - frame.top)
    return places, width, height


def label(name, colour, text, rtl):
    """The text laid out by Pango in WORK/NAME.png: that picture's path, width and height."""
    path = os.path.join(WORK, name + ".png")
    common.run(["pango-view", "--no-display", "--pixels", f"--font={FONT}",
                f"--foreground={colour}", "--background=transparent", "--margin=0",
                *(["--rtl"] if rtl else []), f"--output={path}", f"--text={text}"])
    width, height = map(int, common.output_of(["identify", "-format", "%w %h", path]).split())
    return path, width, height


def drive_box_rows(places):
    """Each row of drive boxes, from the top: its top, bottom, leftmost left and rightmost right."""
    rows = collections.defaultdict(list)
    for name, place in places.items():
        if re.fullmatch(r"Check\d+", name):
            rows[place.top].append(place)
    return [Rect(min(box.left for box in row), top, max(box.right for box in row),
                 max(box.bottom for box in row)) for top, row in sorted(rows.items())]


def boxes_outline(rows):
    """The drive boxes' outline, which follows their rows so that it runs through no other
    control: it steps in, halfway between two rows, where a row ends sooner than the one above
    it. The points, clockwise from the top right corner."""
    betweens = [(above.bottom + below.top) // 2 for above, below in zip(rows, rows[1:])]
    right = [(rows[0].right + 1, rows[0].top - 2)]
    for above, below, middle in zip(rows, rows[1:], betweens):
        right += [(above.right + 1, middle), (below.right + 1, middle)]
    right.append((rows[-1].right + 1, rows[-1].bottom + 1))
    left = [(rows[-1].left - 2, rows[-1].bottom + 1)]
    for above, below, middle in reversed(list(zip(rows, rows[1:], betweens))):
        left += [(below.left - 2, middle), (above.left - 2, middle)]
    left.append((rows[0].left - 2, rows[0].top - 2))
    return right + left


def window_as_it_runs():
    """Builds Selvaro.exe and window_places, and photographs the window under Wine on a virtual
    display once it has faded in (see photograph)."""
    step = common.Steps()
    step("installing what is missing", common.ensure_packages, *common.BUILD_PACKAGES,
         *common.WINE_PACKAGES, *common.PICTURE_PACKAGES)
    preset, wine, _ = common.runnable_build()
    step(f"{common.bits_of(preset)}-bit Windows build", common.build_preset, preset, "--target",
         "Selvaro", "window_places")
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    common.use_wine_prefix()
    with common.virtual_display():
        step("Wine prefix", common.ensure_wine_prefix)
        exe = os.path.join(BUILD, preset, "bin", "Selvaro.exe")
        return common.while_selvaro_shows(wine, exe, lambda: photograph(wine, preset))


def make_picture(lang):
    file_name, texts = PICTURES[lang]
    picture = os.path.join(ROOT, "docs", file_name)
    rtl = lang == "fa"
    places, width, height = window_as_it_runs()
    # Where everything goes, in pixels of the window picture (negative: left of or above it). A
    # label starts at its line and runs away from it: to the right in English; in Persian, which
    # reads from the right, it ends at its line.
    client, rows = places["client"], drive_box_rows(places)
    path, label_width, label_height = label("boxes", BOXES_COLOUR, texts["boxes"], rtl)
    if rtl:
        pointer = rows[0].right - 40
        labels = [Placed(path, client.right - label_width, -24 - label_height, label_width)]
    else:
        pointer = rows[0].left + 40
        labels = [Placed(path, client.left, -24 - label_height, label_width)]
    # Each button's label a row lower than the one before, so that no line crosses a label: from
    # the right button to the left one when the labels run to the right, the other way round in
    # Persian.
    callouts = []  # (button, colour, the x of its line, its label's top)
    y = height + 28
    for name, colour in reversed(BUTTONS) if rtl else BUTTONS:
        button = places[name]
        middle = (button.left + button.right) // 2
        path, label_width, label_height = label(name, colour, texts[name], rtl)
        x = middle + 6 - label_width if rtl else middle - 6
        labels.append(Placed(path, x, y, label_width))
        callouts.append((button, colour, middle, y))
        y += label_height + 14

    # The window on a larger canvas, with room for every label; (x0, y0) is where it goes.
    x0 = max([40] + [20 - text.x for text in labels])
    right_margin = max([40] + [text.x + text.width + 20 - width for text in labels])
    y0, bottom_margin = 70, y - height + 10

    def at(x, y):
        return f"{x0 + x},{y0 + y}"

    outline = " ".join(at(x, y) for x, y in boxes_outline(rows))
    draw = ["-stroke", BOXES_COLOUR, "-strokewidth", "3", "-fill", "none", "-draw",
            f"polygon {outline}", "-strokewidth", "2",
            "-draw", f"line {at(pointer, -20)} {at(pointer, rows[0].top - 3)}"]
    for button, colour, middle, label_top in callouts:
        draw += ["-stroke", colour, "-strokewidth", "3", "-fill", "none", "-draw",
                 f"rectangle {at(button.left - 2, button.top - 2)} "
                 f"{at(button.right + 1, button.bottom + 1)}",
                 "-strokewidth", "2",
                 "-draw", f"line {at(middle, button.bottom + 3)} {at(middle, label_top - 3)}"]
    for text in labels:
        draw += ["-draw", f"image over {at(text.x, text.y)} 0,0 '{text.path}'"]
    common.run(["convert", os.path.join(WORK, "window.png"), "-background", "white",
                "-gravity", "west", "-splice", f"{x0}x0", "-gravity", "east", "-splice",
                f"{right_margin}x0", "-gravity", "north", "-splice", f"0x{y0}",
                "-gravity", "south", "-splice", f"0x{bottom_margin}", "-gravity", "northwest",
                *draw, "-strip", picture])
    print(picture)


def main(arguments):
    if arguments not in ([], ["--lang", "en"], ["--lang", "fa"]):
        log("usage: scripts/picture [--lang en|fa]")
        return 2
    common.use_utf8_locale()
    make_picture(arguments[1] if arguments else "en")
    return 0


if __name__ == "__main__":
    common.main(main, sys.argv[1:])
