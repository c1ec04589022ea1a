// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// sferdoni-record setup: makes the shared record directory and its two files, and gives them
// their owners and modes. Run by the package's install script, as root only.
//
//     sferdoni-record setup  OWNER GROUP MODE  OWNER GROUP MODE  OWNER GROUP MODE
//
// The three triples are for the directory, then the score file and the name file of
// recordfiles (ang.txt and nang.txt), in that order, as
// dpkg-statoverride lists them: OWNER and GROUP are names or numbers ("#" in front allowed),
// MODE is octal.
//
// The directory that holds the record directory must belong to root and be writable by nobody
// else; the missing parts of its path are made 0755. The record directory is made when missing
// and never followed when it is a link. Group games may write it, so nothing found in it is
// ever changed, whether by name or through a descriptor: a file opened there may be any file of
// the system, linked in for a moment. A record file that is a regular file with one link and the
// wanted group and mode is left as it is, whoever owns it: that is how a save leaves it. When
// both are so, and nothing stands at the saves' staging names that a save did not leave there,
// set-up ends there. Otherwise it takes the directory's lock, which every save holds, so that
// replacing a file can neither undo a save nor pair its score with another name, and replaces
// each file that is not as wanted: a fresh file is made beside it under an unguessable name,
// given its owner and mode, filled with the old content when that was a regular file those who
// read the record could read already (a file with other links included: the record keeps its
// content in a file of its own), and renamed over the name (renaming never follows what it
// replaces). A link, FIFO, socket or device found there so becomes an empty record file; a
// directory found there is an error. An entry that changes while set-up looks at it is looked at
// again, and a fresh file taken away before it took its place is made again, a bounded number of
// times; then the name is left as it is, which set-up says.
//
// Still under the lock, whatever stands at a staging name (recordfiles::stagedScore,
// stagedName) that is not a file a stopped save left there (regular, one link, the directory's
// group, the helper's mode) is removed, and with a staged score a staged name too, as a save
// rolls back a save that never put its score in place. A directory there is first renamed out
// of the way and then removed with what it holds, never following a link; what cannot be
// removed is reported, and the staging name is free all the same.
//
// The lock is waited for as long as a save waits (recordfiles::lockWaitMs). When another process
// keeps it (a helper its user stopped), set-up only creates a missing record file (made whole under
// another name and linked in, which replaces nothing), leaves every other entry as it is, the
// staging names included, says so in one line and succeeds: the next save puts its own files in
// place. Other entries of the directory are left alone.
//
// Exit status, one of recordprotocol's: Done; Failed (a message on standard error names the path
// and the cause); BadUsage for wrong arguments; Refused when the real or effective user is not
// root.
int runSetup(const char *recordDirectory, int argc, char *argv[]);
