#!/usr/bin/env python3
"""Fails when a program source includes a folder its layer may not reach.

Folders are layers and every include points down; the table below is the
README's Layout section in the form this check reads.
"""
import pathlib
import re
import sys

MAY_INCLUDE = {
    "platform": set(),
    "records": {"platform"},
    "checks": {"records", "platform"},
    "backup": {"records", "platform"},
    "scan": {"checks", "records", "platform"},
    "ui": {"scan", "backup", "records", "platform"},
    "app": {"ui", "scan", "backup", "checks", "records", "platform"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]+"', re.M)


def faults(root):
    for layer, allowed in MAY_INCLUDE.items():
        for source in sorted((root / layer).glob("*")):
            if source.suffix not in (".h", ".cpp"):
                continue
            text = source.read_text(encoding="utf-8", errors="replace")
            for match in INCLUDE.finditer(text):
                folder = match.group(1)
                if folder != layer and folder not in allowed:
                    line = text.count("\n", 0, match.start()) + 1
                    yield f"{source.relative_to(root)}:{line}: {layer}/ includes {folder}/"
    # A folder of sources that the table does not know has no place yet.
    for folder in sorted(p for p in root.iterdir() if p.is_dir()):
        if folder.name not in MAY_INCLUDE and any(folder.glob("*.cpp")) and folder.name not in (
                "tests", "bench"):
            yield f"{folder.name}/: program sources in a folder that is not a layer"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    found = list(faults(root))
    for fault in found:
        print(fault)
    print(f"layers: {len(found)} include(s) pointing up or sideways")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
