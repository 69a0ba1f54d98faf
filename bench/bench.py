#!/usr/bin/env python3
"""The benchmarks of the installer and its packer, against NSIS under Wine (not
tests: they measure whatever is built). bench/run.sh builds what they need and
calls this with a mode:

  main    our installer and NSIS installers on 200 files / 30 MB and on one 300 MB
          file: install, removal, physical floor, sizes, memory, start-up, packing;
          judged against bench/goals.json; writes bench/results.md and .json
  scale   ours alone on 10,000 small files and one 500 MB file: results-scale.md and .json
  packer  velkpack against makensis on the 200 files, printed
  product a real product folder: its classic and zstd installers against NSIS's
          solid LZMA one, sizes, and installs timed in paired rounds; writes
          bench/results-product.md and .json

With --earlier-stub (and --earlier-packer), main and product time a second
setup program, of another build, in the same rounds as this one: each round
runs both, the order turned round every round, and the ratio of the two is
printed for either order.

Everything a run makes lives under BUILD/bench (harness.py, payloads.py). Our
installer is timed through the wizard driver (contenders.py); report.py writes
the results.
"""

import argparse
import json
import shutil
import statistics
import subprocess
from pathlib import Path

from contenders import (inflate, install_folder, largest_packed, nsis_install, nsis_remove, nsis_wizard_install,
                        ours_install, ours_remove, raw_copy)
from harness import MB, Env, Wine, log, wine_path
from payloads import FolderPayload, Payload, main_payloads, scale_payloads
from report import kb, mb, median, ms, samples_text, verdict, write_results

HERE = Path(__file__).resolve().parent
GOALS = json.loads((HERE / "goals.json").read_text())


def at_most(factor: float, than: str) -> str:
    return f"ours ≤ {than}" if factor == 1 else f"ours ≤ {factor} × {than}"


def pack_timings(payload: Payload, runs: int) -> dict:
    """Milliseconds of velkpack and of makensis, non-solid and solid, packing the payload."""
    log("packing ...")
    pack = {"ours": [], "nsis": [], "solid": []}
    for _ in range(runs):
        pack["ours"].append({"ms": payload.pack_ours()})
        pack["nsis"].append({"ms": payload.pack_nsis(False)})
        pack["solid"].append({"ms": payload.pack_nsis(True)})
    return pack


def paired_round(wine: Wine, payload: Payload, run: int, installers: list[tuple[list, Path]], verify: bool,
                 removals: list | None = None):
    """One round of installs of PAYLOAD by each (SAMPLES, INSTALLER), in that order on even rounds and in
    the reverse order on odd ones, each removed before the next; the first one's removals go to REMOVALS."""
    ordered = installers if run % 2 == 0 else installers[::-1]
    for samples, installer in ordered:
        samples.append(ours_install(wine, payload, verify, installer))
        removal = ours_remove(wine, payload)
        if removals is not None and samples is installers[0][0]:
            removals.append(removal)


def paired_ratio(numerator: list[dict], denominator: list[dict], names: tuple[str, str], key: str = "ms") -> str:
    """The median of NUMERATOR/DENOMINATOR per round of paired_round, over all rounds, and apart for the
    even rounds, in which NAMES[0] ran first, and the odd ones, in which NAMES[1] did."""
    ratios = [a[key] / b[key] for a, b in zip(numerator, denominator)]
    both = statistics.median(ratios)
    return (f"{both:.3f} ({names[0]} run first: {statistics.median(ratios[0::2]):.3f}, "
            f"{names[1]} run first: {statistics.median(ratios[1::2]):.3f})" if len(ratios) > 1 else f"{both:.3f}")


