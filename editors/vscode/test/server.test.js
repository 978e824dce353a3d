'use strict';
// jrl-lsp started as the extension starts it: a child process spoken to over
// its standard input and output, here without VS Code. $JRL_LSP names the
// server (default: jrl-lsp on PATH). The connection is vscode-jsonrpc's, the
// library under the language client; where npm could not install it, a few
// lines below frame the same messages, so the server is still exercised.

const test = require('node:test');
const assert = require('node:assert/strict');
const { spawn } = require('node:child_process');
const { pathToFileURL } = require('node:url');

function jsonrpcConnection(child) {
  let rpc;
  try {
    rpc = require('vscode-jsonrpc/node');
  } catch {
    return undefined;
  }
  const connection = rpc.createMessageConnection(
    new rpc.StreamMessageReader(child.stdout), new rpc.StreamMessageWriter(child.stdin));
  connection.listen();
  return {
    library: 'vscode-jsonrpc',
    request: (method, params) => connection.sendRequest(method, params),
    notify: (method, params) => connection.sendNotification(method, params),
    onNotification: (method, handler) => connection.onNotification(method, handler),
    dispose: () => connection.dispose(),
  };
}

// Content-Length framing of JSON-RPC messages, both ways.
function framedConnection(child) {
  let buffer = Buffer.alloc(0);
  let nextId = 1;
  const pending = new Map();
  const handlers = new Map();
  const send = (message) => {
    const body = Buffer.from(JSON.stringify({ jsonrpc: '2.0', ...message }), 'utf8');
    child.stdin.write(`Content-Length: ${body.length}\r\n\r\n`);
    child.stdin.write(body);
  };
  child.stdout.on('data', (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    for (;;) {
      const end = buffer.indexOf('\r\n\r\n');
      if (end < 0) return;
      const length = Number(/Content-Length: *(\d+)/i.exec(buffer.subarray(0, end).toString())[1]);
      if (buffer.length < end + 4 + length) return;
      const message = JSON.parse(buffer.subarray(end + 4, end + 4 + length).toString('utf8'));
      buffer = buffer.subarray(end + 4 + length);
      if (message.id !== undefined && pending.has(message.id)) {
        const { resolve, reject } = pending.get(message.id);
        pending.delete(message.id);
        if (message.error) reject(new Error(message.error.message));
        else resolve(message.result);
      } else if (message.id === undefined && handlers.has(message.method)) {
        handlers.get(message.method)(message.params);
      }
    }
  });
  return {
    library: 'framing',
    request: (method, params) => new Promise((resolve, reject) => {
      const id = nextId++;
      pending.set(id, { resolve, reject });
      send({ id, method, params });
    }),
    notify: (method, params) => send({ method, params }),
    onNotification: (method, handler) => handlers.set(method, handler),
    dispose: () => {},
  };
}

test('jrl-lsp answers initialize over stdio and reports a file\'s mistakes', { timeout: 60000 }, async (t) => {
  const server = process.env.JRL_LSP || 'jrl-lsp';
  const child = spawn(server, ['--stdio'], { stdio: ['pipe', 'pipe', 'inherit'] });
  const exited = new Promise((resolve, reject) => {
    child.on('error', reject);
    child.on('exit', (code) => resolve(code));
  });
  const connection = jsonrpcConnection(child) || framedConnection(child);
  t.diagnostic(`connection: ${connection.library}`);

  const result = await connection.request('initialize', {
    processId: process.pid,
    rootUri: null,
    capabilities: { general: { positionEncodings: ['utf-16'] } },
    initializationOptions: { width: 80 },
  });
  assert.equal(result.serverInfo.name, 'jrl-lsp');
  const capabilities = result.capabilities;
  for (const provider of ['hoverProvider', 'documentSymbolProvider', 'documentFormattingProvider',
    'documentRangeFormattingProvider', 'foldingRangeProvider', 'codeActionProvider',
    'completionProvider', 'semanticTokensProvider']) {
    assert.ok(capabilities[provider], `${provider} is offered`);
  }
  assert.equal(capabilities.positionEncoding, 'utf-16');
  assert.equal(capabilities.textDocumentSync.openClose, true);

  const uri = pathToFileURL('/tmp/programme.jrl').href;
  const published = new Promise((resolve) => {
    connection.onNotification('textDocument/publishDiagnostics', (params) => {
      if (params.uri === uri) resolve(params.diagnostics);
    });
  });
  connection.notify('initialized', {});
  connection.notify('textDocument/didOpen', {
    textDocument: {
      uri, languageId: 'jrl', version: 1,
      text: 'SELECT 1 FROM CLASS(ECOM 1200) : "Macroeconomics";\n',
    },
  });
  const diagnostics = await published;
  assert.deepEqual(diagnostics.map((d) => [d.code, d.range.start]),
    [['JRL033', { line: 0, character: 20 }]]);

  await connection.request('shutdown', null);
  connection.notify('exit', null);
  assert.equal(await exited, 0);
  connection.dispose();
});
