// The page's worker. core.js holds it as a string; the worker's source is OrvikCore's library
// function (the compiled core's script and web/api.js) followed by this. The page sends
// {id, op, ...}; the worker answers {id, result, stopped} or {id, error}, with {id, progress}
// between, and {op: 'cancel', of: id} stops the work at its next slice, which then answers with
// what it did. {op: 'core', compiled} first hands it the compiled core.
/* global orvikLibrary */

const randomSeed = () => crypto.getRandomValues(new Uint32Array(1))[0];
// The page sends the core it compiled first: every message waits for it.
let given;
const ready = new Promise((resolve) => { given = resolve; })
  .then((compiled) => orvikLibrary()(compiled, randomSeed, true));
const running = new Map();
// How long the odds of several texts run before a message (a cancel) is let in, in milliseconds.
const SLICE = 25;

const pause = () => new Promise((resolve) => setTimeout(resolve, 0));

// The odds of each text as the page draws them: a table's totals as columns of numbers, straight
// from the library, sent to the page without copying; the question's answer beside. A text at a
// time, so that a cancel is heard between texts.
async function odds(orvik, message, progress, signal) {
  const tables = [];
  const answers = [];
  const transfer = [];
  const question = {};
  if (message.atLeast !== undefined) question.atLeast = message.atLeast;
  if (message.vs !== undefined) question.vs = message.vs;
  let last = Date.now();
  for (const [index, text] of message.texts.entries()) {
    if (signal.aborted) break;
    orvik.oddsDrawn([text], { sneak: message.sneak, ...question }, (_, { head, columns, answer }) => {
      if (columns === null) {
        tables.push(head);
      } else {
        const n = columns.length / 3;
        const totals = { p: columns.subarray(0, n), at_least: columns.subarray(n, 2 * n), at_most: columns.subarray(2 * n) };
        tables.push({ ...head, totals });
        transfer.push(columns.buffer);
      }
      if (answer !== null) answers.push(answer);
    });
    progress({ done: index + 1, of: message.texts.length });
    if (Date.now() - last >= SLICE) {
      await pause();
      last = Date.now();
    }
  }
  return [{ tables, answers }, transfer];
}

async function perform(orvik, message, progress, signal) {
  switch (message.op) {
    case 'odds':
      return odds(orvik, message, progress, signal);
    case 'audit':
      orvik.seed(message.seed);
      return [await orvik.auditRolls(message.texts, {
        sneak: message.sneak, rolls: message.rolls, idealDice: message.idealDice, signal,
        onProgress: ({ index, done, rolls }) => progress({ index, done, of: rolls }),
      }), []];
    case 'auditLog': {
      const options = {
        from: message.from, byRoller: message.byRoller, idealDice: message.idealDice, source: message.source, signal,
        onProgress: ({ done, length, lines }) => progress({ done, of: length, lines }),
      };
      // A file, or a pasted log held as one, is read in slices of bytes, as the command reads a
      // file; a short pasted log is text.
      return [await (message.file ? orvik.auditLogFile(message.file, options) : orvik.auditLog(message.log, options)), []];
    }
    default:
      throw new Error(`no such work: ${message.op}`);
  }
}

self.onmessage = async ({ data }) => {
  if (data.op === 'core') {
    given(data.compiled);
    return;
  }
  if (data.op === 'cancel') {
    const controller = running.get(data.of);
    if (controller) controller.abort();
    return;
  }
  const { id } = data;
  const controller = new AbortController();
  running.set(id, controller);
  try {
    const orvik = await ready;
    let last = 0;
    // At most about 20 progress messages a second: the page redraws for each.
    const progress = (value) => {
      const now = Date.now();
      if (now - last < 50) return;
      last = now;
      self.postMessage({ id, progress: value });
    };
    const [result, transfer] = await perform(orvik, data, progress, controller.signal);
    self.postMessage({ id, result, stopped: controller.signal.aborted }, transfer);
  } catch (error) {
    self.postMessage({ id, error: error instanceof Error ? error.message : String(error) });
  } finally {
    running.delete(id);
  }
};
