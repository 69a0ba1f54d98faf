#!/usr/bin/env python3
"""Side-by-side benchmark of our installer and NSIS installers under Wine.

Called by bench/run.sh (mode "main") and bench/scale.sh (mode "scale"), which
build the programs first. Everything it makes lives under BUILD/bench: the
payloads (fixed seeds, the same bytes on every run), the installers, a private
booted Wine prefix and an Xvfb display; one wineserver is kept running for the
whole run so that no figure carries its start-up.

Our installer is timed through the wizard driver (wizdriver.exe): from the click
on Next of the folders page to the finished page, from the click on Next of the
selection page to the removed page, and from process start to its first visible
window. Peak memory is the VmHWM of the installer's process, read from /proc
before the install and, sampled every 5 ms, until the process ended.
"""

import argparse
import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path

MB = 1024 * 1024
TEXT_SEED = 20260101
DATA_SEED = 20261208


# ---- environment --------------------------------------------------------------------------------

@dataclass
class Env:
    root: Path           # source tree
    build: Path          # build tree (BUILD_DIR)
    work: Path           # BUILD/bench
    runs: int
    wine_root: Path = field(init=False)
    wine64: str = "/usr/lib/wine/wine64"
    wineserver: str = "/usr/lib/wine/wineserver"

    def __post_init__(self):
        self.wine_root = self.work / "wine"
        if not os.access(self.wineserver, os.X_OK):
            self.wineserver = "/usr/lib/wine/wineserver64"

    @property
    def prefix(self) -> Path:
        return self.wine_root / "prefix"

    @property
    def drive_c(self) -> Path:
        return self.prefix / "drive_c"

    def win_exe(self, name: str) -> Path:
        return self.build / "win" / name

    @property
    def velkpack(self) -> Path:
        return self.work / "native" / "packer" / "velkpack"

    @property
    def stub(self) -> Path:
        return self.win_exe("setup/setup.exe")

    def environ(self) -> dict:
        env = dict(os.environ)
        env.update(WINEPREFIX=str(self.prefix), HOME=str(self.wine_root / "home"), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="winemenubuilder.exe=d", WINEARCH="win64", LC_ALL="C.UTF-8")
        return env


def wine_path(path: Path) -> str:
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def c_path(unix: Path, env: Env) -> str:
    """The C: drive path of a file inside the prefix's drive_c."""
    return "C:\\" + str(Path(unix).relative_to(env.drive_c)).replace("/", "\\")


def log(*words):
    print(*words, file=sys.stderr, flush=True)


