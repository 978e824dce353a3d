"""Hints for the two arguments most often swapped: a path given to
:func:`jrl.parse`, and requirements text given to :func:`jrl.load`."""

import os
from typing import Union

from ._error import ParseError


def _looks_like_path(text: str) -> bool:
    """One line naming a ``.jrl`` file or a file that exists."""
    name = text.strip()
    if not name or "\n" in name:
        return False
    if name.endswith(".jrl"):
        return True
    try:
        return os.path.isfile(name)
    except (OSError, ValueError):  # a NUL, a name too long
        return False


def _looks_like_text(path: object) -> bool:
    return isinstance(path, str) and ("\n" in path or "SELECT" in path)


def hint_parse_error(error: ParseError, text: str) -> None:
    """Adds a ``help:`` line to the headline of ``error``, the failure of
    parsing ``text``, when the text is a path."""
    if _looks_like_path(text):
        name = text.strip()
        hint = (f"help: jrl.parse reads requirements text, and {name!r} looks "
                f"like a path; use jrl.load({name!r}) to read the file")
        error.headline = error.headline + "\n" + hint if error.headline else hint


def hint_load_error(error: Union[OSError, ValueError], path: object) -> BaseException:
    """The failure of opening ``path`` in :func:`jrl.load`, saying to use
    :func:`jrl.parse` when the path is requirements text."""
    if not _looks_like_text(path):
        return error
    hint = "this looks like requirements text, not a path; use jrl.parse(text)"
    if isinstance(error, OSError) and error.errno is not None:
        return type(error)(error.errno, f"{error.strerror}; {hint}")
    return type(error)(f"{error}; {hint}")
