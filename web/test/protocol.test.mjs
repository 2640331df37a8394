// The boundary between JavaScript and the compiled core is described once, in web/Calls.cpp,
// and read by api.js from orvik_protocol: the package's core exports exactly the calls it lists,
// the page's those and the page's own, api.js makes no call it does not list, and the limits it
// hands over are the command's.
import assert from 'node:assert/strict';
import { copyFileSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { test } from 'node:test';

import { native, referenceMissing, webDir } from './support.mjs';

const { default: createOrvikCore } = await import(pathToFileURL(join(webDir, 'orvik-core.mjs')).href);
const core = await createOrvikCore({ wasmBinary: readFileSync(join(webDir, 'orvik-core.wasm')) });
const at = core._orvik_protocol();
const protocol = JSON.parse(new TextDecoder().decode(core.HEAPU8.subarray(at, core.HEAPU8.indexOf(0, at))));
// The page's core, a plain script (CommonJS to Node, once out of the package's folder).
const pageCore = await (() => {
  const dir = mkdtempSync(join(tmpdir(), 'orvik-script-'));
  try {
    copyFileSync(join(webDir, 'orvik-script.js'), join(dir, 'orvik-script.cjs'));
    return createRequire(import.meta.url)(join(dir, 'orvik-script.cjs'))();
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
})();
const exports = (compiled) => Object.keys(compiled).filter((name) => name.startsWith('_orvik')).map((name) => name.slice(1)).sort();

test('the core exports the calls the protocol lists, the page\'s its own too, and api.js makes no other', () => {
  assert.deepEqual(exports(core), [...protocol.calls].sort());
  assert.deepEqual(exports(pageCore), [...protocol.calls, ...protocol.pageCalls].sort());
  const api = readFileSync(fileURLToPath(new URL('../api.js', import.meta.url)), 'utf8');
  const made = [...new Set([...api.matchAll(/core\._(\w+)/g)].map((m) => m[1]))].sort();
  const listed = [...protocol.calls, ...protocol.pageCalls];
  assert.deepEqual(made.filter((name) => !listed.includes(name)), [], 'calls api.js makes that the core does not list');
  assert.deepEqual(listed.filter((name) => !made.includes(name)), [], 'calls listed that nothing makes');
  // Every layout's fields are named once each, and the reply's place a code and a text.
  for (const layout of ['reply', 'rolled', 'questions', 'figures']) {
    assert.equal(new Set(protocol[layout]).size, protocol[layout].length, layout);
  }
  assert.ok(['code', 'text', 'textLength', 'count', 'handle', 'columns'].every((f) => protocol.reply.includes(f)));
  assert.deepEqual(protocol.questions, ['table', 'atLeast', 'versus']);
  // The dice an audit's JSON names, each in words.
  assert.deepEqual(Object.keys(protocol.dice), ['orvik', 'ideal']);
  assert.ok(Object.values(protocol.dice).every(({ name, means }) => name !== '' && means !== ''));
  // No layout's offset is written in api.js: it reads them by name.
  assert.doesNotMatch(api, /h\[f \+ \d+\]/);
});

test('the limits the protocol hands over are the command\'s', { skip: referenceMissing('ORVIK_REFERENCE_CLI') }, () => {
  const refused = native(['--audit', '--rolls', String(protocol.mostRolls + 1), 'd6']);
  assert.equal(refused.status, 2);
  assert.match(refused.stderr, new RegExp(`\\b${protocol.mostRolls}\\b`));
  // The most itself is taken (the text is refused, so nothing is rolled).
  assert.doesNotMatch(native(['--audit', '--rolls', String(protocol.mostRolls), '--seed', '1', 'd6x']).stderr, /rolls/);
  const audited = native(['--audit', '--json', '--seed', '1', 'd2']);
  assert.equal(JSON.parse(audited.stdout.toString()).rolls, protocol.defaultRolls);
  assert.equal(protocol.codes.noMemory < 0 && protocol.codes.no === 0 && protocol.codes.yes === 1, true);
  assert.equal(protocol.fewestForMean, 30);
});
