#!/usr/bin/env bash
# Installs the package from this checkout, with every extra (the jrl tool,
# the jrl-lsp language server, the Pygments lexer), into a virtual environment:
# .venv in the checkout, or the folder $JRL_VENV names. The build
# prerequisites come first (scripts/prerequisites.sh). Running it again after
# a change rebuilds only what changed: CMake's build stays in build/pip.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/prerequisites.sh
venv=${JRL_VENV:-.venv}
if [ ! -x "$venv/bin/python" ]; then
  "${PYTHON:-python3}" -m venv "$venv"
fi
"$venv/bin/python" -m pip install ".[all]"
echo "install: jrl and jrl-lsp are in $venv/bin (activate with: . $venv/bin/activate)"
