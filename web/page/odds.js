// The Odds view: the exact odds of several texts on one chart, each text's card and table, the
// questions "at least" and "against", and their tables as a CSV file. The work is the odds
// worker's; a text at a time, so that Cancel is heard between texts.
(function (page) {
  'use strict';

  const { h, byId, codeText, count, fixed, fig: figure, figures, pagedTable, lazyCards, textLines, wholeNumber, csvText } = page.helpers;
  const chart = page.chart;

  // The most texts one question works out. The chart tells a handful apart, and the largest
  // tables (49,901 totals, three columns of doubles: 1.2 MB) keep 100 texts near 120 MB in the
  // page; a link asks for no more than a person could. The command takes any number.
  const MOST_TEXTS = 100;
  // The most texts the chart draws: as many as its colours and dashes tell apart. Each text's card
  // gives every figure.
  const MOST_DRAWN = 6;
  const MODE_NAMES = { p: 'exactly', at_least: 'at least', at_most: 'at most' };

  const dice = (roll) => `${roll.dice}d${roll.sides}${roll.modifier > 0 ? '+' : ''}${roll.modifier === 0 ? '' : roll.modifier}`;

  function start(app) {
    const { store } = app;
    const fig = (value, format) => figure(value, format, store.state.exact);
    const texts = byId('odds-texts');
    const sneak = byId('odds-sneak');
    const target = byId('odds-target');
    const vs = byId('odds-vs');
    const status = byId('odds-status');
    const results = byId('odds-results');
    const work = byId('odds-work');
    const progress = byId('odds-progress');
    let shown = null; // the odds shown: { tables, answers, asked }
    let call = null; // the work under way
    let observers = [];

    texts.addEventListener('input', () => store.update((s) => { s.odds.texts = texts.value; }));
    sneak.addEventListener('change', () => store.update((s) => { s.odds.sneak = sneak.checked; }));
    target.addEventListener('input', () => store.update((s) => { s.odds.target = target.value; }));
    vs.addEventListener('input', () => store.update((s) => { s.odds.vs = vs.value; }));
    for (const input of document.querySelectorAll('input[name="question"]')) {
      input.addEventListener('change', () => store.update((s) => { s.odds.question = input.value; }));
    }
    for (const input of document.querySelectorAll('input[name="mode"]')) {
      input.addEventListener('change', () => {
        store.update((s) => { s.odds.mode = input.value; });
        if (shown) drawChart();
      });
    }

    function drawChart() {
      const results = shown.tables.filter((t) => t.totals);
      const tables = results.slice(0, MOST_DRAWN);
      const holder = byId('odds-figure');
      holder.hidden = tables.length === 0;
      if (tables.length === 0) return;
      const [lo, hi] = chart.drawnRange(tables);
      const key = store.state.odds.mode;
      const series = tables.map((t, k) => ({
        name: t.text,
        cls: `s${k % 6}`,
        value: (i) => {
          const at = lo + i - t.min;
          return at >= 0 && at < t.totals.p.length ? t.totals[key][at] : undefined;
        },
      }));
      let yMax = 1;
      let peak = 0;
      if (key === 'p') {
        yMax = 0;
        tables.forEach((t) => {
          for (let i = Math.max(0, lo - t.min); i <= Math.min(t.totals.p.length - 1, hi - t.min); i++) {
            if (t.totals.p[i] > yMax) {
              yMax = t.totals.p[i];
              peak = t.min + i - lo;
            }
          }
        });
        yMax = chart.niceTop(yMax * 1.05);
      } else {
        peak = Math.round((hi - lo) / 2);
      }
      const bars = chart.draw(byId('odds-chart'), {
        n: hi - lo + 1,
        label: (i) => count(lo + i),
        xTicks: (k) => chart.totalTicks(lo, hi, k).map((v) => v - lo),
        series,
        yMax,
        yFormat: (v) => `${Number((v * 100).toPrecision(6))}%`,
        tell: (v) => page.helpers.formats.percent(v),
        yTitle: `chance, ${MODE_NAMES[key]}`,
        xTitle: 'total',
        captionId: 'odds-caption',
        bars: key === 'p' && tables.length <= 3,
        start: peak,
      });
      chart.legend(byId('odds-legend'), series, bars);
      const whole = tables.every((t) => t.min >= lo && t.max <= hi);
      byId('odds-caption').textContent = `The chance of each total ${MODE_NAMES[key]}, for ${tables.map((t) =>
        `${t.text} (totals ${count(t.min)} to ${count(t.max)}, mean ${fixed(t.mean, 4)}, standard deviation ${fixed(t.standard_deviation, 4)})`).join('; ')}. ` +
        (whole ? '' : `Drawn from ${count(lo)} to ${count(hi)}: beyond, each total's chance is below a thousandth of the likeliest's. `) +
        (results.length > tables.length ? `The chart draws the first ${MOST_DRAWN} of the ${count(results.length)} texts with odds, as many as it tells apart. ` : '') +
        'The tables below give every figure.';
    }

    // A refused text's card says what Orvik takes instead, where a notation of another program
    // reads as one.
    const refusal = (text, error, orvik) => {
      const hint = orvik.reading(text, shown.asked.sneak).hint;
      return [h('p', { class: 'error' }, error), hint ? h('p', { class: 'hint' }, codeText(hint)) : null];
    };

    function tableCard(table, card, lo, orvik) {
      if (table.error !== undefined) {
        card.append(...refusal(table.text, table.error, orvik).filter(Boolean));
        return;
      }
      const each = `${table.groups === 1 ? '1 group:' : `${table.groups} groups, each`} ${dice(table.roll)}`;
      card.append(h('p', null, each, table.sneak ? `, with a sneak attack of ${dice(table.sneak)}${table.groups > 1 ? ' shared by the groups' : ''}` : ''));
      card.append(figures([
        ['minimum', fig(table.min, 'count')],
        ['maximum', fig(table.max, 'count')],
        ['mean', fig(table.mean, 'four')],
        ['standard deviation', fig(table.standard_deviation, 'four')],
        // Where no answer can be refused, there is nothing to say of refusals.
        table.p_error !== 0 && ['chance of a dice error', fig(table.p_error, 'percent')],
      ]));
      const t = table.totals;
      card.append(pagedTable(`Every total of ${table.text}`, ['total', 'exactly', 'at least', 'at most'], t.p.length,
        (i) => h('tr', null, h('th', { scope: 'row' }, count(table.min + i)), h('td', null, fig(t.p[i], 'percent')),
          h('td', null, fig(t.at_least[i], 'percent')), h('td', null, fig(t.at_most[i], 'percent'))),
        lo - table.min));
    }

    // A refusal's answer has no target: the one asked is its.
    const answerHeading = (answer) => (answer.vs !== undefined
      ? h('h3', null, h('code', null, answer.text), ' against ', h('code', null, answer.vs))
      : h('h3', null, h('code', null, answer.text), ` reaching ${(answer.target ?? shown.asked.atLeast).toLocaleString('en-US')}`));

    function answerCard(answer, card, orvik) {
      if (answer.vs !== undefined) {
        if (answer.error !== undefined) {
          card.append(h('p', { class: 'error' }, `${answer.error} (the ${answer.refused === 'vs' ? 'other' : 'first'} text)`));
          return;
        }
        card.append(figures([
          ['greater', fig(answer.greater, 'percent')],
          ['equal', fig(answer.equal, 'percent')],
          ['less', fig(answer.less, 'percent')],
          answer.p_error !== 0 && ['either a dice error', fig(answer.p_error, 'percent')],
        ]));
        return;
      }
      if (answer.error !== undefined) {
        card.append(...refusal(answer.text, answer.error, orvik).filter(Boolean));
        return;
      }
      card.append(figures([
        ['one total reaches it', fig(answer.at_least, 'percent')],
        answer.p_error !== 0 && ['chance of a dice error', fig(answer.p_error, 'percent')],
      ]));
      if (answer.groups > 1) {
        card.append(pagedTable(`How many of the ${answer.groups} groups reach ${count(answer.target)}`, ['groups', 'exactly', 'that many or more'],
          answer.exactly.length, (k) => h('tr', null, h('th', { scope: 'row' }, count(k)), h('td', null, fig(answer.exactly[k], 'percent')),
            h('td', null, fig(answer.or_more[k], 'percent'))), 0));
      }
    }

    // Shows result: the heading, the notices and the chart first, the cards in a task of their own,
    // so that a click between the two is answered.
    async function show(result, asked, orvik, stopped, moveTo) {
      for (const observer of observers) if (observer) observer.disconnect();
      const mine = { ...result, asked };
      shown = mine;
      results.hidden = false;
      const drawn = result.tables.filter((t) => t.totals);
      const lo = drawn.length ? chart.drawnRange(drawn.slice(0, MOST_DRAWN))[0] : 0;
      const names = result.tables.length === 1 ? result.tables[0].text : `${count(result.tables.length)} texts`;
      byId('odds-heading').textContent = `Odds of ${names}`;
      // What each text held that was read as free text, under the heading.
      const notices = [];
      for (const table of result.tables.slice(0, 20)) {
        const { notice } = orvik.reading(table.text, asked.sneak);
        if (notice) notices.push(h('li', null, h('code', null, table.text), ': ', codeText(notice)));
      }
      byId('odds-notices').replaceChildren(...notices);
      if (store.state.view === 'odds') drawChart();
      if (moveTo) {
        // The chart in view, and the keyboard's focus at the heading above it.
        const heading = byId('odds-heading');
        heading.focus({ preventScroll: true });
        heading.scrollIntoView({ block: 'start' });
      }
      await new Promise((resolve) => setTimeout(resolve, 0));
      if (shown !== mine) return;
      observers = [
        lazyCards(byId('odds-answers'), result.answers, answerHeading, (a, card) => answerCard(a, card, orvik), (a) => `${a.text} ${a.vs !== undefined ? 'against' : 'reaching'}`),
        lazyCards(byId('odds-tables'), result.tables, (t) => h('h3', null, h('code', null, t.text)), (t, card) => tableCard(t, card, lo, orvik), (t) => `Odds of ${t.text}`),
      ];
      byId('odds-csv').hidden = drawn.length === 0;
      const refused = result.tables.length - drawn.length;
      status.textContent = (stopped ? `Stopped after ${count(result.tables.length)} of ${count(asked.texts.length)} texts. ` : '') +
        (asked.capped ? `The first ${count(MOST_TEXTS)} of ${count(asked.capped)} texts: the page works out at most ${count(MOST_TEXTS)} at once. ` : '') +
        `Odds of ${names}${refused ? `; ${refused} refused` : ''}.`;
    }

    function clearResults() {
      results.hidden = true;
      shown = null;
    }

    // Works out the odds the view asks for; moveTo, when a person asked (not a link).
    async function ask(moveTo) {
      const o = store.state.odds;
      const all = textLines(o.texts);
      let fine = true;
      app.fieldError('odds-texts', all.length === 0 ? 'Write a roll text first, one a line, such as 3d6.' : null);
      if (all.length === 0) fine = false;
      const asked = { texts: all.slice(0, MOST_TEXTS), sneak: o.sneak, capped: all.length > MOST_TEXTS ? all.length : 0 };
      app.fieldError('odds-target', null);
      app.fieldError('odds-vs', null);
      if (o.question === 'atleast') {
        asked.atLeast = wholeNumber(o.target, true);
        if (asked.atLeast === null) {
          app.fieldError('odds-target', 'Write the total to reach as a whole number, such as 12.');
          fine = false;
        }
      } else if (o.question === 'vs') {
        asked.vs = o.vs;
        if (o.vs.trim() === '') {
          app.fieldError('odds-vs', 'Write the roll text to roll against, such as d20.');
          fine = false;
        }
      }
      if (!fine) {
        clearResults();
        status.textContent = '';
        return;
      }
      if (call) app.odds().cancel(call.id);
      status.textContent = 'Working out the odds…';
      work.hidden = false;
      progress.removeAttribute('value');
      const message = { op: 'odds', texts: asked.texts, sneak: asked.sneak };
      if (asked.atLeast !== undefined) message.atLeast = asked.atLeast;
      if (asked.vs !== undefined) message.vs = asked.vs;
      const mine = app.odds().call(message, ({ done, of }) => { progress.max = of; progress.value = done; });
      call = mine;
      try {
        const [{ result, stopped }, orvik] = await Promise.all([mine.done, app.library]);
        if (call === mine) await show(result, asked, orvik, stopped, moveTo);
      } catch (error) {
        if (call !== mine) return;
        clearResults();
        // A target out of the library's range is the field's to say.
        if (/atLeast/.test(error.message)) {
          app.fieldError('odds-target', 'That total is beyond what Orvik counts: write a smaller one.');
          status.textContent = '';
        } else {
          status.textContent = page.roll.playerWords(error);
        }
      } finally {
        if (call === mine) {
          call = null;
          work.hidden = true;
        }
      }
    }

    byId('odds-form').addEventListener('submit', (event) => {
      event.preventDefault();
      ask(true);
    });
    texts.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' && (event.ctrlKey || event.metaKey)) {
        event.preventDefault();
        ask(true);
      }
    });
    byId('odds-cancel').addEventListener('click', () => { if (call) app.odds().cancel(call.id); });

    // Every figure of every table, as the library gave it: numbers as numbers, each text as a
    // cell no spreadsheet runs.
    byId('odds-csv').addEventListener('click', () => {
      const parts = ['text,total,p,at_least,at_most\r\n'];
      for (const t of shown.tables) {
        if (!t.totals) continue;
        const text = csvText(t.text);
        const c = t.totals;
        let lines = '';
        for (let i = 0; i < c.p.length; i++) {
          lines += `${text},${t.min + i},${c.p[i]},${c.at_least[i]},${c.at_most[i]}\r\n`;
          if (lines.length > 1 << 20) {
            parts.push(lines);
            lines = '';
          }
        }
        parts.push(lines);
      }
      const url = URL.createObjectURL(new Blob(parts, { type: 'text/csv' }));
      const link = h('a', { href: url, download: 'orvik-odds.csv', hidden: true });
      document.body.append(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(url), 60000);
    });

    return {
      fill(state) {
        texts.value = state.odds.texts;
        sneak.checked = state.odds.sneak;
        target.value = state.odds.target;
        vs.value = state.odds.vs;
        for (const input of document.querySelectorAll('input[name="question"]')) input.checked = input.value === state.odds.question;
        for (const input of document.querySelectorAll('input[name="mode"]')) input.checked = input.value === state.odds.mode;
      },
      ask,
      redraw() { if (shown) drawChart(); },
    };
  }

  page.odds = { start, MOST_TEXTS };
})(globalThis.OrvikPage = globalThis.OrvikPage || {});
