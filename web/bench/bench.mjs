// The WebAssembly build's speed and size, beside the native figures they are held to:
//   node web/bench/bench.mjs [WEB_DIR] [--native BUILD_DIR]
// WEB_DIR is the built package's folder (build-web/web by default); BUILD_DIR a native Release
// build whose benchmarks give the native figures (bench/run builds one in build; scripts/test's
// in build-test/gcc has them too). The targets: the module and its glue (orvik.mjs,
// orvik-core.mjs, orvik-core.wasm) at most 120 KB gzipped; roll() within 10x of the module's
// DiceMain ("d20+5"), the object's creation included; the odds of 100d500 and 30#100d500 within
// 2x of the same OddsAnswers JSON call natively; a million-roll audit of d20 within 1 s.
// Each figure is the best of five runs: a shared machine only ever slows a run down.
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { gzipSync } from 'node:zlib';

const args = process.argv.slice(2);
const nativeAt = args.indexOf('--native');
const nativeBuild = nativeAt >= 0 ? resolve(args.splice(nativeAt, 2)[1]) : undefined;
const webDir = resolve(args[0] ?? fileURLToPath(new URL('../../build-web/web/', import.meta.url)));

// --- size

const files = ['orvik.mjs', 'orvik-core.mjs', 'orvik-core.wasm'];
let gzipped = 0;
console.log('size                                   bytes   gzipped');
for (const file of files) {
  const bytes = readFileSync(join(webDir, file));
  const packed = gzipSync(bytes, { level: 9 }).length;
  gzipped += packed;
  console.log(`  ${file.padEnd(33)} ${String(bytes.length).padStart(7)} ${String(packed).padStart(9)}`);
}
console.log(`  ${'the three, each gzipped'.padEnd(33)} ${''.padStart(7)} ${String(gzipped).padStart(9)}  (${(gzipped / 1024).toFixed(1)} KiB; target 120 KB)`);

// --- speed

const started = performance.now();
const { default: createOrvik } = await import(pathToFileURL(join(webDir, 'orvik.mjs')).href);
const orvik = await createOrvik();
const loaded = performance.now() - started;
// The compiled module alone, for the calls the native figures are of.
const { default: createOrvikCore } = await import(pathToFileURL(join(webDir, 'orvik-core.mjs')).href);
const core = await createOrvikCore({ wasmBinary: readFileSync(join(webDir, 'orvik-core.wasm')) });
// The questions' kinds, by name, as web/Calls.cpp's protocol gives them.
const protocolAt = core._orvik_protocol();
const protocol = JSON.parse(new TextDecoder().decode(core.HEAPU8.subarray(protocolAt, core.HEAPU8.indexOf(0, protocolAt))));
const tableQuestion = protocol.questions.indexOf('table');

// Nanoseconds a call of body, the best of five runs of n calls each.
function perCall(body, n) {
  for (let i = 0; i < Math.min(n, 20000); i++) body();
  let best = Infinity;
  for (let run = 0; run < 5; run++) {
    const start = process.hrtime.bigint();
    for (let i = 0; i < n; i++) body();
    best = Math.min(best, Number(process.hrtime.bigint() - start) / n);
  }
  return best;
}

async function perCallAsync(body, n) {
  let best = Infinity;
  for (let run = 0; run < n; run++) {
    const start = process.hrtime.bigint();
    await body();
    best = Math.min(best, Number(process.hrtime.bigint() - start));
  }
  return best;
}

// The module's own call for text: its answer left in its memory, as the native call leaves it.
function moduleCall(text, call) {
  const bytes = new TextEncoder().encode(text);
  const place = core._orvik_alloc(bytes.length);
  core.HEAPU8.set(bytes, place);
  return () => call(place, bytes.length);
}

