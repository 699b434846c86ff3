// The demo bank's page: drives the customer's card through the Velkor agent (velkor.js) and
// relays between the control and the bank's host endpoints. The page holds no bank secret: the
// host makes the challenge, checks the answer, issues the session key and checks every TAC.
import { Velkor } from '/velkor.js';

const $ = (id) => document.getElementById(id);
let ctrl = null;
// The authenticated session and its session-key pair, for the web-ATM transfer and the page's
// other modules.
export let bankSession = null;

// What the control's status codes mean, for showing them plainly.
const STATUS_MEANINGS = new Map([
  [0, 'success'],
  [1, 'PIN refused by the card'],
  [-1, 'failed (no PC/SC service, or the card refused the command)'],
  [4097, 'conversion failed'],
  [4099, 'no reader name'],
  [8193, 'bad character or value in an argument'],
  [8194, 'an argument has the wrong length'],
  [8195, 'an argument is missing'],
  [8450, 'the enciphered RN1 could not be decoded'],
  [8451, 'the RN1 signature could not be decoded'],
  [8452, 'a hexadecimal argument could not be decoded'],
  [0x5001, "the card's financial application or file could not be selected"],
  [0x5002, 'the account list could not be read completely'],
  [0x5004, 'the card answered 6608 to the PIN'],
  [0x5005, 'the card answered 6620 to the PIN'],
  [0x5006, 'the card answered 6610, the reader has no PIN pad, or the card refused the PIN '
    + 'typed in the form'],
  [0x5105, 'the RN1 or the session key could not be deciphered'],
  [0x5106, 'RN2 could not be enciphered'],
  [0x5107, 'RN2 could not be signed'],
  [0x5110, 'the DES operation failed'],
  [0x5111, 'the session key does not match its hash'],
  [0x5114, 'not confirmed in the dialog (cancelled or timed out), or the card answered 69F0'],
  [0x5115, "the dialog's document shows another transaction, or the account is not the card's"],
  [0x5116, "the dialog's document shows another amount or transferee"],
  [0x5206, "the bank's account lists are incomplete"],
  [0x6983, 'the PIN is blocked'],
  [0x6A82, 'file or application not found on the card'],
]);

const PCSC_ERRORS = new Map([
  [0x80100009, 'unknown reader'],
  [0x8010000B, 'the card is in use by another program'],
  [0x8010000C, 'no card in the reader'],
  [0x8010001D, 'the PC/SC service is not running'],
  [0x8010002E, 'no reader is connected'],
  [0x80100069, 'the card was removed'],
]);

export function describeStatus(code) {
  if (STATUS_MEANINGS.has(code)) {
    return STATUS_MEANINGS.get(code);
  }
  const unsigned = code >>> 0;
  if (PCSC_ERRORS.has(unsigned)) {
    return `PC/SC: ${PCSC_ERRORS.get(unsigned)}`;
  }
  if ((code & 0xFFF0) === 0x63C0 && code < 0x10000) {
    return `wrong PIN, ${code & 0x0F} tries left`;
  }
  if (code > 0 && code < 0x10000) {
    return `the card answered ${code.toString(16).toUpperCase()}`;
  }
  return 'failed';
}

export function statusText(code) {
  const hex = (code >>> 0).toString(16).toUpperCase();
  return `${code} (0x${hex}): ${describeStatus(code)}`;
}

function log(text, failed = false) {
  const item = document.createElement('li');
  item.textContent = text;
  if (failed) {
    item.dataset.state = 'failed';
  }
  $('log').append(item);
  item.scrollIntoView({ block: 'nearest' });
}

// One call on the control. Arguments are never logged (one of them may be the PIN).
// Methods whose integer result is a count, not a status code (-1 means none).
const COUNT_METHODS = new Set(['GetReaderNumber', 'GetEF1001TotalAccounts',
  'GetEF1002TotalAccounts', 'GetRespLength']);

