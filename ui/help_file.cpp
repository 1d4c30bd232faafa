#include "ui/help_file.h"

#include <cerrno>
#include <cstdlib>

namespace orvane {

namespace {

constexpr char kTopicMarker[] = ".topic";

void TrimTrailingBlankLines(std::string& body) {
    while (true) {
        if (body.size() >= 2 && body.compare(body.size() - 2, 2, "\r\n") == 0) {
            body.resize(body.size() - 2);
        } else {
            return;
        }
    }
}

// Parses "<id> <title>" after the marker; false when the id is unusable.
bool ParseTopicLine(const std::string& rest, HelpTopic* topic) {
    std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string::npos)
        return false;
    std::size_t end = rest.find_first_of(" \t", start);
    const std::string key = rest.substr(start, end == std::string::npos ? end : end - start);
    if (key == "contents") {
        topic->id = kHelpContentsId;
    } else {
        errno = 0;
        char* stop = nullptr;
        long value = std::strtol(key.c_str(), &stop, 10);
        if (stop == key.c_str() || *stop != '\0' || errno != 0 || value < 0 || value > 0x7FFFFFFF) {
            return false;
        }
        topic->id = static_cast<int>(value);
    }
    if (end != std::string::npos) {
        std::size_t title_start = rest.find_first_not_of(" \t", end);
        if (title_start != std::string::npos)
            topic->title = rest.substr(title_start);
    }
    return true;
}

}  // namespace

HelpFile ParseHelpFile(const std::string& content) {
    HelpFile file;
    HelpTopic* current = nullptr;
    std::size_t pos = 0;
    while (pos <= content.size()) {
        std::size_t newline = content.find('\n', pos);
        std::string line =
            content.substr(pos, newline == std::string::npos ? newline : newline - pos);
        pos = newline == std::string::npos ? content.size() + 1 : newline + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();

        if (line.compare(0, sizeof kTopicMarker - 1, kTopicMarker) == 0) {
            if (current != nullptr)
                TrimTrailingBlankLines(current->body);
            HelpTopic topic;
            if (ParseTopicLine(line.substr(sizeof kTopicMarker - 1), &topic)) {
                file.topics.push_back(topic);
                current = &file.topics.back();
            } else {
                current = nullptr;  // its text is dropped with it
            }
            continue;
        }
        if (current == nullptr)
            continue;  // before the first topic, or of a bad one
        if (current->body.empty() && line.empty())
            continue;  // leading blank lines
        if (!current->body.empty())
            current->body += "\r\n";
        current->body += line;
    }
    if (current != nullptr)
        TrimTrailingBlankLines(current->body);
    return file;
}

const HelpTopic* FindHelpTopic(const HelpFile& file, int id) {
    for (const HelpTopic& topic : file.topics) {
        if (topic.id == id)
            return &topic;
    }
    return nullptr;
}

const HelpTopic* HelpContentsTopic(const HelpFile& file) {
    const HelpTopic* found = FindHelpTopic(file, kHelpContentsId);
    if (found != nullptr)
        return found;
    return file.topics.empty() ? nullptr : &file.topics.front();
}

}  // namespace orvane
