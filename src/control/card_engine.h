#pragma once

#include <cstdint>

#include "card/account_files.h"
#include "common/text.h"
#include "control/page_interaction.h"
#include "control/ui.h"
#include "pcsc/reader_session.h"
#include "transactions/transaction_request.h"

namespace velkor {

// The control's card engine: card sessions, card commands, transaction requests, the web ATM
// procedures and the plain cipher services. It keeps no state of its own: it works through the
// control's reader session, and each operation takes the reader slot and references to the
// control members it fills.
class CardEngine {
public:
    // `session` is the control's own reader session; it must outlive the engine.
    explicit CardEngine(pcsc::ReaderSession& session)
        : session_(session)
    {
    }

    // Reader and card session (card_engine_session.cpp).

    // Lists the readers into `names` and `count` (the first 10 names are emptied first). 0, or -1
    // for any failure.
    int32_t ListReaders(pcsc::ReaderNameList& names, int32_t& count) const;

    // Connects exclusively to the card in the named reader. `slot` is set to 0 first and gets the
    // reader's slot on success (or a sharing violation); `atrHex` gets the ATR as upper-case
    // hexadecimal and `atrHexLength` its length. 0, kMissingArgument for a missing name, kBadLength
    // for a name of fewer than 6 or more than 64 characters, or the connection's error.
    int32_t ConnectCard(
        const OptText& readerName, int32_t& slot, int32_t& atrHexLength, Text& atrHex) const;

    // Ends a card session: disconnects the slot's card with a reset, releases the reader context
    // and lets go of the PC/SC binding. Always 0.
    int32_t DisconnectCard(int32_t slot) const;

    // Reads reader attribute `attribute` (0 vendor name, 1 reader type, 2 version MM.mm.bbbb) as
    // text, one character per byte up to the first zero byte. 0, -1 for an `attribute` outside 0
    // to 2, -2 when the attribute cannot be read.
    int32_t ReaderStatus(int32_t slot, int32_t attribute, int32_t& length, Text& value) const;

    // Card files and PIN commands (card_engine_card.cpp). They work on the connected card of
    // `slot` and leave it connected.

    // Reads an account list: 0, kSelectionFailed (selection; list and count untouched) or
    // kAccountListIncomplete (a record was refused; the entries found so far stay).
    int32_t ListAccounts(
        int32_t slot, card::AccountFile file, card::AccountList& list, int32_t& count) const;
    // The identity reads; a card that cannot be read gives an empty text.
    Text GetIssuerBank(int32_t slot) const;
    Text GetICCRemark(int32_t slot) const;
    // On failure the text is empty and `lastErrorCode` gets the failure's code.
    Text ReadCardSN(int32_t slot, int32_t& lastErrorCode) const;

    // Typed PIN verification: 0, 1 (refused), kPinAnswered6608, kPinAnswered6620, kSelectionFailed,
    // or kMissingArgument/kBadLength/kBadValue for a PIN that is missing, not 6 to 12 characters,
    // or not all digits.
    int32_t VerifyPIN(int32_t slot, const OptText& pin) const;
    // Tells the customer to type the PIN on the reader's pad, then verifies through the pad
    // (kNotConfirmed and no card command when the page left while the box was open).
    int32_t VerifyPINSnd(int32_t slot, const PageInteraction& page) const;
    // The pad verifications without message box, in the long (FF block) and short (80 20 00 10)
    // forms that the PIN-pad reader models take.
    int32_t VerifyPinOnReader(int32_t slot) const;
    int32_t VerifyPinOnReaderShort(int32_t slot) const;
    // Typed PIN change; a refused write of the new PIN returns the card's status word.
    int32_t ChangePIN(int32_t slot, const OptText& oldPin, const OptText& newPin) const;
    // PIN change on the pad of the card that carries `account` (kMissingArgument before the message
    // box when missing; kAccountMismatch when the card carries another account; kNotConfirmed when
    // the page left).
    int32_t ChangePINSnd(int32_t slot, const OptText& account, const PageInteraction& page) const;
    // 0 when the card's account (EF1001 record 3) is `account`; kMissingArgument, kSelectionFailed,
    // kAccountMismatch or the read's result otherwise.
    int32_t CheckCardAccount(int32_t slot, const OptText& account) const;
    // The record write that answers with SNUM and TAC (see card/snum_tac_command.h).
    int32_t WriteRecordWithSnumTac(int32_t slot, const OptText& p1p2, int32_t length,
        const OptText& command, Text& snum, Text& tac) const;

    // Transaction requests (card_engine_transactions.cpp).

    // The request on the connected card; the import account may be longer than 16 characters.
    int32_t AccountRequest(int32_t slot, transactions::TransactionType type,
        const transactions::TransactionFields& fields,
        transactions::TransactionRecord& record) const;
    // For a PIN-pad reader: connects to `readerName`, selects the application, tells the
    // customer to confirm on the reader and enter the PIN there, sends the request under the wait
    // cursor and ends the card session (disconnect with reset, context released) whatever
    // happened after the connection. Missing texts kMissingArgument; wrong lengths kBadLength
    // (import account exactly 16); the connection's error; kSelectionFailed; kNotConfirmed when the
    // page left while the box was open (nothing is sent); or the request's status.
    int32_t AccountRequestSnd(const OptText& readerName, transactions::TransactionType type,
        const transactions::TransactionFields& fields, transactions::TransactionRecord& record,
        const PageInteraction& page) const;
    // The inquiry for a PIN-pad reader works on the connected card: selection (kSelectionFailed on
    // failure), then the request under the wait cursor. No message box, no connection of its own.
    int32_t AccountInquirySnd(int32_t slot, const transactions::TransactionFields& fields,
        transactions::TransactionRecord& record, Ui& ui) const;

