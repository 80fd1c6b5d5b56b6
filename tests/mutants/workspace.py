"""The copy of the tracked sources that faults are written into: the
developer's tree is only ever read."""

import os
import shutil
import subprocess
import time
from pathlib import Path


class ToolError(Exception):
    """The run cannot go on: a broken tool or a failed baseline."""


def tracked_files(repo):
    listing = subprocess.run(["git", "-C", str(repo), "ls-files", "-z"], capture_output=True, check=False)
    if listing.returncode != 0:
        raise ToolError(f"git ls-files failed in {repo}: {listing.stderr.decode(errors='replace').strip()}")
    return [name for name in listing.stdout.decode().split("\0") if name]


class Workspace:
    def __init__(self, repo, root):
        self.repo = Path(repo)
        self.tree = Path(root) / "tree"
        self._stamp = 0

    def sync(self):
        """Make the copy equal to the tracked files as they are in the
        developer's tree; only files that differ are written (with a new time,
        so that make rebuilds what depends on them). Returns their number."""
        names = [n for n in tracked_files(self.repo) if (self.repo / n).is_file()]
        written = 0
        for name in names:
            source, copy = self.repo / name, self.tree / name
            data = source.read_bytes()
            if copy.is_file() and not copy.is_symlink() and copy.read_bytes() == data:
                continue
            copy.parent.mkdir(parents=True, exist_ok=True)
            if copy.is_symlink():
                copy.unlink()
            self._write(copy, data)
            shutil.copymode(source, copy)
            written += 1
        wanted = set(names)
        for path in sorted(self.tree.rglob("*"), reverse=True):
            relative = path.relative_to(self.tree).as_posix()
            if path.is_dir():
                if not any(path.iterdir()):
                    path.rmdir()
            elif relative not in wanted:
                path.unlink()
        return written

    def read(self, name):
        return (self.tree / name).read_text(encoding="utf-8")

    def write(self, name, text, later_by=0.0):
        self._write(self.tree / name, text.encode("utf-8"), later_by)

    def _write(self, path, data, later_by=0.0):
        # A time strictly later than any written before, so make sees every
        # change, the fault and the original put back alike.
        stamp = max(time.time_ns() + int(later_by * 1e9), self._stamp + 1_000_000)
        self._stamp = stamp
        temporary = path.with_name(path.name + ".mutants-tmp")
        temporary.write_bytes(data)
        os.utime(temporary, ns=(stamp, stamp))
        os.replace(temporary, path)
