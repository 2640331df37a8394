// The page's size and speed, measured in Debian's Chromium, headless (doc/PAGE.md gives the
// figures; no test times anything):
//   ORVIK_WEB_DIR=build-web/web node measure.mjs
// - everything the page loads, gzipped (level 9), as a server would send it;
// - from navigation to the first answer, each run with a fresh browser profile: the seed shown, a
//   roll asked for as soon as the page is read, the odds a link asks for drawn;
// - from a click on "Show odds" to the drawn chart of 30#100d500;
// - from a click to its handler while a long audit runs;
// - an audit of a million of the page's rolls of 30#100d500, against the command's (ORVIK_CLI);
// - links of thousands of texts: navigation to the odds shown, the longest a click waited while
//   they loaded, and the most memory Chromium held (every process it started);
// - a log of 10 MB pasted into the Audit view: the paste, the memory, a switch of view;
// - and, for scale, a page whose one script starts a worker that only answers.
// SECTIONS (a comma list of size, first, chart, clicks, audit, links, paste) runs only those; the
// links and the paste can be measured on an older page's folder too, for before and after.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { pathToFileURL } from 'node:url';
import { spawnSync } from 'node:child_process';
import { treeMegabytes } from './memory.mjs';
import { chromium } from 'playwright-core';

const webDir = path.resolve(process.env.ORVIK_WEB_DIR || 'build-web/web');
const runs = Number(process.env.RUNS || 7);
const args = ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync'];
const executablePath = process.env.CHROMIUM || '/usr/bin/chromium';
const sections = new Set((process.env.SECTIONS || 'size,first,chart,clicks,audit,links,paste').split(','));

// The most memory held while work runs: sampled every 100 ms until stop() is called.
function peakMemory() {
  let peak = treeMegabytes();
  const timer = setInterval(() => { peak = Math.max(peak, treeMegabytes()); }, 100);
  return () => {
    clearInterval(timer);
    return Math.max(peak, treeMegabytes());
  };
}

const server = http.createServer((request, response) => {
  const name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1/').pathname);
  const file = path.join(webDir, name);
  if (!file.startsWith(webDir + path.sep) || !fs.existsSync(file)) return response.writeHead(404).end();
  const type = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.svg': 'image/svg+xml' }[path.extname(file)];
  response.writeHead(200, { 'content-type': type || 'application/octet-stream' });
  return fs.createReadStream(file).pipe(response);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const httpUrl = `http://127.0.0.1:${server.address().port}/index.html`;
const fileUrl = pathToFileURL(path.join(webDir, 'index.html')).href;

const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)];
const summary = (list) => `median ${median(list).toFixed(0)} ms, least ${Math.min(...list).toFixed(0)}, most ${Math.max(...list).toFixed(0)} (${list.length} runs)`;

// What the page loads, by the requests a visit makes.
if (sections.has('size')) {
  const browser = await chromium.launch({ executablePath, args });
  const page = await browser.newPage();
  const loaded = new Set();
  // The workers' blob: URL is made in memory of what core.js holds.
  page.on('requestfinished', (request) => {
    if (request.url().startsWith('http:')) loaded.add(new URL(request.url()).pathname);
  });
  await page.goto(httpUrl);
  await page.waitForFunction(() => /^\d+$/.test(document.getElementById('seed-in-use').textContent));
  await page.waitForTimeout(1500);
  let raw = 0;
  let packed = 0;
  for (const name of [...loaded].sort()) {
    const bytes = fs.readFileSync(path.join(webDir, name));
    const gz = zlib.gzipSync(bytes, { level: 9 }).length;
    raw += bytes.length;
    packed += gz;
    console.log(`  ${name.padEnd(14)} ${String(bytes.length).padStart(8)} bytes, ${String(gz).padStart(7)} gzipped`);
  }
  console.log(`everything the page loads: ${raw} bytes, ${packed} gzipped (${(packed / 1024).toFixed(1)} KiB)`);
  await browser.close();
}

