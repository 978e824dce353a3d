"""`jrl fmt`, run as a subprocess: rewriting in place, --check, --diff,
standard input, directories, failures; the pre-commit hook; the formatting
of the shipped examples and the guide; and the formatter's properties over
the benchmark corpus.
"""

import errno
import importlib.util
import json
import os
import pathlib
import pwd
import re
import resource
import signal
import stat
import subprocess
import sys
import tempfile
import time

import pytest

from test_cli import EXAMPLES, GUIDE, JRL, ROOT, run, write

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

MESSY = 'select_me = 1;'  # does not parse
UGLY = 'SELECT 01 FROM [class(MATH1200),CLASS(MATH 1210)]:"Calculus"  ;  // kept\n'
PRETTY = 'SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1210)] : "Calculus";  // kept\n'


# ---- rewriting files -----------------------------------------------------

# What `jrl fmt` says after rewriting files in place.
REFORMATTED_ONE = b"1 file reformatted, 0 left unchanged\n"


def test_rewrites_in_place_keeping_permissions(tmp_path):
    path = write(tmp_path, "a.jrl", UGLY)
    path.chmod(0o640)
    r = run("fmt", "a.jrl", cwd=tmp_path)
    assert (r.returncode, r.stdout, r.stderr) == (0, b"", REFORMATTED_ONE)
    assert path.read_text() == PRETTY
    assert stat.S_IMODE(path.stat().st_mode) == 0o640
    # Nothing is left beside it.
    assert sorted(p.name for p in tmp_path.iterdir()) == ["a.jrl"]


def test_formatted_file_is_not_rewritten(tmp_path):
    path = write(tmp_path, "a.jrl", PRETTY)
    before = path.stat()
    assert run("fmt", "a.jrl", cwd=tmp_path).returncode == 0
    after = path.stat()
    assert (before.st_ino, before.st_mtime_ns) == (after.st_ino, after.st_mtime_ns)


def test_symbolic_link_keeps_pointing_at_the_rewritten_file(tmp_path):
    target = write(tmp_path, "real.jrl", UGLY)
    (tmp_path / "link.jrl").symlink_to("real.jrl")
    assert run("fmt", "link.jrl", cwd=tmp_path).returncode == 0
    assert (tmp_path / "link.jrl").is_symlink()
    assert target.read_text() == PRETTY


def test_failing_file_is_reported_as_check_reports_it_and_left_alone(tmp_path):
    bad = write(tmp_path, "bad.jrl", MESSY)
    good = write(tmp_path, "good.jrl", UGLY)
    fmt = run("fmt", "--color=never", "bad.jrl", "good.jrl", cwd=tmp_path)
    check = run("check", "--color=never", "bad.jrl", cwd=tmp_path)
    assert fmt.returncode == 3
    assert fmt.stderr.decode() == check.stderr.decode() + (
        "1 file reformatted, 0 left unchanged, 1 could not be formatted\n")
    assert bad.read_text() == MESSY
    assert good.read_text() == PRETTY


def test_invalid_utf8_is_reported_as_check_reports_it(tmp_path):
    write(tmp_path, "bad.jrl", b'SELECT 1 FROM TAG("\xff") : "x";')
    fmt = run("fmt", "--color=never", "bad.jrl", cwd=tmp_path)
    check = run("check", "--color=never", "bad.jrl", cwd=tmp_path)
    assert (fmt.returncode, fmt.stderr) == (3, check.stderr)


def test_byte_order_mark_is_kept_and_not_read_as_text(tmp_path):
    # As every other command reads such a file; the mark stays in front.
    bom = b"\xef\xbb\xbf"
    path = write(tmp_path, "a.jrl", bom + UGLY.encode())
    assert run("fmt", "a.jrl", cwd=tmp_path).returncode == 0
    assert path.read_bytes() == bom + PRETTY.encode()
    assert run("fmt", "--check", "a.jrl", cwd=tmp_path).returncode == 0
    r = run("fmt", "-", stdin=bom + UGLY.encode())
    assert (r.returncode, r.stdout) == (0, bom + PRETTY.encode())
    write(tmp_path, "bad.jrl", bom + MESSY.encode())
    fmt = run("fmt", "--color=never", "bad.jrl", cwd=tmp_path)
    check = run("check", "--color=never", "bad.jrl", cwd=tmp_path)
    assert (fmt.returncode, fmt.stderr) == (3, check.stderr)
    assert b"JRL010" in fmt.stderr


