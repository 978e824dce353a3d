"""The configuration file of a project, as ``jrl check`` reads it:
``jrl.toml``, or the ``[tool.jrl]`` table of ``pyproject.toml``, in the
directory of a file or the nearest one above it. Its one setting,
``catalogue``, is a path relative to the configuration file."""

import os
import sys
from pathlib import Path
from typing import Any, Dict, NamedTuple, Optional, Tuple, Union

if sys.version_info >= (3, 11):
    import tomllib as _toml
else:  # pragma: no cover - the lsp extra installs tomli there
    import tomli as _toml

KNOWN = ("catalogue",)


class ConfigError(ValueError):
    """A configuration file that is not TOML or holds a setting that is not
    known or of the wrong type; ``str()`` names the file."""


class Config(NamedTuple):
    path: Path
    """The file read."""
    catalogue: Optional[Path]
    """The catalogue it names, made absolute from the file's directory."""


def read_config(path: Path, table: bool) -> Config:
    """Reads one file; ``table`` is true for a ``pyproject.toml``, whose
    settings are those of its ``[tool.jrl]`` table."""
    try:
        with open(path, "rb") as stream:
            data: Dict[str, Any] = _toml.load(stream)
    except _toml.TOMLDecodeError as e:
        raise ConfigError(f"{path}: {e}") from None
    if table:
        tool = data.get("tool", {})
        data = tool.get("jrl", {}) if isinstance(tool, dict) else {}
        if not isinstance(data, dict):
            raise ConfigError(f"{path}: [tool.jrl] must be a table")
    for key in data:
        if key not in KNOWN:
            raise ConfigError(f'{path}: unknown setting "{key}" (known: {", ".join(KNOWN)})')
    catalogue = data.get("catalogue")
    if catalogue is not None and (not isinstance(catalogue, str) or not catalogue):
        raise ConfigError(f'{path}: "catalogue" must be the path of a catalogue, as a string')
    return Config(path, path.parent / catalogue if catalogue else None)


_NAMES: Tuple[Tuple[str, bool], ...] = (("jrl.toml", False), ("pyproject.toml", True))


def find_config(directory: Union[str, "os.PathLike[str]"]) -> Optional[Config]:
    """The configuration that applies to files in ``directory``: in it or
    the nearest directory above it, ``jrl.toml``, else a ``pyproject.toml``
    whose ``[tool.jrl]`` names a catalogue. None when there is neither."""
    at = Path(os.path.abspath(directory))
    while True:
        for name, table in _NAMES:
            candidate = at / name
            if candidate.is_file():
                config = read_config(candidate, table)
                # A pyproject.toml without [tool.jrl] is some other project's.
                if not table or config.catalogue is not None:
                    return config
        if at.parent == at:
            return None
        at = at.parent
