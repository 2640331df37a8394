// What a caller may get wrong, and texts at the edges: each wrong argument a TypeError or
// RangeError that says what was wrong, before anything is rolled; empty, huge and malformed texts
// the module's own answers; an audit stopped part-way; audits asked at once.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { asLines, createOrvik, native, referenceMissing } from './support.mjs';

const orvik = await createOrvik();
const needsReference = { skip: referenceMissing('ORVIK_REFERENCE_CLI') };

test('a text that is not a string is a TypeError that says so', async () => {
  const notStrings = [5, undefined, null, {}, ['d6'], true, 5n, Symbol('d6'), () => 'd6', new String('d6')];
  for (const value of notStrings) {
    assert.throws(() => orvik.roll(value), { name: 'TypeError', message: /^orvik: the text must be a string, not / });
    assert.throws(() => orvik.json.roll(value), TypeError);
    // An array is a list of texts to audit, which odds() and audit() take.
    if (!Array.isArray(value)) await assert.rejects(orvik.audit(value), TypeError);
    await assert.rejects(orvik.auditLog(value), { name: 'TypeError', message: /^orvik: the log must be a string/ });
  }
  assert.throws(() => orvik.odds(['d6', 7]), { name: 'TypeError', message: 'orvik: texts[1] must be a string, not number 7' });
  assert.throws(() => orvik.odds(null), { name: 'TypeError', message: 'orvik: texts must be a string, not null' });
  await assert.rejects(orvik.audit(['d6', {}]), { message: 'orvik: texts[1] must be a string, not an object' });
});

test('wrong options are refused, saying which and why, before anything is rolled', async () => {
  orvik.seed(1);
  const wrong = [
    [() => orvik.roll('d6', 'sneak'), TypeError, /the options of roll must be an object, not the string "sneak"/],
    [() => orvik.roll('d6', { sneak: 'yes' }), TypeError, /sneak must be true or false/],
    [() => orvik.roll('3d6 d8', { sneak: 1 }), TypeError, /sneak must be true or false, not number 1/],
    [() => orvik.odds('d6', { atLeast: 1.5 }), RangeError, /atLeast must be a whole number/],
    [() => orvik.odds('d6', { atLeast: '10' }), TypeError, /atLeast must be a number or a BigInt/],
    [() => orvik.odds('d6', { atLeast: 2 ** 53 }), RangeError, /a BigInt beyond 2\^53/],
    [() => orvik.odds('d6', { atLeast: 2n ** 63n }), RangeError, /within 64 bits/],
    [() => orvik.odds('d6', { atLeast: -(2n ** 63n) - 1n }), RangeError, /within 64 bits/],
    [() => orvik.odds('d6', { atLeast: 3, vs: 'd6' }), TypeError, /atLeast and vs ask different questions/],
    [() => orvik.odds('d6', { vs: 6 }), TypeError, /vs must be a string/],
    [() => orvik.odds('d6', { sneak: null }), TypeError, /sneak must be true or false, not null/],
    [() => orvik.seed(-1), RangeError, /from 0 to 4294967295, not -1/],
    [() => orvik.seed(2 ** 32), RangeError, /not 4294967296/],
    [() => orvik.seed(1.5), RangeError, /not 1.5/],
    [() => orvik.seed(NaN), RangeError, /not NaN/],
    [() => orvik.seed(Infinity), RangeError, /not Infinity/],
    [() => orvik.seed(-Infinity), RangeError, /not -Infinity/],
    [() => orvik.seed(4294967295.5), RangeError, /not 4294967295.5/],
    [() => orvik.seed(-1e-300), RangeError, /not -1e-300/],
    [() => orvik.seed('1'), TypeError, /a seed is a number, not the string "1"/],
  ];
  for (const [call, type, message] of wrong) assert.throws(call, (e) => e instanceof type && message.test(e.message), String(call));
  const wrongAudits = [
    [{ rolls: 0 }, RangeError, /rolls must be a whole number from 1 to 1000000000000, not 0/],
    [{ rolls: -5 }, RangeError, /not -5/],
    [{ rolls: 2.5 }, RangeError, /not 2.5/],
    [{ rolls: 1e12 + 1 }, RangeError, /not 1000000000001/],
    [{ rolls: '100' }, TypeError, /rolls must be a number/],
    [{ sneak: 'no' }, TypeError, /sneak must be true or false/],
    [{ onProgress: 5 }, TypeError, /onProgress must be a function/],
    [{ signal: {} }, TypeError, /signal must be an AbortSignal/],
    [{ signal: null }, TypeError, /signal must be an AbortSignal, not null/],
  ];
  for (const [options, type, message] of wrongAudits) {
    await assert.rejects(orvik.audit('d20', options), (e) => e instanceof type && message.test(e.message), JSON.stringify(options));
  }
  await assert.rejects(orvik.auditLog('', { from: 5 }), { name: 'TypeError', message: /from must be a string/ });
  await assert.rejects(orvik.auditLog('', { byRoller: 'yes' }), TypeError);
  await assert.rejects(orvik.auditLog('', { source: null }), TypeError);
  // Nothing was rolled: the generator is where seed(1) left it.
  const roll = orvik.roll('d20');
  orvik.seed(1);
  assert.deepEqual(orvik.roll('d20'), roll);
});