def test_directories_mean_every_jrl_file_below_them(tmp_path):
    write(tmp_path, "b.jrl", UGLY)
    (tmp_path / "sub").mkdir()
    write(tmp_path / "sub", "a.jrl", UGLY)
    write(tmp_path, "notes.txt", UGLY)
    r = run("fmt", "--check", ".", cwd=tmp_path)
    assert r.returncode == 1
    assert r.stdout.decode() == "./b.jrl\n./sub/a.jrl\n"
    assert run("fmt", ".", cwd=tmp_path).returncode == 0
    assert (tmp_path / "sub" / "a.jrl").read_text() == PRETTY
    assert (tmp_path / "notes.txt").read_text() == UGLY


def test_directory_walks_stay_inside_the_tree(tmp_path):
    # Links found by a walk are not followed, to files or directories, in the
    # tree or out of it; a link named on the command line is.
    outside = tmp_path / "outside"
    outside.mkdir()
    write(outside, "o.jrl", UGLY)
    tree = tmp_path / "tree"
    tree.mkdir()
    write(tree, "a.jrl", UGLY)
    (tree / "env.jrl").symlink_to("/proc/self/environ")
    (tree / "out.jrl").symlink_to(outside / "o.jrl")
    (tree / "outdir").symlink_to(outside)
    (tree / "same.jrl").symlink_to("a.jrl")
    r = run("check", "--verbose", "--format=json", "tree", cwd=tmp_path,
            env={"JRL_TEST_SECRET": "s3cr3t"})
    assert (r.returncode, r.stdout, r.stderr) == (0, b"tree/a.jrl: ok (1 requirement)\n", b"")
    assert run("fmt", "tree", cwd=tmp_path).returncode == 0
    assert ((tree / "a.jrl").read_text(), (outside / "o.jrl").read_text()) == (PRETTY, UGLY)
    assert all((tree / name).is_symlink() for name in ("env.jrl", "out.jrl", "same.jrl"))
    assert run("fmt", "tree/out.jrl", cwd=tmp_path).returncode == 0
    assert (outside / "o.jrl").read_text() == PRETTY


def fmt_refused(path, *args, **kwargs):
    """Runs `jrl fmt` on `path` (in its directory) expecting a refusal that
    changes nothing there; returns the message."""
    before = sorted((p.name, p.read_bytes()) for p in path.parent.iterdir() if p.is_file())
    r = subprocess.run([JRL, "fmt", "--color=never", *args, path.name], cwd=path.parent,
                       capture_output=True, timeout=60, **kwargs)
    after = sorted((p.name, p.read_bytes()) for p in path.parent.iterdir() if p.is_file())
    assert (r.returncode, r.stdout, after) == (2, b"", before)
    return r.stderr.decode()


def test_files_that_cannot_be_rewritten_safely_are_refused(tmp_path):
    fifo = tmp_path / "fifo" / "f.jrl"
    fifo.parent.mkdir()
    os.mkfifo(fifo)
    # Refused without waiting for a writer.
    assert fmt_refused(fifo) == "error: cannot format f.jrl: not a regular file\n"
    assert stat.S_ISFIFO(fifo.stat().st_mode)
    linked = write(tmp_path, "a.jrl", UGLY)
    os.link(linked, tmp_path / "b.jrl")
    assert fmt_refused(linked) == (
        "error: cannot write a.jrl: it has 2 hard links, and the other names would keep "
        "the old text (--allow-hardlinks rewrites it in place)\n")
    r = run("fmt", "--allow-hardlinks", "a.jrl", cwd=tmp_path)
    assert (r.returncode, r.stderr) == (0, REFORMATTED_ONE)
    assert (tmp_path / "b.jrl").read_text() == PRETTY
    assert os.path.samefile(linked, tmp_path / "b.jrl")
    # Past the file size limit: a message, and no temporary file left.
    large = write(tmp_path / "fifo", "large.jrl", UGLY * 100)
    limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000))  # noqa: E731
    assert fmt_refused(large, preexec_fn=limit) == (
        "error: cannot write large.jrl: writing the temporary file: File too large\n")


