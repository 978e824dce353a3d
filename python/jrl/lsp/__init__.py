"""``jrl-lsp``, the language server for JRL requirements files.

It speaks the Language Server Protocol over standard input and output:
diagnostics as you type with their fixes as quick fixes, completion, hover,
document symbols, folding ranges, formatting and semantic tokens. Install it
with the ``lsp`` extra (``pip install "pylibjrl[lsp]"``) and point an editor
at the ``jrl-lsp`` command; docs/editors.md gives the set-up of each editor.
"""


def main() -> None:
    """Run the server over standard input and output until the client
    asks it to exit."""
    from .server import main as run

    run()
