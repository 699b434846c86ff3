// Types of the Velkor client. Every method resolves with the control's own result: an integer
// status (0 for success) or a text (empty when there is nothing to return). Text parameters may
// be null, which the control reports as a missing argument.

export declare const DEFAULT_PORT: 8931;

export type VelkorErrorCode =
  | 'AGENT_NOT_RUNNING'
  | 'ORIGIN_REFUSED'
  | 'HOST_REFUSED'
  | 'TOO_MANY_CONNECTIONS'
  | 'CONNECTION_LOST'
  | 'TIMEOUT'
  | 'QUEUE_FULL'
  | 'METHOD_NOT_FOUND'
  | 'INVALID_PARAMS'
  | 'PROTOCOL_ERROR';

export declare const ErrorCode: { readonly [K in VelkorErrorCode]: K };

/** Transport failures; the control's own failures are status codes, never errors. */
export declare class VelkorError extends Error {
  readonly name: 'VelkorError';
  readonly code: VelkorErrorCode;
  /** WebSocket close code, when the connection was refused or closed. */
  readonly closeCode?: number;
  /** JSON-RPC error code, when the agent refused a request. */
  readonly rpcCode?: number;
  constructor(code: VelkorErrorCode, message: string, details?: object);
}

export interface ConnectOptions {
  /** The agent's port; 8931 unless the customer changed it. */
  port?: number;
  /** 127.0.0.1 (default), localhost or ::1. */
  host?: string;
  /** How long to wait for the agent to answer, in milliseconds (default 10000). */
  timeoutMs?: number;
  /** A WebSocket constructor, for environments without a global one (Node: the `ws` package). */
  WebSocket?: unknown;
  /**
   * How to reach the agent: through the Velkor browser extension when it is installed, else the
   * WebSocket (`'auto'`, the default), or only one of them.
   */
  transport?: 'auto' | 'extension' | 'websocket';
}

type Txt = string | null;
type Int = number;