export async function call(method, ...params) {
  const result = await ctrl[method](...params);
  if (COUNT_METHODS.has(method)) {
    log(`${method} → ${result}`);
  } else if (typeof result === 'number') {
    log(`${method} → ${statusText(result)}`, result !== 0);
  } else {
    const shown = result.length > 48 ? `${result.slice(0, 48)}…` : result;
    log(`${method} → "${shown}"`);
  }
  return result;
}

export class StepFailed extends Error {}

// A call whose status must be 0.
async function require0(method, ...params) {
  const status = await call(method, ...params);
  if (status !== 0) {
    throw new StepFailed(`${method}: ${statusText(status)}`);
  }
}

export async function bank(path, body) {
  const response = await fetch(path, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify(body),
  });
  const answer = await response.json();
  log(`bank ${path} → HTTP ${response.status}`, !response.ok);
  if (!response.ok) {
    throw new StepFailed(`the bank refused ${path}: ${answer.error}`);
  }
  return answer;
}

function setResult(element, state, text) {
  element.dataset.state = state;
  element.textContent = text;
}

export function fillTable(element, state, rows) {
  element.dataset.state = state;
  element.replaceChildren();
  for (const [label, value, className] of rows) {
    const term = document.createElement('dt');
    term.textContent = label;
    const detail = document.createElement('dd');
    detail.textContent = value;
    if (className) {
      detail.className = className;
    }
    element.append(term, detail);
  }
}

const actionButtons = ['list-readers', 'connect-card', 'verify-pin', 'verify-pin-pad',
  'authenticate', 'sign-withdrawal', 'sign-transfer', 'sign-record', 'web-atm-typed',
  'web-atm-pad',
  'net-agreed', 'net-common', 'net-other', 'net-transfer-account', 'net-file'];

function enableActions(enabled) {
  for (const id of actionButtons) {
    $(id).disabled = !enabled;
  }
}

// Runs one customer action with the other buttons disabled, so flows never interleave.
function action(id, body, onFailure) {
  $(id).addEventListener('click', async () => {
    enableActions(false);
    try {
      await body();
    } catch (error) {
      log(error.message ?? String(error), true);
      onFailure?.(error.message ?? String(error));
    } finally {
      enableActions(ctrl !== null);
    }
  });
}

// For the page's other modules: an action button that takes part in the same exclusion.
export function registerAction(id, body, onFailure) {
  actionButtons.push(id);
  $(id).disabled = ctrl === null;
  action(id, body, onFailure);
}

export const readerName = () => $('readers').value;

async function listReaders() {
  await require0('ListReaders');
  const count = await call('GetReaderNumber');
  const select = $('readers');
  select.replaceChildren();
  for (let i = 0; i < count; i += 1) {
    const option = document.createElement('option');
    option.textContent = await call('GetReaderName', i);
    select.append(option);
  }
}

async function connectCard() {
  const info = $('card-info');
  info.dataset.state = 'working';
  await require0('ConnectCard', readerName());
  $('card-atr').textContent = await call('GetCardStatus');
  await require0('ListEF1001Accounts');
  const total = await call('GetEF1001TotalAccounts');
  const list = $('card-accounts');
  const select = $('account');
  list.replaceChildren();
  select.replaceChildren();
  for (let i = 0; i < total; i += 1) {
    const account = await call('GetEF1001Account', i);
    const item = document.createElement('li');
    item.textContent = account;
    list.append(item);
    const option = document.createElement('option');
    option.textContent = account;
    select.append(option);
  }
  $('card-issuer').textContent = await call('GetIssuerBank');
  $('card-serial').textContent = await call('ReadCardSN');
  info.dataset.state = 'done';
}

async function verifyTypedPin() {
  const pin = $('pin');
  try {
    await require0('VerifyPIN', pin.value);
  } finally {
    pin.value = '';
  }
}

const hexToText = (hex) => (hex.match(/../g) ?? [])
  .map((pair) => String.fromCharCode(parseInt(pair, 16))).join('');

