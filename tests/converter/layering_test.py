#!/usr/bin/python3
"""The converter's folders include one another in one direction only.

Each folder may include itself, the folders listed for it, and nothing else
of the converter; a new include against the grain fails here, before it
becomes a cycle. Run by ctest with the source folder as argument.
"""
import re
import sys
from pathlib import Path

MAY_USE = {
    "base": set(),
    "read": {"base", "resample"},
    "file": {"base"},
    "colour": {"base"},
    "resample": {"base"},
    "write": {"base", "colour"},
    "pipeline": {"base", "read", "file", "colour", "resample", "write"},
    "component": {"base", "pipeline"},
}
INCLUDE = re.compile(r'#include "converter/(\w+)/')


def main(source: Path) -> int:
    converter = source / "src" / "converter"
    wrong = []
    folders = {p.name for p in converter.iterdir() if p.is_dir()}
    for unknown in sorted(folders - MAY_USE.keys()):
        wrong.append(f"{unknown}/: a folder the layering does not know")
    for path in sorted(converter.rglob("*")):
        if path.suffix not in (".h", ".cpp") or path.parent == converter:
            if path.suffix in (".h", ".cpp"):
                wrong.append(f"{path.relative_to(converter)}: outside the folders")
            continue
        part = path.relative_to(converter).parts[0]
        for number, line in enumerate(path.read_text().splitlines(), 1):
            match = INCLUDE.match(line)
            if match and match.group(1) != part and match.group(1) not in MAY_USE.get(part, ()):
                wrong.append(f"{path.relative_to(converter)}:{number}: {part}/ includes "
                             f"{match.group(1)}/")
    for line in wrong:
        print(line)
    print(f"{len(wrong)} includes against the layering" if wrong else "layering holds")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1])))
