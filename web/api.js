// Orvik's features for JavaScript, over the compiled core's calls (web/Calls.cpp). Each answer
// is the very text the command prints, one JSON object a line, and the methods give it parsed: a
// roll is what `orvik --json` prints, the odds `orvik --odds --json`, an audit
// `orvik --audit --json`. This file is shared: the build puts it into orvik.mjs, the package's
// ES module, and into the page's core.js. forPage adds what only the page uses: the odds as
// columns to draw, how a text reads to a person, a log file read in slices, audits of rolls with
// the verdict on them all, an audit's figures and dice in the reports' words, and the limits.
//
// What the calls leave in memory, their codes and the library's limits are Calls.cpp's, read here
// once from orvik_protocol: nothing of the boundary is written twice.

// eslint-disable-next-line no-unused-vars
function orvikApi(core, randomSeed, forPage) {
  'use strict';

  const encoder = new TextEncoder();
  // A byte-order mark a text begins with is a character of it.
  const decoder = new TextDecoder('utf-8', { ignoreBOM: true });
  // How long a piece of work runs before an audit lets its caller in (progress, a message, a
  // cancel), in milliseconds.
  const SLICE = 25;
  // Characters of a log handed over at once.
  const LOG_PIECE = 1 << 20;
  // Texts up to this many characters are copied a character at a time when they are ASCII, which
  // is quicker than an encoder's call for the few characters of a roll.
  const SHORT = 256;
  // The text buffer is kept between calls up to this many bytes, and let go after a longer text.
  const KEEP = 4 << 20;
  // Bytes of a log file read at once.
  const FILE_SLICE = 4 << 20;

  function describe(value) {
    if (value === null) return 'null';
    if (Array.isArray(value)) return 'an array';
    switch (typeof value) {
      case 'object':
        return 'an object';
      case 'function':
        return 'a function';
      case 'undefined':
        return 'undefined';
      case 'string':
        return `the string ${JSON.stringify(value.length > 40 ? `${value.slice(0, 40)}...` : value)}`;
      default:
        return `${typeof value} ${String(value)}`;
    }
  }

  function needString(value, name) {
    if (typeof value !== 'string') {
      throw new TypeError(`orvik: ${name} must be a string, not ${describe(value)}`);
    }
  }

  function needBoolean(value, name) {
    if (value !== undefined && typeof value !== 'boolean') {
      throw new TypeError(`orvik: ${name} must be true or false, not ${describe(value)}`);
    }
    return value === true;
  }

  function needOptions(options, name) {
    if (options === undefined) return {};
    if (options === null || typeof options !== 'object' || Array.isArray(options)) {
      throw new TypeError(`orvik: the options of ${name} must be an object, not ${describe(options)}`);
    }
    return options;
  }

  // texts: one string or an array of them. The array is copied before it is checked, so that an
  // element cannot change after it was checked.
  function needTexts(texts, name) {
    const list = Array.isArray(texts) ? Array.prototype.slice.call(texts) : [texts];
    list.forEach((text, i) => needString(text, Array.isArray(texts) ? `${name}[${i}]` : name));
    return list;
  }

  function noMemory() {
    return new RangeError('orvik: the WebAssembly module ran out of memory');
  }

  // A layout's fields by name: each name's place in the list Calls.cpp gives.
  const places = (names) => Object.fromEntries(names.map((name, i) => [name, i]));
  // What a call answered (Calls.cpp's Reply); memory running out is a RangeError.
  let R = null;
  let codes = null;
  function reply(at) {
    const h = core.HEAPF64;
    const f = at >>> 3;
    const code = h[f + R.code];
    if (code === codes.noMemory) throw noMemory();
    return {
      code,
      yes: code === codes.yes,
      text: () => read(h[f + R.text], h[f + R.textLength]),
      second: () => read(h[f + R.second], h[f + R.secondLength]),
      count: h[f + R.count],
      handle: h[f + R.handle],
      columns: () => new Float64Array(core.HEAPU8.buffer, h[f + R.columns], h[f + R.columnsLength]).slice(),
    };
  }

  // --- texts in and out

  // One buffer in the module's memory takes each text: no allocation a call for a roll's text.
  let buffer = 0;
  let bufferSize = 0;
  function room(bytes) {
    if (bytes <= bufferSize) return;
    if (buffer !== 0) core._orvik_free(buffer);
    bufferSize = 0;
    buffer = core._orvik_alloc(Math.max(bytes, 3 * SHORT));
    if (buffer === 0) throw noMemory();
    bufferSize = Math.max(bytes, 3 * SHORT);
  }
  function letGo() {
    if (bufferSize > KEEP) {
      core._orvik_free(buffer);
      buffer = 0;
      bufferSize = 0;
    }
  }
  // Set by put: the text was ASCII, and so is the same string as its UTF-8 read back.
  let putAscii = false;
  // Puts text into the buffer as UTF-8 (a lone surrogate, which UTF-8 cannot hold, becomes
  // U+FFFD) and returns its length in bytes.
  function put(text) {
    const n = text.length;
    if (n <= SHORT) {
      room(3 * SHORT);
      const heap = core.HEAPU8;
      let i = 0;
      for (; i < n; i++) {
        const c = text.charCodeAt(i);
        if (c > 0x7f) break;
        heap[buffer + i] = c;
      }
      putAscii = i === n;
      if (putAscii) return n;
    }
    putAscii = false;
    // Room for one byte a UTF-16 unit first, which an ASCII text fills; then for three, UTF-8's
    // most, or past a few megabytes the exact count.
    room(n);
    const first = encoder.encodeInto(text, core.HEAPU8.subarray(buffer, buffer + bufferSize));
    if (first.read === n) return first.written;
    if (3 * n <= Math.max(bufferSize, KEEP)) {
      room(3 * n);
      return encoder.encodeInto(text, core.HEAPU8.subarray(buffer, buffer + bufferSize)).written;
    }
    const bytes = encoder.encode(text);
    room(bytes.length);
    core.HEAPU8.set(bytes, buffer);
    return bytes.length;
  }

  // Runs call(pointer, length, ...) with each of several strings in a block of its own.
  function withStrings(strings, call) {
    const pointers = [];
    try {
      const args = [];
      for (const text of strings) {
        const bytes = encoder.encode(text);
        const pointer = core._orvik_alloc(bytes.length + 1);
        if (pointer === 0) throw noMemory();
        pointers.push(pointer);
        core.HEAPU8.set(bytes, pointer);
        args.push(pointer, bytes.length);
      }
      return call(...args);
    } finally {
      for (const pointer of pointers) core._orvik_free(pointer);
    }
  }

  // The UTF-8 text of length bytes at place in the module's memory. A short ASCII one is read a
  // byte at a time, which is quicker than a decoder's call.
  function read(place, length) {
    const heap = core.HEAPU8;
    if (length <= 64) {
      const end = place + length;
      let text = '';
      let bits = 0;
      let i = place;
      for (; i + 4 <= end; i += 4) {
        const a = heap[i];
        const b = heap[i + 1];
        const c = heap[i + 2];
        const d = heap[i + 3];
        bits |= a | b | c | d;
        text += String.fromCharCode(a, b, c, d);
      }
      for (; i < end; i++) {
        bits |= heap[i];
        text += String.fromCharCode(heap[i]);
      }
      if (bits < 0x80) return text;
    }
    return decoder.decode(heap.subarray(place, place + length));
  }

  function lines(text) {
    return text === '' ? [] : text.replace(/\n$/, '').split('\n');
  }

  // text as the JSON gives it back: its lone surrogates, which UTF-8 cannot hold, as U+FFFD.
  const wellFormed = typeof ''.isWellFormed === 'function'
    ? (text) => (text.isWellFormed() ? text : text.toWellFormed())
    : (text) => decoder.decode(encoder.encode(text));

  // --- the seed

  let seedInUse = 0;

  // Which seeds the generator takes is the library's rule (features/Seed), the same as --seed's:
  // the core takes or refuses the number as it is.
  function seed(value) {
    if (value === undefined) return seedInUse;
    if (typeof value !== 'number') {
      throw new TypeError(`orvik: a seed is a number, not ${describe(value)}`);
    }
    const got = reply(core._orvik_seed(value));
    if (!got.yes) throw new RangeError(`orvik: a seed is a whole number from 0 to ${limits.mostSeed}, not ${value}`);
    seedInUse = got.count;
    return seedInUse;
  }

  // A seed written as text, as --seed reads one: the seed taken, or null for a text that is none,
  // the generator then left as it was.
  function seedText(text) {
    needString(text, 'the seed');
    try {
      const length = put(text);
      const got = reply(core._orvik_seed_text(buffer, length));
      if (!got.yes) return null;
      seedInUse = got.count;
      return seedInUse;
    } finally {
      letGo();
    }
  }

  // --- rolls

  function sneakOf(options, name) {
    return options === undefined ? false : needBoolean(needOptions(options, name).sneak, 'sneak');
  }

  function rollJson(text, options) {
    needString(text, 'the text');
    const sneak = sneakOf(options, 'roll');
    try {
      const length = put(text);
      return reply(core._orvik_roll(buffer, length, sneak ? 1 : 0)).text();
    } finally {
      letGo();
    }
  }

  // count 32-bit integers from place, as an array.
  function integers(heap, place, count) {
    const list = new Array(count);
    const first = place >>> 2;
    for (let i = 0; i < count; i++) list[i] = heap[first + i];
    return list;
  }

  // The object `orvik --json` prints, built from the numbers the module leaves (orvik_roll_dice's
  // fields, D) with its keys in the JSON's order: the tests hold it equal to the JSON
  // read back.
  function roll(text, options) {
    needString(text, 'the text');
    const sneak = sneakOf(options, 'roll');
    try {
      const length = put(text);
      const at = core._orvik_roll_dice(buffer, length, sneak ? 1 : 0);
      if (at === 0) throw noMemory();
      const h = core.HEAP32;
      const f = at >>> 2;
      const object = {
        text: putAscii ? text : wellFormed(text),
        answer: read(h[f + D.answer] >>> 0, h[f + D.answerLength]),
        seed: seedInUse,
      };
      if (h[f + D.result] === 0) {
        object.groups = [];
        return object;
      }
      object.sides = h[f + D.sides];
      object.modifier = h[f + D.modifier];
      if (h[f + D.sneak] === 1) {
        object.sneak = {
          total: h[f + D.sneakTotal],
          sides: h[f + D.sneakSides],
          modifier: h[f + D.sneakModifier],
          faces: integers(h, h[f + D.sneakFaces], h[f + D.sneakDice]),
        };
      }
      const count = h[f + D.groups];
      const dice = h[f + D.dice];
      const totals = h[f + D.totals] >>> 2;
      const faces = h[f + D.faces] >>> 0;
      const groups = new Array(count);
      for (let g = 0; g < count; g++) {
        groups[g] = { total: h[totals + g], faces: integers(h, faces + 4 * g * dice, dice) };
      }
      object.groups = groups;
      return object;
    } finally {
      letGo();
    }
  }

  // --- odds

  // What is asked of each text: the table, reaching a target, or a contest; each text's call
  // takes it in full.
  function ask(options) {
    options = needOptions(options, 'odds');
    const sneak = needBoolean(options.sneak, 'sneak');
    const { atLeast, vs } = options;
    if (atLeast !== undefined && vs !== undefined) {
      throw new TypeError('orvik: atLeast and vs ask different questions: give one of them');
    }
    let kind = Q.table;
    let target = 0n;
    if (atLeast !== undefined) {
      kind = Q.atLeast;
      if (typeof atLeast === 'bigint') {
        if (atLeast < -(2n ** 63n) || atLeast >= 2n ** 63n) {
          throw new RangeError(`orvik: atLeast must be within 64 bits, not ${atLeast}`);
        }
      } else if (typeof atLeast !== 'number') {
        throw new TypeError(`orvik: atLeast must be a number or a BigInt, not ${describe(atLeast)}`);
      } else if (!Number.isSafeInteger(atLeast)) {
        throw new RangeError(`orvik: atLeast must be a whole number (a BigInt beyond 2^53), not ${atLeast}`);
      }
      target = BigInt(atLeast);
    }
    if (vs !== undefined) {
      needString(vs, 'vs');
      kind = Q.versus;
    }
    // The target's low and high 32 bits.
    return { sneak, kind, low: Number(BigInt.asUintN(32, target)), high: Number(BigInt.asIntN(32, target >> 32n)), vs: vs ?? '' };
  }

  // Runs each(answerOf) with answerOf(text, drawn) the reply to one text's odds, the other text
  // of a contest put in memory once for them all.
  function withQuestion(question, each) {
    return withStrings([question.vs], (vs, vsLength) => {
      try {
        return each((text, drawn) => {
          const length = put(text);
          return reply(core._orvik_odds(buffer, length, question.sneak ? 1 : 0, question.kind,
            question.low, question.high, vs, vsLength, drawn ? 1 : 0));
        });
      } finally {
        letGo();
      }
    });
  }

  function oddsJson(texts, options) {
    const list = needTexts(texts, 'texts');
    const question = ask(options);
    return withQuestion(question, (answerOf) => list.map((text) => answerOf(text, false).text()));
  }

  // The odds of each text as the page draws them, from one working-out of its odds a text:
  // { head, columns, answer }, head the object `orvik --odds --json` gives without its totals,
  // columns their p, at_least and at_most, lowest total first (null for a refusal), answer the
  // question's object (null for the table alone). each(index, drawn) hears each text's as it
  // comes, so that a caller can tell progress and stop between texts (stop() true).
  function oddsDrawn(texts, options, each) {
    const list = needTexts(texts, 'texts');
    const question = ask(options);
    withQuestion(question, (answerOf) => {
      for (let index = 0; index < list.length; index++) {
        const got = answerOf(list[index], true);
        const second = got.second();
        const stop = each(index, {
          head: JSON.parse(got.text()),
          columns: got.yes ? got.columns() : null,
          answer: second === '' ? null : JSON.parse(second),
        });
        if (stop === true) return;
      }
    });
  }

  // How a text reads to a person, where the grammar reads it otherwise: notice, what was read as
  // free text; hint, what Orvik takes instead of a notation it lacks ('' for none).
  function reading(text, sneak) {
    needString(text, 'the text');
    try {
      const length = put(text);
      const got = reply(core._orvik_reading(buffer, length, sneak ? 1 : 0));
      return { notice: got.text(), hint: got.second() };
    } finally {
      letGo();
    }
  }

  // --- audits

  // One audit at a time: each waits for those asked before it, since the generator is one and
  // rolls and audits go on from each other in the order asked.
  let turn = Promise.resolve();
  function inTurn(work) {
    const mine = turn.then(work);
    turn = mine.catch(() => {});
    return mine;
  }

  // Lets the caller in: a message to a worker, a cancel, a redraw. A message to itself rather than
  // a timer, which browsers hold back 4 ms once timers nest: a tenth of a 25 ms slice.
  const channel = typeof MessageChannel === 'function' ? new MessageChannel() : null;
  const waiting = [];
  // Node keeps a process alive while a port listens: this one only while a pause waits on it.
  const holds = channel !== null && typeof channel.port1.unref === 'function';
  if (channel !== null) {
    channel.port1.onmessage = () => {
      waiting.shift()();
      if (holds && waiting.length === 0) channel.port1.unref();
    };
    if (holds) channel.port1.unref();
  }
  function pause() {
    if (channel === null) return new Promise((resolve) => setTimeout(resolve, 0));
    return new Promise((resolve) => {
      waiting.push(resolve);
      if (holds) channel.port1.ref();
      channel.port2.postMessage(0);
    });
  }

  function aborted(signal) {
    return signal !== undefined && signal.aborted === true;
  }

  function auditOptions(options, name) {
    options = needOptions(options, name);
    const { onProgress, signal } = options;
    if (onProgress !== undefined && typeof onProgress !== 'function') {
      throw new TypeError(`orvik: onProgress must be a function, not ${describe(onProgress)}`);
    }
    if (signal !== undefined && (signal === null || typeof signal !== 'object' || typeof signal.aborted !== 'boolean')) {
      throw new TypeError(`orvik: signal must be an AbortSignal, not ${describe(signal)}`);
    }
    return options;
  }

  // Audits of rolls of texts, given together as the command's run of them: { audits, headline,
  // unlikely }, audits the JSON lines, headline the verdict on them all (null for one).
  async function auditRolls(texts, options) {
    const list = needTexts(texts, 'texts');
    options = auditOptions(options, 'audit');
    const sneak = needBoolean(options.sneak, 'sneak');
    const ideal = needBoolean(options.idealDice, 'idealDice');
    const rolls = options.rolls === undefined ? limits.defaultRolls : options.rolls;
    if (typeof rolls !== 'number') {
      throw new TypeError(`orvik: rolls must be a number, not ${describe(rolls)}`);
    }
    if (!Number.isInteger(rolls) || rolls < 1 || rolls > limits.mostRolls) {
      throw new RangeError(`orvik: rolls must be a whole number from 1 to ${limits.mostRolls}, not ${rolls}`);
    }
    const { onProgress, signal } = options;
    return inTurn(async () => {
      const handle = reply(core._orvik_audit_begin(sneak ? 1 : 0, rolls, ideal ? 1 : 0)).handle;
      try {
        // A text begun is kept, with the rolls done when it is stopped; those not begun are left out.
        for (let index = 0; index < list.length && !aborted(signal); index++) {
          const text = list[index];
          let begun;
          try {
            const length = put(text);
            begun = reply(core._orvik_audit_text(handle, buffer, length));
          } finally {
            letGo();
          }
          let done = 0;
          // In slices of about SLICE milliseconds, each as many rolls as the last took that long.
          let step = 4096;
          while (begun.yes && done < rolls && !aborted(signal)) {
            const start = Date.now();
            done = reply(core._orvik_audit_roll(handle, Math.min(step, rolls - done))).count;
            const took = Date.now() - start;
            step = Math.max(4096, Math.min(1 << 24, took > 0 ? Math.round((step * SLICE) / took) : step * 2));
            if (onProgress) onProgress({ index, text, done, rolls });
            if (done < rolls) await pause();
          }
          reply(core._orvik_audit_keep(handle));
        }
        return givenTogether(reply(core._orvik_audit_result(handle)));
      } finally {
        core._orvik_audit_end(handle);
      }
    });
  }

  // Audits given together, from the core's reply: each audit's line, the verdict on them all
  // (null with none) and whether some audit is unlikely.
  function givenTogether(got) {
    return { audits: lines(got.text()), headline: got.second() || null, unlikely: got.yes };
  }

  // A result whose audits are lines of JSON, with them read.
  function parsed(got) {
    return { ...got, audits: got.audits.map((line) => JSON.parse(line)) };
  }

  function logOptions(options, name) {
    options = auditOptions(options, name);
    const from = options.from === undefined ? '' : options.from;
    needString(from, 'from');
    const byRoller = needBoolean(options.byRoller, 'byRoller');
    const ideal = needBoolean(options.idealDice, 'idealDice');
    const source = options.source === undefined ? 'log' : options.source;
    needString(source, 'source');
    return { from, byRoller, ideal, source, onProgress: options.onProgress, signal: options.signal };
  }

  // A log's audit from its pieces: next() gives the next piece (a string, or a file's bytes with
  // bytes) and whether it is the last, or null once the log is read; told(done, lines) tells the
  // progress. Memory running out at a line stops the reading there, as the command's does: the
  // audit is of the lines before it (outOfMemoryAt), and a text whose audit memory then runs out
  // for says so in its place (untested counts them). headline is the verdict on them all (null
  // with nothing to test), unlikely whether some audit is. Whatever happens, the core lets go of
  // all the audit held.
  async function auditPieces({ from, byRoller, ideal, source, signal }, bytes, next, told) {
    const begun = withStrings([from], (pointer, length) =>
      reply(core._orvik_log_begin(pointer, length, byRoller ? 1 : 0, bytes ? 1 : 0, ideal ? 1 : 0)));
    const handle = begun.handle;
    try {
      let last = Date.now();
      let outOfMemoryAt = null;
      for (;;) {
        if (aborted(signal)) break;
        const piece = await next();
        if (piece === null) break;
        let got;
        try {
          const length = bytes ? putBytes(piece.value) : put(piece.value);
          got = reply(core._orvik_log_read(handle, buffer, length, piece.last ? 1 : 0));
        } finally {
          letGo();
        }
        told(got.count);
        if (!got.yes) outOfMemoryAt = got.count + 1;
        if (piece.last || !got.yes) break;
        if (Date.now() - last >= SLICE) {
          await pause();
          last = Date.now();
        }
      }
      // Stopped part-way: a line begun and not ended is not read.
      const summed = withStrings([source], (pointer, length) => reply(core._orvik_log_summary(handle, pointer, length)));
      const summary = summed.text();
      if (summed.count === 0) return { summary, audits: [], untested: 0, outOfMemoryAt, headline: null, unlikely: false };
      const audited = reply(core._orvik_log_audits(handle));
      return { summary, untested: audited.count, outOfMemoryAt, ...givenTogether(audited) };
    } finally {
      core._orvik_log_end(handle);
    }
  }

  // Puts a file's bytes into the buffer; returns their count.
  function putBytes(bytes) {
    room(bytes.length);
    core.HEAPU8.set(bytes, buffer);
    return bytes.length;
  }

  async function auditLogJson(log, options) {
    needString(log, 'the log');
    const asked = logOptions(options, 'auditLog');
    return inTurn(() => {
      let at = 0;
      return auditPieces(asked, false, () => {
        if (at >= log.length && at > 0) return null;
        let end = Math.min(log.length, at + LOG_PIECE);
        // A pair of surrogates stays whole.
        const unit = log.charCodeAt(end - 1);
        if (end < log.length && unit >= 0xd800 && unit <= 0xdbff) end--;
        const piece = { value: log.slice(at, end), last: end === log.length };
        at = end;
        return piece;
      }, (lines) => { if (asked.onProgress) asked.onProgress({ done: at, length: log.length, lines }); });
    });
  }

  // A log file (a Blob, of any size) read in slices of bytes, as the command reads a file: its
  // byte-order mark says how it is written. Each slice is read only when wanted.
  async function auditLogFile(file, options) {
    const asked = logOptions(options, 'auditLogFile');
    return inTurn(() => {
      let at = 0;
      return auditPieces(asked, true, async () => {
        if (at >= file.size && at > 0) return null;
        const end = Math.min(file.size, at + FILE_SLICE);
        const value = new Uint8Array(await file.slice(at, end).arrayBuffer());
        if (value.length !== end - at) throw new Error(`could not read ${asked.source} past byte ${at + value.length}`);
        at = end;
        return { value, last: end === file.size };
      }, (lines) => { if (asked.onProgress) asked.onProgress({ done: at, length: file.size, lines }); });
    });
  }

  // The protocol: the reply's, the roll's and the questions' fields, the codes and the limits.
  const protocol = (() => {
    const at = core._orvik_protocol();
    if (at === 0) throw noMemory();
    return JSON.parse(read(at, core.HEAPU8.indexOf(0, at) - at));
  })();
  R = places(protocol.reply);
  codes = protocol.codes;
  const D = places(protocol.rolled);
  const Q = places(protocol.questions);
  const F = places(protocol.figures);
  const limits = Object.freeze({
    mostSeed: protocol.mostSeed,
    defaultRolls: protocol.defaultRolls,
    mostRolls: protocol.mostRolls,
    fewestForMean: protocol.fewestForMean,
    fewestExpected: protocol.fewestExpected,
  });

  // An audit's figure as the reports say it: kind 'pValue', 'chance', 'about' or 'eValue'.
  function figure(kind, value) {
    return reply(core._orvik_figure(F[kind], value)).text();
  }

  seed(randomSeed());

  const api = {
    seed,
    roll,
    odds: (texts, options) => oddsJson(texts, options).map((line) => JSON.parse(line)),
    audit: async (texts, options) => parsed(await auditRolls(texts, options)).audits,
    auditLog: async (log, options) => parsed(await auditLogJson(log, options)),
    // The same answers as the very text the command prints: one JSON object a line.
    json: { roll: rollJson, odds: oddsJson, audit: async (texts, options) => (await auditRolls(texts, options)).audits, auditLog: auditLogJson },
  };
  if (forPage) {
    api.oddsDrawn = oddsDrawn;
    api.reading = reading;
    api.seedText = seedText;
    api.auditLogFile = async (file, options) => parsed(await auditLogFile(file, options));
    api.auditRolls = async (texts, options) => parsed(await auditRolls(texts, options));
    api.figure = figure;
    api.dice = protocol.dice;
    api.limits = limits;
  }
  return api;
}