def test_what_a_rewrite_keeps(tmp_path):
    # The longest name a file may have, and the file's extended attributes.
    path = write(tmp_path, "n" * 251 + ".jrl", UGLY)
    try:
        os.setxattr(path, "user.jrl.note", b"kept")
    except OSError as e:
        if e.errno not in (errno.ENOTSUP, errno.EPERM):
            raise
    attributes = {name: os.getxattr(path, name) for name in os.listxattr(path)}
    inode = path.stat().st_ino
    r = run("fmt", path.name, cwd=tmp_path)
    assert (r.returncode, r.stderr) == (0, REFORMATTED_ONE)
    assert (path.read_text(), path.stat().st_ino != inode) == (PRETTY, True)
    assert {name: os.getxattr(path, name) for name in os.listxattr(path)} == attributes
    assert sorted(p.name for p in tmp_path.iterdir()) == [path.name]


@pytest.mark.parametrize("directory_mode, file_mode, message", [
    (0o755, 0o444, "cannot write a.jrl: Permission denied"),
    (0o555, 0o644, "cannot write a.jrl: creating a temporary file in .: Permission denied"),
])
def test_what_the_user_may_not_write_is_refused(directory_mode, file_mode, message):
    # As an ordinary user: root may write anything.
    user = pwd.getpwnam("nobody") if os.geteuid() == 0 else None
    def become_user():
        if user:
            os.setgroups([])
            os.setgid(user.pw_gid)
            os.setuid(user.pw_uid)
    if user:
        try:
            runs = subprocess.run([JRL, "--version"], preexec_fn=become_user,
                                  capture_output=True).returncode == 0
        except (OSError, subprocess.SubprocessError):
            runs = False
        if not runs:
            pytest.skip(f"{JRL} cannot be run as nobody here")
    with tempfile.TemporaryDirectory() as directory:
        path = write(pathlib.Path(directory), "a.jrl", UGLY)
        if user:
            os.chown(directory, user.pw_uid, user.pw_gid)
            os.chown(path, user.pw_uid, user.pw_gid)
        path.chmod(file_mode)
        os.chmod(directory, directory_mode)
        try:
            assert fmt_refused(path, preexec_fn=become_user) == f"error: {message}\n"
        finally:
            os.chmod(directory, 0o755)


def read_to_the_end(pid, path):
    """Whether process `pid` holds `path` open with all of it read."""
    size = path.stat().st_size
    for fd in os.listdir(f"/proc/{pid}/fd"):
        if os.readlink(f"/proc/{pid}/fd/{fd}") == str(path):
            with open(f"/proc/{pid}/fdinfo/{fd}") as f:
                return int(re.search(r"^pos:\s+(\d+)$", f.read(), re.M).group(1)) == size
    return False


def test_text_written_while_the_file_is_formatted_is_not_lost(tmp_path):
    # jrl is stopped once it has read the file, the file gets a line, and jrl
    # goes on: it must see that the file is no longer what it read.
    text = UGLY * 150000
    path = write(tmp_path, "big.jrl", text)
    for _ in range(5):
        proc = subprocess.Popen([JRL, "fmt", "--color=never", "big.jrl"], cwd=tmp_path,
                                stderr=subprocess.PIPE)
        try:
            while proc.poll() is None and not read_to_the_end(proc.pid, path):
                time.sleep(0.0002)
        except (OSError, AttributeError):
            pass  # it has ended
        caught = proc.poll() is None
        if caught:
            time.sleep(0.005)  # for the read that finds the end
            os.kill(proc.pid, signal.SIGSTOP)
            with open(path, "a") as f:
                f.write("// added\n")
            os.kill(proc.pid, signal.SIGCONT)
        err = proc.communicate(timeout=60)[1].decode()
        if caught:
            break
        path.write_text(text)
    assert caught, "jrl formatted the file before it could be stopped"
    assert (proc.returncode, err) == (2, "error: cannot write big.jrl: it changed while it was "
                                         "being formatted and is left as it is (run jrl fmt again)\n")
    assert path.read_text() == text + "// added\n"


