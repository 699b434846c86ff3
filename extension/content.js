// Velkor extension, content script: the page-side bridge. velkor.js in the page posts requests
// to its own window; only messages from this very window (not from other windows or frames) and
// of this page's origin are passed on, to the background part, which tags them with the origin
// the browser records for this tab. Answers are posted back to this window only.
'use strict';

(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  if (window.top !== window) return;
  // Tells velkor.js, before the page's scripts run, that calls can go through the extension.
  document.documentElement.setAttribute('data-velkor-extension', '1');

  let port = null;
  const open = new Set();

  function toPage(message) {
    window.postMessage({ velkorBridge: 'extension', ...message }, '/');
  }

  function extension() {
    if (port) return port;
    port = api.runtime.connect({ name: 'velkor-page' });
    port.onMessage.addListener((message) => {
      if (!Number.isSafeInteger(message?.conn)) return;
      if (message.kind === 'refused' || message.kind === 'closed') open.delete(message.conn);
      toPage(message);
    });
    port.onDisconnect.addListener(() => {
      port = null;
      for (const conn of open) toPage({ kind: 'closed', conn, reason: 'extension' });
      open.clear();
    });
    return port;
  }

  window.addEventListener('message', (event) => {
    if (event.source !== window || event.origin !== window.location.origin) return;
    const message = event.data;
    if (!message || message.velkorBridge !== 'page' || !Number.isSafeInteger(message.conn)) return;
    const { kind, conn, data } = message;
    if (kind === 'open') {
      open.add(conn);
      send({ kind, conn });
    } else if (kind === 'message' && typeof data === 'string' && open.has(conn)) {
      send({ kind, conn, data });
    } else if (kind === 'close' && open.delete(conn)) {
      send({ kind, conn });
    }
  });

  // A port the background has already closed throws: the connection is then lost.
  function send(message) {
    try {
      extension().postMessage(message);
    } catch {
      if (open.delete(message.conn)) toPage({ kind: 'closed', conn: message.conn, reason: 'extension' });
    }
  }
})();
