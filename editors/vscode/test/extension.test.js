'use strict';
// The extension's own code, run against stand-ins for VS Code and the
// language client that record what it asks of them.

const test = require('node:test');
const assert = require('node:assert/strict');
const Module = require('node:module');

const clients = [];
const registered = {};
const errors = [];
let configListener;
let settings = {};
let failStart = false;

class LanguageClient {
  constructor(id, name, serverOptions, clientOptions) {
    Object.assign(this, { id, name, serverOptions, clientOptions, running: false });
    clients.push(this);
  }
  async start() {
    if (failStart) throw new Error('spawn jrl-lsp ENOENT');
    this.running = true;
  }
  async stop() {
    this.running = false;
  }
}

const stubs = {
  vscode: {
    workspace: {
      getConfiguration: (section) => {
        assert.equal(section, 'jrl');
        return { get: (key) => settings[key] };
      },
      onDidChangeConfiguration: (listener) => {
        configListener = listener;
        return { dispose() {} };
      },
    },
    commands: {
      registerCommand: (name, callback) => {
        registered[name] = callback;
        return { dispose() {} };
      },
    },
    window: { showErrorMessage: (message) => errors.push(message) },
  },
  'vscode-languageclient/node': { LanguageClient, TransportKind: { stdio: 0, ipc: 1 } },
};
const load = Module._load;
Module._load = function (request, ...rest) {
  return Object.hasOwn(stubs, request) ? stubs[request] : load.call(this, request, ...rest);
};
const extension = require('../extension.js');
const manifest = require('../package.json');

function configuration(values) {
  return { get: (key) => values[key] };
}

test('settings: defaults, and each setting where it is given', () => {
  const cases = [
    [{}, 'jrl-lsp', [], 100],
    [{ 'server.path': '/opt/jrl/bin/jrl-lsp', 'server.arguments': ['-v'], 'format.width': 80 },
      '/opt/jrl/bin/jrl-lsp', ['-v'], 80],
    [{ 'server.path': '' }, 'jrl-lsp', [], 100],
  ];
  for (const [values, command, args, width] of cases) {
    const { serverOptions, clientOptions } = extension.clientSettings(configuration(values));
    assert.deepEqual(serverOptions, { command, args, transport: 0 });
    assert.deepEqual(clientOptions.initializationOptions, { width });
    assert.deepEqual(clientOptions.documentSelector.map((s) => s.language), ['jrl', 'jrl']);
  }
});

test('activate starts one client; a change of setting restarts it; deactivate stops it', async () => {
  const context = { subscriptions: [] };
  settings = { 'format.width': 90 };
  await extension.activate(context);
  assert.equal(clients.length, 1);
  assert.equal(clients[0].running, true);
  assert.equal(clients[0].clientOptions.initializationOptions.width, 90);
  assert.deepEqual(Object.keys(registered), manifest.contributes.commands.map((c) => c.command));

  settings = { 'format.width': 70 };
  await configListener({ affectsConfiguration: (section) => section === 'editor' });
  assert.equal(clients.length, 1);
  await configListener({ affectsConfiguration: (section) => section === 'jrl' });
  assert.equal(clients.length, 2);
  assert.equal(clients[0].running, false);
  assert.equal(clients[1].running, true);
  assert.equal(clients[1].clientOptions.initializationOptions.width, 70);

  await registered['jrl.restartServer']();
  assert.equal(clients.length, 3);
  assert.equal(clients[1].running, false);

  await extension.deactivate();
  assert.equal(clients[2].running, false);
  await extension.deactivate();
});

test('a server that cannot start is reported with the way to install it', async () => {
  failStart = true;
  settings = { 'server.path': 'missing-jrl-lsp' };
  await registered['jrl.restartServer']();
  failStart = false;
  assert.equal(errors.length, 1);
  assert.match(errors[0], /`missing-jrl-lsp`.*ENOENT/);
  assert.match(errors[0], /pip install "pylibjrl\[lsp\]"/);
  await extension.deactivate();
});
