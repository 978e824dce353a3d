"""`jrl describe`: every shipped programme in every format, its failures,
and the HTML page as a browser renders it (headless Chromium)."""

import html.parser
import os
import shutil
import struct
import subprocess
from pathlib import Path

import pytest

import jrl
from test_cli import JRL, run, write

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

ROOT = Path(__file__).resolve().parents[2]
CATALOGUE = ROOT / "examples" / "catalogue" / "wexmoor.json"
PROGRAMMES = sorted((ROOT / "examples").glob("*.jrl"))
FORMATS = ("text", "markdown", "html")


@pytest.mark.parametrize("programme", PROGRAMMES, ids=lambda p: p.name)
def test_every_programme_in_every_format(programme):
    """The command and the package say the same, with and without a
    catalogue; the opening comment is the title."""
    wexmoor = jrl.Catalogue.load(CATALOGUE)
    text = programme.read_text(encoding="utf-8")
    for fmt in FORMATS:
        for catalogue, extra in ((None, []), (wexmoor, ["--catalogue", str(CATALOGUE)])):
            result = run("describe", str(programme), "--format=" + fmt, *extra)
            assert (result.returncode, result.stderr) == (0, b""), (fmt, extra)
            out = result.stdout.decode()
            assert out == jrl.describe(text, catalogue=catalogue, format=fmt)
            assert "Wexmoor University:" in out
    # A File has no comment to take a title from; its sentences are the same.
    assert jrl.describe(jrl.parse(text)) == jrl.describe(text).split("\n\n", 1)[1]


def test_failures(tmp_path):
    bad = write(tmp_path, "bad.jrl", 'SELECT 0 FROM CLASS(MATH 1200) : "Calculus";\n')
    result = run("describe", str(bad))
    assert (result.returncode, result.stdout) == (1, b"")
    assert "error[JRL020]: cannot select zero" in result.stderr.decode()

    broken = write(tmp_path, "broken.json", '{"courses": [{"course": "MATH 120"}]}')
    result = run("describe", str(PROGRAMMES[0]), "--catalogue", str(broken))
    assert (result.returncode, result.stdout) == (2, b"")
    assert "broken.json: courses[0]" in result.stderr.decode()

    result = run("describe", str(PROGRAMMES[0]), "--format=pdf")
    assert result.returncode == 2
    assert "expected text, markdown or html" in result.stderr.decode()

    with pytest.raises(jrl.ParseError, match="cannot select zero"):
        jrl.describe(bad.read_text())
    with pytest.raises(ValueError, match="format must be"):
        jrl.describe("", format="pdf")


class _Text(html.parser.HTMLParser):
    """The text of a page's body, blocks apart, as a reader sees it."""

    BLOCKS = {"h1", "h2", "h3", "p", "ul", "li"}

    def __init__(self):
        super().__init__()
        self.parts = []
        self.in_body = False

    def handle_starttag(self, tag, attrs):
        self.in_body = self.in_body or tag == "body"
        if tag in self.BLOCKS:
            self.parts.append(" ")

    def handle_data(self, data):
        if self.in_body:
            self.parts.append(data)


def _chromium():
    found = shutil.which("chromium")
    if found is None:
        if os.environ.get("CI") == "true" or os.environ.get("JRL_REQUIRE_CHROMIUM"):
            pytest.fail("chromium is required here (scripts/test_python.sh installs it)")
        pytest.skip("chromium is not installed (apt-get install chromium)")
    return found


def test_page_in_a_browser(tmp_path):
    chromium = _chromium()
    page = tmp_path / "programme.html"
    result = run(
        "describe",
        str(ROOT / "examples" / "bs_computer_science.jrl"),
        "--catalogue",
        str(CATALOGUE),
        "--format=html",
    )
    assert result.returncode == 0, result.stderr
    page.write_bytes(result.stdout)
    browser = [chromium, "--headless", "--no-sandbox", "--disable-gpu",
               "--user-data-dir=" + str(tmp_path / "profile")]

    dom = subprocess.run(
        [*browser, "--dump-dom", page.as_uri()], capture_output=True, timeout=120, check=True
    ).stdout.decode()
    reader = _Text()
    reader.feed(dom)
    text = " ".join("".join(reader.parts).split())
    for sentence in (
        "Wexmoor University: Bachelor of Science in Computer Science",
        "Take one of: MATH 1200 Calculus I the placement MATHCALC2",
        "Take five courses from CSCI 4000-4999, of which at most one from MATH 4000-4999.",
        "Take one course tagged WX Ethics for the programme CSCI-BS.",
        "At most two courses from CSCI 1000-1999 count towards the whole programme.",
        "the audit fills requirements with a higher priority first",
    ):
        assert sentence in text

    shot = tmp_path / "programme.png"
    subprocess.run(
        [*browser, "--window-size=1000,1400", "--screenshot=" + str(shot), page.as_uri()],
        capture_output=True, timeout=120, check=True,
    )
    png = shot.read_bytes()
    assert png[:8] == b"\x89PNG\r\n\x1a\n" and png[12:16] == b"IHDR"
    assert struct.unpack(">II", png[16:24]) == (1000, 1400)
    # A blank page compresses to a few kilobytes; a page of text does not.
    assert len(png) > 30_000