async function authenticate() {
  const result = $('auth-result');
  setResult(result, 'working', 'Authenticating…');
  const challenge = await bank('/api/auth/start', {});
  await require0('VerifyRN1andGenerateRN2', challenge.RN1Len, challenge.pCpukEncryptedRN1,
    challenge.DsigLen, challenge.pSprkSignRN1);
  const answer = {
    session: challenge.session,
    encryptRN2: await call('GetEncryptRN2'),
    encryptHashRN2: await call('GetEncryptHashRN2'),
    sessionKeyHash: await call('GetSessionKeyHash'),
  };
  const finished = await bank('/api/auth/finish', answer);
  if (!finished.authenticated) {
    throw new StepFailed(`the bank refused the control's answer: ${finished.reason}`);
  }
  const pair = await bank('/api/session-key', { session: challenge.session });
  bankSession = { id: challenge.session, pair };
  await require0('VerifySessionKeyHash', pair.pCpukEncSessionKey, pair.pSessionKeyHash);
  // The bank enciphered a greeting under the new key; the control deciphers it.
  await require0('DESDecipher', pair.pSessionKeyHash, pair.pCpukEncSessionKey,
    pair.greetingLength, pair.greeting);
  const greeting = hexToText(await call('GetRespData'));
  setResult(result, 'authenticated', `Mutual authentication succeeded. Session-key hash `
    + `${finished.sessionKeyHash}. Deciphered from the bank under the session key: "${greeting}"`);
}

const pMoney = (amountId) => {
  const amount = Math.round(Number($(amountId).value) * 100);
  if (!Number.isFinite(amount) || amount <= 0 || amount > 99999999999999) {
    throw new StepFailed('the amount must be a positive number');
  }
  return String(amount).padStart(14, '0');
};

const formatTimestamp = (t) => (t.length === 14
  ? `${t.slice(0, 4)}-${t.slice(4, 6)}-${t.slice(6, 8)} ${t.slice(8, 10)}:${t.slice(10, 12)}:${t.slice(12)}`
  : t);

// Signs a withdrawal or a transfer on the card, then has the bank check its TAC.
async function signTransaction(type) {
  const result = $(`${type}-result`);
  fillTable(result, 'working', [['Status', 'signing…']]);
  const fields = {
    pPCode: $('pcode').value,
    pFdid: $('fdid').value,
    pFdChkCode: $('fdchk').value,
    pMoney: pMoney(`${type}-amount`),
    pAccount: $('account').value,
  };
  const request = type === 'transfer'
    ? [fields.pPCode, fields.pFdid, fields.pFdChkCode, fields.pMoney, $('transfer-to').value,
      fields.pAccount]
    : [fields.pPCode, fields.pFdid, fields.pFdChkCode, fields.pMoney, fields.pAccount];
  if (type === 'transfer') {
    fields.pImprtAccnt = $('transfer-to').value;
  }
  const method = type === 'transfer' ? 'AccountTransfer' : 'AccountWithdraw';
  const mode = document.querySelector('input[name="pin-mode"]:checked').value;
  let status;
  if (mode === 'dialog') {
    // The bank describes the transaction for the confirmation dialog, which checks it against
    // the request. The withdrawal takes the PIN on the reader's pad, the transfer the typed one.
    const { document: shown } = await bank('/api/confirmation-document',
      { type, pMoney: fields.pMoney, pAccount: fields.pAccount, pFdid: fields.pFdid,
        ...(type === 'transfer' ? { pImprtAccnt: fields.pImprtAccnt } : {}) });
    if (type === 'transfer') {
      const pin = $('pin');
      try {
        status = await call('AccountTransferEx', ...request, readerName(), pin.value, shown);
      } finally {
        pin.value = '';
      }
    } else {
      status = await call('AccountWithdrawSndEx', ...request, readerName(), shown);
    }
  } else if (mode === 'pad') {
    // Connects to the reader, asks the customer to use its pad, signs and disconnects.
    status = await call(`${method}Snd`, ...request, readerName());
  } else {
    await require0('ConnectCard', readerName());
    await verifyTypedPin();
    status = await call(method, ...request);
  }
  if (status !== 0) {
    fillTable(result, 'failed', [['Status', statusText(status)]]);
    return;
  }
  const signed = {
    snum: await call('GetRespSNUM'),
    tac: await call('GetRespTAC'),
    timestamp: await call('GetRespDateTime'),
    cardAccount: await call('GetTransactionAccount'),
  };
  const rows = [
    ['Status', statusText(status)],
    ['SNUM', signed.snum],
    ['TAC', signed.tac],
    ['Timestamp', formatTimestamp(signed.timestamp)],
    ['Card account', signed.cardAccount],
  ];
  fillTable(result, 'checking', rows);
  const verdict = await bank('/api/tac/verify', { type, ...fields, ...signed });
  fillTable(result, verdict.verified ? 'verified' : 'failed', [...rows,
    ['Bank', verdict.verified ? 'TAC verified by the bank' : `TAC refused: ${verdict.reason}`,
      'verdict']]);
  // A new request id for the next transaction.
  $('fdid').value = String((Number($('fdid').value) || 0) + 1).padStart(8, '0');
}

