#include "service/service_start_type.h"

#include <gtest/gtest.h>

#include "support/fake_service_control.h"

namespace orvane {
namespace {

class SetupServiceTest : public ::testing::Test {
  protected:
    void SetUp() override { UseServiceControl(&control_); }
    void TearDown() override { UseServiceControl(nullptr); }

    FakeService& TimeService() { return control_.AddService(kWindowsTimeServiceName); }

    FakeServiceControl control_;
};

// Stop service.

TEST_F(SetupServiceTest, StoppingARunningServiceGivesStoppedAndClosesBothHandles) {
    TimeService();
    EXPECT_EQ(StopService("W32Time"), kStopServiceStopped);
    EXPECT_EQ(control_.Find("W32Time")->state, kServiceStopped);
    ASSERT_EQ(control_.accesses().size(), 1u);
    EXPECT_EQ(control_.accesses()[0], kServiceStop | kServiceQueryStatus);
    EXPECT_EQ(control_.open_handles(), 0);
    EXPECT_EQ(control_.paused_milliseconds(), 0);
}

TEST_F(SetupServiceTest, StopWaitsInFiftyMillisecondStepsWhileStopPending) {
    TimeService().states_after_stop = {kServiceStopPending, kServiceStopPending, kServiceStopped};
    EXPECT_EQ(StopService("W32Time"), kStopServiceStopped);
    EXPECT_EQ(control_.paused_milliseconds(), 100);
    EXPECT_EQ(control_.queries(), 3);
    EXPECT_EQ(control_.open_handles(), 0);
}

TEST_F(SetupServiceTest, AServiceThatStaysStopPendingIsGivenUpAfterTheLimit) {
    TimeService().states_after_stop = {kServiceStopPending};
    EXPECT_EQ(StopService("W32Time"), kStopServiceOtherState);
    EXPECT_EQ(control_.paused_milliseconds(), kStopPendingLimitMilliseconds);
    EXPECT_EQ(control_.queries(), kStopPendingLimitMilliseconds / 50 + 1);
    EXPECT_EQ(control_.open_handles(), 0);
}

TEST_F(SetupServiceTest, AServiceEndingInAnotherStateGivesFour) {
    TimeService().states_after_stop = {kServiceStopPending, kServiceRunning};
    EXPECT_EQ(StopService("W32Time"), kStopServiceOtherState);
    EXPECT_EQ(control_.open_handles(), 0);
}

TEST_F(SetupServiceTest, StoppingAServiceThatIsNotRunningGivesThreeAndLeavesItsConfiguration) {
    FakeService& service = TimeService();
    service.state = kServiceStopped;
    service.start_type = kServiceAutoStart;
    const std::string name_before = service.display_name;
    EXPECT_EQ(StopService("W32Time"), kStopServiceNotRunning);
    EXPECT_EQ(service.start_type, kServiceAutoStart);
    EXPECT_EQ(service.display_name, name_before);
    EXPECT_EQ(control_.open_handles(), 0);
    // The start type is still changed by the next call.
    EXPECT_EQ(SetServiceStartType("W32Time", 0), kSetStartTypeDone);
    EXPECT_EQ(service.start_type, kServiceDemandStart);
}

TEST_F(SetupServiceTest, AStopRefusedForAnotherReasonIsAFailure) {
    TimeService();
    control_.FailStop(1052);  // ERROR_INVALID_SERVICE_CONTROL
    EXPECT_EQ(StopService("W32Time"), kStopServiceFailed);
    EXPECT_EQ(control_.open_handles(), 0);
}

TEST_F(SetupServiceTest, AFailedStatusQueryIsAFailure) {
    TimeService();
    control_.FailQuery(6);
    EXPECT_EQ(StopService("W32Time"), kStopServiceFailed);
    EXPECT_EQ(control_.open_handles(), 0);
}

TEST_F(SetupServiceTest, AMissingServiceGivesTwoAndClosesTheManager) {
    EXPECT_EQ(StopService("W32Time"), kStopServiceCannotOpen);
    EXPECT_EQ(control_.open_handles(), 0);
}

TEST_F(SetupServiceTest, AServiceThatMayNotBeStoppedGivesTwo) {
    TimeService();
    control_.DenyAccess(kServiceStop);
    EXPECT_EQ(StopService("W32Time"), kStopServiceCannotOpen);
    EXPECT_EQ(control_.Find("W32Time")->state, kServiceRunning);
}

TEST_F(SetupServiceTest, NoManagerGivesOneForBothOperations) {
    TimeService();
    control_.FailOpenManager(5);
    EXPECT_EQ(StopService("W32Time"), kStopServiceFailed);
    EXPECT_EQ(SetServiceStartType("W32Time", 1), kSetStartTypeFailed);
    EXPECT_TRUE(control_.accesses().empty());
}

// Set service start type.

TEST_F(SetupServiceTest, OnDemandStartAndTheServiceNameAsDisplayName) {
    TimeService();
    EXPECT_EQ(SetServiceStartType("W32Time", 0), kSetStartTypeDone);
    FakeService* service = control_.Find("W32Time");
    EXPECT_EQ(service->start_type, kServiceDemandStart);
    EXPECT_EQ(service->display_name, "W32Time");
    ASSERT_EQ(control_.accesses().size(), 1u);
    EXPECT_EQ(control_.accesses()[0], kServiceChangeConfig);
    EXPECT_EQ(control_.open_handles(), 0);
}

TEST_F(SetupServiceTest, AutomaticStartOnlyForAFlagOfOne) {
    TimeService().start_type = kServiceDemandStart;
    EXPECT_EQ(SetServiceStartType("W32Time", 1), kSetStartTypeDone);
    EXPECT_EQ(control_.Find("W32Time")->start_type, kServiceAutoStart);
    EXPECT_EQ(SetServiceStartType("W32Time", 2), kSetStartTypeDone);
    EXPECT_EQ(control_.Find("W32Time")->start_type, kServiceDemandStart);
}

TEST_F(SetupServiceTest, ARefusedChangeIsAFailureWithBothHandlesClosed) {
    TimeService();
    control_.FailChange(5);
    EXPECT_EQ(SetServiceStartType("W32Time", 0), kSetStartTypeFailed);
    EXPECT_EQ(control_.Find("W32Time")->start_type, kServiceAutoStart);
    EXPECT_EQ(control_.open_handles(), 0);
}

TEST_F(SetupServiceTest, AMissingServiceIsToldApartFromAFailure) {
    EXPECT_EQ(SetServiceStartType("W32Time", 0), kSetStartTypeNoService);
    EXPECT_EQ(control_.open_handles(), 0);
}

// Which Windows versions hand time keeping over.

TEST(SetupWindowsTimeHandOverTest, FromWindowsXpOn) {
    EXPECT_FALSE(HandsOverWindowsTime(4, 0));  // NT 4
    EXPECT_FALSE(HandsOverWindowsTime(5, 0));  // 2000
    EXPECT_TRUE(HandsOverWindowsTime(5, 1));   // XP
    EXPECT_TRUE(HandsOverWindowsTime(5, 2));   // Server 2003
    EXPECT_TRUE(HandsOverWindowsTime(6, 0));   // Vista
    EXPECT_TRUE(HandsOverWindowsTime(6, 1));   // 7
    EXPECT_TRUE(HandsOverWindowsTime(10, 0));  // 10 and 11
}

}  // namespace
}  // namespace orvane
