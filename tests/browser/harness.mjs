// What the Chromium tests share: the programs they start (none outlives the test), headless
// Chromium, and the demo bank's page up to a connected card.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { existsSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const extensionDir = path.resolve(here, '../../extension');
const { chromium } = createRequire(path.resolve(here, '../../web/package.json'))('playwright-core');

export const CHROMIUM = '/usr/bin/chromium';
export const READER = 'ACS ACR83U 00 00';
export const AGENT_LISTENING = /listening on ws:\/\/127\.0\.0\.1:(\d+)\//;
export const BANK_LISTENING = /listening on http:\/\/127\.0\.0\.1:(\d+)\//;

// Exits with 77 (skipped) when a program the test needs is missing.
export function skipUnless(programs) {
  const onPath = (program) => program.startsWith('/') ? existsSync(program)
    : process.env.PATH.split(':').some((dir) => existsSync(path.join(dir, program)));
  const missing = programs.filter((program) => !onPath(program));
  if (missing.length > 0) {
    console.log(`SKIP: needs ${missing.join(', ')}`);
    process.exit(77);
  }
}

const children = [];
process.on('exit', () => children.forEach((child) =>
  child.exitCode === null && child.signalCode === null && child.kill('SIGKILL')));

// Starts a program; its standard error collects in `child.log`.
export function start(executable, args, env = {}, stdio = ['ignore', 'pipe', 'pipe']) {
  const child = spawn(executable, args, { stdio, env: { ...process.env, ...env } });
  children.push(child);
  child.log = '';
  child.stderr?.on('data', (chunk) => { child.log += chunk; });
  return child;
}

// Resolves with the first capture of `pattern` on the child's stream `fd`.
export function announced(child, pattern, fd = 1) {
  return new Promise((resolve, reject) => {
    let output = '';
    child.stdio[fd].on('data', (chunk) => {
      output += chunk;
      const match = pattern.exec(output);
      if (match) resolve(match[1]);
    });
    child.once('exit', (code) =>
      reject(new Error(`${child.spawnfile} exited with ${code}: ${child.log}`)));
  });
}

// Starts a server and resolves with it once it names its port (`child.port`).
export async function startListening(executable, args, env, pattern) {
  const child = start(executable, args, env);
  child.port = Number(await announced(child, pattern));
  return child;
}

// Ends a program with SIGTERM and resolves with its exit code.
export async function stop(child) {
  if (child && child.exitCode === null && child.signalCode === null) {
    const exited = new Promise((resolve) => child.once('exit', resolve));
    child.kill('SIGTERM');
    return exited;
  }
  return child?.exitCode;
}

export async function stopAll() {
  for (const child of [...children].reverse()) await stop(child);
}

export function launchChromium(profile, { args = [], ...options } = {}) {
  return chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM, headless: true, ...options,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', ...args],
  });
}

// Waits until `selector` leaves its working states and returns its state and text.
export async function outcome(page, selector, states, timeout = 20000) {
  const anyOf = states.map((state) => `${selector}[data-state="${state}"]`).join(', ');
  const element = await page.waitForSelector(anyOf, { timeout });
  return { state: await element.getAttribute('data-state'), text: await element.textContent() };
}

// Clicks `button`, then waits for the outcome shown in `selector`.
export async function clickForOutcome(page, button, selector, states) {
  await page.click(button);
  return outcome(page, selector, states);
}

// The demo bank's page at `url`, connected to the agent, with the card of READER connected.
export async function openConnectedBankPage(browser, url) {
  const page = await browser.newPage();
  await page.goto(url);
  const status = await outcome(page, '#agent-status', ['connected', 'error']);
  assert.equal(status.state, 'connected', status.text);
  await page.waitForSelector(`#readers option:text-is("${READER}")`, { state: 'attached' });
  await page.selectOption('#readers', READER);
  await page.click('#connect-card');
  const card = await outcome(page, '#card-info', ['done', 'failed']);
  assert.equal(card.state, 'done', await page.textContent('#log'));
  return page;
}
