// Velkor client for bank web pages: talks to the Velkor agent on the customer's PC and offers its
// methods as promise-returning functions with the same names, parameter order and results.
//
//   import { Velkor, VelkorError } from './velkor.js';
//   const ctrl = await Velkor.connect();            // or Velkor.connect({ port: 8931 })
//   const status = await ctrl.ConnectCard(readerName);
//
// When the Velkor browser extension is installed, calls go through it (and the browser's native
// messaging) instead of the WebSocket; the page's code is the same either way.
//
// One connection is one control: what the control keeps between calls (connected card, read
// accounts, session key results) belongs to that connection. When the connection is lost, its
// pending calls fail with CONNECTION_LOST and nothing is sent again; call Velkor.connect() for a
// new control.

export const DEFAULT_PORT = 8931;

export const ErrorCode = Object.freeze({
  AGENT_NOT_RUNNING: 'AGENT_NOT_RUNNING',
  ORIGIN_REFUSED: 'ORIGIN_REFUSED',
  HOST_REFUSED: 'HOST_REFUSED',
  TOO_MANY_CONNECTIONS: 'TOO_MANY_CONNECTIONS',
  CONNECTION_LOST: 'CONNECTION_LOST',
  TIMEOUT: 'TIMEOUT',
  QUEUE_FULL: 'QUEUE_FULL',
  METHOD_NOT_FOUND: 'METHOD_NOT_FOUND',
  INVALID_PARAMS: 'INVALID_PARAMS',
  PROTOCOL_ERROR: 'PROTOCOL_ERROR',
});

export class VelkorError extends Error {
  constructor(code, message, details = {}) {
    super(message);
    this.name = 'VelkorError';
    this.code = code;
    Object.assign(this, details);
  }
}

// Close codes the agent refuses a connection with.
const CLOSE_REASONS = new Map([
  [4003, [ErrorCode.ORIGIN_REFUSED, 'the agent does not accept calls from this site']],
  [1008, [ErrorCode.HOST_REFUSED, 'the agent was reached under a name other than localhost']],
  [4029, [ErrorCode.TOO_MANY_CONNECTIONS, 'the agent has too many open pages']],
]);

const RPC_ERRORS = new Map([
  [-32700, ErrorCode.PROTOCOL_ERROR],
  [-32600, ErrorCode.PROTOCOL_ERROR],
  [-32601, ErrorCode.METHOD_NOT_FOUND],
  [-32602, ErrorCode.INVALID_PARAMS],
  [-32001, ErrorCode.QUEUE_FULL],
]);

function closeError(event, opened) {
  const known = CLOSE_REASONS.get(event.code);
  if (known) {
    return new VelkorError(known[0], known[1], { closeCode: event.code });
  }
  if (!opened) {
    return new VelkorError(ErrorCode.AGENT_NOT_RUNNING,
      'the Velkor agent is not running or not reachable', { closeCode: event.code });
  }
  return new VelkorError(ErrorCode.CONNECTION_LOST, 'the connection to the Velkor agent was lost',
    { closeCode: event.code });
}

class Connection {
  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.pending = new Map();
    this.closedError = null;
    this.opened = false;
    let resolveClosed;
    this.closed = new Promise((resolve) => { resolveClosed = resolve; });
    socket.addEventListener('message', (event) => this.onMessage(event.data));
    socket.addEventListener('close', (event) => {
      this.closedError = closeError(event, this.opened);
      for (const { reject } of this.pending.values()) {
        reject(this.closedError);
      }
      this.pending.clear();
      resolveClosed(this.closedError);
    });
  }

  call(method, params) {
    if (this.closedError) {
      return Promise.reject(this.closedError.code === ErrorCode.CONNECTION_LOST
        ? this.closedError
        : new VelkorError(ErrorCode.CONNECTION_LOST, 'the connection is closed'));
    }
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.socket.send(JSON.stringify({ jsonrpc: '2.0', id, method, params }));
    });
  }

  onMessage(data) {
    let message;
    try {
      message = JSON.parse(typeof data === 'string' ? data : String(data));
    } catch {
      return;
    }
    const entry = this.pending.get(message.id);
    if (!entry) {
      return;
    }
    this.pending.delete(message.id);
    if (message.error) {
      const code = RPC_ERRORS.get(message.error.code) ?? ErrorCode.PROTOCOL_ERROR;
      entry.reject(new VelkorError(code, `${entry.method}: ${message.error.message}`,
        { rpcCode: message.error.code }));
    } else {
      entry.resolve(message.result);
    }
  }
}

