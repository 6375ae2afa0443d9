#pragma once
// What a save must know about the file it replaces: where a path really leads, whether
// the saver may write the file, and whether it carries what a new file beside it would
// not get (extended attributes, ACLs). Linux; one thread at a time.

#include <sys/stat.h>

#include <string>

#include "files/ParentDirectory.h"

namespace FileIdentity {
// Opens `dir` on the directory of the file `path` leads to, following its last component
// while it is a symbolic link (so that saving over a link writes the file it points at
// and the link stays a link). False, errno set, when a directory cannot be opened or the
// links loop.
bool Resolve(ParentDirectory& dir, std::string path);

// True, with errno set (EACCES, EROFS...), when the saver may not write the existing file
// `st` describes: no write permission for it, or none of its write bits set at all (a
// file made read-only is refused also to a saver whose privileges would pass over that).
bool WriteProtected(const ParentDirectory& dir, const struct stat& st);

// True when the file carries extended attributes a new file would not be given: any
// user.*, trusted.* or system.* (ACL) attribute, or a security.* one other than the
// label every new file in the directory gets. False also when the system cannot tell.
bool HasOwnAttributes(const ParentDirectory& dir);
}  // namespace FileIdentity
