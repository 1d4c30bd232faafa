#include "service/time_service_install.h"

#include <gtest/gtest.h>

#include "service/time_service_client.h"
#include "support/fake_service_control.h"
#include "support/fake_time_service_pipe.h"

namespace orvane {
namespace {

constexpr char kProgram[] = "C:\\Program Files\\Pellmoor\\Orvane\\OrvaneService.exe";

class TimeServiceInstallTest : public ::testing::Test {
  protected:
    void SetUp() override { UseServiceControl(&control_); }
    void TearDown() override { UseServiceControl(nullptr); }

    void ExpectConfigured(const FakeService& service) {
        EXPECT_EQ(service.display_name, "Orvane Time Service");
        EXPECT_EQ(service.description, "Sets the clock for Orvane.");
        EXPECT_EQ(service.command_line, std::string("\"") + kProgram + "\"");
        EXPECT_EQ(service.account, "NT AUTHORITY\\LocalService");
        EXPECT_EQ(service.start_type, kServiceAutoStart);
        EXPECT_EQ(service.required_privileges,
                  (std::vector<std::string>{"SeSystemtimePrivilege", "SeChangeNotifyPrivilege"}));
        EXPECT_GT(service.restart_delay_ms, 0u);
    }

    FakeServiceControl control_;
};

TEST_F(TimeServiceInstallTest, ANewServiceIsCreatedConfiguredAndStarted) {
    int error = -1;
    EXPECT_EQ(InstallTimeService(kProgram, true, &error), kServiceInstallDone);
    EXPECT_EQ(error, 0);
    const FakeService* service = control_.Find("OrvaneTime");
    ASSERT_NE(service, nullptr);
    ExpectConfigured(*service);
    EXPECT_EQ(service->creations, 1);
    EXPECT_EQ(service->state, kServiceRunning);
    EXPECT_EQ(control_.open_handles(), 0);
}

TEST_F(TimeServiceInstallTest, AnExistingServiceIsStoppedAndReconfiguredNotDuplicated) {
    FakeService& old = control_.AddService("OrvaneTime");
    old.command_line = "C:\\old\\OrvaneService.exe";
    old.start_type = kServiceDemandStart;
    EXPECT_EQ(InstallTimeService(kProgram, false, nullptr), kServiceInstallDone);
    const FakeService* service = control_.Find("OrvaneTime");
    ASSERT_NE(service, nullptr);
    ExpectConfigured(*service);
    EXPECT_EQ(service->creations, 0);
    EXPECT_EQ(service->reconfigurations, 1);
    EXPECT_EQ(service->state, kServiceStopped);
    EXPECT_EQ(control_.open_handles(), 0);
}

// A refused privilege list is let pass only where the manager cannot
// report the setting either (it does not have it); then the service is
// installed and started all the same, and that is said.
TEST(TimeServicePrivilegesTest, ARefusedListFailsUnlessTheSettingIsUnknown) {
    struct Case {
        int set_error;
        int query_error;
        int result;
        int error;
    };
    const Case cases[] = {
        {87, 87, kServiceInstallPrivilegesNotLimited, 87},
        {87, 124, kServiceInstallPrivilegesNotLimited, 87},
        {87, 0, kServiceInstallConfigFailed, 87},
        {124, 124, kServiceInstallPrivilegesNotLimited, 124},
        {124, 0, kServiceInstallConfigFailed, 124},
        {5, 87, kServiceInstallConfigFailed, 5},
        {5, 0, kServiceInstallConfigFailed, 5},
        {0, 87, kServiceInstallDone, 0},
    };
    for (const Case& c : cases) {
        FakeServiceControl control;
        UseServiceControl(&control);
        control.FailRequiredPrivileges(c.set_error);
        control.FailRequiredPrivilegesQuery(c.query_error);
        int error = -1;
        EXPECT_EQ(InstallTimeService(kProgram, true, &error), c.result)
            << c.set_error << " " << c.query_error;
        EXPECT_EQ(error, c.error);
        const bool installed = c.result != kServiceInstallConfigFailed;
        EXPECT_EQ(control.Find("OrvaneTime")->starts, installed ? 1 : 0);
        EXPECT_EQ(control.Find("OrvaneTime")->restart_delay_ms > 0, installed);
        EXPECT_EQ(control.open_handles(), 0);
        UseServiceControl(nullptr);
    }
}

TEST_F(TimeServiceInstallTest, NoManagerAndFailedCreation) {
    int error = 0;
    control_.FailCreate(5);
    EXPECT_EQ(InstallTimeService(kProgram, true, &error), kServiceInstallCreateFailed);
    EXPECT_EQ(error, 5);
    control_.FailOpenManager(5);
    EXPECT_EQ(InstallTimeService(kProgram, true, &error), kServiceInstallNoManager);
    EXPECT_EQ(RemoveTimeService(&error), kServiceRemoveNoManager);
}

TEST_F(TimeServiceInstallTest, RemovalStopsAndDeletes) {
    control_.AddService("OrvaneTime");
    EXPECT_EQ(RemoveTimeService(nullptr), kServiceRemoveDone);
    EXPECT_EQ(control_.Find("OrvaneTime"), nullptr);
    EXPECT_EQ(control_.open_handles(), 0);
    EXPECT_EQ(RemoveTimeService(nullptr), kServiceRemoveNotInstalled);
}

TEST(ServiceCommandLineTest, QuotedOnlyWhenThePathHasASpace) {
    EXPECT_EQ(ServiceCommandLine("C:\\Orvane\\OrvaneService.exe"), "C:\\Orvane\\OrvaneService.exe");
    EXPECT_EQ(ServiceCommandLine("C:\\A B\\S.exe"), "\"C:\\A B\\S.exe\"");
    EXPECT_EQ(ServiceCommandLine("\"C:\\A B\\S.exe\""), "\"C:\\A B\\S.exe\"");
}

class TimeServiceClientTest : public ::testing::Test {
  protected:
    void SetUp() override { UseTimeServicePipe(&pipe_); }
    void TearDown() override { UseTimeServicePipe(nullptr); }
    FakeTimeServicePipe pipe_;
};

TEST_F(TimeServiceClientTest, OnlyTheRunningServiceProcessIsSentAnything) {
    struct Case {
        const char* name;
        int pipe_error;
        std::uint32_t holder;   // the pipe's server process
        std::uint32_t service;  // the registered service's process, 0 when stopped
        ServiceCallStatus status;
        const char* text;
    };
    const char* const not_running = "The Orvane Time Service is not running";
    const char* const impostor = "A program other than the Orvane Time Service holds its pipe";
    const Case cases[] = {
        {"the service", 0, 4242, 4242, ServiceCallStatus::kAnswered, ""},
        {"another program, service running", 0, 666, 4242, ServiceCallStatus::kNotTheService,
         impostor},
        {"another program, service stopped", 0, 666, 0, ServiceCallStatus::kNotTheService,
         impostor},
        {"holder unknown, service stopped", 0, 0, 0, ServiceCallStatus::kNotTheService, impostor},
        {"no pipe", 2, 0, 0, ServiceCallStatus::kNotRunning, not_running},
        {"busy for 10 s", 231, 4242, 4242, ServiceCallStatus::kNotRunning, not_running},
    };
    Answer status;
    status.type = kAnswerStatus;
    pipe_.answer = EncodeAnswer(status);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pipe_.requests.clear();
        pipe_.error = c.pipe_error;
        pipe_.server_process_id = c.holder;
        pipe_.service_process_id = c.service;
        const ServiceCall call = RequestServiceStatus();
        EXPECT_EQ(call.status, c.status);
        EXPECT_EQ(call.error_text, c.text);
        if (c.status == ServiceCallStatus::kNotTheService)
            EXPECT_TRUE(pipe_.requests.empty());
        EXPECT_EQ(pipe_.busy_limits.back(), 10000);
    }
}

TEST_F(TimeServiceClientTest, TheRequestGoesOutAndTheAnswerComesBackParsed) {
    Answer answer;
    answer.type = kAnswerStatus;
    answer.status.version_text = "1.72";
    answer.status.holds_privilege = true;
    pipe_.answer = EncodeAnswer(answer);
    const ServiceCall call = RequestServiceStatus();
    EXPECT_EQ(call.status, ServiceCallStatus::kAnswered);
    EXPECT_EQ(call.answer.status.version_text, "1.72");
    ASSERT_EQ(pipe_.requests.size(), 1u);
    Request sent;
    ASSERT_EQ(DecodeRequest(pipe_.requests[0].data(), pipe_.requests[0].size(), &sent),
              MessageFault::kNone);
    EXPECT_EQ(sent.type, kRequestStatus);
    EXPECT_EQ(pipe_.limits[0], kLongestAnswerSize);
    // An update says whether it is an automatic round.
    RequestServiceUpdate(true);
    ASSERT_EQ(DecodeRequest(pipe_.requests[1].data(), pipe_.requests[1].size(), &sent),
              MessageFault::kNone);
    EXPECT_EQ(sent.type, kRequestUpdate);
    EXPECT_TRUE(sent.update.automatic());
}

TEST_F(TimeServiceClientTest, AnAnswerOfTheWrongKindOrMalformedIsNotTrusted) {
    Answer answer;
    answer.type = kAnswerStatus;
    pipe_.answer = EncodeAnswer(answer);
    EXPECT_EQ(RequestServiceUpdate(false).status, ServiceCallStatus::kMalformedAnswer);
    pipe_.answer.resize(10);
    EXPECT_EQ(RequestServiceStatus().status, ServiceCallStatus::kMalformedAnswer);
    answer.type = kAnswerError;
    answer.error_text = "Malformed request: too short";
    pipe_.answer = EncodeAnswer(answer);
    const ServiceCall call = RequestServiceUpdate(false);
    EXPECT_EQ(call.status, ServiceCallStatus::kAnswered);
    EXPECT_EQ(call.error_text, "Malformed request: too short");
}

}  // namespace
}  // namespace orvane
