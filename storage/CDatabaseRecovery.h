// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Keeps a damaged database file from being a dead end. Before a program
// starts using the database it asks check(): a file that SQLite says is not
// a database, or that fails SQLite's quick integrity check, is renamed beside
// itself ("<name>.broken-YYYYMMDD-hhmmss", a "-2", "-3" ... added when that
// name is taken; never replacing a file) together with its journal, so the
// next open makes a new, empty database while the old file stays for the
// user. A sound file, a missing one and one that cannot be checked now (held
// locked by another program, unreadable) are left as they are. Costs one
// read of the whole file; meant for once per program start, before any
// connection is open.
class CDatabaseRecovery {
public:
    enum class State {
        Sound,        // checked and found sound (an empty file included)
        Missing,      // no file yet: the first open creates it
        Unchecked,    // could not be checked now (locked, unreadable); left as it is
        SetAside,     // damaged, renamed to keptAs(); a new one will be made
        NotSetAside,  // damaged, but could not be renamed; left as it is
    };

    // `databasePath` is in program form, as CSqliteDB takes it.
    explicit CDatabaseRecovery(std::string databasePath);

    // Checks the file and sets it aside when it is damaged.
    State check();

    State state() const { return state_; }
    // Why the file counts as damaged (SQLite's message or the first line of
    // its integrity check), or why it could not be checked or set aside.
    const std::string& reason() const { return reason_; }
    // Program-form path the damaged file was given (SetAside only).
    const std::string& keptAs() const { return keptAs_; }

private:
    // "" when the file is sound; otherwise why it is damaged. Sets state_ to
    // Unchecked when the file cannot be checked.
    std::string damage();
    void setAside(const std::string& damageText);

    const std::string databasePath_;
    State state_ = State::Unchecked;
    std::string reason_;
    std::string keptAs_;
};