def measure_installs(env: Env, wine: Wine, payloads: list[Payload], earlier: Path | None) -> dict:
    """Per payload, the samples of every contender's install and removal, run in turn so that each run
    of one contender has the others' load; the empty NSIS installer runs beside the first payload."""
    results = {}
    keys = ["ours_in", "ours_out", "wizard_in", "ns_in", "ns_out", "solid_in", "solid_out", "copy", "inflate"]
    for p in payloads:
        r = results[p.name] = {k: [] for k in keys + ["empty", "earlier_in"]}
        for run in range(env.runs):
            log(f"{p.title}: run {run + 1} of {env.runs}")
            verify = run == 0
            pair = [(r["ours_in"], p.ours)] + ([(r["earlier_in"], p.ours_earlier)] if earlier else [])
            paired_round(wine, p, run, pair, verify, r["ours_out"])
            r["wizard_in"].append(nsis_wizard_install(wine, p, verify))
            nsis_remove(wine, p)
            r["ns_in"].append(nsis_install(wine, p, False, verify))
            r["ns_out"].append(nsis_remove(wine, p))
            r["solid_in"].append(nsis_install(wine, p, True, verify))
            r["solid_out"].append(nsis_remove(wine, p))
            r["copy"].append({"ms": raw_copy(wine, p)})
            r["inflate"].append({"ms": inflate(wine, p)})
            if p is payloads[0]:
                r["empty"].append(nsis_install(wine, p, False, False, empty=True))
                shutil.rmtree(install_folder(env, p, False), ignore_errors=True)
    return results


