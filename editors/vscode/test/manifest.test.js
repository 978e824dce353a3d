'use strict';
// What the manifest promises is there: the files it names, a grammar for the
// language it declares, and a declared setting behind every one the
// extension reads.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');

const root = path.join(__dirname, '..');
const manifest = require('../package.json');
const readJson = (file) => JSON.parse(fs.readFileSync(path.join(root, file), 'utf8'));

test('the entry and every contributed file exist and parse', () => {
  assert.ok(fs.existsSync(path.join(root, manifest.main)));
  const { languages, grammars } = manifest.contributes;
  for (const language of languages) readJson(language.configuration);
  for (const grammar of grammars) {
    assert.equal(readJson(grammar.path).scopeName, grammar.scopeName);
    assert.ok(languages.some((l) => l.id === grammar.language));
  }
  for (const language of languages) {
    assert.ok(manifest.activationEvents.includes(`onLanguage:${language.id}`));
  }
});

test('every setting the extension reads is declared, and every declared one is read', () => {
  const source = fs.readFileSync(path.join(root, manifest.main), 'utf8');
  const read = [...source.matchAll(/configuration\.get\('([^']+)'\)/g)].map((m) => `jrl.${m[1]}`);
  const declared = Object.keys(manifest.contributes.configuration.properties);
  assert.deepEqual([...new Set(read)].sort(), declared.sort());
});
