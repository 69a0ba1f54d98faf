#!/usr/bin/env python3
"""What each part of a program costs in bytes, from a GNU ld map file.

    bench/size.py MAP [TOP]   prints the libraries and the TOP largest inputs
"""
import collections
import re
import sys

SKIPPED = (".debug", ".bss")


def contributions(map_text: str):
    """Yields (library, member, size) for every input section placed in the output."""
    lines = map_text.split("\n")
    start = next(i for i, line in enumerate(lines) if line.startswith("Linker script and memory map"))
    for i in range(start, len(lines)):
        m = re.match(r"^ (\.\w+)\S*(?:\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+))?$", lines[i])
        if not m or m.group(1).startswith(SKIPPED):
            continue
        if m.group(2) is None:  # a long section name puts address, size and input on the next line
            n = re.match(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+)$", lines[i + 1]) if i + 1 < len(lines) else None
            if not n:
                continue
            size, source = int(n.group(1), 16), n.group(2)
        else:
            size, source = int(m.group(2), 16), m.group(3)
        library = re.search(r"lib([^/()]*)\.a\(", source)
        member = source.split("(")[-1].rstrip(")").split("/")[-1]
        yield (library.group(1) if library else "program", member, size)


def main():
    top = int(sys.argv[2]) if len(sys.argv) > 2 else 25
    libraries, members = collections.Counter(), collections.Counter()
    for library, member, size in contributions(open(sys.argv[1]).read()):
        libraries[library] += size
        members[f"{library}: {member}"] += size
    print("| Part | Bytes |\n|---|---|")
    for name, size in libraries.most_common():
        print(f"| {name} | {size:,} |")
    print(f"| **total** | {sum(libraries.values()):,} |\n\n| Largest inputs | Bytes |\n|---|---|")
    for name, size in members.most_common(top):
        print(f"| {name} | {size:,} |")


if __name__ == "__main__":
    main()
