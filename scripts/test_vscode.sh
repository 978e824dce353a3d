#!/usr/bin/env bash
# Tests the VS Code extension without VS Code: its code against stand-ins for
# the editor, its manifest, and jrl-lsp started over stdio as the extension
# starts it; then builds the .vsix with vsce, which validates the manifest.
# The server is $JRL_LSP, else jrl-lsp on PATH. Node and npm come from Debian
# when missing. The extension is copied, links resolved, into
# build/vscode, where npm installs its packages and the .vsix is written.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
stage=$root/build/vscode

if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  bash scripts/prerequisites.sh nodejs npm
fi
lsp=${JRL_LSP:-$(command -v jrl-lsp || true)}
[ -x "$lsp" ] || { echo "test_vscode: no jrl-lsp (set JRL_LSP to its path)" >&2; exit 1; }

rm -rf "$stage"
mkdir -p "$stage"
(cd editors/vscode && tar --exclude=node_modules --exclude='*.vsix' -chf - .) | tar -xf - -C "$stage"
cd "$stage"

registry=yes
npm ping --fetch-retries=0 --fetch-timeout=20000 >/dev/null 2>&1 || registry=no
if [ "$registry" = yes ]; then
  if [ -f package-lock.json ]; then
    npm ci --no-audit --no-fund
  else
    npm install --no-audit --no-fund
    echo "test_vscode: no lock file is committed; commit the one npm wrote," \
      "build/vscode/package-lock.json, to editors/vscode/" >&2
  fi
else
  echo "test_vscode: the npm registry cannot be reached; the tests run without" \
    "npm packages and no .vsix is built" >&2
fi

echo "== node tests ($(node --version))"
JRL_LSP=$lsp node --test test/*.test.js

if [ "$registry" = yes ]; then
  echo "== vsce package"
  version=$(node -p 'require("./package.json").version')
  npx --no-install vsce package --out "jrl-$version.vsix"
  listing=$(python3 -m zipfile -l "jrl-$version.vsix")
  grep -q 'extension/node_modules/vscode-languageclient/' <<<"$listing" || {
    echo "test_vscode: the .vsix lacks vscode-languageclient" >&2; exit 1; }
  echo "built $stage/jrl-$version.vsix"
fi