def run_main(env: Env):
    many, small, big = payloads = main_payloads(env)
    earlier = env.earlier_stub
    for p in payloads:
        p.generate()
        p.pack_ours()
        if earlier:
            p.pack_ours(earlier, p.ours_earlier, env.earlier_packer)
        p.pack_nsis(False)
        p.pack_nsis(True)
    pack = pack_timings(many, env.runs)
    many.pack_nsis(False, empty=True)

    stripped = env.work / "setup-stripped.exe"
    subprocess.run(["x86_64-w64-mingw32-strip", "-o", stripped, env.stub], check=True)
    nsis_stub = Path("/usr/share/nsis/Stubs/zlib-amd64-unicode")
    nsis_solid_stub = Path("/usr/share/nsis/Stubs/zlib_solid-amd64-unicode")

    with Wine(env) as wine:
        results = measure_installs(env, wine, payloads, earlier)
        start = {"ours": [], "nsis": []}
        for run in range(env.runs):
            start["ours"].append({"ms": float(wine.drv("start-time", wine_path(many.ours)))})
            start["nsis"].append({"ms": float(wine.drv("start-time", wine_path(many.nsis(False))))})

    a, c, b = (results[p.name] for p in payloads)
    empty = median(a["empty"])
    size = {"ours": many.ours.stat().st_size, "ns": many.nsis(False).stat().st_size,
            "solid": many.nsis(True).stat().st_size}

    def wizard_row(p, r, goal_factor):
        ours, wizard = median(r["ours_in"]), median(r["wizard_in"])
        return [f"install time with the wizard, {p.title}", ms(ours), ms(wizard), "",
                at_most(goal_factor, "NSIS wizard"), f"{verdict(ours <= goal_factor * wizard)} ({ours / wizard:.2f})"]

    def silent_row(p, r):
        ours, ns, solid = median(r["ours_in"]), median(r["ns_in"]) - empty, median(r["solid_in"]) - empty
        factor = GOALS["install_vs_nsis_silent_net"]
        return [f"install time without a window, {p.title}", ms(ours), f"{ms(ns)} net ({ms(ns + empty)} whole)",
                f"{ms(solid)} net ({ms(solid + empty)} whole)", at_most(factor, "NSIS /S net"),
                f"{verdict(ours <= factor * ns)} ({ours / ns:.2f})"]

    def per_file_row(p, r):
        files = len(p.files)
        ours, wizard = median(r["ours_in"]) / files, median(r["wizard_in"]) / files
        silent = (median(r["ns_in"]) - empty) / files
        factor = GOALS["install_per_file_vs_nsis"]
        return [f"install time per file, {p.title}", f"{ours:.3f} ms", f"{wizard:.3f} ms wizard, {silent:.3f} ms /S net",
                "", at_most(factor, "NSIS per file (wizard and /S net)"),
                f"{verdict(ours <= factor * min(wizard, silent))} ({ours / wizard:.2f} × wizard, {ours / silent:.2f} × /S net)"]

    def baseline_row(p, r):
        ours, copy, infl = median(r["ours_in"]), median(r["copy"]), median(r["inflate"])
        factor = GOALS["install_vs_copy_plus_inflate"]
        return [f"physical baseline, {p.title}", f"{ms(ours)} = {ours / (copy + infl):.2f} × baseline",
                f"copy {ms(copy)} + inflate {ms(infl)} = {ms(copy + infl)}", "", at_most(factor, "(copy + inflate)"),
                verdict(ours <= factor * (copy + infl))]

    def memory_row(p, r):
        largest = max(p.sizes)
        packed = largest_packed(env, p)
        slack = GOALS["peak_memory_slack_mb"]
        bound = packed + largest + slack * MB
        peak, idle = median(r["ours_in"], "rss"), median(r["ours_in"], "idle")

        def split(samples):
            return f"anon {mb(median(samples, 'anon'))}, file {mb(median(samples, 'file'))}"

        return [f"peak memory installing, {p.title}",
                f"{mb(peak)} (idle wizard {mb(idle)}, +{mb(peak - idle)}; {split(r['ours_in'])})",
                f"{mb(median(r['ns_in'], 'rss'))} ({split(r['ns_in'])})",
                f"{mb(median(r['solid_in'], 'rss'))} ({split(r['solid_in'])})",
                f"≤ packed + unpacked largest file + {slack} MB = {mb(bound)}",
                f"{verdict(median(r['ours_in'], 'anon') <= bound)} (allocated); growth {verdict(peak - idle <= bound)}; "
                f"total {verdict(peak <= bound)}"]

    ours_pack, ns_pack, solid_pack = median(pack["ours"]), median(pack["nsis"]), median(pack["solid"])
    ours_start, ns_start = median(start["ours"]), median(start["nsis"])
    ours_out, ns_out, solid_out = median(a["ours_out"]), median(a["ns_out"]), median(a["solid_out"])
    table = [
        ["Figure", "Ours", "NSIS zlib non-solid", "NSIS zlib solid", "Goal", "Met"],
        wizard_row(many, a, GOALS["install_files200_vs_nsis_wizard"]),
        wizard_row(big, b, GOALS["install_file300_vs_nsis_wizard"]),
        silent_row(many, a),
        silent_row(big, b),
        per_file_row(small, c),
        baseline_row(many, a),
        baseline_row(big, b),
        [f"uninstall time, {many.title}", ms(ours_out), f"{ms(ns_out - empty)} net ({ms(ns_out)} whole)",
         f"{ms(solid_out - empty)} net ({ms(solid_out)} whole)", at_most(GOALS["uninstall_vs_nsis"], "NSIS /S net"),
         f"{verdict(ours_out <= GOALS['uninstall_vs_nsis'] * (ns_out - empty))} ({ours_out / (ns_out - empty):.2f})"],
        ["setup program size (stripped, no payload)", kb(stripped.stat().st_size), kb(nsis_stub.stat().st_size),
         kb(nsis_solid_stub.stat().st_size), f"≤ {GOALS['setup_program_kb']} KB",
         verdict(stripped.stat().st_size <= GOALS["setup_program_kb"] * 1024)],
        [f"installer size, {many.title}", f"{size['ours']:,} B", f"{size['ns']:,} B", f"{size['solid']:,} B",
         f"≤ {100 * GOALS['installer_size_vs_nsis']:.0f} % of NSIS non-solid",
         f"{verdict(size['ours'] <= GOALS['installer_size_vs_nsis'] * size['ns'])} "
                                      f"({100 * size['ours'] / size['ns']:.1f} %)"],
        memory_row(many, a),
        memory_row(big, b),
        ["start-up to first window", ms(ours_start), ms(ns_start), "", at_most(GOALS["startup_vs_nsis"], "NSIS"),
         verdict(ours_start <= GOALS["startup_vs_nsis"] * ns_start)],
        [f"packer time, {many.title}", ms(ours_pack), ms(ns_pack), ms(solid_pack),
         at_most(GOALS["packer_vs_makensis"], "makensis"),
         f"{verdict(ours_pack <= GOALS['packer_vs_makensis'] * ns_pack)} ({ours_pack / ns_pack:.2f})"],
    ]
    intro = [f"Medians of {env.runs} runs of `bench/run.sh main` (build tree {env.build}); NSIS 64-bit Unicode "
             "(`Target amd64-unicode`, zlib). With the wizard: both installers driven by wizdriver.exe, timed from "
             "the click on Install to the first poll that sees the finished page. Without a window: ours timed "
             "the same way, NSIS run with `/S`, net of an empty NSIS installer's `/S` run "
             f"({ms(empty)}: Wine's process start and exit, which the timing of ours does not contain)."]
    if earlier:
        intro += ["", f"An earlier build's setup program ({earlier}), same payloads, in the same rounds, in turn "
                  "first and second: install "
                  + "; ".join(f"{p.title} {ms(median(results[p.name]['earlier_in']))} "
                              f"(this build {ms(median(results[p.name]['ours_in']))}; earlier/this build per round "
                              f"{paired_ratio(results[p.name]['earlier_in'], results[p.name]['ours_in'], ('this build', 'earlier'))})"
                              for p in payloads) + "."]
    details = ["## Samples (ms)", ""]
    names = (("ours_in", "ours install"), ("earlier_in", "ours install, earlier build"), ("ours_out", "ours removal"),
             ("wizard_in", "NSIS wizard install"), ("ns_in", "NSIS /S install"), ("ns_out", "NSIS /S uninstall"),
             ("solid_in", "NSIS solid /S install"), ("solid_out", "NSIS solid /S uninstall"), ("copy", "raw copy"),
             ("inflate", "inflate"))
    for p in payloads:
        details += [samples_text(f"{p.title}, {name}", results[p.name][key]) for key, name in names
                    if results[p.name][key]]
    details += [samples_text("empty NSIS installer /S", a["empty"]), samples_text("start-up, ours", start["ours"]),
                samples_text("start-up, NSIS", start["nsis"]), samples_text("velkpack", pack["ours"]),
                samples_text("makensis non-solid", pack["nsis"]), samples_text("makensis solid", pack["solid"]),
                "", f"Installer sizes, {big.title}: ours {big.ours.stat().st_size:,} B, NSIS non-solid "
                    f"{big.nsis(False).stat().st_size:,} B, solid {big.nsis(True).stat().st_size:,} B.",
                "", (HERE / "how-measured.md").read_text().rstrip()]
    write_results(HERE / "results.md", "Installer benchmark: ours against NSIS under Wine", intro, table, details,
                  {"packing": pack, "start-up": start, **results})


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
    intro = [f"Our installer only, medians of {env.runs} runs of `bench/run.sh scale`; timed as in results.md "
             "(install: Next on the folder page to the finished page; removal: Next on the selection page to the "
             "removed page; memory: VmHWM of the installer's process)."]
    write_results(HERE / "results-scale.md", "Installer benchmark at scale", intro, table, details,
                  {p.name: r for p, r in zip(payloads, results)})