# ---- --check, --diff, standard input ---------------------------------------


@pytest.mark.parametrize("content, status, listed", [
    (UGLY, 1, "a.jrl\n"),
    (PRETTY, 0, ""),
])
def test_check_changes_nothing_and_lists_what_would_change(tmp_path, content, status, listed):
    path = write(tmp_path, "a.jrl", content)
    r = run("fmt", "--check", "a.jrl", cwd=tmp_path)
    assert (r.returncode, r.stdout.decode(), r.stderr) == (status, listed, b"")
    assert path.read_text() == content


def test_diff_prints_a_unified_diff_and_changes_nothing(tmp_path):
    before = "// head\n" + UGLY + 'SELECT 2 FROM TAG("t") : "x";\n'
    path = write(tmp_path, "a.jrl", before)
    r = run("fmt", "--diff", "a.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert r.stdout.decode() == (
        "--- a.jrl\n+++ a.jrl\n@@ -1,3 +1,3 @@\n // head\n-" + UGLY + "+" + PRETTY
        + ' SELECT 2 FROM TAG("t") : "x";\n'
    )
    assert path.read_text() == before
    # Where the patch tool exists, the diff turns the file into the formatted one.
    if subprocess.run(["sh", "-c", "command -v patch"], capture_output=True).returncode == 0:
        subprocess.run(["patch", "-s", "a.jrl"], input=r.stdout, cwd=tmp_path, check=True)
        assert path.read_text() == run("fmt", "-", stdin=before.encode()).stdout.decode()


def test_diff_marks_a_missing_final_line_feed(tmp_path):
    write(tmp_path, "a.jrl", PRETTY.rstrip("\n"))
    r = run("fmt", "--diff", "a.jrl", cwd=tmp_path)
    assert r.stdout.decode() == (
        "--- a.jrl\n+++ a.jrl\n@@ -1 +1 @@\n-" + PRETTY.rstrip("\n")
        + "\n\\ No newline at end of file\n+" + PRETTY
    )


def test_standard_input_to_standard_output():
    r = run("fmt", "-", stdin=UGLY.encode())
    assert (r.returncode, r.stdout.decode(), r.stderr) == (0, PRETTY, b"")
    r = run("fmt", "--width", "30", "-", stdin=UGLY.encode())
    assert r.stdout.decode() == (
        "SELECT 1 FROM [\n    CLASS(MATH 1200),\n    CLASS(MATH 1210)\n"
        '] : "Calculus";  // kept\n'
    )
    r = run("fmt", "-", stdin=MESSY.encode())
    assert (r.returncode, r.stdout) == (3, b"")
    assert r.stderr.decode().startswith("error[JRL010]: found `select_me` where a requirement such as ")


@pytest.mark.parametrize("args, message", [
    ([], "'jrl fmt' needs a file or directory (use - for standard input)"),
    (["--width", "0", "-"], "invalid value '0' for '--width' (expected a positive number)"),
    (["--width"], "option '--width' needs a value"),
    (["--wide", "-"], "unknown option '--wide'"),
])
def test_usage_errors(args, message):
    r = run("fmt", *args)
    assert r.returncode == 2
    assert r.stderr.decode() == f"jrl: {message}\nTry 'jrl fmt --help' for more information.\n"


def test_missing_file_is_a_usage_failure(tmp_path):
    r = run("fmt", "--color=never", "gone.jrl", cwd=tmp_path)
    assert r.returncode == 2
    assert r.stderr.decode() == "error: cannot read gone.jrl: No such file or directory\n"


# ---- the pre-commit hook -------------------------------------------------------


def hook(hook_id):
    text = (ROOT / ".pre-commit-hooks.yaml").read_text()
    block = re.search(rf"^- id: {hook_id}\n(.*?)(?=^- id:|\Z)", text, re.S | re.M).group(1)
    return dict(re.findall(r"^  (\w+): (.*)$", block, re.M))


