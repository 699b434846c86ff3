// The browser extension end to end: Chromium loads extension/ unpacked, finds the native host
// through a manifest in its profile and starts `velkor native-host` itself; the demo bank's page,
// unchanged, runs the mutual authentication and a signed withdrawal through the extension, and
// the bank verifies the TAC. Also times a call through each transport in the same run.
// Usage: node extension_e2e_test.mjs <velkor> <velkor-demo-bank> <libvelkor-pcsc-sim.so> <config>
// Exits with 77 (skipped) when Chromium is missing.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { existsSync } from 'node:fs';
import { mkdtemp, mkdir, readFile, rm, writeFile, chmod } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const [velkorExecutable, bankExecutable, simLibrary, simConfig] = process.argv.slice(2).map((p) => path.resolve(p));
const CHROMIUM = '/usr/bin/chromium';
const READER = 'ACS ACR83U 00 00';
if (!existsSync(CHROMIUM)) {
  console.log(`SKIP: needs ${CHROMIUM}`);
  process.exit(77);
}
const here = path.dirname(fileURLToPath(import.meta.url));
const extensionDir = path.resolve(here, '../../extension');
const { chromium } = createRequire(path.join(here, '../../web/package.json'))('playwright-core');
const children = [];
let work;
let browser;

process.on('exit', () => children.forEach((child) => child.exitCode === null && child.kill('SIGKILL')));

function startListening(executable, args, env, pattern) {
  const child = spawn(executable, args, { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, ...env } });
  children.push(child);
  child.log = '';
  child.stderr.on('data', (chunk) => { child.log += chunk; });
  return new Promise((resolve, reject) => {
    let output = '';
    child.stdout.on('data', (chunk) => {
      output += chunk;
      const match = pattern.exec(output);
      if (match) resolve({ child, port: Number(match[1]) });
    });
    child.once('exit', (code) => reject(new Error(`${executable} exited with ${code}: ${child.log}`)));
  });
}

after(async () => {
  await browser?.close();
  for (const child of children) {
    if (child.exitCode === null) {
      const exited = new Promise((resolve) => child.once('exit', resolve));
      child.kill('SIGTERM');
      await exited;
    }
  }
  if (work) await rm(work, { recursive: true, force: true });
});

async function outcome(page, selector, states) {
  const anyOf = states.map((state) => `${selector}[data-state="${state}"]`).join(', ');
  const element = await page.waitForSelector(anyOf, { timeout: 20000 });
  return { state: await element.getAttribute('data-state'), text: await element.textContent() };
}

// Milliseconds per GetAPIVersion round trip from the page, over `transport`.
const timeCalls = (page, transport, agentPort) => page.evaluate(async ([how, port]) => {
  const { Velkor } = await import('/velkor.js');
  const ctrl = await Velkor.connect({ transport: how, port });
  await ctrl.GetAPIVersion();
  const calls = 200;
  const started = performance.now();
  for (let i = 0; i < calls; i++) await ctrl.GetAPIVersion();
  const each = (performance.now() - started) / calls;
  ctrl.close();
  return each;
}, [transport, agentPort]);

test('the demo bank authenticates and signs through the extension, the host started by Chromium',
  { timeout: 120000 }, async () => {
    work = await mkdtemp(path.join(tmpdir(), 'velkor-extension-e2e-'));
    const bank = await startListening(bankExecutable, ['--port', '0', '--cards', simConfig], {},
      /listening on http:\/\/127\.0\.0\.1:(\d+)\//);
    const origin = `http://127.0.0.1:${bank.port}`;
    // For comparison only: the WebSocket agent, same simulator and origin.
    const agent = await startListening(velkorExecutable,
      ['serve', '--port', '0', '--allow-origin', origin, '--ui', 'none'],
      { VELKOR_PCSC_LIBRARY: simLibrary, VELKOR_SIM_CONFIG: simConfig, XDG_CONFIG_HOME: work },
      /listening on ws:\/\/127\.0\.0\.1:(\d+)\//);

    // What `velkor register` installs, pointed at this build: Chromium reads user-level host
    // manifests from its profile's NativeMessagingHosts folder.
    const profile = path.join(work, 'profile');
    const hostLog = path.join(work, 'host.log');
    const launcher = path.join(work, 'native-host');
    const quote = (text) => `'${text.replaceAll("'", "'\\''")}'`;
    await writeFile(launcher, `#!/bin/sh\nexport VELKOR_PCSC_LIBRARY=${quote(simLibrary)} `
      + `VELKOR_SIM_CONFIG=${quote(simConfig)} XDG_CONFIG_HOME=${quote(work)}\n`
      + `exec ${quote(velkorExecutable)} native-host --ui none --verbose --allow-origin ${origin} `
      + `"$@" 2>>${quote(hostLog)}\n`);
    await chmod(launcher, 0o755);
    await mkdir(path.join(profile, 'NativeMessagingHosts'), { recursive: true });
    await writeFile(path.join(profile, 'NativeMessagingHosts', 'com.velkor.agent.json'), JSON.stringify({
      name: 'com.velkor.agent', description: 'Velkor test host', path: launcher, type: 'stdio',
      allowed_origins: ['chrome-extension://cbckpafkgagkkjgkgmenlkfapbekeijc/'],
    }));

    browser = await chromium.launchPersistentContext(profile, {
      executablePath: CHROMIUM, headless: true,
      ignoreDefaultArgs: ['--disable-extensions'],
      args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync',
        `--disable-extensions-except=${extensionDir}`, `--load-extension=${extensionDir}`],
    });
    const page = await browser.newPage();
    await page.goto(`${origin}/`);
    const status = await outcome(page, '#agent-status', ['connected', 'error']);
    const hostLogSoFar = () => readFile(hostLog, 'utf8').catch(() => '(no host log)');
    assert.equal(status.state, 'connected', `${status.text}\nextension present: ${await page.evaluate(
      () => document.documentElement.hasAttribute('data-velkor-extension'))}\n${await hostLogSoFar()}`);
    assert.equal(await page.evaluate(() => document.documentElement.hasAttribute('data-velkor-extension')), true);
    await page.waitForSelector(`#readers option:text-is("${READER}")`, { state: 'attached' });
    await page.selectOption('#readers', READER);
    await page.click('#connect-card');
    assert.equal((await outcome(page, '#card-info', ['done', 'failed'])).state, 'done');

    await page.click('#authenticate');
    const auth = await outcome(page, '#auth-result', ['authenticated', 'failed']);
    assert.equal(auth.state, 'authenticated', `${auth.text}\n${await page.textContent('#log')}`);
    await page.click('#sign-withdrawal');
    const withdrawal = await outcome(page, '#withdrawal-result', ['verified', 'failed']);
    assert.equal(withdrawal.state, 'verified', `${withdrawal.text}\n${await page.textContent('#log')}`);
    assert.match(withdrawal.text, /TAC verified by the bank/);

    const log = await readFile(hostLog, 'utf8');
    assert.match(log, new RegExp(`connection from ${origin.replaceAll('.', '\\.')}`), 'the browser started the host');
    assert.match(log, /call AccountWithdrawSnd /);

    const viaExtension = await timeCalls(page, 'extension');
    const viaWebSocket = await timeCalls(page, 'websocket', agent.port);
    console.log(`GetAPIVersion round trip from the page: extension ${viaExtension.toFixed(3)} ms, `
      + `WebSocket ${viaWebSocket.toFixed(3)} ms`);
    await page.close();
  });
