// node core.mjs OUTPUT orvik-script.js api.js instance.js worker.js start.js:
// core.js, a plain script that defines one name, OrvikCore: what start.js hands over. Inside it,
// orvikLibrary() holds the compiled core's script, the API and instance.js, which makes the API's
// object (the page calls it to roll on its own thread), and workerSource is the worker's script
// as a string; start.js makes the workers' source from the two (a page opened from disk may start
// a worker only from a Blob of a source it already has, and a function's text is its source).
//
// The core's WebAssembly, which emscripten inlines in its script as base64, is taken out of it
// and put beside, gzipped before its base64: base64 hides the bytes' patterns from the gzip a
// server or the release's zip applies, and the core cost 126 KB of the page's 150 that way, 100
// KB this way. start.js unpacks it with the browser's DecompressionStream. The workers are
// handed the compiled core, so their source holds no copy.
import { readFileSync, writeFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';

import { strip } from '../strip.mjs';

const [output, script, api, instance, worker, start] = process.argv.slice(2);
const read = (file) => readFileSync(file, 'utf8');
// A part of the page's own, without its comments and spaces (strip.mjs).
const part = (file) => strip(read(file));
const inlined = /wasmBinaryFile\s*=\s*"data:application\/octet-stream;base64,([^"]*)"/;
const core = read(script);
const found = core.match(inlined);
if (!found) throw new Error(`${script}: no inlined WebAssembly found`);
// gzip's header holds no time or name here, so the same core gives the same bytes.
const packed = gzipSync(Buffer.from(found[1], 'base64'), { level: 9, memLevel: 9 }).toString('base64');
writeFileSync(output, [
  "// Orvik's core for the page: built from orvik-script.js, api.js, instance.js, worker.js and",
  '// start.js by web/page/core.mjs.',
  '// eslint-disable-next-line no-unused-vars',
  'var OrvikCore = (function () {',
  'function orvikLibrary() {',
  core.replace(inlined, 'wasmBinaryFile=""'),
  part(api),
  part(instance),
  'return orvikInstance;',
  '}',
  `var workerSource = ${JSON.stringify(part(worker))};`,
  `var packedCore = "${packed}";`,
  part(start),
  '})();',
  '',
].join('\n'));