// Writes a record that the card signs with SNUM and TAC, after the customer confirmed it in the
// dialog (the PIN typed above, or none on a PIN-pad reader, which asks for it itself), then has
// the bank check the TAC.
async function writeRecord() {
  const result = $('record-result');
  fillTable(result, 'working', [['Status', 'writing…']]);
  const record = $('record-text').value;
  const { document: shown } = await bank('/api/confirmation-document',
    { type: 'record', pApduCmd: record });
  const pin = $('pin');
  let status;
  try {
    status = pin.value === ''
      ? await call('WriteRecordWithSNUMTACSnd', readerName(), record, shown)
      : await call('WriteRecordWithSNUMTAC', readerName(), record, shown, pin.value);
  } finally {
    pin.value = '';
  }
  if (status !== 0) {
    fillTable(result, 'failed', [['Status', statusText(status)]]);
    return;
  }
  const signed = {
    snum: await call('GetRespSNUM'),
    tac: await call('GetRespTAC'),
    cardAccount: await call('GetTransactionAccount'),
  };
  const rows = [['Status', statusText(status)], ['SNUM', signed.snum], ['TAC', signed.tac]];
  const verdict = await bank('/api/tac/verify', { type: 'record', pApduCmd: record, ...signed });
  fillTable(result, verdict.verified ? 'verified' : 'failed', [...rows,
    ['Bank', verdict.verified ? 'TAC verified by the bank' : `TAC refused: ${verdict.reason}`,
      'verdict']]);
}

