"""What jrl-lsp's guides say: the Neovim set-up of docs/editors.md, taken
from the guide as written and run in a headless Neovim against the installed
jrl-lsp (diagnostics arrive, formatting rewrites the buffer); and the
documentation links of the diagnostics, which name sections of
docs/diagnostics.md."""

from __future__ import annotations

import json
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import jrl
import jrl_sources

NVIM = shutil.which("nvim")
GUIDE = jrl_sources.ROOT / "docs" / "editors.md"
RUNTIME = jrl_sources.ROOT / "editors" / "vim"
# The console script is installed beside the interpreter.
SERVER = Path(sys.executable).with_name("jrl-lsp")

needs_neovim = pytest.mark.skipif(NVIM is None, reason="needs nvim (scripts/setup.sh installs it)")
needs_server = pytest.mark.skipif(not SERVER.exists(), reason="needs jrl-lsp installed beside the interpreter")

PROBE = """
vim.wait(20000, function() return #vim.diagnostic.get(0) > 0 end, 50)
local out = { filetype = vim.bo.filetype, diagnostics = {} }
for _, d in ipairs(vim.diagnostic.get(0)) do
  out.diagnostics[#out.diagnostics + 1] = { d.lnum, d.col, d.code, d.message }
end
vim.api.nvim_buf_set_lines(0, 0, -1, false, { 'SELECT 1 FROM   TAG( "x" ):"y";' })
vim.wait(20000, function() return #vim.diagnostic.get(0) == 0 end, 50)
if vim.lsp.buf.format then vim.lsp.buf.format({ timeout_ms = 20000 }) else vim.lsp.buf.formatting_sync(nil, 20000) end
out.formatted = vim.api.nvim_buf_get_lines(0, 0, -1, false)
io.stdout:write(vim.fn.json_encode(out))
vim.cmd("qa!")
"""


def guide_configuration(version: tuple[int, int]) -> str:
    """The guide's configuration for this Neovim: the first block is for
    0.11 and newer, the second for 0.7 to 0.10."""
    blocks = re.findall(r"```lua\n(.*?)```", GUIDE.read_text(encoding="utf-8"), re.S)
    assert len(blocks) == 2
    return blocks[0] if version >= (0, 11) else blocks[1]


def nvim_version() -> tuple[int, int]:
    out = subprocess.run([NVIM, "--version"], capture_output=True, text=True, check=True).stdout
    major, minor = re.match(r"NVIM v(\d+)\.(\d+)", out).groups()
    return int(major), int(minor)


@needs_neovim
@needs_server
def test_the_guides_neovim_set_up(tmp_path):
    (tmp_path / "init.lua").write_text(guide_configuration(nvim_version()), encoding="utf-8")
    (tmp_path / "probe.lua").write_text(PROBE, encoding="utf-8")
    (tmp_path / "init.vim").write_text(
        f"set rtp^={RUNTIME}\nfiletype plugin on\nluafile {tmp_path / 'init.lua'}\n", encoding="utf-8")
    source = tmp_path / "a.jrl"
    source.write_text('SELECT 1 FROM CLASS(MATX 1200) : "Calculus";\n', encoding="utf-8")
    env = dict(os.environ, PATH=f"{SERVER.parent}{os.pathsep}{os.environ.get('PATH', '')}")
    run = subprocess.run(
        [NVIM, "--headless", "-u", str(tmp_path / "init.vim"), "-i", "NONE", str(source),
         "-c", f"luafile {tmp_path / 'probe.lua'}"],
        capture_output=True, text=True, timeout=120, env=env, cwd=tmp_path)
    out = json.loads(run.stdout)
    assert out["filetype"] == "jrl"
    assert out["diagnostics"] == [
        [0, 20, "JRL033", "this department does not exist in Wexmoor's course catalog (Did you mean: MATH)"]]
    assert out["formatted"] == ['SELECT 1 FROM TAG("x") : "y";']


def test_every_code_links_to_its_section():
    pytest.importorskip("pygls")
    from jrl.lsp.diagnostics import DOCUMENTATION, documentation

    guide = (jrl_sources.ROOT / "docs" / "diagnostics.md").read_text(encoding="utf-8")
    sections = dict(re.findall(r"^## (JRL\d{3}): ([a-z0-9-]+)$", guide, re.M))
    # The guide has a section for every code of the library, and the link
    # of each code goes to its section's anchor.
    assert {c.code: c.name for c in jrl.diagnostic_codes()} == sections
    for code, name in sections.items():
        assert documentation(code) == f"{DOCUMENTATION}#{code.lower()}-{name}"
    source = re.search(r'^Source = "(.*)"$', (jrl_sources.ROOT / "pyproject.toml").read_text(), re.M).group(1)
    assert DOCUMENTATION == f"{source}/blob/main/docs/diagnostics.md"
