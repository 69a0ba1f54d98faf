"""The contenders' runs under Wine: our installer driven through the wizard
driver from one page to another, NSIS installers driven through their own
wizard or run silently, and the physical floor of an install (a raw copy of
the files, and inflating the payload in memory)."""

import shutil
import subprocess
from contextlib import contextmanager
from pathlib import Path

from harness import Env, MemorySampler, Wine, c_path, peak_rss, timed_process, wait_process, wine_path
from payloads import Payload


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


@contextmanager
def running(wine: Wine, args):
    """A program started under Wine for the block, which must end it; ended by force when the block fails."""
    process = wine.start(args)
    try:
        yield process
        wait_process(process)
    except BaseException:
        process.kill()
        wait_process(process)
        raise


def ours_timed(wine: Wine, installer: Path, start_page: str, end_page: str, choice: str = "") -> dict:
    """Starts our INSTALLER, walks to START_PAGE (clicking CHOICE there) and times Next up to END_PAGE."""
    with running(wine, [installer]) as process:
        wine.drv("wait-window", "60")
        walk_to(wine, start_page)
        if choice:
            wine.drv("click", choice)
        idle = peak_rss(process.pid)
        with MemorySampler(process.pid) as sampled:
            ms = float(wine.drv("time-click", "bbtnNext", end_page, "1200"))
        rss = peak_rss(process.pid)
        # Ended, not finished: Finish would copy the installer as the uninstaller, here to the current
        # folder, since the bench's script has no uninstall entry; that is not part of the figure.
        process.kill()
    return {"ms": ms, "rss": rss, "idle": idle, "anon": sampled.anon, "file": sampled.file}


def ours_install(wine: Wine, payload: Payload, verify: bool, installer: Path | None = None) -> dict:
    """Our install of the payload, by its installer or by INSTALLER, one of an earlier build."""
    result = ours_timed(wine, installer or payload.ours, "Folders", "Installed")
    check_installed(wine.env, payload, install_folder(wine.env, payload, True), verify)
    return result


def ours_remove(wine: Wine, payload: Payload) -> dict:
    result = ours_timed(wine, payload.ours, "Selection", "Removed", choice="rbRemove")
    check_removed(payload, install_folder(wine.env, payload, True))
    return result


def nsis_install(wine: Wine, payload: Payload, solid: bool, verify: bool, empty: bool = False) -> dict:
    folder = install_folder(wine.env, payload, False)
    run = timed_process(wine, [payload.nsis(solid, empty), "/S", f"/D={c_path(folder, wine.env)}"])
    if not empty:
        check_installed(wine.env, payload, folder, verify)
    return run


def nsis_wizard_install(wine: Wine, payload: Payload, verify: bool) -> dict:
    """NSIS's own wizard (non-solid), timed by the driver as ours is: from the click on Install on its
    directory page to its completed page, whose button 1 then reads Close."""
    folder = install_folder(wine.env, payload, False)
    with running(wine, [payload.nsis(False), f"/D={c_path(folder, wine.env)}"]):
        ms = float(wine.drv("time-dialog-click", "1", "&Close", "1200"))
        wine.drv("dialog-click", "1")
    check_installed(wine.env, payload, folder, verify)
    return {"ms": ms}


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
