// The real dial-up module behind the engine, with an in-memory Remote
// Access library: start-up decisions, the forced dial round and its
// hang-up, and the dial failure message.
#include <gtest/gtest.h>

#include <memory>

#include "dialup/link_text.h"
#include "dialup/ras_dialup.h"
#include "engine/engine.h"
#include "support/fake_dial_progress_ui.h"
#include "support/fake_ras_library.h"
#include "support/engine_fixture.h"
#include "settings/live_settings.h"

namespace orvane {
namespace {

class DialupEngineTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        world_ = std::make_shared<FakeRasWorld>();
        world_->SetErrorText(676, "The line is busy.");
        world_->SetEntries({"Work"});
        module_ = std::make_unique<RasDialup>(world_->Maker(), &progress_);
        UseDialupModule(module_.get());
        UpdateSettings([&](SettingsRecord& s) {
            CopyToField(s.dialup_server_name, "Work");
            CopyToField(s.dialup_server_username, "ann");
            CopyToField(s.dialup_server_password, "");
            s.use_dialup = 1;
            s.force_dial = 1;
        });
        Logging(1, 1);
        SetUpdateRunner([this](bool) {
            ++updates_;
            return UpdateOutcome::kClockSet;
        });
    }
    void TearDown() override {
        UseDialupModule(&UnavailableDialupModule());
        EngineTest::TearDown();
        module_.reset();
    }
    void Notice(int state, std::uint32_t error = 0) {
        world_->Notify(kRasDialEventMessage, state, error);
    }

    std::shared_ptr<FakeRasWorld> world_;
    FakeDialProgressUi progress_;
    std::unique_ptr<RasDialup> module_;
    int updates_ = 0;
};

TEST_F(DialupEngineTest, NoLibrarySwitchesUseDialupOffAndTheLinkIsPermanent) {
    world_->SetLibraryPresent(false);
    StartEngine();
    EXPECT_EQ(CurrentSettings().use_dialup, 0);
    EXPECT_EQ(module_->IsBound(), 0);
    EXPECT_STREQ(CopyLastUpdateRecord().link_text,
                 "Link active since 21/02/2003 10:20:30 (permanent connection)");
    // A round then runs the update without looking for a connection.
    EXPECT_EQ(UpdateRound(false), 1);
    EXPECT_EQ(world_->dials(), 0);
}

TEST_F(DialupEngineTest, PartlyInstalledRemoteAccessSwitchesUseDialupOff) {
    world_->SetErrorStringAnswer(kRasErrorModuleNotFound);
    StartEngine();
    EXPECT_EQ(CurrentSettings().use_dialup, 0);
    EXPECT_EQ(world_->loads(), world_->frees());
}

TEST_F(DialupEngineTest, ForcedDialRoundUpdatesOverTheLinkAndHangsUp) {
    StartEngine();
    EXPECT_EQ(LinkState(), kLinkInactiveSinceStartup);
    EXPECT_EQ(UpdateRound(false), 1);
    EXPECT_EQ(world_->dials(), 1);
    EXPECT_EQ(updates_, 0);  // the update waits for the connection

    world_->SetDialAnswer(kRasSuccess, 0);
    Notice(kRasStateOpenPort);
    Notice(kRasStatePortOpened);
    world_->AddConnection({9, "Work", kRasStateConnected});
    Notice(kRasStateConnected);

    EXPECT_EQ(updates_, 1);
    EXPECT_EQ(world_->hang_ups(), std::vector<RasConnectionHandle>{9});
    EXPECT_EQ(LinkState(), kLinkInactive);
    EXPECT_EQ(LogEntries(),
              (std::vector<std::string>{"Orvane engine started.",
                                        "Dialup connection to \"Work\" connected by Orvane.",
                                        "Dialup connection to \"Work\" disconnected by Orvane."}));
    EXPECT_EQ(module_->GetDialledEntry(), "");
}

TEST_F(DialupEngineTest, ABusyLineEndsInTheErrorWindowWithTheLibrarysText) {
    StartEngine();
    ASSERT_EQ(UpdateRound(false), 1);
    Notice(kRasStateOpenPort);
    Notice(kRasStatePortOpened, 676);
    EXPECT_NE(ErrorWindowText().find(
                  "Unable to dial \"Work\" to synchronise from SNTP server.  The line is busy."),
              std::string::npos);
    EXPECT_EQ(updates_, 0);
    // The next round dials again.
    EXPECT_EQ(UpdateRound(false), 1);
    EXPECT_EQ(world_->dials(), 2);
}

TEST_F(DialupEngineTest, AnEmptyEntryNameFailsTheRoundAtOnce) {
    UpdateSettings([&](SettingsRecord& live) { CopyToField(live.dialup_server_name, ""); });
    StartEngine();
    EXPECT_EQ(UpdateRound(false), 0);
    EXPECT_NE(ErrorWindowText().find("Unable to dial \"\".  Invalid dialup networking connection."),
              std::string::npos);
    EXPECT_EQ(world_->dials(), 0);
}

}  // namespace
}  // namespace orvane
