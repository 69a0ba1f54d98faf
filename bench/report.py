"""The benchmarks' reports: figures formatted for the tables, the machine the run
was made on, and each result written twice, as Markdown to read and as JSON
for tools, beside each other in bench/."""

import json
import os
import platform
import statistics
import subprocess
import time
from pathlib import Path

from harness import MB



def median(samples: list[dict], key: str = "ms") -> float:
    return statistics.median(s[key] for s in samples)


def sh(*args) -> str:
    try:
        return subprocess.run(args, capture_output=True, text=True).stdout.strip()
    except OSError:
        return "not installed"


def machine() -> list[str]:
    cpu = next((l.split(":", 1)[1].strip() for l in Path("/proc/cpuinfo").read_text().splitlines()
                if l.startswith("model name")), platform.processor())
    ram = int(Path("/proc/meminfo").read_text().split()[1]) / 1024 / 1024
    return [f"- Date: {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}",
            f"- CPU: {cpu}, {os.cpu_count()} cores; RAM {ram:.1f} GiB; {platform.system()} {platform.release()}",
            f"- Wine: {sh('/usr/lib/wine/wine64', '--version')}; NSIS makensis {sh('makensis', '-VERSION')}",
            f"- Compilers: {sh('x86_64-w64-mingw32-g++-posix', '--version').splitlines()[0]}; "
            f"{sh('g++', '--version').splitlines()[0]}",
            f"- Load (uptime) at start: {LOAD_AT_START}; at end: {sh('uptime').split('load average:')[-1].strip()}"]


LOAD_AT_START = sh("uptime").split("load average:")[-1].strip()


def kb(n: float) -> str:
    return f"{n / 1024:,.0f} KB"


def mb(n: float) -> str:
    return f"{n / MB:,.1f} MB"


def ms(n: float) -> str:
    return f"{n:,.0f} ms" if n >= 100 else f"{n:,.1f} ms"


def verdict(ok: bool) -> str:
    return "yes" if ok else "**no**"


def samples_text(name: str, samples: list[dict], key: str = "ms") -> str:
    return f"- {name}: " + ", ".join(f"{s[key]:.1f}" for s in samples)


def write_results(path: Path, title: str, intro: list[str], table: list[list[str]], details: list[str],
                  samples: dict):
    """PATH (.md) with the table and the details; beside it PATH with .json: the
    same table and every sample's raw figures."""
    header = ["| " + " | ".join(table[0]) + " |", "|" + "---|" * len(table[0])]
    rows = ["| " + " | ".join(row) + " |" for row in table[1:]]
    about = machine()
    text = "\n".join([f"# {title}", "", *intro, "", *about, "", *header, *rows, "", *details]) + "\n"
    path.write_text(text)
    record = {"title": title, "machine": [line.removeprefix("- ") for line in about],
              "table": [dict(zip(table[0], row)) for row in table[1:]], "samples": samples}
    path.with_suffix(".json").write_text(json.dumps(record, indent=1, ensure_ascii=False) + "\n")
    print(text)
