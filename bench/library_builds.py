"""Finds the Quorvel.so and convert_bench of another build, or builds them from a git revision.

Shared by bench/compare and bench/compare-outputs, which measure one build against another.
BUILD_OR_REV is either a build folder (both files somewhere below it, bin/ first) or anything
`git rev-parse` names a commit by. A revision is checked out with `git worktree add --detach`
into WORK/rev-<commit>, configured with the dev preset and only Quorvel and convert_bench are
built; the caller's tree is never touched. The worktree is kept, so asking for the same
revision again only re-runs the (then empty) build; `git worktree remove` deletes it.
"""
import subprocess
import sys
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


@dataclass(frozen=True)
class Build:
    label: str  # what the user asked for, for the printed report
    bench: Path
    library: Path

    def supports_once(self):
        # Older benches lack --once; its usage text is in the binary when it has it.
        return b"--once" in self.bench.read_bytes()


def _find(folder, name):
    preferred = folder / "bin" / name
    if preferred.is_file():
        return preferred
    found = sorted(p for p in folder.rglob(name) if p.is_file())
    return found[0] if found else None


def find_build(folder, label=None):
    folder = folder.resolve()
    bench = _find(folder, "convert_bench")
    library = _find(folder, "Quorvel.so")
    if bench is None or library is None:
        sys.exit(f"{folder}: no convert_bench or Quorvel.so below it (built yet?)")
    return Build(label or str(folder), bench, library)


def _git(*args, cwd=ROOT):
    return subprocess.run(["git", *args], cwd=cwd, check=True, capture_output=True,
                          text=True).stdout.strip()


def _quiet(cmd, cwd):
    out = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         text=True)
    if out.returncode != 0:
        sys.exit(f"{' '.join(map(str, cmd))} failed in {cwd}:\n{out.stdout[-4000:]}")


def build_revision(revision, work):
    try:
        commit = _git("rev-parse", "--verify", "--quiet", f"{revision}^{{commit}}")
    except subprocess.CalledProcessError:
        sys.exit(f"{revision!r} is neither a build folder nor a revision of {ROOT}")
    tree = (work / f"rev-{commit[:12]}").resolve()
    if not (tree / ".git").exists():
        work.mkdir(parents=True, exist_ok=True)
        _git("worktree", "prune")  # forgets a scratch tree someone deleted by hand
        print(f"checking out {revision} ({commit[:12]}) into {tree}", flush=True)
        _git("worktree", "add", "--detach", str(tree), commit)
    elif _git("rev-parse", "HEAD", cwd=tree) != commit:
        sys.exit(f"{tree} holds another commit than {commit}; remove it with git worktree remove")
    print(f"building Quorvel and convert_bench of {revision} ({commit[:12]})", flush=True)
    _quiet(["cmake", "--preset", "dev"], tree)
    _quiet(["cmake", "--build", "build/dev", "-j2", "--target", "Quorvel", "convert_bench"], tree)
    return find_build(tree / "build/dev", f"{revision} ({commit[:12]})")


def resolve(build_or_rev, work):
    """A Build for a build folder or a revision; revisions are built under work."""
    if Path(build_or_rev).is_dir():
        return find_build(Path(build_or_rev), build_or_rev)
    return build_revision(build_or_rev, Path(work))
