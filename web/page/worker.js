// The page's worker. engine.js holds it as a string after the compiled module's own script
// (orvik-script.js, which defines createOrvikCore), and the build puts web/api.js where the line
// below names it. The page sends {id, op, ...}; the worker answers {id, result} or {id, error},
// with {id, progress} between for the long ones, and {op: 'cancel', of: id} stops an audit, which
// then reports on what it had read or rolled.
/* global createOrvikCore, FileReaderSync */

@ORVIK_API@

const randomSeed = () => crypto.getRandomValues(new Uint32Array(1))[0];
const ready = createOrvikCore().then((core) => orvikApi(core, randomSeed));
const running = new Map();

// An odds table whose totals are columns of numbers, sent without copying: a table of 49,901
// totals is 200,000 objects otherwise, which the page would have to take apart again.
function columns(answer) {
  if (!Array.isArray(answer.totals)) return [answer, []];
  const n = answer.totals.length;
  const out = { total: new Float64Array(n), p: new Float64Array(n), at_least: new Float64Array(n), at_most: new Float64Array(n) };
  answer.totals.forEach((row, i) => {
    out.total[i] = row.total;
    out.p[i] = row.p;
    out.at_least[i] = row.at_least;
    out.at_most[i] = row.at_most;
  });
  return [{ ...answer, totals: out }, Object.values(out).map((column) => column.buffer)];
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
        const [table, buffers] = columns(orvik.odds(text, { sneak: message.sneak })[0]);
        tables.push(table);
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