def test_hook_entry_formats_the_files_it_is_given(tmp_path):
    entry = hook("jrl-fmt")
    assert entry["files"] == r"\.jrl$"
    command = entry["entry"].split()
    assert command[0] == "jrl"
    write(tmp_path, "a.jrl", UGLY)
    write(tmp_path, "b.jrl", PRETTY)
    r = run(*command[1:], "a.jrl", "b.jrl", cwd=tmp_path)
    assert r.returncode == 0
    assert (tmp_path / "a.jrl").read_text() == PRETTY


# ---- shipped files stay formatted ------------------------------------------


def test_examples_are_formatted():
    files = sorted(str(p) for p in EXAMPLES.glob("*.jrl"))
    r = run("fmt", "--check", *files)
    assert (r.returncode, r.stdout, r.stderr) == (0, b"", b"")


AS_WRITTEN = "<!-- jrl fmt: as written -->\n"


def guide_jrl_blocks():
    text = GUIDE.read_text()
    for m in re.finditer(r"^(<!-- [^\n]* -->\n)?```jrl\n(.*?)^```\n", text, re.S | re.M):
        yield m.group(1) == AS_WRITTEN, m.group(2)


def test_guide_examples_are_formatted_unless_marked():
    blocks = list(guide_jrl_blocks())
    assert len(blocks) >= 15
    for as_written, body in blocks:
        if not as_written:
            assert run("fmt", "-", stdin=body.encode()).stdout.decode() == body


STYLE = ROOT / "docs" / "style.md"
PAIR = re.compile(r"^Before(?: \(width (\d+)\))?:\n\n```\n(.*?)^```\n\nAfter:\n\n```\n(.*?)^```\n",
                  re.S | re.M)


def test_style_document_pairs_hold():
    pairs = PAIR.findall(STYLE.read_text())
    assert len(pairs) == 3
    for width, before, after in pairs:
        r = run("fmt", "--width", width or "100", "-", stdin=before.encode())
        assert (r.returncode, r.stdout.decode()) == (0, after)


# ---- properties over the benchmark corpus -------------------------------------------


def load_corpus():
    spec = importlib.util.spec_from_file_location("corpus", ROOT / "bench" / "corpus.py")
    module = importlib.util.module_from_spec(spec)
    sys.modules["corpus"] = module
    spec.loader.exec_module(module)
    return module


def comments(text):
    found = []
    for line in text.split("\n"):
        in_string = False
        for i, c in enumerate(line):
            if c == '"':
                in_string = not in_string
            elif not in_string and line.startswith("//", i):
                found.append(line[i:].rstrip(" \t\r\f\v"))
                break
    return found


def bench_texts():
    corpus = load_corpus()
    texts = [(f"realistic seed {seed}", corpus.realistic(16 * 1024, seed)) for seed in range(1, 21)]
    texts += [
        ("long list", corpus.long_list(2000)),
        ("long string", corpus.long_string(20000)),
        ("long comment", corpus.long_comment(20000)),
        ("deep statement", corpus.deep_statement()),
        ("single line", corpus.single_line(16 * 1024)),
    ]
    return texts


def test_properties_over_the_bench_corpus(tmp_path):
    texts = bench_texts()
    for name, text in texts:
        for width in (100, 40):
            formatted = run("fmt", "--width", str(width), "-", stdin=text.encode())
            assert formatted.returncode == 0, name
            out = formatted.stdout.decode()
            write(tmp_path, "before.jrl", text)
            write(tmp_path, "after.jrl", out)
            before = run("json", "before.jrl", cwd=tmp_path).stdout
            after = run("json", "after.jrl", cwd=tmp_path).stdout
            assert before == after, f"{name}: the meaning changed"
            again = run("fmt", "--width", str(width), "-", stdin=formatted.stdout)
            assert again.stdout == formatted.stdout, f"{name}: not idempotent"
            assert comments(out) == comments(text), f"{name}: comments changed"
            for line in out.split("\n"):
                if len(line) > width:
                    code = line.split("  //")[0] if "  //" in line else line
                    flat_list = re.search(r"\[[^\"]*\]", re.sub(r'"[^"]*"', '""', code))
                    assert len(code) <= width or not flat_list, f"{name}: {line}"
    print(f"format properties: bench corpus: {len(texts)} files")