// The web-ATM transfer: the bank prepares the procedure's arguments (its account lists enciphered
// under the session key), the control runs both dialogs and has the card sign, and the bank checks
// the import account the customer chose and the TAC.
async function webAtmTransfer(pinPad) {
  const result = $('web-atm-result');
  fillTable(result, 'working', [['Status', 'preparing…']]);
  if (bankSession === null) {
    throw new StepFailed('authenticate with the bank first (step 4)');
  }
  const a = await bank('/api/transfer/start', {
    session: bankSession.id,
    pAccount: $('account').value,
    pMoney: pMoney('web-atm-amount'),
    serviceType: $('web-atm-service').value,
  });
  const { pSessionKeyHash, pCpukEncSessionKey } = bankSession.pair;
  fillTable(result, 'working', [['Status', 'waiting for the customer in the Velkor windows…']]);
  let status;
  if (pinPad) {
    status = await call('TransferProcSnd', a.pPCode, a.pFdid, a.pFdChkCode, a.pMoney, a.pAccount,
      readerName(), a.pShowMsg, pSessionKeyHash, pCpukEncSessionKey, a.CommonInfo, a.ServiceType);
  } else {
    const pin = $('pin');
    try {
      status = await call('TransferProc', a.pPCode, a.pFdid, a.pFdChkCode, a.pMoney, a.pAccount,
        readerName(), pin.value, a.pShowMsg, pSessionKeyHash, pCpukEncSessionKey, a.CommonInfo,
        a.ServiceType);
    } finally {
      pin.value = '';
    }
  }
  if (status !== 0) {
    fillTable(result, 'failed', [['Status', statusText(status)]]);
    return;
  }
  const signed = {
    session: bankSession.id,
    clearImportAccount: await call('GetClearImportAccount'),
    encImportAccount: await call('GetEncImportAccount'),
    snum: await call('GetRespSNUM'),
    tac: await call('GetRespTAC'),
    timestamp: await call('GetRespDateTime'),
    cardAccount: await call('GetTransactionAccount'),
  };
  const rows = [
    ['Status', statusText(status)],
    ['Import account', signed.clearImportAccount],
    ['SNUM', signed.snum],
    ['TAC', signed.tac],
    ['Timestamp', formatTimestamp(signed.timestamp)],
  ];
  const verdict = await bank('/api/transfer/verify', signed);
  const chosen = verdict.importAccount;
  fillTable(result, verdict.verified ? 'verified' : 'failed', [...rows,
    ['Bank: import account', verdict.importAccountMatches
      ? `deciphered and matching: bank ${chosen.bankCode}, account ${chosen.account}, `
        + `transfer code ${chosen.transferCode}`
      : `refused: ${verdict.reason}`, 'verdict'],
    ['Bank: TAC', verdict.verified ? 'TAC verified by the bank'
      : `not accepted: ${verdict.reason}`, 'verdict']]);
}

async function connectAgent() {
  const status = $('agent-status');
  const query = new URLSearchParams(location.search);
  const config = await fetch('/api/config').then((response) => response.json());
  const port = Number(query.get('agentPort') ?? config.agentPort);
  try {
    ctrl = await Velkor.connect({ port });
  } catch (error) {
    setResult(status, 'error', `The Velkor agent is not available on port ${port}: `
      + `${error.code ?? ''} ${error.message}`);
    return;
  }
  setResult(status, 'connected', `Connected to Velkor ${ctrl.version} on port ${port}: `
    + `${await call('GetAPIVersion')}`);
  ctrl.closed.then((error) => {
    ctrl = null;
    enableActions(false);
    setResult(status, 'error', `${error.code}: ${error.message}. Reload the page to reconnect.`);
  });
  enableActions(true);
  await listReaders();
}

action('list-readers', listReaders);
action('connect-card', connectCard, () => { $('card-info').dataset.state = 'failed'; });
action('verify-pin', async () => {
  setResult($('pin-result'), 'working', 'Verifying…');
  await verifyTypedPin();
  setResult($('pin-result'), 'done', 'PIN verified by the card');
}, (message) => setResult($('pin-result'), 'failed', message));
action('verify-pin-pad', async () => {
  setResult($('pin-result'), 'working', "Enter the PIN on the reader's pad…");
  await require0('VerifyPINSnd');
  setResult($('pin-result'), 'done', 'PIN verified by the card');
}, (message) => setResult($('pin-result'), 'failed', message));
action('authenticate', authenticate,
  (message) => setResult($('auth-result'), 'failed', message));
action('sign-withdrawal', () => signTransaction('withdrawal'),
  (message) => fillTable($('withdrawal-result'), 'failed', [['Error', message]]));
action('sign-transfer', () => signTransaction('transfer'),
  (message) => fillTable($('transfer-result'), 'failed', [['Error', message]]));
action('sign-record', writeRecord,
  (message) => fillTable($('record-result'), 'failed', [['Error', message]]));

