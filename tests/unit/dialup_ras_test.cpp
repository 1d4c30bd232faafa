#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dialup/dial_entries.h"
#include "dialup/ras_dialup.h"
#include "support/fake_dial_progress_ui.h"
#include "support/fake_ras_library.h"

namespace orvane {
namespace {

class DialupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        world_ = std::make_shared<FakeRasWorld>();
        world_->SetErrorText(kRasErrorNoAnswer, "The remote computer did not respond.");
        world_->SetErrorText(676, "The line is busy.");
        module_ = std::make_unique<RasDialup>(world_->Maker(), &ui_);
        module_->SetDialEventHandler([this](int event) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                events_.push_back(event);
            }
            // Outside the lock: the test's reaction may raise further events.
            if (on_event_)
                on_event_(event);
        });
        module_->SetDialErrorReporter([this](const std::string& text) {
            std::lock_guard<std::mutex> lock(mutex_);
            reports_.push_back(text);
        });
    }

    std::vector<int> Events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    std::vector<std::string> Reports() {
        std::lock_guard<std::mutex> lock(mutex_);
        return reports_;
    }
    int CountOf(const std::vector<std::string>& calls, const std::string& prefix) {
        return static_cast<int>(
            std::count_if(calls.begin(), calls.end(),
                          [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }

    void Bind() {
        module_->BindDialup(0);
        ASSERT_EQ(module_->IsBound(), 1);
    }
    // Bound, with an entry configured and a dial started.
    void StartDial() {
        Bind();
        module_->SetDialEntryName("Work");
        world_->SetDialAnswer(kRasSuccess, 9);
        ASSERT_EQ(module_->DialConfiguredEntry(), 1);
    }
    void Notice(int state, std::uint32_t error = 0) {
        world_->Notify(kRasDialEventMessage, state, error);
    }

    std::shared_ptr<FakeRasWorld> world_;
    FakeDialProgressUi ui_;
    std::unique_ptr<RasDialup> module_;
    std::mutex mutex_;
    std::vector<int> events_;
    std::vector<std::string> reports_;
    std::function<void(int)> on_event_;
};

// --- Whether dial-up networking can be used ---

TEST_F(DialupTest, NoLibraryMeansUnavailableAndNothingElseIsTried) {
    world_->SetLibraryPresent(false);
    EXPECT_EQ(module_->IsDialupAvailable(), 0);
    module_->BindDialup(1);
    EXPECT_EQ(module_->IsBound(), 0);
    for (const std::string& call : world_->calls())
        EXPECT_EQ(call, "Load");
    EXPECT_TRUE(Reports().empty());
    // Unbound: polls, hang-ups and listings touch nothing.
    module_->PollConnections();
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateNotConnected);
    EXPECT_EQ(module_->HangUpOwnConnection(), 0);
    EXPECT_TRUE(module_->ListPhoneBookEntries().empty());
    EXPECT_TRUE(Events().empty());
}

TEST_F(DialupTest, ErrorStringAnswering126MeansRasIsOnlyPartlyInstalled) {
    world_->SetErrorStringAnswer(kRasErrorModuleNotFound);
    EXPECT_EQ(module_->IsDialupAvailable(), 0);
    EXPECT_EQ(world_->count("RasGetErrorStringW(678,size=2000)"), 1);
    EXPECT_EQ(world_->loads(), world_->frees());
}

TEST_F(DialupTest, OtherErrorStringAnswersStillCountAsUsable) {
    world_->SetErrorStringAnswer(87);
    EXPECT_EQ(module_->IsDialupAvailable(), 1);
}

TEST_F(DialupTest, ProbeListsEntriesAgainWithTheRoomAskedFor) {
    world_->SetEntries({"Work", "Home", "Office"});
    EXPECT_EQ(module_->IsDialupAvailable(), 1);
    const auto calls = world_->calls();
    auto first = std::find(calls.begin(), calls.end(), "RasEnumEntriesW(room=1)");
    ASSERT_NE(first, calls.end());
    ASSERT_NE(first + 1, calls.end());
    EXPECT_EQ(*(first + 1), "RasEnumEntriesW(room=3)");
    // Nothing is left loaded.
    EXPECT_EQ(world_->loads(), 1);
    EXPECT_EQ(world_->frees(), 1);
}

TEST_F(DialupTest, AnEmptyPhoneBookIsUsable) {
    EXPECT_EQ(module_->IsDialupAvailable(), 1);
}

TEST_F(DialupTest, AnUnlistablePhoneBookMeansUnavailable) {
    world_->QueueEnumEntriesAnswer(621);  // cannot open the phone book
    EXPECT_EQ(module_->IsDialupAvailable(), 0);
    EXPECT_EQ(world_->loads(), world_->frees());
}

TEST_F(DialupTest, ProbeWithoutErrorStringFunctionReportsIt) {
    world_->RemoveFunction(RasFunction::kGetErrorString);
    EXPECT_EQ(module_->IsDialupAvailable(), 0);
    EXPECT_EQ(Reports(),
              std::vector<std::string>{"Unable to find RasGetErrorString() in rasapi32.dll."});
    EXPECT_EQ(world_->loads(), world_->frees());
}

TEST_F(DialupTest, ProbeWithoutEnumEntriesIsUnavailable) {
    world_->RemoveFunction(RasFunction::kEnumEntries);
    EXPECT_EQ(module_->IsDialupAvailable(), 0);
    EXPECT_TRUE(Reports().empty());
}

TEST_F(DialupTest, ALibraryThatCannotBeFreedIsNotUsable) {
    world_->SetFreeSucceeds(false);
    EXPECT_EQ(module_->IsDialupAvailable(), 0);
}

// --- Binding ---

TEST_F(DialupTest, BindLooksUpTheSevenEntryPointsInOrder) {
    Bind();
    std::vector<std::string> finds;
    bool bound_load_seen = false;
    for (const std::string& call : world_->calls()) {
        // The probe's own load and free come first.
        if (call == "Free") {
            bound_load_seen = true;
            continue;
        }
        if (bound_load_seen && call.rfind("Find(", 0) == 0)
            finds.push_back(call);
    }
    EXPECT_EQ(finds, (std::vector<std::string>{"Find(RasEnumConnectionsW)",
                                               "Find(RasGetErrorStringW)", "Find(RasEnumEntriesW)",
                                               "Find(RasGetEntryDialParamsW)", "Find(RasHangUpW)",
                                               "Find(RasGetConnectStatusW)", "Find(RasDialW)"}));
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateNotConnected);
}

