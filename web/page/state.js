// The page's one state: what the player typed and chose in every view, the view shown and the
// seed in use. The view is drawn from it and the link is written from it (linkOf); a link is read
// back into it (stateOf). Fields change it as they are typed in; nothing is read back from the
// page. Pure, and tested under Node (test/pure.test.mjs).
(function (page) {
  'use strict';

  const VIEWS = ['roll', 'odds', 'audit'];
  const QUESTIONS = ['none', 'atleast', 'vs'];
  const MODES = ['p', 'at_least', 'at_most'];
  const SOURCES = ['log', 'rolls'];

  function defaults() {
    return {
      view: 'roll',
      seed: null, // the seed in use, once the library has one
      exact: false,
      roll: { text: 'd20+5 to hit', sneak: false },
      odds: { texts: '3d6\n4d6-2', sneak: false, question: 'none', target: '12', vs: 'd20', mode: 'p' },
      audit: { source: 'log', texts: '3d6', rolls: '', sneak: false, from: '', byRoller: false, idealDice: false },
    };
  }

  // The link's keys: a text field's, a box's, a choice's with the values it takes.
  const TEXTS = { roll: ['roll', 'text'], odds: ['odds', 'texts'], target: ['odds', 'target'], vs: ['odds', 'vs'],
    texts: ['audit', 'texts'], rolls: ['audit', 'rolls'], from: ['audit', 'from'] };
  const BOXES = { sneak: ['roll', 'sneak'], osneak: ['odds', 'sneak'], asneak: ['audit', 'sneak'], byroller: ['audit', 'byRoller'],
    ideal: ['audit', 'idealDice'] };
  const CHOICES = { q: ['odds', 'question', QUESTIONS], mode: ['odds', 'mode', MODES], audit: ['audit', 'source', SOURCES] };

  // The link's fragment for state: a log never goes into it.
  function linkOf(state) {
    const q = new URLSearchParams();
    q.set('view', state.view);
    if (state.seed !== null) q.set('seed', String(state.seed));
    for (const [key, [part, field]] of Object.entries(TEXTS)) q.set(key, state[part][field]);
    for (const [key, [part, field]] of Object.entries(BOXES)) if (state[part][field]) q.set(key, '1');
    for (const [key, [part, field]] of Object.entries(CHOICES)) q.set(key, state[part][field]);
    return `#${q}`;
  }

  // The state a link's fragment says, over the defaults; what it does not say, or says wrongly,
  // stays as the defaults have it. The seed comes as the link wrote it, for the library to take or
  // refuse.
  function stateOf(hash) {
    const state = defaults();
    const q = new URLSearchParams(String(hash).replace(/^#/, ''));
    if (VIEWS.includes(q.get('view'))) state.view = q.get('view');
    if (q.has('seed')) state.seed = q.get('seed');
    for (const [key, [part, field]] of Object.entries(TEXTS)) if (q.has(key)) state[part][field] = q.get(key);
    // A link of the page's writes every box it has ticked; one without a view is no such link.
    if (q.has('view')) for (const [key, [part, field]] of Object.entries(BOXES)) state[part][field] = q.get(key) === '1';
    for (const [key, [part, field, values]] of Object.entries(CHOICES)) if (values.includes(q.get(key))) state[part][field] = q.get(key);
    return state;
  }

  // The one state, and who draws from it: each listener hears every change.
  class Store {
    constructor(state) {
      this.state = state;
      this.listeners = [];
    }

    watch(listener) {
      this.listeners.push(listener);
    }

    // change(state) changes it; then every listener hears of it.
    update(change) {
      change(this.state);
      for (const listener of this.listeners) listener(this.state);
    }
  }

  page.state = { VIEWS, defaults, linkOf, stateOf, Store };
})(globalThis.OrvikPage = globalThis.OrvikPage || {});
