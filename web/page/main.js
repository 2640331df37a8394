// The page put together: its state from the link, the rooms that draw from it (roll, odds,
// audit, share), the views' tabs, the workers, started when wanted. Any text, whoever wrote it,
// is put in the page as text: through textContent, text nodes and setAttribute, never as markup.
(function (page) {
  'use strict';

  const { byId, refigure } = page.helpers;
  const core = globalThis.OrvikCore;
  const store = new page.state.Store(page.state.stateOf(location.hash));

  // The odds' worker is the one core.js started when a link asks for odds; the audits' starts
  // with the Audit view, or a moment after the first answer.
  let oddsClient = core.firstWorker ? new page.WorkerClient(core, core.firstWorker) : null;
  let auditClient = null;

  const app = {
    store,
    core,
    library: core.page,
    odds: () => oddsClient || (oddsClient = new page.WorkerClient(core)),
    audits: () => auditClient || (auditClient = new page.WorkerClient(core)),
    // A field's error beside it, in a player's words; null clears it.
    fieldError(id, message) {
      const said = byId(`${id}-error`);
      said.textContent = message || '';
      said.hidden = !message;
      if (message) byId(id).setAttribute('aria-invalid', 'true');
      else byId(id).removeAttribute('aria-invalid');
    },
  };

  const roll = page.roll.start(app);
  const odds = page.odds.start(app);
  const audit = page.audit.start(app);
  page.share.start(app);

  // --- the views, drawn from the state

  const tabs = [...document.querySelectorAll('[role="tab"]')];
  let drawnView = null;
  function render(state) {
    for (const tab of tabs) {
      const on = tab.id === `tab-${state.view}`;
      tab.setAttribute('aria-selected', String(on));
      tab.tabIndex = on ? 0 : -1;
      byId(tab.getAttribute('aria-controls')).hidden = !on;
    }
    const log = state.audit.source === 'log';
    byId('audit-log-fields').hidden = !log;
    byId('audit-roll-fields').hidden = log;
    byId('exact').checked = state.exact;
    if (drawnView !== state.view) {
      drawnView = state.view;
      // A chart is drawn to the width it is shown at.
      if (state.view === 'odds') odds.redraw();
      if (state.view === 'audit') {
        app.audits();
        audit.redraw();
      }
    }
  }
  store.watch(render);

  function select(name, focus) {
    store.update((s) => { s.view = name; });
    if (focus) byId(`tab-${name}`).focus();
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

  byId('exact').addEventListener('change', (event) => {
    store.update((s) => { s.exact = event.target.checked; });
    refigure(store.state.exact);
  });

  // Puts the page as a link says: its fields, its view, its seed, and the odds it shows.
  async function restore(state) {
    const seed = state.seed;
    // The seed in use is the library's, once it took one; a link's is only asked for.
    const inUse = typeof store.state.seed === 'number' ? store.state.seed : null;
    store.update((s) => Object.assign(s, state, { seed: inUse, exact: s.exact }));
    roll.fill(store.state);
    odds.fill(store.state);
    audit.fill(store.state);
    const orvik = await app.library;
    if (store.state.audit.rolls === '') {
      store.update((s) => { s.audit.rolls = String(orvik.limits.defaultRolls); });
      audit.fill(store.state);
    }
    // A link's seed is text, which the library takes or refuses as --seed's; the page's own links
    // write the seed in use as it shows it.
    if (seed === null || seed !== String(inUse)) {
      if (!(await roll.setSeed(seed === null ? undefined : seed))) await roll.setSeed(undefined);
    }
    if (store.state.view === 'odds') await odds.ask(false);
  }

  window.addEventListener('hashchange', () => restore(page.state.stateOf(location.hash)));

  // A chart is drawn again when the page's width changes, not when results make it taller.
  let resized = 0;
  let width = document.body.clientWidth;
  new ResizeObserver(() => {
    if (document.body.clientWidth === width) return;
    width = document.body.clientWidth;
    clearTimeout(resized);
    resized = setTimeout(() => {
      if (store.state.view === 'odds') odds.redraw();
      if (store.state.view === 'audit') audit.redraw();
    }, 100);
  }).observe(document.body);

  render(store.state);
  restore(store.state).then(() => setTimeout(() => {
    app.odds();
    setTimeout(app.audits, 500);
  }, 100));
})(globalThis.OrvikPage = globalThis.OrvikPage || {});
