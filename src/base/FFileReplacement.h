#pragma once
// A file replaced whole: the new version is written beside the old one under a
// hidden name of its own and takes the old one's place only once complete, so a
// failure never costs the file that was there. What it keeps and what it tidies:
// - a file the user may not write is refused, never renamed over (ReplaceRefusal);
// - the new file gets the old one's permission bits, and its owner and group where
//   the user may give them (hard links to the old file stay with the old file);
// - the temporary, ".<name>.XXXXXX.tmp<extension>" (or ".<hash of name>.XXXXXX..."
//   where that name would be too long), is locked while it exists. A run that died
//   leaves it unlocked, and the next replacement of the same file removes it; one
//   another running process holds is left alone, whatever its process id.

#include "base/FString.h"

class FFileReplacement
{
public:
    // Creates the temporary beside target, after removing the stale ones of target.
    explicit FFileReplacement(const FString& target);
    // Deletes the temporary unless it was committed.
    ~FFileReplacement();
    FFileReplacement(const FFileReplacement&) = delete;
    FFileReplacement& operator=(const FFileReplacement&) = delete;

    // False when no temporary could be made (LastError says why); Path() then still
    // names one, so that a writer fails there with its own words.
    bool ok() const { return fd_ >= 0; }
    int LastError() const { return error_; }
    // The temporary, for the writer to open by name and write from the start.
    const FString& Path() const { return path_; }

    // Flushes the temporary to the disk and moves it over the target. False, with
    // LastError set and the temporary kept for Discard, when the target may not be
    // written (see ReplaceRefusal) or a step fails.
    bool Commit();
    // Deletes the temporary now (only the file this object made).
    void Discard();

private:
    FString target_;
    FString path_;
    int fd_ = -1;
    int error_ = 0;
};

// 0 when target may be replaced by this user: it does not exist, or the user may
// write it. Otherwise the reason (EACCES, EROFS, ...), as errno.
int ReplaceRefusal(const FString& target);
