// Drives headless Chromium against a real `velkor serve`: a page from an allowed origin calls
// methods through velkor.js, a page from another origin is refused, and a page that closes with
// calls in flight leaves the agent healthy. Usage: node browser_test.mjs <velkor executable>
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { mkdtemp, readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const webDir = path.resolve(here, '../../web');
const { chromium } = createRequire(path.join(webDir, 'package.json'))('playwright-core');
const velkorExecutable = process.argv[2];

const CHROMIUM_FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update',
  '--disable-sync'];

// Serves the test page and velkor.js on a free loopback port.
async function startStaticServer() {
  const files = {
    '/': [path.join(here, 'page/index.html'), 'text/html; charset=utf-8'],
    '/velkor.js': [path.join(webDir, 'velkor.js'), 'text/javascript; charset=utf-8'],
  };
  const server = createServer(async (request, response) => {
    const file = files[new URL(request.url, 'http://x').pathname];
    if (!file) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': file[1] }).end(await readFile(file[0]));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { server, origin: `http://127.0.0.1:${server.address().port}` };
}

function startAgent(allowedOrigin) {
  const agent = spawn(velkorExecutable,
    ['serve', '--port', '0', '--no-demo-origin', '--allow-origin', allowedOrigin, '--ui', 'none',
      '--verbose'],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  agent.log = '';
  agent.stderr.on('data', (chunk) => { agent.log += chunk; });
  return new Promise((resolve, reject) => {
    let output = '';
    agent.stdout.on('data', (chunk) => {
      output += chunk;
      const match = /listening on ws:\/\/127\.0\.0\.1:(\d+)\//.exec(output);
      if (match) {
        agent.port = Number(match[1]);
        resolve(agent);
      }
    });
    agent.once('exit', (code) => reject(new Error(`velkor serve exited with ${code}: ${agent.log}`)));
  });
}

let allowed;
let foreign;
let agent;
let browser;
let profile;

before(async () => {
  allowed = await startStaticServer();
  foreign = await startStaticServer();
  agent = await startAgent(allowed.origin);
  profile = await mkdtemp(path.join(tmpdir(), 'velkor-chromium-'));
  browser = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: CHROMIUM_FLAGS,
  });
});

after(async () => {
  await browser?.close();
  if (agent && agent.exitCode === null) {
    const exited = new Promise((resolve) => agent.once('exit', resolve));
    agent.kill('SIGTERM');
    assert.equal(await exited, 0, 'the agent shuts down cleanly on SIGTERM');
  }
  allowed?.server.close();
  foreign?.server.close();
  if (profile) {
    await rm(profile, { recursive: true, force: true });
  }
});

async function openPage(origin, query = '') {
  const page = await browser.newPage();
  await page.goto(`${origin}/?port=${agent.port}${query}`);
  return page;
}

async function resultOf(page) {
  await page.waitForFunction(() => window.velkorResult !== undefined, null, { timeout: 15000 });
  return page.evaluate(() => window.velkorResult);
}

test('a page from the allowed origin calls the control through velkor.js', async () => {
  const page = await openPage(allowed.origin);
  assert.deepEqual(await resultOf(page), { version: 'Version 1.0.0.1 ', connectReader: 0 });
  assert.match(await page.textContent('#out'), /Version 1\.0\.0\.1 /);
  await page.close();
});

test('a page from another origin is refused', async () => {
  const page = await openPage(foreign.origin);
  assert.deepEqual(await resultOf(page), { error: 'ORIGIN_REFUSED' });
  await page.close();
  assert.match(agent.log, /refused connection \(origin "http:\/\/127\.0\.0\.1:\d+".*origin not allowed/);
});

test('a page that closes with calls in flight leaves the agent healthy', async () => {
  const flooding = await openPage(allowed.origin, '&flood=1');
  assert.deepEqual(await resultOf(flooding), { flooding: true });
  await flooding.close();

  const next = await openPage(allowed.origin);
  assert.deepEqual(await resultOf(next), { version: 'Version 1.0.0.1 ', connectReader: 0 });
  await next.close();
  assert.equal(agent.exitCode, null);
  // Nothing the page sent is ever logged, only method names and outcomes.
  assert.doesNotMatch(agent.log, /Version 1\.0\.0\.1 /);
});