action('web-atm-typed', () => webAtmTransfer(false),
  (message) => fillTable($('web-atm-result'), 'failed', [['Error', message]]));
action('web-atm-pad', () => webAtmTransfer(true),
  (message) => fillTable($('web-atm-result'), 'failed', [['Error', message]]));

// ---- Net bank ----------------------------------------------------------------------------

const NET_DIALOGS = { 'net-agreed': '0', 'net-common': '1', 'net-other': '2',
  'net-transfer-account': '-1' };
const ACCOUNT_KINDS = { 0: '約定帳號 (agreed)', 1: '常用帳號 (common)', 2: '其它帳號 (other)',
  3: '其它帳號, to be added to the common accounts' };

function requireSession() {
  if (bankSession === null) {
    throw new StepFailed('authenticate first (step 4): the net bank needs a session key');
  }
  return bankSession;
}

// The bank builds the document, the customer chooses in the dialog, the bank reads the choice.
async function netTransfer(buttonId) {
  const result = $('net-transfer-result');
  const { id, pair } = requireSession();
  const dialog = NET_DIALOGS[buttonId];
  fillTable(result, 'working', [['Status', 'waiting for the customer in the dialog…']]);
  const { document } = await bank('/api/net-bank/document',
    { session: id, dialog, enciphered: String($('net-enciphered').checked) });
  await require0('TransferNet', pair.pSessionKeyHash, pair.pCpukEncSessionKey, document);
  const encImportAccount = await call('GetEncImportAccount');
  const read = await bank('/api/net-bank/import-account',
    { session: id, dialog, encImportAccount });
  if (!read.read) {
    fillTable(result, 'failed', [['Bank', `could not read the choice: ${read.reason}`, 'verdict']]);
    return;
  }
  fillTable(result, 'verified', [['Kind', ACCOUNT_KINDS[read.kind] ?? read.kind],
    ['Bank code', read.bank], ['Account', read.account],
    ...read.fields.map((field, i) => [`Field ${i + 4}`, field]),
    ['Bank', 'import account deciphered by the bank', 'verdict']]);
}

// Single quotes around a path for a POSIX shell.
const shellQuoted = (text) => `'${text.replaceAll("'", "'\\''")}'`;

async function sendFile() {
  const result = $('net-file-result');
  const { id, pair } = requireSession();
  fillTable(result, 'working', [['Status', 'waiting for the customer in the file dialog…']]);
  const status = await call('FileTransfer', pair.pSessionKeyHash, pair.pCpukEncSessionKey);
  if (status === -1) {
    fillTable(result, 'idle', [['Status', 'no file chosen']]);
    return;
  }
  const upload = {
    session: id,
    respLength: String(await call('GetRespLength')),
    respData: await call('GetRespData'),
    encFileName: await call('GetEncFileName'),
  };
  const read = await bank('/api/net-bank/file', upload);
  const rows = [['Path', read.path ?? '—'], ['Name', read.name ?? '—']];
  if (!read.read) {
    fillTable(result, 'failed', [...rows, ['Bank', read.reason, 'verdict']]);
    return;
  }
  if (upload.respLength === '0') {
    fillTable(result, 'failed', [...rows,
      ['Bank', 'no contents arrived (the file was empty, missing, too large or unreadable)',
        'verdict']]);
    return;
  }
  fillTable(result, 'verified', [...rows, ['Size', `${read.size} bytes`],
    ['SHA-256 (bank)', read.sha256], ['Compare with', `sha256sum ${shellQuoted(read.path)}`],
    ['Bank', 'file deciphered by the bank', 'verdict']]);
}

for (const buttonId of Object.keys(NET_DIALOGS)) {
  action(buttonId, () => netTransfer(buttonId),
    (message) => fillTable($('net-transfer-result'), 'failed', [['Error', message]]));
}
action('net-file', sendFile,
  (message) => fillTable($('net-file-result'), 'failed', [['Error', message]]));

connectAgent().catch((error) => log(String(error), true));
