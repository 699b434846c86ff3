// Unit tests of velkor.js against a small fake agent (the `ws` package's server).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createServer } from 'node:net';
import { WebSocketServer, WebSocket } from 'ws';
import { Velkor, VelkorError, ErrorCode } from '../velkor.js';

const METHODS = [
  { id: 8, name: 'GetAPIVersion', params: [], result: 'text' },
  { id: 20, name: 'GetReaderName', params: ['integer'], result: 'text' },
  { id: 76, name: 'DES', params: ['integer', 'integer', 'text', 'text'], result: 'integer' },
  { id: 1002, name: 'Hang', params: [], result: 'integer' },
  { id: 1003, name: 'Fail', params: ['integer'], result: 'integer' },
];

// A fake agent: answers describe, echoes DES's params, answers Fail(code) with that JSON-RPC error,
// refuses by close code when told to.
async function startFakeAgent({ refuseWith, methods = METHODS } = {}) {
  const server = new WebSocketServer({ host: '127.0.0.1', port: 0 });
  await new Promise((resolve) => server.once('listening', resolve));
  const seen = [];
  const sockets = new Set();
  server.on('connection', (socket) => {
    if (refuseWith) {
      socket.close(refuseWith, 'refused');
      return;
    }
    sockets.add(socket);
    socket.on('message', (data) => {
      const request = JSON.parse(String(data));
      seen.push(request);
      const answer = (body) => socket.send(JSON.stringify({ jsonrpc: '2.0', id: request.id, ...body }));
      switch (request.method) {
        case 'velkor.describe':
          return answer({ result: { agent: 'velkor', version: '1.0.0.1', methods } });
        case 'GetAPIVersion':
          return answer({ result: 'Version 1.0.0.1 ' });
        case 'DES':
          return answer({ result: request.params[0] * 1000 + request.params[1] + (request.params[2] === null ? 7 : 0) });
        case 'Fail':
          return answer({ error: { code: request.params[0], message: 'refused' } });
        case 'Hang':
          return undefined; // never answered
        default:
          return answer({ error: { code: -32601, message: 'unknown method' } });
      }
    });
  });
  const port = server.address().port;
  return {
    port,
    seen,
    dropAll: () => { for (const socket of sockets) socket.terminate(); },
    close: () => new Promise((resolve) => { for (const s of server.clients) s.terminate(); server.close(resolve); }),
  };
}

class PageSocket extends WebSocket {
  constructor(url) { super(url, { origin: 'http://bank.test' }); }
}

const connect = (port, extra = {}) => Velkor.connect({ port, WebSocket: PageSocket, ...extra });

// Runs `body` against a fake agent started with `options`, closed afterwards whatever happens.
async function withAgent(options, body) {
  const agent = await startFakeAgent(options);
  try {
    return await body(agent);
  } finally {
    await agent.close();
  }
}

test('methods come from the agent and keep names, order and results', () => withAgent({}, async (agent) => {
  const ctrl = await connect(agent.port);
  assert.equal(ctrl.version, '1.0.0.1');
  assert.deepEqual(ctrl.methods, METHODS.map((m) => m.name));
  assert.equal(await ctrl.GetAPIVersion(), 'Version 1.0.0.1 ');
  assert.equal(await ctrl.DES(3, 16, 'KEY', 'DATA'), 3016);
  assert.equal(await ctrl.DES(1, 8, null, 'DATA'), 1015, 'null text passes as null');
  assert.equal(ctrl.ConnectCard, undefined, 'methods the agent lacks are absent');
  assert.equal(ctrl.has('ConnectCard'), false);
  assert.equal(ctrl.has('DES'), true);
  const des = agent.seen.find((r) => r.method === 'DES');
  assert.deepEqual(des.params, [3, 16, 'KEY', 'DATA']);
  assert.equal(des.jsonrpc, '2.0');
  ctrl.close();
}));

// Every ErrorCode is produced by one of these cases; a new code without a case fails the test.
test('every failure rejects with its typed VelkorError', async () => {
  const seen = new Set();
  const expectCode = async (promise, code, details = {}) => {
    await assert.rejects(promise, (error) => error instanceof VelkorError && error.code === code
      && Object.entries(details).every(([key, value]) => error[key] === value));
    seen.add(code);
  };

  for (const [closeCode, code] of [[4003, ErrorCode.ORIGIN_REFUSED], [4029, ErrorCode.TOO_MANY_CONNECTIONS], [1008, ErrorCode.HOST_REFUSED]]) {
    await withAgent({ refuseWith: closeCode }, (refusing) => expectCode(connect(refusing.port), code, { closeCode }));
  }

  await withAgent({}, async (agent) => {
    const ctrl = await connect(agent.port);
    const rpcErrors = [[-32001, ErrorCode.QUEUE_FULL], [-32601, ErrorCode.METHOD_NOT_FOUND],
      [-32602, ErrorCode.INVALID_PARAMS], [-32700, ErrorCode.PROTOCOL_ERROR],
      [-32600, ErrorCode.PROTOCOL_ERROR], [-32099, ErrorCode.PROTOCOL_ERROR]];
    for (const [rpcCode, code] of rpcErrors) {
      await expectCode(ctrl.Fail(rpcCode), code, { rpcCode });
    }
    const hanging = ctrl.Hang();
    agent.dropAll();
    await expectCode(hanging, ErrorCode.CONNECTION_LOST);
  });
  await withAgent({ methods: null }, (silent) => expectCode(connect(silent.port), ErrorCode.PROTOCOL_ERROR));

  // A server that accepts the connection and never completes the handshake.
  const mute = createServer(() => {});
  await new Promise((resolve) => mute.listen(0, '127.0.0.1', resolve));
  try {
    await expectCode(connect(mute.address().port, { timeoutMs: 100 }), ErrorCode.TIMEOUT);
  } finally {
    mute.close();
  }

  const closed = await startFakeAgent();
  const port = closed.port;
  await closed.close();
  await expectCode(connect(port), ErrorCode.AGENT_NOT_RUNNING);

  assert.deepEqual([...seen].sort(), Object.values(ErrorCode).sort());
});

test('a lost connection fails pending calls once and never replays them', () => withAgent({}, async (agent) => {
  const ctrl = await connect(agent.port);
  const hanging = ctrl.Hang();
  await new Promise((resolve) => setTimeout(resolve, 50));
  agent.dropAll();
  await assert.rejects(hanging, { code: ErrorCode.CONNECTION_LOST });
  assert.equal((await ctrl.closed).code, ErrorCode.CONNECTION_LOST);
  await assert.rejects(ctrl.GetAPIVersion(), { code: ErrorCode.CONNECTION_LOST });

  // A new connection is a new control; the old call is not sent again.
  const again = await connect(agent.port);
  assert.equal(await again.GetAPIVersion(), 'Version 1.0.0.1 ');
  assert.equal(agent.seen.filter((r) => r.method === 'Hang').length, 1);
  assert.equal(agent.seen.filter((r) => r.method === 'GetAPIVersion').length, 1);
  again.close();
}));
