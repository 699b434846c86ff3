#pragma once

#include <gtest/gtest.h>

#include "card/card_test_support.h"
#include "control/velkor_ctrl.h"
#include "pcsc/simulated_readers.h"

namespace velkor::testing {

// A control on the simulated `readers` with the card in `reader` already connected: where most
// card and transaction tests start. A refused connection fails the test that asked for it.
class ConnectedControl {
public:
    explicit ConnectedControl(
        const nlohmann::json& readers, Ui* ui = nullptr, const Text& reader = u"ACS ACR83U 00 00")
        : sim(readers)
        , control_(ui != nullptr ? *ui : ownUi_)
    {
        EXPECT_EQ(control_.ConnectCard(reader), 0) << "connecting to " << TextToUtf8(reader);
    }
    CVelkorCtrl* operator->() { return &control_; }
    CVelkorCtrl& operator*() { return control_; }

    SimulatedReaders sim;

private:
    ScriptedUi ownUi_;
    CVelkorCtrl control_;
};

} // namespace velkor::testing