// From navigation to each first answer, in a fresh profile each time. The times are the page's
// own clock, which starts at navigation.
const watch = () => {
  window.firstAnswers = {};
  const seen = (name, test) => {
    const observer = new MutationObserver(() => {
      if (!window.firstAnswers[name] && test()) window.firstAnswers[name] = performance.now();
    });
    document.addEventListener('DOMContentLoaded', () => observer.observe(document.body, { subtree: true, childList: true, characterData: true }));
  };
  seen('seed', () => /^\d+$/.test(document.getElementById('seed-in-use').textContent));
  seen('roll', () => document.querySelector('#roll-latest .answer') !== null);
  seen('odds', () => document.querySelector('#odds-chart svg') !== null);
  // A roll asked for as soon as the page is read, before its worker is ready.
  window.addEventListener('load', () => {
    if (location.hash.includes('view=roll')) document.getElementById('roll-button').click();
  });
};
// The floor: a page of one line whose script starts a worker that only answers, the same way.
const floorDir = fs.mkdtempSync(path.join(os.tmpdir(), 'orvik-floor-'));
fs.writeFileSync(path.join(floorDir, 'index.html'), '<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>floor</title>' +
  '<script src="floor.js"></script></head><body><output id="seed-in-use"></output></body></html>');
fs.writeFileSync(path.join(floorDir, 'floor.js'), 'const w = new Worker(URL.createObjectURL(new Blob(["onmessage = () => postMessage(1)"])));' +
  'w.onmessage = () => { document.getElementById("seed-in-use").textContent = "1"; }; w.postMessage(0);');
if (sections.has('first')) {
  const times = [];
  for (let i = 0; i < runs; i++) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'orvik-profile-'));
    const context = await chromium.launchPersistentContext(profile, { executablePath, args, headless: true });
    await context.addInitScript(watch);
    const page = context.pages()[0] || await context.newPage();
    await page.goto(pathToFileURL(path.join(floorDir, 'index.html')).href);
    await page.waitForFunction(() => window.firstAnswers.seed);
    times.push(await page.evaluate(() => window.firstAnswers.seed));
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log(`the floor, from file://: navigation to a trivial worker's answer: ${summary(times)}`);
  fs.rmSync(floorDir, { recursive: true, force: true });
}
for (const [name, base] of sections.has('first') ? [['file://', fileUrl], ['a server', httpUrl]] : []) {
  const times = { seed: [], roll: [], odds: [] };
  for (let i = 0; i < runs; i++) {
    for (const hash of ['#view=roll&roll=d20', '#view=odds&odds=3d6']) {
      const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'orvik-profile-'));
      const context = await chromium.launchPersistentContext(profile, { executablePath, args, headless: true });
      await context.addInitScript(watch);
      const page = context.pages()[0] || await context.newPage();
      await page.goto(base + hash);
      const want = hash.includes('odds') ? ['seed', 'odds'] : ['seed', 'roll'];
      await page.waitForFunction((keys) => keys.every((k) => window.firstAnswers[k]), want);
      const got = await page.evaluate(() => window.firstAnswers);
      for (const key of want) if (!(key === 'seed' && hash.includes('odds'))) times[key].push(got[key]);
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    }
  }
  console.log(`from ${name}, navigation to the seed shown: ${summary(times.seed)}`);
  console.log(`from ${name}, navigation to a roll's answer (asked for at load): ${summary(times.roll)}`);
  console.log(`from ${name}, navigation to the odds a link asks for, drawn: ${summary(times.odds)}`);
}