test('empty, malformed and long texts get the module\'s answers', needsReference, () => {
  const long = `d6 ${'é'.repeat(1_000_000)}\ud800`;
  const texts = ['', '\u0000', 'd6\u0000', '\ud800', '\udfff\ud800', 'd6 \ud83c', `d6 ${'\u0000'.repeat(1000)}`, long, `d6 ${'x'.repeat(508 - 12)}`];
  // The native command reads the lone surrogates as UTF-8 does: U+FFFD.
  const command = native(['--seed', '2', '--json'], texts.map((text) => `${text}\n`).join(''));
  orvik.seed(2);
  const json = texts.map((text) => orvik.json.roll(text));
  assert.ok(Buffer.compare(asLines(json), command.stdout) === 0);
  orvik.seed(2);
  const objects = texts.map((text) => orvik.roll(text));
  assert.deepEqual(objects, json.map((line) => JSON.parse(line)));
  assert.equal(objects[3].text, '\ufffd');

  const oddsCommand = native(['--odds', '--json'], `${texts.join('\n')}\n`);
  assert.ok(Buffer.compare(asLines(orvik.json.odds(texts)), oddsCommand.stdout) === 0);
});

test('a text of a hundred million characters is answered, as any text too long for a sentence', () => {
  const huge = `d6 ${'x'.repeat(100_000_000)}`;
  for (const sneak of [false, true]) {
    const { text, answer, groups } = orvik.roll(huge, { sneak });
    assert.ok(text === huge);
    assert.deepEqual([answer, groups], ['Dice Error: Invalid arguments in the attempted roll', []]);
  }
  assert.equal(orvik.roll('d6').groups.length, 1);
});

test('an audit stopped part-way is the audit of the rolls done', needsReference, async () => {
  const stop = new AbortController();
  let seen = 0;
  orvik.seed(4);
  const audits = await orvik.json.audit(['2d6', 'd20'], {
    rolls: 1e9,
    signal: stop.signal,
    onProgress: ({ index, text, done, rolls }) => {
      assert.deepEqual([index, text, rolls], [0, '2d6', 1e9]);
      assert.ok(done > seen && done <= rolls);
      seen = done;
      if (done >= 100_000) stop.abort();
    },
  });
  // The second text is never begun; the first reports exactly the rolls the progress last told.
  assert.equal(audits.length, 1);
  assert.equal(JSON.parse(audits[0]).rolls, seen);
  const command = native(['--seed', '4', '--audit', '--json', '--rolls', String(seen), '2d6']);
  assert.ok(Buffer.compare(asLines(audits), command.stdout) === 0, 'not the audit of the rolls done');
  assert.deepEqual(await orvik.audit('d20', { signal: stop.signal }), []);
});

