// SPDX-License-Identifier: MIT
#include "storage/CDatabaseRecovery.h"

#include <sqlite3.h>

#include <ctime>
#include <memory>
#include <utility>

#include "util/platform/FileSystem.h"
#include "util/platform/RenameFile.h"

namespace {

struct CloseConnection {
    void operator()(sqlite3* connection) const noexcept { sqlite3_close(connection); }
};
struct Finalize {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};

// Names tried for the damaged file before giving up; more than one per second
// is never needed in practice.
constexpr int kMaxNameAttempts = 100;

// What SQLite's primary result code says about the file itself: damaged, or
// only not readable now (locks, permissions, I/O), which renaming would not mend.
bool meansDamaged(int code) {
    const int primary = code & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// "20261209-081530": the local time, for a name the user can place.
std::string timeStamp() {
    const std::time_t now = std::time(nullptr);
    char text[32] = {};
    if (const std::tm* local = std::localtime(&now))
        (void)std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", local);
    return text;
}

}  // namespace

CDatabaseRecovery::CDatabaseRecovery(std::string databasePath)
    : databasePath_(std::move(databasePath)) {}

CDatabaseRecovery::State CDatabaseRecovery::check() {
    reason_.clear();
    keptAs_.clear();
    if (!platform::pathExists(databasePath_)) {
        state_ = platform::toNativePath(databasePath_).empty() ? State::Unchecked : State::Missing;
        if (state_ == State::Unchecked) reason_ = "no mapped drive holds " + databasePath_;
        return state_;
    }
    state_ = State::Sound;
    const std::string damageText = damage();
    if (state_ == State::Sound && !damageText.empty()) setAside(damageText);
    return state_;
}

std::string CDatabaseRecovery::damage() {
    sqlite3* raw = nullptr;
    // Read-write, so that a journal left by a killed writer is rolled back
    // first, as any later connection would; never created here.
    const int opened = sqlite3_open_v2(platform::toNativePath(databasePath_).c_str(), &raw,
                                       SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, CloseConnection> connection(raw);
    if (opened != SQLITE_OK) {
        state_ = State::Unchecked;
        reason_ = raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(opened);
        return std::string();
    }
    sqlite3_stmt* rawStatement = nullptr;
    int rc = sqlite3_prepare_v2(raw, "PRAGMA quick_check(1)", -1, &rawStatement, nullptr);
    const std::unique_ptr<sqlite3_stmt, Finalize> statement(rawStatement);
    std::string firstLine;
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(rawStatement)) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(rawStatement, 0);
            if (firstLine.empty() && text != nullptr)
                firstLine = reinterpret_cast<const char*>(text);
        }
    }
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        if (meansDamaged(rc)) return sqlite3_errmsg(raw);
        state_ = State::Unchecked;
        reason_ = sqlite3_errmsg(raw);
        return std::string();
    }
    if (firstLine == "ok") return std::string();
    // The report may span lines ("*** in database main ***" first); one line is told.
    for (char& c : firstLine)
        if (c == '\n') c = ' ';
    return firstLine.empty() ? "no check result" : firstLine;
}

void CDatabaseRecovery::setAside(const std::string& damageText) {
    reason_ = damageText;
    const std::string base = databasePath_ + ".broken-" + timeStamp();
    std::string why;
    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const std::string candidate = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (platform::pathExists(candidate)) continue;
        if (!platform::renameWithoutReplacing(databasePath_, candidate, why)) {
            if (platform::pathExists(candidate)) continue;  // taken meanwhile
            break;
        }
        // The journal belongs to the damaged file; beside a new database it
        // would be taken for that one's and played back into it.
        for (const char* suffix : {"-journal", "-wal"}) {
            std::string ignored;
            if (platform::pathExists(databasePath_ + suffix))
                (void)platform::renameWithoutReplacing(databasePath_ + suffix, candidate + suffix,
                                                       ignored);
        }
        keptAs_ = candidate;
        state_ = State::SetAside;
        return;
    }
    state_ = State::NotSetAside;
    reason_ = damageText + "; it cannot be renamed: " + (why.empty() ? "every name is taken" : why);
}