function openSocket(url, WebSocketImpl, timeoutMs) {
  return new Promise((resolve, reject) => {
    let socket;
    try {
      socket = new WebSocketImpl(url);
    } catch (error) {
      reject(new VelkorError(ErrorCode.AGENT_NOT_RUNNING, `cannot open ${url}: ${error.message}`));
      return;
    }
    const timer = setTimeout(() => {
      socket.close();
      reject(new VelkorError(ErrorCode.TIMEOUT, 'the Velkor agent did not answer in time'));
    }, timeoutMs);
    const onOpen = () => {
      clearTimeout(timer);
      socket.removeEventListener('close', onClose);
      resolve(socket);
    };
    const onClose = (event) => {
      clearTimeout(timer);
      reject(closeError(event, false));
    };
    // Every failure is followed by a close event, which carries the reason.
    socket.addEventListener('error', () => {});
    socket.addEventListener('open', onOpen, { once: true });
    socket.addEventListener('close', onClose, { once: true });
  });
}

// Why the extension's host ended a connection, as the WebSocket's close codes say it.
const EXTENSION_REFUSALS = new Map([['origin', 4003], ['too-many', 4029], ['too-large', 1009]]);
let nextBridgeConnection = Math.floor(Math.random() * 2 ** 30) * 1024;

// A connection through the Velkor extension's page bridge, shaped like the WebSocket it stands in
// for. Messages go to this window's content script; only messages from this window are read.
class ExtensionSocket {
  constructor(win) {
    this.win = win;
    this.conn = ++nextBridgeConnection;
    this.listeners = { message: [], close: [] };
    this.closed = false;
    this.onWindowMessage = (event) => {
      const message = event.data;
      if (event.source !== win || !message || message.velkorBridge !== 'extension'
        || message.conn !== this.conn) {
        return;
      }
      if (message.kind === 'message' && typeof message.data === 'string') {
        this.emit('message', { data: message.data });
      } else if (message.kind === 'refused') {
        this.finish(EXTENSION_REFUSALS.get(message.reason) ?? 1008);
      } else if (message.kind === 'closed') {
        this.finish(1006);
      }
    };
    win.addEventListener('message', this.onWindowMessage);
    this.post({ kind: 'open' });
  }

  addEventListener(type, listener) {
    this.listeners[type]?.push(listener);
  }

  emit(type, event) {
    for (const listener of this.listeners[type]) listener(event);
  }

  send(data) {
    if (!this.closed) this.post({ kind: 'message', data });
  }

  close(code = 1000) {
    if (!this.closed) this.post({ kind: 'close' });
    this.finish(code);
  }

  finish(code) {
    if (this.closed) return;
    this.closed = true;
    this.win.removeEventListener('message', this.onWindowMessage);
    this.emit('close', { code });
  }

  post(message) {
    this.win.postMessage({ velkorBridge: 'page', conn: this.conn, ...message }, '/');
  }
}

function extensionPresent() {
  return globalThis.document?.documentElement?.hasAttribute?.('data-velkor-extension') === true;
}

async function connect({ port = DEFAULT_PORT, host = '127.0.0.1', timeoutMs = 10000,
  WebSocket: WebSocketImpl = globalThis.WebSocket, transport = 'auto' } = {}) {
  const viaExtension = transport === 'extension' || (transport === 'auto' && extensionPresent());
  let socket;
  if (viaExtension) {
    socket = new ExtensionSocket(globalThis.window ?? globalThis);
  } else {
    if (typeof WebSocketImpl !== 'function') {
      throw new VelkorError(ErrorCode.AGENT_NOT_RUNNING, 'this environment has no WebSocket');
    }
    const hostPart = host.includes(':') && !host.startsWith('[') ? `[${host}]` : host;
    socket = await openSocket(`ws://${hostPart}:${port}/`, WebSocketImpl, timeoutMs);
  }
  const connection = new Connection(socket);
  // Through the extension, the host's first answer is what shows it is there.
  connection.opened = !viaExtension;
  // A refused page is closed right after opening; the description tells the two apart.
  let description;
  try {
    description = await connection.call('velkor.describe', []);
  } catch (error) {
    socket.close();
    throw error;
  }
  connection.opened = true;
  if (!description || !Array.isArray(description.methods)) {
    socket.close();
    throw new VelkorError(ErrorCode.PROTOCOL_ERROR, 'the agent sent no method table');
  }
  const names = description.methods.map((method) => method.name);
  const control = {
    version: description.version,
    transport: viaExtension ? 'extension' : 'websocket',
    methods: names,
    closed: connection.closed,
    close() {
      socket.close(1000);
    },
    has(name) {
      return names.includes(name);
    },
  };
  for (const method of description.methods) {
    control[method.name] = (...params) => connection.call(method.name, params);
  }
  return Object.freeze(control);
}

export const Velkor = Object.freeze({ connect, DEFAULT_PORT, ErrorCode, VelkorError });
export default Velkor;
