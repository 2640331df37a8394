// orvik.d.ts compiles under TypeScript's strictest checks, used as web/test/types.ts uses it
// (tsc: Debian's node-typescript; without it the test says it was skipped, and fails in CI).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { test } from 'node:test';

import { inCi, webDir } from './support.mjs';

const tsc = spawnSync('tsc', ['--version']).status === 0;

test('orvik.d.ts compiles, and types the calls as they are made', { skip: !tsc && !inCi && 'tsc not found (Debian: node-typescript)' }, () => {
  const work = mkdtempSync(join(tmpdir(), 'orvik-types-'));
  try {
    writeFileSync(join(work, 'tsconfig.json'), JSON.stringify({
      compilerOptions: {
        strict: true, noEmit: true, target: 'es2022', module: 'es2022', moduleResolution: 'node',
        lib: ['es2022', 'dom'], types: [], paths: { orvik: [join(webDir, 'orvik.d.ts')] },
      },
      files: [fileURLToPath(new URL('types.ts', import.meta.url))],
    }));
    const run = spawnSync('tsc', ['-p', work], { encoding: 'utf8' });
    assert.equal(run.status, 0, run.stdout + run.stderr);
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
});
