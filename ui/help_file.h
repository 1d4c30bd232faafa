// The program's help file: plain text, one topic after another, each
// opened by a line
//   .topic <context number> <title>
// or, for the contents topic,
//   .topic contents <title>
// and followed by its text lines up to the next topic line. Anything before
// the first topic line is a comment. Parsing is forgiving: a file the user
// damaged gives fewer topics, never a failure.
#pragma once

#include <string>
#include <vector>

namespace orvane {

constexpr int kHelpContentsId = -1;

struct HelpTopic {
    int id = kHelpContentsId;  // context number, or kHelpContentsId
    std::string title;
    std::string body;  // lines joined with "\r\n", without trailing blank lines
};

struct HelpFile {
    std::vector<HelpTopic> topics;
};

HelpFile ParseHelpFile(const std::string& content);

// The topic for a context number; null when the file has none.
const HelpTopic* FindHelpTopic(const HelpFile& file, int id);
// The contents topic; the first topic when there is none marked; null for
// an empty file.
const HelpTopic* HelpContentsTopic(const HelpFile& file);

}  // namespace orvane
