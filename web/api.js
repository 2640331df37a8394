// Orvik's features for JavaScript, over the compiled module's calls (web/Calls.cpp). Each answer
// is the very text the command prints, one JSON object a line, and the methods give it parsed: a
// roll is what `orvik --json` prints, the odds `orvik --odds --json`, an audit
// `orvik --audit --json`. This file is shared: the build puts it into orvik.mjs, the package's
// ES module, and into the page's engine. forPage adds what only the page draws from, oddsColumns.

// eslint-disable-next-line no-unused-vars
function orvikApi(core, randomSeed, forPage) {
  'use strict';

  const encoder = new TextEncoder();
  // A byte-order mark a text begins with is a character of it.
  const decoder = new TextDecoder('utf-8', { ignoreBOM: true });
  // The most rolls asked of one audit, as the command's --rolls takes.
  const MOST_ROLLS = 1e12;
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
  // The compiled module's sign that memory ran out (kNoMemory).
  const NO_MEMORY = -1;

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

  // texts: one string or an array of them.
  function needTexts(texts, name) {
    const list = Array.isArray(texts) ? texts : [texts];
    list.forEach((text, i) => needString(text, Array.isArray(texts) ? `${name}[${i}]` : name));
    return list;
  }

  function noMemory() {
    return new RangeError('orvik: the WebAssembly module ran out of memory');
  }

  function checked(status) {
    if (status === NO_MEMORY) throw noMemory();
    return status;
  }

  // --- texts in and out

  // One buffer in the module's memory takes each text: no allocation a call for a roll's text.
  let buffer = 0;
  let bufferSize = 0;
  function room(bytes) {
    if (bytes <= bufferSize) return;
    if (buffer !== 0) core._free(buffer);
    bufferSize = 0;
    buffer = core._malloc(Math.max(bytes, 3 * SHORT));
    if (buffer === 0) throw noMemory();
    bufferSize = Math.max(bytes, 3 * SHORT);
  }
  function letGo() {
    if (bufferSize > KEEP) {
      core._free(buffer);
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
        const pointer = core._malloc(bytes.length + 1);
        if (pointer === 0) throw noMemory();
        pointers.push(pointer);
        core.HEAPU8.set(bytes, pointer);
        args.push(pointer, bytes.length);
      }
      return call(...args);
    } finally {
      for (const pointer of pointers) core._free(pointer);
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

  // The last call's answer.
  function answer() {
    return read(core._orvik_answer(), core._orvik_answer_length());
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

  function seed(value) {
    if (value === undefined) return seedInUse;
    if (typeof value !== 'number') {
      throw new TypeError(`orvik: a seed is a number, not ${describe(value)}`);
    }
    if (!Number.isInteger(value) || value < 0 || value > 0xffffffff) {
      throw new RangeError(`orvik: a seed is a whole number from 0 to 4294967295, not ${value}`);
    }
    checked(core._orvik_seed(value));
    seedInUse = value;
    return value;
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
      checked(core._orvik_roll(buffer, length, sneak ? 1 : 0));
      return answer();
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
  // fields, in its order) with its keys in the JSON's order: the tests hold it equal to the JSON
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
        answer: read(h[f] >>> 0, h[f + 1]),
        seed: seedInUse,
      };
      if (h[f + 2] === 0) {
        object.groups = [];
        return object;
      }
      object.sides = h[f + 6];
      object.modifier = h[f + 7];
      if (h[f + 3] === 1) {
        object.sneak = {
          total: h[f + 10],
          sides: h[f + 12],
          modifier: h[f + 13],
          faces: integers(h, h[f + 14], h[f + 11]),
        };
      }
      const count = h[f + 4];
      const dice = h[f + 5];
      const totals = h[f + 8] >>> 2;
      const faces = h[f + 9] >>> 0;
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

  // What is asked of each text: the table, reaching a target, or a contest.
  function ask(options) {
    options = needOptions(options, 'odds');
    const sneak = needBoolean(options.sneak, 'sneak');
    const { atLeast, vs } = options;
    if (atLeast !== undefined && vs !== undefined) {
      throw new TypeError('orvik: atLeast and vs ask different questions: give one of them');
    }
    let kind = 0;
    let target = '';
    if (atLeast !== undefined) {
      kind = 1;
      if (typeof atLeast === 'bigint') {
        if (atLeast < -(2n ** 63n) || atLeast >= 2n ** 63n) {
          throw new RangeError(`orvik: atLeast must be within 64 bits, not ${atLeast}`);
        }
      } else if (typeof atLeast !== 'number') {
        throw new TypeError(`orvik: atLeast must be a number or a BigInt, not ${describe(atLeast)}`);
      } else if (!Number.isSafeInteger(atLeast)) {
        throw new RangeError(`orvik: atLeast must be a whole number (a BigInt beyond 2^53), not ${atLeast}`);
      }
      target = String(atLeast);
    }
    if (vs !== undefined) {
      needString(vs, 'vs');
      kind = 2;
    }
    withStrings([target, vs === undefined ? '' : vs], (t, tl, v, vl) =>
      checked(core._orvik_odds_ask(sneak ? 1 : 0, kind, t, tl, v, vl)));
  }

  function oddsJson(texts, options) {
    const list = needTexts(texts, 'texts');
    ask(options);
    try {
      return list.map((text) => {
        const length = put(text);
        checked(core._orvik_odds(buffer, length));
        return answer();
      });
    } finally {
      letGo();
    }
  }

  // --- audits

  // One audit at a time: each waits for those asked before it, since the module holds one audit
  // of rolls and one of a log, and the generator is one.
  let turn = Promise.resolve();
  function inTurn(work) {
    const mine = turn.then(work);
    turn = mine.catch(() => {});
    return mine;
  }

  // Lets the caller in: a message to a worker, a cancel, a redraw.
  function pause() {
    return new Promise((resolve) => setTimeout(resolve, 0));
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

  async function auditJson(texts, options) {
    const list = needTexts(texts, 'texts');
    options = auditOptions(options, 'audit');
    const sneak = needBoolean(options.sneak, 'sneak');
    const rolls = options.rolls === undefined ? 1e6 : options.rolls;
    if (typeof rolls !== 'number') {
      throw new TypeError(`orvik: rolls must be a number, not ${describe(rolls)}`);
    }
    if (!Number.isInteger(rolls) || rolls < 1 || rolls > MOST_ROLLS) {
      throw new RangeError(`orvik: rolls must be a whole number from 1 to ${MOST_ROLLS}, not ${rolls}`);
    }
    const { onProgress, signal } = options;
    return inTurn(async () => {
      const out = [];
      for (let index = 0; index < list.length && !aborted(signal); index++) {
        const text = list[index];
        let rollable;
        try {
          const length = put(text);
          rollable = checked(core._orvik_audit_begin(buffer, length, sneak ? 1 : 0, rolls));
        } finally {
          letGo();
        }
        let done = 0;
        // In slices of about SLICE milliseconds, each as many rolls as the last took that long.
        let step = 4096;
        while (rollable === 1 && done < rolls && !aborted(signal)) {
          const start = Date.now();
          done = checked(core._orvik_audit_roll(Math.min(step, rolls - done)));
          const took = Date.now() - start;
          step = Math.max(4096, Math.min(1 << 24, took > 0 ? Math.round((step * SLICE) / took) : step * 2));
          if (onProgress) onProgress({ index, text, done, rolls });
          if (done < rolls) await pause();
        }
        checked(core._orvik_audit_result());
        out.push(answer());
      }
      return out;
    });
  }

  async function auditLogJson(log, options) {
    needString(log, 'the log');
    options = auditOptions(options, 'auditLog');
    const from = options.from === undefined ? '' : options.from;
    needString(from, 'from');
    const byRoller = needBoolean(options.byRoller, 'byRoller');
    const source = options.source === undefined ? 'log' : options.source;
    needString(source, 'source');
    const { onProgress, signal } = options;
    return inTurn(async () => {
      withStrings([from], (pointer, length) => checked(core._orvik_log_begin(pointer, length, byRoller ? 1 : 0)));
      let at = 0;
      let last = Date.now();
      try {
        while (at < log.length && !aborted(signal)) {
          let end = Math.min(log.length, at + LOG_PIECE);
          // A pair of surrogates stays whole.
          const unit = log.charCodeAt(end - 1);
          if (end < log.length && unit >= 0xd800 && unit <= 0xdbff) end--;
          const piece = log.slice(at, end);
          const length = put(piece);
          const lines = checked(core._orvik_log_read(buffer, length, end === log.length ? 1 : 0));
          at = end;
          if (onProgress) onProgress({ done: at, length: log.length, lines });
          if (Date.now() - last >= SLICE && at < log.length) {
            await pause();
            last = Date.now();
          }
        }
      } finally {
        letGo();
      }
      // Stopped part-way: a line begun and not ended is not read.
      const answers = withStrings([source], (pointer, length) => checked(core._orvik_log_summary(pointer, length)));
      const summary = answer();
      if (answers === 0) return { summary, audits: [] };
      checked(core._orvik_log_audits());
      return { summary, audits: lines(answer()) };
    });
  }

  // The odds of one text as the page draws them (orvik_odds_columns): [the object
  // `orvik --odds --json` gives, without its totals; their p, at_least and at_most as three
  // columns of numbers, lowest total first], the columns null for a refusal. A table of 49,901
  // totals is then not written as JSON and read back.
  function oddsColumns(text, sneak) {
    needString(text, 'the text');
    let result;
    try {
      const length = put(text);
      result = checked(core._orvik_odds_columns(buffer, length, sneak ? 1 : 0));
    } finally {
      letGo();
    }
    const head = JSON.parse(answer());
    if (!result) return [head, null];
    const count = core._orvik_columns_length();
    return [head, new Float64Array(core.HEAPU8.buffer, core._orvik_columns(), count).slice()];
  }

  seed(randomSeed());

  const api = {
    seed,
    roll,
    odds: (texts, options) => oddsJson(texts, options).map((line) => JSON.parse(line)),
    audit: async (texts, options) => (await auditJson(texts, options)).map((line) => JSON.parse(line)),
    auditLog: async (log, options) => {
      const { summary, audits } = await auditLogJson(log, options);
      return { summary, audits: audits.map((line) => JSON.parse(line)) };
    },
    // The same answers as the very text the command prints: one JSON object a line.
    json: { roll: rollJson, odds: oddsJson, audit: auditJson, auditLog: auditLogJson },
  };
  if (forPage) api.oddsColumns = oddsColumns;
  return api;
}