struct MissingCase {
    RasFunction function;
    const char* text;
};

class DialupMissingFunctionTest : public DialupTest,
                                  public ::testing::WithParamInterface<MissingCase> {};

TEST_P(DialupMissingFunctionTest, AMissingEntryPointAfterAGoodProbeIsReportedAndNeverCalled) {
    world_->RemoveFunction(GetParam().function);
    module_->BindDialup(0);
    EXPECT_EQ(Reports(), std::vector<std::string>{GetParam().text});
    // Everything that might use it: none reaches the library.
    world_->AddConnection({5, "Work", kRasStateConnected});
    module_->SetDialEntryName("Work");
    world_->SetDialAnswer(kRasSuccess, 9);
    module_->PollConnections();
    module_->DialConfiguredEntry();
    Notice(0, 676);
    module_->HangUpOwnConnection();
    const std::string name = RasFunctionExportName(GetParam().function);
    EXPECT_EQ(CountOf(world_->calls(), name + "("), 0) << name;
}

INSTANTIATE_TEST_SUITE_P(
    EachFunction, DialupMissingFunctionTest,
    ::testing::Values(
        MissingCase{RasFunction::kEnumConnections,
                    "Unable to find RasEnumConnections() in rasapi32.dll."},
        MissingCase{RasFunction::kGetEntryDialParams,
                    "Unable to find RasGetEntryDialParams() in rasapi32.dll."},
        MissingCase{RasFunction::kHangUp, "Unable to find RasHangUp() in rasapi32.dll."},
        MissingCase{RasFunction::kGetConnectStatus,
                    "Unable to find RasGetConnectStatus() in rasapi32.dll."},
        MissingCase{RasFunction::kDial, "Unable to find RasDial() in rasapi32.dll."}));

