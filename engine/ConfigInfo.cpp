// SPDX-License-Identifier: MIT
#include "engine/ConfigInfo.h"

#include "util/FileUtility.h"
#include "util/StringUtility.h"
#include "util/platform/FileSystem.h"

ConfigInfo::ConfigInfo() {
    std::string profile;
    if (platform::userProfileFolder(profile)) setUp(profile);
}

ConfigInfo::ConfigInfo(const std::string& profileFolder) {
    setUp(profileFolder);
}

const ConfigInfo& ConfigInfo::global() {
    static const ConfigInfo config;
    return config;
}

void ConfigInfo::setUp(const std::string& profileFolder) {
    // A native POSIX profile (one that no drive maps) keeps its own separator.
    const char separator = !profileFolder.empty() && profileFolder[0] == '/' ? '/' : '\\';
    // The separator before FileInfoData is added unconditionally, only the final one on demand.
    dataDirectory_ = profileFolder + separator + "FileInfoData";
    if (dataDirectory_.back() != separator) dataDirectory_ += separator;
    // A folder that cannot be created shows later, when the database does not open.
    (void)FileUtility::makeDirectories(dataDirectory_.c_str());
    databaseBase_ = dataDirectory_ + escapeStoreName("FileInfo");
    valid_ = true;
}

std::string ConfigInfo::getDataDirectoryAsScanned() const {
    // The first two bytes stay as they are: a network path begins with two backslashes.
    std::string folder = dataDirectory_.substr(0, 2);
    for (std::size_t i = folder.size(); i < dataDirectory_.size(); ++i)
        if (dataDirectory_[i] != '\\' || folder.back() != '\\') folder += dataDirectory_[i];
    return folder;
}

std::string ConfigInfo::escapeStoreName(std::string name) {
    if (name.empty() || name.back() != '\\') name += '\\';
    // The order matters: "=" and "_" are escaped before the passes that produce "_".
    StringUtility::replaceAll(name, "=", "==");
    StringUtility::replaceAll(name, "_", "=_");
    StringUtility::replaceAll(name, "\\", "__");
    StringUtility::replaceAll(name, ":", "__");
    return name;
}
