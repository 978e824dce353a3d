"""`jrl audit --format=html`: the student's page as headless Chromium shows
it holds what the JSON report says, screenshots of a complete and an
incomplete student kept as artefacts, and the page's own rules checked
without a browser (`jrl.Audit.to_html`)."""

import html.parser
import json
import os
import re
import subprocess
from pathlib import Path

import pytest

import jrl
from test_cli import JRL, run
from test_describe import _chromium

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

ROOT = Path(__file__).resolve().parents[2]
CATALOGUE = ROOT / "examples" / "catalogue" / "wexmoor.json"
# Every example student is a student of the B.S. in Computer Science.
PROGRAMME = ROOT / "examples" / "bs_computer_science.jrl"
RECORDS = sorted((ROOT / "examples" / "records").glob("*.json"))
# Screenshots are kept here for a person to look at after the run.
ARTEFACTS = Path(os.environ.get("JRL_TEST_ARTEFACTS") or ROOT / "build" / "test-artefacts") / "audit-html"
STATUS_WORDS = {"complete": "Complete", "in-progress": "In progress", "planned": "Planned",
                "waived": "Waived", "incomplete": "Incomplete"}
TITLES = {c["course"]: c.get("title", "") for c in json.loads(CATALOGUE.read_text())["courses"]}


def audit(record, fmt):
    result = run("audit", str(PROGRAMME), "--catalogue", str(CATALOGUE), "--record", str(record),
                 "--format=" + fmt)
    assert result.returncode in (0, 1), result.stderr
    return result.stdout.decode()


class _Sections(html.parser.HTMLParser):
    """The text a reader sees, the whole page's and each requirement
    section's (by its id), blocks apart."""

    BLOCKS = {"h1", "h2", "h3", "p", "ul", "li", "dt", "dd", "summary", "section", "span"}

    def __init__(self):
        super().__init__()
        self.page, self.sections, self.current = [], {}, None

    def handle_starttag(self, tag, attrs):
        found = dict(attrs)
        if tag == "section" and "requirement" in (found.get("class") or ""):
            self.current = found["id"]
            self.sections[self.current] = []
        if tag in self.BLOCKS:
            self.page.append(" ")
            if self.current:
                self.sections[self.current].append(" ")

    def handle_endtag(self, tag):
        if tag == "section":
            self.current = None

    def handle_data(self, data):
        self.page.append(data)
        if self.current:
            self.sections[self.current].append(data)

    def text(self, parts):
        return " ".join("".join(parts).split())


def titled(code):
    return f"{code} {TITLES[code]}" if TITLES.get(code) else code


def attempts_in(items):
    """Each attempt as the page shows it: code, title, term, and its status
    unless completed."""
    for item in items:
        if "course" in item:
            status = "" if item["status"] == "completed" else " " + item["status"].replace("-", " ")
            yield " ".join(filter(None, (titled(item["course"]), item["term"]))) + status
        yield from attempts_in(item.get("items", ()))


def expected_facts(report):
    """What the page must say, worked out from the JSON report alone: the
    page's facts, and each requirement section's by its id."""
    page = [report["student"], "Not satisfied" if not report["satisfied"] else "Satisfied"]
    for limit in report["limits"]:
        page += [limit["description"], f"{limit['used']} of {limit['allowed']} used"]
        page += [titled(c) for c in limit["courses"]]
    page += list(attempts_in(report["unused"]))
    page += [e["effect"] for e in report["exceptions"]] + report["warnings"]
    page.append("proven the best" if report["optimal"] else "not proven the best")
    sections = {}
    for r in report["requirements"]:
        facts = [r["description"], STATUS_WORDS[r["status"]]]
        if r["status"] != "waived":
            facts.append(f"{r['count']} of {r['lo']} item")
        facts += list(attempts_in(r["items"]))
        if r["status"] == "incomplete":
            facts.append("Missing: " + r["explanation"])
        facts += [titled(c) for c in r["would_count"]]
        sections[f"r{r['index']}"] = facts
    return page, sections


@pytest.fixture(scope="module")
def browser(tmp_path_factory):
    profile = tmp_path_factory.mktemp("chromium")
    return [_chromium(), "--headless", "--no-sandbox", "--disable-gpu",
            "--user-data-dir=" + str(profile), "--enable-logging=stderr", "--v=0"]


def console_errors(stderr):
    """Lines of Chromium's log that report the page's console or a load
    that failed."""
    return [line for line in stderr.splitlines()
            if re.search(r"CONSOLE|Uncaught|Failed to load|net::ERR", line)]


@pytest.mark.parametrize("record", RECORDS, ids=lambda p: p.stem)
def test_the_page_in_a_browser_says_what_the_report_says(record, browser, tmp_path):
    report = json.loads(audit(record, "json"))
    page = tmp_path / (record.stem + ".html")
    page.write_text(audit(record, "html"), encoding="utf-8")
    shown = subprocess.run([*browser, "--dump-dom", page.as_uri()],
                           capture_output=True, timeout=120, check=True)
    assert console_errors(shown.stderr.decode(errors="replace")) == []
    reader = _Sections()
    reader.feed(shown.stdout.decode())
    text = reader.text(reader.page)
    want_page, want_sections = expected_facts(report)
    assert [fact for fact in want_page if fact not in text] == []
    assert sorted(reader.sections) == sorted(want_sections)
    for section, facts in want_sections.items():
        said = reader.text(reader.sections[section])
        assert [fact for fact in facts if fact not in said] == [], section


