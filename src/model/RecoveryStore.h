// RecoveryStore: the work on each table that no saved session holds yet,
// kept as a session file in the program's state folder so that a crash, a
// killed process or a quit loses nothing (or the last few seconds).
//
// Folder: $XDG_STATE_HOME/strands, or ~/.local/state/strands when that is not
// set (XDG Base Directory). One file per table, named after the table's file
// name and the hash of its absolute path, so that the same table finds its
// file again and two tables of one name do not share one:
//     <stem>-<16 hex digits>.recovery.json      the latest work on the table
//     <stem>-<16 hex digits>.<YYYYmmdd-HHMMSS>.recovery.json
//                                               earlier work set aside (not
//                                               taken when it was offered)
// Files are written atomically; those older than kKeepDays are tidied away.
#pragma once

#include <ctime>
#include <string>
#include <vector>

struct Session;

class RecoveryStore {
public:
    static constexpr int kKeepDays = 30;

    // $XDG_STATE_HOME/strands (an absolute XDG_STATE_HOME only, as the
    // standard asks), else $HOME/.local/state/strands; empty when neither is known.
    static std::string defaultFolder();

    explicit RecoveryStore(std::string folder);
    const std::string& getFolder() const { return folder; }

    // The recovery file of the table at `tablePath` (its path made absolute).
    std::string fileFor(const std::string& tablePath) const;

    // Writes `session` as the recovery file of its table, atomically; the
    // folder is made (readable by the user only) when it is missing. False,
    // with the reason in *error, when it cannot be written.
    bool write(const Session& session, std::string* error) const;
    // Removes the table's recovery file (the work is saved, or undone back to what was saved).
    void remove(const std::string& tablePath) const;

    // A file of recovered work, and when it was written (its modification time).
    struct Entry {
        std::string path;
        std::time_t writtenAt = 0;
    };
    // The table's recovery files, the latest work first, then the set-aside
    // ones newest first. Only regular files count.
    std::vector<Entry> filesFor(const std::string& tablePath) const;
    // Renames the table's latest recovery file to a set-aside one named with
    // its time, so that new work does not replace it; the new name, or empty
    // when there was none (or it could not be renamed: *error says why).
    std::string setAside(const std::string& tablePath, std::string* error) const;
    // Removes recovery files written before `now` less kKeepDays days; how many.
    int tidy(std::time_t now) const;

    // "2024-03-01 12:30" in local time.
    static std::string timeText(std::time_t time);

private:
    std::string folder;
};
