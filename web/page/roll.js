// The Roll view: a roll with the dice behind it, what its text reads as to a person, the seed,
// and the visit's rolls. Rolls and seeds are the page's own instance's (microseconds each).
(function (page) {
  'use strict';

  const { h, byId, codeText } = page.helpers;

  function faces(list) {
    return list.map((group) => `[${group.join(' ')}]`).join(' ');
  }

  // One roll, as the library answered it, with its dice.
  function entry(answer, sneak) {
    const dice = [];
    if (answer.sneak) dice.push(h('p', { class: 'dice' }, `sneak attack dice: ${faces([answer.sneak.faces])}`));
    if (answer.groups.length > 0) dice.push(h('p', { class: 'dice' }, `dice: ${faces(answer.groups.map((g) => g.faces))}`));
    return {
      rolled: h('p', { class: 'rolled' }, 'Rolled ', h('code', null, answer.text), sneak ? ' as a sneak attack' : ''),
      answer: h('p', { class: 'answer' }, answer.answer),
      dice,
    };
  }

  // What a text reads as to a person, where the grammar reads it otherwise: a notice of what was
  // read as free text, and for a refused text a hint of what Orvik takes.
  function notes(reading, refused) {
    const out = [];
    if (reading.notice) out.push(h('p', { class: 'notice' }, codeText(reading.notice)));
    if (refused && reading.hint) out.push(h('p', { class: 'hint' }, codeText(reading.hint)));
    return out;
  }

  // The library's refusal of an argument in a player's words: its own sentence, without the
  // library's name.
  function playerWords(error) {
    const said = error.message.replace(/^orvik: /, '');
    return `${said.charAt(0).toUpperCase()}${said.slice(1)}.`;
  }

  function start(app) {
    const { store } = app;
    const text = byId('roll-text');
    const sneak = byId('roll-sneak');
    const seedInput = byId('seed');
    const history = byId('history');
    const latest = byId('roll-latest');
    const rollNotes = byId('roll-notes');
    const rollDice = byId('roll-dice');

    text.addEventListener('input', () => store.update((s) => { s.roll.text = text.value; }));
    sneak.addEventListener('change', () => store.update((s) => { s.roll.sneak = sneak.checked; }));

    function clearAnswer() {
      latest.replaceChildren();
      rollNotes.replaceChildren();
      rollDice.replaceChildren();
    }

    // Sets the seed from its text as typed or linked, which the library reads as --seed reads
    // it, or a random one for undefined; true once the library took it.
    async function setSeed(typed) {
      const orvik = await app.library;
      const seed = typed === undefined ? orvik.seed(app.core.randomSeed()) : orvik.seedText(typed);
      if (seed === null) {
        app.fieldError('seed', `Write the seed in digits alone, a whole number from 0 to ${orvik.limits.mostSeed}, such as 1234.`);
        return false;
      }
      app.fieldError('seed', null);
      byId('seed-in-use').textContent = String(seed);
      seedInput.value = String(seed);
      history.prepend(h('li', { class: 'seed-entry' }, `Seed set to ${seed}`));
      store.update((s) => { s.seed = seed; });
      return true;
    }

    byId('seed-form').addEventListener('submit', (event) => {
      event.preventDefault();
      setSeed(seedInput.value);
    });
    byId('new-seed').addEventListener('click', () => setSeed(undefined));

    byId('roll-form').addEventListener('submit', async (event) => {
      event.preventDefault();
      const { text: typed, sneak: asSneak } = store.state.roll;
      if (typed.trim() === '') {
        clearAnswer();
        app.fieldError('roll-text', 'Write a roll text first, such as d20+5.');
        return;
      }
      app.fieldError('roll-text', null);
      const orvik = await app.library;
      const answer = orvik.roll(typed, { sneak: asSneak });
      const shown = entry(answer, asSneak);
      const said = notes(orvik.reading(typed, asSneak), answer.groups.length === 0);
      latest.replaceChildren(shown.answer);
      rollNotes.replaceChildren(...said);
      rollDice.replaceChildren(shown.rolled, ...shown.dice);
      const kept = entry(answer, asSneak);
      history.prepend(h('li', { class: 'roll' }, kept.rolled, kept.answer, notes(orvik.reading(typed, asSneak), answer.groups.length === 0), kept.dice));
    });

    byId('clear-history').addEventListener('click', () => history.replaceChildren());

    return {
      fill(state) {
        text.value = state.roll.text;
        sneak.checked = state.roll.sneak;
      },
      setSeed,
    };
  }

  page.roll = { start, playerWords };
})(globalThis.OrvikPage = globalThis.OrvikPage || {});
