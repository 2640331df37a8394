// The share link: written from the page's state (page.state.linkOf) a moment after each change,
// shown in its field and copied; a log never goes into it.
(function (page) {
  'use strict';

  const { byId } = page.helpers;

  function start(app) {
    const { store } = app;
    const field = byId('share-link');
    function write() {
      const hash = page.state.linkOf(store.state);
      if (location.hash !== hash) history.replaceState(null, '', hash);
      field.value = location.href;
    }
    let soon = 0;
    store.watch(() => {
      clearTimeout(soon);
      soon = setTimeout(write, 250);
    });
    byId('share-copy').addEventListener('click', async () => {
      write();
      try {
        await navigator.clipboard.writeText(field.value);
        byId('share-status').textContent = 'The link is copied.';
      } catch {
        field.select();
        byId('share-status').textContent = 'The link is selected: copy it with Ctrl+C.';
      }
    });
    return { write };
  }

  page.share = { start };
})(globalThis.OrvikPage = globalThis.OrvikPage || {});
