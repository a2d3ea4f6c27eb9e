// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "util/platform/ContentFile.h"

// The checks that every move to the trash makes right before it: a file that
// goes against the file that stays. Both are opened and held to what the
// analysis stored (regular files of the expected length and the row's time),
// told apart (another name of the file that stays is no copy), then compared
// byte for byte. The statuses of the two open files taken then are what every
// later check holds them to: identity, length, modification time to the
// nanosecond and change time (platform::sameVersion). After the comparison
// both open files are asked again, so a write during it is seen; recheck()
// asks both names, so a name that leads elsewhere now is seen.
//
// The two files stay open until close() or the end of the object, so the
// statuses describe files that cannot vanish meanwhile.
class FilePairCheck {
public:
    enum class Result {
        Same,            // compared equal, or rechecked unchanged
        KeptChanged,     // the file that stays is gone, changed or unreadable
        NotRegular,      // the file that goes is no longer a regular file (a link, a folder, gone)
        Changed,         // not its row's length or time, or changed since it was compared
        SameFile,        // the file that goes is another name of the file that stays
        ContentDiffers,  // a byte differs
        Unreadable,      // it could not be read
    };
    // One file as the analysis stored it.
    struct Stored {
        std::string path;  // program form
        std::uint64_t length = 0;
        std::int64_t rowTime = 0;  // FILEINFO_FIF.FTIME, whole seconds
    };
    using Step = std::function<void()>;

    // Opens both files, checks them against what was stored and compares
    // them; `reason` says why when the result is not Same. SameFile is
    // found before any byte is read. `beforeCompare` is called with both
    // files open and as stored, `duringCompare` after the first equal block.
    Result compare(const Stored& kept, const Stored& copy, std::string& reason,
                   const Step& beforeCompare = {}, const Step& duringCompare = {});

    // Whether both names still lead to the files compared, in the versions
    // compared (after compare() gave Same or SameFile).
    Result recheck(const std::string& keptPath, const std::string& copyPath,
                   std::string& reason) const;

    // Closes both files; the statuses stay.
    void close();

    const platform::FileStatus& keptStatus() const { return keptStatus_; }
    const platform::FileStatus& copyStatus() const { return copyStatus_; }

private:
    Result openBoth(const Stored& kept, const Stored& copy, std::string& reason);

    std::unique_ptr<platform::ContentFile> kept_, copy_;
    platform::FileStatus keptStatus_, copyStatus_;
};
