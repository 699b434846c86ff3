// The extension's page bridge (extension/content.js) and background part (background.js) run in
// Node against fake browser objects, with velkor.js in the page and a stand-in native host: the
// path a page's call takes, whose origin the host hears, and what the bridge refuses.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';
import { Velkor, ErrorCode, VelkorError } from '../velkor.js';

const source = (name) => readFileSync(new URL(`../../extension/${name}`, import.meta.url), 'utf8');
const tick = () => new Promise((resolve) => setTimeout(resolve, 5));
const until = async (condition) => {
  for (let i = 0; i < 200 && !condition(); i++) await tick();
};

// A runtime.Port pair: what one end posts arrives (cloned, later) at the other.
function portPair(name, sender) {
  const make = () => {
    const port = { name, sender, gone: false, listeners: { message: [], disconnect: [] } };
    port.onMessage = { addListener: (f) => port.listeners.message.push(f) };
    port.onDisconnect = { addListener: (f) => port.listeners.disconnect.push(f) };
    return port;
  };
  const [a, b] = [make(), make()];
  for (const [self, other] of [[a, b], [b, a]]) {
    self.postMessage = (message) => {
      if (self.gone) throw new Error('disconnected');
      const copy = structuredClone(message);
      setTimeout(() => !other.gone && other.listeners.message.forEach((f) => f(copy)));
    };
    self.disconnect = () => {
      if (self.gone) return;
      self.gone = other.gone = true;
      setTimeout(() => other.listeners.disconnect.forEach((f) => f(other)));
    };
  }
  return [a, b];
}

// A window whose postMessage reaches its listeners with `source` set to the posting window.
class FakeWindow extends EventTarget {
  constructor(origin) {
    super();
    this.location = { origin };
    this.top = this;
  }
  postMessage(data, target, from = this) {
    assert.equal(target, '/');
    const event = new Event('message');
    Object.assign(event, { data: structuredClone(data), source: from, origin: from.location.origin });
    setTimeout(() => this.dispatchEvent(event));
  }
}

// The browser: one tab (its window, its content script) and the extension's background, with a
// native host that answers like velkor native-host and records what it was told.
function browser({ origin = 'https://bank.example', frameId = 0, hostMissing = false } = {}) {
  const hostHeard = [];
  let hostEnd = null;
  const onConnect = [];
  const background = {
    runtime: {
      onConnect: { addListener: (f) => onConnect.push(f) },
      connectNative(name) {
        assert.equal(name, 'com.velkor.agent');
        const [extensionEnd, host] = portPair(name);
        hostEnd = host;
        if (hostMissing) {
          setTimeout(() => host.disconnect());
          return extensionEnd;
        }
        host.onMessage.addListener((message) => {
          hostHeard.push(message);
          if (message.type === 'open' && message.origin === 'https://refused.example') {
            host.postMessage({ type: 'refused', page: message.page, reason: 'origin' });
          }
          if (message.type !== 'message') return;
          const request = JSON.parse(message.data);
          const result = request.method === 'velkor.describe'
            ? { agent: 'velkor', version: '1.0.0.1', methods: [{ name: 'GetAPIVersion' }, { name: 'Big' }] }
            : request.method === 'Big' ? 'x'.repeat(3000) : 'Version 1.0.0.1 ';
          const answer = JSON.stringify({ jsonrpc: '2.0', id: request.id, result });
          // Long answers come in parts, as the host splits them.
          const pieces = answer.length > 1000 ? [answer.slice(0, 1000), answer.slice(1000, 2000), answer.slice(2000)] : [answer];
          pieces.forEach((data, i) => host.postMessage({ type: i + 1 < pieces.length ? 'part' : 'message', page: message.page, data }));
        });
        return extensionEnd;
      },
      lastError: undefined,
    },
  };
  vm.runInNewContext(source('background.js'), { chrome: background, URL, Number, Map, String });

  const window = new FakeWindow(origin);
  const attributes = new Set();
  const document = { documentElement: { setAttribute: (name) => attributes.add(name),
    hasAttribute: (name) => attributes.has(name) } };
  const tab = {
    runtime: {
      connect({ name }) {
        const [page, extension] = portPair(name, { tab: { id: 1 }, frameId, url: `${origin}/page`, origin });
        onConnect.forEach((f) => f(extension));
        return page;
      },
    },
  };
  vm.runInNewContext(source('content.js'), { chrome: tab, window, document, Number, Set });
  return { window, document, hostHeard, host: () => hostEnd };
}

