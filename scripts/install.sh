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
# The build runs in the environment itself rather than in one pip makes
# afresh, so that CMake's build in build/pip is kept and reused.
tools=("scikit-build-core>=0.10")
command -v cmake >/dev/null 2>&1 || tools+=("cmake>=3.25")
command -v ninja >/dev/null 2>&1 || tools+=("ninja>=1.10")
"$venv/bin/python" -m pip install -q "${tools[@]}"
"$venv/bin/python" -m pip install --no-build-isolation ".[all]"
echo "install: jrl and jrl-lsp are in $venv/bin (activate with: . $venv/bin/activate)"