test('a log\'s audit stopped part-way is the audit of the lines read whole', async () => {
  const line = '<Orvik> Ana rolls a d20 and gets 7.\n';
  const log = line.repeat(60_000); // over two pieces of a million characters
  const stop = new AbortController();
  const got = await orvik.auditLog(log, {
    signal: stop.signal,
    onProgress: ({ done, length }) => {
      assert.equal(length, log.length);
      if (done < length) stop.abort();
    },
  });
  const lines = Math.floor((1 << 20) / line.length);
  assert.match(got.summary, new RegExp(`^log: ${lines.toLocaleString('en-US')} lines, ${lines.toLocaleString('en-US')} answers`));
  assert.equal(got.audits[0].rolls, lines);
});

test('the module leaves the process as it found it, and a text begins with whatever it begins with', async () => {
  // No handlers of uncaught exceptions or rejections of its own: those are the host's.
  const before = ['uncaughtException', 'unhandledRejection'].map((event) => process.listenerCount(event));
  const fresh = await createOrvik();
  assert.deepEqual(['uncaughtException', 'unhandledRejection'].map((event) => process.listenerCount(event)), before);
  // A byte-order mark at the start of a text read back is a character of it.
  assert.match((await fresh.auditLog('', { source: '\ufefflog' })).summary, /^\ufefflog: 0 lines/);
});

test('audits asked at once run one after the other, as one command would run them', needsReference, async () => {
  orvik.seed(6);
  const [first, second, log] = await Promise.all([
    orvik.json.audit('d20', { rolls: 60_000 }),
    orvik.json.audit(['3d6', 'd8'], { rolls: 60_000 }),
    orvik.json.auditLog('Ana rolls a d20 and gets 7.\n'),
  ]);
  const command = native(['--seed', '6', '--audit', '--json', '--rolls', '60000', 'd20', '3d6', 'd8']);
  assert.ok(Buffer.compare(asLines([...first, ...second]), command.stdout) === 0);
  assert.equal(log.audits.length, 1);
});

test('-0 is the seed 0, and an array that changes under a call gets the library\'s own TypeError', () => {
  assert.ok(Object.is(orvik.seed(-0), 0));
  assert.ok(Object.is(orvik.seed(), 0));
  assert.ok(Object.is(orvik.roll('d6').seed, 0));
  // An element that reads as a string when it is checked and as a number after: the array is read
  // once, so it is checked as it is used.
  const shifty = () => {
    let reads = 0;
    const texts = ['d6', 'd8'];
    Object.defineProperty(texts, 1, { get: () => (++reads === 1 ? 'd8' : 8) });
    return texts;
  };
  assert.deepEqual(orvik.odds(shifty()).map((o) => o.max), [6, 8]);
  const proxy = new Proxy(['d6', 'd8'], { get: (target, key) => (key === '1' ? 8 : target[key]) });
  assert.throws(() => orvik.odds(proxy), { name: 'TypeError', message: 'orvik: texts[1] must be a string, not number 8' });
});

test('after a log\'s audit runs out of the core\'s memory, the core lets go of it and answers the next call', async () => {
  // 12,000 rollers of 100d500, each with its lowest and highest total: counted each apart, more
  // than the core's 4 GB.
  let log = '';
  for (let i = 0; i < 12000; i++) log += `R${i} rolls 100d500 and gets 100.\nR${i} rolls 100d500 and gets 50000.\n`;
  let failed = null;
  try {
    await orvik.auditLog(log, { byRoller: true });
  } catch (error) {
    failed = error;
  }
  if (failed !== null) assert.match(`${failed.name}: ${failed.message}`, /^RangeError: orvik: the WebAssembly module ran out of memory$/);
  assert.equal(orvik.odds('100d500')[0].max, 50000);
  assert.equal(JSON.parse(orvik.json.odds('30#100d500')[0]).totals.length, 49901);
  assert.equal((await orvik.audit('100d500', { rolls: 1000 }))[0].rolls, 1000);
  assert.equal((await orvik.auditLog('Al rolls 100d500 and gets 25000.\n')).audits[0].rolls, 1);
});
