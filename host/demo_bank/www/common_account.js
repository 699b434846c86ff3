// Adding a common (frequently used) transfer-in account through the Velkor form, on the web ATM
// (with the card: CommAccountProc) and on the net bank (CommAccountNet). The bank describes the
// form and is the only one that can read what the customer entered: the page relays the
// enciphered account (GetEncCommAcc) and shows the bank's answer.
import {
  bank, bankSession, call, fillTable, readerName, registerAction, statusText, StepFailed,
} from '/app.js';

// ?keypad=fixed asks for the keypad in the order 1 2 3 … 0 (for tests that press keys by place).
const keypad = () => (new URLSearchParams(location.search).get('keypad') === 'fixed'
  ? 'fixed' : 'shuffled');

async function addCommonAccount(form) {
  const result = document.getElementById(`common-${form}-result`);
  if (bankSession === null) {
    throw new StepFailed('authenticate with the bank first (step 4): the form needs a session key');
  }
  const session = bankSession.id;
  const { pSessionKeyHash, pCpukEncSessionKey } = bankSession.pair;
  fillTable(result, 'working', [['Status', 'filling in the form…']]);
  const { document: described } = await bank('/api/common-account/document',
    { session, form, keypad: keypad() });
  const status = form === 'web'
    ? await call('CommAccountProc', readerName(), pSessionKeyHash, pCpukEncSessionKey, described)
    : await call('CommAccountNet', pSessionKeyHash, pCpukEncSessionKey, described);
  if (status !== 0) {
    fillTable(result, 'failed', [['Status', statusText(status)]]);
    return;
  }
  const encCommAcc = await call('GetEncCommAcc');
  const rows = [['Status', statusText(status)], ['Enciphered account', encCommAcc]];
  fillTable(result, 'checking', rows);
  const opened = await bank('/api/common-account/open', { session, form, encCommAcc });
  fillTable(result, opened.opened ? 'verified' : 'failed', opened.opened
    ? [...rows, ['Bank', `${opened.bankName} (${opened.bankCode})`], ['Account', opened.account],
      ['Nickname', opened.nickname], ['Verdict', 'common account added by the bank', 'verdict']]
    : [...rows, ['Verdict', `refused by the bank: ${opened.reason}`, 'verdict']]);
}

for (const form of ['web', 'net']) {
  registerAction(`add-common-${form}`, () => addCommonAccount(form),
    (message) => fillTable(document.getElementById(`common-${form}-result`), 'failed',
      [['Error', message]]));
}
