// The Orvik page: rolls, odds and audits, each worked out by the library in a worker (engine.js)
// and only shown here. Any text, whoever wrote it, is put in the page as text: through
// textContent, text nodes and setAttribute, never as markup.
/* global orvikWorker, orvikFirstWorker, orvikModule, orvikPage, orvikRandomSeed */
'use strict';
(() => {
  const byId = (id) => document.getElementById(id);
  const SVG = 'http://www.w3.org/2000/svg';

  // --- building the page

  function attrs(node, list) {
    for (const [name, value] of Object.entries(list || {})) {
      if (value !== undefined && value !== null && value !== false) node.setAttribute(name, value === true ? '' : String(value));
    }
    return node;
  }

  function h(tag, list, ...children) {
    const node = attrs(document.createElement(tag), list);
    node.append(...children.flat(Infinity).filter((c) => c !== null && c !== undefined && c !== false));
    return node;
  }

  function svg(tag, list) {
    return attrs(document.createElementNS(SVG, tag), list);
  }

  // --- figures: each shown rounded, or in full with "Show every figure in full"

  const exact = byId('exact');
  const fixed = (x, digits) => x.toLocaleString('en-US', { minimumFractionDigits: digits, maximumFractionDigits: digits });
  const count = (x) => x.toLocaleString('en-US');
  const formats = {
    percent(p) {
      const v = p * 100;
      if (v === 0) return '0%';
      return v >= 0.0001 ? `${fixed(v, 4)}%` : `${v.toExponential(2)}%`;
    },
    p(p) {
      if (p === 0) return '0';
      return p >= 0.001 ? String(Number(p.toPrecision(2))) : p.toExponential(0);
    },
    four: (x) => fixed(x, 4),
    two: (x) => fixed(x, 2),
    one: (x) => fixed(x, 1),
    count,
  };

  function shown(value, format) {
    if (value === null || value === undefined) return 'none';
    return exact.checked ? String(value) : formats[format](value);
  }

  function fig(value, format) {
    return h('span', { class: 'fig', 'data-value': String(value), 'data-format': format }, shown(value, format));
  }

  exact.addEventListener('change', () => {
    for (const node of document.querySelectorAll('.fig')) {
      const raw = node.dataset.value;
      node.textContent = shown(raw === 'null' ? null : Number(raw), node.dataset.format);
    }
  });

  // A list of name and figure pairs.
  function figures(rows) {
    return h('dl', { class: 'figures' }, rows.filter(Boolean).map(([name, value]) =>
      h('div', null, h('dt', null, name), h('dd', null, value))));
  }

  // --- the workers

  let lastId = 0;
  let auditCharts = [];

  class Engine {
    constructor(worker) {
      this.start(worker);
    }

    start(worker) {
      this.pending = new Map();
      this.worker = worker || orvikWorker();
      this.worker.onmessage = ({ data }) => this.receive(data);
      this.worker.onerror = (event) => {
        event.preventDefault();
        this.stop(`the worker stopped: ${event.message}`);
      };
      // Every message waits for the module, which goes first.
      const started = this.worker;
      this.sent = orvikModule.then((module) => started.postMessage({ op: 'module', module }), () => {});
    }

    // Sends message; the answer's promise, and its id to cancel it by.
    call(message, onProgress) {
      const id = ++lastId;
      const done = new Promise((resolve, reject) => this.pending.set(id, { resolve, reject, onProgress }));
      const worker = this.worker;
      this.sent.then(() => worker.postMessage({ ...message, id }));
      return { id, done };
    }

    receive({ id, progress, result, error, stopped }) {
      const call = this.pending.get(id);
      if (!call) return;
      if (progress !== undefined) {
        if (call.onProgress) call.onProgress(progress);
        return;
      }
      this.pending.delete(id);
      if (error !== undefined) call.reject(new Error(error));
      else call.resolve({ result, stopped });
    }

    // An audit stops at its next slice and reports on what it did.
    cancel(id) {
      const worker = this.worker;
      this.sent.then(() => worker.postMessage({ op: 'cancel', of: id }));
    }

    // Work that cannot be stopped half-way (the odds) is stopped with its worker.
    stop(why) {
      this.worker.terminate();
      for (const call of this.pending.values()) call.reject(new Error(why));
      this.start();
      if (this.restarted) this.restarted();
    }
  }

  // Seeds and rolls on the page's own thread (start.js made its instance): each takes
  // microseconds, and the first answer then waits for no worker to start.
  const rolls = {
    call(message) {
      const done = orvikPage.then((orvik) => ({
        result: message.op === 'seed'
          ? orvik.seed(message.seed === undefined ? orvikRandomSeed() : message.seed)
          : orvik.roll(message.text, { sneak: message.sneak }),
      }));
      return { id: ++lastId, done };
    },
  };

  // The odds' worker is the one engine.js started when a link asks for odds; the others start
  // after the first answer, or when they are wanted.
  let oddsEngine = orvikFirstWorker ? new Engine(orvikFirstWorker) : null;
  const odds = () => oddsEngine || (oddsEngine = new Engine());
  let auditEngine = null;
  const audits = () => auditEngine || (auditEngine = new Engine());

  // A number typed as digits goes to the library as a number; anything else goes as it is, for the
  // library to refuse in its own words.
  // A field's text as the library takes a number: digits exactly (a BigInt where asked, for
  // targets beyond 2^53), any other number as a number, anything else as the text itself, so that
  // the library's refusal names what was typed.
  function wholeNumber(text, big) {
    const trimmed = text.trim();
    if (/^-?\d+$/.test(trimmed)) return big ? BigInt(trimmed) : Number(trimmed);
    const number = trimmed === '' ? NaN : Number(trimmed);
    return Number.isFinite(number) ? number : text;
  }

  // Roll texts, one a line; empty lines are none.
  function textLines(text) {
    return text.split('\n').map((line) => line.replace(/\r$/, '')).filter((line) => line !== '');
  }

  // --- views

  const tabs = [...document.querySelectorAll('[role="tab"]')];
  let view = 'roll';

  function select(name, focus) {
    view = name;
    for (const tab of tabs) {
      const on = tab.id === `tab-${name}`;
      tab.setAttribute('aria-selected', String(on));
      tab.tabIndex = on ? 0 : -1;
      byId(tab.getAttribute('aria-controls')).hidden = !on;
      if (on && focus) tab.focus();
    }
    if (name === 'audit') audits();
    if (name === 'odds' && lastOdds) drawOddsChart();
    if (name === 'audit') for (const draw of auditCharts) draw();
    saveState();
  }

  for (const tab of tabs) {
    tab.addEventListener('click', () => select(tab.id.slice(4)));
    tab.addEventListener('keydown', (event) => {
      const at = tabs.indexOf(tab);
      const to = { ArrowRight: at + 1, ArrowLeft: at - 1, Home: 0, End: tabs.length - 1 }[event.key];
      if (to === undefined) return;
      event.preventDefault();
      select(tabs[(to + tabs.length) % tabs.length].id.slice(4), true);
    });
  }

  // --- Roll

  const rollText = byId('roll-text');
  const rollSneak = byId('roll-sneak');
  const seedInput = byId('seed');
  const seedShown = byId('seed-in-use');
  const historyList = byId('history');
  const latest = byId('roll-latest');
  let seedInUse = null;

  function faces(list) {
    return list.map((group) => `[${group.join(' ')}]`).join(' ');
  }

  // One roll, as the module answered it, with its dice.
  function rollEntry(answer, sneak) {
    const dice = [];
    if (answer.sneak) dice.push(h('p', { class: 'dice' }, `sneak attack dice: ${faces([answer.sneak.faces])}`));
    if (answer.groups.length > 0) dice.push(h('p', { class: 'dice' }, `dice: ${faces(answer.groups.map((g) => g.faces))}`));
    return [
      h('p', { class: 'rolled' }, 'Rolled ', h('code', null, answer.text), sneak ? ' as a sneak attack' : ''),
      h('p', { class: 'answer' }, answer.answer),
      dice,
    ];
  }

  function historyNote(text) {
    historyList.prepend(h('li', { class: 'seed-entry' }, text));
  }

  async function setSeed(value) {
    try {
      const { result } = await rolls.call({ op: 'seed', seed: value }).done;
      seedInUse = result;
      seedShown.textContent = String(result);
      seedInput.value = String(result);
      byId('seed-form').classList.remove('refused');
      historyNote(`Seed set to ${result}`);
      saveState();
      return true;
    } catch (error) {
      latest.replaceChildren(h('p', { class: 'error' }, error.message));
      return false;
    }
  }

  byId('seed-form').addEventListener('submit', (event) => {
    event.preventDefault();
    setSeed(wholeNumber(seedInput.value, false));
  });
  byId('new-seed').addEventListener('click', () => setSeed(undefined));

  byId('roll-form').addEventListener('submit', async (event) => {
    event.preventDefault();
    const text = rollText.value;
    const sneak = rollSneak.checked;
    try {
      const { result } = await rolls.call({ op: 'roll', text, sneak }).done;
      const [rolled, answer, dice] = rollEntry(result, sneak);
      latest.replaceChildren(answer);
      byId('roll-dice').replaceChildren(rolled, ...dice);
      historyList.prepend(h('li', { class: 'roll' }, rollEntry(result, sneak)));
    } catch (error) {
      latest.replaceChildren(h('p', { class: 'error' }, error.message));
    }
  });

  byId('clear-history').addEventListener('click', () => historyList.replaceChildren());

  // --- charts

  // Round steps for an axis from lo to hi, about n of them.
  function ticks(lo, hi, n) {
    if (!(hi > lo)) return [lo];
    const raw = (hi - lo) / Math.max(1, n);
    const power = 10 ** Math.floor(Math.log10(raw));
    const step = [1, 2, 5, 10].map((m) => m * power).find((s) => s >= raw * (1 - 1e-9));
    const out = [];
    for (let v = Math.ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) out.push(Number(v.toPrecision(12)));
    return out;
  }

  // A round top for an axis just above v.
  function niceTop(v) {
    const marks = ticks(0, v, 4);
    const step = marks.length > 1 ? marks[1] - marks[0] : v || 1;
    return Math.ceil(v / step) * step || step;
  }

  // A chart of series over n places (totals, or an audit's classes): bars when they fit, lines
  // otherwise. Each series is {name, cls, value(i)}, undefined where it has no figure.
  function chart(host, { n, label, xTicks, series, yMax, yFormat, yTitle, xTitle, captionId, bars }) {
    const width = Math.max(260, Math.floor(host.clientWidth || 600));
    const height = Math.round(Math.min(340, Math.max(220, width * (width < 600 ? 0.62 : 0.4))));
    const m = { left: 60, right: 12, top: 12, bottom: 44 };
    const plotW = width - m.left - m.right;
    const plotH = height - m.top - m.bottom;
    const band = plotW / n;
    const x = (i) => m.left + (i + 0.5) * band;
    const y = (v) => m.top + plotH * (1 - v / yMax);
    const root = svg('svg', { width, height, viewBox: `0 0 ${width} ${height}`, role: 'img', 'aria-labelledby': captionId, class: 'plot' });
    for (const v of ticks(0, yMax, Math.max(2, Math.floor(plotH / 50)))) {
      root.append(svg('line', { x1: m.left, x2: width - m.right, y1: y(v), y2: y(v), class: 'grid' }));
      const text = svg('text', { x: m.left - 6, y: y(v) + 4, 'text-anchor': 'end', class: 'tick' });
      text.textContent = yFormat(v);
      root.append(text);
    }
    for (const i of xTicks(Math.max(2, Math.floor(plotW / 70)))) {
      root.append(svg('line', { x1: x(i), x2: x(i), y1: m.top + plotH, y2: m.top + plotH + 5, class: 'axis' }));
      const text = svg('text', { x: x(i), y: m.top + plotH + 18, 'text-anchor': 'middle', class: 'tick' });
      text.textContent = label(i);
      root.append(text);
    }
    root.append(svg('line', { x1: m.left, x2: width - m.right, y1: m.top + plotH, y2: m.top + plotH, class: 'axis' }));
    for (const [title, attributes] of [[xTitle, { x: m.left + plotW / 2, y: height - 6, 'text-anchor': 'middle' }],
      [yTitle, { x: 12, y: m.top + plotH / 2, 'text-anchor': 'middle', transform: `rotate(-90 12 ${m.top + plotH / 2})` }]]) {
      const text = svg('text', { ...attributes, class: 'title' });
      text.textContent = title;
      root.append(text);
    }
    const useBars = bars && band * 0.8 / series.length >= 2;
    series.forEach((s, k) => {
      if (useBars) {
        const w = band * 0.8 / series.length;
        let d = '';
        for (let i = 0; i < n; i++) {
          const v = s.value(i);
          if (v === undefined || v <= 0) continue;
          const top = y(Math.min(v, yMax));
          d += `M${(m.left + i * band + band * 0.1 + k * w).toFixed(2)} ${(m.top + plotH).toFixed(2)}V${top.toFixed(2)}h${w.toFixed(2)}V${(m.top + plotH).toFixed(2)}z`;
        }
        root.append(svg('path', { d, class: `bar ${s.cls}` }));
        return;
      }
      // One point a place, or where places outnumber pixels, the least and most of each pixel's.
      let d = '';
      let pen = 'M';
      const perPixel = n / plotW;
      if (perPixel <= 2) {
        for (let i = 0; i < n; i++) {
          const v = s.value(i);
          if (v === undefined) { pen = 'M'; continue; }
          d += `${pen}${x(i).toFixed(2)} ${y(v).toFixed(2)}`;
          pen = 'L';
        }
      } else {
        for (let px = 0; px < plotW; px++) {
          let lo = Infinity;
          let hi = -Infinity;
          const end = Math.min(n, Math.ceil((px + 1) * perPixel));
          for (let i = Math.floor(px * perPixel); i < end; i++) {
            const v = s.value(i);
            if (v === undefined) continue;
            if (v < lo) lo = v;
            if (v > hi) hi = v;
          }
          if (lo === Infinity) { pen = 'M'; continue; }
          const at = (m.left + px + 0.5).toFixed(2);
          d += `${pen}${at} ${y(hi).toFixed(2)}`;
          if (lo !== hi) d += `L${at} ${y(lo).toFixed(2)}`;
          pen = 'L';
        }
      }
      root.append(svg('path', { d, class: `line ${s.cls}` }));
    });
    host.replaceChildren(root);
    return useBars;
  }

  function legend(list, series, bars) {
    list.replaceChildren(...series.map((s) => {
      const sample = svg('svg', { width: 28, height: 14, 'aria-hidden': 'true' });
      sample.append(bars ? svg('path', { d: 'M8 1h12v12H8z', class: `bar ${s.cls}` })
        : svg('line', { x1: 1, x2: 27, y1: 7, y2: 7, class: `line ${s.cls}` }));
      return h('li', null, sample, h('span', null, s.name));
    }));
  }

  // --- tables, a page of rows at a time

  const PAGE = 100;

  function pagedTable(captionText, headers, rows, row, first) {
    const body = h('tbody');
    const table = h('table', null, h('caption', null, captionText),
      h('thead', null, h('tr', null, headers.map((name) => h('th', { scope: 'col' }, name)))), body);
    const holder = h('div', { class: 'table' }, table);
    if (rows <= PAGE * 2) {
      for (let i = 0; i < rows; i++) body.append(row(i));
      return holder;
    }
    const where = h('p', { class: 'pager-status', 'aria-live': 'polite' });
    const back = h('button', { type: 'button' }, 'Previous rows');
    const next = h('button', { type: 'button' }, 'Next rows');
    let start = Math.max(0, Math.min(rows - PAGE, first));
    const fill = () => {
      const end = Math.min(rows, start + PAGE);
      body.replaceChildren();
      for (let i = start; i < end; i++) body.append(row(i));
      where.textContent = `Rows ${count(start + 1)} to ${count(end)} of ${count(rows)}`;
      back.disabled = start === 0;
      next.disabled = end === rows;
    };
    back.addEventListener('click', () => { start = Math.max(0, start - PAGE); fill(); });
    next.addEventListener('click', () => { start = Math.min(rows - PAGE, start + PAGE); fill(); });
    fill();
    holder.append(h('div', { class: 'row pager' }, back, next, where));
    return holder;
  }

  // --- Odds

  const oddsTexts = byId('odds-texts');
  const oddsSneak = byId('odds-sneak');
  const oddsTarget = byId('odds-target');
  const oddsVs = byId('odds-vs');
  const oddsStatus = byId('odds-status');
  const oddsResults = byId('odds-results');
  const oddsWork = byId('odds-work');
  const oddsProgress = byId('odds-progress');
  const modeNames = { p: 'exactly', at_least: 'at least', at_most: 'at most' };
  let lastOdds = null;
  let oddsCall = null;

  const question = () => document.querySelector('input[name="question"]:checked').value;
  const mode = () => document.querySelector('input[name="mode"]:checked').value;
  const dice = (roll) => `${roll.dice}d${roll.sides}${roll.modifier > 0 ? '+' : ''}${roll.modifier === 0 ? '' : roll.modifier}`;

  // The totals the chart draws: beyond them, at both ends, every total's chance is below a
  // thousandth of the likeliest's, less than a pixel's height.
  function drawnRange(tables) {
    let lo = Infinity;
    let hi = -Infinity;
    for (const t of tables) {
      const p = t.totals.p;
      let peak = 0;
      for (let i = 0; i < p.length; i++) if (p[i] > peak) peak = p[i];
      let a = 0;
      let b = p.length - 1;
      while (a < b && p[a] < peak / 1000) a++;
      while (b > a && p[b] < peak / 1000) b--;
      lo = Math.min(lo, t.min + a);
      hi = Math.max(hi, t.min + b);
    }
    return [lo, hi];
  }

  function drawOddsChart() {
    const tables = lastOdds.tables.filter((t) => t.totals);
    const figure = byId('odds-figure');
    figure.hidden = tables.length === 0;
    if (tables.length === 0) return;
    const [lo, hi] = drawnRange(tables);
    const key = mode();
    const series = tables.map((t, k) => ({
      name: t.text,
      cls: `s${k % 6}`,
      value: (i) => {
        const at = lo + i - t.min;
        return at >= 0 && at < t.totals.p.length ? t.totals[key][at] : undefined;
      },
    }));
    let yMax = 1;
    if (key === 'p') {
      yMax = 0;
      for (const t of tables) for (let i = lo - t.min; i <= hi - t.min; i++) if (i >= 0 && i < t.totals.p.length && t.totals.p[i] > yMax) yMax = t.totals.p[i];
      yMax = niceTop(yMax * 1.05);
    }
    const n = hi - lo + 1;
    const bars = chart(byId('odds-chart'), {
      n,
      label: (i) => count(lo + i),
      xTicks: (k) => ticks(lo, hi, k).filter((v) => Number.isInteger(v)).map((v) => v - lo),
      series,
      yMax,
      yFormat: (v) => `${Number((v * 100).toPrecision(6))}%`,
      yTitle: `chance, ${modeNames[key]}`,
      xTitle: 'total',
      captionId: 'odds-caption',
      bars: key === 'p' && tables.length <= 3,
    });
    legend(byId('odds-legend'), series, bars);
    const whole = tables.every((t) => t.min >= lo && t.max <= hi);
    byId('odds-caption').textContent = `The chance of each total ${modeNames[key]}, for ${tables.map((t) =>
      `${t.text} (totals ${count(t.min)} to ${count(t.max)}, mean ${fixed(t.mean, 4)}, standard deviation ${fixed(t.standard_deviation, 4)})`).join('; ')}. ` +
      (whole ? '' : `Drawn from ${count(lo)} to ${count(hi)}: beyond, each total's chance is below a thousandth of the likeliest's. `) +
      'The tables below give every figure.';
  }

  function oddsCard(table, lo) {
    const card = h('section', { class: 'card', 'aria-label': `Odds of ${table.text}` });
    card.append(h('h3', null, h('code', null, table.text)));
    if (table.error !== undefined) {
      card.append(h('p', { class: 'error' }, table.error));
      return card;
    }
    const each = `${table.groups === 1 ? '1 group:' : `${table.groups} groups, each`} ${dice(table.roll)}`;
    card.append(h('p', null, each, table.sneak ? `, with a sneak attack of ${dice(table.sneak)}${table.groups > 1 ? ' shared by the groups' : ''}` : ''));
    card.append(figures([
      ['minimum', fig(table.min, 'count')],
      ['maximum', fig(table.max, 'count')],
      ['mean', fig(table.mean, 'four')],
      ['standard deviation', fig(table.standard_deviation, 'four')],
      ['chance of a dice error', fig(table.p_error, 'percent')],
    ]));
    const t = table.totals;
    card.append(pagedTable(`Every total of ${table.text}`, ['total', 'exactly', 'at least', 'at most'], t.p.length,
      (i) => h('tr', null, h('th', { scope: 'row' }, count(t.total[i])), h('td', null, fig(t.p[i], 'percent')),
        h('td', null, fig(t.at_least[i], 'percent')), h('td', null, fig(t.at_most[i], 'percent'))),
      lo - table.min));
    return card;
  }

  function answerCard(answer) {
    const card = h('section', { class: 'card' });
    if (answer.vs !== undefined) {
      card.append(h('h3', null, h('code', null, answer.text), ' against ', h('code', null, answer.vs)));
      if (answer.error !== undefined) {
        card.append(h('p', { class: 'error' }, `${answer.error} (the ${answer.refused === 'vs' ? 'other' : 'first'} text)`));
        return card;
      }
      card.append(figures([
        ['greater', fig(answer.greater, 'percent')],
        ['equal', fig(answer.equal, 'percent')],
        ['less', fig(answer.less, 'percent')],
        ['either a dice error', fig(answer.p_error, 'percent')],
      ]));
      return card;
    }
    card.append(h('h3', null, h('code', null, answer.text), ` reaching ${answer.target === undefined ? '' : count(answer.target)}`));
    if (answer.error !== undefined) {
      card.append(h('p', { class: 'error' }, answer.error));
      return card;
    }
    card.append(figures([
      ['one total reaches it', fig(answer.at_least, 'percent')],
      ['chance of a dice error', fig(answer.p_error, 'percent')],
    ]));
    if (answer.groups > 1) {
      card.append(pagedTable(`How many of the ${answer.groups} groups reach ${count(answer.target)}`, ['groups', 'exactly', 'that many or more'],
        answer.exactly.length, (k) => h('tr', null, h('th', { scope: 'row' }, count(k)), h('td', null, fig(answer.exactly[k], 'percent')),
          h('td', null, fig(answer.or_more[k], 'percent'))), 0));
    }
    return card;
  }

  function showOdds(result) {
    lastOdds = result;
    oddsResults.hidden = false;
    const drawn = result.tables.filter((t) => t.totals);
    const lo = drawn.length ? drawnRange(drawn)[0] : 0;
    if (view === 'odds') drawOddsChart();
    byId('odds-answers').replaceChildren(...result.answers.map(answerCard));
    byId('odds-tables').replaceChildren(...result.tables.map((t) => oddsCard(t, lo)));
    byId('odds-csv').hidden = drawn.length === 0;
    const refused = result.tables.length - drawn.length;
    oddsStatus.textContent = `Odds of ${result.tables.length === 1 ? result.tables[0].text : `${result.tables.length} texts`}` +
      (refused ? `; ${refused} refused` : '') + '.';
  }

  async function askOdds() {
    const texts = textLines(oddsTexts.value);
    if (texts.length === 0) {
      oddsStatus.textContent = 'Write a roll text first.';
      return;
    }
    const message = { op: 'odds', texts, sneak: oddsSneak.checked };
    if (question() === 'atleast') message.atLeast = wholeNumber(oddsTarget.value, true);
    if (question() === 'vs') message.vs = oddsVs.value;
    if (oddsCall) odds().stop('replaced');
    oddsStatus.textContent = 'Working out the odds…';
    oddsWork.hidden = false;
    oddsProgress.removeAttribute('value');
    const call = odds().call(message, ({ done, of }) => { oddsProgress.max = of; oddsProgress.value = done; });
    oddsCall = call;
    saveState();
    try {
      const { result } = await call.done;
      if (oddsCall === call) showOdds(result);
    } catch (error) {
      if (oddsCall === call) oddsStatus.textContent = error.message === 'cancelled' ? 'Stopped.' : error.message;
    } finally {
      if (oddsCall === call) {
        oddsCall = null;
        oddsWork.hidden = true;
      }
    }
  }

  byId('odds-form').addEventListener('submit', (event) => {
    event.preventDefault();
    askOdds();
  });
  oddsTexts.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && (event.ctrlKey || event.metaKey)) {
      event.preventDefault();
      askOdds();
    }
  });
  byId('odds-cancel').addEventListener('click', () => odds().stop('cancelled'));
  for (const input of document.querySelectorAll('input[name="mode"]')) {
    input.addEventListener('change', () => {
      if (lastOdds) drawOddsChart();
      saveState();
    });
  }

  // Every figure of every table, as the library gave it.
  byId('odds-csv').addEventListener('click', () => {
    const lines = ['text,total,p,at_least,at_most'];
    for (const t of lastOdds.tables) {
      if (!t.totals) continue;
      const text = `"${t.text.replace(/"/g, '""')}"`;
      const c = t.totals;
      for (let i = 0; i < c.p.length; i++) lines.push(`${text},${c.total[i]},${c.p[i]},${c.at_least[i]},${c.at_most[i]}`);
    }
    const url = URL.createObjectURL(new Blob([`${lines.join('\r\n')}\r\n`], { type: 'text/csv' }));
    const link = h('a', { href: url, download: 'orvik-odds.csv', hidden: true });
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  });

  // --- Audit

  const auditStatus = byId('audit-status');
  const auditWork = byId('audit-work');
  const auditProgress = byId('audit-progress');
  const auditProgressText = byId('audit-progress-text');
  const auditSource = () => document.querySelector('input[name="audit-source"]:checked').value;
  let auditCall = null;

  function showSource() {
    const log = auditSource() === 'log';
    byId('audit-log-fields').hidden = !log;
    byId('audit-roll-fields').hidden = log;
  }
  for (const input of document.querySelectorAll('input[name="audit-source"]')) {
    input.addEventListener('change', () => {
      showSource();
      saveState();
    });
  }

  const classLabel = (c) => {
    const totals = c.from === undefined ? '' : c.from === c.to ? count(c.from) : `${count(c.from)}..${count(c.to)}`;
    if (!c.refused) return totals;
    return totals === '' ? 'refused' : `${totals} or refused`;
  };

  function auditCard(a, index) {
    const card = h('section', { class: 'card' });
    const heading = h('h3', null, h('code', null, a.text));
    if (a.sneak) heading.append(' (sneak attack)');
    if (a.roller === '') heading.append(', lines naming no roller');
    else if (typeof a.roller === 'string') heading.append(', rolled by ', h('code', null, a.roller));
    card.append(heading);
    if (a.error !== undefined) {
      card.append(h('p', { class: 'error' }, a.error));
      return card;
    }
    if (a.pooled) {
      card.append(h('p', null, 'pooled with texts of the same odds: ',
        a.pooled.map((p, i) => [i ? ', ' : '', h('code', null, p)]).flat(), a.pooled_more ? ' and more' : ''));
    }
    card.append(h('p', { class: a.unlikely ? 'verdict unlikely' : 'verdict' }, a.verdict));
    if (a.note !== null) card.append(h('p', { class: 'note' }, a.note));
    card.append(h('h4', null, 'The sample'), figures([
      ['rolls', fig(a.rolls, 'count')],
      ['totals tested', fig(a.totals, 'count')],
      ['groups tested', a.groups_tested === 'every' ? `every group's total (${a.groups} ${a.groups === 1 ? 'group' : 'groups'})` : `the first group's total (of ${a.groups})`],
      ['refused answers', fig(a.refused, 'count')],
      ['chance of a dice error', fig(a.p_error, 'percent')],
      ['answers no roll gives', fig(a.impossible, 'count')],
      a.first_impossible !== null && ['the first of them', h('code', null, a.first_impossible)],
    ]));
    card.append(h('h4', null, 'The mean'), figures([
      ['observed', fig(a.mean.observed, 'four')],
      ['expected', fig(a.mean.expected, 'four')],
      ['standard error', fig(a.mean.standard_error, 'four')],
      ['z (standard errors off)', fig(a.mean.z, 'two')],
      ['p', fig(a.mean.p, 'p')],
    ]));
    const c = a.chi_square;
    card.append(h('h4', null, 'The spread (chi-square)'), figures([
      ['statistic', fig(c.statistic, 'two')],
      ['degrees of freedom', fig(c.degrees_of_freedom, 'count')],
      ['classes', fig(c.classes.length, 'count')],
      ['p', fig(c.p, 'p')],
    ]));
    const captionId = `audit-caption-${index}`;
    const plot = h('div', { class: 'plot-host' });
    const caption = h('figcaption', { id: captionId },
      `Observed against expected counts of ${a.text}, in ${count(c.classes.length)} ${c.classes.length === 1 ? 'class' : 'classes'} of totals, from ${classLabel(c.classes[0])} to ${classLabel(c.classes[c.classes.length - 1])}. The table below gives each.`);
    const series = [
      { name: 'observed', cls: 's0', value: (i) => c.classes[i].observed },
      { name: 'expected', cls: 's1 expected', value: (i) => c.classes[i].expected },
    ];
    const legendList = h('ul', { class: 'legend', 'aria-label': 'Legend' });
    card.append(h('figure', { class: 'chart' }, plot, legendList, caption));
    let most = 0;
    for (const k of c.classes) most = Math.max(most, k.observed, k.expected);
    const draw = () => legend(legendList, series, chart(plot, {
      n: c.classes.length,
      label: (i) => classLabel(c.classes[i]),
      xTicks: (k) => {
        const step = Math.max(1, Math.ceil(c.classes.length / k));
        const out = [];
        for (let i = 0; i < c.classes.length; i += step) out.push(i);
        return out;
      },
      series,
      yMax: niceTop(most * 1.05),
      yFormat: (v) => count(v),
      yTitle: 'totals',
      xTitle: 'total',
      captionId,
      bars: true,
    }));
    auditCharts.push(draw);
    card.append(pagedTable(`Observed and expected counts of ${a.text}`, ['totals', 'observed', 'expected'], c.classes.length,
      (i) => h('tr', null, h('th', { scope: 'row' }, classLabel(c.classes[i])), h('td', null, fig(c.classes[i].observed, 'count')),
        h('td', null, fig(c.classes[i].expected, 'one'))), 0));
    return card;
  }

  function showAudits(list, summary, stopped) {
    const results = byId('audit-results');
    auditCharts = [];
    results.replaceChildren(...(summary ? [h('p', { class: 'summary' }, summary)] : []), ...list.map(auditCard));
    for (const draw of auditCharts) draw();
    const verdicts = list.filter((a) => a.verdict !== undefined);
    const unlikely = verdicts.filter((a) => a.unlikely).length;
    auditStatus.textContent = (stopped ? 'Stopped; the audit is of what was done. ' : '') + (list.length === 0 ? 'No answers to test.'
      : `Audited ${list.length} ${list.length === 1 ? 'roll text' : 'roll texts'}: ${unlikely === 0 ? 'none' : unlikely} very unlikely.`);
    // The verdicts are read out; on the screen each stands in its text's card.
    byId('audit-verdicts').textContent = verdicts.slice(0, 5).map((a) => `${a.text}: ${a.verdict}.`).join(' ') +
      (verdicts.length > 5 ? ` And ${verdicts.length - 5} more.` : '');
  }

  async function runAudit(message, what) {
    if (auditCall) return;
    auditStatus.textContent = `Auditing ${what}…`;
    byId('audit-verdicts').textContent = '';
    auditWork.hidden = false;
    auditProgress.removeAttribute('value');
    auditProgressText.textContent = '';
    byId('audit-button').disabled = true;
    const texts = message.texts ? message.texts.length : 1;
    const call = audits().call(message, (p) => {
      if (message.op === 'audit') {
        auditProgress.max = p.of * texts;
        auditProgress.value = p.index * p.of + p.done;
        auditProgressText.textContent = `${count(p.done)} of ${count(p.of)} rolls of ${message.texts[p.index]}`;
      } else {
        auditProgress.max = p.of;
        auditProgress.value = p.done;
        auditProgressText.textContent = `${count(p.lines)} lines read`;
      }
    });
    auditCall = call;
    try {
      const { result, stopped } = await call.done;
      if (message.op === 'audit') showAudits(result, null, stopped);
      else showAudits(result.audits, result.summary, stopped);
    } catch (error) {
      auditStatus.textContent = error.message;
    } finally {
      auditCall = null;
      auditWork.hidden = true;
      byId('audit-button').disabled = false;
    }
  }

  byId('audit-form').addEventListener('submit', (event) => {
    event.preventDefault();
    if (auditSource() === 'log') {
      runAudit({ op: 'auditLog', log: byId('audit-log').value, from: byId('audit-from').value,
        byRoller: byId('audit-by-roller').checked, source: 'the pasted log' }, 'the pasted log');
    } else {
      const texts = textLines(byId('audit-texts').value);
      if (texts.length === 0) {
        auditStatus.textContent = 'Write a roll text first.';
        return;
      }
      runAudit({ op: 'audit', texts, rolls: wholeNumber(byId('audit-rolls').value, false),
        sneak: byId('audit-sneak').checked, seed: seedInUse }, `rolls from seed ${seedInUse}`);
    }
  });

  byId('audit-file').addEventListener('change', (event) => {
    const file = event.target.files[0];
    if (!file) return;
    runAudit({ op: 'auditLog', file, from: byId('audit-from').value, byRoller: byId('audit-by-roller').checked,
      source: file.name }, file.name);
  });

  byId('audit-cancel').addEventListener('click', () => {
    if (auditCall) audits().cancel(auditCall.id);
  });

  // --- the state, in the link's fragment

  const fields = {
    roll: rollText, odds: oddsTexts, target: oddsTarget, vs: oddsVs,
    texts: byId('audit-texts'), rolls: byId('audit-rolls'), from: byId('audit-from'),
  };
  const boxes = { sneak: rollSneak, osneak: oddsSneak, asneak: byId('audit-sneak'), byroller: byId('audit-by-roller') };
  const radios = { q: 'question', mode: 'mode', audit: 'audit-source' };
  let restoring = false;

  function stateLink() {
    const q = new URLSearchParams();
    q.set('view', view);
    if (seedInUse !== null) q.set('seed', String(seedInUse));
    for (const [key, input] of Object.entries(fields)) q.set(key, input.value);
    for (const [key, box] of Object.entries(boxes)) if (box.checked) q.set(key, '1');
    for (const [key, name] of Object.entries(radios)) q.set(key, document.querySelector(`input[name="${name}"]:checked`).value);
    return `#${q}`;
  }

  function saveState() {
    if (restoring) return;
    const hash = stateLink();
    if (location.hash !== hash) history.replaceState(null, '', hash);
    byId('share-link').value = location.href;
  }

  let saveSoon = 0;
  document.addEventListener('input', (event) => {
    if (event.target.id === 'share-link') return;
    clearTimeout(saveSoon);
    saveSoon = setTimeout(saveState, 250);
  });
  document.addEventListener('change', saveState);

  // Puts the page as the link says; true when it shows the odds.
  async function restore() {
    const q = new URLSearchParams(location.hash.slice(1));
    restoring = true;
    for (const [key, input] of Object.entries(fields)) if (q.has(key)) input.value = q.get(key);
    for (const [key, box] of Object.entries(boxes)) if (q.has('view')) box.checked = q.get(key) === '1';
    for (const [key, name] of Object.entries(radios)) {
      const input = [...document.querySelectorAll(`input[name="${name}"]`)].find((r) => r.value === q.get(key));
      if (input) input.checked = true;
    }
    showSource();
    const tab = ['roll', 'odds', 'audit'].includes(q.get('view')) ? q.get('view') : 'roll';
    select(tab);
    restoring = false;
    const seed = q.has('seed') ? wholeNumber(q.get('seed'), false) : undefined;
    if (seed === undefined || seed !== seedInUse) await setSeed(seed);
    if (seedInUse === null) await setSeed(undefined);
    if (tab === 'odds') await askOdds();
    saveState();
  }

  window.addEventListener('hashchange', restore);

  byId('share-copy').addEventListener('click', async () => {
    const link = byId('share-link');
    saveState();
    try {
      await navigator.clipboard.writeText(link.value);
      byId('share-status').textContent = 'The link is copied.';
    } catch {
      link.select();
      byId('share-status').textContent = 'The link is selected: copy it with Ctrl+C.';
    }
  });

  let resized = 0;
  new ResizeObserver(() => {
    clearTimeout(resized);
    resized = setTimeout(() => {
      if (lastOdds && view === 'odds') drawOddsChart();
      if (view === 'audit') for (const draw of auditCharts) draw();
    }, 100);
  }).observe(document.body);

  restore().then(() => setTimeout(() => {
    odds();
    setTimeout(audits, 500);
  }, 100));
})();
