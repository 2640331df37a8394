// The Node examples of doc/WEB.md and of the package's README print what they show: each ```js
// block followed by a ```text block runs as a module of its own (importing the built package
// for 'orvik', from the source's folder, so that examples/game.log is found), and its standard
// output must be the text block.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { after, test } from 'node:test';

import { webDir } from './support.mjs';

const source = fileURLToPath(new URL('../../', import.meta.url));
const work = mkdtempSync(join(tmpdir(), 'orvik-examples-'));
after(() => rmSync(work, { recursive: true, force: true }));

function examples(doc) {
  const text = readFileSync(join(source, doc), 'utf8');
  return [...text.matchAll(/^```js\n([\s\S]*?)^```\n\n```text\n([\s\S]*?)^```$/gm)].map((m) => [m[1], m[2]]);
}

for (const [doc, least] of [['doc/WEB.md', 3], ['web/README.md', 1]]) {
  test(`${doc}: the examples print what they show`, () => {
    const found = examples(doc);
    assert.ok(found.length >= least, `${doc} has ${found.length} examples with their output, not ${least}`);
    found.forEach(([code, shown], i) => {
      const file = join(work, `${doc.replace(/\W/g, '_')}_${i}.mjs`);
      writeFileSync(file, code.replace(/from 'orvik'/g, `from '${pathToFileURL(join(webDir, 'orvik.mjs')).href}'`));
      const run = spawnSync(process.execPath, [file], { cwd: source, encoding: 'utf8' });
      assert.equal(run.stderr, '', `${doc}, example ${i + 1}`);
      assert.equal(run.stdout, shown, `${doc}, example ${i + 1}`);
    });
  });
}
