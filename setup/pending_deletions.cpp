#include "setup/pending_deletions.h"

#include "platform/os_errors.h"
#include "platform/registry.h"

namespace orvane {

namespace {

const std::u16string kNtPrefix = u"\\??\\";
const std::u16string kNtUncPrefix = u"\\??\\UNC\\";

bool StartsWith(const std::u16string& text, const std::u16string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

bool ParsePendingRenames(const std::u16string& data, std::vector<PendingRename>* renames) {
    std::vector<std::u16string> texts;
    std::u16string current;
    for (char16_t unit : data) {
        if (unit == u'\0') {
            texts.push_back(current);
            current.clear();
        } else {
            current.push_back(unit);
        }
    }
    if (!current.empty())
        texts.push_back(current);  // a last text without its terminator
    // The closing terminator reads as one more empty text.
    if (texts.size() % 2 == 1 && texts.back().empty())
        texts.pop_back();
    if (texts.size() % 2 == 1)
        return false;
    // Extra terminators at the end read as empty pairs, which are no pairs.
    while (texts.size() >= 2 && texts[texts.size() - 1].empty() &&
           texts[texts.size() - 2].empty()) {
        texts.resize(texts.size() - 2);
    }
    renames->clear();
    for (std::size_t i = 0; i < texts.size(); i += 2)
        renames->push_back({texts[i], texts[i + 1]});
    return true;
}

std::u16string FormatPendingRenames(const std::vector<PendingRename>& renames) {
    std::u16string data;
    for (const PendingRename& rename : renames) {
        data += rename.source;
        data.push_back(u'\0');
        data += rename.target;
        data.push_back(u'\0');
    }
    data.push_back(u'\0');
    return data;
}

std::u16string PendingSourcePath(const std::u16string& source) {
    if (StartsWith(source, kNtUncPrefix))
        return u"\\\\" + source.substr(kNtUncPrefix.size());
    if (StartsWith(source, kNtPrefix))
        return source.substr(kNtPrefix.size());
    return source;
}

std::size_t DropDeletionsOf(std::vector<PendingRename>& renames,
                            const InstalledItemTest& installed) {
    std::vector<PendingRename> kept;
    for (PendingRename& rename : renames) {
        if (rename.target.empty() && installed(PendingSourcePath(rename.source)))
            continue;
        kept.push_back(std::move(rename));
    }
    const std::size_t dropped = renames.size() - kept.size();
    renames = std::move(kept);
    return dropped;
}

int CancelPendingDeletionsOf(const InstalledItemTest& installed) {
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    int error = registry.OpenKey(RegistryScope::kMachine, kSessionManagerKeyPath,
                                 RegistryMode::kWrite, false, &key);
    if (error != kErrorSuccess)
        return error == kErrorFileNotFound ? kErrorSuccess : error;
    std::u16string data;
    error = registry.ReadWideMultiText(key, kPendingRenamesValue, &data);
    std::vector<PendingRename> renames;
    if (error == kErrorSuccess && ParsePendingRenames(data, &renames) &&
        DropDeletionsOf(renames, installed) > 0) {
        error = renames.empty() ? registry.DeleteValue(key, kPendingRenamesValue)
                                : registry.WriteWideMultiText(key, kPendingRenamesValue,
                                                              FormatPendingRenames(renames));
    }
    registry.CloseKey(key);
    // No list, or one of another type, is nothing of this program's.
    return error == kErrorFileNotFound || error == kErrorInvalidData ? kErrorSuccess : error;
}

}  // namespace orvane
