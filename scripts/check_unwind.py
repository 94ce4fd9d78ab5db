#!/usr/bin/env python3
"""Fails when a linked program holds two unwind entries (FDEs) at one start address.

The unwinder's lookup table (.eh_frame_hdr) keeps one entry per start address. When an empty
entry (a cold part the compiler left empty) starts where a real function starts, the table may
keep the empty one; an exception thrown through that function then finds no frame and the
program ends in std::terminate although a caller catches it.

Usage: check_unwind.py <linked file>...   (reads `readelf --debug-dump=frames`)
"""
import collections
import re
import subprocess
import sys

FDE = re.compile(r"\bFDE\b.*\bpc=([0-9a-f]+)\.\.([0-9a-f]+)")
SECTION = re.compile(r"^Contents of the (\S+) section")
SHOWN = 20


def unwind_ranges(path):
    """(start, end) of every FDE of .eh_frame; .debug_frame does not take part in unwinding."""
    dump = subprocess.run(["readelf", "--debug-dump=no-follow-links", "--debug-dump=frames", path], check=True,
                          capture_output=True, text=True, errors="replace").stdout
    section = None
    for line in dump.splitlines():
        if line.startswith("Contents of"):
            header = SECTION.match(line)
            section = header.group(1).rstrip(":") if header else None
            continue
        if section != ".eh_frame" or "FDE" not in line:
            continue
        match = FDE.search(line)
        if match:
            yield int(match.group(1), 16), int(match.group(2), 16)


def function_names(path, addresses):
    if not addresses:
        return {}
    result = subprocess.run(["addr2line", "-f", "-C", "-e", path] + [hex(a) for a in addresses],
                            capture_output=True, text=True, errors="replace")
    lines = result.stdout.splitlines()
    return {a: lines[2 * i] if 2 * i < len(lines) else "?" for i, a in enumerate(addresses)}


def shadowed(path):
    """Start addresses with more than one FDE, each with the lengths of its entries."""
    by_start = collections.defaultdict(list)
    for start, end in unwind_ranges(path):
        by_start[start].append(end - start)
    return {start: sizes for start, sizes in by_start.items() if len(sizes) > 1}


def main(paths):
    if not paths:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    failed = False
    for path in paths:
        found = shadowed(path)
        if not found:
            continue
        failed = True
        starts = sorted(found)
        print(f"{path}: {len(starts)} code ranges share their start address with another unwind "
              "entry; exceptions thrown there may end the program", file=sys.stderr)
        names = function_names(path, starts[:SHOWN])
        for start in starts[:SHOWN]:
            sizes = ", ".join(str(size) for size in found[start])
            print(f"  {start:#x} (entries of {sizes} bytes) {names.get(start, '?')}", file=sys.stderr)
        if len(starts) > SHOWN:
            print(f"  ... and {len(starts) - SHOWN} more", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
