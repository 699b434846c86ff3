// The confirmation dialog as a customer meets it: the demo bank's page in headless Chromium asks
// for a withdrawal confirmed in the dialog; `velkor serve` shows CTryFirm as a real Qt window on a
// private Xvfb; the test pulls the card and puts it back (through the simulator's control file),
// presses 確定 with real X mouse events, and the bank accepts the TAC.
// Usage: node dialog_e2e_test.mjs <velkor> <velkor-demo-bank> <libvelkor-pcsc-sim.so> <sim config>
//        <screenshot.png>
// Exits with 77 (skipped) when a program it needs is missing.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { mkdtemp, mkdir, rm, writeFile, rename } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { AGENT_LISTENING, BANK_LISTENING, CHROMIUM, READER, announced, launchChromium,
  openConnectedBankPage, skipUnless, start, stopAll } from './harness.mjs';

const [velkorExecutable, bankExecutable, simLibrary, simConfig, screenshot] = process.argv.slice(2);
const TITLE = '霖州銀行_網路Orvo';
skipUnless(['Xvfb', 'xdotool', 'xwd', 'convert', CHROMIUM]);

const started = Date.now();
const elapsed = () => `${((Date.now() - started) / 1000).toFixed(1)} s`;
let work;
let browser;

after(async () => {
  await browser?.close();
  await stopAll();
  if (work) {
    await rm(work, { recursive: true, force: true });
  }
});

const xdotool = (display, ...args) =>
  execFileSync('xdotool', args, { env: { ...process.env, DISPLAY: display }, encoding: 'utf8' });

async function until(what, probe, timeoutMs) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = await probe();
    if (value) {
      return value;
    }
    assert.ok(Date.now() < deadline, `timed out waiting for ${what}`);
    await sleep(100);
  }
}

// Hands the simulator one card movement: written aside, then renamed into place, so the agent
// never reads half a command; the simulator renames it away once applied.
async function moveCard(controlFile, action) {
  await writeFile(`${controlFile}.new`, `${action} ${READER}\n`);
  await rename(`${controlFile}.new`, controlFile);
  await until(`the agent to apply "${action}"`, () => !existsSync(controlFile), 5000);
}

test('a withdrawal confirmed in the real dialog, card pulled and put back, is accepted by the bank',
  { timeout: 90000 }, async () => {
    work = await mkdtemp(path.join(tmpdir(), 'velkor-dialog-e2e-'));
    const runtimeDir = path.join(work, 'runtime');
    await mkdir(runtimeDir, { mode: 0o700 });
    const controlFile = path.join(work, 'sim-control');

    // Xvfb picks a free display and writes its number on descriptor 3.
    const xvfb = start('Xvfb',
      ['-displayfd', '3', '-screen', '0', '1280x800x24', '-nolisten', 'tcp'], {},
      ['ignore', 'ignore', 'pipe', 'pipe']);
    const display = `:${await announced(xvfb, /^(\d+)\n/, 3)}`;

    const bank = start(bankExecutable, ['--port', '0', '--cards', simConfig], {});
    const bankPort = await announced(bank, BANK_LISTENING);
    const agent = start(velkorExecutable,
      ['serve', '--port', '0', '--no-demo-origin', '--allow-origin',
        `http://127.0.0.1:${bankPort}`, '--ui', 'qt', '--verbose'],
      { VELKOR_PCSC_LIBRARY: simLibrary, VELKOR_SIM_CONFIG: simConfig,
        VELKOR_SIM_CONTROL: controlFile, QT_QPA_PLATFORM: 'xcb', DISPLAY: display,
        XDG_RUNTIME_DIR: runtimeDir });
    const agentPort = await announced(agent, AGENT_LISTENING);

    browser = await launchChromium(path.join(work, 'profile'));
    const page = await openConnectedBankPage(browser,
      `http://127.0.0.1:${bankPort}/?agentPort=${agentPort}`);
    await page.check('input[name="pin-mode"][value="dialog"]');
    await page.click('#sign-withdrawal');
    const result = page.waitForSelector(
      '#withdrawal-result[data-state="verified"], #withdrawal-result[data-state="failed"]',
      { timeout: 60000 });
    result.catch(() => {}); // awaited below; a failure before that is reported on its own
    const ready = elapsed();

    const window = await until('the dialog window', () => {
      try {
        return xdotool(display, 'search', '--onlyvisible', '--name', TITLE).trim().split('\n')[0];
      } catch {
        return undefined; // not mapped yet
      }
    }, 15000);
    const shown = elapsed();
    // Without a window manager the geometry is the client area's. OK (control 1) sits left of
    // Cancel on the bottom row: 96 × 30, its right edge 16 + 96 + 12 from the right, 16 above
    // the foot of the 600-wide dialog.
    const geometry = xdotool(display, 'getwindowgeometry', window);
    const [width, height] = geometry.match(/Geometry: (\d+)x(\d+)/).slice(1).map(Number);
    assert.equal(width, 600, geometry);
    const okX = 600 - 16 - 2 * 96 - 12 + 48;
    const okY = height - 16 - 15;
    const clickOk = () => {
      try {
        xdotool(display, 'mousemove', '--window', window, String(okX), String(okY), 'click', '1');
      } catch {
        // the dialog closed under the pointer
      }
    };

    await sleep(500); // the first paint
    execFileSync('xwd', ['-root', '-display', display, '-out', `${screenshot}.xwd`]);
    execFileSync('convert', [`${screenshot}.xwd`, screenshot]);
    await rm(`${screenshot}.xwd`, { force: true });

    // OK stays disabled until the card has been out and back: clicks before that change nothing.
    clickOk();
    await moveCard(controlFile, 'remove');
    await sleep(750); // three ticks of the dialog's card probe
    clickOk();
    await sleep(500);
    assert.equal(await page.getAttribute('#withdrawal-result', 'data-state'), 'working',
      'the dialog does not confirm before the card is back');
    await moveCard(controlFile, 'insert');

    // The probe sees the card back within a tick or two and enables OK; press it until it takes.
    await until('the bank\'s verdict', async () => {
      clickOk();
      await sleep(300);
      return page.$(
        '#withdrawal-result[data-state="verified"], #withdrawal-result[data-state="failed"]');
    }, 10000);
    const outcome = await result;
    const text = await outcome.textContent();
    assert.equal(await outcome.getAttribute('data-state'), 'verified',
      `${text}\nagent exit ${agent.exitCode}\n${agent.log}`);
    assert.match(text, /TAC verified by the bank/);
    assert.match(await page.textContent('#log'), /AccountWithdrawSndEx → 0 /);
    assert.equal(agent.exitCode, null, 'the agent serves on after its dialog closed');
    console.log(`page ready ${ready}, dialog shown ${shown}, verdict ${elapsed()}`);
    await page.close();
  });
