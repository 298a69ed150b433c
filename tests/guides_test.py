#!/usr/bin/env python3
"""The English and the Persian guide tell the same facts.

    tests/guides_test.py [ENGLISH PERSIAN]     (docs/guide.md and docs/guide.fa.md by default)

Both must have the same headings, level by level, and in each section the same commands (the
fenced code blocks, in order), registry paths, run-time error numbers and drive values of the
mask table; both quote the three button captions exactly as the window shows them. Prose may
differ. Every difference is printed with its section; the exit code is 1 when there is one.
"""

import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

REGISTRY_PATH = re.compile(r"\b(?:HKEY_[A-Z_]+|HKCU|HKLM)(?:\\[A-Za-z0-9_]+)*"
                           r"|(?<![\\\w])Software(?:\\[A-Za-z0-9_]+)+")
ERROR_NUMBER = re.compile(r"error '(\d+)'")
MASK_CELL = re.compile(r"[A-Z]|\d+")


def sections(markdown):
    """(heading level, heading, text) for each section; the text before the first heading is
    left out."""
    found = []
    in_code = False
    for line in markdown.splitlines():
        if line.startswith("```"):
            in_code = not in_code
        heading = None if in_code else re.match(r"(#+) (.*)", line)
        if heading:
            found.append((len(heading.group(1)), heading.group(2), []))
        elif found:
            found[-1][2].append(line)
    return [(level, title, "\n".join(lines)) for level, title, lines in found]


def facts(text):
    """What must agree in a section, by kind."""
    commands = re.findall(r"^```[^\n]*\n(.*?)^```", text, re.M | re.S)
    mask = [tuple(cell for cell in (c.strip() for c in line.strip().strip("|").split("|"))
                  if MASK_CELL.fullmatch(cell))
            for line in text.splitlines() if line.startswith("|")]
    return {
        "commands": [command.strip() for command in commands],
        "registry paths": sorted(set(REGISTRY_PATH.findall(text))),
        "error numbers": sorted(set(ERROR_NUMBER.findall(text)), key=int),
        "mask values": [row for row in mask if row],
    }


def button_captions():
    """The three captions from the control table, in code page 1256 there."""
    with open(os.path.join(ROOT, "app", "controls.cpp"), encoding="ascii") as file:
        table = file.read()
    # Laid out on one line or over several, as clang-format may break an entry.
    captions = re.findall(r'Command\(\s*"Command[124]",\s*\d+,\s*\d+,\s*'
                          r'"((?:\\x[0-9A-F]{2}|[ ])+)"', table)
    assert len(captions) == 3, "the three button captions are not in app/controls.cpp"
    return [bytes(int(h, 16) if h else 32 for h in re.findall(r"\\x([0-9A-F]{2})|[ ]", caption))
            .decode("cp1256") for caption in captions]


def differences(english, persian, names):
    ours, theirs = sections(english), sections(persian)
    found = []
    levels = [level for level, _, _ in ours], [level for level, _, _ in theirs]
    if levels[0] != levels[1]:
        found.append(f"headings: {names[0]} has {len(ours)} sections, levels {levels[0]}; "
                     f"{names[1]} has {len(theirs)}, levels {levels[1]}")
    for number, ((_, title, text), (_, their_title, their_text)) in enumerate(zip(ours, theirs),
                                                                               1):
        mine, other = facts(text), facts(their_text)
        for kind in mine:
            if mine[kind] != other[kind]:
                only = [f for f in mine[kind] if f not in other[kind]]
                their_only = [f for f in other[kind] if f not in mine[kind]]
                found.append(f'section {number} ("{title}" / "{their_title}"), {kind}: '
                             f"only in {names[0]}: {only or '-'}; only in {names[1]}: "
                             f"{their_only or '-'}" + ("" if only or their_only else
                                                       f"; in another order: {mine[kind]}"))
    for caption in button_captions():
        for guide, name in ((english, names[0]), (persian, names[1])):
            if caption not in guide:
                found.append(f'{name} does not quote the button caption "{caption}" exactly')
    return found


def main():
    paths = sys.argv[1:] or [os.path.join(ROOT, "docs", "guide.md"),
                             os.path.join(ROOT, "docs", "guide.fa.md")]
    if len(paths) != 2:
        sys.exit(__doc__)
    texts = []
    for path in paths:
        with open(path, encoding="utf-8") as file:
            texts.append(file.read())
    found = differences(*texts, [os.path.basename(path) for path in paths])
    for difference in found:
        print("FAILED:", difference)
    count = len(sections(texts[0]))
    print(f"the guides: {count} sections compared, "
          + (f"{len(found)} differences" if found else "the same facts in both"))
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
