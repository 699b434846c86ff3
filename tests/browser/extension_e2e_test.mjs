// The browser extension end to end: Chromium loads extension/ unpacked, finds the native host
// through a manifest in its profile and starts `velkor native-host` itself.
// Usage: node extension_e2e_test.mjs <velkor> <velkor-demo-bank> <libvelkor-pcsc-sim.so> <config>
// Exits with 77 (skipped) when Chromium is missing.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtemp, mkdir, readFile, rm, writeFile, chmod } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { BANK_LISTENING, CHROMIUM, clickForOutcome, extensionDir, launchChromium,
  openConnectedBankPage, skipUnless, startListening, stopAll } from './harness.mjs';

const [velkorExecutable, bankExecutable, simLibrary, simConfig] = process.argv.slice(2).map((p) => path.resolve(p));
skipUnless([CHROMIUM]);
let work;
let browser;

after(async () => {
  await browser?.close();
  await stopAll();
  if (work) await rm(work, { recursive: true, force: true });
});

test('the demo bank authenticates and signs through the extension, the host started by Chromium',
  { timeout: 120000 }, async () => {
    work = await mkdtemp(path.join(tmpdir(), 'velkor-extension-e2e-'));
    const bank = await startListening(bankExecutable, ['--port', '0', '--cards', simConfig], {},
      BANK_LISTENING);
    const origin = `http://127.0.0.1:${bank.port}`;

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

    browser = await launchChromium(profile, {
      ignoreDefaultArgs: ['--disable-extensions'],
      args: ['--headless=new', `--disable-extensions-except=${extensionDir}`,
        `--load-extension=${extensionDir}`],
    });
    const hostLogSoFar = () => readFile(hostLog, 'utf8').catch(() => '(no host log)');
    const page = await openConnectedBankPage(browser, `${origin}/`).catch(async (error) => {
      throw new Error(`${error.message}\n${await hostLogSoFar()}`);
    });
    assert.equal(await page.evaluate(() => document.documentElement.hasAttribute('data-velkor-extension')), true);

    const auth = await clickForOutcome(page, '#authenticate', '#auth-result', ['authenticated', 'failed']);
    assert.equal(auth.state, 'authenticated', `${auth.text}\n${await page.textContent('#log')}`);
    const withdrawal = await clickForOutcome(page, '#sign-withdrawal', '#withdrawal-result',
      ['verified', 'failed']);
    assert.equal(withdrawal.state, 'verified', `${withdrawal.text}\n${await page.textContent('#log')}`);
    assert.match(withdrawal.text, /TAC verified by the bank/);

    const log = await readFile(hostLog, 'utf8');
    assert.match(log, new RegExp(`connection from ${origin.replaceAll('.', '\\.')}`), 'the browser started the host');
    assert.match(log, /call AccountWithdrawSnd /);

    await page.close();
  });
