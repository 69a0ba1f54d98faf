"""The benchmarks' payloads: products of files with fixed seeds (the same bytes on
every run), with our setup script and NSIS scripts of the same files, and their
packing by velkpack and makensis."""

import random
import shutil
import subprocess
import time
from pathlib import Path

from harness import MB, Env, log

TEXT_SEED = 20260101
DATA_SEED = 20261208


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

    def write_nsis(self, solid: bool, empty: bool = False, compressor: str = "zlib", name: str = ""):
        name = name or self.nsis_name(solid, empty)
        key = f"Software\\Bench Company\\Bench NSIS {self.name}"
        lines = ["Unicode true", "Target amd64-unicode", f'Name "Bench NSIS {self.name}"', f'OutFile "{name}.exe"',
                 f"SetCompressor {'/SOLID ' if solid else ''}{compressor}", f'InstallDir "$PROGRAMFILES64\\Bench NSIS"',
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

    @property
    def ours_earlier(self) -> Path:
        """Our installer of the same payload made with an earlier build's setup program."""
        return self.dir / "velk-setup-earlier.exe"

    def pack_ours(self, stub: Path | None = None, out: Path | None = None, packer: Path | None = None,
                  options: tuple = ()) -> float:
        start = time.monotonic()
        subprocess.run([packer or self.env.velkpack, "pack", self.dir / "setup.ini", "--stub", stub or self.env.stub,
                        "-o", out or self.ours, *options], check=True, stdout=subprocess.DEVNULL)
        return (time.monotonic() - start) * 1000

    def pack_nsis(self, solid: bool, empty: bool = False) -> float:
        start = time.monotonic()
        subprocess.run(["makensis", "-V1", f"{self.nsis_name(solid, empty)}.nsi"], cwd=self.dir, check=True,
                       stdout=subprocess.DEVNULL)
        return (time.monotonic() - start) * 1000


class FolderPayload(Payload):
    """The files of a real product folder, copied flat into WORK/NAME/data (a file in a
    subfolder named SUBFOLDER_NAME), with our script and NSIS scripts of them."""

    def __init__(self, env: Env, folder: Path):
        sources = sorted(f for f in folder.rglob("*") if f.is_file() and not f.is_symlink())
        super().__init__(env, f"product-{folder.name}", f"{folder.name} ({len(sources)} files)",
                         [f.stat().st_size for f in sources], ["dat"] * len(sources))
        self.sources = sources
        self.files = ["_".join(f.relative_to(folder).parts) for f in sources]

    def generate(self):
        log(f"copying {self.title}, {self.total / MB:.0f} MB ...")
        shutil.rmtree(self.dir, ignore_errors=True)
        self.data.mkdir(parents=True)
        for source, name in zip(self.sources, self.files):
            shutil.copyfile(source, self.data / name)
        self.write_scripts()
        self.write_nsis(True, compressor="lzma", name="nsis-solid-lzma")

    @property
    def nsis_lzma(self) -> Path:
        return self.dir / "nsis-solid-lzma.exe"

    def pack_nsis_lzma(self) -> float:
        start = time.monotonic()
        subprocess.run(["makensis", "-V1", "nsis-solid-lzma.nsi"], cwd=self.dir, check=True, stdout=subprocess.DEVNULL)
        return (time.monotonic() - start) * 1000


def files_payload(env: Env, files: int, size: int, title: str) -> Payload:
    """FILES files of SIZE bytes, random and text in turn."""
    return Payload(env, f"files{files}x{size // 1024}k", title, [size] * files,
                   ["bin" if n % 2 else "txt" for n in range(1, files + 1)])


def main_payloads(env: Env) -> tuple[Payload, Payload, Payload]:
    """Many files, many small files (where the cost of each file dominates) and one large file."""
    many = files_payload(env, 200, 30 * MB // 200, "200 files / 30 MB")
    small = files_payload(env, 2000, 4096, "2,000 files of 4 KB")
    big = Payload(env, "file300", "one 300 MB file", [300 * MB], ["mixed"])
    return many, small, big


def scale_payloads(env: Env) -> tuple[Payload, Payload]:
    rng = random.Random(DATA_SEED + 1)
    sizes = [rng.randint(512, 8192) for _ in range(10000)]
    many = Payload(env, "files10000", f"10,000 small files / {sum(sizes) / MB:.0f} MB", sizes,
                   ["bin" if n % 2 else "txt" for n in range(1, len(sizes) + 1)])
    big = Payload(env, "file500", "one 500 MB file", [500 * MB], ["mixed"])
    return many, big
