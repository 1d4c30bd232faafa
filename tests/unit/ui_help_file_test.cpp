#include "ui/help_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace orvane {
namespace {

TEST(HelpFileTest, ReadsTopicsByNumberAndTheContents) {
    HelpFile file = ParseHelpFile(
        "Orvane help source\r\n"
        ".topic contents Orvane Help\r\n"
        "\r\n"
        "Welcome.\r\n"
        "\r\n"
        "Second paragraph.\r\n"
        "\r\n"
        ".topic 2006 Round trip delay\n"
        "How long the exchange took.\n");
    ASSERT_EQ(file.topics.size(), 2u);
    const HelpTopic* contents = HelpContentsTopic(file);
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->title, "Orvane Help");
    EXPECT_EQ(contents->body, "Welcome.\r\n\r\nSecond paragraph.");
    const HelpTopic* delay = FindHelpTopic(file, 2006);
    ASSERT_NE(delay, nullptr);
    EXPECT_EQ(delay->title, "Round trip delay");
    EXPECT_EQ(delay->body, "How long the exchange took.");
    EXPECT_EQ(FindHelpTopic(file, 2007), nullptr);
}

TEST(HelpFileTest, BadTopicLinesDropOnlyTheirTopic) {
    HelpFile file = ParseHelpFile(
        ".topic\nlost\n.topic abc Bad\nlost too\n.topic -4 Negative\nlost\n"
        ".topic 99999999999999 Huge\nlost\n.topic 12x Trailing\nlost\n.topic 301 OK\nkept\n");
    ASSERT_EQ(file.topics.size(), 1u);
    EXPECT_EQ(file.topics[0].id, 301);
    EXPECT_EQ(file.topics[0].body, "kept");
    EXPECT_EQ(file.topics[0].title, "OK");
}

TEST(HelpFileTest, WithoutAContentsTopicTheFirstStandsIn) {
    HelpFile file = ParseHelpFile(".topic 400 First\na\n.topic 401 Second\nb");
    ASSERT_NE(HelpContentsTopic(file), nullptr);
    EXPECT_EQ(HelpContentsTopic(file)->id, 400);
    EXPECT_EQ(FindHelpTopic(file, 401)->body, "b");
    EXPECT_EQ(HelpContentsTopic(ParseHelpFile("")), nullptr);
    EXPECT_EQ(HelpContentsTopic(ParseHelpFile("no topics at all\n")), nullptr);
}

TEST(HelpFileTest, TopicWithoutTitleOrText) {
    HelpFile file = ParseHelpFile(".topic 2000");
    ASSERT_EQ(file.topics.size(), 1u);
    EXPECT_EQ(file.topics[0].title, "");
    EXPECT_EQ(file.topics[0].body, "");
}

}  // namespace
}  // namespace orvane

namespace orvane {
namespace {

// Every help context number the program and its configuration dialog ask
// for has a topic in the shipped help source.
TEST(ShippedHelpFileTest, HasATopicForEveryContextNumber) {
    std::string source_path = __FILE__;
    source_path =
        source_path.substr(0, source_path.rfind("tests/unit/")) + "resources/orvane_help.txt";
    FILE* f = std::fopen(source_path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << source_path;
    std::string content;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        content.append(buffer, n);
    std::fclose(f);

    HelpFile file = ParseHelpFile(content);
    ASSERT_NE(FindHelpTopic(file, kHelpContentsId), nullptr);
    std::vector<int> ids = {301, 302, 303, 701, 2000};
    for (int id = 400; id <= 407; ++id)
        ids.push_back(id);
    for (int id = 500; id <= 506; ++id)
        ids.push_back(id);
    for (int id = 600; id <= 611; ++id)
        ids.push_back(id);
    for (int id = 800; id <= 811; ++id)
        ids.push_back(id);
    for (int id = 2002; id <= 2013; ++id)
        ids.push_back(id);
    for (int id : ids) {
        const HelpTopic* topic = FindHelpTopic(file, id);
        ASSERT_NE(topic, nullptr) << id;
        EXPECT_FALSE(topic->title.empty()) << id;
        EXPECT_FALSE(topic->body.empty()) << id;
    }
}

}  // namespace
}  // namespace orvane
