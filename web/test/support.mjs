// What the web tests share: the module built (ORVIK_WEB_DIR, build-web/web by default), the
// native command to compare with (ORVIK_REFERENCE_CLI), and texts of every shape, the same each
// run.
import { spawnSync } from 'node:child_process';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const webDir =
  process.env.ORVIK_WEB_DIR ?? fileURLToPath(new URL('../../build-web/web/', import.meta.url));
export const reference = process.env.ORVIK_REFERENCE_CLI || undefined;
export const inCi = process.env.ORVIK_CI === 'true';

// A test's skip option when the native program the environment variable names is not given: in
// CI, where it must be, the test runs and fails instead.
export function referenceMissing(variable) {
  return !process.env[variable] && !inCi && `no native program to compare with (${variable})`;
}

// The package of the folder dir (the build's own by default).
export async function createOrvik(dir = webDir) {
  const { default: create } = await import(pathToFileURL(join(dir, 'orvik.mjs')).href);
  return create();
}

// The native command's run: its standard output as bytes, its standard error as text.
export function native(args, input = '') {
  const run = spawnSync(reference, args, { input, maxBuffer: 1 << 30 });
  if (run.error) throw run.error;
  return { status: run.status, stdout: run.stdout, stderr: run.stderr.toString('utf8') };
}

// Lines as the command writes them, as bytes.
export function asLines(lines) {
  return Buffer.from(lines.map((line) => `${line}\n`).join(''), 'utf8');
}

// Whether the line got is the line wanted but for the last figures of its long numbers (1e-12 of
// them): the core's libm (emscripten's musl) and glibc's round exp, log1p, erfc and sinh
// differently in the last bit now and then (erfc in about one argument in twelve), so an audit's
// p-values agree in their three printed figures and not always in the JSON's seventeen.
export function nearlySame(wanted, got) {
  const number = /-?[0-9]+(?:\.[0-9]+)?(?:[eE][-+]?[0-9]+)?/g;
  if (wanted.replace(number, '#') !== got.replace(number, '#')) return false;
  const a = wanted.match(number) ?? [];
  const b = got.match(number) ?? [];
  return a.every((x, i) => nearNumber(x, b[i]));
}

// Whether the number got is the number wanted, both as written, but for the last figures of a
// long one (as nearlySame).
export function nearNumber(wanted, got) {
  return wanted === got || (wanted.length > 12 && Math.abs(Number(wanted) - Number(got)) <= 1e-12 * Math.abs(Number(wanted)));
}

// mulberry32: a small generator whose draws are the same on every run.
export function draws(seed) {
  let state = seed >>> 0;
  const next = () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  next.pick = (list) => list[Math.floor(next() * list.length)];
  next.int = (low, high) => low + Math.floor(next() * (high - low + 1));
  return next;
}

// The pieces of a roll text: in range (the first lists) and out of it or malformed (the
// second), so that about a third of the texts are refused at some step.
const PIECES = [
  [['', '', '', '2#', '3#', '30#'], ['31#', '0#', 'x#', ' 2#']],
  [['', '', '1', '3', '10', '100'], ['101', '0', '007']],
  [['d2', 'd6', 'd20', 'd500', 'd1'], ['d501', 'd0', 'd', 'D6']],
  [['', '', '+5', '-3', '+1000', '+2-7', '-2147483648'], ['+1001', '++1', '-']],
  [['', '', '', '*2', '*10', '*2*3'], ['*11', '*0', '*']],
];
// Free text: words, UTF-8 of one to four bytes, control bytes, quotes and backslashes (which
// the JSON escapes), a NUL byte, lone surrogates (which UTF-8 cannot hold), a byte-order mark.
const FREE = [
  '', '', '', '', ' to hit', ' the goblin  twice', ' café ☺', ' 🎲🎲', '\tsword', ' \u001b[31mred',
  ' \u007f', ' "quoted" \\ /', ' a\u0000b', ' \ud800', ' x\udc00y', ' \ufeff', ' \u2028 \u00a0',
  ' trailing space ',
];

function longFree(next) {
  // Long enough, now and then, that the sentence may not fit the host's 512-byte buffer.
  const length = next.pick([40, 400, 450, 480, 490, 600]);
  let text = ' ';
  for (let i = 0; i < length; i++) text += next.pick('abc xyz.é');
  return text;
}

// count roll texts, from seed.
export function rollTexts(count, seed) {
  const next = draws(seed);
  const texts = [
    '', ' ', 'd', 'x', 'd20', '2147483648d6', '1073741824d6*2', 'd20+5x', '\ufeffd20', 'd6\u0000',
    '30#100d500', '30#100d500+1000*10', '100d500-2147483648',
  ];
  while (texts.length < count) {
    let text = '';
    for (const [good, bad] of PIECES) text += next() < 0.07 ? next.pick(bad) : next.pick(good);
    text += next() < 0.1 ? longFree(next) : next.pick(FREE);
    texts.push(text);
  }
  return texts;
}

// count sneak attack texts, "<sneak dice> <main roll>", and some that are not.
export function sneakTexts(count, seed) {
  const next = draws(seed);
  const main = rollTexts(count, seed + 1);
  const texts = ['3d6', ' d8', '3d6 ', '3d6  d8', '3d6 d8+2', '2#3d6 d8', 'd4 2#d8 from behind'];
  for (let i = 0; texts.length < count; i++) {
    const sneak = next.pick(['3d6', 'd8', '2#d6', '101d6', 'd4+1', '10d10', '100d500', 'd6x', '']);
    texts.push(`${sneak} ${main[i]}`);
  }
  return texts;
}

// count texts whose odds take little time (a few slower ones among them), about a quarter of
// them refused.
export function oddsTexts(count, seed) {
  const next = draws(seed);
  const texts = ['d3', '2d6', '3#d20+5', 'd6x', '', '100d500', `30#14d6-5 ${'x'.repeat(396)}`, 'd20 é'];
  const pieces = [
    [['', '', '', '2#', '3#', '30#'], ['31#']],
    [['', '2', '3', '5', '10'], ['101']],
    [['d2', 'd6', 'd20', 'd100'], ['d501']],
    [['', '', '+5', '-3', '+1000'], ['+1001', '-2147483648']],
    [['', '', '*2', '*3'], ['*11']],
  ];
  while (texts.length < count) {
    let text = '';
    for (const [good, bad] of pieces) text += next() < 0.05 ? next.pick(bad) : next.pick(good);
    text += next() < 0.1 ? longFree(next) : next.pick(FREE);
    texts.push(text);
  }
  return texts;
}
