// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/platform/ContentFile.h"

// What the content check found out about one fingerprint group: which of its
// files hold identical bytes. The fingerprint samples 36 bytes of a file, so
// files of one group may still differ; the check reads them whole.
//
// Hard links (names of one file) are one distinct file: they are put in the
// same class as each other, but a class needs two distinct files to hold a
// copy, and a link's bytes are never reclaimable.
enum class GroupState {
    Unchecked,  // not checked yet, or the check was stopped
    Confirmed,  // one class holds every file, and it holds two distinct files or more
    Partly,     // a class of two distinct files or more, and files outside it
    Refuted,    // no two distinct files are identical
    Unknown,    // unreadable or changed files leave the answer open
};

struct CheckedFile {
    enum class Status {
        Checked,     // read (or answered by the cache); `contentClass` says where it belongs
        Changed,     // its length or time is no longer the row's: not checked
        Unreadable,  // it could not be opened or read; `reason` says why
    };

    // The file row this is about, as stored.
    std::string folderId;    // FILEINFO_FIF.FOLDERID
    std::string folderPath;  // FILEINFO_DIF.FNAME, ending in a backslash
    std::string name;        // FILEINFO_FIF.FNAME
    std::int64_t rowTime = 0;

    Status status = Status::Checked;
    std::string reason;     // the system's reason, for Unreadable
    int contentClass = -1;  // index into GroupCheck::classes; -1 unless Checked
    int linkSet = -1;       // index into GroupCheck::linkSets; -1 when it has no other name
    // Which file the name led to when checked (all zero when its status
    // could not be taken): names of one file share it across groups too.
    platform::FileIdentity identity;

    std::string path() const { return folderPath + name; }
};

struct GroupCheck {
    std::string mask;
    std::uint64_t length = 0;  // of every file of the group, 64 bits
    GroupState state = GroupState::Unchecked;
    std::vector<CheckedFile> files;  // the group's rows, in the database's order
    // Files with identical content, as indices into `files`: a class of one
    // file is a unique file. Classes come in the order of their first file.
    std::vector<std::vector<int>> classes;
    // The 64-bit length of each class's files, beside `classes`. The MASK
    // holds only the low 32 bits of a length, so files of one group may still
    // differ in length; empty means every class is `length` bytes long.
    std::vector<std::uint64_t> classLengths;
    // Names of one file (same device and file number), as indices into
    // `files`; only sets of two names or more.
    std::vector<std::vector<int>> linkSets;

    // Distinct files (hard links counted once) in class `index`.
    int distinctFiles(int index) const;
    // The bytes the extra copies of every class take: for each class,
    // (distinct files - 1) x its length.
    std::uint64_t reclaimableBytes() const;
};

// The state's name as lanbrook-scan prints it: "confirmed", "partly",
// "refuted", "unknown", "unchecked".
const char* groupStateName(GroupState state);
