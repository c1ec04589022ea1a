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
// and never followed when it is a link. Group games may write it, so no file in it is ever
// acted on by name: each is opened without following a link and without blocking (creating it
// empty when missing, never truncating it), must be a regular file with a single link, and
// gets its owner and mode through the open descriptor. A link, FIFO, socket, device or file with
// other links found at a record file's name is removed (unlinking never follows it) and an empty
// file is made in its place; a directory found there is an error. Other entries of the directory
// are left alone.
//
// Exit status: 0 done; 2 failed (a message on standard error names the path and the cause);
// 64 wrong arguments; 77 when the real or effective user is not root.
int runSetup(const char *recordDirectory, int argc, char *argv[]);