def run_packer(env: Env):
    many = main_payloads(env)[0]
    many.generate()
    pack = pack_timings(many, env.runs)
    ours, nsis = median(pack["ours"]), median(pack["nsis"])
    print(f"input: {many.title}; medians of {env.runs} runs")
    print(f"velkpack: {ms(ours)}, {many.ours.stat().st_size:,} bytes")
    print(f"makensis: {ms(nsis)}, {many.nsis(False).stat().st_size:,} bytes (non-solid); "
          f"solid {ms(median(pack['solid']))}")
    print(f"time velkpack/makensis: {ours / nsis:.2f}; goal ≤ {GOALS['packer_vs_makensis']}")


def run_product(env: Env):
    """A real product folder: sizes against NSIS solid LZMA, and zstd against classic installs in paired rounds."""
    p = FolderPayload(env, env.product)
    p.generate()
    zstd, earlier = p.dir / "velk-setup-zstd.exe", env.earlier_stub
    pack = {"classic": p.pack_ours(), "zstd": p.pack_ours(out=zstd, options=("--compression", "zstd"))}
    if earlier:
        pack["earlier"] = p.pack_ours(earlier, p.ours_earlier, env.earlier_packer)
    pack["nsis"] = p.pack_nsis_lzma()
    r = {"classic": [], "zstd": [], "earlier": [], "classic_vs_earlier": []}
    with Wine(env) as wine:
        for run in range(env.runs):
            log(f"{p.title}: round {run + 1} of {env.runs}")
            paired_round(wine, p, run, [(r["classic"], p.ours), (r["zstd"], zstd)], run == 0)
            if earlier:
                paired_round(wine, p, run, [(r["classic_vs_earlier"], p.ours), (r["earlier"], p.ours_earlier)], False)
    size = {"classic": p.ours.stat().st_size, "zstd": zstd.stat().st_size, "nsis": p.nsis_lzma.stat().st_size}
    classic_mem, zstd_mem = median(r["classic"], "rss"), median(r["zstd"], "rss")
    table = [["Figure", "Ours", "Against", "Goal", "Met"],
             ["zstd installer size", f"{size['zstd']:,} B", f"NSIS solid LZMA {size['nsis']:,} B", "≤ 1.2 ×",
              f"{verdict(size['zstd'] <= 1.2 * size['nsis'])} ({size['zstd'] / size['nsis']:.3f})"],
             ["classic installer size", f"{size['classic']:,} B", f"NSIS solid LZMA {size['nsis']:,} B", "", ""],
             ["zstd install with the wizard, paired rounds", ms(median(r["zstd"])), f"classic {ms(median(r['classic']))}",
              "zstd/classic ≤ 1", paired_ratio(r["zstd"], r["classic"], ("classic", "zstd"))],
             ["peak memory installing", f"zstd {mb(zstd_mem)}", f"classic {mb(classic_mem)}", "≤ classic + 16 MB",
              f"{verdict(zstd_mem <= classic_mem + 16 * MB)} (+{mb(zstd_mem - classic_mem)})"]]
    if earlier:
        size["earlier"] = p.ours_earlier.stat().st_size
        table += [["classic installer size against the earlier build's", f"{size['classic']:,} B",
                   f"{size['earlier']:,} B", "≤ 0.965 ×",
                   f"{verdict(size['classic'] <= 0.965 * size['earlier'])} ({size['classic'] / size['earlier']:.3f})"],
                  ["classic install with the wizard against the earlier build's, paired rounds",
                   ms(median(r["classic_vs_earlier"])), ms(median(r["earlier"])), "this/earlier ≤ 1 (within noise)",
                   paired_ratio(r["classic_vs_earlier"], r["earlier"], ("this build", "earlier"))]]
    intro = [f"`bench/run.sh product` on {env.product}: {len(p.files)} files, {p.total:,} bytes. Medians of "
             f"{env.runs} rounds; in each round both installers of a pair install (through the wizard, from the "
             "click on Install to the finished page) and remove, the order turned round every round; a ratio is "
             "the median of the rounds' ratios, and apart for the rounds in which the first or the second of the "
             "pair ran ahead." + (f" Earlier build: {earlier}." if earlier else "")]
    details = ["## Samples (ms)", ""] + [samples_text(name, samples) for name, samples in r.items() if samples]
    details += ["", "Packing (ms): " + ", ".join(f"{name} {ms(value)}" for name, value in pack.items())]
    write_results(HERE / "results-product.md", "Installer benchmark: a real product folder", intro, table, details,
                  {"sizes": size, "packing": pack, **r})


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mode", choices=["main", "scale", "packer", "product"])
    parser.add_argument("--root", type=Path, required=True)
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--earlier-stub", type=Path,
                        help="main, product: also time installs made with this setup program")
    parser.add_argument("--earlier-packer", type=Path, help="the packer of the earlier stub's build")
    parser.add_argument("--product", type=Path, help="product: the product folder")
    args = parser.parse_args()
    env = Env(args.root, args.build, args.build / "bench", args.runs, args.earlier_stub, args.earlier_packer,
              args.product)
    env.work.mkdir(parents=True, exist_ok=True)
    {"main": run_main, "scale": run_scale, "packer": run_packer, "product": run_product}[args.mode](env)


if __name__ == "__main__":
    main()
