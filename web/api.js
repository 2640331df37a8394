// Orvik's features for JavaScript, over the compiled module's calls (web/Calls.cpp). Each answer
// is the very text the command prints, one JSON object a line, and the methods give it parsed: a
// roll is what `orvik --json` prints, the odds `orvik --odds --json`, an audit
// `orvik --audit --json`. This file is shared: the build puts it into orvik.mjs, the package's
// ES module, and into a page's worker, after the compiled module's own script.

// eslint-disable-next-line no-unused-vars
function orvikApi(core, randomSeed) {
  'use strict';

  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  // The most rolls asked of one audit, as the command's --rolls takes.
  const MOST_ROLLS = 1e12;
  // How long a piece of work runs before an audit lets its caller in (progress, a message, a
  // cancel), in milliseconds.
  const SLICE = 25;
  // Characters of a log handed over at once.
  const LOG_PIECE = 1 << 20;

  function describe(value) {
    if (value === null) return 'null';
    if (Array.isArray(value)) return 'an array';
    return typeof value === 'object' ? 'an object' : `${typeof value} ${String(value)}`;
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

  // Runs call(pointer, length, ...) with each string copied into the module's memory as UTF-8
  // (a lone surrogate, which UTF-8 cannot hold, becomes U+FFFD).
  function withStrings(strings, call) {
    const pointers = [];
    try {
      const args = [];
      for (const text of strings) {
        const bytes = encoder.encode(text);
        const pointer = core._malloc(bytes.length + 1);
        if (pointer === 0) throw new RangeError('orvik: out of memory for a text of ' + bytes.length + ' bytes');
        pointers.push(pointer);
        core.HEAPU8.set(bytes, pointer);
        args.push(pointer, bytes.length);
      }
      return call(...args);
    } finally {
      for (const pointer of pointers) core._free(pointer);
    }
  }

  // The last call's answer.
  function answer() {
    const pointer = core._orvik_answer();
    return decoder.decode(core.HEAPU8.subarray(pointer, pointer + core._orvik_answer_length()));
  }

  function lines(text) {
    return text === '' ? [] : text.replace(/\n$/, '').split('\n');
  }

  // Lets the caller in: a message to a worker, a cancel, a redraw.
  function pause() {
    return new Promise((resolve) => setTimeout(resolve, 0));
  }

  function aborted(signal) {
    return signal !== undefined && signal !== null && signal.aborted === true;
  }

  // --- the seed

  let seedInUse = 0;

  function seed(value) {
    if (value === undefined) return seedInUse;
    if (!Number.isInteger(value) || value < 0 || value > 0xffffffff) {
      throw new RangeError(`orvik: a seed is a whole number from 0 to 4294967295, not ${describe(value)}`);
    }
    seedInUse = value;
    core._orvik_seed(value);
    return value;
  }

  // --- rolls

  function rollJson(text, options) {
    needString(text, 'the text');
    const sneak = needBoolean(needOptions(options, 'roll').sneak, 'sneak');
    withStrings([text], (pointer, length) => core._orvik_roll(pointer, length, sneak ? 1 : 0));
    return answer();
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
          throw new RangeError('orvik: atLeast must be within 64 bits');
        }
      } else if (!Number.isSafeInteger(atLeast)) {
        throw new TypeError(`orvik: atLeast must be a whole number (a BigInt beyond 2^53), not ${describe(atLeast)}`);
      }
      target = String(atLeast);
    }
    if (vs !== undefined) {
      needString(vs, 'vs');
      kind = 2;
    }
    withStrings([target, vs === undefined ? '' : vs], (t, tl, v, vl) =>
      core._orvik_odds_ask(sneak ? 1 : 0, kind, t, tl, v, vl));
  }

  function oddsJson(texts, options) {
    const list = needTexts(texts, 'texts');
    ask(options);
    return list.map((text) => {
      withStrings([text], (pointer, length) => core._orvik_odds(pointer, length));
      return answer();
    });
  }

  // --- audits

  function auditOptions(options, name) {
    options = needOptions(options, name);
    const { onProgress, signal } = options;
    if (onProgress !== undefined && typeof onProgress !== 'function') {
      throw new TypeError(`orvik: onProgress must be a function, not ${describe(onProgress)}`);
    }
    if (signal !== undefined && (signal === null || typeof signal.aborted !== 'boolean')) {
      throw new TypeError('orvik: signal must be an AbortSignal');
    }
    return options;
  }

  async function auditJson(texts, options) {
    const list = needTexts(texts, 'texts');
    options = auditOptions(options, 'audit');
    const sneak = needBoolean(options.sneak, 'sneak');
    const rolls = options.rolls === undefined ? 1e6 : options.rolls;
    if (!Number.isInteger(rolls) || rolls < 1 || rolls > MOST_ROLLS) {
      throw new RangeError(`orvik: rolls must be a whole number from 1 to ${MOST_ROLLS}, not ${describe(rolls)}`);
    }
    const { onProgress, signal } = options;
    const out = [];
    for (let index = 0; index < list.length; index++) {
      if (aborted(signal)) break;
      const text = list[index];
      const rollable = withStrings([text], (pointer, length) =>
        core._orvik_audit_begin(pointer, length, sneak ? 1 : 0, rolls));
      let done = 0;
      // In slices of about SLICE milliseconds, each as many rolls as the last took that long.
      let step = 4096;
      while (rollable && done < rolls && !aborted(signal)) {
        const start = Date.now();
        done = core._orvik_audit_roll(Math.min(step, rolls - done));
        const took = Date.now() - start;
        step = Math.max(4096, Math.min(1 << 24, took > 0 ? Math.round(step * SLICE / took) : step * 2));
        if (onProgress) onProgress({ index, text, done, rolls });
        if (done < rolls) await pause();
      }
      core._orvik_audit_result();
      out.push(answer());
    }
    return out;
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
    withStrings([from], (pointer, length) => core._orvik_log_begin(pointer, length, byRoller ? 1 : 0));
    let at = 0;
    let last = Date.now();
    while (at < log.length && !aborted(signal)) {
      let end = Math.min(log.length, at + LOG_PIECE);
      // A pair of surrogates stays whole.
      if (end < log.length && /[\ud800-\udbff]/.test(log[end - 1])) end--;
      const lines = withStrings([log.slice(at, end)], (pointer, length) =>
        core._orvik_log_read(pointer, length, end === log.length ? 1 : 0));
      at = end;
      if (onProgress) onProgress({ done: at, length: log.length, lines });
      if (Date.now() - last >= SLICE && at < log.length) {
        await pause();
        last = Date.now();
      }
    }
    // Stopped part-way: a line begun and not ended is not read.
    const answers = withStrings([source], (pointer, length) => core._orvik_log_summary(pointer, length));
    const summary = answer();
    if (answers === 0) return { summary, audits: [] };
    core._orvik_log_audits();
    return { summary, audits: lines(answer()) };
  }

  seed(randomSeed());

  return {
    seed,
    roll: (text, options) => JSON.parse(rollJson(text, options)),
    odds: (texts, options) => oddsJson(texts, options).map((line) => JSON.parse(line)),
    audit: async (texts, options) => (await auditJson(texts, options)).map((line) => JSON.parse(line)),
    auditLog: async (log, options) => {
      const { summary, audits } = await auditLogJson(log, options);
      return { summary, audits: audits.map((line) => JSON.parse(line)) };
    },
    // The same answers as the very text the command prints: one JSON object a line.
    json: { roll: rollJson, odds: oddsJson, audit: auditJson, auditLog: auditLogJson },
  };
}
