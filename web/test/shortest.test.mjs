// This build's replacement for std::to_chars on doubles (print/ShortestDouble) against the native
// build's std::to_chars: the texts of millions of values, digested a family at a time by the same
// program (tests/shortest_digest.cpp) built both ways.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { test } from 'node:test';

import { referenceMissing } from './support.mjs';

// Half of each family of values: 6.7 million, each with both signs.
const SHARE = '2';

test('the texts of doubles are the native build\'s, byte for byte', { skip: referenceMissing('ORVIK_REFERENCE_DIGEST') }, () => {
  const run = (command, args) => {
    const done = spawnSync(command, args, { encoding: 'utf8' });
    assert.equal(done.status, 0, `${command}: ${done.error ?? done.stderr}`);
    return done.stdout;
  };
  const web = run(process.execPath, [process.env.ORVIK_WEB_DIGEST, SHARE]);
  const native = run(process.env.ORVIK_REFERENCE_DIGEST, [SHARE]);
  assert.equal(web.split('\n').length, 8);
  assert.equal(web, native);
});
