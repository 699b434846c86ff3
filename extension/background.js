// Velkor extension, background part: one native-messaging port to `velkor native-host` for the
// whole browser profile, shared by every page (so that the host keeps every page of this browser
// in one process, where a card one page used is reset before another page connects it, and where
// consent prompts are rate-limited for all pages together). Each velkor.js connection of a page is
// a page of the host, numbered here; its origin is the browser's record of the sender, never
// anything the page says.
'use strict';

const api = globalThis.browser ?? globalThis.chrome;
const HOST_NAME = 'com.velkor.agent';
// Connections one tab may hold open at once (the host bounds all pages together as well).
const MAX_CONNECTIONS_PER_PORT = 16;

let hostPort = null;
let nextPage = 1;
// Host page number -> { port, conn, parts }
const pages = new Map();

function senderOrigin(sender) {
  // Only a tab's top document: frames inside a bank page cannot borrow its origin.
  if (!sender || !sender.tab || sender.frameId !== 0) return null;
  if (typeof sender.origin === 'string' && sender.origin !== 'null') return sender.origin;
  try {
    const origin = new URL(sender.url).origin;
    return origin === 'null' ? null : origin;
  } catch {
    return null;
  }
}

function tell(page, message) {
  try {
    page.port.postMessage({ conn: page.conn, ...message });
  } catch {
    // The tab has gone; its own disconnect closes its pages.
  }
}

function onHostMessage(message) {
  const page = pages.get(message?.page);
  if (!page) return;
  if (message.type === 'part' && typeof message.data === 'string') {
    page.parts.push(message.data);
  } else if (message.type === 'message' && typeof message.data === 'string') {
    const data = page.parts.join('') + message.data;
    page.parts = [];
    tell(page, { kind: 'message', data });
  } else if (message.type === 'refused') {
    pages.delete(message.page);
    page.owned.delete(page.conn);
    tell(page, { kind: 'refused', reason: String(message.reason) });
  }
}

function host() {
  if (hostPort) return hostPort;
  hostPort = api.runtime.connectNative(HOST_NAME);
  hostPort.onMessage.addListener(onHostMessage);
  hostPort.onDisconnect.addListener(() => {
    // Not installed, or ended: every page loses its control.
    void api.runtime.lastError;
    hostPort = null;
    for (const page of pages.values()) {
      page.owned.delete(page.conn);
      tell(page, { kind: 'closed', reason: 'host' });
    }
    pages.clear();
  });
  return hostPort;
}

function closePage(id) {
  if (!pages.delete(id) || !hostPort) return;
  hostPort.postMessage({ type: 'close', page: id });
}

api.runtime.onConnect.addListener((port) => {
  if (port.name !== 'velkor-page') return;
  const origin = senderOrigin(port.sender);
  if (!origin) {
    port.disconnect();
    return;
  }
  const owned = new Map(); // conn -> host page number
  port.onMessage.addListener((message) => {
    const conn = message?.conn;
    if (!Number.isSafeInteger(conn)) return;
    if (message.kind === 'open') {
      if (owned.has(conn)) return;
      if (owned.size >= MAX_CONNECTIONS_PER_PORT) {
        port.postMessage({ conn, kind: 'refused', reason: 'too-many' });
        return;
      }
      const id = nextPage++;
      owned.set(conn, id);
      pages.set(id, { port, conn, parts: [], owned });
      host().postMessage({ type: 'open', page: id, origin });
    } else if (message.kind === 'message' && typeof message.data === 'string') {
      const id = owned.get(conn);
      if (id !== undefined && pages.has(id)) host().postMessage({ type: 'message', page: id, data: message.data });
    } else if (message.kind === 'close') {
      const id = owned.get(conn);
      owned.delete(conn);
      if (id !== undefined) closePage(id);
    }
  });
  port.onDisconnect.addListener(() => {
    for (const id of owned.values()) closePage(id);
    owned.clear();
  });
});
