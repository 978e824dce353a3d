"""The Vim runtime files under editors/vim, run in a headless Neovim: file
type, comment setting, and the highlight group of each character."""

from __future__ import annotations

import json
import shutil
import subprocess

import pytest

import jrl_sources

NVIM = shutil.which("nvim")
RUNTIME = jrl_sources.ROOT / "editors" / "vim"

pytestmark = pytest.mark.skipif(NVIM is None, reason="needs nvim (scripts/setup.sh installs it)")

# Prints the file type, the comment setting and, for each line, one letter
# per byte: the fourth letter of its syntax group, "." for none.
PROBE = """
local out = { filetype = vim.bo.filetype, commentstring = vim.bo.commentstring, lines = {} }
for l = 1, vim.fn.line("$") do
  local s = {}
  for c = 1, #vim.fn.getline(l) do
    local name = vim.fn.synIDattr(vim.fn.synID(l, c, 1), "name")
    s[#s + 1] = name == "" and "." or name:sub(4, 4)
  end
  out.lines[#out.lines + 1] = table.concat(s)
end
io.stdout:write(vim.fn.json_encode(out))
"""


def highlight(tmp_path, text: str) -> dict:
    source = tmp_path / "x.jrl"
    source.write_text(text, encoding="utf-8")
    probe = tmp_path / "probe.lua"
    probe.write_text(PROBE, encoding="utf-8")
    run = subprocess.run(
        [NVIM, "--clean", "--headless", "--cmd", f"set rtp^={RUNTIME}", str(source),
         "-c", f"luafile {probe}", "-c", "qa!"],
        capture_output=True, text=True, timeout=60, check=True,
    )
    return json.loads(run.stdout)


# K keyword, F function, N number, R range, C course or comment, S string,
# Q doubled quote (letters of jrlKeyword, jrlFunction, ...).
@pytest.mark.parametrize(
    "line, groups",
    [
        ('SELECT 1-3 FROM TAG("a ""b"" c") : "x" : 7;',
         "KKKKKK.NRN.KKKK.FFF.SSSQQSQQSSS....SSS...N."),
        ("LIMIT 1 FROM class(W&GS 1000L) // c",
         "KKKKK.N.KKKK.FFFFF.CCCCCCCCCC..CCCC"),
        # Vim counts bytes: the two of "Ü" are both string.
        ('"" : """" : "Übung"', "SS...SQQS...SSSSSSSS"),
        ("select Class TAGS SELECTED RANGE_TAG", "...........................FFFFFFFFF"),
    ],
)
def test_highlight_groups(tmp_path, line, groups):
    result = highlight(tmp_path, line + "\n")
    assert (result["filetype"], result["commentstring"]) == ("jrl", "// %s")
    assert result["lines"] == [groups]
