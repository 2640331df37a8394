// Charts: a series of figures over places (totals, or an audit's classes), as bars where they fit
// and lines otherwise, each place told in words (its total and every series' figure) on hover and
// on keyboard focus, and described in a caption. ticks, niceTop, drawnRange and placeAt are pure
// and tested under Node (test/pure.test.mjs).
(function (page) {
  'use strict';

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

  // Whole totals from lo to hi to mark on an axis where at most fit marks fit: as many as fit, a
  // round step apart (1, 2, 5, 10, 20, ...).
  function totalTicks(lo, hi, fit) {
    for (let power = 1; ; power *= 10) {
      for (const m of [1, 2, 5]) {
        const step = m * power;
        const first = Math.ceil(lo / step) * step;
        if (Math.floor((hi - first) / step) + 1 <= Math.max(1, fit)) {
          const out = [];
          for (let v = first; v <= hi; v += step) out.push(v);
          return out;
        }
      }
    }
  }

  // How many marks of labels as wide as widest fit across width pixels (12-pixel figures).
  function fitting(width, widest) {
    return Math.max(2, Math.floor(width / (widest.length * 7 + 18)));
  }

  // A round top for an axis just above v.
  function niceTop(v) {
    const marks = ticks(0, v, 4);
    const step = marks.length > 1 ? marks[1] - marks[0] : v || 1;
    return Number((Math.ceil(v / step) * step).toPrecision(12)) || step;
  }

  // The totals the chart draws of tables ({min, totals: {p}}): beyond them, at both ends, every
  // total's chance is below a thousandth of the likeliest's, less than a pixel's height.
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

  // The place under x pixels from the plot's left, of n places across width pixels.
  function placeAt(x, n, width) {
    return Math.max(0, Math.min(n - 1, Math.floor((x / width) * n)));
  }

  const { h, svg } = page.helpers;

  // Draws into host a chart of shape: n places, label(i) a place's name, xTicks(k) about k places
  // to mark, series [{name, cls, value(i)}] (undefined where a series has no figure), yMax,
  // yFormat(v) an axis figure, tell(v) a figure in words, yTitle, xTitle, captionId, bars (bars
  // when they fit), start (the place told first on focus). Returns whether it drew bars.
  function draw(host, shape) {
    const { n, label, xTicks, series, yMax, yFormat, tell, yTitle, xTitle, captionId, bars } = shape;
    const width = Math.max(260, Math.floor(host.clientWidth || 600));
    const narrow = width < 600;
    const height = Math.round(Math.min(340, Math.max(220, width * (narrow ? 0.62 : 0.4))));
    const m = { left: narrow ? 52 : 60, right: 12, top: 12, bottom: 44 };
    const plotW = width - m.left - m.right;
    const plotH = height - m.top - m.bottom;
    const band = plotW / n;
    const x = (i) => m.left + (i + 0.5) * band;
    const y = (v) => m.top + plotH * (1 - v / yMax);
    const root = svg('svg', { width, height, viewBox: `0 0 ${width} ${height}`, 'aria-hidden': 'true', class: 'plot' });
    for (const v of ticks(0, yMax, Math.max(2, Math.floor(plotH / 50)))) {
      root.append(svg('line', { x1: m.left, x2: width - m.right, y1: y(v), y2: y(v), class: 'grid' }));
      root.append(svg('text', { x: m.left - 6, y: y(v) + 4, 'text-anchor': 'end', class: 'tick' }, yFormat(v)));
    }
    // As many marks as their labels leave room for.
    const widest = [0, n - 1].map(label).reduce((a, b) => (a.length >= b.length ? a : b));
    for (const i of xTicks(fitting(plotW, widest))) {
      root.append(svg('line', { x1: x(i), x2: x(i), y1: m.top + plotH, y2: m.top + plotH + 5, class: 'axis' }));
      root.append(svg('text', { x: x(i), y: m.top + plotH + 18, 'text-anchor': 'middle', class: 'tick' }, label(i)));
    }
    root.append(svg('line', { x1: m.left, x2: width - m.right, y1: m.top + plotH, y2: m.top + plotH, class: 'axis' }));
    root.append(svg('text', { x: m.left + plotW / 2, y: height - 6, 'text-anchor': 'middle', class: 'title' }, xTitle));
    root.append(svg('text', { x: 12, y: m.top + plotH / 2, 'text-anchor': 'middle', transform: `rotate(-90 12 ${m.top + plotH / 2})`, class: 'title' }, yTitle));
    const useBars = bars && (band * 0.8) / series.length >= 2;
    series.forEach((s, k) => {
      if (useBars) {
        const w = (band * 0.8) / series.length;
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

    // The place told: a guide at it, a mark on each series' point, and the words above the chart.
    const guide = svg('line', { y1: m.top, y2: m.top + plotH, class: 'guide', visibility: 'hidden' });
    const marks = series.map((s) => svg('circle', { r: 4, class: `mark ${s.cls}`, visibility: 'hidden' }));
    root.append(guide, ...marks);
    const readout = h('p', { class: 'readout', 'aria-live': 'polite' });
    const plot = h('div', {
      class: 'plot-focus', tabindex: 0, role: 'group', 'aria-roledescription': 'chart',
      'aria-labelledby': captionId, 'aria-describedby': `${captionId}-keys`,
    }, root);
    const keys = h('p', { class: 'visually-hidden', id: `${captionId}-keys` }, 'The arrow keys move from one total to the next; Home and End go to the ends.');
    let at = null;
    const show = (i) => {
      at = Math.max(0, Math.min(n - 1, i));
      guide.setAttribute('x1', x(at));
      guide.setAttribute('x2', x(at));
      guide.setAttribute('visibility', 'visible');
      const parts = [];
      series.forEach((s, k) => {
        const v = s.value(at);
        if (v === undefined) {
          marks[k].setAttribute('visibility', 'hidden');
          return;
        }
        marks[k].setAttribute('cx', useBars ? m.left + at * band + band * 0.1 + ((band * 0.8) / series.length) * (k + 0.5) : x(at));
        marks[k].setAttribute('cy', y(Math.min(v, yMax)));
        marks[k].setAttribute('visibility', 'visible');
        parts.push(`${s.name} ${tell(v)}`);
      });
      readout.textContent = `${xTitle} ${label(at)}: ${parts.join('; ') || 'none'}`;
    };
    const hide = () => {
      if (document.activeElement === plot) return;
      guide.setAttribute('visibility', 'hidden');
      for (const mark of marks) mark.setAttribute('visibility', 'hidden');
      readout.textContent = '';
    };
    root.addEventListener('pointermove', (event) => {
      const box = root.getBoundingClientRect();
      const px = ((event.clientX - box.left) * width) / box.width - m.left;
      if (px >= 0 && px <= plotW) show(placeAt(px, n, plotW));
    });
    root.addEventListener('pointerleave', hide);
    plot.addEventListener('focus', () => show(at === null ? shape.start ?? 0 : at));
    plot.addEventListener('blur', hide);
    plot.addEventListener('keydown', (event) => {
      const page10 = Math.max(1, Math.round(n / 10));
      const to = { ArrowRight: at + 1, ArrowLeft: at - 1, ArrowUp: at + 1, ArrowDown: at - 1,
        PageUp: at + page10, PageDown: at - page10, Home: 0, End: n - 1 }[event.key];
      if (to === undefined) return;
      event.preventDefault();
      show(to);
    });
    host.replaceChildren(readout, plot, keys);
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

  page.chart = { ticks, totalTicks, fitting, niceTop, drawnRange, placeAt, draw, legend };
})(globalThis.OrvikPage = globalThis.OrvikPage || {});