// A click on "Show odds" to the drawn chart of 30#100d500: from the click's time stamp to the
// frame after the chart is in the page.
if (sections.has('chart')) {
  const browser = await chromium.launch({ executablePath, args });
  const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
  await page.goto(`${fileUrl}#view=odds&odds=3d6`);
  await page.waitForSelector('#odds-chart svg');
  await page.fill('#odds-texts', '30#100d500');
  const took = [];
  for (let i = 0; i < runs; i++) {
    await page.evaluate(() => {
      window.drawn = new Promise((resolve) => {
        let clicked = 0;
        document.getElementById('odds-button').addEventListener('click', (event) => { clicked = event.timeStamp; }, { once: true });
        const observer = new MutationObserver(() => {
          if (!clicked) return;
          observer.disconnect();
          requestAnimationFrame(() => setTimeout(() => resolve(performance.now() - clicked), 0));
        });
        observer.observe(document.getElementById('odds-chart'), { childList: true });
      });
    });
    await page.click('#odds-button');
    took.push(await page.evaluate(() => window.drawn));
  }
  console.log(`click to the drawn chart of 30#100d500: ${summary(took)}`);
  await browser.close();
}

// Clicks while an audit of ten million rolls of 30#100d500 runs in its worker (seconds longer than
// the clicks take): from each click's time stamp to its handler on the page (the test holds only
// that they are handled while it runs).
if (sections.has('clicks')) {
  const browser = await chromium.launch({ executablePath, args });
  const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
  await page.goto(`${fileUrl}#view=audit`);
  await page.check('input[name="audit-source"][value="rolls"]');
  await page.fill('#audit-texts', '30#100d500');
  await page.fill('#audit-rolls', '10000000');
  await page.click('#audit-button');
  await page.waitForFunction(() => document.getElementById('audit-progress').value > 0);
  await page.evaluate(() => {
    window.clickLags = [];
    document.addEventListener('click', (event) => window.clickLags.push(performance.now() - event.timeStamp), true);
  });
  const box = await page.locator('#exact').boundingBox();
  for (let i = 0; i < runs * 3; i++) {
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
    await page.waitForTimeout(20);
  }
  const lags = await page.evaluate(() => window.clickLags);
  const running = !(await page.isHidden('#audit-work'));
  console.log(`a click during a long audit, to its handler: ${summary(lags)}${running ? '' : ' (the audit ended before the last)'}`);
  await browser.close();
}
// An audit of a million of the page's rolls of 30#100d500, from the click to the verdict shown,
// against the command's whole run of the same audit.
if (sections.has('audit')) {
  const page = [];
  const command = [];
  const browser = await chromium.launch({ executablePath, args });
  for (let i = 0; i < Number(process.env.AUDIT_RUNS || 3); i++) {
    const tab = await browser.newPage({ viewport: { width: 1280, height: 800 } });
    await tab.goto(`${fileUrl}#view=audit&audit=rolls&texts=30%23100d500&rolls=1000000&seed=1`);
    await tab.waitForFunction(() => document.getElementById('seed-in-use').textContent === '1');
    const start = Date.now();
    await tab.click('#audit-button');
    await tab.waitForFunction(() => /^Audited/.test(document.getElementById('audit-status').textContent), null, { timeout: 120000 });
    page.push(Date.now() - start);
    await tab.close();
    if (process.env.ORVIK_CLI) {
      const began = Date.now();
      const run = spawnSync(process.env.ORVIK_CLI, ['--audit', '--seed', '1', '--rolls', '1000000', '30#100d500'], { stdio: 'ignore' });
      if (run.status === 0 || run.status === 1) command.push(Date.now() - began);
    }
  }
  await browser.close();
  console.log(`an audit of 1,000,000 page rolls of 30#100d500, click to verdict: ${summary(page)}`);
  if (command.length) {
    console.log(`the command's audit of the same: ${summary(command)}; the page takes ${(median(page) / median(command)).toFixed(2)} times the command's`);
  }
}

