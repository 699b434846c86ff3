// The demo bank end to end: `velkor serve` on the simulated readers and `velkor-demo-bank` on free
// loopback ports, the bank's page driven in headless Chromium.
// Usage: node demo_bank_test.mjs <velkor> <velkor-demo-bank> <libvelkor-pcsc-sim.so> <sim config>
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { AGENT_LISTENING, BANK_LISTENING, clickForOutcome, launchChromium, openConnectedBankPage,
  outcome, startListening, stop } from './harness.mjs';

const [velkorExecutable, bankExecutable, simLibrary, simConfig] = process.argv.slice(2);

const startBank = () =>
  startListening(bankExecutable, ['--port', '0', '--cards', simConfig], {}, BANK_LISTENING);

let bank;
let foreignBank;
let agent;
let browser;
let profile;

before(async () => {
  [bank, foreignBank] = await Promise.all([startBank(), startBank()]);
  agent = await startListening(velkorExecutable,
    ['serve', '--port', '0', '--no-demo-origin', '--allow-origin',
      `http://127.0.0.1:${bank.port}`, '--ui', 'none', '--verbose'],
    { VELKOR_PCSC_LIBRARY: simLibrary, VELKOR_SIM_CONFIG: simConfig }, AGENT_LISTENING);
  profile = await mkdtemp(path.join(tmpdir(), 'velkor-demo-bank-'));
  browser = await launchChromium(profile);
});

after(async () => {
  await browser?.close();
  assert.equal(await stop(agent), 0, 'the agent shuts down cleanly');
  assert.equal(await stop(bank), 0, 'the demo bank shuts down cleanly');
  await stop(foreignBank);
  if (profile) {
    await rm(profile, { recursive: true, force: true });
  }
});

const connectedPage = () =>
  openConnectedBankPage(browser, `http://127.0.0.1:${bank.port}/?agentPort=${agent.port}`);

async function signAndCheck(page, type) {
  const result = await clickForOutcome(page, `#sign-${type}`, `#${type}-result`, ['verified', 'failed']);
  assert.equal(result.state, 'verified', `${result.text}\n${await page.textContent('#log')}`);
  assert.match(result.text, /SNUM\d{8}TAC[0-9A-F]{16}Timestamp\d{4}-\d\d-\d\d \d\d:\d\d:\d\d/);
  assert.match(result.text, /TAC verified by the bank/);
  return result.text;
}

test('the card shows its accounts, issuer and serial, and signs on the PIN pad what the bank accepts',
  async () => {
    const page = await connectedPage();
    assert.deepEqual(await page.$$eval('#card-accounts li', (items) => items.map((i) => i.textContent)),
      ['8220012345678901', '8220012345678902', '8220098765432100']);
    assert.equal(await page.textContent('#card-issuer'), '822');
    assert.equal(await page.textContent('#card-serial'), '445566778899AABB');

    await page.selectOption('#account', '8220012345678902');
    const withdrawal = await signAndCheck(page, 'withdrawal');
    const transfer = await signAndCheck(page, 'transfer');
    assert.notEqual(withdrawal.match(/SNUM(\d{8})/)[1], transfer.match(/SNUM(\d{8})/)[1]);
    await page.close();
  });

test('a typed PIN: a wrong one is shown with its tries, the right one lets the card sign', async () => {
  const page = await connectedPage();
  await page.fill('#pin', '000000');
  const wrong = await clickForOutcome(page, '#verify-pin', '#pin-result', ['done', 'failed']);
  assert.equal(wrong.state, 'failed');
  assert.match(wrong.text, /tries left|PIN refused/);
  assert.equal(await page.inputValue('#pin'), '', 'the page forgets the typed PIN');

  await page.check('input[name="pin-mode"][value="typed"]');
  await page.fill('#pin', '123456');
  await signAndCheck(page, 'withdrawal');
  await page.fill('#pin', '123456');
  await signAndCheck(page, 'transfer');
  // The PIN never reaches the agent's log. The simulated pad's display shows the transaction data,
  // whose digits may look like a PIN: its lines are left out.
  const logWithoutPadDisplay = agent.log.split('\n').filter((line) => !line.startsWith('[PIN pad]'));
  assert.doesNotMatch(logWithoutPadDisplay.join('\n'), /123456|000000/);
  await page.close();
});