// Runs `body` with the tab's window and document as velkor.js sees them in a page.
async function inPage(tab, body) {
  const saved = [globalThis.window, globalThis.document];
  Object.assign(globalThis, { window: tab.window, document: tab.document });
  try {
    return await body();
  } finally {
    [globalThis.window, globalThis.document] = saved;
  }
}

test('a page\'s calls go through the extension with the origin the browser recorded', async () => {
  const tab = browser();
  await inPage(tab, async () => {
    const ctrl = await Velkor.connect();
    assert.equal(ctrl.transport, 'extension');
    assert.equal(await ctrl.GetAPIVersion(), 'Version 1.0.0.1 ');
    assert.equal((await ctrl.Big()).length, 3000, 'parts joined');
    // The page cannot name another origin: only the sender's reaches the host.
    tab.window.postMessage({ velkorBridge: 'page', kind: 'open', conn: 5, origin: 'https://other.example' }, '/');
    const opens = () => tab.hostHeard.filter((m) => m.type === 'open');
    await until(() => opens().length === 2);
    assert.deepEqual(opens().map((m) => m.origin), ['https://bank.example', 'https://bank.example']);
    ctrl.close();
    await until(() => tab.hostHeard.at(-1).type === 'close');
    assert.equal(tab.hostHeard.at(-1).type, 'close');
  });
});

test('the bridge ignores other windows and frames, and frames get no port', async () => {
  const tab = browser();
  const frame = new FakeWindow('https://bank.example');
  tab.window.postMessage({ velkorBridge: 'page', kind: 'open', conn: 1 }, '/', frame);
  const foreign = new FakeWindow('https://evil.example');
  tab.window.postMessage({ velkorBridge: 'page', kind: 'open', conn: 2 }, '/', foreign);
  await tick();
  assert.deepEqual(tab.hostHeard, []);

  const framed = browser({ frameId: 3 });
  await inPage(framed, async () => {
    await assert.rejects(Velkor.connect(), (e) => e instanceof VelkorError && e.code === ErrorCode.AGENT_NOT_RUNNING);
  });
  assert.deepEqual(framed.hostHeard, []);
});

test('refusals, a missing host and a host that ends map to velkor.js errors', async () => {
  await inPage(browser({ origin: 'https://refused.example' }), async () => {
    await assert.rejects(Velkor.connect(), (e) => e.code === ErrorCode.ORIGIN_REFUSED && e.closeCode === 4003);
  });
  await inPage(browser({ hostMissing: true }), async () => {
    await assert.rejects(Velkor.connect(), (e) => e.code === ErrorCode.AGENT_NOT_RUNNING);
  });
  const tab = browser();
  await inPage(tab, async () => {
    const ctrl = await Velkor.connect();
    const pending = ctrl.GetAPIVersion();
    tab.host().disconnect();
    await assert.rejects(pending, (e) => e.code === ErrorCode.CONNECTION_LOST);
    assert.equal((await ctrl.closed).code, ErrorCode.CONNECTION_LOST);
  });
  await inPage(tab, async () => {
    assert.equal((await Velkor.connect({ transport: 'websocket', port: 1, timeoutMs: 500 }).catch((e) => e)).code,
      ErrorCode.AGENT_NOT_RUNNING, 'the WebSocket stays available on request');
  });
});

test('the extension\'s key gives the id the host manifests allow', async () => {
  const { createHash } = await import('node:crypto');
  const manifest = JSON.parse(source('manifest.json'));
  const digest = createHash('sha256').update(Buffer.from(manifest.key, 'base64')).digest('hex');
  const id = [...digest.slice(0, 32)].map((c) => String.fromCharCode(97 + parseInt(c, 16))).join('');
  const header = readFileSync(new URL('../../src/agent/host_manifests.h', import.meta.url), 'utf8');
  assert.equal(header.match(/kChromiumExtensionId = "([a-p]{32})"/)[1], id);
  assert.equal(header.match(/kFirefoxExtensionId = "([^"]+)"/)[1], manifest.browser_specific_settings.gecko.id);
});
