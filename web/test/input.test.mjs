// What a caller may get wrong, and texts at the edges: each wrong argument a TypeError or
// RangeError that says what was wrong, before anything is rolled; empty, huge and malformed texts
// the module's own answers; an audit stopped part-way; audits asked at once.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { asLines, createOrvik, inCi, native, nearlySame, referenceMissing } from './support.mjs';

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
    [{ idealDice: 1 }, TypeError, /idealDice must be true or false, not number 1/],
    [{ onProgress: 5 }, TypeError, /onProgress must be a function/],
    [{ signal: {} }, TypeError, /signal must be an AbortSignal/],
    [{ signal: null }, TypeError, /signal must be an AbortSignal, not null/],
  ];
  for (const [options, type, message] of wrongAudits) {
    await assert.rejects(orvik.audit('d20', options), (e) => e instanceof type && message.test(e.message), JSON.stringify(options));
  }
  await assert.rejects(orvik.auditLog('', { from: 5 }), { name: 'TypeError', message: /from must be a string/ });
  await assert.rejects(orvik.auditLog('', { byRoller: 'yes' }), TypeError);
  await assert.rejects(orvik.auditLog('', { idealDice: 'yes' }), { name: 'TypeError', message: /idealDice must be true or false/ });
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
  // The number of rolls is the progress's choice, so the maths library's last figures are allowed for.
  const command = native(['--seed', '4', '--audit', '--json', '--rolls', String(seen), '2d6']);
  assert.ok(nearlySame(command.stdout.toString('utf8').trimEnd(), audits[0]), 'not the audit of the rolls done');
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
    orvik.audit('d20', { rolls: 60_000 }),
    orvik.audit(['3d6', 'd8'], { rolls: 60_000 }),
    orvik.json.auditLog('Ana rolls a d20 and gets 7.\n'),
  ]);
  // The same rolls, in the same order: each call's audits are given together apart from the
  // other's, where the command's one run gives the three together.
  const command = native(['--seed', '6', '--audit', '--json', '--rolls', '60000', 'd20', '3d6', 'd8']);
  const rolled = ({ text, mean, chi_square: { statistic, classes } }) => ({ text, mean, statistic, classes });
  const wanted = command.stdout.toString('utf8').trim().split('\n').map((line) => rolled(JSON.parse(line)));
  assert.deepEqual([...first, ...second].map(rolled), wanted);
  assert.deepEqual([...first, ...second].map((audit) => audit.audits), [1, 2, 2]);
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

// The package again over a core whose memory grows to 64 MB at most (web/CMakeLists.txt), which
// a log of a few megabytes runs out of where the package's 4 GB would take a minute.
const cappedDir = process.env.ORVIK_WEB_CAPPED_DIR;
const needsCapped = {
  skip: referenceMissing('ORVIK_REFERENCE_CLI') || (!cappedDir && !inCi && 'no core of capped memory (ORVIK_WEB_CAPPED_DIR)'),
};

// The calls that need the most room: answered only where the core let go of what a log held.
async function answersAfter(orvik, what) {
  assert.equal(orvik.odds('100d500')[0].max, 50000, what);
  assert.equal(JSON.parse(orvik.json.odds('30#100d500')[0]).totals.length, 49901, what);
  assert.equal((await orvik.audit('100d500', { rolls: 1000 }))[0].rolls, 1000, what);
  assert.equal((await orvik.auditLog('Al rolls 100d500 and gets 25000.\n')).audits[0].rolls, 1, what);
}

test('memory running out in a log\'s audit stops it at that line, as the command\'s does; the core lets go of what it held and answers the next calls', needsCapped, async () => {
  const capped = await createOrvik(cappedDir);
  // Texts of 98 to 100 dice of 401 to 500 sides, each of odds of its own (texts of the same dice
  // but for their groups and modifier are tested together): the odds kept, some 50,000 chances a
  // text, fill the core's 64 MB in about 115 lines. Two totals a text are too few to test, so no
  // audit works out what its totals could catch, which takes a while for such dice.
  const lines = [];
  for (let k = 0; k < 300; k++) {
    lines.push(`Al rolls 2#${100 - (k % 3)}d${500 - Math.floor(k / 3)} and gets ${25000 + k}, ${25000 + k}.`);
  }
  const got = await capped.json.auditLog(lines.join('\n'), { source: 'standard input' });
  assert.ok(got.outOfMemoryAt > 1 && got.outOfMemoryAt < lines.length, `memory ran out at line ${got.outOfMemoryAt}`);
  assert.equal(got.untested, 0);
  // The audit of the lines before it, the command's own.
  const command = native(['--audit', '--answers', '--json'], `${lines.slice(0, got.outOfMemoryAt - 1).join('\n')}\n`);
  assert.ok(Buffer.compare(asLines(got.audits), command.stdout) === 0, 'not the audit of the lines before');
  assert.equal(`orvik: ${got.summary}\n`, command.stderr);
  await answersAfter(capped, 'after the odds kept filled the core');

  // 400 rollers of 30#100d500, 200 answers each of totals all different: each roller's counts
  // come to an array over the 49,901 totals, and about 110 rollers fill the core. What memory
  // running out lets go of (the odds kept) leaves too little room to work the odds out again, so
  // the text's audits say that memory ran out, everyone's and each roller's, as the command's do.
  const rollers = [];
  for (let r = 0; r < 400; r++) {
    for (let j = 0; j < 200; j++) {
      const totals = Array.from({ length: 30 }, (_, g) => 100 + (((j * 30 + g) * 7 + r) % 49901));
      rollers.push(`R${r} rolls 30#100d500 and gets ${totals.join(', ')}.`);
    }
  }
  const short = await capped.auditLog(rollers.join('\n'), { byRoller: true });
  assert.ok(short.outOfMemoryAt > 1 && short.outOfMemoryAt < rollers.length, `memory ran out at line ${short.outOfMemoryAt}`);
  assert.equal(short.untested, 1);
  const said = short.audits.map(({ text, roller, error }) => [text, roller === null, error]);
  assert.deepEqual(said[0], ['30#100d500', true, 'memory ran out before they could be tested']);
  assert.equal(short.audits[0].rolls, short.outOfMemoryAt - 1);
  assert.equal(short.audits.length, Math.ceil((short.outOfMemoryAt - 1) / 200) + 1);
  assert.ok(said.slice(1).every(([text, everyone, error]) => text === '30#100d500' && !everyone && error === said[0][2]));
  await answersAfter(capped, 'after the counts filled the core');
});
