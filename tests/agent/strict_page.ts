// A bank page written in strict TypeScript against the client's types: what compiles here is what
// pages may write; each @ts-expect-error line is a mistake the types must catch.
import Velkor, { type MaybeVelkorControl, type VelkorControl } from '../../web/velkor.js';

export async function withdraw(readerName: string, pin: string, message: string): Promise<number> {
  const ctrl: VelkorControl = await Velkor.connect({ port: 8931 });
  const connected: number = await ctrl.ConnectCard(readerName);
  if (connected !== 0) {
    return connected;
  }
  // @ts-expect-error: a text parameter takes no number
  await ctrl.VerifyPIN(123456);
  // @ts-expect-error: a status is a number, not a text
  const wrong: string = await ctrl.DisconnectCard();
  void wrong;
  const status = await ctrl.AccountWithdrawEx('2510', '00000001', '12345678', '00000000100000',
    '8220012345678901', readerName, pin, message);
  const tac: string = await ctrl.GetRespTAC();
  void tac;
  ctrl.close();
  return status;
}

// A page that also serves older agents asks before it calls a newer method.
export async function confirmOnOlderAgent(ctrl: MaybeVelkorControl, message: string): Promise<number> {
  // @ts-expect-error: the method may be missing on an older agent (TS2722)
  await ctrl.VerifyPINSndEx(message);
  if (ctrl.has('VerifyPINSndEx')) {
    return ctrl.VerifyPINSndEx(message);
  }
  // @ts-expect-error: only the methods of the table can be asked for
  ctrl.has('NoSuchMethod');
  return -1;
}