/** The control's methods. An older agent may offer fewer: ask `has` before calling a newer one. */
export interface VelkorMethods {
  VerifyRN1andGenerateRN2(RN1Len: Int, pCpukEncryptedRN1: Txt, DsigLen: Int, pSprkSignRN1: Txt): Promise<number>;
  GetEncryptRN2(): Promise<string>;
  GetEncryptHashRN2(): Promise<string>;
  GetSessionKeyHash(): Promise<string>;
  VerifySessionKeyHash(pCpukEncSessionKey: Txt, pSessionKeyHash: Txt): Promise<number>;
  DESEncipher(pSessionKeyHash: Txt, pCpukEncSessionKey: Txt, DataLen: Int, pData: Txt): Promise<number>;
  DESDecipher(pSessionKeyHash: Txt, pCpukEncSessionKey: Txt, DataLen: Int, pData: Txt): Promise<number>;
  GetAPIVersion(): Promise<string>;
  GetRespData(): Promise<string>;
  FileTransfer(pSessionKeyHash: Txt, pCpukEncSessionKey: Txt): Promise<number>;
  TransferNet(pSessionKeyHash: Txt, pCpukEncSessionKey: Txt, CommonInfo: Txt): Promise<number>;
  GetClearImportAccount(): Promise<string>;
  GetEncImportAccount(): Promise<string>;
  GetClearCommAcc(): Promise<string>;
  GetEncCommAcc(): Promise<string>;
  CommAccountNet(pSessionKeyHash: Txt, pCpukEncSessionKey: Txt, pCommonInfo: Txt): Promise<number>;
  ConnectReader(): Promise<number>;
  ListReaders(): Promise<number>;
  GetReaderNumber(): Promise<number>;
  GetReaderName(Offset: Int): Promise<string>;
  DisconnectReader(): Promise<number>;
  ConnectCard(pReaderName: Txt): Promise<number>;
  DisconnectCard(): Promise<number>;
  ReConnectCard(pReaderName: Txt, reset_flag: Int): Promise<number>;
  CheckCardInsert(): Promise<number>;
  GetCardStatus(): Promise<string>;
  GetReaderStatus(AttribID: Int): Promise<string>;
  ListEF1001Accounts(): Promise<number>;
  GetEF1001TotalAccounts(): Promise<number>;
  GetEF1001Account(AccountNo: Int): Promise<string>;
  ListEF1002Accounts(): Promise<number>;
  GetEF1002TotalAccounts(): Promise<number>;
  GetEF1002Account(AccountNo: Int): Promise<string>;
  GetIssuerBank(): Promise<string>;
  GetICCRemark(): Promise<string>;
  ReadCardSN(): Promise<string>;
  VerifyPIN(pPwdStr: Txt): Promise<number>;
  VerifyPINEx(pPwdStr: Txt, pShowMsgStr: Txt): Promise<number>;
  VerifyPINSnd(): Promise<number>;
  VerifyPINSndEx(pShowMsgStr: Txt): Promise<number>;
  ChangePIN(pOldPwdStr: Txt, pNewPwdStr: Txt): Promise<number>;
  ChangePINEx(pOldPwdStr: Txt, pNewPwdStr: Txt, pShowMsgStr: Txt, pAccountNo: Txt): Promise<number>;
  ChangePINSnd(pAccountNo: Txt): Promise<number>;
  ChangePINSndEx(pShowMsgStr: Txt, pAccountNo: Txt): Promise<number>;
  AccountInquiry(pPCode: Txt, pFdChkCode: Txt, pAccountNumber: Txt): Promise<number>;
  AccountInquiryEx(pPCode: Txt, pFdChkCode: Txt, pAccountNumber: Txt, pReaderName: Txt, pPassword: Txt, pShowMsg: Txt): Promise<number>;
  AccountInquirySnd(pPCode: Txt, pFdChkCode: Txt, pAccountNumber: Txt, pReaderName: Txt): Promise<number>;
  AccountInquirySndEx(pPCode: Txt, pFdChkCode: Txt, pAccountNumber: Txt, pReaderName: Txt, pShowMsg: Txt): Promise<number>;
  AccountTransfer(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pImprtAccnt: Txt, pAccount: Txt): Promise<number>;
  AccountTransferEx(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pImprtAccnt: Txt, pAccount: Txt, pReaderName: Txt, pPassword: Txt, pShowMsg: Txt): Promise<number>;
  AccountTransferSnd(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pImprtAccnt: Txt, pAccount: Txt, pReaderName: Txt): Promise<number>;
  AccountTransferSndEx(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pImprtAccnt: Txt, pAccount: Txt, pReaderName: Txt, pShowMsg: Txt): Promise<number>;
  AccountPayment(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pPaymentType: Txt, pCancelNo: Txt, pAccount: Txt): Promise<number>;
  AccountPaymentEx(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pPaymentType: Txt, pCancelNo: Txt, pAccount: Txt, pReaderName: Txt, pPassword: Txt, pShowMsg: Txt): Promise<number>;
  AccountPaymentSnd(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pPaymentType: Txt, pCancelNo: Txt, pAccount: Txt, pReaderName: Txt): Promise<number>;
  AccountPaymentSndEx(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pPaymentType: Txt, pCancelNo: Txt, pAccount: Txt, pReaderName: Txt, pShowMsg: Txt): Promise<number>;
  AccountPayTax(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt): Promise<number>;
  AccountPayTaxEx(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt, pReaderName: Txt, pPassword: Txt, pShowMsg: Txt): Promise<number>;
  AccountPayTaxSnd(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt, pReaderName: Txt): Promise<number>;
  AccountPayTaxSndEx(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt, pReaderName: Txt, pShowMsg: Txt): Promise<number>;
  AccountWithdraw(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt): Promise<number>;
  AccountWithdrawEx(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt, pReaderName: Txt, pPassword: Txt, pShowMsg: Txt): Promise<number>;
  AccountWithdrawSnd(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt, pReaderName: Txt): Promise<number>;
  AccountWithdrawSndEx(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt, pReaderName: Txt, pShowMsg: Txt): Promise<number>;
  GetRespSNUM(): Promise<string>;
  GetRespTAC(): Promise<string>;
  GetRespDateTime(): Promise<string>;
  GetTransactionIssuer(): Promise<string>;
  GetTransactionRemark(): Promise<string>;
  GetTransactionAccount(): Promise<string>;
  TransferProc(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt, pReaderName: Txt, pPassword: Txt, pShowMsg: Txt, pSessionKeyHash: Txt, pCpukEncSessionKey: Txt, CommonInfo: Txt, ServiceType: Txt): Promise<number>;
  TransferProcSnd(pPCode: Txt, pFdid: Txt, pFdChkCode: Txt, pMoney: Txt, pAccount: Txt, pReaderName: Txt, pShowMsg: Txt, pSessionKeyHash: Txt, pCpukEncSessionKey: Txt, CommonInfo: Txt, ServiceType: Txt): Promise<number>;
  CommAccountProc(pReaderName: Txt, pSessionKeyHash: Txt, pCpukEncSessionKey: Txt, pCommonInfo: Txt): Promise<number>;
  ConvertIntToHex(inLength: Int, pInval: Txt): Promise<string>;
  ConvertHexToInt(inLength: Int, pInval: Txt): Promise<string>;
  DES(Opflag: Int, KeyLen: Int, KeyVal: Txt, inData: Txt): Promise<number>;
  MAC(KeyLen: Int, KeyVal: Txt, ICV: Txt, inLen: Int, inData: Txt): Promise<number>;
  GetRespLength(): Promise<number>;
  GetClearFileName(): Promise<string>;
  GetEncFileName(): Promise<string>;
  GetInstallWay(): Promise<number>;
  GetLocaleType(): Promise<number>;
  WriteRecordWithSNUMTAC(pReaderName: Txt, pApduCmd: Txt, pShowMsg: Txt, pPassword: Txt): Promise<number>;
  WriteRecordWithSNUMTACSnd(pReaderName: Txt, pApduCmd: Txt, pShowMsg: Txt): Promise<number>;
}

export type VelkorMethodName = keyof VelkorMethods;

/** What every connected control offers besides the methods. */
export interface VelkorControlBase {
  /** The agent's four-part version. */
  readonly version: string;
  /** Which way this control's calls travel. */
  readonly transport: 'extension' | 'websocket';
  /** Names of the methods this agent offers. */
  readonly methods: readonly string[];
  /** Settles with the error that ended the connection. */
  readonly closed: Promise<VelkorError>;
  close(): void;
  /**
   * Whether this agent offers the method. A type guard: on a `MaybeVelkorControl` it makes the
   * method callable.
   */
  has<K extends VelkorMethodName>(name: K): this is VelkorControlBase & Pick<VelkorMethods, K>;
}

/** The control as `connect` gives it: every method callable. */
export type VelkorControl = VelkorControlBase & VelkorMethods;

/**
 * The control as a page sees it when it must also work with an older agent, which may offer
 * fewer methods: a method is callable once `has` confirmed it.
 */
export type MaybeVelkorControl = VelkorControlBase & Partial<VelkorMethods>;

export declare function connect(options?: ConnectOptions): Promise<VelkorControl>;

export declare const Velkor: {
  readonly connect: typeof connect;
  readonly DEFAULT_PORT: 8931;
  readonly ErrorCode: typeof ErrorCode;
  readonly VelkorError: typeof VelkorError;
};
export default Velkor;
