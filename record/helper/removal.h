// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Removing what others may still be changing, in a directory that another group may write.

#include <sys/types.h>

// Removes the entry name of dir and, when it is a directory, everything below it, without
// following links and without leaving the file system device: every directory is opened relative
// to the one above it, never through a link, and must be a directory of that file system. A link
// found anywhere is removed, never what it names; a file is only ever unlinked. A directory in
// which entries keep appearing is read again a few times, then left with what it holds, as is
// one deeper than a fixed limit or on another file system. True when the entry is gone.
bool removeEntry(int dir, const char *name, dev_t device);
