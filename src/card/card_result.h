#pragma once

#include "pcsc/apdu_transmit.h"

// What a card operation or transaction request came to. The layers speak in outcomes; the
// control turns them into the page's status codes in one place (control/internal/page_status.h).
namespace velkor::card {

enum class Outcome {
    Done,
    // An argument the operation checks before the card is asked.
    ArgumentMissing,
    ArgumentWrongLength,
    ArgumentNotDigits, // a PIN with a character other than 0 to 9
    ArgumentNotHex,
    // The card's answers.
    ApplicationNotSelected, // the application or one of its files could not be selected
    RecordRefused, // a record of an account list was refused
    AccountDiffers, // the card carries another account than the one given
    AnswerTooShort, // accepted, but too short to hold what was read
    PinRefused,
    PinAnswered6608,
    PinAnswered6620,
    TransactionAnswered6610,
    TransactionAnswered69F0,
    TransactionFailed, // any other failure of the transaction command
    NoPinPad, // the reader has no pad to enter the PIN on
    // The exchange failed in a way the operation has no outcome of its own for (a PC/SC error or
    // a status word it does not act on): `exchange` tells which, and the page sees it as it is.
    ExchangeFailed,
};

struct Result {
    Outcome outcome = Outcome::Done;
    pcsc::ApduResult exchange; // the failed exchange, for ExchangeFailed only

    // Not explicit: an operation returns its outcome as it is (`return Outcome::Done;`).
    Result(Outcome value = Outcome::Done)
        : outcome(value)
    {
    }
    static Result Failed(const pcsc::ApduResult& failed)
    {
        Result result(Outcome::ExchangeFailed);
        result.exchange = failed;
        return result;
    }
    bool Ok() const { return outcome == Outcome::Done; }
};

} // namespace velkor::card