test('a confirmed withdrawal and record write ask for the dialog, which a screenless agent cancels',
  async () => {
    const page = await connectedPage();
    await page.check('input[name="pin-mode"][value="dialog"]');
    const result = await clickForOutcome(page, '#sign-withdrawal', '#withdrawal-result', ['verified', 'failed']);
    assert.equal(result.state, 'failed');
    assert.match(result.text, /20756 .*not confirmed in the dialog/);
    assert.match(await page.textContent('#log'), /AccountWithdrawSndEx → 20756/);
    const record = await clickForOutcome(page, '#sign-record', '#record-result', ['verified', 'failed']);
    assert.match(record.text, /20756 /);
    assert.match(await page.textContent('#log'), /WriteRecordWithSNUMTACSnd → 20756/);
    await page.close();
  });

test('the bank\'s steps wait for the session key both sides hold; a screenless agent cancels their dialogs',
  async () => {
    const page = await connectedPage();
    assert.match((await clickForOutcome(page, '#add-common-net', '#common-net-result',
      ['verified', 'failed'])).text, /authenticate with the bank first/);
    assert.match((await clickForOutcome(page, '#net-common', '#net-transfer-result', ['failed'])).text,
      /authenticate first/);

    const auth = await clickForOutcome(page, '#authenticate', '#auth-result', ['authenticated', 'failed']);
    assert.equal(auth.state, 'authenticated', `${auth.text}\n${await page.textContent('#log')}`);
    assert.match(auth.text, /Session-key hash [0-9A-F]{40}/);
    assert.match(auth.text, /"VELKOR DEMO BANK: SESSION KEY OK"/);

    for (const [form, method] of [['web', 'CommAccountProc'], ['net', 'CommAccountNet']]) {
      const result = await clickForOutcome(page, `#add-common-${form}`, `#common-${form}-result`,
        ['verified', 'failed']);
      assert.match(result.text, /20756 .*not confirmed in the dialog/, await page.textContent('#log'));
      assert.match(await page.textContent('#log'), new RegExp(`bank /api/common-account/document → HTTP 200[\\s\\S]*${method} → 20756`));
    }
    assert.match((await clickForOutcome(page, '#net-common', '#net-transfer-result',
      ['verified', 'failed'])).text, /TransferNet: 20756 /);
    await page.click('#net-file');
    await page.waitForSelector('#net-file-result:has-text("no file chosen")', { timeout: 15000 });
    assert.match(await page.textContent('#log'), /FileTransfer → -1 /);
    await page.close();
  });

test('the same page served from an origin the agent does not allow is refused', async () => {
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${foreignBank.port}/?agentPort=${agent.port}`);
  const status = await outcome(page, '#agent-status', ['connected', 'error']);
  assert.equal(status.state, 'error');
  assert.match(status.text, /ORIGIN_REFUSED/);
  assert.equal(await page.isDisabled('#connect-card'), true);
  await page.close();
  assert.match(agent.log, new RegExp(`refused connection \\(origin "http://127\\.0\\.0\\.1:${foreignBank.port}"`));
});

test('a page that goes away mid-call leaves the agent serving the next page', async () => {
  const leaving = await connectedPage();
  await leaving.click('#sign-withdrawal');
  // And many calls of a second connection in flight when it goes.
  await leaving.evaluate(async (port) => {
    const { Velkor } = await import('/velkor.js');
    const ctrl = await Velkor.connect({ port });
    for (let i = 0; i < 200; i += 1) ctrl.GetAPIVersion().catch(() => {});
  }, agent.port);
  await leaving.close();

  const next = await connectedPage();
  await signAndCheck(next, 'withdrawal');
  assert.equal((await clickForOutcome(next, '#authenticate', '#auth-result',
    ['authenticated', 'failed'])).state, 'authenticated');
  await next.close();
  assert.equal(agent.exitCode, null);
});
