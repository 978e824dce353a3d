"""``jrl-lsp``, the language server for JRL requirements files.

It speaks the Language Server Protocol over standard input and output:
diagnostics as you type with their fixes as quick fixes, completion, hover,
document symbols, folding ranges, formatting and semantic tokens. Install it
with the ``lsp`` extra (``pip install "pylibjrl[lsp]"``) and point an editor
at the ``jrl-lsp`` command; docs/editors.md gives the set-up of each editor.
"""

import argparse
from typing import Optional, Sequence


def main(argv: Optional[Sequence[str]] = None) -> None:
    """Run the server over standard input and output until the client
    asks it to exit."""
    parser = argparse.ArgumentParser(
        prog="jrl-lsp", description="The language server for JRL requirements files, over standard input and output.")
    # Some clients name the transport; standard input and output is the only one.
    parser.add_argument("--stdio", action="store_true", help="talk over standard input and output (the default)")
    parser.add_argument("--version", action="store_true", help="print the version and exit")
    args = parser.parse_args(argv)

    from .server import jrl_version, main as run

    if args.version:
        print(f"jrl-lsp {jrl_version()}")
        return
    run()