    // Confirmed card operations (card_engine_confirmed.cpp): the confirmation dialog first, the
    // card command only after the customer confirmed it (1). Arguments are checked before the
    // dialog. A dialog that was not confirmed gives kNotConfirmed, or
    // kConfirmationFirstCheckFailed/kConfirmationLaterCheckFailed when it ended with 101/102 (the
    // PIN methods map both to kNotConfirmed). A page that left during a dialog counts as not
    // confirmed. The customer may pull the card and put it back while the dialog runs, so every
    // operation connects to the reader again before its first card command.

    // The PIN methods work on the connection of `slot` and leave it connected.
    int32_t VerifyPINEx(int32_t slot, const OptText& pin, const OptText& document,
        const PageInteraction& page) const;
    int32_t VerifyPINSndEx(
        int32_t slot, const OptText& document, const PageInteraction& page) const;
    int32_t ChangePINEx(int32_t slot, const OptText& oldPin, const OptText& newPin,
        const OptText& document, const OptText& account, const PageInteraction& page) const;
    int32_t ChangePINSndEx(int32_t slot, const OptText& document, const OptText& account,
        const PageInteraction& page) const;

    // How a confirmed operation that connects by itself verifies the PIN: the page's PIN, or
    // none (the reader's pad asks for it, or the Snd record write asks for nothing).
    enum class PinSource { Typed, None };

    // The record write with SNUM and TAC (P1 P2 10 80, `command` as data) on the named reader;
    // stores SNUM, TAC and the card identity into `record` (its date is left alone). Ends the
    // card session whatever happened after the connection.
    int32_t WriteRecordConfirmed(const OptText& readerName, const OptText& command,
        const OptText& document, PinSource pinSource, const OptText& pin,
        transactions::TransactionRecord& record, const PageInteraction& page) const;

    // The Ex (typed PIN) and SndEx (pad) transaction requests on the named reader. Ends the card
    // session whatever happened after the connection.
    int32_t AccountRequestConfirmed(const OptText& readerName, transactions::TransactionType type,
        const transactions::TransactionFields& fields, PinSource pinSource, const OptText& pin,
        const OptText& document, transactions::TransactionRecord& record,
        const PageInteraction& page) const;

    // The web-ATM common-account procedure (card_engine_common_account.cpp): on its own
    // connection to `readerName`, the customer fills in the common-account form (which verifies
    // the PIN typed in its PIN row on this connection) and confirms; where the form has no PIN
    // row the reader's pad verifies the PIN afterwards, so a reader without a pad is refused
    // before any dialog. After the form's OK the clear common account goes into `respData` and
    // its encipherment into `encipheredCommonAccount`, whatever follows. Ends the card session on
    // every way out. 0; the connection's error; kPinEntryUnavailable (no pad where one is needed,
    // or the card refused the form's PIN); kNotConfirmed (a dialog cancelled or not confirmed,
    // or the page left); the pad verification's status.
    int32_t CommAccountProc(const OptText& readerName, const OptText& sessionKeyHash,
        const OptText& encipheredSessionKey, const OptText& document, Text& respData,
        Text& encipheredCommonAccount, const PageInteraction& page) const;
    // The web-ATM transfer procedures (card_engine_transfer.cpp): the customer chooses the
    // account to transfer to in the transfer-account dialog, confirms the transfer in the
    // confirmation dialog, and the card signs a transfer or tax-payment request on the named
    // reader. Ends the card session on every way out once the connection was tried.
    struct TransferProcedureArguments {
        OptText processingCode; // 4 characters, checked only: the dialog chooses the code sent
        OptText requestId; // 8
        OptText checkCode; // 8
        OptText amount; // 14
        OptText account; // 16
        OptText readerName;
        OptText pin; // typed PIN only
        OptText confirmationDocument;
        OptText sessionKeyHash; // 40
        OptText encipheredSessionKey; // 256 or 254
        OptText parameterDocument; // the transfer-account dialog's document
        OptText serviceType; // first character: '0' transfer, '1' tax payment, '2' by the code
    };
    // The control members that hold the chosen import account, written once the customer
    // confirmed the transfer (a later failure leaves them written).
    struct ImportAccountRecord {
        Text& clear;
        Text& enciphered;
    };
    int32_t TransferProcedure(const TransferProcedureArguments& arguments, PinSource pinSource,
        transactions::TransactionRecord& record, ImportAccountRecord& importAccount,
        const PageInteraction& page) const;

    // Cipher services. DES and MAC write respData only on success; the conversions return an
    // empty text and set lastErrorCode to kConversionFailed on every failure.
    int32_t Des(int32_t direction, int32_t keyLength, const OptText& keyHex, const OptText& dataHex,
        Text& respData) const;
    int32_t Mac(int32_t keyLength, const OptText& keyHex, const OptText& initialValueHex,
        int32_t byteCount, const OptText& dataHex, Text& respData) const;
    Text ConvertIntToHex(
        int32_t characterCount, const OptText& input, int32_t& lastErrorCode) const;
    Text ConvertHexToInt(
        int32_t characterCount, const OptText& input, int32_t& lastErrorCode) const;

private:
    // The steps every confirmed operation that connects by itself shares: connect to the named
    // reader, have the customer confirm, connect again (the card may have left and come back
    // during the dialog, so the first handle may be dead), select the application and, for a
    // typed PIN, verify it. `slot` is left naming the connection whatever the outcome; the caller
    // ends the card session.
    int32_t ConnectAndConfirm(const OptText& readerName, ConfirmationRequest& request,
        PinSource pinSource, const OptText& pin, const PageInteraction& page, int32_t& slot) const;

    pcsc::ReaderSession& session_;
};

} // namespace velkor
