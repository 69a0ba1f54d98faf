"""The benchmarks' harness: the build and work folders, a private Wine prefix
with an Xvfb display and one wineserver kept running for the whole run (so that
no figure carries its start-up), the runs of programs under it and the peak
memory of a process, read from /proc."""

import os
import subprocess
import sys
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path

MB = 1024 * 1024


def log(*words):
    print(*words, file=sys.stderr, flush=True)


@dataclass
class Env:
    root: Path           # source tree
    build: Path          # build tree (BUILD_DIR)
    work: Path           # BUILD/bench
    runs: int
    earlier_stub: Path | None = None  # an earlier build's setup program, timed beside this one
    earlier_packer: Path | None = None  # the packer of that build (default: this one)
    product: Path | None = None  # bench/run.sh product: the product folder
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
