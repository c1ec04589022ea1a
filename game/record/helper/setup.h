// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// sferdoni-record setup: makes the shared record directory and its two files, and gives them
// their owners and modes. Run by the package's install script, as root only.
//
//     sferdoni-record setup  OWNER GROUP MODE  OWNER GROUP MODE  OWNER GROUP MODE
//
// The three triples are for the directory, ang.txt and nang.txt, in that order, as
// dpkg-statoverride lists them: OWNER and GROUP are names or numbers ("#" in front allowed),
// MODE is octal.
//
// The directory that holds the record directory must belong to root and be writable by nobody
// else; the missing parts of its path are made 0755. The record directory is made when missing
// and never followed when it is a link. Group games may write it, so nothing found in it is
// ever changed, whether by name or through a descriptor: a file opened there may be any file of
// the system, linked in for a moment. A record file that is already a regular file with one
// link and the wanted owner and mode is left as it is. Any other is replaced: a fresh file is
// made beside it under an unguessable name, given its owner and mode, filled with the old
// content when that was a regular file those who read the record could read already, and
// renamed over the name (renaming never follows what it replaces). A link, FIFO, socket or
// device found there so becomes an empty record file; a directory found there is an error.
// Set-up first waits up to 3 s for a save under way. Other entries of the directory are left
// alone.
//
// Exit status: 0 done; 2 failed (a message on standard error names the path and the cause);
// 64 wrong arguments; 77 when the real or effective user is not root.
int runSetup(const char *recordDirectory, int argc, char *argv[]);
