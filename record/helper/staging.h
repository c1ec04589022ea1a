// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What set-up does with the names under which saves stage the record files
// (recordfiles::stagedScore, stagedName): a file that a stopped save left there is the next
// save's to finish or roll back; anything else there makes every save fail, and set-up, holding
// the directory's lock, removes it.

#include <string>
#include <sys/stat.h>
#include <sys/types.h>

// What stands at a name where a regular file of one link belongs, in words for a message; nullptr
// when such a file stands there.
const char *describeMisfit(const struct stat &status);

// Whether anything stands at a staging name of dir that no save left there: a file is a save's
// when it is regular, has one link, the group of the directory (group) and the mode of the
// helper's files.
bool needsStagingRepair(int dir, gid_t group);

// With the directory's lock held, so that no save is under way: removes from dir (named path,
// on the file system device) whatever stands at a staging name that no save left there, and
// says so on standard error. A staged score means that its save never put its score in place,
// and a save that finds one rolls both files back; so does set-up when it removes the staged
// score, so that the pair a player reads stays as it was. A directory is first renamed to a name
// of its own, so that the staging name is free for the saves even when what it holds cannot all
// be removed (its owner may keep adding to it), then removed with removeEntry(); what is left is
// named. False, after a message, when a staging name could not be freed.
bool repairStaging(int dir, const std::string &path, gid_t group, dev_t device);
