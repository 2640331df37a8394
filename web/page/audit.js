// The Audit view: a game's log (pasted, held as a file when large, or opened) or rolls of the
// page's own generator, tested against their exact odds by the audit worker, with progress and
// Cancel; the verdict on them all, and each text's card drawn from its JSON object, a section at
// a time, its p-values, chances and e-values in the library's words.
(function (page) {
  'use strict';

  const { h, byId, count, fig: figure, figures, pagedTable, lazyCards, size, textLines, wholeNumber } = page.helpers;
  const chart = page.chart;

  // A pasted log longer than this is held as a file is, a Blob shown by its name and size, not
  // in the text box: a box of many megabytes takes the browser gigabytes and seconds to lay out
  // at every switch of view. A person's paste of a session's log is far shorter.
  const HELD = 1 << 20;

  function start(app) {
    const { store } = app;
    const fig = (value, format) => figure(value, format, store.state.exact);
    const status = byId('audit-status');
    const work = byId('audit-work');
    const progress = byId('audit-progress');
    const progressText = byId('audit-progress-text');
    const log = byId('audit-log');
    let held = null; // a pasted log held as a file
    let call = null;
    let observer = null;
    let charts = [];
    let made = 0; // cards drawn, for their captions' ids

    const fields = {
      'audit-texts': (s, v) => { s.audit.texts = v; },
      'audit-rolls': (s, v) => { s.audit.rolls = v; },
      'audit-from': (s, v) => { s.audit.from = v; },
    };
    for (const [id, set] of Object.entries(fields)) {
      const input = byId(id);
      input.addEventListener('input', () => store.update((s) => set(s, input.value)));
    }
    byId('audit-sneak').addEventListener('change', (e) => store.update((s) => { s.audit.sneak = e.target.checked; }));
    byId('audit-by-roller').addEventListener('change', (e) => store.update((s) => { s.audit.byRoller = e.target.checked; }));
    byId('audit-ideal').addEventListener('change', (e) => store.update((s) => { s.audit.idealDice = e.target.checked; }));
    // What the choice of dice means, in the library's words.
    app.library.then(({ dice: { ideal, orvik } }) => {
      byId('audit-ideal-note').textContent = `${ideal.name[0].toUpperCase()}${ideal.name.slice(1)}: ${ideal.means}, as real ` +
        `dice or another module may give. Otherwise ${orvik.name}: ${orvik.means}.`;
    }, () => {});
    for (const input of document.querySelectorAll('input[name="audit-source"]')) {
      input.addEventListener('change', () => store.update((s) => { s.audit.source = input.value; }));
    }

    function hold(blob, name) {
      held = { blob, name };
      log.value = '';
      log.hidden = true;
      byId('audit-held-name').textContent = `${name}, ${size(blob.size)}`;
      byId('audit-held').hidden = false;
    }
    function letGo() {
      held = null;
      log.hidden = false;
      byId('audit-held').hidden = true;
    }
    log.addEventListener('paste', (event) => {
      const text = event.clipboardData && event.clipboardData.getData('text/plain');
      if (!text || text.length + log.value.length <= HELD) return;
      event.preventDefault();
      hold(new Blob([log.value, text], { type: 'text/plain' }), 'the pasted log');
    });
    byId('audit-held-remove').addEventListener('click', () => {
      letGo();
      log.focus();
    });

    // The sections of a card, each drawn from the audit's object: a new figure of the JSON is a
    // row here. A test the sample was too small for says how many totals it takes. said(value,
    // kind) is a figure in the library's words (an audit's p-value, chance or e-value).
    const sections = [
      (a, { said, orvik }) => {
        const tested = orvik.dice[a.dice];
        const other = a.other_dice && orvik.dice[a.other_dice.dice];
        return [h('h4', null, 'The verdict'), h('p', { class: 'tested' }, 'Tested against ', h('strong', null, tested.name), `: ${tested.means}.`),
          figures([
            ['p-value', said(a.p, 'pValue')],
            a.audits > 1 && [`adjusted for the ${count(a.audits)} audits`, said(a.p_adjusted, 'pValue')],
            other && [`chance to call ${other.name} unlikely`, said(a.other_dice.chance, 'chance')],
          ])];
      },
      (a, { said }) => a.caught.length === 0 ? [] : [h('h4', null, 'What these totals could catch'), h('ul', { class: 'caught' },
        a.caught.map((c) => h('li', null, `${count(a.totals)} ${a.totals === 1 ? 'total' : 'totals'} like these would catch ${c.words} `,
          said(c.chance, 'chance'), ' of the time; ', c.totals_for_90 === null ? 'no number of totals catches it 90% of the time.'
            : ['about ', said(c.totals_for_90, 'about'), ' would catch it 90% of the time.'])))],
      (a, { said, log }) => !log ? [] : [h('h4', null, 'Audited again and again'), figures([
        ['e-value', said(a.anytime.e_value, 'eValue')],
        ['flags it at', fig(a.anytime.flags_at, 'count')],
        ['flagged', a.anytime.flagged ? 'yes' : 'no'],
      ])],
      (a) => [h('h4', null, 'The sample'), figures([
        ['rolls', fig(a.rolls, 'count')],
        ['totals tested', fig(a.totals, 'count')],
        ['groups tested', a.groups_tested === 'every' ? `every group's total (${a.groups} ${a.groups === 1 ? 'group' : 'groups'})` : `the first group's total (of ${a.groups})`],
        ['refused answers', fig(a.refused, 'count')],
        a.p_error !== 0 && ['chance of a dice error', fig(a.p_error, 'percent')],
        ['answers no roll gives', fig(a.impossible, 'count')],
        a.first_impossible !== null && ['the first of them', h('code', null, a.first_impossible)],
      ])],
      (a, { said, orvik }) => [h('h4', null, 'The mean'), a.mean.z === null
        ? h('p', { class: 'note' }, `The mean is tested from ${count(orvik.limits.fewestForMean)} totals that can differ on; here there ${a.totals === 1 ? 'is' : 'are'} ${count(a.totals)}.`)
        : figures([
          ['observed', fig(a.mean.observed, 'four')],
          ['expected', fig(a.mean.expected, 'four')],
          ['standard error', fig(a.mean.standard_error, 'four')],
          ['z (standard errors off)', fig(a.mean.z, 'two')],
          ['p', said(a.mean.p, 'pValue')],
          ['p worked out', a.mean.exact ? 'exactly' : 'by the saddlepoint approximation'],
        ])],
      (a, { said, orvik }) => {
        const c = a.chi_square;
        return [h('h4', null, 'The spread (chi-square)'), c.statistic === null
          ? h('p', { class: 'note' }, `The spread is tested once at least two classes of totals each expect ${count(orvik.limits.fewestExpected)}; here ${count(a.totals)} ${a.totals === 1 ? 'total does' : 'totals do'} not fill them.`)
          : figures([
            ['statistic', fig(c.statistic, 'two')],
            ['degrees of freedom', fig(c.degrees_of_freedom, 'count')],
            ['classes', fig(c.classes.length, 'count')],
            ['p', said(c.p, 'pValue')],
            ['p worked out', c.simulated === null ? 'from the chi-square\'s tail' : ['simulated from ', fig(c.simulated.samples, 'count'), ' samples']],
            c.simulated !== null && ['the chi-square\'s tail', said(c.tail_p, 'pValue')],
          ])];
      },
    ];

    const classLabel = (c) => {
      const totals = c.from === undefined ? '' : c.from === c.to ? count(c.from) : `${count(c.from)}..${count(c.to)}`;
      if (!c.refused) return totals;
      return totals === '' ? 'refused' : `${totals} or refused`;
    };

    function heading(a) {
      const out = h('h3', null, h('code', null, a.text));
      if (a.sneak) out.append(' (sneak attack)');
      if (a.roller === '') out.append(', lines naming no roller');
      else if (typeof a.roller === 'string') out.append(', rolled by ', h('code', null, a.roller));
      return out;
    }

    // how: { orvik, log }, the page's library and whether the audits are a log's.
    function card(a, into, how) {
      if (a.error !== undefined) {
        // A log's text whose audit memory ran out for says how many answers went untested.
        into.append(h('p', { class: 'error' }, a.rolls === undefined ? a.error : `${count(a.rolls)} ${a.rolls === 1 ? 'roll' : 'rolls'}: ${a.error}`));
        return;
      }
      if (a.pooled) {
        // Texts of the same dice but for the modifier and the groups have their totals moved.
        const moved = a.pooled_shifts.some((shift) => shift !== 0);
        into.append(h('p', null, moved ? 'pooled with texts of the same dice, their totals moved to this text\'s by the amount shown: '
          : 'pooled with texts of the same odds: ', a.pooled.map((p, i) => [i ? ', ' : '', h('code', null, p),
          a.pooled_shifts[i] === 0 ? '' : ` (${a.pooled_shifts[i] > 0 ? '+' : ''}${count(a.pooled_shifts[i])})`]).flat(),
        a.pooled_more ? ' and more' : ''));
      }
      into.append(h('p', { class: a.unlikely ? 'verdict unlikely' : 'verdict' }, a.verdict));
      if (a.note !== null) into.append(h('p', { class: 'note' }, a.note));
      for (const section of sections) into.append(...section(a, how));
      const c = a.chi_square;
      const captionId = `audit-caption-${made++}`;
      const plot = h('div', { class: 'plot-host' });
      const legendList = h('ul', { class: 'legend', 'aria-label': 'Legend' });
      into.append(h('figure', { class: 'chart' }, plot, legendList, h('figcaption', { id: captionId },
        `Observed against expected counts of ${a.text}, in ${count(c.classes.length)} ${c.classes.length === 1 ? 'class' : 'classes'} of totals, from ${classLabel(c.classes[0])} to ${classLabel(c.classes[c.classes.length - 1])}. The table below gives each.`)));
      const series = [
        { name: 'observed', cls: 's0', value: (i) => c.classes[i].observed },
        { name: 'expected', cls: 's1 expected', value: (i) => c.classes[i].expected },
      ];
      let most = 0;
      for (const k of c.classes) most = Math.max(most, k.observed, k.expected);
      const draw = () => chart.legend(legendList, series, chart.draw(plot, {
        n: c.classes.length,
        label: (i) => classLabel(c.classes[i]),
        xTicks: (k) => {
          const step = Math.max(1, Math.ceil(c.classes.length / k));
          const out = [];
          for (let i = 0; i < c.classes.length; i += step) out.push(i);
          return out;
        },
        series,
        yMax: chart.niceTop(most * 1.05),
        yFormat: (v) => count(v),
        tell: (v) => (Number.isInteger(v) ? count(v) : page.helpers.formats.one(v)),
        yTitle: 'totals',
        xTitle: 'total',
        captionId,
        bars: true,
        start: 0,
      }));
      charts.push(draw);
      if (store.state.view === 'audit') draw();
      into.append(pagedTable(`Observed and expected counts of ${a.text}`, ['totals', 'observed', 'expected'], c.classes.length,
        (i) => h('tr', null, h('th', { scope: 'row' }, classLabel(c.classes[i])), h('td', null, fig(c.classes[i].observed, 'count')),
          h('td', null, fig(c.classes[i].expected, 'one'))), 0));
    }

    // What memory running out cut short in a log's audit, as the command says it.
    function shortOf(log) {
      const said = [];
      if (log.outOfMemoryAt !== null) {
        said.push(`Memory ran out at line ${count(log.outOfMemoryAt)} of the log: the audit is of the lines before it.`);
      }
      if (log.untested > 0) {
        said.push(`Memory ran out before ${count(log.untested)} ${log.untested === 1 ? 'roll text' : 'roll texts'} could be tested: the cards say so.`);
      }
      return said;
    }

    // result: { audits, headline }, and for a log's audit its summary and what memory cut short;
    // log, whether it is a log's.
    function show(result, log, stopped, orvik) {
      if (observer) observer.disconnect();
      charts = [];
      const list = result.audits;
      const results = byId('audit-results');
      const short = log ? shortOf(result) : [];
      const head = log ? [h('p', { class: 'summary' }, result.summary), ...short.map((line) => h('p', { class: 'error' }, line))] : [];
      // The verdict on them all: the log's and its anytime figure, or that of several texts.
      if (result.headline !== null) head.push(h('div', { class: 'together' }, result.headline.split('\n').map((line) => h('p', null, line))));
      const cards = h('div', { class: 'cards' });
      results.replaceChildren(...head, cards);
      // A figure as the library says it, or in full.
      const said = (value, kind) => figure(value, kind, store.state.exact, value === null ? undefined : orvik.figure(kind, value));
      const how = { orvik, log, said };
      observer = lazyCards(cards, list, heading, (a, into) => card(a, into, how), (a) => `Audit of ${a.text}`);
      const verdicts = list.filter((a) => a.verdict !== undefined);
      const unlikely = verdicts.filter((a) => a.unlikely).length;
      status.textContent = (stopped ? 'Stopped; the audit is of what was done. ' : '') +
        (short.length > 0 ? 'Memory ran out: the audit is of what it could hold, as said below. ' : '') + (list.length === 0 ? 'No answers to test.'
          : `Audited ${list.length} ${list.length === 1 ? 'roll text' : 'roll texts'}: ${unlikely === 0 ? 'none' : unlikely} very unlikely.`);
      // The verdicts are read out; on the screen each stands in its text's card.
      byId('audit-verdicts').textContent = (result.headline === null ? '' : `${result.headline.replace(/\n/g, '. ')}. `) +
        verdicts.slice(0, 5).map((a) => `${a.text}: ${a.verdict}.`).join(' ') + (verdicts.length > 5 ? ` And ${verdicts.length - 5} more.` : '');
    }

    async function run(message, what) {
      if (call) return;
      status.textContent = `Auditing ${what}…`;
      byId('audit-verdicts').textContent = '';
      work.hidden = false;
      progress.removeAttribute('value');
      progressText.textContent = '';
      byId('audit-button').disabled = true;
      const texts = message.texts ? message.texts.length : 1;
      const mine = app.audits().call(message, (p) => {
        if (message.op === 'audit') {
          progress.max = p.of * texts;
          progress.value = p.index * p.of + p.done;
          progressText.textContent = `${count(p.done)} of ${count(p.of)} rolls of ${message.texts[p.index]}`;
        } else {
          progress.max = p.of;
          progress.value = p.done;
          progressText.textContent = `${count(p.lines)} lines read`;
        }
      });
      call = mine;
      try {
        const [{ result, stopped }, orvik] = await Promise.all([mine.done, app.library]);
        show(result, message.op === 'auditLog', stopped, orvik);
      } catch (error) {
        byId('audit-results').replaceChildren();
        status.textContent = page.roll.playerWords(error);
      } finally {
        call = null;
        work.hidden = true;
        byId('audit-button').disabled = false;
      }
    }

    byId('audit-form').addEventListener('submit', async (event) => {
      event.preventDefault();
      const a = store.state.audit;
      if (a.source === 'log') {
        const options = { from: a.from, byRoller: a.byRoller, idealDice: a.idealDice };
        if (held) run({ op: 'auditLog', file: held.blob, source: held.name, ...options }, held.name);
        else run({ op: 'auditLog', log: log.value, source: 'the pasted log', ...options }, 'the pasted log');
        return;
      }
      const texts = textLines(a.texts);
      const rolls = wholeNumber(a.rolls, false);
      const { limits } = await app.library;
      app.fieldError('audit-texts', texts.length === 0 ? 'Write a roll text first, one a line, such as 3d6.' : null);
      const fine = rolls !== null && rolls >= 1 && rolls <= limits.mostRolls;
      app.fieldError('audit-rolls', fine ? null : `Write how many rolls as a whole number from 1 to ${count(limits.mostRolls)}.`);
      if (texts.length === 0 || !fine) {
        byId('audit-results').replaceChildren();
        status.textContent = '';
        return;
      }
      run({ op: 'audit', texts, rolls, sneak: a.sneak, idealDice: a.idealDice, seed: store.state.seed }, `rolls from seed ${store.state.seed}`);
    });

    byId('audit-file').addEventListener('change', (event) => {
      const file = event.target.files[0];
      if (!file) return;
      const a = store.state.audit;
      run({ op: 'auditLog', file, from: a.from, byRoller: a.byRoller, idealDice: a.idealDice, source: file.name }, file.name);
    });

    byId('audit-cancel').addEventListener('click', () => {
      if (call) app.audits().cancel(call.id);
    });

    return {
      fill(state) {
        byId('audit-texts').value = state.audit.texts;
        byId('audit-rolls').value = state.audit.rolls;
        byId('audit-from').value = state.audit.from;
        byId('audit-sneak').checked = state.audit.sneak;
        byId('audit-by-roller').checked = state.audit.byRoller;
        byId('audit-ideal').checked = state.audit.idealDice;
        for (const input of document.querySelectorAll('input[name="audit-source"]')) input.checked = input.value === state.audit.source;
      },
      redraw() { for (const draw of charts) draw(); },
    };
  }

  page.audit = { start, HELD };
})(globalThis.OrvikPage = globalThis.OrvikPage || {});
