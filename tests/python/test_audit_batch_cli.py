"""`jrl audit --output DIR`: a file per student named safely from the id,
the same contents as standard output, the same folder for any --jobs; the
summary's counts, and the progress bar only on a terminal."""

import json
import os
import pty
import re
import subprocess

import pytest

from test_cli import JRL, write
from test_cli_audit import CATALOGUE, PROGRAMME, RECORDS, audit, generate

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

EXTENSIONS = {"json": "json", "text": "txt", "html": "html"}
SUMMARY = re.compile(r"(\d+) students? audited: (\d+) satisfied, (\d+) not satisfied; "
                     r"(\d+) records? failed\n")

# The example students (lines 1 to 5), a line that is not JSON (6), then ids
# a file system could not take as they are, and ids whose files would be
# the same: each with the file stem it gets ({line} for a line-numbered
# name; None for the bad line).
UNSAFE = [
    ("a/b", "a%2Fb"),
    ("A/B", "A%2FB~8"),          # the same file where names ignore case
    ("S1001", "S1001~9"),        # a second record of one student
    ("CON", "%43ON"),            # a device's name on Windows
    ("..", "%2E."),
    (".hidden", "%2Ehidden"),
    ("caf\u00e9 50%", "caf%C3%A9%2050%25"),
    ("x" * 300, "x" * 200),      # cut to a length every system takes
    ("x" * 250 + "y", "x" * 200 + "~15"),
    ("index", "index"),          # but not beside an index page
]


@pytest.fixture(scope="module")
def batch(tmp_path_factory):
    lines = (RECORDS / "students.jsonl").read_text().splitlines()
    lines.append("{not json")
    lines += [json.dumps({"student": sid, "attempts": []}) for sid, _ in UNSAFE]
    return write(tmp_path_factory.mktemp("batch"), "batch.jsonl", "\n".join(lines) + "\n")


def folder(path):
    return {p.name: p.read_bytes() for p in sorted(path.iterdir())}


@pytest.mark.parametrize("fmt", sorted(EXTENSIONS))
def test_output_writes_a_file_per_student_the_same_for_any_jobs(fmt, batch, tmp_path):
    runs = [audit("--records", str(batch), f"--format={fmt}", f"--jobs={jobs}",
                  "--output", str(tmp_path / str(jobs)))
            for jobs in (1, 2)]
    one, two = runs
    assert one.returncode == 2 and one.stdout == b""
    assert (one.stderr, folder(tmp_path / "1")) == (two.stderr, folder(tmp_path / "2"))
    error, summary = one.stderr.decode().splitlines(keepends=True)
    assert error.startswith(f"error: {batch}:6: ")
    assert SUMMARY.fullmatch(summary).group(1, 4) == ("15", "1")

    ext = EXTENSIONS[fmt]
    stems = [f"S100{i}" for i in range(1, 6)] + [stem for _, stem in UNSAFE]
    if fmt == "html":
        stems[-1] = "index~16"
    files = folder(tmp_path / "1")
    assert sorted(files) == sorted([f"{s}.{ext}" for s in stems]
                                   + (["index.html"] if fmt == "html" else []))
    if fmt == "html":
        return  # the pages link the index; test_index_lists_every_student checks them
    # Each file holds what standard output gives for that student alone.
    for record in sorted(RECORDS.glob("*.json")):
        student = json.loads(record.read_text())["student"]
        alone = audit("--record", str(record), f"--format={fmt}")
        assert files[f"{student}.{ext}"] == alone.stdout, student


def test_index_lists_every_student(batch, tmp_path):
    done = audit("--records", str(batch), "--format=html", "--output", str(tmp_path))
    index = (tmp_path / "index.html").read_text()
    assert index.startswith("<!DOCTYPE html>") and index.rstrip().endswith("</html>")
    assert not list(tmp_path.glob(".*")), "temporary files left behind"
    pages = sorted(p.name for p in tmp_path.iterdir() if p.name != "index.html")
    assert len(pages) == 15 and done.returncode == 2
    for page in pages:
        assert (tmp_path / page).read_text().startswith("<!DOCTYPE html>")
    if "href=" not in index:
        pytest.skip("this index rendering does not link the pages")
    links = set(re.findall(r'href="([^"#]+)"', index))
    # A '%' of a file name is written %25 in its link.
    assert {p.replace("%", "%25") for p in pages} <= links
    assert "not valid JSON" in index


