// The page's helpers: elements made from text (never from markup), figures as the page shows
// them, what a field's text is as the library takes it, and a spreadsheet's cells. Every part
// but h, svg and byId is pure, and tested under Node (test/pure.test.mjs).
(function (page) {
  'use strict';

  const SVG = 'http://www.w3.org/2000/svg';

  function attrs(node, list) {
    for (const [name, value] of Object.entries(list || {})) {
      if (value !== undefined && value !== null && value !== false) node.setAttribute(name, value === true ? '' : String(value));
    }
    return node;
  }

  // An element with its attributes and children; text children become text nodes.
  function h(tag, list, ...children) {
    const node = attrs(document.createElement(tag), list);
    node.append(...children.flat(Infinity).filter((c) => c !== null && c !== undefined && c !== false));
    return node;
  }

  function svg(tag, list, text) {
    const node = attrs(document.createElementNS(SVG, tag), list);
    if (text !== undefined) node.textContent = text;
    return node;
  }

  const byId = (id) => document.getElementById(id);

  // A sentence of the library's with `quoted` pieces, as text with those pieces as code.
  function codeText(message) {
    return message.split('`').map((part, i) => (i % 2 === 1 ? h('code', null, part) : part)).filter((part) => part !== '');
  }

  // --- figures, each shown rounded, or in full with "Show every figure in full"

  const fixed = (x, digits) => x.toLocaleString('en-US', { minimumFractionDigits: digits, maximumFractionDigits: digits });
  const count = (x) => x.toLocaleString('en-US');
  const formats = {
    percent(p) {
      const v = p * 100;
      if (v === 0) return '0%';
      return v >= 0.0001 ? `${fixed(v, 4)}%` : `${v.toExponential(2)}%`;
    },
    four: (x) => fixed(x, 4),
    two: (x) => fixed(x, 2),
    one: (x) => fixed(x, 1),
    count,
  };

  // value as shown: in full (exact), or as the library says it (text, where given: an audit's
  // p-values, chances and e-values), or in its format; null is "none".
  function shown(value, format, exact, text) {
    if (value === null || value === undefined) return 'none';
    if (exact) return String(value);
    return text !== undefined ? text : formats[format](value);
  }

  // A size in bytes as a person reads it.
  function size(bytes) {
    if (bytes < 1024) return `${bytes} bytes`;
    const units = ['KB', 'MB', 'GB'];
    let v = bytes / 1024;
    let unit = 0;
    while (v >= 1024 && unit < units.length - 1) {
      v /= 1024;
      unit++;
    }
    return `${v.toFixed(1)} ${units[unit]}`;
  }

  // --- fields

  // A field's whole number as the library takes it: digits (a BigInt with big, for totals beyond
  // 2^53) or null for anything else, which the page refuses in a player's words.
  function wholeNumber(text, big) {
    const trimmed = String(text).trim();
    if (!/^-?\d+$/.test(trimmed)) return null;
    return big ? BigInt(trimmed) : Number(trimmed);
  }

  // Roll texts, one a line; empty lines are none.
  function textLines(text) {
    return text.split('\n').map((line) => line.replace(/\r$/, '')).filter((line) => line !== '');
  }

  // A text cell of a CSV file, quoted, that no spreadsheet runs: one beginning with =, +, -, @,
  // a tab or a carriage return is a formula to a spreadsheet, so a ' goes first, as the usual
  // guidance (OWASP's) says. Numbers are written as numbers, never through this.
  function csvText(text) {
    const safe = /^[=+\-@\t\r]/.test(text) ? `'${text}` : text;
    return `"${safe.replace(/"/g, '""')}"`;
  }

  // --- parts of a view

  // A figure, shown as shown() has it; "Show every figure in full" redraws every .fig.
  function fig(value, format, exact, text) {
    return h('span', { class: 'fig', 'data-value': String(value), 'data-format': format, 'data-text': text },
      shown(value, format, exact, text));
  }

  function refigure(exact) {
    for (const node of document.querySelectorAll('.fig')) {
      const raw = node.dataset.value;
      node.textContent = shown(raw === 'null' ? null : Number(raw), node.dataset.format, exact, node.dataset.text);
    }
  }

  // A list of name and figure pairs; a false row is left out.
  function figures(rows) {
    return h('dl', { class: 'figures' }, rows.filter(Boolean).map(([name, value]) =>
      h('div', null, h('dt', null, name), h('dd', null, value))));
  }

  // A table of rows, row(i) making each, a page of PAGE rows at a time when there are many,
  // beginning with the page holding row first.
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

  // Cards for items, in container: the first AT_ONCE made at once (a window's worth), the others
  // as they come into view, so that a thousand texts cost a thousand empty boxes until they are
  // read. make(item, card) fills a card begun with its heading, heading(item).
  const AT_ONCE = 4;
  function lazyCards(container, items, heading, make, label) {
    const observer = typeof IntersectionObserver === 'function' ? new IntersectionObserver((seen) => {
      for (const { isIntersecting, target } of seen) {
        if (!isIntersecting) continue;
        observer.unobserve(target);
        target.classList.remove('waiting');
        make(items[Number(target.dataset.index)], target);
      }
    }, { rootMargin: '400px 0px' }) : null;
    const cards = items.map((item, index) => {
      const card = h('section', { class: 'card', 'aria-label': label(item) }, heading(item));
      if (index < AT_ONCE || observer === null) {
        make(item, card);
      } else {
        card.dataset.index = String(index);
        card.classList.add('waiting');
        observer.observe(card);
      }
      return card;
    });
    container.replaceChildren(...cards);
    return observer;
  }

  page.helpers = {
    fig, refigure, figures, pagedTable, lazyCards, h, svg, byId, codeText, fixed, count, formats, shown, size, wholeNumber, textLines, csvText };
})(globalThis.OrvikPage = globalThis.OrvikPage || {});