orvik.seed(1);
core._orvik_seed(1);
const rollCall = perCall(moduleCall('d20+5', (place, length) => core._orvik_roll_dice(place, length, 0)), 500000);
const roll = perCall(() => orvik.roll('d20+5'), 500000);
const rollJson = perCall(() => orvik.json.roll('d20+5'), 200000);
const sneak = perCall(() => orvik.roll('3d6 d8+2', { sneak: true }), 300000);
const big = perCall(() => orvik.roll('30#100d500'), 5000);
const odds = {};
for (const text of ['100d500', '30#100d500']) {
  odds[text] = {
    call: perCall(moduleCall(text, (place, length) => core._orvik_odds(place, length, 0, tableQuestion, 0, 0, 0, 0, 0)), 10),
    json: perCall(() => orvik.json.odds(text), 10),
    parsed: perCall(() => orvik.odds(text), 10),
  };
}
orvik.seed(1);
const audit = await perCallAsync(() => orvik.audit('d20'), 3);

// --- the native figures

function nativeRun(program, args) {
  const run = spawnSync(join(nativeBuild, 'bench', program), args, { encoding: 'utf8', maxBuffer: 1 << 26 });
  if (run.status !== 0) throw new Error(`${program}: ${run.stderr}`);
  return run.stdout;
}
let native;
if (nativeBuild) {
  // orvik_bench's own table: a routine's best ns a call is its row's third column.
  const table = nativeRun('orvik_bench', ['--benchmark_filter=DiceMain "d20\\+5"', '--benchmark_repetitions=5',
    '--benchmark_min_time=0.2', '--lines=1000', '--command-runs=1']);
  const odds = JSON.parse(nativeRun('orvik_odds_bench', ['--benchmark_filter=BM_AnswerJson|BM_Audit/0',
    '--benchmark_repetitions=5', '--benchmark_format=json']));
  const best = {};
  for (const b of odds.benchmarks.filter((b) => b.run_type === 'iteration')) {
    const ns = b.real_time * { ns: 1, us: 1e3, ms: 1e6, s: 1e9 }[b.time_unit];
    best[b.run_name] = Math.min(best[b.run_name] ?? Infinity, ns);
  }
  native = {
    roll: Number(table.match(/^ +DiceMain "d20\+5" +\d+ +([\d.]+)/m)[1]),
    odds100: best['BM_AnswerJson/0'],
    odds30: best['BM_AnswerJson/1'],
    audit: best['BM_Audit/0'],
  };
}

const ms = (ns) => `${(ns / 1e6).toFixed(1)} ms`;
const us = (ns) => (ns < 1e4 ? `${ns.toFixed(0)} ns` : `${(ns / 1e3).toFixed(1)} µs`);
function row(name, got, format, nativeNs, target) {
  let line = `  ${name.padEnd(44)} ${format(got).padStart(10)}`;
  if (nativeNs !== undefined) {
    line += `  native ${format(nativeNs).padStart(9)}  ${(got / nativeNs).toFixed(1).padStart(5)}x (target ${target})`;
  }
  console.log(line);
}
console.log(`\nspeed (Node ${process.versions.node}, best of 5)`);
console.log(`  ${'createOrvik(), the module loaded and seeded'.padEnd(44)} ${ms(loaded * 1e6).padStart(10)}`);
row('roll("d20+5"), the object', roll, us, native?.roll, '<= 10x DiceMain "d20+5"');
row('  the module\'s call alone', rollCall, us, native?.roll, 'none');
row('json.roll("d20+5"), the JSON text', rollJson, us);
row('roll("3d6 d8+2", { sneak: true })', sneak, us);
row('roll("30#100d500"), 3,000 faces', big, us);
for (const [text, nativeNs] of [['100d500', native?.odds100], ['30#100d500', native?.odds30]]) {
  row(`odds of ${text}: the module's JSON call`, odds[text].call, ms, nativeNs, '<= 2x the same call');
  row('  json.odds(), the JSON a string (3.45 MB)', odds[text].json, ms);
  row('  odds(), the JSON read back', odds[text].parsed, ms);
}
row('audit("d20"), a million rolls', audit, ms, native?.audit, '<= 1 s');
if (!nativeBuild) console.log('\n(--native BUILD_DIR adds the native figures: bench/run builds them in build)');
