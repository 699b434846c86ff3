// A browser's side of `velkor native-host` on the simulated readers: the framing, pages with
// their own controls, a signed withdrawal, a refused site, and the host ending cleanly when the
// browser goes away mid-call.
//   node native_host_session.mjs <velkor> <libvelkor-pcsc-sim.so> <sim config>
import { spawn } from 'node:child_process';
import assert from 'node:assert/strict';
import { test } from 'node:test';

const [velkor, simulator, config] = process.argv.slice(2);
const BANK = 'https://bank.example';

function startHost() {
  const child = spawn(velkor, ['native-host', '--ui', 'none', '--allow-origin', BANK,
    'chrome-extension://velkortest/'], {
    env: { ...process.env, VELKOR_PCSC_LIBRARY: simulator, VELKOR_SIM_CONFIG: config,
      XDG_CONFIG_HOME: '/nonexistent' },
    stdio: ['pipe', 'pipe', 'inherit'],
  });
  let buffered = Buffer.alloc(0);
  const waiting = [];
  const frames = [];
  child.stdout.on('data', (chunk) => {
    buffered = Buffer.concat([buffered, chunk]);
    while (buffered.length >= 4 && buffered.length >= 4 + buffered.readUInt32LE(0)) {
      const length = buffered.readUInt32LE(0);
      frames.push(JSON.parse(buffered.subarray(4, 4 + length).toString('utf8')));
      buffered = buffered.subarray(4 + length);
    }
    while (frames.length && waiting.length) waiting.shift()(frames.shift());
  });
  const exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  const host = {
    send(value) {
      const body = Buffer.from(JSON.stringify(value), 'utf8');
      const header = Buffer.alloc(4);
      header.writeUInt32LE(body.length);
      child.stdin.write(Buffer.concat([header, body]));
    },
    receive() {
      return frames.length ? Promise.resolve(frames.shift())
        : new Promise((resolve) => waiting.push(resolve));
    },
    nextId: 1,
    async call(page, method, ...params) {
      const id = host.nextId++;
      host.send({ type: 'message', page, data: JSON.stringify({ jsonrpc: '2.0', id, method, params }) });
      const answer = await host.receive();
      assert.equal(answer.page, page);
      const data = JSON.parse(answer.data);
      assert.equal(data.id, id);
      return data.result;
    },
    child,
    exited,
    stdoutLeft: () => buffered.length,
  };
  return host;
}

const WITHDRAWAL = ['2510', '00000001', '12345678', '00000000100000', '8220012345678901'];

test('pages sign on the simulator, each with its own card session', async () => {
  const host = startHost();
  host.send({ type: 'open', page: 1, origin: BANK });
  host.send({ type: 'open', page: 2, origin: 'https://evil.example' });
  assert.deepEqual(await host.receive(), { type: 'refused', page: 2, reason: 'origin' });
  assert.equal(await host.call(1, 'ConnectCard', 'ACS ACR83U 00 00'), 0);
  assert.equal(await host.call(1, 'VerifyPIN', '123456'), 0);
  assert.equal(await host.call(1, 'AccountWithdraw', ...WITHDRAWAL), 0);
  assert.match(await host.call(1, 'GetRespTAC'), /^[0-9A-F]{16}$/);

  // Another page of the same browser finds the card reset: page 1's PIN does not sign for it.
  host.send({ type: 'close', page: 1 });
  host.send({ type: 'open', page: 3, origin: BANK });
  assert.equal(await host.call(3, 'ConnectCard', 'ACS ACR83U 00 00'), 0);
  assert.notEqual(await host.call(3, 'AccountWithdraw', ...WITHDRAWAL), 0);

  // The browser goes away with a call on its way: the host finishes it and exits cleanly.
  host.send({ type: 'message', page: 3, data: JSON.stringify({ jsonrpc: '2.0', id: 99,
    method: 'AccountWithdraw', params: WITHDRAWAL }) });
  host.child.stdin.end();
  assert.equal(await host.exited, 0);
  assert.equal(host.stdoutLeft(), 0, 'nothing but whole frames on standard output');
});