TEST_F(DialupTest, BindClearsTheDialStateAndSwitchesProgressOn) {
    StartDial();
    module_->SetDialProgressVisible(0);
    world_->AddConnection({9, "Work", kRasStateConnected});
    module_->PollConnections();
    ASSERT_EQ(module_->GetConnectionState(), kConnectionStateConnected);
    module_->BindDialup(0);
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateNotConnected);
    EXPECT_EQ(module_->GetDialledEntry(), "");
    EXPECT_EQ(module_->GetDialErrorText(), "");
    // The previous reported state is not reset: the same connection raises
    // nothing new.
    module_->PollConnections();
    EXPECT_EQ(Events(), std::vector<int>{kDialEventConnectedByUser});
}

// --- Watching the connections ---

TEST_F(DialupTest, EachChangeRaisesOneEventAndTwoConnectionsCountAsOne) {
    Bind();
    module_->PollConnections();
    EXPECT_TRUE(Events().empty());

    world_->AddConnection({5, "Work", kRasStateConnected});
    module_->PollConnections();
    module_->PollConnections();
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateConnected);
    world_->AddConnection({6, "Home", kRasStateConnected});
    module_->PollConnections();
    world_->RemoveConnection(5);
    module_->PollConnections();
    EXPECT_EQ(Events(), std::vector<int>{kDialEventConnectedByUser});

    world_->RemoveConnection(6);
    module_->PollConnections();
    module_->PollConnections();
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateNotConnected);
    EXPECT_EQ(Events(),
              (std::vector<int>{kDialEventConnectedByUser, kDialEventDisconnectedByUser}));
}

TEST_F(DialupTest, ListingAgainWithTheRoomAskedFor) {
    Bind();
    world_->AddConnection({5, "Work", kRasStateConnected});
    world_->AddConnection({6, "Home", kRasStateConnected});
    module_->PollConnections();
    EXPECT_EQ(world_->count("RasEnumConnectionsW(room=1)"), 1);
    EXPECT_EQ(world_->count("RasEnumConnectionsW(room=2)"), 1);
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateConnected);
}

TEST_F(DialupTest, OnlyConnectionsInTheConnectedStateCount) {
    Bind();
    world_->AddConnection({5, "Work", kRasStateAuthenticate});
    FakeRasConnection broken{6, "Home", kRasStateConnected};
    broken.status_answer = 6;
    world_->AddConnection(broken);
    module_->PollConnections();
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateNotConnected);
    EXPECT_TRUE(Events().empty());
}

TEST_F(DialupTest, AFailedListingIsNotConnectedSilentlyAndKeepsTheReportedState) {
    Bind();
    world_->AddConnection({5, "Work", kRasStateConnected});
    module_->PollConnections();
    world_->QueueEnumConnectionsAnswer(610);
    module_->PollConnections();
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateNotConnected);
    // The connection is still there: the next good poll finds no change.
    module_->PollConnections();
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateConnected);
    EXPECT_EQ(Events(), std::vector<int>{kDialEventConnectedByUser});
    EXPECT_TRUE(Reports().empty());
}

TEST_F(DialupTest, EventsArePostedToTheNotifyWindowBeforeTheHandlerRuns) {
    Bind();
    module_->SetDialNotifyWindow(55);
    std::vector<std::string> seen_by_handler;
    on_event_ = [&](int) { seen_by_handler = ui_.events(); };
    world_->AddConnection({5, "Work", kRasStateConnected});
    module_->PollConnections();
    EXPECT_EQ(seen_by_handler, std::vector<std::string>{"post(55,22502)"});
}