@pytest.mark.parametrize("record", ["complete", "nearly_complete"])
def test_screenshots_are_kept(record, browser, tmp_path):
    page = tmp_path / (record + ".html")
    page.write_text(audit(ROOT / "examples" / "records" / (record + ".json"), "html"),
                    encoding="utf-8")
    ARTEFACTS.mkdir(parents=True, exist_ok=True)
    shot = ARTEFACTS / (record + ".png")
    if shot.exists():
        shot.unlink()
    taken = subprocess.run([*browser, "--window-size=1000,3600", "--screenshot=" + str(shot),
                            page.as_uri()], capture_output=True, timeout=120, check=True)
    assert console_errors(taken.stderr.decode(errors="replace")) == []
    png = shot.read_bytes()
    assert png[:8] == b"\x89PNG\r\n\x1a\n" and png[12:16] == b"IHDR"
    # A blank page compresses to a few kilobytes; a page of text does not.
    assert len(png) > 30_000


def test_the_page_without_a_browser():
    wexmoor = jrl.Catalogue.load(CATALOGUE)
    record = json.loads((ROOT / "examples" / "records" / "exceptions.json").read_text())
    # Read back from its JSON, the report gives the command's page byte for
    # byte.
    report = jrl.audit(PROGRAMME, wexmoor, record)
    # The command heads the page with the title the file's opening comment gives.
    title = PROGRAMME.read_text().splitlines()[0].lstrip("/").strip()
    assert report.to_html(wexmoor, title=title) == audit(ROOT / "examples" / "records" / "exceptions.json", "html")

    record["student"] = "<b>&\"'"
    page = jrl.audit(PROGRAMME, wexmoor, record).to_html(wexmoor, title="B.S. <CS>")
    assert "<h1>&lt;b&gt;&amp;&quot;&#39;: B.S. &lt;CS&gt;</h1>" in page
    assert "<b>&" not in page and page.count("<h1") == 1
    bars = re.findall(r'<[^>]*role="progressbar"[^>]*>', page)
    assert len(bars) == len(report.to_dict()["requirements"]) + 1
    assert all('aria-valuetext="' in bar and 'aria-label="' in bar for bar in bars)
    assert re.search(r"https?://|src=|<script|url\(", page) is None
    # Without a catalogue the courses are codes alone.
    plain = report.to_html()
    assert "MATH 1200" in plain and "Calculus I<" not in plain and "Calculus I<" in page

    with pytest.raises(TypeError, match="jrl.Catalogue"):
        report.to_html("wexmoor.json")  # type: ignore[arg-type]
    with pytest.raises(ValueError, match="requirements\\[0\\].status"):
        jrl.Audit.from_json(report.to_json().replace('"status":"', '"status":"x', 1)).to_html()


class _Links(html.parser.HTMLParser):
    """A page's visible text and the targets of its links."""

    def __init__(self):
        super().__init__()
        self.words, self.links, self.style = [], [], False

    def handle_starttag(self, tag, attrs):
        self.words.append(" ")
        self.style = tag == "style"
        if tag == "a":
            self.links.append(dict(attrs).get("href", ""))

    def handle_endtag(self, tag):
        self.words.append(" ")
        self.style = False

    def handle_data(self, data):
        if not self.style:
            self.words.append(data)

    def text(self):
        return " ".join("".join(self.words).split())


def shown_in(browser, page):
    shown = subprocess.run([*browser, "--dump-dom", page.as_uri()],
                           capture_output=True, timeout=120, check=True)
    assert console_errors(shown.stderr.decode(errors="replace")) == []
    reader = _Links()
    reader.feed(shown.stdout.decode())
    return reader


def test_the_index_and_the_standings_in_a_browser(browser, tmp_path):
    # The index: every student in input order with their progress and a
    # link to a page that exists; a bad record listed with its line.
    records = tmp_path / "students.jsonl"
    records.write_text((ROOT / "examples" / "records" / "students.jsonl").read_text()
                       + '{"student": "S9", "attempts": 3}\n', encoding="utf-8")
    folder = tmp_path / "pages"
    written = run("audit", str(PROGRAMME), "--catalogue", str(CATALOGUE), "--records", str(records),
                  "--format=html", "--output", str(folder))
    assert written.returncode == 2, written.stderr
    reports = [json.loads(line) for line in run(
        "audit", str(PROGRAMME), "--catalogue", str(CATALOGUE), "--records", str(records),
        "--format=json").stdout.decode().splitlines()]
    index = shown_in(browser, folder / "index.html")
    text = index.text()
    audited = [r for r in reports if "error" not in r]
    for r in audited:
        met = sum(q["status"] != "incomplete" for q in r["requirements"])
        row = f"{r['student']} {'✓ Satisfied' if r['satisfied'] else '✗ Not satisfied'}"
        assert row in text and f"{met} of {len(r['requirements'])} requirements" in text
    assert [p for p in reports if "error" in p][0]["line"] == len(reports)
    assert f"Line {len(reports)}:" in text and "Students audited 5" in text
    assert text.index(audited[0]["student"]) < text.index(audited[-1]["student"])
    assert len(index.links) == len(audited) and all((folder / link).is_file() for link in index.links)

    # The standings: every shipped programme, closest first, as the JSON ranks them.
    record = ROOT / "examples" / "records" / "complete.json"
    ranked = run("audit", "--programmes", str(ROOT / "examples"), "--catalogue", str(CATALOGUE),
                 "--record", str(record), "--format=json")
    page = tmp_path / "standings.html"
    page.write_bytes(run("audit", "--programmes", str(ROOT / "examples"), "--catalogue",
                         str(CATALOGUE), "--record", str(record), "--format=html").stdout)
    text = shown_in(browser, page).text()
    titles = [s["title"] for s in json.loads(ranked.stdout)]
    assert len(titles) == len(list((ROOT / "examples").glob("*.jrl")))
    places = [text.find(t) for t in titles]
    assert -1 not in places and places == sorted(places)
