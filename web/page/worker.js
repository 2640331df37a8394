// The page's worker. engine.js holds it as a string; the worker's source is orvikEngine() (the
// compiled module's script and web/api.js) followed by this. The page sends {id, op, ...}; the
// worker answers {id, result} or {id, error}, with {id, progress} between for the long ones, and
// {op: 'cancel', of: id} stops an audit, which then reports on what it had read or rolled.
// {op: 'module', module} first hands it the compiled module.
/* global orvikEngine, FileReaderSync */

const randomSeed = () => crypto.getRandomValues(new Uint32Array(1))[0];
// The page sends the module it compiled first; without it, the worker compiles its own copy.
let given;
const ready = new Promise((resolve) => { given = resolve; })
  .then((module) => orvikEngine()(module, randomSeed, true));
const running = new Map();
// An odds table with its totals as columns of numbers, straight from the library, sent to the
// page without copying: as JSON, a table of 49,901 totals is 200,000 numbers written, read back
// and sent as as many objects, for most of the time it takes.
function table(orvik, text, sneak) {
  const [head, figures] = orvik.oddsColumns(text, sneak);
  if (!figures) return [head, []];
  const n = figures.length / 3;
  const total = new Float64Array(n);
  for (let i = 0; i < n; i++) total[i] = head.min + i;
  const totals = { total, p: figures.subarray(0, n), at_least: figures.subarray(n, 2 * n), at_most: figures.subarray(2 * n) };
  return [{ ...head, totals }, [figures.buffer, total.buffer]];
}

async function perform(orvik, message, progress, signal) {
  switch (message.op) {
    case 'seed':
      return orvik.seed(message.seed === undefined ? randomSeed() : message.seed);
    case 'roll':
      return orvik.roll(message.text, { sneak: message.sneak });
    case 'odds': {
      const tables = [];
      const transfer = [];
      for (const [index, text] of message.texts.entries()) {
        const [answer, buffers] = table(orvik, text, message.sneak);
        tables.push(answer);
        transfer.push(...buffers);
        progress({ done: index + 1, of: message.texts.length });
      }
      const question = {};
      if (message.atLeast !== undefined) question.atLeast = message.atLeast;
      if (message.vs !== undefined) question.vs = message.vs;
      const answers = Object.keys(question).length === 0 ? [] :
        orvik.odds(message.texts, { sneak: message.sneak, ...question });
      return [{ tables, answers }, transfer];
    }
    case 'audit':
      orvik.seed(message.seed);
      return orvik.audit(message.texts, {
        sneak: message.sneak, rolls: message.rolls, signal,
        onProgress: ({ index, done, rolls }) => progress({ index, done, of: rolls }),
      });
    case 'auditLog': {
      // FileReader, unlike Blob.text(), reads a UTF-16 file by its byte-order mark.
      const log = message.file ? new FileReaderSync().readAsText(message.file) : message.log;
      return orvik.auditLog(log, {
        from: message.from, byRoller: message.byRoller, source: message.source, signal,
        onProgress: ({ done, length, lines }) => progress({ done, of: length, lines }),
      });
    }
    default:
      throw new Error(`no such work: ${message.op}`);
  }
}

self.onmessage = async ({ data }) => {
  if (data.op === 'module') {
    given(data.module);
    return;
  }
  given(null);
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
    const answer = await perform(orvik, data, progress, controller.signal);
    const [result, transfer] = data.op === 'odds' ? answer : [answer, []];
    self.postMessage({ id, result, stopped: controller.signal.aborted }, transfer);
  } catch (error) {
    self.postMessage({ id, error: error instanceof Error ? error.message : String(error) });
  } finally {
    running.delete(id);
  }
};