class Wine:
    """The run's Wine: prefix, Xvfb display and one persistent wineserver."""

    def __init__(self, env: Env):
        self.env = env
        self.environ = env.environ()
        self.xvfb_pid = None

    def __enter__(self):
        env = self.env
        log(f"booting a Wine prefix in {env.prefix} ...")
        subprocess.run([env.root / "scripts/wine-prefix.sh"], env={**os.environ, "WINE_ROOT": str(env.wine_root)},
                       check=True, stdout=subprocess.DEVNULL)
        display, pid = subprocess.run([env.root / "scripts/xvfb.sh", "start"], check=True, capture_output=True,
                                      text=True).stdout.split()
        self.xvfb_pid = pid
        self.environ["DISPLAY"] = display
        subprocess.run([env.wineserver, "-p"], env=self.environ, check=True)
        # The first process starts the prefix's background programs, which inherit
        # its output: start them with none, so that captured output ends.
        self.run_quiet([env.wine64, env.win_exe("tests/e2e/driver/wizdriver.exe"), "wait-gone", "0"])
        return self

    def __exit__(self, *exc):
        subprocess.run([self.env.wineserver, "-k"], env=self.environ)
        subprocess.run([self.env.wineserver, "-w"], env=self.environ)
        if self.xvfb_pid:
            subprocess.run([self.env.root / "scripts/xvfb.sh", "stop", self.xvfb_pid])

    def run_quiet(self, args):
        subprocess.run([str(a) for a in args], env=self.environ, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def output(self, args, timeout=1200) -> str:
        done = subprocess.run([str(a) for a in args], env=self.environ, capture_output=True, text=True,
                              timeout=timeout)
        if done.returncode != 0:
            raise RuntimeError(f"{' '.join(map(str, args))} failed: {done.stderr.strip() or done.stdout.strip()}")
        return done.stdout.strip()

    def drv(self, *args, timeout=1200) -> str:
        return self.output([self.env.wine64, self.env.win_exe("tests/e2e/driver/wizdriver.exe"), *args],
                           timeout=timeout)

    def start(self, args) -> subprocess.Popen:
        return subprocess.Popen([self.env.wine64, *map(str, args)], env=self.environ, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)


def wait_process(process: subprocess.Popen, timeout: float = 120):
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        raise RuntimeError(f"process {process.args} did not end")


def memory_status(pid: int) -> dict:
    """The kB figures of /proc/PID/status (VmHWM, RssAnon, RssFile, ...) in bytes."""
    figures = {}
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        name, _, value = line.partition(":")
        if value.strip().endswith(" kB"):
            figures[name] = int(value.split()[0]) * 1024
    return figures


def peak_rss(pid: int) -> int:
    return memory_status(pid).get("VmHWM", 0)


class MemorySampler(threading.Thread):
    """The peak resident set (VmHWM) of a process and its largest anonymous and
    file-backed parts, sampled every 5 ms while the block runs. (wait4's ru_maxrss
    would also count the pages of this script that the child had before exec.)"""

    def __init__(self, pid: int):
        super().__init__(daemon=True)
        self.pid, self.rss, self.anon, self.file = pid, 0, 0, 0
        self.done = threading.Event()

    def run(self):
        while not self.done.is_set():
            try:
                figures = memory_status(self.pid)
            except OSError:  # the process ended
                return
            self.rss = max(self.rss, figures.get("VmHWM", 0))
            self.anon = max(self.anon, figures.get("RssAnon", 0))
            self.file = max(self.file, figures.get("RssFile", 0))
            time.sleep(0.005)

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.done.set()
        self.join()


def timed_process(wine: Wine, args) -> dict:
    """Runs a program to its end: wall milliseconds from start to exit, peak RSS
    and the sampled peaks of anonymous and file-backed memory."""
    start = time.monotonic()
    process = wine.start(args)
    with MemorySampler(process.pid) as sampled:
        wait_process(process, timeout=1200)
    elapsed = (time.monotonic() - start) * 1000
    if process.returncode != 0:
        raise RuntimeError(f"{args} exited with {process.returncode}")
    return {"ms": elapsed, "rss": sampled.rss, "anon": sampled.anon, "file": sampled.file}


# ---- payloads -----------------------------------------------------------------------------------

class Payload:
    """A product of files in WORK/NAME/data with our setup script and NSIS scripts."""

    def __init__(self, env: Env, name: str, title: str, sizes: list[int], kinds: list[str]):
        self.env, self.name, self.title = env, name, title
        self.dir = env.work / name
        self.data = self.dir / "data"
        self.files = [f"file{n:05}.{'bin' if kind == 'bin' else ('txt' if kind == 'txt' else 'dat')}"
                      for n, kind in enumerate(kinds, 1)]
        self.sizes, self.kinds = sizes, kinds
        self.total = sum(sizes)

    # A text corpus of words and lines (deflates to about a third), larger than
    # the deflate window so that slices of it do not repeat each other.
    @staticmethod
    def corpus(size: int) -> bytes:
        rng = random.Random(TEXT_SEED)
        words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 11)))
                 for _ in range(5000)]
        lines, length = [], 0
        while length < size:
            line = " ".join(rng.choices(words, k=rng.randint(4, 14))) + ".\r\n"
            lines.append(line)
            length += len(line)
        return "".join(lines).encode()[:size]

    def generate(self):
        stamp = self.dir / "generated"
        wanted = f"{self.sizes} {self.kinds} {TEXT_SEED} {DATA_SEED}"
        if stamp.exists() and stamp.read_text() == wanted:
            return
        log(f"generating payload {self.name}: {len(self.files)} files, {self.total / MB:.0f} MB ...")
        shutil.rmtree(self.dir, ignore_errors=True)
        self.data.mkdir(parents=True)
        text = self.corpus(16 * MB)
        rng = random.Random(DATA_SEED)

        def text_bytes(size):
            out = bytearray()
            while len(out) < size:
                start = rng.randrange(len(text))
                out += text[start:start + size - len(out)]
            return bytes(out)

        for name, size, kind in zip(self.files, self.sizes, self.kinds):
            with open(self.data / name, "wb") as out:
                if kind == "bin":
                    out.write(rng.randbytes(size))
                elif kind == "txt":
                    out.write(text_bytes(size))
                else:  # mixed: 1 MB blocks, random and text in turn
                    for offset in range(0, size, MB):
                        block = min(MB, size - offset)
                        out.write(rng.randbytes(block) if (offset // MB) % 2 == 0 else text_bytes(block))
        self.write_scripts()
        stamp.write_text(wanted)

    def write_scripts(self):
        script = ["[SetupInfo]", "<CompanyName>=Bench Company", f"<ProductName>=Bench {self.name}",
                  "<ProductVersion>=1.0.0.0", "<SetupLocation>=<ProgramFilesDir>",
                  f"<SetupPath>=<SetupLocation>\\Bench {self.name}", "<SetupLangID>=0", "<SetupUseLang>=False",
                  "[SetupFileGroups]", "FileGroupName1=<AppFiles>", "FileGroupPath1=<SetupPath>",
                  "[SetupFileValues]"]
        for n, name in enumerate(self.files, 1):
            script += [f"FileLocation{n}=data\\{name}", f"FileDispName{n}={name}",
                       f"FileSetupPath{n}=<AppFiles>\\{name}", f"FileDoSetup{n}=True", f"FileDoRegister{n}=False"]
        script += ["[SetupRegValues]", "RegValueLocation1=<HKEY_LOCAL_MACHINE>\\Software\\<CompanyName>\\<ProductName>",
                   "RegValueName1=Version", "RegValueType1=<String>", "RegValueValue1=1.0.0.0",
                   "RegCheckVersion1=True"]
        (self.dir / "setup.ini").write_bytes(("\r\n".join(script) + "\r\n").encode("cp1252"))
        for solid in (False, True):
            self.write_nsis(solid)
        self.write_nsis(solid=False, empty=True)

    def nsis_name(self, solid: bool, empty: bool = False) -> str:
        return "nsis-empty" if empty else ("nsis-solid" if solid else "nsis-nonsolid")

    def write_nsis(self, solid: bool, empty: bool = False):
        name = self.nsis_name(solid, empty)
        key = f"Software\\Bench Company\\Bench NSIS {self.name}"
        lines = ["Unicode true", "Target amd64-unicode", f'Name "Bench NSIS {self.name}"', f'OutFile "{name}.exe"',
                 f"SetCompressor {'/SOLID ' if solid else ''}zlib", f'InstallDir "$PROGRAMFILES64\\Bench NSIS"',
                 "RequestExecutionLevel admin", "Page directory", "Page instfiles", "UninstPage instfiles",
                 "Section", "SetOutPath $INSTDIR"]
        files = [] if empty else self.files
        lines += [f'File "data\\{f}"' for f in files]
        lines += [f'WriteRegStr HKLM "{key}" "Version" "1.0.0.0"', 'WriteUninstaller "$INSTDIR\\uninst.exe"',
                  "SectionEnd", 'Section "Uninstall"']
        lines += [f'Delete "$INSTDIR\\{f}"' for f in files]
        lines += ['Delete "$INSTDIR\\uninst.exe"', 'RMDir "$INSTDIR"', f'DeleteRegKey HKLM "{key}"', "SectionEnd"]
        (self.dir / f"{name}.nsi").write_text("\n".join(lines) + "\n")

    @property
    def ours(self) -> Path:
        return self.dir / "velk-setup.exe"

    def nsis(self, solid: bool, empty: bool = False) -> Path:
        return self.dir / f"{self.nsis_name(solid, empty)}.exe"

    def pack_ours(self) -> float:
        start = time.monotonic()
        subprocess.run([self.env.velkpack, "pack", self.dir / "setup.ini", "--stub", self.env.stub, "-o", self.ours],
                       check=True, stdout=subprocess.DEVNULL)
        return (time.monotonic() - start) * 1000

    def pack_nsis(self, solid: bool, empty: bool = False) -> float:
        start = time.monotonic()
        subprocess.run(["makensis", "-V1", f"{self.nsis_name(solid, empty)}.nsi"], cwd=self.dir, check=True,
                       stdout=subprocess.DEVNULL)
        return (time.monotonic() - start) * 1000


def main_payloads(env: Env) -> tuple[Payload, Payload]:
    files = 200
    size = 30 * MB // files
    many = Payload(env, "files200", "200 files / 30 MB", [size] * files,
                   ["bin" if n % 2 else "txt" for n in range(1, files + 1)])
    big = Payload(env, "file300", "one 300 MB file", [300 * MB], ["mixed"])
    return many, big


def scale_payloads(env: Env) -> tuple[Payload, Payload]:
    rng = random.Random(DATA_SEED + 1)
    sizes = [rng.randint(512, 8192) for _ in range(10000)]
    many = Payload(env, "files10000", f"10,000 small files / {sum(sizes) / MB:.0f} MB", sizes,
                   ["bin" if n % 2 else "txt" for n in range(1, len(sizes) + 1)])
    big = Payload(env, "file500", "one 500 MB file", [500 * MB], ["mixed"])
    return many, big


# ---- runs of the installers ---------------------------------------------------------------------

def install_folder(env: Env, payload: Payload, ours: bool) -> Path:
    # NSIS takes /D= and _?= only unquoted, so its folder has no space in its path.
    return env.drive_c / "Program Files" / f"Bench {payload.name}" if ours else env.drive_c / "BenchNSIS"


def check_installed(env: Env, payload: Payload, folder: Path, verify: bool):
    missing = [f for f in payload.files if not (folder / f).is_file()]
    if missing:
        raise RuntimeError(f"install into {folder} is missing {len(missing)} files, e.g. {missing[0]}")
    if verify:
        for f in payload.files:
            if subprocess.run(["cmp", "-s", payload.data / f, folder / f]).returncode != 0:
                raise RuntimeError(f"{folder / f} differs from the payload")


def check_removed(payload: Payload, folder: Path):
    left = [f for f in payload.files if (folder / f).exists()]
    if left:
        raise RuntimeError(f"removal left {len(left)} files in {folder}")


def walk_to(wine: Wine, page: str):
    """Clicks Next (accepting a licence on the way) until PAGE is shown."""
    for _ in range(10):
        shown = wine.drv("page")
        if shown == page:
            return
        if shown == "License":
            wine.drv("click", "rbLicOK")
        wine.drv("click", "bbtnNext")
    raise RuntimeError(f"page {page} not reached; shown: {wine.drv('page')}")


def ours_timed(wine: Wine, payload: Payload, start_page: str, end_page: str, choice: str = "") -> dict:
    """Starts our installer, walks to START_PAGE (clicking CHOICE there) and times Next up to END_PAGE."""
    process = wine.start([payload.ours])
    try:
        wine.drv("wait-window", "60")
        walk_to(wine, start_page)
        if choice:
            wine.drv("click", choice)
        idle = peak_rss(process.pid)
        with MemorySampler(process.pid) as sampled:
            ms = float(wine.drv("time-click", "bbtnNext", end_page, "1200"))
        rss = peak_rss(process.pid)
        wine.drv("click", "bbtnCancel")
        wait_process(process)
    except BaseException:
        process.kill()
        wait_process(process)
        raise
    return {"ms": ms, "rss": rss, "idle": idle, "anon": sampled.anon, "file": sampled.file}


def ours_install(wine: Wine, payload: Payload, verify: bool) -> dict:
    result = ours_timed(wine, payload, "Folders", "Installed")
    check_installed(wine.env, payload, install_folder(wine.env, payload, True), verify)
    return result


def ours_remove(wine: Wine, payload: Payload) -> dict:
    result = ours_timed(wine, payload, "Selection", "Removed", choice="rbRemove")
    check_removed(payload, install_folder(wine.env, payload, True))
    return result


def nsis_install(wine: Wine, payload: Payload, solid: bool, verify: bool, empty: bool = False) -> dict:
    folder = install_folder(wine.env, payload, False)
    run = timed_process(wine, [payload.nsis(solid, empty), "/S", f"/D={c_path(folder, wine.env)}"])
    if not empty:
        check_installed(wine.env, payload, folder, verify)
    return run


def nsis_remove(wine: Wine, payload: Payload) -> dict:
    folder = install_folder(wine.env, payload, False)
    # _?= runs the uninstaller in place and to its end (otherwise it copies itself
    # to the temporary folder, starts that copy and returns at once).
    run = timed_process(wine, [folder / "uninst.exe", "/S", f"_?={c_path(folder, wine.env)}"])
    check_removed(payload, folder)
    shutil.rmtree(folder, ignore_errors=True)  # the in-place uninstaller cannot delete itself
    return run


def raw_copy(wine: Wine, payload: Payload) -> float:
    target = wine.env.drive_c / "benchcopy"
    shutil.rmtree(target, ignore_errors=True)
    out = wine.output([wine.env.wine64, wine.env.win_exe("bench/benchcopy.exe"), wine_path(payload.data),
                       c_path(target, wine.env)])
    shutil.rmtree(target, ignore_errors=True)
    return float(out.split()[0])


def inflate(wine: Wine, payload: Payload) -> float:
    out = wine.output([wine.env.wine64, wine.env.win_exe("bench/benchinflate.exe"), wine_path(payload.ours)])
    return float(out.split()[0])


def median(samples: list[dict], key: str = "ms") -> float:
    return statistics.median(s[key] for s in samples)


# ---- reporting ----------------------------------------------------------------------------------

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


def write_results(path: Path, title: str, intro: list[str], table: list[list[str]], details: list[str]):
    header = ["| " + " | ".join(table[0]) + " |", "|" + "---|" * len(table[0])]
    rows = ["| " + " | ".join(row) + " |" for row in table[1:]]
    text = "\n".join([f"# {title}", "", *intro, "", *machine(), "", *header, *rows, "", *details]) + "\n"
    path.write_text(text)
    print(text)


# ---- the runs -----------------------------------------------------------------------------------

def run_main(env: Env):
    many, big = main_payloads(env)
    for p in (many, big):
        p.generate()
    log("packing ...")
    pack = {"ours": [], "nsis": [], "solid": []}
    for _ in range(env.runs):
        pack["ours"].append({"ms": many.pack_ours()})
        pack["nsis"].append({"ms": many.pack_nsis(False)})
        pack["solid"].append({"ms": many.pack_nsis(True)})
    many.pack_nsis(False, empty=True)
    big.pack_ours()
    big.pack_nsis(False)
    big.pack_nsis(True)

    stripped = env.work / "setup-stripped.exe"
    subprocess.run(["x86_64-w64-mingw32-strip", "-o", stripped, env.stub], check=True)
    nsis_stub = Path("/usr/share/nsis/Stubs/zlib-amd64-unicode")
    nsis_solid_stub = Path("/usr/share/nsis/Stubs/zlib_solid-amd64-unicode")

    results = {}
    with Wine(env) as wine:
        for p in (many, big):
            r = results[p.name] = {k: [] for k in ("ours_in", "ours_out", "ns_in", "ns_out", "solid_in",
                                                   "solid_out", "empty", "copy", "inflate")}
            for run in range(env.runs):
                log(f"{p.title}: run {run + 1} of {env.runs}")
                verify = run == 0
                r["ours_in"].append(ours_install(wine, p, verify))
                r["ours_out"].append(ours_remove(wine, p))
                r["ns_in"].append(nsis_install(wine, p, False, verify))
                r["ns_out"].append(nsis_remove(wine, p))
                r["solid_in"].append(nsis_install(wine, p, True, verify))
                r["solid_out"].append(nsis_remove(wine, p))
                r["copy"].append({"ms": raw_copy(wine, p)})
                r["inflate"].append({"ms": inflate(wine, p)})
                if p is many:  # under the same load as the others
                    r["empty"].append(nsis_install(wine, many, False, False, empty=True))
                    shutil.rmtree(install_folder(env, many, False), ignore_errors=True)
        start = {"ours": [], "nsis": []}
        for run in range(env.runs):
            start["ours"].append({"ms": float(wine.drv("start-time", wine_path(many.ours)))})
            start["nsis"].append({"ms": float(wine.drv("start-time", wine_path(many.nsis(False))))})

    a, b = results[many.name], results[big.name]
    empty = median(a["empty"])
    size = {"ours": many.ours.stat().st_size, "ns": many.nsis(False).stat().st_size,
            "solid": many.nsis(True).stat().st_size}

    def install_row(p, r, goal_factor, goal):
        ours, ns, solid = median(r["ours_in"]), median(r["ns_in"]), median(r["solid_in"])
        return [f"install time, {p.title}", ms(ours), f"{ms(ns)} (net {ms(ns - empty)})",
                f"{ms(solid)} (net {ms(solid - empty)})", goal,
                f"{verdict(ours <= goal_factor * ns)} ({ours / ns:.2f} × non-solid, {ours / (ns - empty):.2f} × net)"]

    def baseline_row(p, r):
        ours, copy, infl = median(r["ours_in"]), median(r["copy"]), median(r["inflate"])
        return [f"physical baseline, {p.title}", f"{ms(ours)} = {ours / (copy + infl):.2f} × baseline",
                f"copy {ms(copy)} + inflate {ms(infl)} = {ms(copy + infl)}", "", "ours ≤ 1.2 × (copy + inflate)",
                verdict(ours <= 1.2 * (copy + infl))]

    def memory_row(p, r):
        largest = max(p.sizes)
        packed = largest_packed(env, p)
        bound = packed + largest + 16 * MB
        peak, idle = median(r["ours_in"], "rss"), median(r["ours_in"], "idle")

        def split(samples):
            return f"anon {mb(median(samples, 'anon'))}, file {mb(median(samples, 'file'))}"

        return [f"peak memory installing, {p.title}",
                f"{mb(peak)} (idle wizard {mb(idle)}, +{mb(peak - idle)}; {split(r['ours_in'])})",
                f"{mb(median(r['ns_in'], 'rss'))} ({split(r['ns_in'])})",
                f"{mb(median(r['solid_in'], 'rss'))} ({split(r['solid_in'])})",
                f"≤ packed + unpacked largest file + 16 MB = {mb(bound)}",
                f"{verdict(median(r['ours_in'], 'anon') <= bound)} (allocated); growth {verdict(peak - idle <= bound)}; "
                f"total {verdict(peak <= bound)}"]

    ours_pack, ns_pack, solid_pack = median(pack["ours"]), median(pack["nsis"]), median(pack["solid"])
    ours_start, ns_start = median(start["ours"]), median(start["nsis"])
    ours_out, ns_out, solid_out = median(a["ours_out"]), median(a["ns_out"]), median(a["solid_out"])
    table = [
        ["Figure", "Ours", "NSIS zlib non-solid", "NSIS zlib solid", "Goal", "Met"],
        install_row(many, a, 0.8, "ours ≤ 0.8 × NSIS non-solid"),
        install_row(big, b, 1.0, "ours ≤ NSIS non-solid"),
        baseline_row(many, a),
        baseline_row(big, b),
        [f"uninstall time, {many.title}", ms(ours_out), f"{ms(ns_out)} (net {ms(ns_out - empty)})",
         f"{ms(solid_out)} (net {ms(solid_out - empty)})", "ours ≤ NSIS",
         f"{verdict(ours_out <= ns_out)} ({ours_out / ns_out:.2f} × non-solid, {ours_out / (ns_out - empty):.2f} × net)"],
        ["setup program size (stripped, no payload)", kb(stripped.stat().st_size), kb(nsis_stub.stat().st_size),
         kb(nsis_solid_stub.stat().st_size), "≤ 120 KB", verdict(stripped.stat().st_size <= 120 * 1024)],
        [f"installer size, {many.title}", f"{size['ours']:,} B", f"{size['ns']:,} B", f"{size['solid']:,} B",
         "≤ 102 % of NSIS non-solid", f"{verdict(size['ours'] <= 1.02 * size['ns'])} "
                                      f"({100 * size['ours'] / size['ns']:.1f} %)"],
        memory_row(many, a),
        memory_row(big, b),
        ["start-up to first window", ms(ours_start), ms(ns_start), "", "ours ≤ NSIS", verdict(ours_start <= ns_start)],
        [f"packer time, {many.title}", ms(ours_pack), ms(ns_pack), ms(solid_pack), "ours ≤ 0.7 × makensis",
         f"{verdict(ours_pack <= 0.7 * ns_pack)} ({ours_pack / ns_pack:.2f})"],
    ]
    intro = [f"Medians of {env.runs} runs of `bench/run.sh` (build tree {env.build}). Ours: the wizard driven "
             "through wizdriver.exe; NSIS 64-bit Unicode (`Target amd64-unicode`, zlib) run silently. "
             "The goals are judged on NSIS's whole silent run, as the goals define them. \"net\", for information "
             f"only: minus the median run of an empty NSIS installer with `/S` ({ms(empty)}: Wine process start "
             "and exit, which the driver's timing of ours does not contain; a difference of two noisy medians)."]
    details = ["## Samples (ms)", ""]
    for p, r in ((many, a), (big, b)):
        for key, name in (("ours_in", "ours install"), ("ours_out", "ours removal"), ("ns_in", "NSIS install"),
                          ("ns_out", "NSIS uninstall"), ("solid_in", "NSIS solid install"),
                          ("solid_out", "NSIS solid uninstall"), ("copy", "raw copy"), ("inflate", "inflate")):
            details.append(samples_text(f"{p.title}, {name}", r[key]))
    details += [samples_text("empty NSIS installer /S", a["empty"]), samples_text("start-up, ours", start["ours"]),
                samples_text("start-up, NSIS", start["nsis"]), samples_text("velkpack", pack["ours"]),
                samples_text("makensis non-solid", pack["nsis"]), samples_text("makensis solid", pack["solid"]),
                "", f"Installer sizes, {big.title}: ours {big.ours.stat().st_size:,} B, NSIS non-solid "
                    f"{big.nsis(False).stat().st_size:,} B, solid {big.nsis(True).stat().st_size:,} B.",
                "", HOW_MEASURED]
    write_results(env.root / "bench" / "results.md", "Installer benchmark: ours against NSIS under Wine", intro,
                  table, details)


def largest_packed(env: Env, payload: Payload) -> int:
    """The packed size of the payload's largest file, from the packer's listing."""
    largest = payload.files[payload.sizes.index(max(payload.sizes))]
    listing = subprocess.run([env.velkpack, "inspect", payload.ours], capture_output=True, text=True).stdout
    for line in listing.splitlines():
        if largest.upper() in line.upper():
            packed = line.split(":")[1].split("->")[0].strip()  # "NAME: PACKED -> UNPACKED"
            if packed.isdigit():
                return int(packed)
    return max(payload.sizes)  # not listed: incompressible at worst


HOW_MEASURED = """## What each figure is

- Install time, ours: wizdriver `time-click bbtnNext Installed`: from just before the click on Next of the
  destination folder page to the first poll (every 1 ms) that sees the finished page. NSIS: the wall time of
  `setup.exe /S /D=...` from process start to exit, measured by the Linux side (process start and exit under
  Wine included; "net" takes an empty installer's run off).
- Uninstall time, ours: the installer started again, `time-click bbtnNext Removed` from the selection page with
  Remove chosen. NSIS: `uninst.exe /S _?=DIR` (in place, to its end), wall time.
- Physical baseline: `benchcopy.exe` copies the payload's files from the Z: drive to C: with ReadFile/WriteFile
  (1 MB buffer), timed inside the program; `benchinflate.exe` inflates every payload resource of our installer in
  memory with the installer's own `UnpackResource`, under Wine, timed inside the program without loading.
- Sizes: `setup.exe` stripped with `x86_64-w64-mingw32-strip`, against the NSIS exehead stubs
  `/usr/share/nsis/Stubs/zlib[_solid]-amd64-unicode`; installers as files on disk.
- Peak memory: VmHWM of the installer's process from /proc (ours: read on the finished page; NSIS: sampled every
  5 ms until the process ended). "idle wizard" is its VmHWM
  on the destination page before the install, the growth is what the install added. Wine maps its own DLLs into
  every process, so a total includes some 20 MB that is Wine's, not the installer's. "anon" and "file" are the
  largest RssAnon and RssFile seen by sampling /proc every 5 ms during the install: memory the program
  allocated, and mapped files (Wine's DLLs, the installer's own file whose payload pages count once touched).
  Our payload is mapped from the installer's file, so the pages an install reads count in its working set as
  file pages, clean and shared with the page cache; "allocated" judges the anon part alone.
- Start-up: wizdriver `start-time`: from just before CreateProcess to the first poll (every 1 ms) that sees a
  visible top-level window of the new process; the program is ended then. NSIS without `/S` shows its
  directory page after checking its own CRC.
- Packer time: wall time of `velkpack pack` (release, unsanitised) and of `makensis -V1` on the same files.
- One wineserver (`wineserver -p`) runs for the whole run in a private prefix under the build tree; the page
  cache holds the payload and the installers (every contender reads warm files)."""


def run_scale(env: Env):
    results = []
    payloads = scale_payloads(env)
    for p in payloads:
        p.generate()
        log(f"packing {p.title} ...")
        results.append({"pack": p.pack_ours(), "in": [], "out": []})
    with Wine(env) as wine:
        for p, r in zip(payloads, results):
            for run in range(env.runs):
                log(f"{p.title}: run {run + 1} of {env.runs}")
                r["in"].append(ours_install(wine, p, run == 0))
                r["out"].append(ours_remove(wine, p))
    table = [["Figure", "Install", "Removal", "Peak memory installing (growth; sampled anon, file)",
              "Peak memory removing", "Installer size", "Packer time"]]
    details = ["## Samples (ms)", ""]
    for p, r in zip(payloads, results):
        table.append([p.title, ms(median(r["in"])), ms(median(r["out"])),
                      f"{mb(median(r['in'], 'rss'))} (+{mb(median(r['in'], 'rss') - median(r['in'], 'idle'))}; "
                      f"{mb(median(r['in'], 'anon'))}, {mb(median(r['in'], 'file'))})",
                      mb(median(r["out"], "rss")), f"{p.ours.stat().st_size:,} B", ms(r["pack"])])
        details += [samples_text(f"{p.title}, install", r["in"]), samples_text(f"{p.title}, removal", r["out"])]
    intro = [f"Our installer only, medians of {env.runs} runs of `bench/scale.sh`; timed as in results.md "
             "(install: Next on the folder page to the finished page; removal: Next on the selection page to the "
             "removed page; memory: VmHWM of the installer's process)."]
    write_results(env.root / "bench" / "results-scale.md", "Installer benchmark at scale", intro, table, details)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("mode", choices=["main", "scale"])
    parser.add_argument("--root", type=Path, required=True)
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    env = Env(args.root, args.build, args.build / "bench", args.runs)
    env.work.mkdir(parents=True, exist_ok=True)
    (run_main if args.mode == "main" else run_scale)(env)


if __name__ == "__main__":
    main()