def test_summary_counts_agree_with_the_reports(tmp_path):
    records = [json.dumps(r) for r in generate.records(150, seed=11)]
    records[40] = '{"student": "S99", "attempts": [{"course": "MATH 1200", "status": "done"}]}'
    source = write(tmp_path, "r.jsonl", "\n".join(records) + "\n")
    piped = audit("--records", str(source), "--format=json")
    assert not SUMMARY.search(piped.stderr.decode()), "no summary on a pipe without --output"
    reports = [json.loads(line) for line in piped.stdout.splitlines()]
    audited = [r for r in reports if "error" not in r]
    satisfied = sum(r["satisfied"] for r in audited)

    written = audit("--records", str(source), "--format=json", "--output", str(tmp_path / "out"))
    counts = SUMMARY.search(written.stderr.decode()).groups()
    assert tuple(map(int, counts)) == (len(audited), satisfied, len(audited) - satisfied, 1)
    assert sorted(json.loads(p.read_text())["student"] for p in (tmp_path / "out").iterdir()) == \
        sorted(r["student"] for r in audited)


def test_output_that_cannot_be_written_stops_and_leaves_nothing_half_done(tmp_path):
    taken = write(tmp_path, "taken", "keep me\n")
    done = audit("--records", str(RECORDS / "students.jsonl"), "--output", str(taken))
    assert (done.returncode, done.stdout) == (2, b"")
    assert "not a folder" in done.stderr.decode() and taken.read_text() == "keep me\n"

    # A folder where the third student's file should go stops the run there.
    out = tmp_path / "out"
    (out / "S1003.json").mkdir(parents=True)
    done = audit("--records", str(RECORDS / "students.jsonl"), "--format=json", "--jobs=2",
                 "--output", str(out))
    assert done.returncode == 2 and "S1003.json" in done.stderr.decode()
    assert sorted(p.name for p in out.iterdir()) == ["S1001.json", "S1002.json", "S1003.json"]


def on_a_terminal(args):
    """Standard output, and what a terminal on standard error showed."""
    leader, follower = pty.openpty()
    with subprocess.Popen(args, stdout=subprocess.PIPE, stderr=follower) as child:
        os.close(follower)
        out = child.stdout.read()
    shown = b""
    while True:
        try:
            chunk = os.read(leader, 1 << 16)
        except OSError:  # the terminal closed
            break
        if not chunk:
            break
        shown += chunk
    os.close(leader)
    return out, shown


def test_progress_bar_only_on_a_terminal_and_erased(tmp_path):
    # Long enough on any machine for the bar to be drawn.
    source = write(tmp_path, "r.jsonl",
                   "".join(json.dumps(r) + "\n" for r in generate.records(8000, seed=2)))
    args = [JRL, "audit", str(PROGRAMME), "--catalogue", str(CATALOGUE),
            "--records", str(source), "--format=json", "--jobs=1"]
    piped = subprocess.run(args, capture_output=True)
    assert piped.stderr == b""

    out, shown = on_a_terminal(args)
    assert out == piped.stdout
    quiet = on_a_terminal(args + ["--no-progress"])[1].decode().replace("\r\n", "\n")
    assert "\r" not in quiet and SUMMARY.fullmatch(quiet)
    drawn = shown.decode().replace("\r\n", "\n")
    assert re.search(r"\r\[[# ]{24}\] \d+%  [\d,]+ records, [\d,]+/s", drawn), drawn[:200]
    # Erased at the end: spaces over the last bar, then the summary alone.
    last = drawn.rindex("\r", 0, drawn.rindex("\r"))
    assert drawn[last:].startswith("\r" + " " * 10)
    assert SUMMARY.fullmatch(drawn[drawn.rindex("\r") + 1:]).group(1) == "8000"