// Links of thousands of texts, as issue reports found them: navigation to the odds shown (or 120
// s), the longest a click on the page waited while they loaded, and the most memory held.
if (sections.has('links')) {
  const links = [
    ['5,000 texts d20-1 ... d20-5000', Array.from({ length: 5000 }, (_, i) => `d20-${i + 1}`), {}],
    ['400 texts 30#100d500-K', Array.from({ length: 400 }, (_, i) => `30#100d500-${i + 1}`), {}],
    ['300 texts 30#100d500-K against 100d500', Array.from({ length: 300 }, (_, i) => `30#100d500-${i + 1}`), { q: 'vs', vs: '100d500' }],
  ];
  // Where the page's first checkbox is, from a page that is not busy: a frozen one answers no
  // question about its layout.
  let box;
  {
    const browser = await chromium.launch({ executablePath, args });
    const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
    await page.goto(fileUrl);
    box = await page.locator('#exact').boundingBox();
    await browser.close();
  }
  const only = process.env.LINKS ? process.env.LINKS.split(',').map(Number) : [0, 1, 2];
  for (const [name, texts, question] of only.map((i) => links[i])) {
    const browser = await chromium.launch({ executablePath, args });
    const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
    await page.addInitScript(() => {
      window.clickLags = [];
      document.addEventListener('click', (event) => window.clickLags.push(performance.now() - event.timeStamp), true);
    });
    const peak = peakMemory();
    const start = Date.now();
    await page.goto(`${fileUrl}#${new URLSearchParams({ view: 'odds', odds: texts.join('\n'), ...question })}`, { waitUntil: 'commit' });
    let shown = false;
    while (Date.now() - start < 120000) {
      // A click the page's thread cannot take waits here, as a person's would.
      await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
      shown = await page.evaluate(() => /Odds of \d/.test(document.getElementById('odds-status')?.textContent) &&
        document.getElementById('odds-work').hidden);
      if (shown) break;
      await page.waitForTimeout(50);
    }
    const took = Date.now() - start;
    const lags = await page.evaluate(() => window.clickLags).catch(() => []);
    const megabytes = peak();
    console.log(`link of ${name}: ${shown ? `odds shown after ${took} ms` : 'odds not shown after 120 s'}; ` +
      `the longest click waited ${lags.length ? Math.max(...lags).toFixed(0) : '?'} ms (${lags.length} clicks); Chromium held at most ${megabytes.toFixed(0)} MB`);
    await browser.close();
  }
}

// A log of 10 MB pasted into the Audit view: from the paste to the next frame, the memory held
// after it, and a switch from Roll to Audit (a click on the tab to the frame after it).
if (sections.has('paste')) {
  const log = fs.readFileSync(new URL('../../../examples/game.log', import.meta.url), 'utf8');
  const pasted = log.repeat(Math.ceil(10e6 / log.length));
  const browser = await chromium.launch({ executablePath, args });
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  await context.grantPermissions(['clipboard-read', 'clipboard-write']);
  const page = await context.newPage();
  await page.goto(`${fileUrl}#view=audit`);
  await page.waitForFunction(() => /^\d+$/.test(document.getElementById('seed-in-use').textContent));
  await page.waitForTimeout(1000);
  const before = treeMegabytes();
  const peak = peakMemory();
  await page.evaluate((text) => navigator.clipboard.writeText(text), pasted);
  await page.focus('#audit-log');
  const start = Date.now();
  await page.keyboard.press('Control+V');
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0))));
  const pasteTook = Date.now() - start;
  await page.waitForTimeout(1000);
  const switches = [];
  for (let i = 0; i < 3; i++) {
    for (const tab of ['#tab-roll', '#tab-audit']) {
      const began = Date.now();
      await page.click(tab);
      await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0))));
      if (tab === '#tab-audit') switches.push(Date.now() - began);
    }
  }
  const auditStart = Date.now();
  await page.click('#audit-button');
  await page.waitForFunction(() => /^Audited|^No answers/.test(document.getElementById('audit-status').textContent), null, { timeout: 120000 });
  const auditTook = Date.now() - auditStart;
  const held = peak();
  console.log(`a pasted log of ${(pasted.length / 1e6).toFixed(1)} MB: the paste ${pasteTook} ms; Chromium ${before.toFixed(0)} MB before, at most ${held.toFixed(0)} MB after; ` +
    `a switch from Roll to Audit ${summary(switches)}; its audit ${auditTook} ms`);
  await browser.close();
}
server.close();
