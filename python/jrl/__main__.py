"""``python -m jrl ARGS...`` runs the ``jrl`` command-line tool with ARGS.

The tool is a native program that the wheel installs into the scripts folder
of the environment (``bin/`` beside the interpreter); this finds it through
the files the installed distribution lists, so it also works where that
folder is not on ``PATH``.
"""

import os
import subprocess
import sys
import sysconfig
from importlib import metadata
from typing import List, Optional

_NAME = "jrl.exe" if os.name == "nt" else "jrl"


def tool_path() -> Optional[str]:
    """The installed ``jrl`` program, or ``None`` when there is none."""
    try:
        files = metadata.distribution("pylibjrl").files or []
    except metadata.PackageNotFoundError:
        files = []
    for entry in files:
        if entry.name == _NAME and entry.parent.name in ("bin", "Scripts"):
            located = str(entry.locate())
            if os.path.isfile(located):
                return located
    fallback = os.path.join(sysconfig.get_path("scripts"), _NAME)
    return fallback if os.path.isfile(fallback) else None


def main(argv: Optional[List[str]] = None) -> int:
    args = sys.argv[1:] if argv is None else argv
    path = tool_path()
    if path is None:
        print("python -m jrl: the jrl program is not installed with this package "
              "(it is built with the wheel on platforms that build it)", file=sys.stderr)
        return 2
    if os.name == "posix" and argv is None:
        sys.stdout.flush()
        sys.stderr.flush()
        os.execv(path, ["jrl", *args])
    return subprocess.call([path, *args])


if __name__ == "__main__":
    sys.exit(main())