TEST_F(DialupTest, MonitorSeesAChangeOnceAndPollsOnceMoreWhenStopped) {
    Bind();
    module_->SetMonitorPeriodMs(20);
    ASSERT_EQ(module_->StartConnectionMonitor(), 1);
    world_->AddConnection({5, "Work", kRasStateConnected});
    for (int i = 0; i < 250 && Events().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Events(), std::vector<int>{kDialEventConnectedByUser});

    // A long period: only the stop request's last poll sees the change.
    module_->SetMonitorPeriodMs(60000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    world_->RemoveConnection(5);
    module_->StopConnectionMonitor();
    for (int i = 0; i < 250 && Events().size() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(Events(),
              (std::vector<int>{kDialEventConnectedByUser, kDialEventDisconnectedByUser}));
}

// --- Hanging up ---

TEST_F(DialupTest, AnEmptyDialledEntryHangsNothingUpEvenWithConnectionsUp) {
    Bind();
    world_->AddConnection({5, "Work", kRasStateConnected});
    world_->AddConnection({6, "", kRasStateConnected});
    EXPECT_EQ(module_->HangUpOwnConnection(), 0);
    EXPECT_TRUE(world_->hang_ups().empty());
    EXPECT_TRUE(Events().empty());
}

TEST_F(DialupTest, HangUpTakesTheLastConnectionOfTheDialledEntryExactly) {
    StartDial();
    Notice(0);
    Notice(kRasStateConnected);
    world_->AddConnection({7, "Work", kRasStateConnected});
    world_->AddConnection({8, "work", kRasStateConnected});
    world_->AddConnection({9, "Work", kRasStateConnected});
    EXPECT_EQ(module_->HangUpOwnConnection(), 1);
    EXPECT_EQ(world_->hang_ups(), std::vector<RasConnectionHandle>{9});
    EXPECT_EQ(module_->GetDialledEntry(), "");
    EXPECT_EQ(Events(),
              (std::vector<int>{kDialEventConnectedByOrvane, kDialEventDisconnectedByOrvane}));
    // Nothing of ours is left.
    EXPECT_EQ(module_->HangUpOwnConnection(), 0);
}

TEST_F(DialupTest, HangUpOfAnotherCaseOfTheNameFindsNothing) {
    StartDial();
    Notice(kRasStateConnected);
    world_->AddConnection({8, "WORK", kRasStateConnected});
    EXPECT_EQ(module_->HangUpOwnConnection(), 0);
    EXPECT_TRUE(world_->hang_ups().empty());
    // Nothing of ours is up any more, so the next dial really dials.
    EXPECT_EQ(module_->GetDialledEntry(), "");
}

// The dialled connection dropped outside the program: once the monitor sees
// it gone, a later update dials again instead of counting on it for good.
TEST_F(DialupTest, ADroppedOwnConnectionIsForgottenAndTheNextDialDials) {
    StartDial();
    world_->AddConnection({9, "Work", kRasStateConnected});
    Notice(kRasStateConnected);
    module_->PollConnections();
    EXPECT_EQ(module_->GetDialledEntry(), "Work");
    world_->RemoveConnection(9);
    module_->PollConnections();
    EXPECT_EQ(module_->GetDialledEntry(), "");
    EXPECT_EQ(module_->DialConfiguredEntry(), 1);
    EXPECT_EQ(world_->dials(), 2);
}

TEST_F(DialupTest, ASecondOpeningThePortNoticeOpensNoSecondDialog) {
    StartDial();
    Notice(0);
    Notice(0);
    EXPECT_EQ(ui_.starts(), 1);
}

TEST_F(DialupTest, AFailedHangUpKeepsTheConnectionOurs) {
    StartDial();
    Notice(kRasStateConnected);
    world_->AddConnection({9, "Work", kRasStateConnected});
    world_->SetHangUpAnswer(6);
    EXPECT_EQ(module_->HangUpOwnConnection(), 0);
    EXPECT_EQ(module_->GetDialledEntry(), "Work");
    EXPECT_EQ(Events(), std::vector<int>{kDialEventConnectedByOrvane});
}

TEST_F(DialupTest, HangUpReportsAFailedListing) {
    Bind();
    world_->QueueEnumConnectionsAnswer(610);
    EXPECT_EQ(module_->HangUpOwnConnection(), 0);
    EXPECT_EQ(Reports(), std::vector<std::string>{"RasEnumConnections() failed."});
}

// --- Dialling ---

TEST_F(DialupTest, DialParametersComeFromThePhoneBookWithTheSettingsUserAndPassword) {
    Bind();
    world_->SetStoredDialParams(
        {"ignored", "0800 123", "0800 999", "stored-user", "stored-pw", "DOM"});
    module_->SetDialEntryName("Work");
    module_->SetDialUserName("ann");
    module_->SetDialPassword("secret");
    world_->SetDialAnswer(kRasSuccess, 9);
    EXPECT_EQ(module_->DialConfiguredEntry(), 1);
    EXPECT_EQ(world_->last_dial_params_request(), "Work");
    const RasDialParameters p = world_->last_dial_params();
    EXPECT_EQ(p.entry_name, "Work");
    EXPECT_EQ(p.phone_number, "0800 123");
    EXPECT_EQ(p.callback_number, "0800 999");
    EXPECT_EQ(p.user_name, "ann");
    EXPECT_EQ(p.password, "secret");
    EXPECT_EQ(p.domain, "DOM");
    EXPECT_EQ(module_->GetDialledEntry(), "Work");
    EXPECT_EQ(module_->GetDialErrorText(), "General dialing error.");
}

TEST_F(DialupTest, EmptyUserNameAndPasswordReplaceTheStoredOnes) {
    Bind();
    world_->SetStoredDialParams({"", "0800 123", "", "stored-user", "stored-pw", ""});
    module_->SetDialEntryName("Work");
    module_->SetDialUserName("");
    module_->SetDialPassword(nullptr);
    EXPECT_EQ(module_->DialConfiguredEntry(), 1);
    EXPECT_EQ(world_->last_dial_params().user_name, "");
    EXPECT_EQ(world_->last_dial_params().password, "");
}

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// "Łącze Ωμέγα"
const std::string kLink = "\xC5\x81\xC4\x85" "cze \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1";

// Names reach the library whole up to 256 UTF-16 units, the records' room;
// a longer one is cut at a character's edge, never inside it.
TEST_F(DialupTest, NamesAreCutToTheRecordsUnitsNeverInsideACharacter) {
    const std::string omega = "\xCE\xA9";           // 1 unit, 2 bytes
    const std::string smile = "\xF0\x9F\x98\x80";  // 2 units, 4 bytes
    const struct {
        std::string given, dialled;
    } cases[] = {
        {kLink, kLink},
        {Repeat(omega, 256), Repeat(omega, 256)},
        {Repeat(omega, 300), Repeat(omega, 256)},
        {Repeat(smile, 128), Repeat(smile, 128)},
        {"a" + Repeat(smile, 128), "a" + Repeat(smile, 127)},
    };
    Bind();
    world_->SetDialAnswer(kRasSuccess, 9);
    for (const auto& c : cases) {
        module_->SetDialEntryName(c.given.c_str());
        module_->SetDialUserName(c.given.c_str());
        module_->SetDialPassword(c.given.c_str());
        ASSERT_EQ(module_->DialConfiguredEntry(), 1);
        const RasDialParameters p = world_->last_dial_params();
        EXPECT_EQ(p.entry_name, c.dialled);
        EXPECT_EQ(p.user_name, c.dialled);
        EXPECT_EQ(p.password, c.dialled);
        // Connected, then gone: the next case dials afresh.
        Notice(kRasStateConnected);
        module_->HangUpOwnConnection();
    }
}

TEST_F(DialupTest, AnEmptyEntryNameIsAnInvalidConnection) {
    Bind();
    module_->SetDialEntryName("Work");
    module_->SetDialEntryName(nullptr);
    EXPECT_EQ(module_->GetDialEntryName(), "");
    EXPECT_EQ(module_->DialConfiguredEntry(), 0);
    EXPECT_EQ(module_->GetDialErrorText(), "Invalid dialup networking connection.");
    EXPECT_EQ(world_->dials(), 0);
}

TEST_F(DialupTest, UnreadableDialParametersAreAnInternalError) {
    Bind();
    module_->SetDialEntryName("Gone");
    world_->SetGetEntryDialParamsAnswer(623);  // entry not in the phone book
    EXPECT_EQ(module_->DialConfiguredEntry(), 0);
    EXPECT_EQ(module_->GetDialErrorText(), "Internal dialing error.");
    EXPECT_EQ(world_->dials(), 0);
    EXPECT_EQ(module_->GetDialledEntry(), "");
}

TEST_F(DialupTest, ADialThatDoesNotStartHangsUpItsHandle) {
    Bind();
    module_->SetDialEntryName("Work");
    world_->SetDialAnswer(kRasErrorPortNotAvailable, 9);
    EXPECT_EQ(module_->DialConfiguredEntry(), 0);
    EXPECT_EQ(module_->GetDialErrorText(), "Internal dialing error.");
    EXPECT_EQ(world_->hang_ups(), std::vector<RasConnectionHandle>{9});
    EXPECT_EQ(module_->GetDialledEntry(), "");
    // Nothing stays in progress: the next request dials again.
    world_->SetDialAnswer(kRasSuccess, 10);
    EXPECT_EQ(module_->DialConfiguredEntry(), 1);
    EXPECT_EQ(world_->dials(), 2);
}

TEST_F(DialupTest, UnboundModuleCannotDial) {
    module_->SetDialEntryName("Work");
    EXPECT_EQ(module_->DialConfiguredEntry(), 0);
    EXPECT_EQ(module_->GetDialErrorText(), "Internal dialing error.");
}

TEST_F(DialupTest, ADialShowsItsProgressAndEndsConnected) {
    StartDial();
    Notice(kRasStateOpenPort);
    EXPECT_NE(module_->GetProgressDialog(), 0u);
    Notice(kRasStatePortOpened);
    Notice(3);  // a state without a text
    Notice(kRasStateAuthenticate);
    Notice(kRasStateAuthenticated);
    world_->Notify(0x400, kRasStateConnected, 0);  // not the dial message
    EXPECT_TRUE(Events().empty());
    Notice(kRasStateConnected);
    EXPECT_EQ(ui_.texts(),
              (std::vector<std::string>{"Connecting to modem...", "Dialing...", "Authenticating...",
                                        "Authenticated", "Connected"}));
    EXPECT_EQ(ui_.events().back(), "close(101)");
    EXPECT_EQ(ui_.last_owner(), 0u);
    EXPECT_TRUE(ui_.last_visible());
    EXPECT_EQ(module_->GetProgressDialog(), 0u);
    EXPECT_EQ(Events(), std::vector<int>{kDialEventConnectedByOrvane});
    EXPECT_EQ(module_->GetDialledEntry(), "Work");
    // Ours until hung up: asking again dials nothing.
    EXPECT_EQ(module_->DialConfiguredEntry(), 1);
    EXPECT_EQ(world_->dials(), 1);
}

TEST_F(DialupTest, WithProgressHiddenTheDialRunsTheSameUnseen) {
    Bind();
    module_->SetDialProgressVisible(0);
    module_->SetDialOwnerWindow(77);
    module_->SetDialEntryName("Work");
    ASSERT_EQ(module_->DialConfiguredEntry(), 1);
    Notice(kRasStateOpenPort);
    Notice(kRasStateConnected);
    EXPECT_FALSE(ui_.last_visible());
    EXPECT_EQ(ui_.last_owner(), 77u);
    EXPECT_EQ(CountOf(ui_.events(), "show(101,1)"), 0);
    EXPECT_EQ(Events(), std::vector<int>{kDialEventConnectedByOrvane});
}

TEST_F(DialupTest, ADialWithoutADialogStillEnds) {
    StartDial();
    ui_.SetStartSucceeds(false);
    Notice(kRasStateOpenPort);
    Notice(kRasStatePortOpened);
    Notice(kRasStateConnected);
    EXPECT_TRUE(ui_.texts().empty());
    EXPECT_EQ(Events(), std::vector<int>{kDialEventConnectedByOrvane});
}

TEST_F(DialupTest, ABusyLineEndsWithTheLibrarysTextAndAHangUp) {
    StartDial();
    Notice(kRasStateOpenPort);
    Notice(kRasStatePortOpened);
    Notice(kRasStatePortOpened, 676);
    EXPECT_EQ(ui_.texts().back(), "Hanging up...");
    EXPECT_EQ(world_->hang_ups(), std::vector<RasConnectionHandle>{9});
    EXPECT_EQ(world_->count("RasGetErrorStringW(676,size=400)"), 1);
    EXPECT_EQ(module_->GetDialErrorText(), "The line is busy.");
    EXPECT_EQ(module_->GetProgressDialog(), 0u);
    EXPECT_EQ(ui_.events().back(), "close(101)");
    EXPECT_EQ(module_->GetDialledEntry(), "");
    EXPECT_EQ(Events(), std::vector<int>{kDialEventDialFailed});
    // Late notices of the ended dial change nothing.
    Notice(kRasStateConnected);
    EXPECT_EQ(Events(), std::vector<int>{kDialEventDialFailed});
}

TEST_F(DialupTest, AnErrorWithoutATextIsAnInternalWindowsError) {
    StartDial();
    Notice(kRasStateOpenPort);
    Notice(kRasStatePortOpened, 12345);
    EXPECT_EQ(module_->GetDialErrorText(), "Internal windows error.");
    EXPECT_EQ(Events(), std::vector<int>{kDialEventDialFailed});
}

TEST_F(DialupTest, ALongErrorTextIsCutTo399Characters) {
    world_->SetErrorText(700, std::string(600, 'x'));
    StartDial();
    Notice(kRasStatePortOpened, 700);
    EXPECT_EQ(module_->GetDialErrorText(), std::string(399, 'x'));
}

TEST_F(DialupTest, CancelHangsUpClosesAndTellsTheUser) {
    StartDial();
    Notice(kRasStateOpenPort);
    Notice(kRasStatePortOpened);
    ui_.PressCancel();
    EXPECT_EQ(ui_.texts(),
              (std::vector<std::string>{"Connecting to modem...", "Dialing...", "Hanging up..."}));
    EXPECT_EQ(world_->hang_ups(), std::vector<RasConnectionHandle>{9});
    EXPECT_EQ(ui_.events().back(), "close(101)");
    EXPECT_EQ(module_->GetDialErrorText(), "Dialing cancelled by user.");
    EXPECT_EQ(module_->GetDialledEntry(), "");
    EXPECT_EQ(Events(), std::vector<int>{kDialEventDialFailed});
    // The library's last notices after the cancel are not a connection.
    Notice(kRasStateConnected);
    Notice(kRasStatePortOpened, 631);
    EXPECT_EQ(Events(), std::vector<int>{kDialEventDialFailed});
    EXPECT_EQ(module_->GetDialErrorText(), "Dialing cancelled by user.");
    // A new dial may start afterwards.
    EXPECT_EQ(module_->DialConfiguredEntry(), 1);
    EXPECT_EQ(world_->dials(), 2);
}

TEST_F(DialupTest, ASecondDialWhileOneRunsStartsNothing) {
    StartDial();
    Notice(kRasStateOpenPort);
    EXPECT_EQ(module_->DialConfiguredEntry(), 1);
    Notice(kRasStatePortOpened);
    EXPECT_EQ(module_->DialConfiguredEntry(), 1);
    EXPECT_EQ(world_->dials(), 1);
    EXPECT_EQ(ui_.starts(), 1);
}

TEST_F(DialupTest, TheEventHandlerMayHangUpFromInsideTheConnectedEvent) {
    StartDial();
    world_->AddConnection({9, "Work", kRasStateConnected});
    on_event_ = [this](int event) {
        if (event == kDialEventConnectedByOrvane)
            module_->HangUpOwnConnection();
    };
    Notice(kRasStateOpenPort);
    Notice(kRasStateConnected);
    EXPECT_EQ(Events(),
              (std::vector<int>{kDialEventConnectedByOrvane, kDialEventDisconnectedByOrvane}));
    EXPECT_EQ(world_->hang_ups(), std::vector<RasConnectionHandle>{9});
}

// --- The phone-book listing ---

TEST_F(DialupTest, EntriesAreListedWithTheirOwnLoadAndTheBindingIsLeftAlone) {
    Bind();
    world_->SetEntries({"Work", "Home"});
    const int loads_before = world_->loads();
    const int frees_before = world_->frees();
    EXPECT_EQ(module_->ListPhoneBookEntries(), (std::vector<std::string>{"Work", "Home"}));
    EXPECT_EQ(world_->loads(), loads_before + 1);
    EXPECT_EQ(world_->frees(), frees_before + 1);
    EXPECT_EQ(module_->IsBound(), 1);
    // The module's own binding still works.
    world_->AddConnection({5, "Work", kRasStateConnected});
    module_->PollConnections();
    EXPECT_EQ(module_->GetConnectionState(), kConnectionStateConnected);
}

TEST_F(DialupTest, AFailedListingIsReportedWithItsNumber) {
    world_->QueueEnumEntriesAnswer(621);
    EXPECT_TRUE(module_->ListPhoneBookEntries().empty());
    EXPECT_EQ(Reports(), std::vector<std::string>{"RasEnumEntries() failed, error=621."});
    EXPECT_EQ(world_->loads(), world_->frees());
}

TEST_F(DialupTest, TheFreeListingGoesThroughTheInstalledModule) {
    world_->SetEntries({"A", "B", "C"});
    UseDialupModule(module_.get());
    EXPECT_EQ(PhoneBookEntriesOfInstalledModule(), (std::vector<std::string>{"A", "B", "C"}));
    UseDialupModule(&UnavailableDialupModule());
    EXPECT_TRUE(PhoneBookEntriesOfInstalledModule().empty());
}

}  // namespace
}  // namespace orvane
