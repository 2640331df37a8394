// The boundary between JavaScript and the compiled core is described once, in web/Calls.cpp,
// and read by api.js from orvik_protocol: the core exports exactly the calls it lists, api.js
// makes no call it does not list, and the limits it hands over are the command's.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { test } from 'node:test';

import { native, referenceMissing, webDir } from './support.mjs';

const { default: createOrvikCore } = await import(pathToFileURL(join(webDir, 'orvik-core.mjs')).href);
const core = await createOrvikCore({ wasmBinary: readFileSync(join(webDir, 'orvik-core.wasm')) });
const at = core._orvik_protocol();
const protocol = JSON.parse(new TextDecoder().decode(core.HEAPU8.subarray(at, core.HEAPU8.indexOf(0, at))));

test('the core exports the calls the protocol lists, and api.js makes no other', () => {
  const exported = Object.keys(core).filter((name) => name.startsWith('_orvik')).map((name) => name.slice(1)).sort();
  assert.deepEqual(exported, [...protocol.calls].sort());
  const api = readFileSync(fileURLToPath(new URL('../api.js', import.meta.url)), 'utf8');
  const made = [...new Set([...api.matchAll(/core\._(\w+)/g)].map((m) => m[1]))].sort();
  assert.deepEqual(made.filter((name) => !protocol.calls.includes(name)), [], 'calls api.js makes that the core does not list');
  assert.deepEqual(protocol.calls.filter((name) => !made.includes(name)), [], 'calls listed that nothing makes');
  // Every layout's fields are named once each, and the reply's place a code and a text.
  for (const layout of ['reply', 'rolled', 'questions']) {
    assert.equal(new Set(protocol[layout]).size, protocol[layout].length, layout);
  }
  assert.ok(['code', 'text', 'textLength', 'count', 'handle', 'columns'].every((f) => protocol.reply.includes(f)));
  assert.deepEqual(protocol.questions, ['table', 'atLeast', 'versus']);
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
