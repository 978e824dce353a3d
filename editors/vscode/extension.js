'use strict';
// The JRL extension: highlighting comes from the grammar the manifest
// contributes; everything else (diagnostics, fixes, completion, hover,
// symbols, formatting) from jrl-lsp, which this starts over stdio for the
// JRL documents of the window.

const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

const INSTALL_HINT =
  'Install it with `pip install "pylibjrl[lsp]"` or set `jrl.server.path` to its full path.';

let client;

// How to start the server and what to tell it, from the `jrl` settings.
function clientSettings(configuration) {
  const command = configuration.get('server.path') || 'jrl-lsp';
  const serverOptions = {
    command,
    args: configuration.get('server.arguments') || [],
    transport: TransportKind.stdio,
  };
  const clientOptions = {
    documentSelector: [
      { scheme: 'file', language: 'jrl' },
      { scheme: 'untitled', language: 'jrl' },
    ],
    initializationOptions: { width: configuration.get('format.width') || 100 },
  };
  // The catalogue, when one is set; else the server looks for jrl.toml.
  const catalogue = configuration.get('catalogue');
  if (catalogue) clientOptions.initializationOptions.catalogue = catalogue;
  return { command, serverOptions, clientOptions };
}

async function start() {
  const { command, serverOptions, clientOptions } =
    clientSettings(vscode.workspace.getConfiguration('jrl'));
  client = new LanguageClient('jrl', 'JRL language server', serverOptions, clientOptions);
  try {
    await client.start();
  } catch (error) {
    client = undefined;
    vscode.window.showErrorMessage(
      `JRL: could not start the language server \`${command}\` (${error.message || error}). ${INSTALL_HINT}`);
  }
}

async function stop() {
  const running = client;
  client = undefined;
  if (running) await running.stop();
}

async function restart() {
  await stop();
  await start();
}

async function activate(context) {
  context.subscriptions.push(
    vscode.commands.registerCommand('jrl.restartServer', restart),
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration('jrl')) return restart();
      return undefined;
    }),
  );
  await start();
}

function deactivate() {
  return stop();
}

module.exports = { activate, deactivate, clientSettings };
