// The package as a user gets it: `npm pack` in the built folder makes the same tarball twice, of
// the files package.json lists, with the project's version; installed from that tarball into an
// empty folder (no network: it has no dependencies), it rolls from Node as the built module does.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { after, test } from 'node:test';

import { createOrvik, inCi, webDir } from './support.mjs';

const source = fileURLToPath(new URL('../../', import.meta.url));
const version = readFileSync(join(source, 'CMakeLists.txt'), 'utf8').match(/^project\(orvik VERSION ([0-9.]+)/m)[1];
const npm = spawnSync('npm', ['--version'], { encoding: 'utf8' }).status === 0;
const skip = !npm && !inCi && 'npm not found (Debian: npm)';

const work = mkdtempSync(join(tmpdir(), 'orvik-package-'));
after(() => rmSync(work, { recursive: true, force: true }));

function run(command, args, cwd) {
  // npm's cache and logs stay in the scratch folder.
  const env = { ...process.env, npm_config_cache: join(work, 'npm-cache'), npm_config_update_notifier: 'false' };
  const done = spawnSync(command, args, { cwd, env, encoding: 'utf8' });
  assert.equal(done.status, 0, `${command} ${args.join(' ')}: ${done.error ?? ''}${done.stderr}`);
  return done.stdout;
}

function pack(into) {
  mkdirSync(into);
  run('npm', ['pack', '--silent', '--pack-destination', into], webDir);
  return join(into, `orvik-${version}.tgz`);
}

test('npm pack makes the same tarball twice, of the package\'s files', { skip }, () => {
  const first = pack(join(work, 'first'));
  const second = pack(join(work, 'second'));
  assert.ok(readFileSync(first).equals(readFileSync(second)), 'two packs differ');
  const files = run('tar', ['-tzf', first], work).split('\n').filter(Boolean).sort();
  assert.deepEqual(files, ['LICENSE', 'README.md', 'orvik-core.mjs', 'orvik-core.wasm', 'orvik.d.ts', 'orvik.mjs', 'package.json']
    .map((name) => `package/${name}`));
});

test('the tarball installs into an empty folder and rolls from Node', { skip }, async () => {
  const tarball = pack(join(work, 'third'));
  const user = join(work, 'user');
  mkdirSync(user);
  run('npm', ['install', '--offline', '--no-audit', '--no-fund', '--silent', tarball], user);
  writeFileSync(join(user, 'roll.mjs'), `
import createOrvik from 'orvik';
import { createRequire } from 'node:module';
const orvik = await createOrvik();
orvik.seed(1);
console.log(createRequire(import.meta.url)('orvik/package.json').version);
console.log(orvik.json.roll('3#2d6+1 to hit'));
console.log(JSON.stringify(orvik.odds('d20', { atLeast: 15 })));
`);
  const [installed, roll, odds] = run(process.execPath, ['roll.mjs'], user).split('\n');
  assert.equal(installed, version);
  const built = await createOrvik();
  built.seed(1);
  assert.equal(roll, built.json.roll('3#2d6+1 to hit'));
  assert.equal(odds, JSON.stringify(built.odds('d20', { atLeast: 15 })));
  const types = readFileSync(join(user, 'node_modules/orvik/orvik.d.ts'), 'utf8');
  assert.match(types, /export default function createOrvik\(\): Promise<Orvik>;/);
});
